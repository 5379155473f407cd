// The real kolb program's command line: what it prints, how it ends, the folder it works in.
#include "Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string kolb = KOLB_BINARY;
const std::string usage = "Usage: kolb [OPTION]...\n";
const std::string none = "(none)";     // a file that is not there
const std::string folder = "(folder)"; // a folder that is
constexpr int polls = -1;              // kolb runs on, polling a simulated deck in @/work

// One start of kolb in a folder of its own, "@" in the texts: kolb starts in @/start with HOME
// @/home; with --home-folder it runs as @/prefix/bin/kolb. A text is exact; "..." at its end
// lets anything follow it, at its start anything come before it.
struct Row {
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> files = {};
    int status = 0;
    std::vector<std::string> out = {};
    std::string err = {};
    std::vector<std::pair<std::string, std::string>> after = {};
};

bool matches(const std::string& actual, std::string want) {
    const bool after = want.starts_with("...");
    if (after) want.erase(0, 3);
    const bool before = want.ends_with("...");
    if (before) want.erase(want.size() - 3);
    const auto at = actual.find(want);
    if (after && before) return at != std::string::npos;
    if (before) return at == 0;
    return after ? actual.ends_with(want) : actual == want;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A row's folders and files, its simulated deck and its kolb, started.
struct Started {
    explicit Started(const Row& r) : row(r) {
        for (const char* sub : {"start", "work", "home"}) fs::create_directory(at("@/") + sub);
        for (const auto& [path, text] : row.files) {
            fs::create_directories(fs::path(at(path)).parent_path());
            std::ofstream(at(path), std::ios::binary) << text;
        }
        std::vector<std::string> args;
        for (const auto& arg : row.args) args.push_back(at(arg));
        std::string binary = kolb;
        if (std::count(args.begin(), args.end(), "--home-folder")) {
            binary = at("@/prefix/bin/kolb");
            fs::create_directories(at("@/prefix/bin"));
            std::error_code linked;
            fs::create_hard_link(kolb, binary, linked);
            if (linked) fs::copy_file(kolb, binary);
        }
        if (row.status == polls) {
            deck = std::make_unique<Process>(
                DECKSIM_BINARY, std::vector<std::string>{"--link", "deck", "--trace", "trace.txt"},
                at("@/work"));
            EXPECT_TRUE(deck->waitForOutput("\n", 10000));
        }
        ProcessOptions options;
        options.captureErrors = true;
        options.setEnv = {{"HOME", at("@/home")}};
        // No display: only a row that asks the window system for offscreen gets a window.
        options.unsetEnv = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
        program = std::make_unique<Process>(binary, args, at("@/start"), options);
    }
    std::string at(std::string text) const {
        for (auto i = text.find('@'); i != std::string::npos; i = text.find('@', i))
            text.replace(i, 1, dir.path());
        return text;
    }
    // How many time requests the simulated deck received.
    int timeReads() const {
        const std::string trace = fileText(at("@/work/trace.txt"));
        int reads = 0;
        for (auto i = trace.find(" RX 61 0C 03 70 \n"); i != std::string::npos;
             i = trace.find(" RX 61 0C 03 70 \n", i + 1))
            ++reads;
        return reads;
    }

    const Row& row;
    TempDir dir;
    std::unique_ptr<Process> deck;
    std::unique_ptr<Process> program;
};

std::string noDeck(const std::string& port) {
    return "COMPort=/dev/kolb-no-" + port + "\nVCRType=RS422\n";
}
std::string refused(const std::string& port) {
    return " \nSerial Port /dev/kolb-no-" + port + " not available\nSerial port /dev/kolb-no-" +
           port + " for VCR not available.\n";
}
const std::string sample = "@/prefix/share/kolb/ZEMASettings.txt";

} // namespace

TEST(CommandLine, KolbAnswersWhatItIsAskedAndWorksInTheFolderItIsGiven) {
    const std::pair<std::string, std::string> atStart = {"@/start/ZEMASettings.txt",
                                                         noDeck("start")};
    const auto refusal = [](const std::string& why) {
        return "kolb: " + why + "\n" + usage + "...";
    };
    const std::string home = "@/home/KOLB/ZEMASettings.txt";
    // clang-format off
    const std::vector<Row> rows = {
        // Answered with no display, the settings and the port untouched, no log written.
        {{"--version", "-h"}, {atStart}, 0, {usage + "...", "...\n  --settings FILE ...",
         "...\n  --dir DIR ...", "...\n  --home-folder ...", "...KOLB_Log.txt...",
         "...\nExit status:\n  0 ..."}, "", {{"@/start/KOLB_Log.txt", none}}},
        {{"--version"}, {}, 0, {"kolb " KOLB_VERSION "\n"}, ""},
        // Refused: named on standard error with the usage after it, status 2.
        {{"--help", "-x"}, {}, 2, {""}, refusal("unknown option \"-x\"")},
        {{"--dirs", "@/work"}, {}, 2, {""}, refusal("unknown option \"--dirs\"")},
        {{"--dir"}, {}, 2, {""}, refusal("--dir needs a folder")},
        {{"--settings", "--dir", "@/work"}, {}, 2, {""}, refusal("--settings needs a file")},
        {{"ZEMASettings.txt"}, {atStart}, 2, {""},
         refusal("unexpected argument \"ZEMASettings.txt\": kolb takes no file names")},
        {{"--home-folder", "--dir", "@/work"}, {}, 2, {""},
         refusal("--dir and --home-folder both name the folder to work in: give one"),
         {{"@/home/KOLB", none}}},
        {{"--dir", "@/work/missing"}, {}, 1, {""},
         "kolb: cannot work in the folder \"@/work/missing\": No such file or directory\n"},
        // The folder's settings, not the start folder's; a port that is not there ends kolb
        // as at any start, leaving the old log.
        {{"--dir", "@/work"}, {atStart, {"@/work/ZEMASettings.txt", noDeck("work")},
         {"@/work/KOLB_Log.txt", "old\n"}}, 2, {refused("work")}, "",
         {{"@/work/KOLB_Log.txt", "old\n"}, {"@/start/KOLB_Log.txt", none}}},
        {{"--settings", "own.txt"}, {atStart, {"@/start/own.txt", noDeck("own")}}, 2,
         {refused("own")}, ""},
        // A relative FILE is where kolb started, not in the folder of --dir.
        {{"--dir=@/work", "--settings", "own.txt"}, {{"@/start/own.txt", noDeck("own")},
         {"@/work/own.txt", noDeck("wrong")}}, 2, {refused("own")}, ""},
        {{"--settings", "none.txt"}, {atStart}, 1,
         {"No configuration file found at @/start/none.txt\n"}, ""},
        // The sample is copied in the first time only; without one, the folder is made.
        {{"--home-folder"}, {{sample, noDeck("sample")}}, 2, {"The sample settings file " +
         sample + " is copied to " + home + ": edit it for your deck\n" + refused("sample")},
         "", {{home, noDeck("sample")}, {"@/start/KOLB_Log.txt", none}}},
        {{"--home-folder"}, {{sample, noDeck("sample")}, {home, noDeck("mine")}}, 2,
         {refused("mine")}, "", {{home, noDeck("mine")}}},
        {{"--home-folder"}, {}, 1, {"No sample settings file " + sample + " to copy: put a "
         "ZEMASettings.txt in @/home/KOLB\nNo configuration file found!\n"}, "",
         {{"@/home/KOLB", folder}, {home, none}}},
        // A real deck, polled; the window system's own option still reaches it.
        {{"--dir", "../work", "-platform", "offscreen"},
         {{"@/work/ZEMASettings.txt", "COMPort=deck\nVCRType=RS422\n"}}, polls,
         {"Unable to set DTR\nUnable to set RTS\nSerial Port deck Opened OK\n"}, "...",
         {{"@/work/KOLB_Log.txt", "...\nRS422 Ready\n..."}, {"@/start/KOLB_Log.txt", none}}},
    };
    // clang-format on

    std::vector<std::unique_ptr<Started>> runs; // all at once: the 5 s pauses overlap
    for (const auto& row : rows) runs.push_back(std::make_unique<Started>(row));
    for (const auto& run : runs) {
        Process& p = *run->program;
        SCOPED_TRACE("row " + std::to_string(&run->row - rows.data()) + ": " +
                     ::testing::PrintToString(run->row.args));
        if (run->row.status == polls) {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (run->timeReads() < 3 && p.running() && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_GE(run->timeReads(), 3) << p.output() << p.errors();
            EXPECT_TRUE(p.running());
        } else {
            EXPECT_EQ(p.wait(20000), run->row.status);
        }
        for (const auto& want : run->row.out)
            EXPECT_TRUE(matches(p.output(), run->at(want))) << want << "\nis:\n" << p.output();
        EXPECT_TRUE(matches(p.errors(), run->at(run->row.err))) << run->row.err << "\nis:\n"
                                                                << p.errors();
        for (const auto& [file, want] : run->row.after) {
            const std::string path = run->at(file);
            if (want == none)
                EXPECT_FALSE(fs::exists(path)) << file;
            else if (want == folder)
                EXPECT_TRUE(fs::is_directory(path)) << file;
            else
                EXPECT_TRUE(matches(fileText(path), run->at(want))) << file << ": " << want;
        }
    }
}
