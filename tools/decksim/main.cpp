// kolb-decksim: a 9-pin deck on the far side of a serial line, for trying and testing KOLB
// without a deck.
#include "ControlFifo.h"
#include "DeckSim.h"
#include "SimControl.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace {

const char* usage = R"(Usage: kolb-decksim [options]

A simulated 9-pin (RS-422) video deck. It opens a pseudo-terminal pair, sets it to 38400 bit/s,
8 data bits, odd parity, 1 stop bit, prints the path to open on the first line of standard output,
and answers 9-pin frames like a deck until SIGINT or SIGTERM. Point KOLB at it with
COMPort=<that path> (or at the --link path) in ZEMASettings.txt.

The deck: at the timecode rate of --rate (30 frames a second non-drop by default); stop, play,
record, fast forward and rewind (50x), still, var, shuttle and jog at the speed byte's rate,
standby, E-E, eject; cue up with data seeks and then holds still with cue-up complete. It
answers CURRENT TIME SENSE (61 0C), STATUS SENSE (61 20), DEVICE TYPE (00 11), TIME MODE (41 36)
and the recorder set-up frames (F3 group).
A time sense asking for LTC (01), VITC (02) or timer-1 (04) gets the kind the deck prefers if it
is asked for, else the first asked for in that order: 74 04 LTC, 74 06 VITC, 74 00 timer-1.
In LOCAL the deck acknowledges transport, cue, variable-speed, standby, E-E, record and eject
commands but does not carry them out, and sets bit 0 of status byte 0.

Line:
  --link PATH        also make a symbolic link PATH to the line (removed on exit)
  --device PATH      drive this existing serial device instead of a pseudo-terminal
  --trace FILE       write every frame received and reply sent, one line each:
                     milliseconds since start, RX/TX/DROP, the bytes in hex
  --delay MS         reply delay (default 1)

Deck:
  --rate R           the tape's timecode: 25, 30 or 30DF (29.97 drop-frame; the time replies
                     carry the DF flag); the device type says 625 lines at 25 (default 30)
  --start TC         position at start, HH:MM:SS:FF (default 00:00:00:00)
  --tape-end TC      end of the tape (default 03:00:00:00)
  --seek MS          every cue takes MS (default: by distance, at most --seek-max)
  --seek-max MS      longest cue by distance (default 3000)
  --wind X           fast forward and rewind speed, times play speed (default 50)
  --speed F          the clock runs F times real time (default 1)
  --local            start in LOCAL: remote control commands are acknowledged, not carried out
  --no-tape          start with the cassette out
  --time KIND        the time the deck prefers: ltc, vitc or timer1 (default ltc)
  --device-type HHHH the two bytes the device type reply carries, in hex (e.g. 8888 for a
                     type no controller knows; default: by --rate)

Faults:
  --no-reply         never answer
  --late MS          answer MS late
  --nak-every N      answer every Nth frame with a NAK
  --garbage N        send N garbage bytes before every reply
  --drop-byte        leave the last byte off every reply
  --frozen           the timecode stands still whatever the transport says
  --paced            send replies a byte at a time at the line's pace (0.29 ms a byte)

Control:
  --control PATH     make a named pipe PATH (replacing an old named pipe there; anything else
                     there is refused) and take command lines from it while running, e.g.
                     echo "local on" > PATH. Each is answered on standard output with
                     "ok <command>" or "error: <what is wrong>: <command>". The pipe is removed
                     on exit. Commands:
                       local on|off          LOCAL switch
                       eject, load           take the cassette out, put one in
                       time ltc|vitc|timer1  the time the deck prefers
                       paced on|off          replies a byte at a time
                       no-reply on|off       answer nothing
                       late MS               answer MS late
                       delay MS              reply delay
                       nak-every N           NAK every Nth frame (0: never)
                       garbage N             N garbage bytes before every reply
                       drop-byte on|off      leave the last byte off every reply
                       frozen on|off         the timecode stands still
                       speed F               the clock runs F times real time
                       jump FRAMES           the timecode leaps FRAMES on (e.g. 30, or -30
                                             back) while the transport goes on: a break
                       gone                  the line closes
                       back                  a new line opens (its path is not printed
                                             again; --link follows it)

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

int hexArg(const std::string& opt, const char* value) {
    const std::string text = value;
    if (text.size() == 4 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
        return std::stoi(text, nullptr, 16);
    std::cerr << "kolb-decksim: " << opt << " needs four hex digits, not '" << value << "'\n";
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

int timecodeArg(const std::string& opt, const std::string& value, ninepin::TcRate rate) {
    const int f = ninepin::ParseTimecode(value, rate);
    if (f < 0) {
        std::cerr << "kolb-decksim: " << opt << " needs a timecode HH:MM:SS:FF of the rate, not '"
                  << value << "'\n";
        std::exit(2);
    }
    return f;
}

ninepin::TcRate rateArg(const std::string& opt, const std::string& value) {
    ninepin::TcRate rate;
    if (ninepin::RateOfName(value, rate)) return rate;
    std::cerr << "kolb-decksim: " << opt << " needs 25, 30 or 30DF, not '" << value << "'\n";
    std::exit(2);
}

TimeKind timeKindArg(const std::string& opt, const std::string& value) {
    if (value == "ltc") return TimeKind::Ltc;
    if (value == "vitc") return TimeKind::Vitc;
    if (value == "timer1") return TimeKind::Timer1;
    std::cerr << "kolb-decksim: " << opt << " needs ltc, vitc or timer1, not '" << value << "'\n";
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    DeckSim::Options opts;
    bool noReply = false, dropByte = false, frozen = false, local = false, noTape = false,
         paced = false;
    int late = 0, nakEvery = 0, garbage = 0;
    TimeKind timeKind = TimeKind::Ltc;
    std::string control;
    // Read once the rate is known, which may come after them.
    std::string start, tapeEnd;
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
            start = value();
        else if (opt == "--tape-end")
            tapeEnd = value();
        else if (opt == "--rate")
            opts.deck.rate = rateArg(opt, value());
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
        else if (opt == "--local")
            local = true;
        else if (opt == "--no-tape")
            noTape = true;
        else if (opt == "--time")
            timeKind = timeKindArg(opt, value());
        else if (opt == "--device-type")
            opts.deck.deviceType = hexArg(opt, value());
        else if (opt == "--paced")
            paced = true;
        else if (opt == "--control")
            control = value();
        else {
            std::cerr << "kolb-decksim: unknown option " << opt << " (see --help)\n";
            return 2;
        }
    }
    if (!start.empty()) opts.deck.startFrames = timecodeArg("--start", start, opts.deck.rate);
    opts.deck.tapeEnd = tapeEnd.empty() ? ninepin::FramesOf(3, 0, 0, 0, opts.deck.rate)
                                        : timecodeArg("--tape-end", tapeEnd, opts.deck.rate);

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
        sim.setLocal(local);
        if (noTape) sim.ejectTape();
        sim.setTimeKind(timeKind);
        sim.setPaced(paced);
        // Declared after the deck, so its thread has stopped before the deck goes.
        std::unique_ptr<ControlFifo> fifo;
        if (!control.empty()) fifo = std::make_unique<ControlFifo>(control);
        std::cout << sim.path() << std::endl;
        if (fifo)
            fifo->start([&sim](const std::string& line) {
                const std::string answer = ApplyControl(sim, line);
                if (!answer.empty()) std::cout << answer << std::endl;
            });
        int sig = 0;
        sigwait(&stopSignals, &sig);
    } catch (const ControlFifo::NotAFifo& e) {
        std::cerr << "kolb-decksim: --control: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kolb-decksim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
