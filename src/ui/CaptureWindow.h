#pragma once

#include "CaptureBatch.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

// The capture window: the batch's clips (event, name, in, out, duration, state), a progress bar
// over the batch's frames, the elapsed and remaining time, and Cancel; at the end, how many
// clips were captured. It looks at the batch ten times a second: it never waits for it.
class CaptureWindow : public QWidget {
public:
    CaptureWindow(CaptureBatch& batch, double frameMs, timecode::Rate rate,
                  const std::string& title);

    QTableWidget* table() const { return list; }
    QProgressBar* progressBar() const { return bar; }
    QLabel* timeLabel() const { return times; }
    QLabel* summaryLabel() const { return summary; }
    QPushButton* cancelButton() const { return cancel; }
    // Shows the batch as it stands now (the timer calls this).
    void refresh();

private:
    CaptureBatch& batch;
    const double frameMs;
    const timecode::Rate rate;
    QTableWidget* list = nullptr;
    QProgressBar* bar = nullptr;
    QLabel* times = nullptr;
    QLabel* summary = nullptr;
    QPushButton* cancel = nullptr;
    QTimer* timer = nullptr;
};
