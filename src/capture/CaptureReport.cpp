#include "CaptureReport.h"

#include "Base64.h"
#include "Utf8Text.h"

#include <cstdio>
#include <map>

namespace {

// In the order of the totals' counts and of the clip rows' classes.
enum class Outcome { Done, Failed, Cancelled, NotCaptured };

Outcome OutcomeOf(const std::string& state) {
    if (state == "done") return Outcome::Done;
    if (state == "cancelled") return Outcome::Cancelled;
    if (state == "not captured") return Outcome::NotCaptured;
    return Outcome::Failed;
}

// Text for the page: valid UTF-8 (stray bytes read as Latin-1), with the five characters HTML
// gives a meaning escaped.
std::string Html(const std::string& text) {
    std::string out;
    for (char c : TextFromBytes(text)) {
        const char* entity = c == '&'    ? "&amp;"
                             : c == '<'  ? "&lt;"
                             : c == '>'  ? "&gt;"
                             : c == '"'  ? "&quot;"
                             : c == '\'' ? "&#39;"
                                         : nullptr;
        out += entity != nullptr ? std::string(entity) : std::string(1, c);
    }
    return out;
}

std::string Cell(const std::string& html, const char* cls = nullptr) {
    return cls ? std::string("<td class=\"") + cls + "\">" + html + "</td>"
               : "<td>" + html + "</td>";
}

// A list of texts, or `none` when it is empty.
std::string List(const std::vector<std::string>& items, const char* none) {
    if (items.empty()) return none;
    std::string html = "<ul>";
    for (const std::string& item : items) html += "<li>" + Html(item) + "</li>";
    return html + "</ul>";
}

std::string EventText(int event) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", event);
    return number;
}

const char* const style = R"(body{font-family:sans-serif;margin:1.5em;color:#111;background:#fff}
table{border-collapse:collapse;margin-bottom:1.5em}
th,td{border:1px solid #999;padding:.3em .5em;text-align:left;vertical-align:top}
td.n{text-align:right}
td.mono{font-family:monospace}
tr.failed{background:#fdd}
tr.cancelled{background:#ffd}
tr.notcaptured{background:#eee}
ul{margin:0;padding-left:1.2em}
img{max-width:160px;height:auto}
)";

std::string TotalsTable(const CaptureTotals& t) {
    std::string recorded = std::to_string(t.framesRecorded);
    if (t.framesUnknown > 0) recorded += " (" + Counted(t.framesUnknown, "clip") + " not known)";
    return "<table class=\"totals\">\n<tr><th>Clips</th><th>Done</th><th>Failed</th>"
           "<th>Cancelled</th><th>Not captured</th><th>Frames asked</th>"
           "<th>Frames recorded</th></tr>\n<tr>" +
           Cell(std::to_string(t.clips), "n") + Cell(std::to_string(t.done), "n") +
           Cell(std::to_string(t.failed), "n") + Cell(std::to_string(t.cancelled), "n") +
           Cell(std::to_string(t.notCaptured), "n") + Cell(std::to_string(t.framesAsked), "n") +
           Cell(recorded, "n") + "</tr>\n</table>\n";
}

std::string ClipRow(const ReportRow& row) {
    static const char* const classes[] = {"", " class=\"failed\"", " class=\"cancelled\"",
                                          " class=\"notcaptured\""};
    const std::string pass = row.pass > 1 ? std::to_string(row.pass) + " (again)" : "1";
    const std::string recorded =
        row.framesRecorded < 0 ? "not known" : std::to_string(row.framesRecorded);
    const std::string thumbnail = row.thumbnailJpeg.empty()
                                      ? "none"
                                      : "<img alt=\"first frame of " + EventText(row.event) +
                                            "\" src=\"data:image/jpeg;base64," +
                                            Base64(row.thumbnailJpeg) + "\">";
    return std::string("<tr") + classes[static_cast<int>(OutcomeOf(row.state))] + ">" +
           Cell(EventText(row.event), "n") + Cell(Html(row.name)) + Cell(pass) +
           Cell(Html(row.state)) + Cell(std::to_string(row.framesAsked), "n") +
           Cell(recorded, "n") +
           Cell(row.firstTc.empty() ? "not known" : Html(row.firstTc), "mono") +
           Cell(List(row.breaks, "none")) + Cell(List(row.health, "no trouble seen")) +
           Cell(row.md5.empty() ? "none" : Html(row.md5), "mono") + Cell(List(row.files, "none")) +
           Cell(thumbnail) + "</tr>\n";
}

} // namespace

CaptureTotals TotalsOf(const std::vector<ReportRow>& rows) {
    std::map<int, const ReportRow*> last;
    for (const ReportRow& row : rows) {
        const ReportRow*& kept = last[row.event];
        if (kept == nullptr || row.pass >= kept->pass) kept = &row;
    }
    CaptureTotals t;
    for (const auto& [event, row] : last) {
        ++t.clips;
        int* const counts[] = {&t.done, &t.failed, &t.cancelled, &t.notCaptured};
        ++*counts[static_cast<int>(OutcomeOf(row->state))];
        t.framesAsked += row->framesAsked;
        if (row->framesRecorded < 0)
            ++t.framesUnknown;
        else
            t.framesRecorded += row->framesRecorded;
    }
    return t;
}

std::string CaptureReportHtml(const CaptureReport& report) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>" +
                       Html(report.title) + "</title>\n<style>\n" + style +
                       "</style>\n</head>\n<body>\n<h1>" + Html(report.title) +
                       "</h1>\n<p>Tape: " + Html(report.tape) + "<br>Date: " + Html(report.date) +
                       "<br>Settings: " + Html(report.settings) + "</p>\n<h2>Totals</h2>\n" +
                       TotalsTable(TotalsOf(report.rows)) +
                       "<h2>Clips</h2>\n<table class=\"clips\">\n<tr><th>Event</th><th>Name</th>"
                       "<th>Pass</th><th>State</th><th>Frames asked</th><th>Frames recorded</th>"
                       "<th>First timecode</th><th>Timecode breaks</th><th>Picture</th>"
                       "<th>MD5</th><th>Files</th><th>Thumbnail</th></tr>\n";
    for (const ReportRow& row : report.rows) html += ClipRow(row);
    return html + "</table>\n</body>\n</html>\n";
}
