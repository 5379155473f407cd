#include "ReplyDecoding.h"

namespace {
constexpr char bcd[] = "0123456789";
}

int TCBCD(std::uint8_t b, int pos, std::string& tc) {
    const int tens = (b & 0xF0) >> 4;
    const int units = b & 0x0F;
    if (tens > 9 || units > 9) return -1;
    tc[static_cast<size_t>(pos)] = bcd[tens];
    tc[static_cast<size_t>(pos) + 1] = bcd[units];
    return tens * 10 + units;
}

int TCFBCD(std::uint8_t b, int pos, std::string& tc) {
    const int tens = (b & 0x30) >> 4;
    const int units = (b & 0x0F) % 10;
    tc[static_cast<size_t>(pos)] = bcd[tens];
    tc[static_cast<size_t>(pos) + 1] = bcd[units];
    return tens * 10 + units;
}

std::optional<DeckStandard> DecodeDeviceType(std::span<const std::uint8_t> reply, int count) {
    if (count < 5 || reply.size() < 5 || reply[0] != 0x12 || reply[1] != 0x11 ||
        !ReplyChecksumOK(reply, count))
        return std::nullopt;
    switch (reply[2] & 0x0F) {
    case 0:
        return DeckStandard::Lines525;
    case 1:
        return DeckStandard::Lines625;
    default:
        return DeckStandard::NotKnown;
    }
}

bool ReplyChecksumOK(std::span<const std::uint8_t> reply, int count) {
    if (count < 1 || reply.empty()) return false;
    const size_t length = 3 + (reply[0] & 0x0F);
    if (static_cast<size_t>(count) < length || reply.size() < length) return false;
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < length; ++i) sum += reply[i];
    return (sum & 0xFF) == reply[length - 1];
}

bool IsStatusReply(std::span<const std::uint8_t> reply, int count) {
    return count >= 8 && reply.size() >= 8 && reply[0] == 0x79 && ReplyChecksumOK(reply, count);
}

std::optional<TimeReading> DecodeTimeReply(std::span<const std::uint8_t> reply, int count,
                                           timecode::Rate rate) {
    if (count != 7 || reply.size() < 7 || reply[0] != 0x74) return std::nullopt;
    if (!ReplyChecksumOK(reply, count)) return std::nullopt;
    std::string tc = "00:00:00:00";
    const int hours = TCFBCD(reply[5], 0, tc);
    const int minutes = TCBCD(reply[4], 3, tc);
    const int seconds = TCBCD(reply[3], 6, tc);
    const int frames = TCFBCD(reply[2], 9, tc);
    if (minutes < 0 || seconds < 0) return std::nullopt;
    tc[8] = timecode::FrameSeparator(rate)[0];
    return TimeReading{tc, timecode::CountOf(hours, minutes, seconds, frames, rate),
                       (reply[2] & 0x40) != 0};
}

StatusReading ExtractStatus(std::span<const std::uint8_t> reply, bool reviewclip) {
    StatusReading s;
    if (reply.size() < 8) return s;
    s.local = reply[2] & 0x01;
    s.noTape = reply[2] & 0x20;
    const std::uint8_t b1 = reply[3];
    const std::uint8_t b2 = reply[4];
    s.stopped = b1 & 0x20;
    s.still = b2 & 0x02;
    s.playingForward = (b1 & 0x01) && !(b2 & 0x04);
    if (!reviewclip) {
        struct Bit {
            std::uint8_t mask;
            const char* word;
            Mark mark;
        };
        static const Bit byte1[] = {{0x01, "Play ", Mark::Play}, {0x02, "Rec ", Mark::Record},
                                    {0x04, "FF ", Mark::Fwd},    {0x08, "REW ", Mark::Rew},
                                    {0x20, "Stop ", Mark::Stop}, {0x80, "Stby ", Mark::Sbyon}};
        for (const Bit& bit : byte1) {
            if (b1 & bit.mask) {
                s.text += bit.word;
                s.marks.push_back(bit.mark);
            }
        }
        if (b2 & 0x20) {
            s.text += "Shuttle ";
            s.marks.push_back(Mark::Shuttle);
        }
        if (b2 & 0x10) {
            s.text += "Jog ";
            s.marks.push_back((b2 & 0x04) ? Mark::JogR : Mark::JogF);
        }
    }
    s.cueup = b2 & 0x01;
    if (s.cueup) s.text += "CuedUp ";
    s.preroll = reply[6] & 0x01;
    if (s.preroll) s.text += "PreCue ";
    return s;
}
