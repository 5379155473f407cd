#include "Utils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {
// Lines go to `lines` while a test runs, and the log's minute goes by `now`, which only the test
// moves on; both are detached however the test ends.
class LineRepeat : public testing::Test {
protected:
    void SetUp() override {
        Utils::SetTimeSource([this] { return now; });
        Utils::SetLineSink([this](const std::string& line) { lines.push_back(line); });
    }
    void TearDown() override {
        Utils::SetLineSink(nullptr);
        Utils::SetTimeSource(nullptr);
    }
    std::vector<std::string> lines;
    std::chrono::steady_clock::time_point now{};
};

using Lines = std::vector<std::string>;

// n times the lines, then the rest.
Lines times(int n, const Lines& lines, const Lines& rest = {}) {
    Lines out;
    for (int i = 0; i < n; ++i) out.insert(out.end(), lines.begin(), lines.end());
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

Lines join(Lines first, const Lines& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

// "line 0" ... "line n-1", then the rest.
Lines numbered(int n, const Lines& rest = {}) {
    Lines out;
    for (int i = 0; i < n; ++i) out.push_back("line " + std::to_string(i));
    return join(out, rest);
}

// What is said of a text held back n times in a minute.
std::string held(int n, const std::string& text) {
    return "(" + std::to_string(n) + " more \"" + text + "\" not written: more than 30 a minute)";
}

TEST_F(LineRepeat, RepeatsAreCountedAndBlankLinesAlwaysWritten) {
    struct Case {
        const char* name;
        std::vector<std::string> sent; // "<flush>" calls FlushRepeats, "<+N>" moves on N ms
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
        // The minute, by a clock the test moves on.
        {"the 31st in a minute held until the minute is over",
         times(31, {"a", "b"}, {"<+60000>", "c"}),
         times(30, {"a", "b"}, {held(1, "a"), held(1, "b"), "c"})},
        {"after a minute the counts start afresh",
         times(31, {"a", "b"}, join({"<+60000>"}, times(31, {"a", "b"}, {"<flush>"}))),
         times(30, {"a", "b"},
               join({held(1, "a"), held(1, "b")},
                    times(30, {"a", "b"}, {held(1, "a"), held(1, "b")})))},
        {"59.999 s is the same minute, 60 s the next",
         times(30, {"a", "b"}, {"<+59999>", "a", "b", "<+1>", "c"}),
         times(30, {"a", "b"}, {held(1, "a"), held(1, "b"), "c"})},
        {"two texts taking turns counted each on its own",
         times(30, {"a", "b"}, {"a", "c", "a", "<+60000>", "d"}),
         times(30, {"a", "b"}, {"c", held(2, "a"), "d"})},
        {"the repeats of a held text are held and counted",
         times(30, {"a", "b"}, {"a", "a", "a", "<+60000>", "a", "a", "<flush>"}),
         times(30, {"a", "b"}, {held(3, "a"), "a", "(repeated 1 times)"})},
        {"the 256th text in a minute is limited, the 257th not",
         numbered(255, times(31, {"x", "y"}, {"<flush>"})),
         numbered(255, times(30, {"x", "y"}, {"y", held(1, "x")}))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Utils::SetLineSink([this](const std::string& line) { lines.push_back(line); });
        lines.clear();
        for (const std::string& s : c.sent)
            if (s == "<flush>")
                Utils::FlushRepeats();
            else if (s.starts_with("<+"))
                now += std::chrono::milliseconds(std::stoi(s.substr(2)));
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
