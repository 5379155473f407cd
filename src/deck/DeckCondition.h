#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// What the status field says about the deck, and what the log is told of the deck's condition.
//
// The field shows, first to last: a message (an invalid time, a refused command, a script
// error...) for holdMs after it came; the link being lost; a deck that has not answered a time
// sense for silenceMs; LOCAL; no tape; else the poller's status words. A condition that begins
// replaces the message on show. Each condition writes one log line when it begins and one when
// it ends. Not thread-safe: its owner serialises calls, and every call takes the time.
class DeckCondition {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int holdMs = 3000;
    static constexpr int silenceMs = 1000;

    static constexpr const char* localText = "Deck in LOCAL: remote control is off";
    static constexpr const char* noTapeText = "No tape";
    static constexpr const char* silentText = "No reply from deck";

    // What the owner is to do after a call.
    struct Change {
        std::optional<std::string> status; // the field's new text
        std::vector<std::string> log;      // lines for the log, in order
        std::optional<bool> live;          // the time display live (red) or greyed
        bool clearMarks = false;           // the state marks go
    };

    // A message that is not the status words.
    Change message(const std::string& text, Clock::time_point now);
    // The poller's status words (or its "No VCR Status").
    Change words(const std::string& text, Clock::time_point now);
    // The LOCAL and cassette-out bits of a status reading.
    Change deckState(bool local, bool noTape, Clock::time_point now);
    // A time reply was decoded.
    Change timeDecoded(Clock::time_point now);
    // The deck link lost (with the text the field shows meanwhile) or back.
    Change linkState(bool lost, const std::string& lostText, Clock::time_point now);
    // Silence is measured from now on (the poller starts).
    void watchFrom(Clock::time_point now);
    // After each poll cycle: a silence that has begun, a message whose time is up.
    Change tick(Clock::time_point now);

    bool silent() const { return isSilent; }
    bool local() const { return isLocal; }
    bool noTape() const { return isNoTape; }
    const std::string& shown() const { return shownText; }

private:
    std::string current(Clock::time_point now) const;
    // Sets the status of the change when the field is to show something else, or, for fresh
    // news from the deck or a new message, whatever it shows (the field may have been written
    // past this record).
    Change settle(Change change, Clock::time_point now, bool fresh = false);
    // A condition began: the message on show gives way.
    void conditionBegins() { heldUntil.reset(); }

    std::string wordsText;
    std::string heldText;
    std::optional<Clock::time_point> heldUntil;
    std::string lostText;
    bool isLost = false;
    bool isSilent = false;
    bool isLocal = false;
    bool isNoTape = false;
    std::optional<Clock::time_point> lastTime; // the last time reply, or when watching began
    std::string shownText;
};
