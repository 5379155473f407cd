// The recorder's whole process group, with a shell script around the test recorder as users wrap
// their recorders: after stop(), or the owner's death, nothing of it runs. Then the look for the
// recorder program before a batch moves the deck.
#include "ProgramLookup.h"
#include "RecorderProcess.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Words = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

using testfiles::Slurp;
using TempFolder = testfiles::Folder;

template <class Done> bool Until(Done done, Clock::duration within) {
    for (const auto end = Clock::now() + within; !done() && Clock::now() < end;)
        std::this_thread::sleep_for(5ms);
    return done();
}

// The processes that have marker among their arguments (an ended one has none).
std::vector<pid_t> WithArgument(const std::string& marker) {
    std::vector<pid_t> pids;
    std::error_code error;
    for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::istringstream words(Slurp(it->path() / "cmdline"));
        for (std::string word; std::getline(words, word, '\0');)
            if (word == marker) pids.push_back(std::stoi(name));
    }
    return pids;
}

// Whatever of a run a failed check left behind, so that it does not run on after the test.
struct EndLeftovers {
    std::string marker;
    ~EndLeftovers() {
        for (pid_t pid : WithArgument(marker)) kill(pid, SIGKILL);
    }
};

// The signal words the test recorder noted in its report.
Words Signals(const std::string& report) {
    std::istringstream lines(Slurp(report));
    Words signals;
    for (std::string word, rest; lines >> word && std::getline(lines, rest);)
        if (word != "started" && word != "arg") signals.push_back(word);
    return signals;
}

// Scripts around the test recorder, which they run as their child (not exec) with their
// arguments, ending with its status plus 40.
const std::string ignoresInt = R"(trap '' INT; "$@"; exit $((40 + $?)))";
const std::string ignoresIntAndTerm = R"(trap '' INT TERM; "$@"; exit $((40 + $?)))";
// Waiting for a child in the background, the shell ends on SIGINT (130) and leaves it running.
const std::string endsOnInt = R"("$@" & wait $!; exit $((40 + $?)))";

Words Wrapped(const std::string& script, const std::string& report, const std::string& marker,
              const Words& options) {
    Words argv = {"sh", "-c", script, "sh", TEST_RECORDER, "--report", report, marker};
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
}

} // namespace

TEST(RecorderProcess, StopReachesEveryProcessOfTheGroupAndGivesTheProgramsOwnStatus) {
    const std::string sigint = "recorder: SIGINT sent";
    const std::string sigterm = "recorder still running after 10 s: SIGTERM sent";
    const std::string sigkill = "recorder still running after 5 s more: SIGKILL sent";
    struct Row {
        std::string script;
        Words options; // the test recorder's
        int status;
        Words log;
        Words signals; // noted by the test recorder
    };
    const std::vector<Row> rows = {
        // The SIGINT reaches the script's child, which ends; the script ends as it says.
        {ignoresInt, {}, 40, {sigint}, {"sigint"}},
        // The script ends on the SIGINT, its child does not: the SIGTERM reaches the child, and
        // the status is still the script's own.
        {endsOnInt, {"--ignore-int"}, 130, {sigint, sigterm}, {"sigint", "sigterm"}},
        // Nothing ends but for SIGKILL, which ends the child too.
        {ignoresIntAndTerm,
         {"--ignore-int", "--ignore-term"},
         137,
         {sigint, sigterm, sigkill},
         {"sigint", "sigterm"}},
    };
    TempFolder tmp;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i));
        const std::string marker =
            "kolb-stop-" + std::to_string(getpid()) + "-" + std::to_string(i);
        const EndLeftovers leftovers{marker};
        const std::string report = tmp.path + "/" + std::to_string(i) + ".report";
        RecorderProcess recorder;
        ASSERT_EQ(recorder.start(Wrapped(row.script, report, marker, row.options),
                                 tmp.path + "/" + std::to_string(i) + ".recorder.txt"),
                  "");
        ASSERT_TRUE(Until([&] { return Slurp(report).find("started") != std::string::npos; }, 20s));
        Words log;
        EXPECT_EQ(recorder.stop([&](const std::string& l) { log.push_back(l); }), row.status);
        EXPECT_EQ(log, row.log);
        EXPECT_EQ(Signals(report), row.signals);
        EXPECT_TRUE(Until([&] { return WithArgument(marker).empty(); }, 10s))
            << "left running after stop()";
    }
}

TEST(RecorderProcess, AKilledOwnerLeavesNothingOfTheGroupRunning) {
    struct Row {
        Words options;  // the test recorder's, under a script that ignores SIGINT
        bool needsKill; // ends only on the SIGKILL after orphanKillAfter
    };
    const std::vector<Row> rows = {{{}, false}, {{"--ignore-int", "--ignore-term"}, true}};
    TempFolder tmp;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i));
        const std::string marker =
            "kolb-owner-" + std::to_string(getpid()) + "-" + std::to_string(i);
        const EndLeftovers leftovers{marker};
        const std::string report = tmp.path + "/" + std::to_string(i) + ".report";
        const Words argv = Wrapped(ignoresInt, report, marker, row.options);
        const std::string output = tmp.path + "/" + std::to_string(i) + ".recorder.txt";
        // The owner: a process of its own that starts the recorder and waits to be killed.
        const pid_t owner = fork();
        if (owner == 0) {
            RecorderProcess recorder;
            if (!recorder.start(argv, output).empty()) _exit(1);
            for (;;) pause();
        }
        ASSERT_GT(owner, 0);
        const bool running =
            Until([&] { return Slurp(report).find("started") != std::string::npos; }, 20s);
        const auto killed = Clock::now();
        kill(owner, SIGKILL);
        int waitStatus = 0;
        ASSERT_EQ(waitpid(owner, &waitStatus, 0), owner);
        ASSERT_TRUE(running);
        const bool gone = Until([&] { return WithArgument(marker).empty(); }, 10s);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - killed);
        std::cout << "row " << i << ": the group " << (gone ? "was gone " : "still ran ")
                  << took.count() << " ms after its owner was killed\n";
        EXPECT_TRUE(gone);
        // SIGINT first, so that a recorder can finish its file.
        EXPECT_EQ(Signals(report), Words{"sigint"});
        if (row.needsKill) {
            EXPECT_GE(took, RecorderProcess::orphanKillAfter);
        }
    }
}

TEST(ProgramProblem, NoneWhenTheStartWouldFindAProgramToRunElseWhatIsWrongAndWhatToDo) {
    TempFolder tmp;
    const std::string a = tmp.path + "/a", b = tmp.path + "/b";
    fs::create_directories(a + "/folder");
    fs::create_directories(b);
    for (const auto& [path, mode] :
         {std::pair{a + "/rec", 0644}, {b + "/rec", 0755}, {a + "/plain", 0644}}) {
        std::ofstream(path) << "#!/bin/sh\n";
        chmod(path.c_str(), static_cast<mode_t>(mode));
    }
    const std::string path = a + ":" + b;
    const std::string fix = ": make it executable (chmod +x) or give another program in "
                            "CaptureCommand";
    struct Row {
        std::string program, problem;
    };
    const std::vector<Row> rows = {
        {"rec", ""}, // a's is passed over, as the start passes it over
        {"plain", "recorder program plain on PATH (" + a + "/plain) is not executable" + fix},
        {a + "/rec", "recorder program " + a + "/rec is not executable" + fix},
        {"folder", "recorder program folder not found on PATH: install it or give its full path "
                   "in CaptureCommand"},
        {a + "/folder", "recorder program " + a +
                            "/folder is a folder, not a program: give the program's own path in "
                            "CaptureCommand"},
        {a + "/none",
         "recorder program " + a + "/none not found: check its path in CaptureCommand"},
        {"", "no recorder program: give one at the start of CaptureCommand"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ProgramProblem(row.program, path.c_str()), row.problem) << row.program;
}
