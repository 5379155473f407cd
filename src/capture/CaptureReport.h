#pragma once

#include <string>
#include <vector>

// The capture report: one HTML page per capture run that opens in any browser with no network
// (no script, no link out, inline style only).

// One pass of one clip.
struct ReportRow {
    int event = 0;
    std::string name;
    int pass = 1;      // 1: the first capture; 2 and on: captured again after it failed
    std::string state; // "done", "failed: <reason>", "cancelled" or "not captured"
    int framesAsked = 0;
    int framesRecorded = -1;         // -1: not known
    std::string firstTc;             // the timecode of the file's first frame; "" not known
    std::vector<std::string> breaks; // breaks in the timecode
    std::vector<std::string> health; // from the deck's status (HealthOf)
    std::string md5;                 // of the main file; "" none
    std::vector<std::string> files;  // base names
    std::string thumbnailJpeg;       // the JPEG's bytes; "" none
};

struct CaptureReport {
    std::string title;
    std::string tape;
    std::string date;
    std::string settings; // one line: recorder, folder, accepted exit statuses...
    std::vector<ReportRow> rows;
};

// The totals at the top of the page. A clip is an event; the pass of it with the highest
// number gives its state and frames. A state other than done, cancelled or not captured counts
// as failed.
struct CaptureTotals {
    int clips = 0;
    int done = 0;
    int failed = 0;
    int cancelled = 0;
    int notCaptured = 0;
    long long framesAsked = 0;
    long long framesRecorded = 0; // of the clips where it is known
    int framesUnknown = 0;        // clips whose recorded frames are not known
    bool operator==(const CaptureTotals&) const = default;
};
CaptureTotals TotalsOf(const std::vector<ReportRow>& rows);

// The whole page, UTF-8, every text HTML-escaped; thumbnails as data: URLs.
std::string CaptureReportHtml(const CaptureReport& report);

// Writes the report page to path through a new file beside it that is then renamed over path,
// so a reader sees the old page or the new one whole, never half of one. A failed write
// removes the new file and leaves path as it was. Empty on success, else the reason (strerror
// text).
std::string WriteReportFile(const std::string& path, const std::string& html);
