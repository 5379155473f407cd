// The real kolb program started the way a careless shell, a second user or a broken desktop
// would start it: closed standard descriptors, a reader that has gone, a port another KOLB held,
// a settings file that is not a file, no display.
#include "Process.h"
#include "Pty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string kolb = KOLB_BINARY;
const std::string decksim = DECKSIM_BINARY;

const std::string timeMode = "41 36 00 77 ";
const std::string timeRead = "61 0C 03 70 ";
const std::string statusRead = "61 20 09 8A ";

constexpr uid_t nobody = 65534;

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// One line of the simulated deck's trace: RX (a frame it received), TX or DROP (bytes that
// made no frame).
struct TraceLine {
    std::string kind;
    std::string bytes;
};

// Whole lines only: the simulator may be writing the last one right now.
std::vector<TraceLine> trace(const TempDir& dir) {
    const std::string text = dir.read("trace.txt");
    std::vector<TraceLine> lines;
    size_t at = 0;
    for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        const auto kindAt = line.find(' ');
        const auto bytesAt = line.find(' ', kindAt + 1);
        if (kindAt == std::string::npos || bytesAt == std::string::npos) continue;
        lines.push_back({line.substr(kindAt + 1, bytesAt - kindAt - 1), line.substr(bytesAt + 1)});
    }
    return lines;
}

std::vector<std::string> framesReceived(const TempDir& dir) {
    std::vector<std::string> frames;
    for (const auto& l : trace(dir))
        if (l.kind == "RX") frames.push_back(l.bytes);
    return frames;
}

std::string joined(const std::vector<TraceLine>& lines) {
    std::string text;
    for (const auto& l : lines) text += l.kind + " " + l.bytes + "\n";
    return text;
}

// What a standard descriptor of a running process refers to.
std::string descriptorTarget(pid_t pid, int fd) {
    char buf[PATH_MAX] = {};
    const std::string link = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    return n < 0 ? "(closed)" : std::string(buf, static_cast<size_t>(n));
}

std::string settingsFor(const std::string& port) {
    return "UserNote=Hostile\nVerbose=NO\nCOMPort=" + port +
           "\nUseClipboard=NO\nStopOnExit=NO\nVCRType=RS422\n";
}

// The log without what the link says of a deck slow to answer: a loaded machine can make any
// reply late, and the lines a test looks at are the others.
std::string withoutLateReplies(const std::string& log) {
    static const std::string timing[] = {
        "Late reply from the deck dropped: it answered an exchange that had given up\n",
        "No reply from deck\n", "Deck replies again\n",
        "Deck reply longer than 16 bytes: only the last part was kept\n"};
    std::string kept;
    for (std::size_t at = 0; at < log.size();) {
        const std::size_t end = std::min(log.find('\n', at), log.size() - 1) + 1;
        const std::string line = log.substr(at, end - at);
        if (std::find(std::begin(timing), std::end(timing), line) == std::end(timing)) kept += line;
        at = end;
    }
    return kept;
}

// The log's opening block for settingsFor(port).
std::string logHead(const std::string& port) {
    return " KOLB\n \nSETTINGS:\n"
           "User Note        = Hostile\n"
           "VCR Type         = RS422\n"
           "VCR COM Port     = " +
           port +
           "\n"
           "Use Clipboard    = NO\n"
           "Stop On Exit     = NO\n"
           "Verbose          = NO\n"
           "\n";
}

std::string openedLines(const std::string& port) {
    return "Unable to set DTR\nUnable to set RTS\nSerial Port " + port + " Opened OK\n";
}

std::string refusedLines(const std::string& port) {
    return " \nSerial Port " + port + " not available\nSerial port " + port +
           " for VCR not available.\n";
}

// A simulated deck behind the symbolic link "deck" in dir, tracing into trace.txt.
std::unique_ptr<Process> startDeck(const TempDir& dir) {
    auto deck = std::make_unique<Process>(
        decksim, std::vector<std::string>{"--link", "deck", "--trace", "trace.txt"}, dir.path());
    EXPECT_TRUE(deck->waitForOutput("\n", 10000));
    return deck;
}

// Options for a start as the unprivileged user nobody, with a home it may write.
ProcessOptions asNobody(const TempDir& home) {
    ProcessOptions o;
    o.uid = nobody;
    o.gid = nobody;
    o.setEnv = {{"HOME", home.path()}};
    o.unsetEnv = {"XDG_RUNTIME_DIR"};
    return o;
}

// Lets nobody read, write and enter the directory.
void openToAll(const TempDir& dir) {
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
}

} // namespace

// Started with one of its standard descriptors closed, KOLB must not hand that number to the
// deck port: the deck gets frames and nothing else, the log gets text and no frames.
struct ClosedDescriptor {
    int fd;
    const char* name;
};

void PrintTo(const ClosedDescriptor& d, std::ostream* os) {
    *os << d.name << " (" << d.fd << ")";
}

class ClosedAtStart : public ::testing::TestWithParam<ClosedDescriptor> {};

TEST_P(ClosedAtStart, IsOpenedOnDevNullAndTheDeckGetsOnlyFrames) {
    const int fd = GetParam().fd;
    TempDir dir;
    const auto deck = startDeck(dir);
    dir.write("ZEMASettings.txt", settingsFor("deck"));
    ProcessOptions options;
    options.closed = {fd};
    // Qt is made to talk on standard error, so a deck port on descriptor 2 would hear it.
    options.setEnv = {{"QT_LOGGING_RULES", "qt.qpa.*=true"}};
    options.captureErrors = true; // and closed again when fd is 2
    Process p(kolb, {}, dir.path(), options);

    waitFor(
        [&] {
            p.errors(); // keeps Qt's talk from filling the pipe
            return framesReceived(dir).size() >= 6 || !p.running();
        },
        15000);
    const auto lines = trace(dir);
    const auto frames = framesReceived(dir);
    ASSERT_GE(frames.size(), 6u) << "ended by signal " << p.endSignal() << "\ntrace:\n"
                                 << joined(lines);
    EXPECT_EQ(frames[0], timeMode);
    EXPECT_EQ(frames[1], timeRead);
    EXPECT_EQ(frames[2], statusRead);
    for (size_t i = 1; i < frames.size(); ++i)
        EXPECT_TRUE(frames[i] == timeRead || frames[i] == statusRead) << i << ": " << frames[i];
    for (const auto& l : lines)
        EXPECT_NE(l.kind, "DROP") << "bytes that were no frame reached the deck: " << l.bytes;

    EXPECT_EQ(withoutLateReplies(dir.read("KOLB_Log.txt")), logHead("deck") + "RS422 Ready\n \n");
    if (fd == 1) {
        EXPECT_EQ(descriptorTarget(p.id(), 1),
                  std::filesystem::canonical(dir.file("KOLB_Log.txt")).string());
    } else {
        EXPECT_EQ(descriptorTarget(p.id(), fd), "/dev/null");
        EXPECT_EQ(p.output(), openedLines("deck"));
    }
    if (fd != 2) {
        EXPECT_NE(p.errors().find("qt.qpa."), std::string::npos) << p.errors();
    }
    EXPECT_TRUE(p.running());
}

INSTANTIATE_TEST_SUITE_P(HostileStart, ClosedAtStart,
                         ::testing::Values(ClosedDescriptor{0, "StandardInput"},
                                           ClosedDescriptor{1, "StandardOutput"},
                                           ClosedDescriptor{2, "StandardError"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HostileStart, AStandardOutputNobodyReadsDoesNotEndKolb) {
    TempDir dir;
    const auto deck = startDeck(dir);
    dir.write("ZEMASettings.txt", settingsFor("deck"));
    ProcessOptions options;
    options.stdoutReaderGone = true;
    Process p(kolb, {}, dir.path(), options);

    // The start-up lines went nowhere; the log and the deck still get theirs.
    waitFor([&] { return framesReceived(dir).size() >= 3 || !p.running(); }, 15000);
    ASSERT_TRUE(p.running()) << "ended by signal " << p.endSignal();
    ASSERT_GE(framesReceived(dir).size(), 3u);
    EXPECT_EQ(withoutLateReplies(dir.read("KOLB_Log.txt")), logHead("deck") + "RS422 Ready\n \n");
}

TEST(PortLock, WhileOneKolbHoldsThePortASecondIsRefusedWithStatusTwo) {
    Pty line;
    TempDir first, second;
    first.write("ZEMASettings.txt", settingsFor(line.slavePath()));
    second.write("ZEMASettings.txt", settingsFor(line.slavePath()));
    Process holder(kolb, {}, first.path());
    ASSERT_TRUE(holder.waitForOutput("Opened OK\n", 10000)) << holder.output();

    Process late(kolb, {}, second.path());
    EXPECT_EQ(late.wait(20000), 2);
    EXPECT_EQ(late.output(), refusedLines(line.slavePath()));
    EXPECT_GE(late.elapsed(), std::chrono::milliseconds(4900));
    EXPECT_FALSE(second.exists("KOLB_Log.txt"));
    EXPECT_TRUE(holder.running());
}

// The port's line stays open on the far side (here: the test holds both ends), so anything a
// KOLB leaves on the terminal outlives it. After each KOLB ends, however it ends, the next start
// by an ordinary user must open the port.
TEST(PortLock, AfterKolbHasEndedAnOrdinaryUserOpensThePortAgain) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to start KOLB as another user";
    Pty line;
    ASSERT_EQ(::chmod(line.slavePath().c_str(), 0666), 0);
    struct Step {
        bool asNobody;
        int endWith; // 0: the last start, left running
    };
    const Step steps[] = {{false, SIGTERM}, {true, SIGKILL}, {true, 0}};
    int n = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE("start " + std::to_string(++n) + (step.asNobody ? " as nobody" : " as root"));
        TempDir dir;
        openToAll(dir);
        dir.write("ZEMASettings.txt", settingsFor(line.slavePath()));
        Process p(kolb, {}, dir.path(), step.asNobody ? asNobody(dir) : ProcessOptions{});
        ASSERT_TRUE(p.waitForOutput("Opened OK\n", 10000)) << p.output();
        EXPECT_EQ(p.output(), openedLines(line.slavePath()));
        ASSERT_TRUE(p.running());
        if (step.endWith == 0) continue;
        p.signal(step.endWith);
        EXPECT_EQ(p.wait(10000), -1);
        EXPECT_EQ(p.endSignal(), step.endWith);
    }
}

// Anything but a regular file of at most 1 MB is a settings file problem: KOLB says so and goes
// on with the initial values, whose port (COM1) is /dev/ttyS0. Run as the user nobody (when the
// test may), KOLB cannot open that device, so each start ends with the port failure and status 2.
TEST(SettingsFile, NotARegularFileOfAtMostOneMegabyteGivesTheInitialValues) {
    const bool root = ::geteuid() == 0;
    struct stat ttyS0 {};
    const bool defaultPortUsable =
        ::stat("/dev/ttyS0", &ttyS0) == 0 &&
        (root ? (ttyS0.st_mode & 0006) == 0006 : ::access("/dev/ttyS0", R_OK | W_OK) == 0);
    if (defaultPortUsable) GTEST_SKIP() << "/dev/ttyS0 would open: the initial port is real here";

    constexpr size_t oneMegabyte = 1048576;
    // A file that names its own port, padded with comment lines to the given size.
    auto padded = [](const std::string& port, size_t size) {
        std::string text = "COMPort=" + port + "\n";
        while (text.size() < size) text += "# " + std::string(77, 'x') + "\n";
        text.resize(size);
        return text;
    };
    struct Case {
        const char* what;
        std::function<void(const TempDir&)> make;
        std::string expected;
    };
    const std::string problem = "Settings File Problem\n" + refusedLines("COM1");
    const std::vector<Case> cases = {
        {"a symbolic link to /dev/zero",
         [](const TempDir& d) {
             ASSERT_EQ(::symlink("/dev/zero", d.file("ZEMASettings.txt").c_str()), 0);
         },
         problem},
        {"a FIFO",
         [](const TempDir& d) {
             ASSERT_EQ(::mkfifo(d.file("ZEMASettings.txt").c_str(), 0666), 0);
             ASSERT_EQ(::chmod(d.file("ZEMASettings.txt").c_str(), 0666), 0);
         },
         problem},
        {"a directory",
         [](const TempDir& d) { ASSERT_EQ(::mkdir(d.file("ZEMASettings.txt").c_str(), 0755), 0); },
         problem},
        {"one byte over 1 MB",
         [&](const TempDir& d) {
             d.write("ZEMASettings.txt", padded("/dev/kolb-read-too-much", oneMegabyte + 1));
         },
         problem},
        {"exactly 1 MB, which is read",
         [&](const TempDir& d) {
             d.write("ZEMASettings.txt", padded("/dev/kolb-one-megabyte", oneMegabyte));
         },
         refusedLines("/dev/kolb-one-megabyte")},
        {"a value of almost 1 MB, which is refused with its key",
         [&](const TempDir& d) {
             d.write("ZEMASettings.txt", "COMPort=" + std::string(oneMegabyte - 9, 'x') + "\n");
         },
         "Settings value too long: COMPort\n" + refusedLines("COM1")},
    };

    // All at once: each start ends only after the program's 5 s pause.
    std::vector<std::unique_ptr<TempDir>> dirs;
    std::vector<std::unique_ptr<Process>> runs;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dirs.push_back(std::make_unique<TempDir>());
        const TempDir& dir = *dirs.back();
        openToAll(dir);
        c.make(dir);
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        ProcessOptions options = root ? asNobody(dir) : ProcessOptions{};
        // Should the initial port open after all, the missing display ends the run.
        options.unsetEnv.insert(options.unsetEnv.end(),
                                {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"});
        runs.push_back(
            std::make_unique<Process>(kolb, std::vector<std::string>{}, dir.path(), options));
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(runs[i]->wait(30000), 2) << "ended by signal " << runs[i]->endSignal();
        EXPECT_EQ(runs[i]->output(), cases[i].expected);
        EXPECT_GE(runs[i]->elapsed(), std::chrono::milliseconds(4900));
    }
}

// Without a display Qt cannot start the window; KOLB says why, in its log and on standard
// error, and ends like any other start-up failure instead of aborting.
TEST(NoDisplay, KolbSaysSoInItsLogAndOnStandardErrorAndEndsWithStatusTwo) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> env;
    };
    const std::vector<Case> cases = {{"no platform named", {}},
                                     {"QT_QPA_PLATFORM=xcb", {{"QT_QPA_PLATFORM", "xcb"}}}};
    std::vector<std::unique_ptr<Pty>> lines;
    std::vector<std::unique_ptr<TempDir>> dirs;
    std::vector<std::unique_ptr<Process>> runs;
    for (const Case& c : cases) {
        lines.push_back(std::make_unique<Pty>());
        dirs.push_back(std::make_unique<TempDir>());
        dirs.back()->write("ZEMASettings.txt", settingsFor(lines.back()->slavePath()));
        ProcessOptions options;
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"};
        if (c.env.empty()) options.unsetEnv.push_back("QT_QPA_PLATFORM");
        options.setEnv = c.env;
        options.captureErrors = true;
        runs.push_back(std::make_unique<Process>(kolb, std::vector<std::string>{},
                                                 dirs.back()->path(), options));
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        Process& p = *runs[i];
        const std::string port = lines[i]->slavePath();
        EXPECT_EQ(p.wait(30000), 2) << "ended by signal " << p.endSignal() << "\n" << p.errors();
        EXPECT_GE(p.elapsed(), std::chrono::milliseconds(4900));
        EXPECT_EQ(p.output(), openedLines(port));
        EXPECT_EQ(dirs[i]->read("KOLB_Log.txt"),
                  logHead(port) + "No display for the KOLB window\n");
        EXPECT_NE(p.errors().find("No display for the KOLB window\n"), std::string::npos)
            << p.errors();
    }
}
