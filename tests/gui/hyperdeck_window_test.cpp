// The HyperDeck protocol front end, with the window running, seen from real clients: the texts
// they read, the frames the simulated deck receives, notifications as the deck changes, crowds
// and noise, an independent client (the npm package hyperdeck-connection) rolling the deck, and a
// control surface connecting through it at each rate.
#include "HyperDeckCommand.h"
#include "HyperDeckReplies.h"
#include "LoggerGUI.h"
#include "NetClient.h"
#include "NinePin.h"
#include "Process.h"
#include "WindowFixture.h"

#include <random>
#include <unistd.h>

namespace {

using namespace windowtest;

// A HyperDeck client: whole replies, a block up to its blank line. A notification that comes
// before the reply to a command is kept for reply() to give next.
class Deck {
public:
    explicit Deck(int port) : client(port) {}
    std::string reply(std::chrono::milliseconds limit = 10s) {
        if (!early.empty()) {
            std::string first = early.front();
            early.erase(early.begin());
            return first;
        }
        return next(limit);
    }
    std::string ask(const std::string& command) {
        client.send(command + "\r\n");
        for (;;) {
            std::string text = next(10s);
            if (text[0] != '5') return text;
            early.push_back(text);
        }
    }
    Client client;

private:
    std::string next(std::chrono::milliseconds limit) {
        std::string text;
        while (const auto line = client.line(limit)) {
            text += *line + "\r\n";
            if (line->empty() || text.find(":\r\n") == std::string::npos) return text;
        }
        return text + "(ended)";
    }
    std::vector<std::string> early;
};

// The id this machine's KOLB gives in device info.
std::string ThisUniqueId() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return hyperdeck::UniqueId(name);
}

// The configuration at a rate: only the timecode's drop-frame follows the deck.
std::string Configuration(bool dropFrame) {
    return std::string("211 configuration:\r\naudio input: embedded\r\nvideo input: SDI\r\n"
                       "file format: none\r\naudio codec: PCM\r\ntimecode input: external\r\n"
                       "timecode output: timeline\r\ntimecode preference: ") +
           (dropFrame ? "dropframe" : "nondropframe") + "\r\ntimecode preset: 00:00:00" +
           (dropFrame ? ";" : ":") +
           "00\r\nrecord trigger: none\r\nappend timestamp: false\r\n"
           "genlock input resync: false\r\n\r\n";
}

DeckSim::Options AtOneHour() {
    DeckSim::Options options;
    options.deck.startFrames = 108000; // 01:00:00:00
    return options;
}

} // namespace

class HyperDeckWindow : public Window {
protected:
    void SetUp() override { startDeck(AtOneHour()); }
    void startDeck(const DeckSim::Options& options) {
        Settings s;
        s.hyperdeck = true;
        s.hyperdeckport = 0;
        s.hyperdeckRecord = true; // a client's record reaches the deck
        start(s, options);
        ASSERT_NE(vcr->hyperDeckPort(), 0);
        ASSERT_TRUE(waitForStatusReads(1)) << "the deck has been read";
    }
    // The field of a "transport info" reply.
    std::string transportField(Deck& deck, const std::string& key) {
        const std::string info = deck.ask("transport info");
        const auto at = info.find("\r\n" + key + ": ");
        if (at == std::string::npos) return "(none in " + info + ")";
        const auto from = at + key.size() + 4;
        return info.substr(from, info.find("\r\n", from) - from);
    }
    // Opens the logger and logs clips {name, in, out} in events 1, 2, ...; the tape typed then
    // hands the log on.
    LoggerGUI* logClips(const std::vector<std::array<std::string, 3>>& events) {
        if (!waitFor([this] { return gui->loggerButton()->isEnabled(); }, 10s)) return nullptr;
        QTest::mouseClick(gui->loggerButton(), Qt::LeftButton);
        LoggerGUI* logger = gui->logger();
        if (logger == nullptr) return nullptr;
        logger->setCloseAsker([] { return LoggerGUI::CloseChoice::Discard; });
        for (size_t i = 0; i < events.size(); ++i) {
            logger->eventList().ClipNameArray[i] = events[i][0];
            logger->eventList().SrcInArray[i] = events[i][1];
            logger->eventList().SrcOutArray[i] = events[i][2];
        }
        logger->tapeField()->setFocus();
        logger->tapeField()->setText("Reel 7");
        QTest::keyClick(logger->tapeField(), Qt::Key_Return);
        return logger;
    }
    // Whether the deck received a frame since the trace was last cleared.
    bool received(const std::string& frame) {
        const auto lines = trace->lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.ends_with(" RX " + frame); });
    }
    std::unique_ptr<Deck> connect() {
        auto deck = std::make_unique<Deck>(vcr->hyperDeckPort());
        EXPECT_EQ(deck->reply(),
                  "500 connection info:\r\nprotocol version: 1.6\r\nmodel: KOLB\r\n\r\n");
        return deck;
    }
    // Waits until no cue run goes on, then for the time display to show `tc`.
    bool restsAt(const std::string& tc) {
        return waitFor(
            [&] {
                const auto run = vcr->cuethread();
                return (!run || run->finished()) && vcr->getTCString() == tc;
            },
            15s);
    }
};

TEST_F(HyperDeckWindow, CommandsAnswerAndReachTheWireByteForByte) {
    const auto begun = Clock::now();
    const std::string ok = "200 ok\r\n", cueDone = "21 13 00 34 ";
    struct Row {
        std::string command, reply;
        Frames frames;
        std::string restsAt = ""; // where the deck stands once a cue is done
    };
    const Row rows[] = {
        {"goto: timecode: +00:00:10:00", ok, {"24 31 00 10 00 01 66 ", cueDone}, "01:00:10:00"},
        {"jog: timecode: -00:00:00:05", ok, {"24 31 25 09 00 01 84 ", cueDone}, "01:00:09:25"},
        {"goto: timecode: 01:00:20:00", ok, {"24 31 00 20 00 01 76 ", cueDone}, "01:00:20:00"},
        {"goto: timecode: -01:00:20:01", "109 out of range\r\n", {}},
        {"goto: timecode: 24:00:00:00", "102 invalid value\r\n", {}},
        {"goto: clip id: 1", "107 timeline empty\r\n", {}},
        {"device info",
         "204 device info:\r\nprotocol version: 1.6\r\nmodel: KOLB\r\nunique id: " +
             ThisUniqueId() + "\r\nslot count: 1\r\n\r\n",
         {}},
        {"transport info",
         "208 transport info:\r\nstatus: stopped\r\nspeed: 0\r\nslot id: 1\r\nclip id: none\r\n"
         "single clip: false\r\ndisplay timecode: 01:00:20:00\r\ntimecode: 01:00:20:00\r\n"
         "video format: NTSC\r\nloop: false\r\n\r\n",
         {}},
        {"slot info: slot id: 1",
         "202 slot info:\r\nslot id: 1\r\nstatus: mounted\r\nvolume name: tape\r\n"
         "recording time: 0\r\nvideo format: NTSC\r\nblocked: false\r\n\r\n",
         {}},
        {"clips count", "214 clips count:\r\nclip count: 0\r\n\r\n", {}},
        {"clips get", "205 clips info:\r\nclip count: 0\r\n\r\n", {}},
        {"slot info: slot id: 2", "109 out of range\r\n", {}},
        {"disk list", "206 disk list:\r\nslot id: 1\r\n\r\n", {}},
        {"remote", "210 remote info:\r\nenabled: true\r\noverride: false\r\n\r\n", {}},
        {"play", ok, {"20 01 21 "}},
        {"play: speed: 200", ok, {"21 13 4A 7E "}},
        {"play: speed: -100 loop: false", ok, {"21 23 40 84 "}},
        {"play: speed: 5000", ok, {"21 13 76 AA "}},
        {"play:\r\nspeed: 50\r\nsingle clip: true\r\n", ok, {"21 13 36 6A "}},
        {"play: speed: 5001", "109 out of range\r\n", {}},
        {"play: speed: fast", "102 invalid value\r\n", {}},
        {"play: foo: 1", "101 unsupported parameter\r\n", {}},
        {"play: speed: 0", ok, {cueDone}},
        {"shuttle: speed: -1", ok, {"21 23 00 44 "}},
        {"shuttle", ok, {cueDone}},
        {"preview: enable: true", ok, {"20 61 81 "}},
        {"preview: enable: false", ok, {"20 60 80 "}},
        {"record", ok, {"20 02 22 "}},
        {"stop", ok, {"20 00 20 "}},
        {"remote: enable: true", ok, {}},
        {"remote: enable: false", "103 unsupported\r\n", {}},
        {"remote: enable: true override: false", ok, {}},
        {"remote: override: true", "103 unsupported\r\n", {}},
        {"notify: configuration: true", ok, {}},
        {"notify",
         "209 notify:\r\ntransport: false\r\nslot: false\r\nremote: false\r\n"
         "configuration: true\r\ndropped frames: false\r\n\r\n",
         {}},
        {"watchdog: period: 3601", "109 out of range\r\n", {}},
        {"configuration", Configuration(false), {}},
        {"configuration: video input: SDI audio input: embedded", ok, {}},
        {"configuration: video input: HDMI", "103 unsupported\r\n", {}},
        {"configuration: record prefix: take", "101 unsupported parameter\r\n", {}},
        {"bogus", "100 syntax error\r\n", {}},
        {"play: speed:", "100 syntax error\r\n", {}},
        {"ping", ok, {}},
    };
    auto deck = connect();
    for (const Row& row : rows) {
        trace->clear();
        EXPECT_EQ(deck->ask(row.command), row.reply) << row.command;
        if (!row.restsAt.empty()) {
            EXPECT_TRUE(restsAt(row.restsAt)) << row.command;
        }
        ASSERT_TRUE(settle());
        EXPECT_EQ(commandsAfter(row.frames.size()), row.frames) << row.command;
    }
    const std::string commands = deck->ask("commands");
    EXPECT_EQ(commands.rfind("212 commands:\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", 0),
              0u);
    EXPECT_NE(commands.find("\r\n    <command name=\"goto\"><parameter name=\"timecode\"/>"
                            "<parameter name=\"clip id\"/>"),
              std::string::npos);
    EXPECT_TRUE(commands.ends_with("</commands>\r\n\r\n"));
    const std::string help = deck->ask("help");
    EXPECT_EQ(help.rfind("201 help:\r\n", 0), 0u);
    // Every command and parameter taken above is listed by both.
    for (const Row& row : rows) {
        const auto taken = ParseHyperDeckLine(row.command);
        if (!taken || row.reply.starts_with("100") || row.reply.starts_with("101") ||
            row.reply.starts_with("103"))
            continue;
        const auto at = commands.find("<command name=\"" + taken->name + "\"");
        ASSERT_NE(at, std::string::npos) << row.command;
        const std::string listed = commands.substr(at, commands.find("\r\n", at) - at);
        EXPECT_NE(help.find("\r\n" + taken->name), std::string::npos) << row.command;
        for (const auto& [key, value] : taken->params)
            EXPECT_NE(listed.find("<parameter name=\"" + key + "\"/>"), std::string::npos)
                << row.command;
    }
    // KOLB has run at least as long as this test, also for a client that has just come.
    const std::string uptime = connect()->ask("uptime");
    ASSERT_EQ(uptime.rfind("215 uptime:\r\nuptime: ", 0), 0u) << uptime;
    EXPECT_GE(std::stol(uptime.substr(21)),
              std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - begun).count());
    EXPECT_EQ(deck->ask("quit"), ok);
    EXPECT_TRUE(deck->client.ended());
}

TEST_F(HyperDeckWindow, NotifiesWhatChangesAsTheDeckChanges) {
    auto deck = connect();
    auto quiet = connect(); // asks for nothing, is told nothing
    EXPECT_EQ(deck->ask("notify:\r\ntransport: true\r\nslot: true\r\nremote: true\r\n"),
              "200 ok\r\n");
    struct Row {
        std::string what;
        std::function<void()> action;
        std::vector<std::string> told;
    };
    const Row rows[] = {
        {"play",
         [&] { EXPECT_EQ(deck->ask("play"), "200 ok\r\n"); },
         {"508 transport info:\r\nstatus: play\r\nspeed: 100\r\n\r\n"}},
        {"the window's stop",
         [&] { press("Stop *"); },
         {"508 transport info:\r\nstatus: stopped\r\nspeed: 0\r\n\r\n"}},
        {"LOCAL",
         [&] { sim->setLocal(true); },
         {"510 remote info:\r\nenabled: false\r\noverride: false\r\n\r\n"}},
        {"play in LOCAL",
         [&] { EXPECT_EQ(deck->ask("play"), "111 remote control disabled\r\n"); },
         {}},
        {"remote again",
         [&] { sim->setLocal(false); },
         {"510 remote info:\r\nenabled: true\r\noverride: false\r\n\r\n"}},
        {"eject",
         [&] { sim->ejectTape(); },
         {"508 transport info:\r\nslot id: none\r\n\r\n",
          "502 slot info:\r\nslot id: 1\r\nstatus: empty\r\nvolume name: none\r\n"
          "recording time: 0\r\nvideo format: NTSC\r\nblocked: false\r\n\r\n"}},
        {"play without tape", [&] { EXPECT_EQ(deck->ask("play"), "105 no disk\r\n"); }, {}},
        {"load",
         [&] { sim->loadTape(); },
         {"508 transport info:\r\nslot id: 1\r\n\r\n",
          "502 slot info:\r\nslot id: 1\r\nstatus: mounted\r\nvolume name: tape\r\n"
          "recording time: 0\r\nvideo format: NTSC\r\nblocked: false\r\n\r\n"}},
        {"record",
         [&] { EXPECT_EQ(deck->ask("record"), "200 ok\r\n"); },
         {"508 transport info:\r\nstatus: record\r\nspeed: 100\r\n\r\n"}},
        {"the window's fast forward",
         [&] { press("Fwd >>"); },
         {"508 transport info:\r\nstatus: forward\r\nspeed: 0\r\n\r\n"}},
        {"the window's rewind",
         [&] { press("<< Rew"); },
         {"508 transport info:\r\nstatus: rewind\r\n\r\n"}},
        {"shuttle back",
         [&] { EXPECT_EQ(deck->ask("shuttle: speed: -200"), "200 ok\r\n"); },
         {"508 transport info:\r\nstatus: shuttle\r\nspeed: -205\r\n\r\n"}},
        {"the window's FastX2",
         [&] { press("FastX2"); },
         {"508 transport info:\r\nspeed: 205\r\n\r\n"}},
        {"the window's Slow/2",
         [&] { press("Slow/2"); },
         {"508 transport info:\r\nstatus: play\r\nspeed: 49\r\n\r\n"}},
        {"stop",
         [&] { EXPECT_EQ(deck->ask("stop"), "200 ok\r\n"); },
         {"508 transport info:\r\nstatus: stopped\r\nspeed: 0\r\n\r\n"}},
        {"E-E",
         [&] { EXPECT_EQ(deck->ask("preview: enable: true"), "200 ok\r\n"); },
         {"508 transport info:\r\nstatus: preview\r\n\r\n"}},
        {"a jog, which ends E-E",
         [&] { vcr->jogf(); },
         {"508 transport info:\r\nstatus: jog\r\nspeed: 3\r\n\r\n"}},
        {"stop after it",
         [&] { EXPECT_EQ(deck->ask("stop"), "200 ok\r\n"); },
         {"508 transport info:\r\nstatus: stopped\r\nspeed: 0\r\n\r\n"}},
        {"E-E again",
         [&] { EXPECT_EQ(deck->ask("preview: enable: true"), "200 ok\r\n"); },
         {"508 transport info:\r\nstatus: preview\r\n\r\n"}},
        {"E-E off",
         [&] { EXPECT_EQ(deck->ask("preview: enable: false"), "200 ok\r\n"); },
         {"508 transport info:\r\nstatus: stopped\r\n\r\n"}},
    };
    for (const Row& row : rows) {
        trace->clear();
        row.action();
        for (const std::string& told : row.told) EXPECT_EQ(deck->reply(), told) << row.what;
        if (row.told.empty()) {
            EXPECT_EQ(commandsAfter(0), Frames{}) << row.what << ": nothing sent";
        }
    }
    EXPECT_EQ(deck->ask("ping"), "200 ok\r\n") << "nothing more was told";
    EXPECT_EQ(quiet->ask("ping"), "200 ok\r\n") << "a client that did not ask is told nothing";
}

TEST_F(HyperDeckWindow, CrowdsCyclesNoiseAndLongLinesLeaveThePollerAndOthersServed) {
    std::vector<std::unique_ptr<Deck>> crowd;
    for (int i = 0; i < 8; ++i) crowd.push_back(connect());
    Deck ninth(vcr->hyperDeckPort());
    EXPECT_EQ(ninth.reply(), "120 connection rejected\r\n");
    EXPECT_TRUE(ninth.client.ended());
    crowd.pop_back(); // a place comes free
    auto late = connect();
    crowd.pop_back(); // and one for the clients to come

    const long cyclesBefore = vcr->poller()->cycles();
    for (int i = 0; i < 100; ++i) {
        Deck passing(vcr->hyperDeckPort());
        EXPECT_EQ(passing.reply().substr(0, 20), "500 connection info:") << "cycle " << i;
        if (i % 2 == 0) {
            EXPECT_EQ(passing.ask("quit"), "200 ok\r\n");
        }
    }
    // A megabyte of noise from a client that reads what it is told, and a line longer than
    // the longest a client may send from another.
    std::mt19937 random(7);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    std::atomic<bool> noisy{true};
    std::thread reader([&] {
        while (noisy && late->client.line(100ms)) {
        }
    });
    late->client.send(noise);
    struct Leaving {
        std::string what, sends, logged; // the log's line on it begins with `logged`
        bool closes = false;             // then the client closes its side normally
    };
    const Leaving leaving[] = {
        {"a line over 4096 bytes", std::string(4097, 'x'),
         "HyperDeck client sent a line longer than 4096 bytes: connection closed"},
        {"a watchdog period without a byte", "watchdog: period: 1\r\n",
         "HyperDeck client sent nothing for its watchdog period of 1 s: connection closed"},
        {"a client that reads nothing of megabytes it asks for",
         [] {
             std::string many;
             for (int i = 0; i < 20000; ++i) many += "commands\r\n";
             return many;
         }(),
         "HyperDeck: Client "},
        {"a client that closes in the middle of a line", "rec",
         "HyperDeck client closed the connection in the middle of a line: the line was not run",
         true},
    };
    for (const Leaving& client : leaving) {
        const size_t mark = consoleLines().size();
        Deck deck(vcr->hyperDeckPort());
        if (client.closes) deck.reply(); // the banner: "rec" comes apart from "ord"
        deck.client.send(client.sends);
        if (client.closes) {
            deck.client.send("ord");
            deck.client.finish();
        }
        EXPECT_TRUE(waitFor(
            [&] {
                for (const auto& line : consoleSince(mark))
                    if (line.rfind(client.logged, 0) == 0) return true;
                return false;
            },
            20s))
            << client.what << ": the log says so";
        // What it was told is read only now, to its end.
        while (deck.client.line(2s)) {
        }
        EXPECT_TRUE(deck.client.ended(1s)) << client.what << " ends that client";
    }
    const auto sent = trace->commandBytes();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "20 02 22 "), 0) << "nothing recorded";
    noisy = false;
    reader.join();
    late->client.send("\r\nping\r\n");
    std::string told;
    while (told != "200 ok\r\n" && told.find("(ended)") == std::string::npos) told = late->reply();
    EXPECT_EQ(told, "200 ok\r\n") << "the noisy client is still answered";

    // A client that is reset with commands still unread has them dropped.
    {
        const size_t mark = consoleLines().size();
        trace->clear();
        Deck gone(vcr->hyperDeckPort());
        gone.reply();
        std::string stops;
        for (int n = 0; n < 50; ++n) stops += "stop\r\n";
        gone.client.send(stops);
        ASSERT_TRUE(trace->waitForCommands(1, 15000));
        gone.client.reset();
        EXPECT_TRUE(waitFor(
            [&] {
                const auto lines = consoleSince(mark);
                return std::find(lines.begin(), lines.end(),
                                 "HyperDeck client gone with commands unread: they were "
                                 "dropped") != lines.end();
            },
            20s));
        EXPECT_LT(trace->commands().size(), 50u) << "nothing more moved the deck for it";
    }

    // Clients sending deck commands as fast as they can are each answered, every command in
    // turn: on the wire the two take turns, neither waits until the other has sent all.
    trace->clear();
    const std::string sends[] = {"stop\r\n", "preview: enable: false\r\n"};
    const std::string frames[] = {"20 00 20 ", "20 60 80 "};
    for (int i = 0; i < 2; ++i) {
        std::string lines;
        for (int n = 0; n < 10; ++n) lines += sends[i];
        crowd[i]->client.send(lines);
    }
    EXPECT_TRUE(trace->waitForCommands(20, 15000));
    for (int i = 0; i < 2; ++i)
        for (int n = 0; n < 10; ++n) EXPECT_EQ(crowd[i]->reply(), "200 ok\r\n");
    const auto wire = trace->commands();
    ASSERT_EQ(wire.size(), 20u);
    for (int i = 0; i < 2; ++i)
        EXPECT_GE(std::count_if(wire.begin(), wire.begin() + 10,
                                [&](const auto& f) { return f.bytes == frames[i]; }),
                  2)
            << "client " << i << " had its turns while the other still had commands";

    EXPECT_EQ(crowd.front()->ask("play"), "200 ok\r\n");
    EXPECT_EQ(commandsAfter(1).back(), "20 01 21 ");
    EXPECT_TRUE(waitFor([&] { return vcr->poller()->cycles() > cyclesBefore + 10; }))
        << "the poller goes on";
    EXPECT_TRUE(waitFor([&] { return vcr->getTCString() != "01:00:00:00"; }))
        << "the deck plays and the display follows";
}

TEST_F(HyperDeckWindow, AnIndependentClientRollsTheDeck) {
    TempDir dir;
    Process node("/usr/bin/env",
                 {"node", HYPERDECK_CLIENT_SCRIPT, std::to_string(vcr->hyperDeckPort())},
                 dir.path(), ProcessOptions{{{"NODE_PATH", HYPERDECK_NODE_PATH}}, {}, {}});
    EXPECT_EQ(node.wait(60000), 0);
    EXPECT_EQ(node.output(), "connected 1.6 KOLB\n"
                             "device KOLB 1\n"
                             "transport stopped 01:00:00:00\n"
                             "told play 100\n"
                             "told stopped 0\n"
                             "goto done\n")
        << "what the client saw";
    EXPECT_EQ(commandsAfter(4),
              (Frames{"20 01 21 ", "20 00 20 ", "24 31 00 20 00 01 76 ", "21 13 00 34 "}));
}

TEST_F(HyperDeckWindow, TheStateChangesWithTheCommandAndAPlayDuringAGotoRollsFromItsPoint) {
    finish();
    DeckSim::Options slow = AtOneHour();
    slow.deck.seekMs = 3000; // every cue winds for 3 s
    startDeck(slow);
    auto deck = connect();
    const std::string ok = "200 ok\r\n";
    // A frame that says nothing of the motion leaves the last one's state in force: E-E straight
    // after a play is still play, not the reading from before the play.
    for (const char* command : {"play", "preview: enable: true"}) ASSERT_EQ(deck->ask(command), ok);
    EXPECT_EQ(transportField(*deck, "status"), "play");
    for (const char* command : {"preview: enable: false", "stop"})
        ASSERT_EQ(deck->ask(command), ok);
    auto listener = connect();
    ASSERT_EQ(listener->ask("notify: transport: true"), ok);
    // The status the listener is told next.
    auto told = [&] {
        for (std::string notice; !(notice = listener->reply()).starts_with("(ended)");) {
            const auto at = notice.find("\r\nstatus: ");
            if (at != std::string::npos)
                return notice.substr(at + 10, notice.find("\r\n", at + 10) - at - 10);
        }
        return std::string("(nothing)");
    };
    // What the listener was told before its own ping's answer: told at the acknowledgement, the
    // state is on its way before the command's "200 ok".
    auto toldAtOnce = [&] {
        listener->client.send("ping\r\n");
        std::string status = "(nothing)";
        for (std::string notice; (notice = listener->reply()) != ok;) {
            if (notice.starts_with("(ended)")) return notice;
            const auto at = notice.find("\r\nstatus: ");
            if (at != std::string::npos)
                status = notice.substr(at + 10, notice.find("\r\n", at + 10) - at - 10);
        }
        return status;
    };
    // Straight after the acknowledgement, whether or not the status has been read since.
    for (const auto& [command, status] : std::vector<std::pair<std::string, std::string>>{
             {"play", "play"},
             {"shuttle: speed: -200", "shuttle"},
             {"stop", "stopped"},
             {"goto: timecode: 01:00:40:00", "forward"},
             {"goto: timecode: 01:00:00:00", "rewind"}}) {
        ASSERT_EQ(deck->ask(command), ok) << command;
        EXPECT_EQ(transportField(*deck, "status"), status) << command;
        EXPECT_EQ(toldAtOnce(), status) << command;
        // Then as the deck's status says it.
        ASSERT_TRUE(waitForStatusReads(1));
        EXPECT_EQ(transportField(*deck, "status"), status) << command << ", read";
    }
    // A play while the goto winds waits for the deck to be cued there; the one that follows it
    // plays at once.
    trace->clear();
    ASSERT_EQ(deck->ask("play"), ok);
    ASSERT_TRUE(waitFor([&] { return sim->snapshot().mode == DeckModel::Mode::Play; }, 30s));
    EXPECT_LT(sim->snapshot().frames, ninepin::FramesOf(1, 0, 2, 0))
        << "the deck played from the goto's point";
    EXPECT_EQ(commandsAfter(2), (Frames{"21 13 00 34 ", "20 01 21 "}))
        << "cued, then played: nothing went out at the play";
    EXPECT_EQ(told(), "stopped") << "the deck got to the goto's point";
    EXPECT_EQ(told(), "play");
    // Any other transport command calls the cue off: the goto's run neither stills nor plays.
    const std::pair<std::string, std::string> others[] = {{"shuttle: speed: 200", "21 13 4A 7E "},
                                                          {"stop", "20 00 20 "},
                                                          {"record", "20 02 22 "},
                                                          {"preview: enable: true", "20 61 81 "}};
    for (const auto& [command, frame] : others) {
        ASSERT_TRUE(waitFor([&] { return vcr->cuethread()->finished(); })) << command;
        ASSERT_EQ(deck->ask("goto: timecode: 01:00:30:00"), ok);
        ASSERT_EQ(deck->ask("play"), ok);
        trace->clear();
        ASSERT_EQ(deck->ask(command), ok);
        ASSERT_TRUE(waitFor([&] { return vcr->cuethread()->finished(); })) << command;
        EXPECT_EQ(commandsAfter(1), Frames{frame}) << command << " alone";
    }

    // A clip play sent while a goto to the clip winds plays that clip from the goto's point, and
    // stops it at its out point.
    ASSERT_NE(logClips({{"Bell", "01:00:30:00", "01:00:31:00"}}), nullptr);
    trace->clear();
    ASSERT_EQ(deck->ask("goto: clip id: 1"), ok);
    ASSERT_EQ(deck->ask("play: single clip: true"), ok);
    EXPECT_EQ(transportField(*deck, "single clip"), "true");
    ASSERT_TRUE(waitFor([&] { return vcr->cuethread()->finished(); }, 30s));
    EXPECT_TRUE(vcr->cuethread()->gotthere()) << "the out point stopped the clip";
    // The Stop goes at the reading of 01:00:30:29; a busy machine reads a frame or two late.
    const int stoppedAt = sim->snapshot().frames;
    EXPECT_GE(stoppedAt, ninepin::FramesOf(1, 0, 30, 29));
    EXPECT_LT(stoppedAt, ninepin::FramesOf(1, 0, 31, 15));
    EXPECT_NE(sim->snapshot().mode, DeckModel::Mode::Play);
    EXPECT_EQ(commandsAfter(5), (Frames{"24 31 00 30 00 01 86 ", "24 31 00 30 00 01 86 ",
                                        "21 13 00 34 ", "20 01 21 ", "20 00 20 "}))
        << "the goto's cue, taken over by the clip's: cued, played, stopped";
}

TEST_F(HyperDeckWindow, TheLoggersClipsAreListedCuedAndPlayedToOneFrameBeforeTheirOut) {
    auto deck = connect();
    const std::string ok = "200 ok\r\n";
    EXPECT_EQ(deck->ask("notify: slot: true"), ok);
    EXPECT_EQ(deck->ask("clips count"), "214 clips count:\r\nclip count: 0\r\n\r\n")
        << "no logger open: no clips";
    // Event 3 has no out: it is no clip, and event 4 is clip 3.
    LoggerGUI* logger = logClips({{"Pier", "01:00:10:00", "01:00:12:00"},
                                  {"Gull", "01:00:20:00", "01:00:22:15"},
                                  {"Tide", "01:00:25:00", "00:00:00:00"},
                                  {"", "01:00:30:00", "01:00:31:00"}});
    ASSERT_NE(logger, nullptr);
    EXPECT_EQ(deck->reply(),
              "502 slot info:\r\nslot id: 1\r\nstatus: mounted\r\nvolume name: "
              "tape\r\nrecording time: 0\r\nvideo format: NTSC\r\nblocked: false\r\n\r\n")
        << "the list changed";
    const std::pair<std::string, std::string> lists[] = {
        {"clips count", "214 clips count:\r\nclip count: 3\r\n\r\n"},
        {"clips get",
         "205 clips info:\r\nclip count: 3\r\n1: Pier 01:00:10:00 00:00:02:00\r\n"
         "2: Gull 01:00:20:00 00:00:02:15\r\n3: Event 004 01:00:30:00 00:00:01:00\r\n\r\n"},
        {"clips get: clip id: 2 count: 1 version: 2",
         "205 clips info:\r\nclip count: 3\r\n"
         "2: 01:00:20:00 00:00:02:15 01:00:20:00 01:00:22:15 Gull\r\n\r\n"},
        {"disk list",
         "206 disk list:\r\nslot id: 1\r\n1: Pier Tape 525i5994 00:00:02:00\r\n"
         "2: Gull Tape 525i5994 00:00:02:15\r\n3: Event 004 Tape 525i5994 00:00:01:00\r\n\r\n"},
    };
    for (const auto& [command, reply] : lists) EXPECT_EQ(deck->ask(command), reply) << command;

    struct Go {
        std::string command, reply, restsAt = "", clipId = "";
    };
    const Go gotos[] = {
        {"goto: clip id: 4", "109 out of range\r\n"},
        {"goto: clip id: two", "102 invalid value\r\n"},
        {"goto: clip id: 3", ok, "01:00:30:00", "3"},
        {"goto: clip: end", ok, "01:00:30:29", "3"},
        {"goto: clip id: -1", ok, "01:00:20:00", "2"},
    };
    for (const Go& go : gotos) {
        trace->clear();
        EXPECT_EQ(deck->ask(go.command), go.reply) << go.command;
        if (go.restsAt.empty()) {
            EXPECT_EQ(commandsAfter(0), Frames{}) << go.command;
            continue;
        }
        ASSERT_TRUE(restsAt(go.restsAt)) << go.command << ": " << vcr->getTCString();
        EXPECT_EQ(transportField(*deck, "clip id"), go.clipId) << go.command;
    }

    // The single clip plays to the reading one frame before its out point, and stops there.
    trace->clear();
    ASSERT_EQ(deck->ask("play: single clip: true"), ok);
    ASSERT_TRUE(waitFor([&] { return sim->snapshot().mode == DeckModel::Mode::Play; }, 30s));
    sim->setFrozen(true);
    EXPECT_EQ(transportField(*deck, "single clip"), "true");
    const auto showAt = [&](const char* shown, int frame) {
        sim->setPosition(ninepin::FramesOf(1, 0, 22, frame));
        return waitFor([&] { return gui->texts().time() == shown || received("20 00 20 "); });
    };
    ASSERT_TRUE(showAt("01:00:22:13", 13)) << gui->texts().time();
    EXPECT_FALSE(received("20 00 20 ")) << "stopped two frames before the out point";
    ASSERT_TRUE(showAt("01:00:22:14", 14)) << gui->texts().time();
    EXPECT_TRUE(waitFor([&] { return received("20 00 20 "); })) << "not stopped at the out point";
    ASSERT_TRUE(restsAt("01:00:22:14"));
    EXPECT_EQ(transportField(*deck, "single clip"), "false");

    // A loop plays the rest of the clip, then again from its in, until a stop.
    sim->setFrozen(false);
    trace->clear();
    ASSERT_EQ(deck->ask("play: loop: true"), ok);
    EXPECT_EQ(transportField(*deck, "loop"), "true");
    ASSERT_TRUE(trace->waitForCommands(5, 30000)) << "the clip was not played again";
    EXPECT_EQ(trace->commandBytes(), (Frames{"20 01 21 ", "20 00 20 ", "24 31 00 20 00 01 76 ",
                                             "21 13 00 34 ", "20 01 21 "}))
        << "played, stopped at the out point, cued back to the in and played again";
    ASSERT_EQ(deck->ask("stop"), ok);
    ASSERT_TRUE(restsAt(vcr->getTCString()));
    EXPECT_EQ(transportField(*deck, "loop"), "false");
    EXPECT_NE(sim->snapshot().mode, DeckModel::Mode::Play);

    // With the logger closed, the deck has no clips again.
    logger->close();
    EXPECT_EQ(deck->reply().substr(0, 16), "502 slot info:\r\n");
    EXPECT_EQ(deck->ask("clips count"), "214 clips count:\r\nclip count: 0\r\n\r\n");
    EXPECT_EQ(deck->ask("goto: clip id: 1"), "107 timeline empty\r\n");
}

TEST_F(HyperDeckWindow, TheStatusIsReadEveryCycleOnlyWhileAClientListensForTransportChanges) {
    auto listener = connect();
    auto other = connect();
    EXPECT_EQ(other->ask("notify: slot: true remote: true"), "200 ok\r\n");
    // Status requests among the next 24 time requests, once the readings since the change have
    // let the server see it.
    auto statusReads = [&] {
        if (!waitForStatusReads(2)) return -1;
        trace->clear();
        if (!waitFor([&] {
                const auto frames = trace->bytes();
                return std::count(frames.begin(), frames.end(), timeRequest) >= 24;
            }))
            return -1;
        int times = 0, statuses = 0;
        for (const std::string& frame : trace->bytes()) {
            if (frame == timeRequest && ++times > 24) break;
            if (frame == statusRequest) ++statuses;
        }
        return statuses;
    };
    struct Row {
        std::string what;
        std::function<void()> change;
        int least, most;
    };
    const Row rows[] = {
        {"no client listens for transport changes", [] {}, 2, 4},
        {"one listens", [&] { EXPECT_EQ(listener->ask("notify: transport: true"), "200 ok\r\n"); },
         23, 25},
        {"it stops listening",
         [&] { EXPECT_EQ(listener->ask("notify: transport: false"), "200 ok\r\n"); }, 2, 4},
        {"it listens again", [&] { listener->ask("notify: transport: true"); }, 23, 25},
        {"it leaves", [&] { listener.reset(); }, 2, 4},
    };
    for (const Row& row : rows) {
        row.change();
        const int reads = statusReads();
        EXPECT_GE(reads, row.least) << row.what;
        EXPECT_LE(reads, row.most) << row.what;
    }
}

// A control surface connecting as the Companion module for HyperDecks does
// (hyperdeck_surface.js) is served at every rate: at the first try, through the library's
// pings. Its Record reaches the deck only when the settings allow it; otherwise it is
// refused, and the log says so.
class HyperDeckSurface : public Window {};

TEST_F(HyperDeckSurface, ConnectsAtTheFirstTryAndStaysAtEveryRate) {
    struct Row {
        const char* rate;
        timecode::Rate standard;
        bool record; // HyperDeckRecord=YES
        std::string format, zero;
    };
    const Row rows[] = {
        {"30", timecode::rate30, false, "NTSC", "00:00:00:00"},
        {"25", timecode::rate25, true, "PAL", "00:00:00:00"},
        {"30DF", timecode::rate30DF, false, "NTSC", "00:00:00;00"},
    };
    const std::string refusal =
        "HyperDeck client's record refused: HyperDeckRecord is not YES in the settings";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rate);
        finish();
        Settings s;
        s.hyperdeck = true;
        s.hyperdeckport = 0;
        s.hyperdeckRecord = row.record;
        s.FrameRate = row.rate;
        s.framerate = row.standard;
        DeckSim::Options options;
        options.deck.rate = {row.standard.fps, row.standard.dropFrame};
        start(s, options);
        ASSERT_TRUE(waitForStatusReads(1));
        const size_t mark = consoleLines().size();
        TempDir dir;
        Process node("/usr/bin/env",
                     {"node", HYPERDECK_SURFACE_SCRIPT, std::to_string(vcr->hyperDeckPort())},
                     dir.path(), ProcessOptions{{{"NODE_PATH", HYPERDECK_NODE_PATH}}, {}, {}});
        EXPECT_EQ(node.wait(60000), 0);
        const std::string seen[] = {"connected 1.6 KOLB",
                                    "device KOLB 1",
                                    "slot 1 mounted tape 0 " + row.format,
                                    "transport stopped " + row.zero + " " + row.format,
                                    "configuration SDI embedded none PCM external " + row.zero,
                                    "remote true false",
                                    "stayed through 2 pings",
                                    row.record ? "record ok" : "record refused: 150 invalid state",
                                    "still connected"};
        std::string expected;
        for (const std::string& line : seen) expected += line + "\n";
        EXPECT_EQ(node.output(), expected);
        ASSERT_TRUE(settle());
        const auto sent = commandsAfter(row.record ? 1 : 0);
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "20 02 22 "), row.record ? 1 : 0);
        const auto said = consoleSince(mark);
        EXPECT_EQ(std::count(said.begin(), said.end(), refusal), row.record ? 0 : 1);
        // What the library leaves out of the configuration follows the rate too.
        Deck raw(vcr->hyperDeckPort());
        raw.reply();
        EXPECT_EQ(raw.ask("configuration"), Configuration(row.standard.dropFrame));
    }
}
