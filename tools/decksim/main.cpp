// kolb-decksim: a 9-pin deck on the far side of a serial line, for trying and testing KOLB
// without a deck.
#include "DeckSim.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

const char* usage = R"(Usage: kolb-decksim [options]

A simulated 9-pin (RS-422) video deck. It opens a pseudo-terminal pair, sets it to 38400 bit/s,
8 data bits, odd parity, 1 stop bit, prints the path to open on the first line of standard output,
and answers 9-pin frames like a deck until SIGINT or SIGTERM. Point KOLB at it with
COMPort=<that path> (or at the --link path) in ZEMASettings.txt.

The deck: 30 frames per second non-drop; stop, play, record, fast forward and rewind (50x),
still, var, shuttle and jog at the speed byte's rate, standby, E-E, eject; cue up with data seeks
and then holds still with cue-up complete. It answers CURRENT TIME SENSE (61 0C), STATUS SENSE
(61 20), DEVICE TYPE (00 11), TIME MODE (41 36) and the recorder set-up frames (F3 group).

Line:
  --link PATH        also make a symbolic link PATH to the line (removed on exit)
  --device PATH      drive this existing serial device instead of a pseudo-terminal
  --trace FILE       write every frame received and reply sent, one line each:
                     milliseconds since start, RX/TX/DROP, the bytes in hex
  --delay MS         reply delay (default 1)

Deck:
  --start TC         position at start, HH:MM:SS:FF (default 00:00:00:00)
  --tape-end TC      end of the tape (default 03:00:00:00)
  --seek MS          every cue takes MS (default: by distance, at most --seek-max)
  --seek-max MS      longest cue by distance (default 3000)
  --wind X           fast forward and rewind speed, times play speed (default 50)
  --speed F          the clock runs F times real time (default 1)

Faults:
  --no-reply         never answer
  --late MS          answer MS late
  --nak-every N      answer every Nth frame with a NAK
  --garbage N        send N garbage bytes before every reply
  --drop-byte        leave the last byte off every reply
  --frozen           the timecode stands still whatever the transport says

  --help             this text
)";

int intArg(const std::string& opt, const char* value) {
    try {
        size_t used = 0;
        const int v = std::stoi(value, &used);
        if (used == std::string(value).size() && v >= 0) return v;
    } catch (const std::exception&) {
    }
    std::cerr << "kolb-decksim: " << opt << " needs a whole number, not '" << value << "'\n";
    std::exit(2);
}

double numberArg(const std::string& opt, const char* value) {
    try {
        size_t used = 0;
        const double v = std::stod(value, &used);
        if (used == std::string(value).size() && v > 0) return v;
    } catch (const std::exception&) {
    }
    std::cerr << "kolb-decksim: " << opt << " needs a positive number, not '" << value << "'\n";
    std::exit(2);
}

int timecodeArg(const std::string& opt, const char* value) {
    const int f = ninepin::ParseTimecode(value);
    if (f < 0) {
        std::cerr << "kolb-decksim: " << opt << " needs a timecode HH:MM:SS:FF, not '" << value
                  << "'\n";
        std::exit(2);
    }
    return f;
}

} // namespace

int main(int argc, char** argv) {
    DeckSim::Options opts;
    bool noReply = false, dropByte = false, frozen = false;
    int late = 0, nakEvery = 0, garbage = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "kolb-decksim: " << opt << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (opt == "--help" || opt == "-h") {
            std::cout << usage;
            return 0;
        } else if (opt == "--link")
            opts.link = value();
        else if (opt == "--device")
            opts.device = value();
        else if (opt == "--trace")
            opts.traceFile = value();
        else if (opt == "--delay")
            opts.replyDelayMs = intArg(opt, value());
        else if (opt == "--start")
            opts.deck.startFrames = timecodeArg(opt, value());
        else if (opt == "--tape-end")
            opts.deck.tapeEnd = timecodeArg(opt, value());
        else if (opt == "--seek")
            opts.deck.seekMs = intArg(opt, value());
        else if (opt == "--seek-max")
            opts.deck.seekMaxMs = intArg(opt, value());
        else if (opt == "--wind")
            opts.deck.windSpeed = numberArg(opt, value());
        else if (opt == "--speed")
            opts.deck.speedFactor = numberArg(opt, value());
        else if (opt == "--no-reply")
            noReply = true;
        else if (opt == "--late")
            late = intArg(opt, value());
        else if (opt == "--nak-every")
            nakEvery = intArg(opt, value());
        else if (opt == "--garbage")
            garbage = intArg(opt, value());
        else if (opt == "--drop-byte")
            dropByte = true;
        else if (opt == "--frozen")
            frozen = true;
        else {
            std::cerr << "kolb-decksim: unknown option " << opt << " (see --help)\n";
            return 2;
        }
    }

    // The signals are taken by sigwait below, not by any thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        DeckSim sim(opts);
        sim.setNoReply(noReply);
        sim.setLateMs(late);
        sim.setNakEvery(nakEvery);
        sim.setGarbage(garbage);
        sim.setDropByte(dropByte);
        sim.setFrozen(frozen);
        std::cout << sim.path() << std::endl;
        int sig = 0;
        sigwait(&stopSignals, &sig);
    } catch (const std::exception& e) {
        std::cerr << "kolb-decksim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
