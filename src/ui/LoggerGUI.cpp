#include "LoggerGUI.h"

#include "LocalVCR.h"
#include "LoggerDialogs.h"
#include "ReviewSequence.h"
#include "Timecode.h"
#include "Utils.h"
#include "WindowActions.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {
const QColor backgroundcol(80, 150, 245);
const QColor nextRowColour(255, 236, 150); // the row the next mark goes to

enum Column { EdNum, Name, In, Out };

QString shown(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string held(const QString& text) {
    return text.toUtf8().toStdString();
}

std::string threeDigits(int number) {
    return EditNumberText(number);
}

// The first event whose name or times differ between two lists, else -1.
int firstDifference(const EventList& a, const EventList& b) {
    for (int i = 0; i < EventList::size; ++i)
        if (a.ClipNameArray[i] != b.ClipNameArray[i] || a.SrcInArray[i] != b.SrcInArray[i] ||
            a.SrcOutArray[i] != b.SrcOutArray[i])
            return i;
    return -1;
}
} // namespace

LoggerGUI::LoggerGUI(LocalVCR& vcr, const std::string& productName, const std::string& t, bool verb)
    : QWidget(nullptr), svcr(vcr), title(t), verbose(verb) {
    fileChooser = [this](const std::string& dialogTitle, bool save) {
        return ChooseListFile(this, dialogTitle, save, listDirectory ? *listDirectory : "");
    };
    closeAsker = [this] { return AskBeforeClosing(this); };
    questionAsker = [this](const std::string& question, const std::string& yes,
                           const std::string& no) { return AskQuestion(this, question, yes, no); };
    messageShower = [this](const std::string& message) { ShowProblem(this, message); };
    listReader = [this](const std::string& path) { return ::LoadEDL(path, verbose, svcr.rate()); };
    setWindowTitle(QString::fromStdString(productName + " Logger"));
    move(350, 0);
    setFixedSize(GUIwidth, GUIheight + stripHeight);
    QFont font("Helvetica");
    font.setPixelSize(GUIheight / NumRows - 5 - 6);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, backgroundcol);
    setPalette(pal);
    setAutoFillBackground(true);
    // A click on the window's background takes the focus from a field: the keys act again.
    setFocusPolicy(Qt::ClickFocus);
    layoutControls();
    ReState(0);
    showStrip();
    auto* keys = new KeyboardControl(this, [this](KeyAction action) { return keyAction(action); });
    keys->setLetterInField([this] {
        tell("Letters typed into a field are not keys: click the window's background for I, O, "
             "J, K and L, or double-click a name to change it.");
    });
}

LoggerGUI::~LoggerGUI() {
    // The fields lose the focus as they go, after this window's part is gone: what they would
    // say then reaches nothing (what was typed was stored when the window was closed).
    for (QLineEdit* f : findChildren<QLineEdit*>()) f->disconnect(this);
    // A list still being read is let finish; what it would post goes with this window.
    if (loader.joinable()) loader.join();
}

void LoggerGUI::layoutControls() {
    // The window's client area has no insets.
    const int dy = GUIheight / NumRows - 5;
    const int vspace = dy + 2;
    const int timecodewidth = GUIwidth / 5;
    const int clipnamewidth = timecodewidth;
    const int loadsavewidth = timecodewidth;
    const int buttonwidth = dy - 2;
    const int editnumwidth = GUIwidth / 14 + 4;
    const int x0 = 5, y0 = 5;
    const int x1 = x0 + editnumwidth + 6;
    const int x2 = x1 + clipnamewidth + 15;
    const int x3 = x2 + buttonwidth + 2;
    const int x4 = x3 + timecodewidth + 15;
    const int x5 = x4 + buttonwidth + 2;
    const int x6 = x5 + timecodewidth + 15;

    auto button = [this, dy](const char* label, int x, int y, int w) {
        auto* b = new QPushButton(label, this);
        b->setGeometry(x, y, w, dy);
        return b;
    };
    LoadButton = button("Load EDL", x0, y0, loadsavewidth);
    ReviewButton = button("Review", x2 - 40, y0, loadsavewidth - 30);
    RevAllButton = button("RevALL", x3 + 10, y0, loadsavewidth - 30);
    SaveButton = button("Save EDL", x4, y0, loadsavewidth);
    connect(LoadButton, &QPushButton::clicked, this, [this] { LoadEDL(); });
    connect(SaveButton, &QPushButton::clicked, this, [this] { SaveEDL(); });
    connect(ReviewButton, &QPushButton::clicked, this, [this] { ReviewClip(); });
    connect(RevAllButton, &QPushButton::clicked, this, [this] { RevAll(); });
    LoadButton->setToolTip("Ctrl+O");
    SaveButton->setToolTip("Ctrl+S");

    const int columnX[4] = {x0, x1, x3, x5};
    const int columnW[4] = {editnumwidth, clipnamewidth, timecodewidth, timecodewidth};
    for (int r = 0; r < NumRows; ++r) {
        const int y = y0 + (r + 1) * vspace;
        for (int c = 0; c < 4; ++c) {
            auto* f = new QLineEdit(this);
            f->setGeometry(columnX[c], y, columnW[c], dy);
            f->setReadOnly(true);
            // A click may rest on a field to read it, but Tab never stops there; a letter
            // typed while it has the focus is no shortcut.
            f->setFocusPolicy(Qt::ClickFocus);
            TFArray[r][c] = f;
        }
        ButArray[r][0] = button(">", x2, y, buttonwidth);
        ButArray[r][1] = button("<", x4, y, buttonwidth);
        CueArray[r] = button("*", x5 + timecodewidth + 5, y, 12);
        for (QPushButton* b : {ButArray[r][0], ButArray[r][1], CueArray[r]})
            b->setProperty("command", QString::number(r));
        ButArray[r][0]->setToolTip("This row's in from the time display (I: the in of the next "
                                   "event to log)");
        ButArray[r][1]->setToolTip("This row's out from the time display (O: the out of the next "
                                   "event to log, then on to the one after)");
        // The row buttons write exactly their row, logged or not: the way to log an event again.
        connect(ButArray[r][0], &QPushButton::clicked, this, [this, r] {
            const int k = vsbval + r;
            const std::string t = timeShown();
            if (book.change([&](LogBook::State& s) { s.events.SrcInArray[k] = t; })) changedLog();
        });
        connect(ButArray[r][1], &QPushButton::clicked, this, [this, r] {
            const int k = vsbval + r;
            const std::string t = timeShown();
            if (book.change([&](LogBook::State& s) { s.events.SrcOutArray[k] = t; })) changedLog();
        });
        connect(CueArray[r], &QPushButton::clicked, this, [this, r] {
            svcr.panel().texts().setIn(book.events().SrcInArray[vsbval + r]);
            svcr.panel().texts().setOut(book.events().SrcOutArray[vsbval + r]);
        });
        // Every row's name can be typed in place: a double-click opens it, Enter or leaving
        // the field stores it.
        QLineEdit* name = TFArray[r][Name];
        name->installEventFilter(this);
        name->setToolTip("Double-click to name the event");
        connect(name, &QLineEdit::editingFinished, this, [this, r] {
            if (r == namingRow) endNaming();
        });
    }
    // The top row is where times and names are typed: Enter, or leaving the field, stores them.
    for (const int c : {Name, In, Out}) {
        QLineEdit* f = TFArray[0][c];
        f->setReadOnly(false);
        f->setFocusPolicy(Qt::StrongFocus);
        connect(f, &QLineEdit::editingFinished, this, [this, c] { storeTyped(0, c); });
    }

    vsb = new QScrollBar(Qt::Vertical, this);
    vsb->setGeometry(x6 + 12, 20, 20, GUIheight - 55);
    vsb->setRange(0, lastTop);
    vsb->setPageStep(NumRows);
    vsb->setValue(0);
    connect(vsb, &QScrollBar::valueChanged, this, [this](int v) { scrolled(v); });

    layoutStrip(y0 + (NumRows + 1) * vspace + 4);
}

void LoggerGUI::layoutStrip(int y) {
    const int h = 21;
    auto* tapeLabel = new QLabel("Tape", this);
    tapeLabel->setGeometry(5, y, 34, h);
    tapefield = new QLineEdit(this);
    tapefield->setGeometry(40, y, 150, h);
    tapefield->setToolTip("The tape this log is of: one name for the whole log");
    connect(tapefield, &QLineEdit::editingFinished, this, [this] { storeTape(); });
    nextlabel = new QLabel(this);
    nextlabel->setGeometry(200, y, 100, h);
    UndoButton = new QPushButton("Undo", this);
    UndoButton->setGeometry(305, y, 75, h);
    UndoButton->setToolTip("Ctrl+Z");
    RedoButton = new QPushButton("Redo", this);
    RedoButton->setGeometry(385, y, 75, h);
    RedoButton->setToolTip("Ctrl+Shift+Z");
    connect(UndoButton, &QPushButton::clicked, this, [this] { undo(); });
    connect(RedoButton, &QPushButton::clicked, this, [this] { redo(); });
    totalslabel = new QLabel(this);
    totalslabel->setGeometry(5, y + 24, GUIwidth - 10, h);
    CaptureButton = new QPushButton("Capture", this);
    CaptureButton->setGeometry(5, y + 48, 90, h);
    CaptureButton->setToolTip("Records the event in the top row to a file (CaptureCommand)");
    CaptureAllButton = new QPushButton("Capture All", this);
    CaptureAllButton->setGeometry(100, y + 48, 100, h);
    CaptureAllButton->setToolTip("Records every event with an in and an out, one after another");
    connect(CaptureButton, &QPushButton::clicked, this, [this] { captureTop(); });
    connect(CaptureAllButton, &QPushButton::clicked, this, [this] { captureAll(); });
    messagelabel = new QLabel(this);
    messagelabel->setGeometry(5, y + 72, GUIwidth - 10, h);
}

bool LoggerGUI::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int r = 1; r < NumRows; ++r)
            if (watched == TFArray[r][Name]) {
                startNaming(r);
                return true;
            }
    }
    return QWidget::eventFilter(watched, event);
}

bool LoggerGUI::keyAction(KeyAction action) {
    switch (action) {
    case KeyAction::MarkIn:
        setin();
        return true;
    case KeyAction::MarkOut:
        setout();
        return true;
    case KeyAction::Save:
        SaveEDL();
        return true;
    case KeyAction::Load:
        LoadEDL();
        return true;
    case KeyAction::Undo:
        undo();
        return true;
    case KeyAction::Redo:
        redo();
        return true;
    default:
        return transportKeys && transportKeys(action);
    }
}

QPushButton* LoggerGUI::topButton(const std::string& label) const {
    for (QPushButton* b : {LoadButton, ReviewButton, RevAllButton, SaveButton})
        if (b->text().toStdString() == label) return b;
    return nullptr;
}

void LoggerGUI::ReState(int first) {
    const EventList& events = book.events();
    for (int r = 0; r < NumRows; ++r) {
        const int k = first + r; // first is at most 80
        const std::string* texts[4] = {&events.EdNumArray[k], &events.ClipNameArray[k],
                                       &events.SrcInArray[k], &events.SrcOutArray[k]};
        for (int c = 0; c < 4; ++c) {
            QLineEdit* f = TFArray[r][c];
            // What is being typed there stays until it is stored.
            if (f->isModified()) continue;
            f->setText(shown(*texts[c]));
            f->setModified(false);
        }
    }
    highlightNext();
}

void LoggerGUI::highlightNext() {
    const int row = book.nextMark() - vsbval;
    for (int r = 0; r < NumRows; ++r)
        for (int c = 0; c < 4; ++c) {
            QLineEdit* f = TFArray[r][c];
            QPalette p = f->palette();
            p.setColor(QPalette::Base, r == row ? nextRowColour : palette().color(QPalette::Base));
            f->setPalette(p);
        }
}

void LoggerGUI::scrolled(int value) {
    // What is typed belongs to the event it was typed for: it is stored before the rows move.
    commitTyped();
    vsbval = value;
    // The operator's scroll moves the logging position to the top row; a mark's does not.
    if (!scrolling) book.setPosition(value);
    ReState(value);
    showStrip();
}

void LoggerGUI::keepInView(int event) {
    event = std::clamp(event, 0, EventList::size - 1);
    int top = vsbval;
    if (event < top) top = event;
    if (event >= top + NumRows) top = event - NumRows + 1;
    top = std::clamp(top, 0, lastTop);
    if (top == vsbval) return;
    scrolling = true;
    vsb->setValue(top);
    scrolling = false;
}

void LoggerGUI::changedLog() {
    if (changeHandler) changeHandler(book.events());
    ReState(vsbval);
    showStrip();
    writeAutosave();
}

void LoggerGUI::showStrip() {
    const EventList& events = book.events();
    const int next = book.nextMark();
    nextlabel->setText(next < EventList::size ? shown("Next: " + threeDigits(next + 1))
                                              : QString("Next: none"));
    const timecode::Rate rate = eventRate();
    int clips = 0;
    int total = 0;
    for (int i = 0; i < EventList::size; ++i) {
        const auto in = timecode::FrameCount(events.SrcInArray[i], rate);
        const auto out = timecode::FrameCount(events.SrcOutArray[i], rate);
        if (timecode::IsZero(events.SrcOutArray[i]) || !in || !out || *out <= *in) continue;
        ++clips;
        total += *out - *in;
    }
    const auto topIn = timecode::FrameCount(events.SrcInArray[vsbval], rate);
    const auto topOut = timecode::FrameCount(events.SrcOutArray[vsbval], rate);
    const std::string topDuration = topIn && topOut && *topOut >= *topIn
                                        ? timecode::TimeText(*topOut - *topIn, rate)
                                        : "--:--:--:--";
    totalslabel->setText(shown("Clips: " + std::to_string(clips) + "   Total: " +
                               timecode::TimeText(total, rate) + "   Top row: " + topDuration));
    if (!tapefield->isModified()) tapefield->setText(shown(events.tape));
    UndoButton->setEnabled(book.canUndo());
    RedoButton->setEnabled(book.canRedo());
    highlightNext();
}

void LoggerGUI::tell(const std::string& message) {
    messagelabel->setText(shown(message));
    messagelabel->setToolTip(shown(message));
    Utils::OutLine(message);
}

void LoggerGUI::commitTyped() {
    for (const int c : {Name, In, Out})
        if (TFArray[0][c]->isModified()) storeTyped(0, c);
    if (namingRow >= 0) endNaming();
    if (tapefield->isModified()) storeTape();
}

void LoggerGUI::storeTape() {
    const std::string tape = held(tapefield->text());
    tapefield->setModified(false);
    if (book.change([&](LogBook::State& s) { s.events.tape = tape; })) changedLog();
}

void LoggerGUI::storeTyped(int row, int column) {
    QLineEdit* f = TFArray[row][column];
    const int k = vsbval + row;
    std::string typed = held(f->text());
    f->setModified(false);
    bool changedNow = false;
    if (column == Name) {
        changedNow = book.change([&](LogBook::State& s) { s.events.ClipNameArray[k] = typed; });
    } else {
        auto array = column == In ? &EventList::SrcInArray : &EventList::SrcOutArray;
        const std::string& stored = (book.events().*array)[k];
        const timecode::Rate rate = eventRate();
        if (typed != stored && !timecode::IsTimecode(typed, rate)) {
            f->setText(shown(stored));
            tell("Not a timecode at " + timecode::RateText(rate) + ": \"" + typed +
                 "\". Type HH:MM:SS:FF with frames 00 to " +
                 EditNumberText(rate.fps - 1).substr(1) + "; event " + threeDigits(k + 1) +
                 " keeps " + stored + ".");
            return;
        }
        // Held as the rate writes it; a zero time is "no time", at every rate.
        typed = timecode::FrameCount(typed, rate) == 0 ? timecode::zero
                                                       : timecode::WithSeparator(typed, rate);
        changedNow = book.change([&](LogBook::State& s) { (s.events.*array)[k] = typed; });
    }
    if (changedNow) changedLog();
    f->setText(shown(typed));
    f->setModified(false);
}

void LoggerGUI::startNaming(int row) {
    if (namingRow >= 0) endNaming();
    namingRow = row;
    QLineEdit* f = TFArray[row][Name];
    f->setReadOnly(false);
    f->setFocusPolicy(Qt::StrongFocus);
    f->setFocus();
    f->selectAll();
}

void LoggerGUI::endNaming() {
    const int row = namingRow;
    namingRow = -1;
    QLineEdit* f = TFArray[row][Name];
    if (f->isModified()) storeTyped(row, Name);
    const bool focused = f->hasFocus();
    f->setReadOnly(true);
    f->setFocusPolicy(Qt::ClickFocus);
    // The keys are the logger's again once the name is stored.
    if (focused) setFocus();
}

std::string LoggerGUI::timeShown() const {
    return svcr.panel().texts().time();
}

void LoggerGUI::ReviewClip() {
    commitTyped();
    if (svcr.captureRunning()) return svcr.refuseForCapture();
    // Locked at the press, as the main window's cue buttons are: a second press while a review
    // starts or runs is refused, never calls the first off.
    if (svcr.cueControlsLocked()) return;
    const int k = vsbval;
    svcr.lockCueControls(true);
    svcr.post([&vcr = svcr, events = book.events(), k] {
        const CueControlRelease release{vcr};
        ReviewEvent(vcr, events, k);
    });
}

void LoggerGUI::RevAll() {
    commitTyped();
    if (svcr.captureRunning()) return svcr.refuseForCapture();
    if (svcr.cueControlsLocked()) return;
    svcr.lockCueControls(true);
    svcr.post([&vcr = svcr, events = book.events()] {
        // Held to the last clip's end.
        const CueControlRelease release{vcr};
        ::RevAll(vcr, events);
    });
}

void LoggerGUI::showCueLock(bool locked) {
    for (QPushButton* b : {ReviewButton, RevAllButton}) b->setEnabled(!locked);
}

void LoggerGUI::setin() {
    const auto k = book.markIn(timeShown());
    if (!k) {
        tell("The log is full: every event has an out point. Save it, then start a new log.");
        return;
    }
    Utils::OutLine(std::to_string(k->event));
    keepInView(k->event);
    changedLog();
}

void LoggerGUI::setout() {
    if (!book.markOut(timeShown())) {
        tell("The log is full: every event has an out point. Save it, then start a new log.");
        return;
    }
    // The next event to log stays in view.
    keepInView(book.nextMark());
    changedLog();
}

void LoggerGUI::undo() {
    step(false);
}

void LoggerGUI::redo() {
    step(true);
}

void LoggerGUI::step(bool forward) {
    commitTyped();
    const EventList before = book.events();
    if (!(forward ? book.redo() : book.undo())) {
        tell(forward ? "Nothing to redo." : "Nothing to undo.");
        return;
    }
    // The grid shows the event the step changed.
    const int at = firstDifference(before, book.events());
    keepInView(at >= 0 ? at : book.nextMark());
    changedLog();
}

timecode::Rate LoggerGUI::eventRate() const {
    return book.state().listRate.value_or(svcr.rate());
}

bool LoggerGUI::getduration(int index) {
    const auto start = timecode::FrameCount(book.events().SrcInArray[index], eventRate());
    const auto end = timecode::FrameCount(book.events().SrcOutArray[index], eventRate());
    if (!start || !end) return false;
    startframes = *start;
    endframes = *end;
    duration = endframes - startframes;
    return true;
}

std::string LoggerGUI::MakeZeroString2(const std::string& start, int frames) const {
    return timecode::MakeZeroString2(start, frames, eventRate()).value_or("");
}

bool LoggerGUI::isnumeric(char c) {
    return timecode::isnumeric(c);
}

void LoggerGUI::closeEvent(QCloseEvent* event) {
    if (!mayClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (closedHandler) closedHandler();
}
