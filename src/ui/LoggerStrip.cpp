// The logger window's strip below the grid: the log's tape, where the next mark goes, the
// totals, undo and redo, taking events out and putting them in, capture, and the messages.
#include "LoggerGUI.h"
#include "Utf8Text.h"
#include "Utils.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
QString shown(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string clipsText(int n) {
    return Counted(n, "clip");
}
} // namespace

void LoggerGUI::layoutStrip(int y) {
    const int h = 21;
    auto* tapeLabel = new QLabel("Tape", this);
    tapeLabel->setGeometry(5, y, 34, h);
    tapefield = new QLineEdit(this);
    tapefield->setGeometry(40, y, 150, h);
    tapefield->setToolTip("The log's tape: each new clip takes it (a clip's own is in its row)");
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
    DeleteButton = new QPushButton("Delete Event", this);
    DeleteButton->setGeometry(475, y, 110, h);
    DeleteButton->setToolTip("Delete key: takes the selected row's event out; the later events "
                             "move up one");
    InsertButton = new QPushButton("Insert Event", this);
    InsertButton->setGeometry(590, y, 110, h);
    InsertButton->setToolTip("Insert key: puts a free event in at the selected row; the events "
                             "from there on move down one");
    connect(DeleteButton, &QPushButton::clicked, this, [this] { deleteEvent(); });
    connect(InsertButton, &QPushButton::clicked, this, [this] { insertEvent(); });
    totalslabel = new QLabel(this);
    totalslabel->setGeometry(5, y + 24, windowWidth - 10, h);
    CaptureButton = new QPushButton("Capture", this);
    CaptureButton->setGeometry(5, y + 48, 90, h);
    CaptureButton->setToolTip("Records the event in the top row to a file (CaptureCommand)");
    CaptureAllButton = new QPushButton("Capture All", this);
    CaptureAllButton->setGeometry(100, y + 48, 100, h);
    CaptureAllButton->setToolTip("Records every event with an in and an out, one after another");
    CaptureFailedButton = new QPushButton("Capture Failed", this);
    CaptureFailedButton->setGeometry(205, y + 48, 110, h);
    CaptureFailedButton->setToolTip("Records again the clips of the last capture that failed, "
                                    "were cancelled or not captured; new files beside the old");
    connect(CaptureButton, &QPushButton::clicked, this, [this] { captureTop(); });
    connect(CaptureAllButton, &QPushButton::clicked, this, [this] { captureAll(); });
    connect(CaptureFailedButton, &QPushButton::clicked, this, [this] { captureFailed(); });
    messagelabel = new QLabel(this);
    messagelabel->setGeometry(5, y + 72, windowWidth - 10, h);
}

void LoggerGUI::showStrip() {
    const EventList& events = book.events();
    const int next = book.nextMark();
    nextlabel->setText(next < EventList::size ? shown("Next: " + EditNumberText(next + 1))
                                              : QString("Next: none"));
    const timecode::Rate rate = eventRate();
    int clips = 0;
    int noLength = 0;
    int total = 0;
    for (int i = 0; i < EventList::size; ++i) {
        const auto in = timecode::FrameCount(events.SrcInArray[i], rate);
        const auto out = timecode::FrameCount(events.SrcOutArray[i], rate);
        if (timecode::IsZero(events.SrcOutArray[i]) || !in || !out) continue;
        // A clip of no length: the deck stood between the in and the out.
        if (*out == *in && !timecode::IsZero(events.SrcInArray[i])) ++noLength;
        if (*out <= *in) continue;
        ++clips;
        total += *out - *in;
    }
    const auto topIn = timecode::FrameCount(events.SrcInArray[vsbval], rate);
    const auto topOut = timecode::FrameCount(events.SrcOutArray[vsbval], rate);
    const std::string topDuration = topIn && topOut && *topOut >= *topIn
                                        ? timecode::TimeText(*topOut - *topIn, rate)
                                        : "--:--:--:--";
    totalslabel->setText(shown("Clips: " + std::to_string(clips) +
                               "   Total: " + timecode::TimeText(total, rate) +
                               (noLength > 0 ? "   No length: " + std::to_string(noLength) : "") +
                               "   Top row: " + topDuration));
    if (!tapefield->isModified()) tapefield->setText(shown(events.tape));
    UndoButton->setEnabled(book.canUndo());
    RedoButton->setEnabled(book.canRedo());
    highlightRows();
}

void LoggerGUI::tell(const std::string& message) {
    messagelabel->setText(shown(message));
    messagelabel->setToolTip(shown(message));
    Utils::OutLine(message);
}

void LoggerGUI::tellMark(const LogBook::Mark& mark, bool out) {
    const std::string event = "event " + EditNumberText(mark.event + 1);
    std::string said;
    if (mark.earlier)
        said = std::string("No free event after the logging position: the ") +
               (out ? "out" : "in") + " went to " + event +
               ", the first free one, before clips logged later.";
    if (mark.noLength) {
        if (!said.empty()) said += " ";
        said += "The clip of " + event + " has no length: its in and out are both " +
                book.events().SrcOutArray[mark.event] +
                " (the deck stood). Play the deck, then mark the out again.";
    }
    if (!said.empty()) tell(said);
}

void LoggerGUI::deleteEvent() {
    commitTyped();
    const int k = selected;
    if (k < 0) {
        tell("Click a row first: Delete Event takes out the event the row shows.");
        return;
    }
    const std::string name = book.events().ClipNameArray[k];
    const bool clip = book.events().touched(k);
    if (!book.removeEvent(k)) {
        tell("Nothing to take out: event " + EditNumberText(k + 1) +
             " and every event after it are free.");
        return;
    }
    changedLog();
    tell("Event " + EditNumberText(k + 1) + (clip ? " (" + name + ")" : std::string()) +
         " taken out: the events after it moved up one. Undo puts it back.");
}

void LoggerGUI::insertEvent() {
    commitTyped();
    const int k = selected;
    if (k < 0) {
        tell("Click a row first: Insert Event puts a free event in at that row.");
        return;
    }
    if (book.events().touched(EventList::size - 1)) {
        tell("The log is full: event 100 holds a clip. Take one out before putting one in.");
        return;
    }
    if (!book.insertEvent(k)) {
        tell("Event " + EditNumberText(k + 1) + " and every event after it are free already.");
        return;
    }
    changedLog();
    int moved = 0;
    for (int i = k + 1; i < EventList::size; ++i)
        if (book.events().touched(i)) ++moved;
    tell("A free event put in at " + EditNumberText(k + 1) + ": the " + clipsText(moved) +
         " from there on moved down one. Undo takes it out.");
}
