// Saving and loading a full 100-event log: build/default/bench/kolb_edl_bench [directory].
// The files go to a fresh directory under the one given (default /tmp), so the figures are those
// of that file system; a save includes flushing the file to the disk before it replaces the old.
#include "EdlFile.h"
#include "Timecode.h"
#include "Utils.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string directory = "/tmp";

EventList fullLog() {
    EventList events = EventList::initial();
    for (int i = 0; i < EventList::size; ++i) {
        events.ClipNameArray[i] = "Clip" + std::to_string(i);
        events.SrcInArray[i] = timecode::TimeText(i * 300);
        events.SrcOutArray[i] = timecode::TimeText(i * 300 + 150 + i);
    }
    return events;
}

void SaveFullLog(benchmark::State& state, ListFormat layout) {
    const EventList events = fullLog();
    const std::string path = directory + "/bench.edl";
    for (auto _ : state) {
        if (!SaveEDL(path, events, "bench.edl", " KOLB", layout))
            state.SkipWithError("save failed");
    }
}

void LoadFullLog(benchmark::State& state, ListFormat layout) {
    const std::string path = directory + "/load.edl";
    SaveEDL(path, fullLog(), "load.edl", " KOLB", layout);
    Utils::SetLineSink([](const std::string&) {}); // the two blank console lines of each load
    for (auto _ : state) {
        const EdlLoad load = LoadEDL(path, false, timecode::rate30);
        if (load.read.stored != EventList::size) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(load.events);
    }
    Utils::SetLineSink({});
}

void FormatFullLog(benchmark::State& state) {
    const EventList events = fullLog();
    for (auto _ : state) benchmark::DoNotOptimize(FormatEDL(events, "bench.edl", " KOLB"));
}

BENCHMARK_CAPTURE(SaveFullLog, standard, ListFormat::Standard)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveFullLog, cmx3600, ListFormat::Cmx3600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadFullLog, standard, ListFormat::Standard)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadFullLog, cmx3600, ListFormat::Cmx3600)->Unit(benchmark::kMillisecond);
BENCHMARK(FormatFullLog)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::string base = argc > 1 ? argv[1] : "/tmp";
    std::string dir = base + "/kolb-edl-bench-XXXXXX";
    if (::mkdtemp(dir.data()) == nullptr) return 1;
    directory = dir;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
