#include "ListTool.h"

#include "EdlFile.h"
#include "FormatCuts.h"
#include "ListFormat.h"
#include "ListReport.h"
#include "TableList.h"
#include "Utils.h"

#include <fstream>
#include <optional>

namespace {

constexpr std::size_t cutsListed = 10;
// What a Standard EDL's "REM Made by" line names, as the logger writes it.
constexpr const char* productTitle = " KOLB";

struct Options {
    std::string command;
    std::optional<timecode::Rate> rate;
    std::optional<std::string> tape;
    std::vector<std::string> files;
};

std::string baseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool endsWithTxt(const std::string& path) {
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    for (char& c : tail) c = AsciiLower(c);
    return tail == ".txt";
}

// The options and files of a command line; an empty text when it is right, else what is wrong.
std::string parse(const std::vector<std::string>& args, Options& options) {
    if (args.empty()) return "no command given";
    options.command = args[0];
    if (options.command != "convert" && options.command != "check")
        return "unknown command \"" + options.command + "\"";
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool valued = word == "--rate" || word == "--tape";
        if (valued && i + 1 == args.size()) return word + " needs a value";
        if (word == "--rate") {
            options.rate = timecode::RateFromText(args[++i]);
            if (!options.rate) return "--rate must be 30, 25 or 30DF, not \"" + args[i] + "\"";
        } else if (word == "--tape" && options.command == "convert") {
            options.tape = args[++i];
        } else if (word.starts_with("--")) {
            return "unknown option \"" + word + "\"";
        } else {
            options.files.push_back(word);
        }
    }
    const std::size_t wanted = options.command == "convert" ? 2 : 1;
    if (options.files.size() != wanted)
        return options.command + " takes " +
               (wanted == 2 ? "two files, IN and OUT" : "one file, IN");
    return {};
}

// The kind of list a file holds, from its first line, as the loader decides it.
ListKind kindOfFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string head(4096, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
    std::string_view text = head;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return ListKind::Edl;
    text.remove_prefix(start);
    return KindOfList(text.substr(0, text.find_first_of("\r\n")));
}

// The frame count a list at a rate KOLB does not count at is written with: its timecode's frames
// a second (23.976 counts 24 frames to a second of timecode, 59.94 counts 60).
timecode::Rate writingRate(const EdlRead& read) {
    if (read.otherRate.empty()) return read.rate;
    if (read.otherRate == "23.976" || read.otherRate == "24") return {24, false};
    if (read.otherRate == "50") return {50, false};
    return {60, false};
}

// Reads a list as the logger's Load does, with the reader's console lines kept apart.
EdlLoad load(const std::string& path, timecode::Rate inUse, std::vector<std::string>& lines) {
    Utils::SetLineSink([&lines](const std::string& line) {
        if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
    });
    EdlLoad read = LoadEDL(path, false, inUse);
    Utils::FlushRepeats();
    Utils::SetLineSink(nullptr);
    return read;
}

int check(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& in = options.files[0];
    std::vector<std::string> lines;
    const EdlLoad read = load(in, options.rate.value_or(timecode::rate30), lines);
    if (!read.ok) {
        err << "kolb-list: could not read " << in << ": " << read.error << "\n";
        for (const SkippedLine& skip : read.read.skips)
            err << "  line " << skip.line << ": " << skip.why << "\n";
        return 1;
    }
    // The skips are listed whole from the read; the console's own skip lines would repeat them.
    std::vector<std::string> notes;
    for (const std::string& line : lines)
        if (!line.starts_with("Skipped ")) notes.push_back(line);
    out << CheckReport(baseName(in), kindOfFile(in), read, notes);
    return read.read.skips.empty() && read.read.cutLines == 0 ? 0 : 1;
}

int convert(const Options& options, std::ostream& err) {
    const std::string& in = options.files[0];
    const std::string& outPath = options.files[1];
    const ListFormat format = FormatForFile(outPath, ListFormat::Standard);
    if (format == ListFormat::Standard && !endsWithTxt(outPath)) {
        err << "kolb-list: " << outPath
            << " names no list format: end it in .edl (CMX 3600), .ale, .csv or .txt (the "
               "Standard EDL)\n";
        return 2;
    }
    std::vector<std::string> lines;
    EdlLoad read = load(in, options.rate.value_or(timecode::rate30), lines);
    for (const std::string& line : lines) err << line << "\n";
    if (!read.ok) {
        err << "kolb-list: could not read " << in << ": " << read.error << "\n";
        return 1;
    }
    EventList& events = read.events;
    if (options.tape) {
        for (int k = 0; k < read.read.stored; ++k)
            if (events.TapeArray[k].empty()) events.TapeArray[k] = *options.tape;
        events.tape = *options.tape;
    }
    // A list that says its rate keeps it: tape timecode does not change with the list's format.
    const timecode::Rate rate = writingRate(read.read);
    if (options.rate && read.read.rateMarked && *options.rate != rate)
        err << "kolb-list: " << in << " counts at " << timecode::RateText(rate)
            << ", so it is written at that rate, not at " << timecode::RateText(*options.rate)
            << "\n";
    if (!read.read.otherRate.empty())
        err << "kolb-list: " << in << " counts at " << read.read.otherRate
            << ", a rate KOLB does not count at: its times are written as they were read, "
               "with durations and record times counted at "
            << rate.fps << " frames a second\n";
    if (read.read.more)
        err << "kolb-list: " << in << " holds more than " << EventList::size << " clips: the first "
            << EventList::size << " were converted\n";
    const CutReport cut = WhatAFormatCuts(events, format);
    if (!cut.whole()) {
        err << "kolb-list: " << baseName(outPath) << " would not hold the list whole, so it was "
            << "not written:\n";
        for (std::size_t i = 0; i < cut.names.size() && i < cutsListed; ++i)
            err << "  " << cut.names[i] << "\n";
        if (cut.names.size() > cutsListed)
            err << "  and " << cut.names.size() - cutsListed << " more names\n";
        if (!cut.dropped.empty()) err << "  " << cut.dropped << "\n";
        err << "Write it as .edl, .ale or .csv to keep every name, tape and note.\n";
        return 1;
    }
    const bool otherRate = !read.read.otherRate.empty();
    if (otherRate && (format == ListFormat::Cmx3600 || format == ListFormat::Standard))
        err << "kolb-list: an EDL has no place for a list's rate: read " << baseName(outPath)
            << " at " << read.read.otherRate << "\n";
    const FileOutcome saved =
        SaveEDL(outPath, events, baseName(outPath), productTitle, format, {}, rate,
                timecode::CountOf(1, 0, 0, 0, rate), otherRate ? read.read.otherRate : "");
    if (!saved) {
        err << "kolb-list: could not write " << outPath << ": " << saved.error << "\n";
        return 1;
    }
    // What was read is written; a list with lines skipped or cut is not converted whole.
    const std::size_t skipped = read.read.skips.size();
    if (skipped > 0 || read.read.cutLines > 0) {
        err << "kolb-list: " << baseName(outPath) << " holds what was read, but " << skipped
            << " lines of " << baseName(in) << " were skipped and " << read.read.cutLines
            << " cut at " << maxLineLength << " characters (see above)\n";
        return 1;
    }
    return 0;
}

} // namespace

std::string ListToolUsage() {
    return "Usage: kolb-list convert [--rate 30|25|30DF] [--tape NAME] IN OUT\n"
           "       kolb-list check [--rate 30|25|30DF] IN\n"
           "\n"
           "Reads an edit list as KOLB's logger loads it: an EDL (CMX 3600 and its variants, or\n"
           "the logger's Standard EDL), an ALE, or a CSV table; the first 100 clips.\n"
           "\n"
           "convert  writes the clips in the format OUT's extension names: .edl CMX 3600, .ale,\n"
           "         .csv, .txt the Standard EDL. Nothing is written when that format would cut\n"
           "         a name or leave out a tape or a note.\n"
           "check    prints what was read (rate, clips, tapes) and every line skipped, with why.\n"
           "\n"
           "--rate   the rate of a list that says none (default 30); a list's own rate wins.\n"
           "--tape   the tape of every clip the list gives none.\n"
           "\n"
           "Exit status: 0 done; 1 the list could not be read or written whole, or a line of\n"
           "it was skipped or cut (convert writes what was read); 2 a wrong command line.\n";
}

int RunListTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << ListToolUsage();
        return 0;
    }
    Options options;
    if (const std::string wrong = parse(args, options); !wrong.empty()) {
        err << "kolb-list: " << wrong << "\n" << ListToolUsage();
        return 2;
    }
    return options.command == "check" ? check(options, out, err) : convert(options, err);
}
