#include "KeyboardControl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

KeyAction ActionForKey(int key, int modifiers) {
    const Qt::KeyboardModifiers held(modifiers);
    const Qt::KeyboardModifiers other = held & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (other == Qt::ControlModifier && !(held & Qt::ShiftModifier)) {
        if (key == Qt::Key_S) return KeyAction::Save;
        if (key == Qt::Key_O) return KeyAction::Load;
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
    default:
        return KeyAction::None;
    }
}

KeyboardControl::KeyboardControl(QWidget* w, Handler h)
    : QObject(w), window(w), handler(std::move(h)) {
    window->installEventFilter(this);
    for (QWidget* child : window->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool KeyboardControl::inEditableField(QObject* watched) const {
    auto editable = [](const QObject* o) {
        const auto* field = qobject_cast<const QLineEdit*>(o);
        return field != nullptr && !field->isReadOnly();
    };
    if (watched != window) return editable(watched);
    // A key a field did not take (Escape, say) comes on to its window.
    return editable(window->focusWidget());
}

bool KeyboardControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const KeyAction action = ActionForKey(key->key(), static_cast<int>(key->modifiers()));
    if (action == KeyAction::None || inEditableField(watched)) return false;
    if (key->isAutoRepeat()) return true;
    return handler(action);
}
