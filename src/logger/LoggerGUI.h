#pragma once

#include "EdlWriter.h"
#include "EventList.h"
#include "KeyboardControl.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class LocalVCR;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The logger window: 100 events, 20 shown at a time in a grid that a scroll bar moves. The
// operator fills the times from the deck's time display with the row buttons or types them into
// the top row, hands a clip to the main window, reviews one clip or all of them, and loads and
// saves EDL files. Everything here runs on the window's thread; reviews are posted to the
// operator-action thread with a copy of the events.
class LoggerGUI : public QWidget {
public:
    static constexpr int GUIwidth = 470;
    static constexpr int GUIheight = 525;
    static constexpr int NumRows = 20;
    static constexpr int lastTop = EventList::size - NumRows; // the scroll bar's maximum, 80

    // The file the operator chose in the file dialog, and in which layout to save it.
    struct ChosenFile {
        std::string path; // directory and name
        std::string name; // the bare file name
        EdlLayout layout = EdlLayout::Standard;
    };
    // Shows the file dialog with a title, for loading or for saving; nothing when cancelled.
    using FileChooser =
        std::function<std::optional<ChosenFile>(const std::string& title, bool save)>;
    enum class CloseChoice { Save, Discard, Cancel };
    using CloseAsker = std::function<CloseChoice()>;

    // productName names the window (" Logger" follows); title is written into saved EDLs.
    LoggerGUI(LocalVCR& vcr, const std::string& productName, const std::string& title,
              bool verbose);

    // Tests choose the files and answer the closing question through these.
    void setFileChooser(FileChooser chooser) { fileChooser = std::move(chooser); }
    void setCloseAsker(CloseAsker asker) { closeAsker = std::move(asker); }
    // Called once the window has closed (the main window enables its logger button again).
    void setClosedHandler(std::function<void()> handler) { closedHandler = std::move(handler); }
    // The keys that drive the deck (Space, J, K, L, the arrows, Escape) go to the main window's
    // handler; I, O, Ctrl+S and Ctrl+O are the logger's own.
    void setTransportKeys(KeyboardControl::Handler handler) { transportKeys = std::move(handler); }

    // Shows events first to first + 19 in the grid.
    void ReState(int first);
    void ReviewClip();
    void RevAll();
    // The current time as the source in, or out, of the event at the logging position; the out
    // mark moves the position on to the next event, scrolling the grid to keep it in view.
    // On the window's thread: other threads go through the main window, which outlives this.
    void setin();
    void setout();

    // The EDL buttons: the file dialog, then the file.
    std::string GetFileName(const std::string& title);
    void LoadEDL();
    void SaveEDL();

    // The rate the events' times are counted at: the loaded EDL's own (its FCM line: drop-frame,
    // or the rate in use without drop-frame), else the rate in use.
    timecode::Rate eventRate() const;
    // Timecode arithmetic on an event's times, at that rate.
    bool getduration(int index);
    std::string MakeZeroString2(const std::string& start, int frames) const;
    static bool isnumeric(char c);

    // For the window's handlers and for tests.
    const EventList& eventList() const { return events; }
    EventList& eventList() { return events; }
    // The events differ from what was last loaded or saved (a fresh log counts as saved).
    bool changed() const { return events != savedEvents; }
    QLineEdit* field(int row, int column) const { return TFArray[row][column]; }
    QPushButton* inButton(int row) const { return ButArray[row][0]; }
    QPushButton* outButton(int row) const { return ButArray[row][1]; }
    QPushButton* cueButton(int row) const { return CueArray[row]; }
    QPushButton* topButton(const std::string& label) const;
    QScrollBar* scrollBar() const { return vsb; }
    int top() const { return vsbval; }
    int loggingOffset() const { return offset; }

    int startframes = 0;
    int endframes = 0;
    int duration = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void layoutControls();
    void scrolled(int value);
    // Saves through the file dialog; true when a file was written.
    bool saveThroughDialog();
    void backToFirstEvent();
    bool keyAction(KeyAction action);

    LocalVCR& svcr;
    std::string title;
    bool verbose;
    EventList events = EventList::initial();
    EventList savedEvents = events;
    std::string savename;
    EdlLayout saveLayout = EdlLayout::Standard;
    std::optional<timecode::Rate> listRate; // set by the FCM line of the EDL last loaded
    int LoadOrSave = 1;
    int vsbval = 0; // the event in the top row
    int offset = 0; // the logging position, in rows from the top row
    FileChooser fileChooser;
    CloseAsker closeAsker;
    std::function<void()> closedHandler;
    KeyboardControl::Handler transportKeys;

    QLineEdit* TFArray[NumRows][4] = {};
    QPushButton* ButArray[NumRows][2] = {};
    QPushButton* CueArray[NumRows] = {};
    QPushButton* LoadButton = nullptr;
    QPushButton* ReviewButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* RevAllButton = nullptr;
    QScrollBar* vsb = nullptr;
};
