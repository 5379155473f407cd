#include "KeyboardControl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

KeyAction ActionForKey(int key, int modifiers) {
    const Qt::KeyboardModifiers held(modifiers);
    const Qt::KeyboardModifiers other = held & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (other == Qt::ControlModifier) {
        if (held & Qt::ShiftModifier) return key == Qt::Key_Z ? KeyAction::Redo : KeyAction::None;
        if (key == Qt::Key_S) return KeyAction::Save;
        if (key == Qt::Key_O) return KeyAction::Load;
        if (key == Qt::Key_Z) return KeyAction::Undo;
        return KeyAction::None;
    }
    if (other != Qt::NoModifier) return KeyAction::None;
    switch (key) {
    case Qt::Key_Space:
        return KeyAction::PlayOrStop;
    case Qt::Key_K:
        return KeyAction::Pause;
    case Qt::Key_L:
        return KeyAction::ShuttleForward;
    case Qt::Key_J:
        return KeyAction::ShuttleReverse;
    case Qt::Key_Left:
        return KeyAction::JogBack;
    case Qt::Key_Right:
        return KeyAction::JogForward;
    case Qt::Key_I:
        return KeyAction::MarkIn;
    case Qt::Key_O:
        return KeyAction::MarkOut;
    case Qt::Key_Escape:
        return KeyAction::Stop;
    case Qt::Key_R:
        return KeyAction::Review;
    case Qt::Key_Delete:
        return KeyAction::DeleteEvent;
    case Qt::Key_Insert:
        return KeyAction::InsertEvent;
    default:
        return KeyAction::None;
    }
}

KeyboardControl::KeyboardControl(QWidget* w, Handler h)
    : QObject(w), window(w), handler(std::move(h)) {
    window->installEventFilter(this);
    for (QWidget* child : window->findChildren<QWidget*>()) child->installEventFilter(this);
}

const QLineEdit* KeyboardControl::textField(QObject* watched) const {
    if (watched != window) return qobject_cast<const QLineEdit*>(watched);
    // A key a field did not take (Escape, say) comes on to its window.
    return qobject_cast<const QLineEdit*>(window->focusWidget());
}

bool KeyboardControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const KeyAction action = ActionForKey(key->key(), static_cast<int>(key->modifiers()));
    if (action == KeyAction::None) return false;
    if (const QLineEdit* field = textField(watched)) {
        if (!field->isReadOnly()) return false;
        // A character typed into a field, a blank too, is meant as text, never as a key.
        const bool typed = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                           !(key->modifiers() & Qt::ControlModifier);
        if (typed) {
            if (letterInField) letterInField();
            return false;
        }
    }
    if (key->isAutoRepeat()) return true;
    return handler(action);
}
