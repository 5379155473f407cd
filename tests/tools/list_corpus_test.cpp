// Lists as editing systems and conform tools write them, converted with kolb-list, against what
// an independent reader finds in them: name, tape, in and out of every clip, in order.
// tests/data/lists holds lists written in those systems' styles; KOLB_LIST_CORPUS may name a
// folder of more lists (each X.edl, .txt, .ale or .csv beside an X.expected.csv), searched whole.
#include "CsvReader.h"
#include "ListTool.h"
#include "LoggerTesting.h"
#include "Utf8Text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

using Rows = std::vector<std::vector<std::string>>;

Rows csvRows(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string text = bytes.str();
    TextSource source(text);
    Rows rows;
    std::vector<std::string> fields;
    int lines = 0;
    bool cut = false;
    while (ReadCsvRecord(source, fields, lines, cut))
        if (fields.size() > 1) rows.push_back(fields);
    return rows;
}

// One clip as both sides give it.
struct Clip {
    std::string name, tape, in, out;
};

// The independent reader's clips: the expected file's name, tape, in and out columns, its bytes
// read as the list's (a list that is not UTF-8 has a Latin-1 expected file). KOLB's clips have no
// tape where a list says "AX", the reel of no tape, which KOLB's own lists write for one.
std::vector<Clip> expectedClips(const fs::path& path) {
    std::vector<Clip> clips;
    const Rows rows = csvRows(path);
    for (std::size_t i = 1; i < rows.size() && clips.size() < EventList::size; ++i) {
        const auto& r = rows[i];
        const std::string tape = TextFromBytes(r.at(2));
        clips.push_back({TextFromBytes(r.at(1)), tape == "AX" ? "" : tape, r.at(3), r.at(4)});
    }
    return clips;
}

// KOLB's clips: the written CSV's Name, Tape, In and Out columns.
std::vector<Clip> convertedClips(const fs::path& path) {
    std::vector<Clip> clips;
    const Rows rows = csvRows(path);
    for (std::size_t i = 1; i < rows.size(); ++i)
        clips.push_back({rows[i].at(1), rows[i].at(2), rows[i].at(3), rows[i].at(4)});
    return clips;
}

std::string text(const Clip& c) {
    return "\"" + c.name + "\" tape \"" + c.tape + "\" " + c.in + " " + c.out;
}

// The lists beside an expected file in a folder and the folders under it.
std::vector<fs::path> listsIn(const fs::path& folder) {
    std::vector<fs::path> lists;
    if (!fs::is_directory(folder)) return lists;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const fs::path& p = entry.path();
        const std::string ext = p.extension().string();
        if (p.stem().extension() == ".expected") continue;
        if (ext != ".edl" && ext != ".txt" && ext != ".ale" && ext != ".csv") continue;
        fs::path expected = p;
        expected.replace_extension(".expected.csv");
        if (fs::exists(expected)) lists.push_back(p);
    }
    std::sort(lists.begin(), lists.end());
    return lists;
}

TEST(ListCorpus, EachListConvertsToTheClipsAnIndependentReaderFinds) {
    std::vector<fs::path> lists = listsIn(KOLB_LIST_DATA);
    ASSERT_GE(lists.size(), 5u) << "the lists in " << KOLB_LIST_DATA;
    if (const char* more = std::getenv("KOLB_LIST_CORPUS")) {
        const std::vector<fs::path> found = listsIn(more);
        EXPECT_FALSE(found.empty()) << "KOLB_LIST_CORPUS names no lists: " << more;
        lists.insert(lists.end(), found.begin(), found.end());
    }
    TempDir dir;
    int whole = 0;
    for (const fs::path& list : lists) {
        SCOPED_TRACE(list.string());
        fs::path expectedPath = list;
        expectedPath.replace_extension(".expected.csv");
        const std::string out = dir.file(list.stem().string() + ".csv");
        std::ostringstream said, errors;
        const int status = RunListTool({"convert", list.string(), out}, said, errors);
        EXPECT_EQ(status, 0) << errors.str();
        const std::vector<Clip> expected = expectedClips(expectedPath);
        const std::vector<Clip> got = convertedClips(out);
        bool same = got.size() == expected.size();
        EXPECT_EQ(got.size(), expected.size()) << errors.str();
        for (std::size_t i = 0; i < std::min(got.size(), expected.size()); ++i) {
            const bool equal = got[i].name == expected[i].name && got[i].tape == expected[i].tape &&
                               got[i].in == expected[i].in && got[i].out == expected[i].out;
            same = same && equal;
            EXPECT_TRUE(equal) << "clip " << i + 1 << ": KOLB " << text(got[i])
                               << ", the independent reader " << text(expected[i]);
        }
        whole += same ? 1 : 0;
    }
    std::cout << whole << " of " << lists.size()
              << " lists read as the independent reader reads them\n";
}

} // namespace
