// The logger window's grid: its column names, rows of cells and buttons, the scroll bar, the
// rows that stand out, and typing into a cell in place.
#include "LocalVCR.h"
#include "LoggerGUI.h"
#include "Timecode.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {
const QColor nextRowColour(255, 236, 150);  // the row the next mark goes to
const QColor selectedColour(170, 200, 255); // the selected row's number
const QColor reviewColour(120, 220, 120);   // the number of the row under review

QString shown(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string held(const QString& text) {
    return text.toUtf8().toStdString();
}

// What a cell of the duration column shows: the clip's length, 00:00:00:00 for a clip of no
// length (its in and out the same frame), nothing for an event that is no clip.
std::string durationText(const EventList& events, int k, timecode::Rate rate) {
    if (timecode::IsZero(events.SrcOutArray[k]) || timecode::IsZero(events.SrcInArray[k]))
        return "";
    const auto in = timecode::FrameCount(events.SrcInArray[k], rate);
    const auto out = timecode::FrameCount(events.SrcOutArray[k], rate);
    if (!in || !out || *out < *in) return "";
    return timecode::TimeText(*out - *in, rate);
}

// The text an event holds for a column, or nothing.
template <class List> auto textOf(List& events, int column, int k) -> decltype(&events.tape) {
    switch (column) {
    case LoggerGUI::Name:
        return &events.ClipNameArray[k];
    case LoggerGUI::In:
        return &events.SrcInArray[k];
    case LoggerGUI::Out:
        return &events.SrcOutArray[k];
    case LoggerGUI::Tape:
        return &events.TapeArray[k];
    case LoggerGUI::Notes:
        return &events.NotesArray[k];
    default:
        return nullptr;
    }
}

bool editable(int column) {
    return column == LoggerGUI::Name || column == LoggerGUI::In || column == LoggerGUI::Out ||
           column == LoggerGUI::Tape || column == LoggerGUI::Notes;
}
} // namespace

void LoggerGUI::layoutGrid(int top) {
    // The old grid's sizes and places, below the column names.
    const int dy = GUIheight / NumRows - 5;
    const int vspace = dy + 2;
    const int timecodewidth = GUIwidth / 5;
    const int clipnamewidth = timecodewidth;
    const int loadsavewidth = timecodewidth;
    const int buttonwidth = dy - 2;
    const int editnumwidth = GUIwidth / 14 + 4;
    const int x0 = 5, y0 = top + 5;
    const int x1 = x0 + editnumwidth + 6;
    const int x2 = x1 + clipnamewidth + 15;
    const int x3 = x2 + buttonwidth + 2;
    const int x4 = x3 + timecodewidth + 15;
    const int x5 = x4 + buttonwidth + 2;
    const int x6 = x5 + timecodewidth + 15;
    // The new columns, right of the scroll bar.
    const int durationwidth = 80, tapewidth = 100, noteswidth = 160;
    const int xd = x6 + 38;
    const int xt = xd + durationwidth + 6;
    const int xn = xt + tapewidth + 6;
    const int xg = xn + noteswidth + 8;

    const int columnX[Columns] = {x0, x1, x3, x5, xd, xt, xn};
    const int columnW[Columns] = {editnumwidth,  clipnamewidth, timecodewidth, timecodewidth,
                                  durationwidth, tapewidth,     noteswidth};
    const char* names[Columns + 1] = {"No.",      "Name", "In",    "Out",
                                      "Duration", "Tape", "Notes", "Good"};
    for (int c = 0; c <= Columns; ++c) {
        auto* label = new QLabel(names[c], this);
        label->setGeometry(c < Columns ? columnX[c] : xg - 8, 1, c < Columns ? columnW[c] : 40,
                           headingHeight - 2);
        Headings[c] = label;
    }

    auto button = [this](const char* label, int x, int y, int w) {
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
    ReviewButton->setToolTip("Reviews the top row's clip (R: the selected row's)");

    for (int r = 0; r < NumRows; ++r) {
        const int y = y0 + (r + 1) * vspace;
        for (int c = Name; c < Columns; ++c) {
            auto* f = new QLineEdit(this);
            f->setGeometry(columnX[c], y, columnW[c], dy);
            f->setReadOnly(true);
            // A click rests on a cell to read it or to select its row, but Tab never stops
            // there; nothing typed while it has the focus is a key.
            f->setFocusPolicy(Qt::ClickFocus);
            if (editable(c)) f->setToolTip("Double-click, or Enter, to type here");
            TFArray[r][c] = f;
        }
        NumArray[r] = button("", x0, y, editnumwidth);
        NumArray[r]->setToolTip("Reviews this row's clip (R: the selected row's)");
        GoodArray[r] = new QCheckBox(this);
        GoodArray[r]->setGeometry(xg, y, 20, dy);
        GoodArray[r]->setToolTip("A good take");
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
            select(k);
            const std::string t = timeShown();
            if (book.change([&](LogBook::State& s) { s.events.SrcInArray[k] = t; })) changedLog();
        });
        connect(ButArray[r][1], &QPushButton::clicked, this, [this, r] {
            const int k = vsbval + r;
            select(k);
            const std::string t = timeShown();
            if (book.change([&](LogBook::State& s) { s.events.SrcOutArray[k] = t; })) changedLog();
        });
        connect(CueArray[r], &QPushButton::clicked, this, [this, r] {
            select(vsbval + r);
            svcr.panel().texts().setIn(book.events().SrcInArray[vsbval + r]);
            svcr.panel().texts().setOut(book.events().SrcOutArray[vsbval + r]);
        });
        connect(NumArray[r], &QPushButton::clicked, this, [this, r] { reviewEvent(vsbval + r); });
        connect(GoodArray[r], &QCheckBox::clicked, this, [this, r](bool on) { storeGood(r, on); });
        for (int c = Name; c < Columns; ++c)
            connect(TFArray[r][c], &QLineEdit::editingFinished, this, [this, r, c] {
                if (alwaysOpen(r, c)) storeTyped(r, c);
            });
    }
    // The top row's name and times are open for typing, as they always were: Enter, or leaving
    // the field, stores them.
    for (const int c : {Name, In, Out}) {
        QLineEdit* f = TFArray[0][c];
        f->setReadOnly(false);
        f->setFocusPolicy(Qt::StrongFocus);
    }

    vsb = new QScrollBar(Qt::Vertical, this);
    vsb->setGeometry(x6 + 12, top + 20, 20, GUIheight - 55);
    vsb->setRange(0, lastTop);
    vsb->setPageStep(NumRows);
    vsb->setValue(0);
    connect(vsb, &QScrollBar::valueChanged, this, [this](int v) { scrolled(v); });
}

void LoggerGUI::watchCells() {
    // After the keyboard's watch: a cell's Enter and Escape are the cell's, never the deck's.
    tapefield->installEventFilter(this);
    for (int r = 0; r < NumRows; ++r) {
        for (int c = Name; c < Columns; ++c) TFArray[r][c]->installEventFilter(this);
        NumArray[r]->installEventFilter(this);
        GoodArray[r]->installEventFilter(this);
    }
}

bool LoggerGUI::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tapefield) return tapeKey(event);
    for (int r = 0; r < NumRows; ++r) {
        if (watched == NumArray[r] || watched == GoodArray[r]) {
            if (event->type() == QEvent::MouseButtonPress) select(vsbval + r);
            return QWidget::eventFilter(watched, event);
        }
        for (int c = Name; c < Columns; ++c)
            if (watched == TFArray[r][c]) return cellEvent(r, c, event);
    }
    return QWidget::eventFilter(watched, event);
}

bool LoggerGUI::tapeKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        storeTape();
    } else if (key == Qt::Key_Escape) {
        tapefield->setModified(false);
        showStrip();
    } else {
        return false;
    }
    keysToLog();
    return true;
}

bool LoggerGUI::alwaysOpen(int row, int column) const {
    return row == 0 && (column == Name || column == In || column == Out);
}

bool LoggerGUI::cellEvent(int row, int column, QEvent* event) {
    const bool open = alwaysOpen(row, column) || (row == openRow && column == openColumn);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
        select(vsbval + row);
        return false;
    case QEvent::MouseButtonDblClick:
        if (open || !editable(column)) return false;
        openCell(row, column);
        return true;
    case QEvent::FocusOut:
        if (row == openRow && column == openColumn) closeCell(true);
        return false;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (!open) {
                if (editable(column)) openCell(row, column);
                return true;
            }
            if (alwaysOpen(row, column)) {
                storeTyped(row, column);
                keysToLog();
            } else {
                closeCell(true);
            }
            return true;
        }
        if (key == Qt::Key_Escape) {
            if (alwaysOpen(row, column)) {
                // What was typed is not stored: the cell shows the event again.
                TFArray[row][column]->setModified(false);
                ReState(vsbval);
                keysToLog();
            } else if (open) {
                closeCell(false);
            } else {
                keysToLog();
            }
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void LoggerGUI::openCell(int row, int column) {
    commitTyped();
    openRow = row;
    openColumn = column;
    QLineEdit* f = TFArray[row][column];
    f->setReadOnly(false);
    f->setFocusPolicy(Qt::StrongFocus);
    f->setFocus();
    f->selectAll();
    select(vsbval + row);
}

void LoggerGUI::closeCell(bool store, bool handBack) {
    if (openRow < 0) return;
    const int row = openRow, column = openColumn;
    openRow = openColumn = -1;
    QLineEdit* f = TFArray[row][column];
    if (store && f->isModified()) {
        storeTyped(row, column);
    } else {
        f->setModified(false);
        ReState(vsbval);
    }
    const bool focused = f->hasFocus();
    f->setReadOnly(true);
    f->setFocusPolicy(Qt::ClickFocus);
    // The keys are the log's again once the cell is left.
    if (focused && handBack) keysToLog();
}

void LoggerGUI::keysToLog() {
    setFocus();
}

void LoggerGUI::select(int event) {
    if (event == selected) return;
    selected = event;
    highlightRows();
}

void LoggerGUI::commitTyped(bool handBack) {
    for (const int c : {Name, In, Out})
        if (TFArray[0][c]->isModified()) storeTyped(0, c);
    if (openRow >= 0) closeCell(true, handBack);
    if (tapefield->isModified()) storeTape();
}

void LoggerGUI::storeTape() {
    const std::string tape = held(tapefield->text());
    tapefield->setModified(false);
    if (book.change([&](LogBook::State& s) { s.events.tape = tape; })) changedLog();
}

void LoggerGUI::storeGood(int row, bool good) {
    const int k = vsbval + row;
    select(k);
    if (book.change([&](LogBook::State& s) { s.events.GoodArray[k] = good; })) changedLog();
}

void LoggerGUI::storeTyped(int row, int column) {
    QLineEdit* f = TFArray[row][column];
    const int k = vsbval + row;
    std::string typed = held(f->text());
    f->setModified(false);
    bool changedNow = false;
    if (column == In || column == Out) {
        const std::string stored = *textOf(book.events(), column, k);
        const timecode::Rate rate = eventRate();
        if (typed != stored && !timecode::IsTimecode(typed, rate)) {
            f->setText(shown(stored));
            tell("Not a timecode at " + timecode::RateText(rate) + ": \"" + typed +
                 "\". Type HH:MM:SS:FF with frames 00 to " +
                 EditNumberText(rate.fps - 1).substr(1) + "; event " + EditNumberText(k + 1) +
                 " keeps " + stored + ".");
            return;
        }
        // Held as the rate writes it; a zero time is "no time", at every rate.
        typed = timecode::FrameCount(typed, rate) == 0 ? timecode::zero
                                                       : timecode::WithSeparator(typed, rate);
    } else {
        typed = OneLine(typed);
    }
    changedNow = book.change([&](LogBook::State& s) { *textOf(s.events, column, k) = typed; });
    if (changedNow) changedLog();
    f->setText(shown(typed));
    f->setModified(false);
}

void LoggerGUI::ReState(int first) {
    const EventList& events = book.events();
    const timecode::Rate rate = eventRate();
    for (int r = 0; r < NumRows; ++r) {
        const int k = first + r; // first is at most 80
        NumArray[r]->setText(shown(events.EdNumArray[k]));
        const std::string texts[Columns] = {"",
                                            events.ClipNameArray[k],
                                            events.SrcInArray[k],
                                            events.SrcOutArray[k],
                                            durationText(events, k, rate),
                                            events.TapeArray[k],
                                            events.NotesArray[k]};
        for (int c = Name; c < Columns; ++c) {
            QLineEdit* f = TFArray[r][c];
            // What is being typed there stays until it is stored.
            if (f->isModified()) continue;
            f->setText(shown(texts[c]));
            f->setCursorPosition(0);
            f->setModified(false);
        }
        const QSignalBlocker quiet(GoodArray[r]);
        GoodArray[r]->setChecked(events.GoodArray[k]);
    }
    highlightRows();
}

void LoggerGUI::highlightRows() {
    const int next = book.nextMark() - vsbval;
    for (int r = 0; r < NumRows; ++r) {
        for (int c = Name; c < Columns; ++c) {
            QLineEdit* f = TFArray[r][c];
            QPalette p = f->palette();
            p.setColor(QPalette::Base, r == next ? nextRowColour : palette().color(QPalette::Base));
            f->setPalette(p);
        }
        const int k = vsbval + r;
        QPalette p = NumArray[r]->palette();
        p.setColor(QPalette::Button, k == reviewing  ? reviewColour
                                     : k == selected ? selectedColour
                                                     : palette().color(QPalette::Button));
        NumArray[r]->setPalette(p);
        QFont font = NumArray[r]->font();
        font.setBold(k == reviewing);
        NumArray[r]->setFont(font);
    }
}

void LoggerGUI::scrolled(int value) {
    // What is typed belongs to the event it was typed for: it is stored before the rows move.
    // A mark from elsewhere may scroll the grid while a cell is being typed in: the keys stay
    // where they were, so what is typed next moves nothing.
    commitTyped(false);
    vsbval = value;
    // The operator's scroll moves the logging position to the top row; a mark's does not.
    if (!scrolling) book.setPosition(value);
    ReState(value);
    showStrip();
}

void LoggerGUI::keepInView(int event) {
    event = std::clamp(event, 0, EventList::size - 1);
    int first = vsbval;
    if (event < first) first = event;
    if (event >= first + NumRows) first = event - NumRows + 1;
    first = std::clamp(first, 0, lastTop);
    if (first == vsbval) return;
    scrolling = true;
    vsb->setValue(first);
    scrolling = false;
}
