// End-to-end figures of the deck controller against the simulated deck over a pseudo-terminal:
// the poll cycle achieved against the ideal one, the time from a transport call to its frame
// at the deck while the poller runs, the CPU time of idle polling, and the CPU time of the whole
// kolb program (window offscreen) while the deck plays.
#include "DeckSim.h"
#include "LocalVCR.h"
#include "NullPanel.h"
#include "Utils.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void pollCycleAndLatency(int seconds, int calls) {
    DeckSim sim({});
    // Guards arrivals.
    std::mutex arrivalsMutex;
    std::vector<clock_type::time_point> arrivals;
    sim.setTraceCallback([&](const std::string& line) {
        if (line.find(" RX 20 ") == std::string::npos) return;
        std::lock_guard lock(arrivalsMutex);
        arrivals.push_back(clock_type::now());
    });
    SerOutPort link(sim.path());
    link.setwait(9);
    Settings settings;
    LocalVCR vcr(link, 2001, false, settings, headless());
    vcr.waitIdle();

    const long c0 = vcr.poller()->cycles();
    const auto t0 = clock_type::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long cycles = vcr.poller()->cycles() - c0;
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
    const double achieved = elapsedMs / static_cast<double>(cycles);
    const double ideal = 35.0 + 9.0 + 9.0 / 8.0;
    std::printf("poll cycle: achieved %.2f ms, ideal %.2f ms, ratio %.3f (goal >= 0.98)\n",
                achieved, ideal, ideal / achieved);

    std::mt19937 rng(7);
    std::uniform_int_distribution<int> gap(5, 40);
    std::vector<clock_type::time_point> called;
    for (int i = 0; i < calls; ++i) {
        called.push_back(clock_type::now());
        (i % 2 == 0) ? vcr.play() : vcr.stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(gap(rng)));
    }
    std::this_thread::sleep_for(100ms);
    std::vector<double> latency;
    {
        std::lock_guard lock(arrivalsMutex);
        for (size_t i = 0; i < called.size() && i < arrivals.size(); ++i)
            latency.push_back(
                std::chrono::duration<double, std::milli>(arrivals[i] - called[i]).count());
    }
    std::sort(latency.begin(), latency.end());
    const auto pct = [&](double p) {
        return latency[static_cast<size_t>(p * (latency.size() - 1))];
    };
    // One exchange: the reply wait plus a frame and its reply on the wire (11 bits a byte).
    const double exchange = 9.0 + (4 + 7) * 11.0 / 38400.0 * 1000.0;
    std::printf("transport call to frame at the deck (%zu calls): p50 %.2f ms, p99 %.2f ms, "
                "p99 / (one exchange %.2f ms + 2 ms) = %.3f (goal <= 1)\n",
                latency.size(), pct(0.5), pct(0.99), exchange, pct(0.99) / (exchange + 2.0));
}

// Starts a program in `dir` (the current one if empty) with its standard output on `out` and
// its standard error on `err`; -1 keeps the bench's own.
pid_t start(const std::vector<std::string>& args, const std::string& dir, int out, int err) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (out >= 0) dup2(out, STDOUT_FILENO);
        if (err >= 0) dup2(err, STDERR_FILENO);
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Starts the simulated deck; `line` gets the path it prints on its first line (empty if it
// did not start).
pid_t startDeck(const std::vector<std::string>& args, const std::string& dir, std::string& line) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return -1;
    const pid_t pid = start(args, dir, out[1], -1);
    close(out[1]);
    char c = 0;
    line.clear();
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    return pid;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    for (int i = 0; i < timeoutMs / 20; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// utime + stime of a process from /proc, in clock ticks; -1 once it has gone.
long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), {});
    const auto name = stat.rfind(')'); // the command name may hold blanks and parentheses
    if (name == std::string::npos) return -1;
    // From field 3 (state) on; utime and stime are fields 14 and 15.
    std::istringstream fields(stat.substr(name + 1));
    std::string skip;
    for (int i = 3; i <= 13; ++i) fields >> skip;
    long utime = -1, stime = -1;
    fields >> utime >> stime;
    return fields ? utime + stime : -1;
}

// Time on the CPU of every thread of a process, in nanoseconds, from the scheduler's own
// accounting (first field of each task's schedstat); -1 when it cannot be read. Finer than the
// clock ticks of /proc/<pid>/stat; a thread that ends between two readings is not counted.
long long cpuNanos(pid_t pid) {
    std::error_code ec;
    long long total = 0;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
        std::ifstream in(task.path() / "schedstat");
        long long onCpu = -1;
        if (!(in >> onCpu)) return -1;
        total += onCpu;
    }
    return ec ? -1 : total;
}

// The deck's answers to CURRENT TIME SENSE (74 04 ...) in its trace file, in order; a line
// still being written is left out.
std::vector<std::string> timeReplies(const std::string& traceFile) {
    std::ifstream in(traceFile);
    std::vector<std::string> replies;
    for (std::string line; std::getline(in, line) && !in.eof();)
        if (const auto at = line.find(" TX 74 04 "); at != std::string::npos)
            replies.push_back(line.substr(at + 4));
    return replies;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Sends PLAY (20 01) on the line and waits for the ACK (10 01 11).
bool play(const std::string& line) {
    const int fd = open(line.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const unsigned char frame[] = {0x20, 0x01, 0x21};
    unsigned char reply[3] = {};
    size_t got = 0;
    if (write(fd, frame, sizeof frame) == sizeof frame) {
        pollfd p{fd, POLLIN, 0};
        while (got < sizeof reply && poll(&p, 1, 1000) == 1) {
            const ssize_t n = read(fd, reply + got, sizeof reply - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
    }
    close(fd);
    return got == sizeof reply && reply[0] == 0x10 && reply[1] == 0x01 && reply[2] == 0x11;
}

void idleCpu(const char* decksim, int seconds) {
    // The deck runs as its own program so that only the controller's CPU time is counted.
    std::string path;
    const pid_t pid = startDeck({decksim}, "", path);
    {
        SerOutPort link(path);
        link.setwait(9);
        Settings settings;
        LocalVCR vcr(link, 2001, false, settings, headless());
        vcr.waitIdle();
        std::this_thread::sleep_for(500ms);
        const double cpu0 = cpuSeconds();
        const auto t0 = clock_type::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double wall = std::chrono::duration<double>(clock_type::now() - t0).count();
        const double perSecond = (cpuSeconds() - cpu0) / wall * 1000.0;
        std::printf("idle polling CPU: %.2f ms per second, ratio to goal %.3f (goal <= 5 ms/s)\n",
                    perSecond, perSecond / 5.0);
    }
    stop(pid);
}

// The real kolb program, window offscreen, against the real simulator program in a directory of
// their own, with the deck playing so that every time read changes the display.
void wholeProgramCpu(const char* decksim, const char* kolb, int seconds) {
    char dirName[] = "/tmp/kolb_bench.XXXXXX";
    if (mkdtemp(dirName) == nullptr) return;
    const std::string dir = dirName;
    const std::string traceFile = dir + "/trace.txt";
    std::string line;
    const pid_t deck = startDeck({decksim, "--link", "deck", "--trace", "trace.txt"}, dir, line);
    pid_t program = -1;
    const char* failure = nullptr;
    // The simulator has no option to start in play, and kolb sends no transport command at
    // start-up and then holds the line exclusively: so PLAY goes to the deck before kolb starts.
    if (line.empty())
        failure = "the simulator did not start";
    else if (!play(dir + "/deck"))
        failure = "the deck did not acknowledge PLAY";
    if (failure == nullptr) {
        std::ofstream(dir + "/ZEMASettings.txt") << "COMPort=deck\nVCRType=RS422\n";
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        program = start({kolb}, dir, null, null);
        close(null);
        const bool polling = waitFor(
            [&] {
                return readFile(dir + "/KOLB_Log.txt").find("RS422 Ready") != std::string::npos &&
                       timeReplies(traceFile).size() >= 10;
            },
            10000);
        if (!polling) failure = "kolb did not start polling";
    }
    if (failure == nullptr) {
        std::this_thread::sleep_for(500ms); // start-up work is not counted
        const size_t before = timeReplies(traceFile).size();
        const long ticks0 = cpuTicks(program);
        const long long nanos0 = cpuNanos(program);
        const auto t0 = clock_type::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const long ticks1 = cpuTicks(program);
        const long long nanos1 = cpuNanos(program);
        const double wall = std::chrono::duration<double>(clock_type::now() - t0).count();
        const std::vector<std::string> replies = timeReplies(traceFile);
        size_t changed = 0;
        for (size_t i = before; i < replies.size(); ++i)
            if (i == 0 || replies[i] != replies[i - 1]) ++changed;
        const double tick = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
        if (ticks0 < 0 || ticks1 < 0) {
            failure = "kolb ended during the measurement";
        } else {
            if (nanos0 >= 0 && nanos1 >= nanos0)
                std::printf("whole program CPU (window offscreen, deck playing): %.2f ms per "
                            "second, from the scheduler's accounting (goal <= 5 ms/s)\n",
                            static_cast<double>(nanos1 - nanos0) / 1e6 / wall);
            std::printf("whole program CPU (window offscreen, deck playing): %.2f ms per second "
                        "in clock ticks (goal <= 5 ms/s)\n",
                        static_cast<double>(ticks1 - ticks0) * tick / wall);
            std::printf("  over %.2f s: %zu time reads answered by the deck, %zu of them a new "
                        "time; one clock tick is %.0f ms, so the figure is within %.2f ms/s\n",
                        wall, replies.size() - before, changed, tick, tick / wall);
        }
    }
    if (failure != nullptr)
        std::printf("whole program CPU (window offscreen, deck playing): not measured, %s\n",
                    failure);
    stop(program);
    stop(deck);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    Utils::SetLineSink([](const std::string&) {});
    pollCycleAndLatency(seconds, 200);
    idleCpu(DECKSIM_BINARY, seconds);
    wholeProgramCpu(DECKSIM_BINARY, KOLB_BINARY, seconds);
    return 0;
}
