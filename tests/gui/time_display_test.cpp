// The time display draws only the characters that changed: what it shows after any run of
// changes must be exactly what a display drawn afresh shows.
#include "TimeDisplay.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

QFont displayFont() {
    QFont f("Helvetica");
    f.setPixelSize(18);
    return f;
}

// The pixels the window system holds for the display, not a fresh rendering of it.
QImage onScreen(QWidget& window, const QWidget& display) {
    const QImage all = window.screen()->grabWindow(window.winId()).toImage();
    return all.copy(display.geometry()).convertToFormat(QImage::Format_RGB32);
}

QImage drawnAfresh(const QString& text) {
    QWidget window;
    TimeDisplay fresh(text, displayFont(), QColor(250, 80, 80), &window);
    fresh.setGeometry(0, 0, 120, 24);
    return fresh.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(TimeDisplay, AfterEveryChangeItShowsWhatAFreshDisplayWouldShow) {
    QWidget window;
    window.resize(130, 30);
    TimeDisplay display("00:00:00:00", displayFont(), QColor(250, 80, 80), &window);
    display.setGeometry(0, 0, 120, 24);
    window.show();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!window.isVisible() && std::chrono::steady_clock::now() < end)
        QApplication::processEvents();
    QApplication::processEvents();

    // Frame, second, minute and hour carries, a shorter and a longer text, and the same text.
    for (const QString text :
         {"00:00:00:01", "00:00:01:00", "00:01:00:00", "01:00:00:00", "23:59:59:29", "23:59:59:29",
          "1:2", "11:22:33:44", "", "00:00:00:00"}) {
        display.setText(text);
        QApplication::processEvents();
        EXPECT_EQ(display.text(), text);
        EXPECT_EQ(onScreen(window, display), drawnAfresh(text)) << text.toStdString();
    }
}
