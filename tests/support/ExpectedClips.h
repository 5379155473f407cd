#pragma once

// The clips an independent reader found in a list, as tests/data/lists keeps them beside it:
// X.expected.csv with the columns event,name,tape,in,out,channels.
#include "CsvReader.h"
#include "EventList.h"
#include "Utf8Text.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ListClip {
    std::string name, tape, in, out;
    bool operator==(const ListClip&) const = default;
};

inline std::string ListClipText(const ListClip& c) {
    return "\"" + c.name + "\" tape \"" + c.tape + "\" " + c.in + " " + c.out;
}

// The records of a CSV file that hold more than one field.
inline std::vector<std::vector<std::string>> CsvRows(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string text = bytes.str();
    TextSource source(text);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> fields;
    int lines = 0;
    bool cut = false;
    while (ReadCsvRecord(source, fields, lines, cut))
        if (fields.size() > 1) rows.push_back(fields);
    return rows;
}

// The list's expected file: X.expected.csv beside X.edl (or .txt, .ale, .csv).
inline std::filesystem::path ExpectedFileOf(std::filesystem::path list) {
    return list.replace_extension(".expected.csv");
}

// The first 100 clips of an expected file (as many as the logger reads), its bytes read as the
// list's (a list that is not UTF-8 has a Latin-1 expected file). KOLB's clips have no tape where
// a list says "AX", the reel of no tape, which KOLB's own lists write for one.
inline std::vector<ListClip> ExpectedClips(const std::filesystem::path& path) {
    std::vector<ListClip> clips;
    const auto rows = CsvRows(path);
    for (std::size_t i = 1; i < rows.size() && clips.size() < EventList::size; ++i) {
        const auto& r = rows[i];
        const std::string tape = TextFromBytes(r.at(2));
        clips.push_back({TextFromBytes(r.at(1)), tape == "AX" ? "" : tape, r.at(3), r.at(4)});
    }
    return clips;
}
