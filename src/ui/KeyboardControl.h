#pragma once

#include <QObject>

#include <functional>

class QLineEdit;
class QWidget;

// What the keys do, in both windows.
enum class KeyAction {
    None,
    PlayOrStop,     // Space
    Pause,          // K
    ShuttleForward, // L
    ShuttleReverse, // J
    JogBack,        // Left arrow
    JogForward,     // Right arrow
    MarkIn,         // I
    MarkOut,        // O
    Save,           // Ctrl+S
    Load,           // Ctrl+O
    Undo,           // Ctrl+Z
    Redo,           // Ctrl+Shift+Z
    Stop,           // Escape
    Review,         // R: the logger's selected row
    DeleteEvent,    // Delete: the logger's selected row
    InsertEvent,    // Insert: a free event at the logger's selected row
};

// The action of a key pressed with these modifiers (Qt::Key and Qt::KeyboardModifiers values):
// the plain keys with nothing held but Shift (or the keypad's own flag), S, O and Z with Ctrl
// alone, Z with Ctrl and Shift. Any other key or combination: None.
KeyAction ActionForKey(int key, int modifiers);

// Watches a window and every control on it for the keys, and hands each key's action to the
// handler, unless the focus is in an editable text field: there every key is the field's. In a
// text field that cannot be edited, a typed character (a letter, a blank) is no shortcut either:
// typed there by mistake, it must not log or move the deck. The arrows, Escape and the Ctrl keys
// act there, unless the window takes them first (the logger's cells take Enter and Escape). A key
// the handler takes goes no further (Space does not press a focused button, an arrow does not move
// a cursor). A held key acts once: its repeats are dropped.
class KeyboardControl : public QObject {
public:
    // Returns true when it acted on the key.
    using Handler = std::function<bool(KeyAction)>;

    // Watches the window and the controls it holds now; lives as long as the window.
    KeyboardControl(QWidget* window, Handler handler);
    // Told when a character that is a key's was typed into a field that cannot be edited.
    void setLetterInField(std::function<void()> told) { letterInField = std::move(told); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The text field the key belongs to: the watched control, or the focused control when the
    // key came up to the window from it; nothing when that is no text field.
    const QLineEdit* textField(QObject* watched) const;

    QWidget* window;
    Handler handler;
    std::function<void()> letterInField;
};
