#pragma once

#include "DeckPanel.h"
#include "KeepAwake.h"
#include "KeyboardControl.h"
#include "ListPlace.h"
#include "Settings.h"
#include "ShuttleLadder.h"
#include "TimeDisplay.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CaptureWindow;
class LocalVCR;
class LoggerGUI;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The main control window: time display, transport buttons, in and out points, shuttle bar,
// logger button, "Keep On Top" and the status line, placed on a fixed grid. Display operations
// may be called from any thread; widgets are only touched on the window's own thread.
class LocalGUI : public QWidget, public DeckPanel {
public:
    static constexpr int dx = 60;
    static constexpr int dy = 24;

    LocalGUI(LocalVCR& vcr, const Settings& settings, int width, int fontheight);
    ~LocalGUI() override;

    void ShowTC(const std::string& text) override;
    void showTimeLive(bool live) override;
    void ShowStatus(const std::string& text) override;
    void ShowStat(const std::string& text) { ShowStatus(text); }
    void showMarks(const std::vector<Mark>& marks) override;
    // On the window's thread: erase every mark, and add the mark above one control.
    void clearbuttons();
    void hilight(Mark mark);
    void showWindow() override;
    void enableLogger(bool on) override;
    void openLogger() override;
    void logMark(bool out) override;
    // The newest logger window, open or closed since; nothing before the first.
    LoggerGUI* logger() const { return loggergui.get(); }
    // Called with each new logger window before it shows (tests answer its dialogs so).
    void setLoggerSetup(std::function<void(LoggerGUI&)> setup) { loggerSetup = std::move(setup); }
    void setClipboard(const std::string& text) override;
    void lockCueControls(bool locked) override;
    TimeTexts& texts() override { return timeTexts; }
    std::optional<EventList> loggedEvents() override;
    std::optional<EventList> openLogEvents() override;
    void showCapture() override;
    void loadList(const std::string& path, std::function<void(const std::string&)> done) override;
    // The capture window, once a capture has been started; nothing before.
    CaptureWindow* captureWindow() const { return capturewindow.get(); }

    // The controls, for the window's own handlers and for tests.
    QPushButton* button(const std::string& label) const;
    QScrollBar* shuttleBar() const { return vsb; }
    TimeDisplay* timeField() const { return tcfield; }
    QLineEdit* inField() const { return cuefield; }
    QLineEdit* outField() const { return endfield; }
    QLineEdit* statusField() const { return statusfield; }
    QCheckBox* keepOnTop() const { return ontop; }
    QPushButton* loggerButton() const { return blogger; }
    QLabel* titleLabel() const { return vanto ? vantolabel : vcrlabel; }
    // The red 2-pixel state marks now shown.
    std::vector<QRect> marks() const;
    bool keepAwakeRunning() const { return keep != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    template <class F> void onGui(F f);
    // Runs apply on the window's thread: at once there, else posted unless a post is already
    // waiting (that one will show the newest value).
    template <class F> void refresh(std::atomic<bool>& pending, F apply);
    void applyText(TimeTexts::Field field);
    void applyStatus();
    void applyMarks();
    QPushButton* addButton(const char* label, const char* command, int x, int y, int w = dx);
    void layoutControls(int width, int fontheight, const Settings& settings);
    void pressed(const std::string& command);
    // Shows a press in the status field at once, past the deck's condition, which comes back
    // once a message's time is over, whether the press sends a frame or not.
    void showPressed(const std::string& text);
    // While a capture runs, nothing but the marks moves on: says "Capture running", true.
    bool refusedForCapture();
    // A key's action (in this window, or passed on by the logger): the button it stands for,
    // or a step of the shuttle ladder. False for a key this window does not use.
    bool keyAction(KeyAction action);
    void shuttleKey(int direction);
    // Space: play when the last transport command the deck acknowledged left it standing (or a
    // status read since says it stands), else stop.
    void playOrStop();
    void showShuttle(int rung);
    void setToolTips();
    void ONTOP(bool checked);
    QWidget* markedControl(Mark mark) const;

    LocalVCR& svcr;
    bool vanto;
    int windowWidth;
    TimeTexts timeTexts;

    QLabel* vcrlabel = nullptr;
    QLabel* vantolabel = nullptr;
    TimeDisplay* tcfield = nullptr;
    QLineEdit* cuefield = nullptr;
    QLineEdit* endfield = nullptr;
    QLineEdit* statusfield = nullptr;
    QLabel* statuslabel = nullptr;
    QCheckBox* ontop = nullptr;
    QScrollBar* vsb = nullptr;
    QPushButton* blogger = nullptr;
    std::map<std::string, QPushButton*> buttons; // by label
    std::vector<QRect> markRects;                // touched on the window's thread only

    // The newest status text and marks that other threads asked for; guards both.
    std::mutex latestMutex;
    std::string latestStatus;
    std::vector<Mark> latestMarks;
    std::atomic<bool> statusPending{false};
    std::atomic<bool> marksPending{false};
    std::atomic<bool> timeLive{true};
    std::atomic<bool> livePending{false};
    std::atomic<bool> textPending[3] = {false, false, false};
    std::unique_ptr<KeepAwake> keep;
    std::unique_ptr<LoggerGUI> loggergui;         // touched on the window's thread only
    std::unique_ptr<CaptureWindow> capturewindow; // touched on the window's thread only
    // The newest logger's events as last changed, for any thread; guards logged and openLog.
    std::mutex loggedMutex;
    std::optional<EventList> logged;
    std::optional<EventList> openLog; // the open logger's; nothing while none is open
    std::function<void(LoggerGUI&)> loggerSetup;
    ListPlace listPlace;  // where the loggers' file dialogs open; touched on the window's thread
    ShuttleLadder ladder; // touched on the operator-action thread only
};
