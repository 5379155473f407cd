#include "LoggerGUI.h"

#include "LocalVCR.h"
#include "LoggerDialogs.h"
#include "ReviewSequence.h"
#include "Timecode.h"
#include "Utils.h"
#include "WindowActions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

namespace {
const QColor backgroundcol(80, 150, 245);

// The first event whose fields differ between two lists, else -1.
int firstDifference(const EventList& a, const EventList& b) {
    for (int i = 0; i < EventList::size; ++i)
        if (a.ClipNameArray[i] != b.ClipNameArray[i] || a.SrcInArray[i] != b.SrcInArray[i] ||
            a.SrcOutArray[i] != b.SrcOutArray[i] || a.TapeArray[i] != b.TapeArray[i] ||
            a.NotesArray[i] != b.NotesArray[i] || a.GoodArray[i] != b.GoodArray[i])
            return i;
    return -1;
}

const char* const fullLog =
    "The log is full: every event has an out point. Save it, then start a new log.";
} // namespace

LoggerGUI::LoggerGUI(LocalVCR& vcr, const std::string& productName, const std::string& t, bool verb)
    : QWidget(nullptr), svcr(vcr), title(t), verbose(verb) {
    fileChooser = [this](const FileRequest& request) { return ChooseListFile(this, request); };
    closeAsker = [this] { return AskBeforeClosing(this); };
    questionAsker = [this](const std::string& question, const std::string& yes,
                           const std::string& no) { return AskQuestion(this, question, yes, no); };
    messageShower = [this](const std::string& message) { ShowProblem(this, message); };
    listReader = [this](const std::string& path) { return ::LoadEDL(path, verbose, svcr.rate()); };
    setWindowTitle(QString::fromStdString(productName + " Logger"));
    move(350, 0);
    setFixedSize(windowWidth, headingHeight + GUIheight + stripHeight);
    QFont font("Helvetica");
    font.setPixelSize(GUIheight / NumRows - 5 - 6);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, backgroundcol);
    setPalette(pal);
    setAutoFillBackground(true);
    // A click on the window's background takes the focus from a field: the keys act again.
    setFocusPolicy(Qt::ClickFocus);
    layoutGrid(headingHeight);
    const int vspace = GUIheight / NumRows - 5 + 2;
    layoutStrip(headingHeight + 5 + (NumRows + 1) * vspace + 4);
    ReState(0);
    showStrip();
    auto* keys = new KeyboardControl(this, [this](KeyAction action) { return keyAction(action); });
    keys->setLetterInField([this] {
        tell("Typing goes into a cell once it is open: double-click it or press Enter on it. "
             "Enter stores it, Escape leaves it, and the keys are the log's again.");
    });
    watchCells();
}

LoggerGUI::~LoggerGUI() {
    // The fields lose the focus as they go, after this window's part is gone: what they would
    // say then reaches nothing (what was typed was stored when the window was closed).
    for (QLineEdit* f : findChildren<QLineEdit*>()) {
        f->disconnect(this);
        f->removeEventFilter(this);
    }
    // A list still being read is let finish; what it would post goes with this window.
    if (loader.joinable()) loader.join();
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
    case KeyAction::Review:
        reviewEvent(selected >= 0 ? selected : vsbval);
        return true;
    case KeyAction::DeleteEvent:
        deleteEvent();
        return true;
    case KeyAction::InsertEvent:
        insertEvent();
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

void LoggerGUI::changedLog() {
    if (changeHandler) changeHandler(book.events());
    ReState(vsbval);
    showStrip();
    writeAutosave();
}

std::string LoggerGUI::timeShown() const {
    return svcr.panel().texts().time();
}

bool LoggerGUI::mayReview() {
    commitTyped();
    if (svcr.captureRunning()) {
        svcr.refuseForCapture();
        return false;
    }
    // Locked at the press, as the main window's cue buttons are: a second press while a review
    // starts or runs is refused, never calls the first off.
    return !svcr.cueControlsLocked();
}

void LoggerGUI::ReviewClip() {
    reviewEvent(vsbval);
}

void LoggerGUI::reviewEvent(int event) {
    if (event < 0 || event >= EventList::size) return;
    select(event);
    if (!mayReview()) return;
    reviewing = event;
    highlightRows();
    svcr.lockCueControls(true);
    svcr.post([&vcr = svcr, events = book.events(), event] {
        const CueControlRelease release{vcr};
        ReviewEvent(vcr, events, event);
    });
}

void LoggerGUI::RevAll() {
    if (!mayReview()) return;
    svcr.lockCueControls(true);
    // Told back on the window's thread, to this window while it lives.
    const auto toWindow = [guard = QPointer<LoggerGUI>(this)](auto act) {
        QMetaObject::invokeMethod(
            qApp,
            [guard, act] {
                if (guard) act(*guard);
            },
            Qt::QueuedConnection);
    };
    svcr.post([&vcr = svcr, events = book.events(), toWindow] {
        RevAllEnd end;
        {
            // Held to the last clip's end.
            const CueControlRelease release{vcr};
            end = ::RevAll(vcr, events, [&](int k) {
                toWindow([k](LoggerGUI& w) {
                    w.reviewing = k;
                    w.highlightRows();
                });
            });
        }
        toWindow([end](LoggerGUI& w) { w.revAllEnded(end); });
    });
}

void LoggerGUI::revAllEnded(const RevAllEnd& end) {
    tell(RevAllEndText(end));
}

void LoggerGUI::showCueLock(bool locked) {
    for (QPushButton* b : {ReviewButton, RevAllButton}) b->setEnabled(!locked);
    // A review holds the lock to its end: then no row is under review.
    if (!locked && reviewing >= 0) {
        reviewing = -1;
        highlightRows();
    }
}

void LoggerGUI::setin() {
    const auto mark = book.markIn(timeShown());
    if (!mark) {
        tell(fullLog);
        return;
    }
    Utils::OutLine(std::to_string(mark->event));
    keepInView(mark->event);
    changedLog();
    tellMark(*mark, false);
}

void LoggerGUI::setout() {
    const auto mark = book.markOut(timeShown());
    if (!mark) {
        tell(fullLog);
        return;
    }
    // The next event to log stays in view.
    keepInView(book.nextMark());
    changedLog();
    tellMark(*mark, true);
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
