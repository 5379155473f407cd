#include "TimecodeMap.h"

std::string TimecodeMapText(const std::vector<MapRead>& reads, int firstFrame, int fileFrames) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    for (const MapRead& read : reads) {
        text += std::to_string(read.ms) + "," + read.tc + ",";
        for (const std::uint8_t b : read.status) {
            text += hex[b >> 4];
            text += hex[b & 0x0F];
        }
        text += ",";
        const int inFile = read.frames - firstFrame;
        if (firstFrame >= 0 && read.frames >= 0 && inFile >= 0 && inFile < fileFrames)
            text += std::to_string(inFile);
        text += "\n";
    }
    return text;
}
