// Tests of the capture report: its page, its totals and the file it is written to.

#include "Base64.h"
#include "CaptureReport.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>
#include <sys/stat.h>

using namespace testfiles;

namespace {

// Every tag of a page (from '<' to '>'), once each.
std::set<std::string> TagsOf(const std::string& html) {
    std::set<std::string> tags;
    for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1))
        tags.insert(html.substr(at, html.find('>', at) + 1 - at));
    return tags;
}

} // namespace

TEST(Base64, EncodesTheRfc4648TestVectors) {
    const std::pair<std::string, std::string> rows[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xfb\xff", "+/8="},
        {std::string("\0\0\0", 3), "AAAA"},
    };
    for (const auto& [bytes, want] : rows) EXPECT_EQ(Base64(bytes), want) << '"' << bytes << '"';
}

TEST(CaptureReport, TotalsCountEachClipByItsLastPass) {
    const auto Row = [](int event, int pass, const char* state, int asked, int recorded) {
        ReportRow row;
        row.event = event, row.pass = pass, row.state = state;
        row.framesAsked = asked, row.framesRecorded = recorded;
        return row;
    };
    const auto done1 = Row(1, 1, "done", 100, 100), failed2 = Row(2, 1, "failed: x", 50, 20),
               done2 = Row(2, 2, "done", 50, 50);
    using Rows = std::vector<ReportRow>;
    const std::pair<Rows, CaptureTotals> rows[] = {
        {{}, {}},
        {{done1}, {1, 1, 0, 0, 0, 100, 100, 0}},
        {{failed2, done2}, {1, 1, 0, 0, 0, 50, 50, 0}},
        {{done2, failed2}, {1, 1, 0, 0, 0, 50, 50, 0}},
        {{failed2, Row(3, 1, "cancelled", 10, 4), Row(4, 1, "not captured", 20, -1), done1},
         {4, 1, 1, 1, 1, 180, 124, 1}},
    };
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_TRUE(TotalsOf(rows[i].first) == rows[i].second) << "row " << i;
}

TEST(CaptureReport, EveryTextIsEscapedAndThePageNeedsNothingFromElsewhere) {
    const std::string hostile = "<script src=\"http://x/a.js\"></script>' onload=\"go()\" & <b>";
    const std::string escaped = "&lt;script src=&quot;http://x/a.js&quot;&gt;&lt;/script&gt;"
                                "&#39; onload=&quot;go()&quot; &amp; &lt;b&gt;";
    const std::string jpeg = "\xff\xd8\xff\xe0 a picture \xff\xd9";
    using Edit = std::function<void(CaptureReport&)>;
    const std::pair<std::string, Edit> rows[] = {
        {"title", [&](CaptureReport& r) { r.title = hostile; }},
        {"tape", [&](CaptureReport& r) { r.tape = hostile; }},
        {"date", [&](CaptureReport& r) { r.date = hostile; }},
        {"settings", [&](CaptureReport& r) { r.settings = hostile; }},
        {"name", [&](CaptureReport& r) { r.rows[0].name = hostile; }},
        {"state", [&](CaptureReport& r) { r.rows[0].state = "failed: " + hostile; }},
        {"first timecode", [&](CaptureReport& r) { r.rows[0].firstTc = hostile; }},
        {"break",
         [&](CaptureReport& r) {
             r.rows[0].breaks = {"ok", hostile};
         }},
        {"health", [&](CaptureReport& r) { r.rows[0].health = {hostile}; }},
        {"md5", [&](CaptureReport& r) { r.rows[0].md5 = hostile; }},
        {"file", [&](CaptureReport& r) { r.rows[0].files = {hostile}; }},
    };
    // What a browser could run or fetch: a script, an event handler, a link, a style or a
    // picture from elsewhere.
    const std::regex outside(R"re(script|\son|href|src="(?!data:image/jpeg;base64,)|url\(|@)re");
    for (const auto& [field, edit] : rows) {
        SCOPED_TRACE(field);
        CaptureReport report{"Tape A", "A", "2026-12-10", "ffmpeg", {ReportRow{}}};
        report.rows[0].thumbnailJpeg = jpeg;
        edit(report);
        const std::string html = CaptureReportHtml(report);
        EXPECT_TRUE(html.starts_with("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
                                     "<meta charset=\"utf-8\">"));
        for (const std::string& tag : TagsOf(html))
            EXPECT_FALSE(std::regex_search(tag, outside)) << tag;
        const size_t style = html.find("<style>"), styleEnd = html.find("</style>");
        EXPECT_FALSE(
            std::regex_search(html.substr(style, styleEnd - style), std::regex("url\\(|@")));
        EXPECT_NE(html.find(escaped), std::string::npos);
        EXPECT_NE(html.find("src=\"data:image/jpeg;base64," + Base64(jpeg) + "\""),
                  std::string::npos);
    }
}

TEST(CaptureReport, TheFileHoldsTheOldPageOrTheNewOneWholeNeverPart) {
    Folder tmp;
    const std::string report = tmp.path + "/report.html", page(4000, 'p');
    struct Row {
        std::string html;
        rlim_t limit; // the largest file that may be written; 0: no limit
        std::string want;
        std::string holds; // what the report file holds after
    };
    const Row rows[] = {
        {"<p>first</p>", 0, "", "<p>first</p>"},
        {page, 0, "", page},
        {"<p>" + page + "</p>", 100, "File too large", page},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.want);
        EXPECT_EQ(WithSizeLimit(row.limit, [&] { return WriteReportFile(report, row.html); }),
                  row.want);
        EXPECT_EQ(Slurp(report), row.holds);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path), {}), 1);
        struct stat st {};
        EXPECT_EQ(stat(report.c_str(), &st) == 0 ? st.st_mode & 0777 : 0, 0644u);
    }
    EXPECT_EQ(WriteReportFile(tmp.path + "/none/report.html", page), "No such file or directory");
}
