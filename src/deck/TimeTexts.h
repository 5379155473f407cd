#pragma once

#include <mutex>
#include <string>

// The three shared time texts: the time display, the in point and the out point. Any thread may
// read or write them; the window mirrors them in its fields.
class TimeTexts {
public:
    std::string time() const { return get(timeText); }
    std::string in() const { return get(inText); }
    std::string out() const { return get(outText); }
    void setTime(const std::string& t) { set(timeText, t); }
    void setIn(const std::string& t) { set(inText, t); }
    void setOut(const std::string& t) { set(outText, t); }

private:
    std::string get(const std::string& field) const {
        std::lock_guard lock(mutex);
        return field;
    }
    void set(std::string& field, const std::string& value) {
        std::lock_guard lock(mutex);
        field = value;
    }

    // Guards the three texts.
    mutable std::mutex mutex;
    std::string timeText = "00:00:00:00";
    std::string inText = "00:00:00:00";
    std::string outText = "00:00:00:00";
};
