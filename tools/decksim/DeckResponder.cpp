#include "DeckResponder.h"

using ninepin::Ack;
using ninepin::Bytes;
using ninepin::Nak;

Bytes DeckResponder::handle(const Bytes& frame, double now) {
    if (frame.size() < 3) return Nak(ninepin::NAK_UNDEFINED);
    const Bytes body(frame.begin(), frame.end() - 1);
    if (ninepin::Checksum(body) != frame.back()) return Nak(ninepin::NAK_CHECKSUM);
    const std::uint8_t cmd1 = frame[0];
    const std::uint8_t cmd2 = frame[1];
    const Bytes data(frame.begin() + 2, frame.end() - 1);

    switch (cmd1) {
    case 0x00:
        if (cmd2 == 0x11) return ninepin::Frame(0x1, 0x11, {deviceId[0], deviceId[1]});
        break;
    case 0x20:
        return transport(cmd2, now);
    case 0x21:
        return variable(cmd2, data[0], now);
    case 0x24:
        if (cmd2 == 0x31) {
            const int target =
                ninepin::FramesOf(ninepin::FromBcd(data[3] & 0x3F), ninepin::FromBcd(data[2]),
                                  ninepin::FromBcd(data[1]), ninepin::FromBcd(data[0] & 0x3F));
            model.cue(target, now);
            return Ack();
        }
        break;
    case 0x40:
        if (cmd2 == 0x48 || cmd2 == 0x49) return Ack(); // video reference disable on, off
        break;
    case 0x41:
        if (cmd2 == 0x36) {
            mode = data[0];
            return Ack();
        }
        break;
    case 0x44:
        if (cmd2 == 0x31) return Ack(); // preroll time preset
        break;
    case 0x61:
        if (cmd2 == 0x0C) {
            const int f = model.frames(now);
            return ninepin::Frame(0x7, 0x04,
                                  {ninepin::ToBcd(f % 30), ninepin::ToBcd(f / 30 % 60),
                                   ninepin::ToBcd(f / 1800 % 60),
                                   ninepin::ToBcd(f / 108000 % 100)});
        }
        if (cmd2 == 0x20)
            return ninepin::Frame(0x7, 0x20, model.status(data[0] >> 4, data[0] & 0x0F, now));
        break;
    default:
        if ((cmd1 & 0xF0) == 0xF0 && !data.empty()) {
            setup[data[0]] = data.size() > 1 ? data[1] : 0;
            return Ack();
        }
        break;
    }
    return Nak(ninepin::NAK_UNDEFINED);
}

Bytes DeckResponder::transport(std::uint8_t cmd2, double now) {
    switch (cmd2) {
    case 0x00:
        model.stop(now);
        break;
    case 0x01:
        model.play(now);
        break;
    case 0x02:
        model.record(now);
        break;
    case 0x04:
        model.standby(false, now);
        break;
    case 0x05:
        model.standby(true, now);
        break;
    case 0x0F:
        model.eject(now);
        break;
    case 0x10:
        model.fastForward(now);
        break;
    case 0x20:
        model.rewind(now);
        break;
    case 0x60:
        model.ee(false, now);
        break;
    case 0x61:
        model.ee(true, now);
        break;
    default:
        return Nak(ninepin::NAK_UNDEFINED);
    }
    return Ack();
}

Bytes DeckResponder::variable(std::uint8_t cmd2, std::uint8_t speed, double now) {
    switch (cmd2) {
    case 0x11:
        model.jog(false, speed, now);
        break;
    case 0x21:
        model.jog(true, speed, now);
        break;
    case 0x12:
        model.var(false, speed, now);
        break;
    case 0x22:
        model.var(true, speed, now);
        break;
    case 0x13:
        model.shuttle(false, speed, now);
        break;
    case 0x23:
        model.shuttle(true, speed, now);
        break;
    default:
        return Nak(ninepin::NAK_UNDEFINED);
    }
    return Ack();
}

std::vector<Bytes> FrameAssembler::add(const Bytes& bytes, double now) {
    std::vector<Bytes> frames;
    expire(now);
    lastByte = now;
    for (auto b : bytes) {
        partial.push_back(b);
        if (partial.size() == ninepin::FrameLength(partial[0])) {
            frames.push_back(partial);
            partial.clear();
        }
    }
    return frames;
}

Bytes FrameAssembler::expire(double now) {
    Bytes dropped;
    if (!partial.empty() && now - lastByte > gap) dropped.swap(partial);
    return dropped;
}
