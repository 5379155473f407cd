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
// replaces the message on show. A client's command ("Client Command: GetTC", which a polling
// client sends every poll) ranks below the conditions: it shows only while none holds. When the
// field is written past this record (a pressed button shows its name at once), a condition on
// show is given again once holdMs have passed. Each condition writes one log line when it
// begins and one when it ends. Not thread-safe: its owner serialises calls, and every call
// takes the time.
class DeckCondition {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int holdMs = 3000;
    static constexpr int silenceMs = 1000;

    static constexpr const char* localText = "Deck in LOCAL: remote control is off";
    static constexpr const char* noTapeText = "No tape";
    static constexpr const char* silentText = "No reply from deck";
    static constexpr const char* clientCommandPrefix = "Client Command: ";

    // What the owner is to do after a call.
    struct Change {
        std::optional<std::string> status; // the field's new text
        std::vector<std::string> log;      // lines for the log, in order
        std::optional<bool> live;          // the time display live (red) or greyed
        bool clearMarks = false;           // the state marks go
    };

    // A message that is not the status words.
    Change message(const std::string& text, Clock::time_point now);
    // The field was written past this record: it is left to that text for holdMs, then shows
    // what this record says.
    Change writtenElsewhere(Clock::time_point now);
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

    // What a client asking for the status is told instead of the last words: the lost link's
    // or the silent deck's text; nothing while the deck answers.
    std::optional<std::string> unanswered() const;

    bool silent() const { return isSilent; }
    bool local() const { return isLocal; }
    bool noTape() const { return isNoTape; }
    const std::string& shown() const { return shownText; }

private:
    std::string current(Clock::time_point now) const;
    bool conditionHolds() const { return isLost || isSilent || isLocal || isNoTape; }
    // Sets the status of the change when the field is to show something else, or, for fresh
    // news from the deck or a new message, whatever it shows (the field may have been written
    // past this record).
    Change settle(Change change, Clock::time_point now, bool fresh = false);
    // A condition began: the message on show gives way.
    void conditionBegins() { heldUntil.reset(); }

    std::string wordsText;
    std::string heldText;
    std::optional<Clock::time_point> heldUntil;
    bool heldBelowConditions = false;                // the held message is a client's command
    std::optional<Clock::time_point> elsewhereUntil; // the field holds a text written past us
    std::string lostText;
    bool isLost = false;
    bool isSilent = false;
    bool isLocal = false;
    bool isNoTape = false;
    std::optional<Clock::time_point> lastTime; // the last time reply, or when watching began
    std::string shownText;
    bool shownKnown = true; // false: the field holds a text written past this record
};
