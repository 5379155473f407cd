// End-to-end figures of the clip review against the simulated deck over a pseudo-terminal, with
// the disk recorder's settings: where the deck stands when the review's Stop reaches it, against
// the out point, and how long that Stop follows the time reply that first read the out point
// (out - 1 or later). Both come from the simulator's trace of the line.
#include "BusyLoops.h"
#include "DeckSim.h"
#include "LocalVCR.h"
#include "NullPanel.h"
#include "ReplyDecoding.h"
#include "Utils.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

namespace {

constexpr int fps = 30;
constexpr int seekMs = 100;
constexpr int replyDelayMs = 1;
constexpr int replyWaitMs = 9; // what the program sets for a 9-pin deck
constexpr int pollMs = 20;     // the poller's interval for the disk recorder

const std::vector<std::uint8_t> playFrame{0x20, 0x01, 0x21};
const std::vector<std::uint8_t> stopFrame{0x20, 0x00, 0x20};

std::string clockText(int frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", frames / (3600 * fps),
                  frames / (60 * fps) % 60, frames / fps % 60, frames % fps);
    return text;
}

// One trace line as the simulator hands it over, stamped on arrival: the line's own stamp is
// whole milliseconds, too coarse for a latency of a few.
struct TraceLine {
    double ms;
    long long stamp; // the line's own, in whole milliseconds since the simulator started
    bool rx;         // a frame the deck received; otherwise bytes it sent (or a dropped frame)
    std::vector<std::uint8_t> bytes;
};

std::optional<TraceLine> parse(const std::string& line, double ms) {
    std::istringstream in(line);
    long long stamp = 0;
    std::string direction;
    if (!(in >> stamp >> direction) || (direction != "RX" && direction != "TX")) return {};
    TraceLine parsed{ms, stamp, direction == "RX", {}};
    for (std::string pair; in >> pair;)
        parsed.bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    return parsed;
}

// Collects the simulator's trace. The simulator calls in on its own thread while it holds its
// trace lock (and, for a TX line, its line lock): only this collector's own lock is taken here.
class TraceLog {
public:
    explicit TraceLog(DeckSim& sim) : sim(sim), origin(clock_type::now()) {
        sim.setTraceCallback([this](const std::string& line) {
            const double ms =
                std::chrono::duration<double, std::milli>(clock_type::now() - origin).count();
            std::lock_guard lock(mutex);
            raw.emplace_back(ms, line);
        });
    }
    ~TraceLog() { sim.setTraceCallback({}); }
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    void clear() {
        std::lock_guard lock(mutex);
        raw.clear();
    }
    std::vector<TraceLine> lines() {
        std::vector<std::pair<double, std::string>> copy;
        {
            std::lock_guard lock(mutex);
            copy = raw;
        }
        std::vector<TraceLine> out;
        for (const auto& [ms, line] : copy)
            if (auto parsed = parse(line, ms)) out.push_back(std::move(*parsed));
        return out;
    }

private:
    DeckSim& sim;
    const clock_type::time_point origin;
    // Guards raw.
    std::mutex mutex;
    std::vector<std::pair<double, std::string>> raw;
};

struct Clip {
    int in;
    int out;
    int from; // where the deck stands before the review
};

struct Review {
    Clip clip{};
    bool ended = false;   // the run finished within its time
    bool stopped = false; // the review's Stop reached the deck and the deck stands in Stop
    int stopFrames = 0;   // the deck's frame count at its Stop
    std::optional<int> reachedReading; // the reading of the reply that reached the point
    std::optional<double> latencyMs;   // that reply on the line to the Stop at the deck
    std::optional<double> stampedMs;   // the same from the lines' own stamps
    double seconds = 0;                // the whole review, from the call to the run's end
};

// Short clips spread over the tape, some crossing a second, minute or hour boundary, the deck
// starting before or after the clip.
std::vector<Clip> clips(int count) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> length(5, 45);
    std::uniform_int_distribution<int> anywhere(fps, 2 * 3600 * fps + 50 * 60 * fps);
    std::uniform_int_distribution<int> hour(0, 1);
    std::uniform_int_distribution<int> minute(0, 59);
    std::uniform_int_distribution<int> away(-3000, 3000);
    std::vector<Clip> out;
    for (int i = 0; i < count; ++i) {
        const int frames = length(rng);
        int in;
        switch (i % 4) {
        case 1: // across a minute
            in = hour(rng) * 3600 * fps + (minute(rng) + 1) * 60 * fps - frames / 2;
            break;
        case 2: // across an hour
            in = (hour(rng) + 1) * 3600 * fps - frames / 2;
            break;
        default:
            in = anywhere(rng);
        }
        out.push_back({in, in + frames, std::max(0, in + away(rng))});
    }
    return out;
}

Review review(LocalVCR& vcr, DeckSim& sim, TraceLog& trace, const Clip& clip) {
    Review r;
    r.clip = clip;
    sim.setPosition(clip.from);
    vcr.panel().texts().setIn(clockText(clip.in));
    vcr.panel().texts().setOut(clockText(clip.out));
    const auto before = vcr.cuethread();
    trace.clear();
    const auto t0 = clock_type::now();
    vcr.reviewclip();
    const auto run = vcr.cuethread();
    if (!run || run == before) return r;
    while (!run->finished() && clock_type::now() - t0 < 15s) std::this_thread::sleep_for(2ms);
    r.seconds = std::chrono::duration<double>(clock_type::now() - t0).count();
    r.ended = run->finished();
    if (!r.ended) return r;

    // The deck stops where the Stop finds it and nothing moves it afterwards.
    const DeckModel::Snapshot deck = sim.snapshot();
    r.stopFrames = deck.frames;

    // The review's Stop is the first one after its Play (the review begins with a Stop too).
    const std::vector<TraceLine> lines = trace.lines();
    auto at = std::find_if(lines.begin(), lines.end(),
                           [](const TraceLine& l) { return l.rx && l.bytes == playFrame; });
    std::optional<TraceLine> reached;
    for (; at != lines.end(); ++at) {
        if (at->rx && at->bytes == stopFrame) {
            r.stopped = deck.mode == DeckModel::Mode::Stop;
            if (reached) {
                r.latencyMs = at->ms - reached->ms;
                r.stampedMs = static_cast<double>(at->stamp - reached->stamp);
            }
            break;
        }
        if (at->rx || reached) continue;
        const auto time = DecodeTimeReply(at->bytes, static_cast<int>(at->bytes.size()));
        if (time && time->frames >= clip.out - 1) {
            reached = *at;
            r.reachedReading = time->frames;
        }
    }
    return r;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    // Nearest rank: the smallest value with at least p of all at or below it.
    const double rank = std::ceil(p * static_cast<double>(values.size()));
    const auto at = static_cast<size_t>(std::clamp(rank, 1.0, static_cast<double>(values.size())));
    return values[at - 1];
}

void printHistogram(const char* title, const std::map<int, int>& counts) {
    std::printf("%s:", title);
    for (const auto& [offset, n] : counts) std::printf("  %+d: %d", offset, n);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    // Busy loops beside the program, as a loaded machine has them (`yes >/dev/null`).
    const int busy = argc > 2 ? std::clamp(std::atoi(argv[2]), 0, 16) : 0;
    const BusyLoops loops(busy);
    Utils::SetLineSink([](const std::string&) {});

    std::printf("Clip review end to end: the deck controller with the disk recorder's settings "
                "against the simulated deck\n"
                "over a pseudo-terminal (%d fps, play speed x1.0, seek %d ms, reply after %d ms, "
                "reply wait %d ms, poll every %d ms).\n"
                "Measured over %d reviews of clips of 5 to 45 frames:\n"
                "  stop position: the deck's frame count when the review's Stop (20 00 20) "
                "reached it, against the out point;\n"
                "  reaction: from the time reply that first read out - 1 or later (TX 74 04 ...) "
                "to that Stop at the deck (RX),\n"
                "  both from the simulator's trace.\n"
                "Busy loops beside it: %d.\n"
                "Goal: the deck stops within one frame of the out point in 99%% of reviews.\n\n",
                fps, seekMs, replyDelayMs, replyWaitMs, pollMs, count, busy);
    std::fflush(stdout);

    DeckSim::Options options;
    options.deck.seekMs = seekMs;
    options.deck.speedFactor = 1.0; // a faster clock moves the deck several frames between polls
    options.replyDelayMs = replyDelayMs;
    DeckSim sim(options);
    TraceLog trace(sim);
    SerOutPort link(sim.path());
    link.setwait(replyWaitMs);
    Settings settings;
    settings.vanto = true;
    settings.VCRType = "VANTO";
    LocalVCR vcr(link, 2001, false, settings, headless());
    vcr.waitIdle();
    for (int i = 0; i < 500 && vcr.poller() == nullptr; ++i) std::this_thread::sleep_for(10ms);
    if (vcr.poller() == nullptr) {
        std::printf("the poller did not start: nothing measured\n");
        return 1;
    }

    std::vector<Review> reviews;
    for (const Clip& clip : clips(count)) reviews.push_back(review(vcr, sim, trace, clip));

    int ended = 0, stopped = 0, within = 0;
    std::map<int, int> offsets, readings;
    std::vector<double> latencies, stamped, seconds;
    const Review* earliest = nullptr;
    const Review* latest = nullptr;
    for (const Review& r : reviews) {
        if (r.ended) {
            ++ended;
            seconds.push_back(r.seconds);
        }
        if (!r.stopped) continue;
        ++stopped;
        const int offset = r.stopFrames - r.clip.out;
        ++offsets[offset];
        if (std::abs(offset) <= 1) ++within;
        if (!earliest || offset < earliest->stopFrames - earliest->clip.out) earliest = &r;
        if (!latest || offset > latest->stopFrames - latest->clip.out) latest = &r;
        if (r.reachedReading) ++readings[*r.reachedReading - r.clip.out];
        if (r.latencyMs) latencies.push_back(*r.latencyMs);
        if (r.stampedMs) stamped.push_back(*r.stampedMs);
    }

    const double share = 100.0 * within / static_cast<double>(reviews.size());
    std::printf("reviews: %zu run, %d ended, %d stopped the deck with their Stop", reviews.size(),
                ended, stopped);
    if (!seconds.empty())
        std::printf(" (each took %.2f s median, %.2f s at most)", percentile(seconds, 0.5),
                    percentile(seconds, 1.0));
    std::printf("\n");
    std::printf("within one frame of the out point: %d of %zu, %.1f%% (goal >= 99%%: %s)\n", within,
                reviews.size(), share, share >= 99.0 ? "met" : "NOT met");
    if (earliest && latest) {
        const auto describe = [](const Review& r) {
            const int offset = r.stopFrames - r.clip.out;
            if (offset == 0)
                std::printf("at the out point");
            else
                std::printf("%d frame%s %s", std::abs(offset), std::abs(offset) == 1 ? "" : "s",
                            offset < 0 ? "early" : "late");
            std::printf(" (in %s, out %s, stopped at %s)\n", clockText(r.clip.in).c_str(),
                        clockText(r.clip.out).c_str(), clockText(r.stopFrames).c_str());
        };
        std::printf("worst case early: ");
        describe(*earliest);
        std::printf("worst case late:  ");
        describe(*latest);
    }
    printHistogram("stop position - out point (frames: reviews)", offsets);
    printHistogram("reading that reached the point - out point (frames: reviews)", readings);
    if (!latencies.empty())
        std::printf("reaching time reply to Stop at the deck (%zu reviews): median %.2f ms, "
                    "p99 %.2f ms, max %.2f ms\n",
                    latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99),
                    percentile(latencies, 1.0));
    if (!stamped.empty())
        std::printf("  the same from the trace lines' own whole-millisecond stamps: median %.0f "
                    "ms, p99 %.0f ms, max %.0f ms\n",
                    percentile(stamped, 0.5), percentile(stamped, 0.99), percentile(stamped, 1.0));
    if (latencies.empty())
        std::printf("reaching time reply to Stop at the deck: no review had both in its trace\n");

    for (const Review& r : reviews) {
        if (r.stopped && std::abs(r.stopFrames - r.clip.out) <= 1) continue;
        std::printf("  outside: in %s out %s from %s: %s", clockText(r.clip.in).c_str(),
                    clockText(r.clip.out).c_str(), clockText(r.clip.from).c_str(),
                    !r.ended     ? "the review did not end within 15 s"
                    : !r.stopped ? "no Stop after Play, or the deck not in Stop"
                                 : "");
        if (r.stopped)
            std::printf("stopped at %s (%+d)", clockText(r.stopFrames).c_str(),
                        r.stopFrames - r.clip.out);
        if (r.latencyMs) std::printf(", %.2f ms after the reaching reply", *r.latencyMs);
        std::printf("\n");
    }
    return ended == 0 ? 1 : 0;
}
