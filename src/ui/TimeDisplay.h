#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <map>
#include <vector>

// The large time display: red characters on black, read-only. The deck's time changes with
// every read while it moves, so the display is drawn from characters rendered once and kept,
// and only the characters that changed are drawn again: a playing deck costs the window's
// thread little.
class TimeDisplay : public QWidget {
public:
    TimeDisplay(const QString& text, const QFont& font, const QColor& colour, QWidget* parent);

    QString text() const { return shown; }
    // Shows the text; an unchanged text draws nothing.
    void setText(const QString& text);
    // Draws the characters in this colour from now on.
    void setColour(const QColor& c);
    QColor textColour() const { return colour; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const QPixmap& glyph(QChar c);
    // The left edge of each character of a text, and the right edge of the last.
    std::vector<int> edges(const QString& text);

    static constexpr int margin = 4;
    QColor colour;
    QString shown;
    std::map<char16_t, QPixmap> glyphs;
};
