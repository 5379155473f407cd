#include "Utils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {
// Lines go to `lines` while a test runs; the sink is detached however the test ends.
class LineRepeat : public testing::Test {
protected:
    void SetUp() override {
        Utils::SetLineSink([this](const std::string& line) { lines.push_back(line); });
    }
    void TearDown() override { Utils::SetLineSink(nullptr); }
    std::vector<std::string> lines;
};

using Lines = std::vector<std::string>;

// n times the lines, then the rest.
Lines times(int n, const Lines& lines, const Lines& rest = {}) {
    Lines out;
    for (int i = 0; i < n; ++i) out.insert(out.end(), lines.begin(), lines.end());
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

TEST_F(LineRepeat, RepeatsAreCountedAndBlankLinesAlwaysWritten) {
    struct Case {
        const char* name;
        std::vector<std::string> sent; // "<flush>" calls FlushRepeats
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {"distinct lines", {"a", "b", "a"}, {"a", "b", "a"}},
        {"repeat ended by another line", {"a", "a", "a", "b"}, {"a", "(repeated 2 times)", "b"}},
        {"one repeat still says times", {"a", "a", "b"}, {"a", "(repeated 1 times)", "b"}},
        {"repeat ended by flush", {"a", "a", "<flush>"}, {"a", "(repeated 1 times)"}},
        {"flush forgets the line",
         {"a", "<flush>", "a", "a", "<flush>"},
         {"a", "a", "(repeated 1 times)"}},
        {"flush with nothing repeating", {"a", "<flush>", "<flush>"}, {"a"}},
        {"blank lines", {"", "", "  ", "  "}, {"", "", "  ", "  "}},
        {"blank line ends a repeat", {"a", "a", "", "a"}, {"a", "(repeated 1 times)", "", "a"}},
        {"leading blanks are not blank", {" a", " a"}, {" a"}},
        // Two faults taking turns: each text is written 30 times a minute, the rest counted.
        {"lines taking turns", times(30, {"a", "b"}, {"a", "a", "b", "c", "<flush>"}),
         times(30, {"a", "b"},
               {"c", "(2 more \"a\" not written: more than 30 a minute)",
                "(1 more \"b\" not written: more than 30 a minute)"})},
        {"repeats are not held back",
         times(40, {"a"}, times(30, {"b", "c"}, {"a", "a", "<flush>"})),
         times(1, {"a", "(repeated 39 times)"},
               times(30, {"b", "c"}, {"a", "(repeated 1 times)"}))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Utils::SetLineSink([this](const std::string& line) { lines.push_back(line); });
        lines.clear();
        for (const std::string& s : c.sent)
            if (s == "<flush>")
                Utils::FlushRepeats();
            else
                Utils::OutLine(s);
        EXPECT_EQ(lines, c.written);
    }
}

TEST_F(LineRepeat, SettingTheSinkStartsTheRepeatCountAfresh) {
    Utils::OutLine("a");
    Utils::OutLine("a");
    std::vector<std::string> other;
    Utils::SetLineSink([&other](const std::string& line) { other.push_back(line); });
    Utils::OutLine("a");
    Utils::FlushRepeats();
    Utils::SetLineSink(nullptr);
    EXPECT_EQ(lines, std::vector<std::string>{"a"});
    EXPECT_EQ(other, std::vector<std::string>{"a"});
}

// Each thread alternates the same two texts, so a text often follows itself across threads:
// every line must arrive whole, and what was written plus what was counted is what was sent.
TEST_F(LineRepeat, LinesFromThreadsArriveWholeAndNoneIsLost) {
    constexpr int threads = 4, perThread = 500;
    const std::string texts[2] = {"first " + std::string(200, 'x'),
                                  "second " + std::string(200, 'y')};
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    Utils::SetLineSink([&](const std::string& line) {
        if (inside.fetch_add(1) != 0) overlapped = true;
        lines.push_back(line);
        inside.fetch_sub(1);
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t)
        writers.emplace_back([&texts, t] {
            for (int i = 0; i < perThread; ++i) Utils::OutLine(texts[(i + t) % 2]);
        });
    for (auto& w : writers) w.join();
    Utils::FlushRepeats();

    EXPECT_FALSE(overlapped);
    long sent[2] = {0, 0};
    int last = -1;
    for (const std::string& line : lines) {
        if (line == texts[0] || line == texts[1]) {
            last = line == texts[0] ? 0 : 1;
            ++sent[last];
            continue;
        }
        long n = 0;
        char which = 0;
        if (std::sscanf(line.c_str(), "(%ld more \"%c", &n, &which) == 2) {
            const int text = which == 'f' ? 0 : 1;
            ASSERT_EQ(line, "(" + std::to_string(n) + " more \"" + texts[text] +
                                "\" not written: more than 30 a minute)");
            sent[text] += n;
            last = -1;
            continue;
        }
        ASSERT_EQ(std::sscanf(line.c_str(), "(repeated %ld times)", &n), 1) << line;
        ASSERT_EQ(line, "(repeated " + std::to_string(n) + " times)");
        ASSERT_GE(last, 0);
        ASSERT_GT(n, 0);
        sent[last] += n;
        last = -1; // a count follows only a written line
    }
    EXPECT_EQ(sent[0], threads * perThread / 2);
    EXPECT_EQ(sent[1], threads * perThread / 2);
}
} // namespace
