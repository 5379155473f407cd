#pragma once

#include "EdlReader.h"
#include "EventList.h"
#include "ListFormat.h"
#include "Timecode.h"
#include "Utils.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

// A log in a failed check: its tape and each event that holds anything or has a tape.
inline void PrintTo(const EventList& events, std::ostream* os) {
    *os << "{tape \"" << events.tape << "\"";
    for (int i = 0; i < EventList::size; ++i)
        if (events.touched(i) || !events.TapeArray[i].empty())
            *os << "; " << i << ": \"" << events.ClipNameArray[i] << "\" " << events.SrcInArray[i]
                << " " << events.SrcOutArray[i] << " tape \"" << events.TapeArray[i]
                << "\" notes \"" << events.NotesArray[i] << "\""
                << (events.GoodArray[i] ? " good" : "");
    *os << "}";
}

inline void PrintTo(const SkippedLine& skipped, std::ostream* os) {
    *os << "{line " << skipped.line << ": " << skipped.why << "}";
}

// Takes the console lines while it lives, and gives the console back however the test ends.
struct Console {
    Console() {
        Utils::SetLineSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~Console() { Utils::SetLineSink({}); }
    Lines lines;
};

// A folder of the test's own in the temporary folder, removed with all it holds.
struct TempDir {
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "kolb-logger-XXXXXX").string();
        if (::mkdtemp(name.data()) != nullptr) path = name;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
    Lines names() const {
        Lines found;
        for (const auto& entry : std::filesystem::directory_iterator(path))
            found.push_back(entry.path().filename().string());
        return found;
    }
    std::filesystem::path path;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// With KOLB_KEEP_LISTS set to a folder, a copy of a list the tests wrote, named for other tools'
// readers to check: "<what>-<rate>.<edl|ale|csv|txt>" (txt: the logger's own layout).
inline void keepForReaders(const std::string& path, const std::string& what, timecode::Rate rate,
                           ListFormat format) {
    const char* ext = format == ListFormat::Ale       ? "ale"
                      : format == ListFormat::Csv     ? "csv"
                      : format == ListFormat::Cmx3600 ? "edl"
                                                      : "txt";
    const char* folder = std::getenv("KOLB_KEEP_LISTS");
    if (folder == nullptr) return;
    std::string name;
    for (const char c : what) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    name = name.substr(0, 60) + "-" + timecode::RateText(rate) + "." + ext;
    std::error_code ignored;
    std::filesystem::copy_file(path, std::filesystem::path(folder) / name,
                               std::filesystem::copy_options::overwrite_existing, ignored);
}

struct Clip {
    std::string name, in, out;
    std::string tape = {};
};

// The log with its first events replaced by the given clips, tapes too.
inline EventList logOf(const std::vector<Clip>& clips, EventList events = EventList::initial()) {
    for (std::size_t i = 0; i < clips.size(); ++i) {
        events.ClipNameArray[i] = clips[i].name;
        events.SrcInArray[i] = clips[i].in;
        events.SrcOutArray[i] = clips[i].out;
        events.TapeArray[i] = clips[i].tape;
    }
    return events;
}

// A fresh log whose first `timed` events run from n to n + 1 seconds.
inline EventList timedLog(int timed) {
    EventList events = EventList::initial();
    for (int i = 0; i < timed; ++i) {
        events.SrcInArray[i] = timecode::TimeText(30 * (i + 1));
        events.SrcOutArray[i] = timecode::TimeText(30 * (i + 2));
    }
    return events;
}

// The logger's own layout: its header and three events.
inline const std::string head = "TITLE: edl.txt \r\nREM Made by  KOLB \r\nFCM: NON-DROP FRAME \r\n";
inline const std::string L1 =
    "001  Name01    AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00 ";
inline const std::string L2 =
    "002  Name02    AA/V  C        00:00:30:00 00:00:35:00 01:00:10:00 01:00:15:00 ";
inline const std::string L3 =
    "003  Name03    AA/V  C        00:01:00:00 00:01:30:00 01:00:15:00 01:00:45:00 ";
inline const Clip C1{"Name01", "00:00:10:00", "00:00:20:00"};
inline const Clip C2{"Name02", "00:00:30:00", "00:00:35:00"};
inline const Clip C3{"Name03", "00:01:00:00", "00:01:30:00"};

class LoggerFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.path.empty()) << "no temporary folder"; }
    TempDir dir;
    Console console;
};
