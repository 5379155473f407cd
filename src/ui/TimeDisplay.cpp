#include "TimeDisplay.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

TimeDisplay::TimeDisplay(const QString& text, const QFont& font, const QColor& c, QWidget* parent)
    : QWidget(parent), colour(c), shown(text) {
    setFont(font);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

const QPixmap& TimeDisplay::glyph(QChar c) {
    auto it = glyphs.find(c.unicode());
    if (it != glyphs.end()) return it->second;
    const QFontMetrics fm(font());
    const qreal ratio = devicePixelRatioF();
    QPixmap p(QSize(std::max(1, fm.horizontalAdvance(c)), height()) * ratio);
    p.setDevicePixelRatio(ratio);
    p.fill(Qt::black);
    QPainter painter(&p);
    painter.setFont(font());
    painter.setPen(colour);
    painter.drawText(0, (height() + fm.ascent() - fm.descent()) / 2, QString(c));
    painter.end();
    return glyphs.emplace(c.unicode(), std::move(p)).first->second;
}

std::vector<int> TimeDisplay::edges(const QString& text) {
    std::vector<int> x{margin};
    for (const QChar c : text)
        x.push_back(x.back() + static_cast<int>(glyph(c).deviceIndependentSize().width()));
    return x;
}

void TimeDisplay::setText(const QString& text) {
    if (text == shown) return;
    const std::vector<int> before = edges(shown);
    const std::vector<int> after = edges(text);
    // Redraw from the first character that differs in place or in position to the end of the
    // longer text.
    qsizetype first = 0;
    while (first < shown.size() && first < text.size() && shown[first] == text[first] &&
           before[static_cast<size_t>(first)] == after[static_cast<size_t>(first)])
        ++first;
    qsizetype last = std::max(shown.size(), text.size());
    while (last > first && last <= shown.size() && last <= text.size() &&
           shown[last - 1] == text[last - 1] &&
           before[static_cast<size_t>(last)] == after[static_cast<size_t>(last)])
        --last;
    const int from =
        std::min(before[static_cast<size_t>(first)], after[static_cast<size_t>(first)]);
    const int to = std::max(before[static_cast<size_t>(std::min(last, shown.size()))],
                            after[static_cast<size_t>(std::min(last, text.size()))]);
    shown = text;
    // Drawn now: the change came from a posted update already, so a second trip through the
    // event loop would only add a wake-up.
    repaint(from, 0, to - from, height());
}

void TimeDisplay::setColour(const QColor& c) {
    if (c == colour) return;
    colour = c;
    glyphs.clear(); // rendered in the old colour
    update();
}

void TimeDisplay::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    const std::vector<int> x = edges(shown);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const int left = x[static_cast<size_t>(i)];
        const int right = x[static_cast<size_t>(i) + 1];
        if (right <= event->rect().left() || left > event->rect().right()) continue;
        painter.drawPixmap(left, 0, glyph(shown[i]));
    }
}

void TimeDisplay::resizeEvent(QResizeEvent* event) {
    glyphs.clear(); // rendered for the old height
    QWidget::resizeEvent(event);
}
