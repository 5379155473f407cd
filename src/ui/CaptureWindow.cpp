#include "CaptureWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {
QString Shown(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

std::string Clock(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}
} // namespace

CaptureWindow::CaptureWindow(CaptureBatch& b, double ms, timecode::Rate r, const std::string& title)
    : batch(b), frameMs(ms), rate(r) {
    setWindowTitle(Shown(title + " Capture"));
    resize(820, 360);
    auto* layout = new QVBoxLayout(this);
    list = new QTableWidget(0, 7, this);
    list->setHorizontalHeaderLabels({"Event", "Name", "In", "Out", "Duration", "Exit", "State"});
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(list);
    bar = new QProgressBar(this);
    layout->addWidget(bar);
    times = new QLabel(this);
    layout->addWidget(times);
    summary = new QLabel(this);
    layout->addWidget(summary);
    cancel = new QPushButton("Cancel", this);
    cancel->setToolTip("Stops the recorder and the deck; the clip's files are kept");
    layout->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, [this] { batch.cancel(); });
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { refresh(); });
    timer->start(100);
    refresh();
}

void CaptureWindow::refresh() {
    const CaptureProgress p = batch.progress();
    const int rows = static_cast<int>(p.clips.size());
    if (list->rowCount() != rows) list->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const ClipProgress& c = p.clips[r];
        char event[8];
        std::snprintf(event, sizeof event, "%03d", c.clip.event);
        const std::string cells[7] = {
            event,  c.clip.name, c.clip.in, c.clip.out, timecode::TimeText(c.clip.frames(), rate),
            c.exit, StateText(c)};
        for (int col = 0; col < 7; ++col) {
            QTableWidgetItem* item = list->item(r, col);
            if (!item) list->setItem(r, col, item = new QTableWidgetItem);
            if (item->text() != Shown(cells[col])) item->setText(Shown(cells[col]));
        }
    }
    bar->setRange(0, static_cast<int>(std::max(1L, p.framesTotal)));
    bar->setValue(static_cast<int>(std::min(p.framesDone, p.framesTotal)));
    const auto end = p.running ? CaptureProgress::Clock::now() : p.finished;
    const double elapsed = p.began == CaptureProgress::Clock::time_point{}
                               ? 0
                               : std::chrono::duration<double>(end - p.began).count();
    times->setText(Shown("Elapsed " + Clock(elapsed) + "   Remaining " +
                         Clock(p.running ? RemainingSeconds(p, frameMs) : 0)));
    summary->setText(p.ended ? Shown(SummaryText(p)) : QString());
    cancel->setEnabled(p.running);
}
