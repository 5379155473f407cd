#pragma once

#include "CommandTarget.h"
#include "HyperDeckCommand.h"
#include "HyperDeckPacer.h"
#include "HyperDeckReplies.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The moment KOLB started, and the clock "uptime" reads against it.
struct HyperDeckUptime {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point ProgramStart();
    Clock::time_point start = ProgramStart();
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
};

// One HyperDeck client's commands, carried out on the deck: the reply to each, and what the
// client asked to be told of. No sockets: the connection's handler feeds it.
class HyperDeckSession {
public:
    using Say = std::function<void(const std::string&)>;
    // Its deck commands take turns with the other clients' at the pacer, when there is one;
    // `say` gets the lines for the log and the status field.
    explicit HyperDeckSession(CommandTarget& deck, HyperDeckPacer* pacer = nullptr, Say say = {},
                              HyperDeckUptime uptime = {})
        : deck(deck), pacer(pacer), say(std::move(say)), clock(std::move(uptime)) {}

    // Carries the command out and returns the whole reply.
    std::string handle(const HyperDeckCommand& command);

    // The client said "quit": the connection ends after the reply.
    bool quitting() const { return quit; }
    // The watchdog period the client set, in seconds; 0 for none (a client that gives no
    // period, or 0 or less, has none).
    int watchdogSeconds() const { return watchdog; }
    static constexpr int maxWatchdogSeconds = 3600;

    // What the client is told of as it changes (any thread may read them).
    std::atomic<bool> notifyTransport{false};
    std::atomic<bool> notifySlot{false};
    std::atomic<bool> notifyRemote{false};
    // Taken and reported, never sent: nothing of them changes on a tape deck.
    bool notifyConfiguration = false;
    bool notifyDroppedFrames = false;

private:
    using Handler = std::string (HyperDeckSession::*)(const HyperDeckCommand&);
    struct Entry {
        const char* name;
        Handler handler;
        const char* params; // the parameters it takes, each followed by a comma
    };
    // What handle() takes, which "help" and "commands" list ("?" is help's short form).
    static const Entry table[];
    static std::vector<hyperdeck::Taken> taken();

    std::string play(const HyperDeckCommand& c);
    std::string stop(const HyperDeckCommand& c);
    std::string record(const HyperDeckCommand& c);
    std::string go(const HyperDeckCommand& c);
    std::string shuttle(const HyperDeckCommand& c);
    std::string preview(const HyperDeckCommand& c);
    std::string remote(const HyperDeckCommand& c);
    std::string notify(const HyperDeckCommand& c);
    std::string watch(const HyperDeckCommand& c);
    std::string configuration(const HyperDeckCommand& c);
    std::string uptime(const HyperDeckCommand& c);
    std::string transportInfo(const HyperDeckCommand& c);
    std::string slotInfo(const HyperDeckCommand& c);
    std::string slotSelect(const HyperDeckCommand& c);
    std::string deviceInfo(const HyperDeckCommand& c);
    std::string help(const HyperDeckCommand& c);
    std::string commands(const HyperDeckCommand& c);
    std::string ok(const HyperDeckCommand& c);
    std::string bye(const HyperDeckCommand& c);
    std::string clipsCount(const HyperDeckCommand& c);
    std::string clipsGet(const HyperDeckCommand& c);
    std::string diskList(const HyperDeckCommand& c);

    // Why the deck may not be moved now (a capture runs, LOCAL, no tape for one that needs
    // it), as the reply; empty when it may.
    std::string refusal(bool needsTape);
    // The turn of a command that goes to the deck.
    std::optional<HyperDeckPacer::Turn> paced();
    // Shuttles at a percentage of play speed; 0 is a still picture.
    void shuttleAt(int percent);
    // A cue to the timecode parameter: absolute, or "+"/"-" a duration from where the deck is.
    std::string cueTo(const std::string& text);

    CommandTarget& deck;
    HyperDeckPacer* pacer;
    Say say;
    HyperDeckUptime clock;
    bool quit = false;
    int watchdog = 0;
};
