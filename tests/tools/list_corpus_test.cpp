// Lists as editing systems and conform tools write them, converted with kolb-list, against what
// an independent reader finds in them: name, tape, in and out of every clip, in order.
// tests/data/lists holds lists written in those systems' styles; KOLB_LIST_CORPUS may name a
// folder of more lists (each X.edl, .txt, .ale or .csv beside an X.expected.csv), searched whole.
#include "ExpectedClips.h"
#include "ListTool.h"
#include "LoggerTesting.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// KOLB's clips: the written CSV's Name, Tape, In and Out columns.
std::vector<ListClip> convertedClips(const fs::path& path) {
    std::vector<ListClip> clips;
    const auto rows = CsvRows(path);
    for (std::size_t i = 1; i < rows.size(); ++i)
        clips.push_back({rows[i].at(1), rows[i].at(2), rows[i].at(3), rows[i].at(4)});
    return clips;
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
        if (fs::exists(ExpectedFileOf(p))) lists.push_back(p);
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
    int namedWhereNone = 0;
    for (const fs::path& list : lists) {
        SCOPED_TRACE(list.string());
        const std::string out = dir.file(list.stem().string() + ".csv");
        std::ostringstream said, errors;
        const int status = RunListTool({"convert", list.string(), out}, said, errors);
        // A list with rows meant to be skipped is converted, and says so.
        EXPECT_TRUE(status == 0 ||
                    (status == 1 && errors.str().find(" were skipped and ") != std::string::npos))
            << status << ": " << errors.str();
        const std::vector<ListClip> expected = ExpectedClips(ExpectedFileOf(list));
        const std::vector<ListClip> got = convertedClips(out);
        bool same = got.size() == expected.size();
        EXPECT_EQ(got.size(), expected.size()) << errors.str();
        for (std::size_t i = 0; i < std::min(got.size(), expected.size()); ++i) {
            // Where the independent reader gives no name (a list without name comments, or one
            // it hands none out for), KOLB's clip has its reel or its FROM CLIP NAME: a name.
            ListClip unnamed = got[i];
            if (expected[i].name.empty() && !got[i].name.empty()) {
                unnamed.name.clear();
                ++namedWhereNone;
            }
            const bool equal = unnamed == expected[i];
            same = same && equal;
            EXPECT_TRUE(equal) << "clip " << i + 1 << ": KOLB " << ListClipText(got[i])
                               << ", the independent reader " << ListClipText(expected[i]);
        }
        whole += same ? 1 : 0;
    }
    std::cout << whole << " of " << lists.size()
              << " lists read as the independent reader reads them\n";
}

} // namespace
