#pragma once

#include "CaptureClip.h"
#include "EdlFile.h"
#include "EdlWriter.h"
#include "EventList.h"
#include "FormatCuts.h"
#include "KeyboardControl.h"
#include "ListPlace.h"
#include "LogBook.h"
#include "ReviewSequence.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <thread>

class LocalVCR;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The logger window: 100 events, 20 shown at a time in a grid that a scroll bar moves, and a
// strip below it with the log's tape, the logging position, the totals, undo and the messages.
// The operator fills the times from the deck's time display with the row buttons or the I and O
// keys, edits any cell in place (name, in, out, tape, notes; a good-take box), takes events out
// and puts free ones in, hands a clip to the main window, reviews any clip or all of them, and
// loads and saves lists. Every change is autosaved at once and can be undone.
//
// The grid's first columns, the buttons and their places are the logger's of old; the column
// names sit above them, the new columns (duration, tape, notes, good take) to their right.
// Everything here runs on the window's thread, but reading a list, which runs on a thread of its
// own; reviews are posted to the operator-action thread with a copy of the events.
//
// The window's parts live in files of their own: the grid and its cells (LoggerGrid.cpp), the
// strip and its messages (LoggerStrip.cpp), the file actions (LoggerFiles.cpp), capture
// (LoggerCapture.cpp).
class LoggerGUI : public QWidget {
public:
    static constexpr int GUIwidth = 470;     // the grid's old part; the new columns lie right of it
    static constexpr int GUIheight = 525;    // the grid's part; the strip lies below it
    static constexpr int headingHeight = 18; // the column names, above the grid
    static constexpr int stripHeight = 99;
    static constexpr int windowWidth = 850;
    static constexpr int NumRows = 20;
    static constexpr int lastTop = EventList::size - NumRows; // the scroll bar's maximum, 80
    // Where every change is written at once, in the working directory.
    static constexpr const char* autosaveFile = "KOLB_Autosave.edl";

    // The grid's text columns; the good-take mark is a box of its own.
    enum Column { EdNum, Name, In, Out, Duration, Tape, Notes, Columns };

    // What the file dialog is asked for: its title, load or save, the format and folder it
    // opens on and the file name it offers.
    struct FileRequest {
        std::string title;
        bool save = false;
        ListFormat format = ListFormat::Cmx3600;
        std::string directory; // empty: the working directory
        std::string name;
    };
    // The file the operator chose in the file dialog, and the format its filter names.
    struct ChosenFile {
        std::string path; // directory and name
        std::string name; // the bare file name
        ListFormat layout = ListFormat::Standard;
    };
    // Shows the file dialog; nothing when cancelled.
    using FileChooser = std::function<std::optional<ChosenFile>(const FileRequest&)>;
    enum class CloseChoice { Save, Discard, Cancel };
    using CloseAsker = std::function<CloseChoice()>;
    // Asks a question with two answers; true for the first (yes).
    using QuestionAsker = std::function<bool(const std::string& question, const std::string& yes,
                                             const std::string& no)>;
    // Tells the operator what went wrong (a message box).
    using MessageShower = std::function<void(const std::string& message)>;
    // Reads a list file; runs on the loading thread.
    using ListReader = std::function<EdlLoad(const std::string& path)>;

    // productName names the window (" Logger" follows); title is written into saved EDLs.
    LoggerGUI(LocalVCR& vcr, const std::string& productName, const std::string& title,
              bool verbose);
    ~LoggerGUI() override;

    // Tests answer the dialogs and questions, and read the files, through these.
    void setFileChooser(FileChooser chooser) { fileChooser = std::move(chooser); }
    void setCloseAsker(CloseAsker asker) { closeAsker = std::move(asker); }
    void setQuestionAsker(QuestionAsker asker) { questionAsker = std::move(asker); }
    void setMessageShower(MessageShower shower) { messageShower = std::move(shower); }
    void setListReader(ListReader reader) { listReader = std::move(reader); }
    // Where the file dialogs open and the format they offer: the main window keeps it for every
    // logger it opens.
    void setListPlace(ListPlace* place) { listPlace = place; }
    // Called once the window has closed (the main window enables its logger button again).
    void setClosedHandler(std::function<void()> handler) { closedHandler = std::move(handler); }
    // Told the events and tape after every change of the log, and once when set.
    void setChangeHandler(std::function<void(const EventList&)> handler);
    // "Capture": the event in the top row; "Capture All": the clips of events 1 to the last
    // with an out; "Capture Failed": the clips of the last batch that did not end done, captured
    // again (CaptureControl::startFailed). Each says why when nothing starts.
    void captureTop();
    void captureAll();
    void captureFailed();
    QPushButton* captureButton() const { return CaptureButton; }
    QPushButton* captureAllButton() const { return CaptureAllButton; }
    QPushButton* captureFailedButton() const { return CaptureFailedButton; }
    // The keys that drive the deck (Space, J, K, L, the arrows, Escape) go to the main window's
    // handler; I, O, R, Delete, Insert, Ctrl+S, Ctrl+O, Ctrl+Z and Ctrl+Shift+Z are the logger's
    // own.
    void setTransportKeys(KeyboardControl::Handler handler) { transportKeys = std::move(handler); }

    // When an autosaved log is found, asks whether to take it back, and does so. Called once
    // the new window is shown.
    void offerRecovery();
    // Before the program closes: asks Save / Discard / Cancel when the log has changes that
    // were not saved. False when closing is to be called off.
    bool mayClose();

    // Shows events first to first + 19 in the grid.
    void ReState(int first);
    // Review: the clip of the top row. reviewEvent: any event's (its number's button, R on the
    // selected row). The row under review is marked until the review ends.
    void ReviewClip();
    void reviewEvent(int event);
    // Reviews the clips in order; the strip says where and why it ended.
    void RevAll();
    // Review and RevALL are disabled while the cue controls are locked.
    void showCueLock(bool locked);
    // The current time as the source in, or out, of the event the next mark goes to: the first
    // without an out point from the logging position on, so a mark never replaces a logged clip.
    // The out mark moves the position on past it. The grid scrolls to keep it in view; the strip
    // says when the mark went back to an earlier free event, made a clip of no length, or found
    // the log full. On the window's thread: other threads go through the main window.
    void setin();
    void setout();
    void undo();
    void redo();
    // Takes the selected event out (the later ones move up), or puts a free one in before it
    // (they move down); each one step of undo.
    void deleteEvent();
    void insertEvent();

    // The list buttons: the file dialog, then the file. A load reads on a thread of its own and
    // takes effect once read.
    std::string GetFileName(const std::string& title);
    void LoadEDL();
    void SaveEDL();
    // A load is being read.
    bool loading() const { return loadPending; }
    // What came of a load: the line the strip shows, told on the window's thread.
    using LoadDone = std::function<void(const std::string& said)>;
    // "LoadList": the list at path with no dialog and no question, read as the Load button reads
    // it. A log with changes not saved, or whose last save cut it, is never replaced: nothing is
    // loaded and the strip says why and what to do. What came of it goes to the strip, the
    // status field and the log, and to done, once the list is loaded or refused.
    void loadList(const std::string& path, LoadDone done);

    // The rate the events' times are counted at: the loaded list's own (its FCM line or ';' in
    // its times), else the rate in use.
    timecode::Rate eventRate() const;
    // Timecode arithmetic on an event's times, at that rate.
    bool getduration(int index);
    std::string MakeZeroString2(const std::string& start, int frames) const;
    static bool isnumeric(char c);

    // For the window's handlers and for tests.
    const EventList& eventList() const { return book.events(); }
    // Tests set up a list through this: it is no change of the log (no undo step, no autosave).
    EventList& eventList() { return book.eventsForTests(); }
    const LogBook& log() const { return book; }
    bool changed() const { return book.changed(); }
    // A text cell of a display row (not EdNum: the number is a button).
    QLineEdit* field(int row, int column) const { return TFArray[row][column]; }
    QPushButton* numberButton(int row) const { return NumArray[row]; }
    QCheckBox* goodBox(int row) const { return GoodArray[row]; }
    QLabel* heading(int column) const { return Headings[column]; }
    QPushButton* inButton(int row) const { return ButArray[row][0]; }
    QPushButton* outButton(int row) const { return ButArray[row][1]; }
    QPushButton* cueButton(int row) const { return CueArray[row]; }
    QPushButton* topButton(const std::string& label) const;
    QPushButton* undoButton() const { return UndoButton; }
    QPushButton* redoButton() const { return RedoButton; }
    QPushButton* deleteButton() const { return DeleteButton; }
    QPushButton* insertButton() const { return InsertButton; }
    QLineEdit* tapeField() const { return tapefield; }
    QLabel* nextLabel() const { return nextlabel; }
    QLabel* totalsLabel() const { return totalslabel; }
    QLabel* messageLabel() const { return messagelabel; }
    QScrollBar* scrollBar() const { return vsb; }
    int top() const { return vsbval; }
    // The event the next mark goes to, in rows from the top row.
    int loggingOffset() const { return book.nextMark() - vsbval; }
    // The event the selected row shows (a click on any of its cells or its number), the event
    // under review; -1 for none.
    int selectedEvent() const { return selected; }
    int reviewedEvent() const { return reviewing; }
    // The cell open for typing, as {row, column}; {-1, -1} for none. The top row's name, in and
    // out are always open, as they always were.
    std::pair<int, int> openCellAt() const { return {openRow, openColumn}; }

    int startframes = 0;
    int endframes = 0;
    int duration = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The grid (LoggerGrid.cpp).
    void layoutGrid(int top);
    void watchCells();
    void scrolled(int value);
    // Moves the grid so the event shows, without moving the logging position.
    void keepInView(int event);
    // The row that shows the event the next mark goes to, the selected one and the one under
    // review stand out.
    void highlightRows();
    void select(int event);
    // A cell's key or click; true when taken.
    bool cellEvent(int row, int column, QEvent* event);
    void openCell(int row, int column);
    // Stores what is typed in the open cell (or reverts it) and, when it has the focus and
    // handBack, hands the keys back to the log; else the focus stays on the cell, now closed,
    // which takes what is typed next without a key acting.
    void closeCell(bool store, bool handBack = true);
    bool alwaysOpen(int row, int column) const;
    // Whatever is typed but not yet stored (the top row, an open cell, the tape) is stored.
    // handBack: as closeCell's (a scroll the editor did not make keeps the focus where it is).
    void commitTyped(bool handBack = true);
    // Enter or Escape in the tape field: stored or left, and the keys are the log's again.
    bool tapeKey(QEvent* event);
    void storeTyped(int row, int column);
    void storeGood(int row, bool good);
    void storeTape();
    // The keys are the log's again: the focus leaves the text fields.
    void keysToLog();
    // The strip (LoggerStrip.cpp).
    void layoutStrip(int y);
    void showStrip();
    void tell(const std::string& message);
    void tellMark(const LogBook::Mark& mark, bool out);
    // The files (LoggerFiles.cpp).
    // Saves through the file dialog; true when a file was written.
    bool saveThroughDialog();
    // The question before a save in a format that cuts names or leaves out tapes, notes or
    // good takes; true to go on.
    bool mayCut(const CutReport& cut);
    // Reads the list on the loading thread; loaded takes it in once read.
    void loadFrom(const std::string& path, const std::string& name, LoadDone done);
    // Takes a list read in, or says why not (a failure in a message box too, when boxes);
    // returns what the strip says.
    std::string loaded(const std::string& path, const std::string& name, const EdlLoad& load,
                       bool boxes);
    void writeAutosave();
    void removeAutosave();
    // The rest (LoggerGUI.cpp).
    bool keyAction(KeyAction action);
    // An undo, or a redo when forward.
    void step(bool forward);
    // After every change of the log: the grid, the strip and the autosave follow it.
    void changedLog();
    // Starts capturing clips; says why when nothing starts.
    void startCapture(std::vector<CaptureClip> clips);
    // Why a capture did not start, in the strip, the status field and the log; empty: it did.
    void sayWhyNotCaptured(const std::string& why);
    // The time a row button or a mark takes: the main window's time display.
    std::string timeShown() const;
    // A review or RevALL starts; false (and said) when it may not.
    bool mayReview();
    void revAllEnded(const RevAllEnd& end);

    LocalVCR& svcr;
    std::string title;
    bool verbose;
    LogBook book;
    std::string savename;
    ListFormat saveLayout = ListFormat::Standard;
    int LoadOrSave = 1;
    int vsbval = 0;   // the event in the top row
    int openRow = -1; // the cell open for typing (not one of the top row's own), or -1
    int openColumn = -1;
    int selected = -1;         // the event of the selected row, or -1
    int reviewing = -1;        // the event under review, or -1
    bool scrolling = false;    // the grid moves to keep an event in view: the position stays
    bool savedWhole = true;    // the last save held every name, tape, note and good take whole
    std::string autosaveError; // the last autosave failure shown, so it is said once
    ListPlace ownPlace;        // where the dialogs open when the main window keeps none
    ListPlace* listPlace = &ownPlace;
    FileChooser fileChooser;
    CloseAsker closeAsker;
    QuestionAsker questionAsker;
    MessageShower messageShower;
    ListReader listReader;
    std::function<void()> closedHandler;
    std::function<void(const EventList&)> changeHandler;
    KeyboardControl::Handler transportKeys;
    std::thread loader;       // reads a list; joined before the next and by the destructor
    bool loadPending = false; // a list is being read
    EventList eventsAtLoad;   // the log when the list began to be read
    bool recovering = false;  // the question whether to recover an autosaved log is open

    QLabel* Headings[Columns + 1] = {}; // the text columns' names, then the good take's
    QLineEdit* TFArray[NumRows][Columns] = {};
    QPushButton* NumArray[NumRows] = {};
    QCheckBox* GoodArray[NumRows] = {};
    QPushButton* ButArray[NumRows][2] = {};
    QPushButton* CueArray[NumRows] = {};
    QPushButton* LoadButton = nullptr;
    QPushButton* ReviewButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* RevAllButton = nullptr;
    QPushButton* UndoButton = nullptr;
    QPushButton* RedoButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* InsertButton = nullptr;
    QPushButton* CaptureButton = nullptr;
    QPushButton* CaptureAllButton = nullptr;
    QPushButton* CaptureFailedButton = nullptr;
    QLineEdit* tapefield = nullptr;
    QLabel* nextlabel = nullptr;
    QLabel* totalslabel = nullptr;
    QLabel* messagelabel = nullptr;
    QScrollBar* vsb = nullptr;
};
