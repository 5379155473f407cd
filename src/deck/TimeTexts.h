#pragma once

#include <functional>
#include <mutex>
#include <string>

// The three shared time texts: the time display, the in point and the out point. Any thread may
// read or write them. The window listens: each change is passed on so its field follows, and a
// text typed into a field is written here, so the next reader sees what the operator typed.
class TimeTexts {
public:
    enum class Field { Time, In, Out };
    using Listener = std::function<void(Field)>;

    std::string time() const { return get(timeText); }
    std::string in() const { return get(inText); }
    std::string out() const { return get(outText); }
    std::string text(Field f) const { return get(ref(f)); }
    void setTime(const std::string& t) { set(Field::Time, t); }
    void setIn(const std::string& t) { set(Field::In, t); }
    void setOut(const std::string& t) { set(Field::Out, t); }

    // Called after every change (a text set to what it already was is no change), on the thread
    // that made it. An empty listener stops the calls
    // (and waits for one in progress).
    void setListener(Listener l) {
        std::lock_guard lock(listenerMutex);
        listener = std::move(l);
    }

private:
    const std::string& ref(Field f) const {
        return f == Field::Time ? timeText : f == Field::In ? inText : outText;
    }
    std::string& ref(Field f) {
        return f == Field::Time ? timeText : f == Field::In ? inText : outText;
    }
    std::string get(const std::string& field) const {
        std::lock_guard lock(mutex);
        return field;
    }
    void set(Field f, const std::string& value) {
        {
            std::lock_guard lock(mutex);
            // A stopped deck reads the same time again and again: nothing to pass on.
            if (ref(f) == value) return;
            ref(f) = value;
        }
        std::lock_guard lock(listenerMutex);
        if (listener) listener(f);
    }

    // Guards the three texts.
    mutable std::mutex mutex;
    std::string timeText = "00:00:00:00";
    std::string inText = "00:00:00:00";
    std::string outText = "00:00:00:00";
    // Guards listener.
    std::mutex listenerMutex;
    Listener listener;
};
