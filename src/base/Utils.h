#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

// Console output and byte helpers shared by every part of KOLB. All members are static; the
// object that start-up keeps holds nothing.
class Utils {
public:
    static constexpr char hexchar[16] = {'0', '1', '2', '3', '4', '5', '6', '7',
                                         '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    static constexpr int lomask = 0x0F;
    static constexpr int himask = 0xF0;

    // Writes one line to the console output. A line is written in one piece, so lines from
    // different threads never interleave. The same line again right after itself is not
    // written but counted; "(repeated N times)" follows once another line comes (blank lines
    // are always written). Beyond that, a text is written at most 30 times a minute: when
    // the minute is over, '(N more "<text>" not written: more than 30 a minute)' says how many
    // of it were held back. So a fault that repeats at any rate, even as lines that take
    // turns, grows the log by a bounded amount a minute.
    static void OutLine(const std::string& line);
    // Writes the count of a line still repeating and of the lines held back this minute, so
    // nothing is lost when the program ends.
    static void FlushRepeats();

    // Sleeps the calling thread; a signal does not end the sleep early.
    static void DelayT(int ms);

    // The first n bytes as upper-case hex pairs, each followed by a blank.
    static std::string BS2S(std::span<const std::uint8_t> bytes, int n);

    // Makes the file the console output from now on (standard output is moved onto it).
    // Creates or empties the file. Returns false, leaving the output where it was, when the
    // file cannot be opened.
    static bool RedirectConsole(const std::string& path);

    // Lines go to this sink instead of the console while it is set (tests read the lines).
    // Setting it starts the repeat count and the minute's counts afresh.
    using LineSink = std::function<void(const std::string&)>;
    static void SetLineSink(LineSink sink);
    // The minute's counts go by this time source instead of the steady clock while it is set
    // (tests move time on by hand). Setting it starts the minute afresh.
    using TimeSource = std::function<std::chrono::steady_clock::time_point()>;
    static void SetTimeSource(TimeSource now);
};
