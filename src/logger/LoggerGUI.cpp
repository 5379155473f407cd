#include "LoggerGUI.h"

#include "EdlFile.h"
#include "LocalVCR.h"
#include "ReviewSequence.h"
#include "Timecode.h"
#include "Utils.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>

namespace {
const QColor backgroundcol(80, 150, 245);
const QString standardFilter = "Standard EDL (*)";
const QString cmxFilter = "CMX 3600 EDL (*.edl)";

enum Column { EdNum, Name, In, Out };

QString shown(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
std::string held(const QString& text) {
    return text.toLatin1().toStdString();
}

std::optional<LoggerGUI::ChosenFile> fileDialog(QWidget* parent, const std::string& title,
                                                bool save) {
    QFileDialog fd(parent, QString::fromStdString(title), "/");
    fd.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    fd.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) fd.setNameFilters({standardFilter, cmxFilter});
    fd.selectFile("edl.txt");
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = fd.selectedFiles().first();
    LoggerGUI::ChosenFile chosen;
    chosen.path = path.toStdString();
    chosen.name = QFileInfo(path).fileName().toStdString();
    if (save && fd.selectedNameFilter() == cmxFilter) chosen.layout = EdlLayout::Cmx3600;
    return chosen;
}

LoggerGUI::CloseChoice askBeforeClosing(QWidget* parent) {
    const auto answer = QMessageBox::question(
        parent, parent->windowTitle(),
        "The events have changed since they were last loaded or saved. Save them first?",
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return LoggerGUI::CloseChoice::Save;
    if (answer == QMessageBox::Discard) return LoggerGUI::CloseChoice::Discard;
    return LoggerGUI::CloseChoice::Cancel;
}
} // namespace

LoggerGUI::LoggerGUI(LocalVCR& vcr, const std::string& productName, const std::string& t, bool verb)
    : QWidget(nullptr), svcr(vcr), title(t), verbose(verb) {
    fileChooser = [this](const std::string& dialogTitle, bool save) {
        return fileDialog(this, dialogTitle, save);
    };
    closeAsker = [this] { return askBeforeClosing(this); };
    setWindowTitle(QString::fromStdString(productName + " Logger"));
    move(350, 0);
    setFixedSize(GUIwidth, GUIheight);
    QFont font("Helvetica");
    font.setPixelSize(GUIheight / NumRows - 5 - 6);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, backgroundcol);
    setPalette(pal);
    setAutoFillBackground(true);
    layoutControls();
    ReState(0);
    new KeyboardControl(this, [this](KeyAction action) { return keyAction(action); });
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
            TFArray[r][c] = f;
        }
        ButArray[r][0] = button(">", x2, y, buttonwidth);
        ButArray[r][1] = button("<", x4, y, buttonwidth);
        CueArray[r] = button("*", x5 + timecodewidth + 5, y, 12);
        for (QPushButton* b : {ButArray[r][0], ButArray[r][1], CueArray[r]})
            b->setProperty("command", QString::number(r));
        ButArray[r][0]->setToolTip("This row's in from the time display (I: the in of the event "
                                   "at the logging position)");
        ButArray[r][1]->setToolTip("This row's out from the time display (O: the out of the event "
                                   "at the logging position, then on to the next)");
        connect(ButArray[r][0], &QPushButton::clicked, this, [this, r] {
            const std::string t = svcr.panel().texts().time();
            events.SrcInArray[vsbval + r] = t;
            TFArray[r][In]->setText(shown(t));
        });
        connect(ButArray[r][1], &QPushButton::clicked, this, [this, r] {
            const std::string t = svcr.panel().texts().time();
            events.SrcOutArray[vsbval + r] = t;
            TFArray[r][Out]->setText(shown(t));
        });
        connect(CueArray[r], &QPushButton::clicked, this, [this, r] {
            svcr.panel().texts().setIn(events.SrcInArray[vsbval + r]);
            svcr.panel().texts().setOut(events.SrcOutArray[vsbval + r]);
        });
    }
    // The top row is where times and names are typed; Enter stores them.
    struct Editable {
        int column;
        std::array<std::string, EventList::size> EventList::*array;
    };
    for (const Editable e :
         {Editable{Name, &EventList::ClipNameArray}, Editable{In, &EventList::SrcInArray},
          Editable{Out, &EventList::SrcOutArray}}) {
        QLineEdit* f = TFArray[0][e.column];
        f->setReadOnly(false);
        connect(f, &QLineEdit::returnPressed, this,
                [this, f, e] { (events.*e.array)[vsbval] = held(f->text()); });
    }

    vsb = new QScrollBar(Qt::Vertical, this);
    vsb->setGeometry(x6 + 12, 20, 20, GUIheight - 55);
    vsb->setRange(0, lastTop);
    vsb->setPageStep(NumRows);
    vsb->setValue(0);
    connect(vsb, &QScrollBar::valueChanged, this, [this](int v) { scrolled(v); });
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
    for (int r = 0; r < NumRows; ++r) {
        const int k = first + r; // first is at most 80
        TFArray[r][EdNum]->setText(shown(events.EdNumArray[k]));
        TFArray[r][Name]->setText(shown(events.ClipNameArray[k]));
        TFArray[r][In]->setText(shown(events.SrcInArray[k]));
        TFArray[r][Out]->setText(shown(events.SrcOutArray[k]));
    }
}

void LoggerGUI::scrolled(int value) {
    ReState(value);
    vsbval = value;
    offset = 0;
}

void LoggerGUI::backToFirstEvent() {
    vsb->setValue(0); // moves the grid when it was elsewhere
    scrolled(0);
}

void LoggerGUI::ReviewClip() {
    const int k = vsbval;
    svcr.post([&vcr = svcr, events = events, k] { ReviewEvent(vcr, events, k); });
}

void LoggerGUI::RevAll() {
    svcr.post([&vcr = svcr, events = events] { ::RevAll(vcr, events); });
}

void LoggerGUI::setin() {
    const int k = vsbval + offset;
    if (k >= EventList::size) return;
    Utils::OutLine(std::to_string(k));
    const std::string t = svcr.panel().texts().time();
    events.SrcInArray[k] = t;
    if (offset < NumRows) TFArray[offset][In]->setText(shown(t));
}

void LoggerGUI::setout() {
    const int k = vsbval + offset;
    if (k >= EventList::size) return;
    const std::string t = svcr.panel().texts().time();
    events.SrcOutArray[k] = t;
    if (offset < NumRows) TFArray[offset][Out]->setText(shown(t));
    ++offset;
    // The next event to log stays in view: the grid scrolls once it would pass the last row.
    const int next = vsbval + offset;
    if (offset >= NumRows && next < EventList::size) {
        vsb->setValue(std::min(next - NumRows + 1, lastTop));
        offset = next - vsbval;
    }
}

std::string LoggerGUI::GetFileName(const std::string& dialogTitle) {
    const auto chosen = fileChooser ? fileChooser(dialogTitle, LoadOrSave == 1) : std::nullopt;
    if (!chosen) return "";
    savename = chosen->name;
    saveLayout = chosen->layout;
    return chosen->path;
}

void LoggerGUI::LoadEDL() {
    LoadOrSave = 0;
    const std::string path = GetFileName("Load Standard EDL");
    if (path.empty()) return;
    const EdlLoad load = ::LoadEDL(path, events, verbose);
    if (load.ok) savedEvents = events;
    // Each list read says anew how its times count; one without an FCM line counts at the rate
    // in use.
    listRate.reset();
    if (load.read.dropFrame) {
        timecode::Rate nonDrop = svcr.rate();
        nonDrop.dropFrame = false;
        listRate = *load.read.dropFrame ? timecode::rate30DF : nonDrop;
    }
    backToFirstEvent();
}

bool LoggerGUI::saveThroughDialog() {
    LoadOrSave = 1;
    const std::string path = GetFileName("Save Standard EDL");
    if (path.empty()) return false;
    if (!::SaveEDL(path, events, savename, title, saveLayout, {}, eventRate())) return false;
    savedEvents = events;
    return true;
}

void LoggerGUI::SaveEDL() {
    saveThroughDialog();
}

timecode::Rate LoggerGUI::eventRate() const {
    return listRate.value_or(svcr.rate());
}

bool LoggerGUI::getduration(int index) {
    const auto start = timecode::FrameCount(events.SrcInArray[index], eventRate());
    const auto end = timecode::FrameCount(events.SrcOutArray[index], eventRate());
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
    if (changed()) {
        const CloseChoice choice = closeAsker ? closeAsker() : CloseChoice::Discard;
        if (choice == CloseChoice::Cancel ||
            (choice == CloseChoice::Save && !saveThroughDialog())) {
            event->ignore();
            return;
        }
    }
    event->accept();
    if (closedHandler) closedHandler();
}
