#include "FrameTimes.h"

#include "Utf8Text.h"

#include <charconv>
#include <cmath>

FrameSpan PlaceFrames(double stopPosition, int framesRecorded, int inFrame, int outFrame,
                      timecode::Rate rate) {
    FrameSpan t;
    const int lastFrame = static_cast<int>(std::lround(stopPosition)) - 1;
    t.firstFrame = lastFrame - framesRecorded + 1;
    const int day = timecode::FramesPerDay(rate);
    t.firstTc = timecode::TimeText((t.firstFrame % day + day) % day, rate);
    t.inIndex = inFrame - t.firstFrame;
    t.keep = outFrame - inFrame;
    if (framesRecorded <= 0) {
        t.missing = "the file holds no frames";
    } else if (t.keep <= 0) {
        t.missing = "the out point is not after the in point";
    } else {
        const int lateBy = t.firstFrame - inFrame;
        const int shortBy = outFrame - 1 - lastFrame;
        if (lateBy > 0)
            t.missing = "the file starts " + Counted(lateBy, "frame") +
                        " after the in point: raise CaptureHandles";
        if (shortBy > 0)
            t.missing += (t.missing.empty() ? "" : "; ") + std::string("the file ends ") +
                         Counted(shortBy, "frame") + " before the out point: raise CaptureHandles";
    }
    t.covers = t.missing.empty();
    return t;
}

std::string FrameSeconds(int frame, timecode::Rate rate, double offset) {
    const double seconds =
        rate.dropFrame ? frame * 1001.0 / 30000.0 : static_cast<double>(frame) / rate.fps;
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, seconds + offset, std::chars_format::fixed, 6);
    return std::string(text, end.ptr);
}

bool RateAgrees(std::string_view text, timecode::Rate rate) {
    const auto number = [](std::string_view part) -> double {
        double value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value,
                                                  std::chars_format::fixed);
        return error == std::errc() && end == part.data() + part.size() ? value : 0;
    };
    const auto slash = text.find('/');
    const double top = number(text.substr(0, slash));
    const double bottom = slash == std::string_view::npos ? 1 : number(text.substr(slash + 1));
    if (top <= 0 || bottom <= 0) return true;
    const double deck = rate.dropFrame ? 30.0 : rate.fps;
    return std::abs(top / bottom - deck) <= deck * 0.002;
}
