#pragma once

#include <QObject>

class LocalGUI;
class LocalVCR;
class QSocketNotifier;

// A look at a running KOLB without its screen, for the engineer of a machine room (and the
// fault checks): SIGUSR1 writes to the log what the main window shows, as
//   Probe N: time 01:02:03:04 live, status "Stop ", marks 1, polls 2345
// (the time "live" in red or "grey"), then "Probe N: operator actions run" once the
// operator-action thread has come to it. SIGUSR2 closes the main window as the operator's close
// does. The signals are turned into events of the window's thread; nothing else runs in the
// handler.
class WindowProbe : public QObject {
public:
    WindowProbe(LocalGUI& gui, LocalVCR& vcr);
    ~WindowProbe() override;

private:
    void readSignals();
    void report();

    LocalGUI& gui;
    LocalVCR& vcr;
    QSocketNotifier* notifier = nullptr;
    int reports = 0;
};
