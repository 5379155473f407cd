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

    if (const Action action = remoteAction(cmd1, cmd2, data, now)) {
        if (!model.local()) action();
        return Ack();
    }
    switch (cmd1) {
    case 0x00:
        if (cmd2 == 0x11 && model.config().answersDeviceType)
            return ninepin::Frame(0x1, 0x11, DeviceIdOf(model.config()));
        break;
    case 0x40:
        if (cmd2 == 0x48 || cmd2 == 0x49) return Ack(); // video reference disable on, off
        break;
    case 0x41:
        if (cmd2 == 0x36 && !data.empty()) {
            mode = data[0];
            return Ack();
        }
        break;
    case 0x44:
        if (cmd2 == 0x31) return Ack(); // preroll time preset
        break;
    case 0x61:
        if (cmd2 == 0x0C)
            return TimeReply(AnsweredTimeKind(data, preferred), model.frames(now),
                             model.config().rate);
        if (cmd2 == 0x20 && !data.empty())
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

TimeKind DeckResponder::AnsweredTimeKind(const Bytes& request, TimeKind preferred) {
    if (request.empty()) return preferred;
    const auto bitOf = [](TimeKind kind) -> std::uint8_t {
        switch (kind) {
        case TimeKind::Ltc:
            return 0x01;
        case TimeKind::Vitc:
            return 0x02;
        case TimeKind::Timer1:
            return 0x04;
        }
        return 0;
    };
    const std::uint8_t bits = request[0];
    if (bits & bitOf(preferred)) return preferred;
    for (const TimeKind kind : {TimeKind::Ltc, TimeKind::Vitc, TimeKind::Timer1})
        if (bits & bitOf(kind)) return kind;
    return preferred;
}

Bytes DeckResponder::TimeReply(TimeKind kind, int f, ninepin::TcRate rate) {
    const std::uint8_t cmd2 = kind == TimeKind::Vitc     ? 0x06
                              : kind == TimeKind::Timer1 ? 0x00
                                                         : 0x04;
    const ninepin::Label l = ninepin::LabelOf(f, rate);
    const std::uint8_t df = rate.dropFrame ? 0x40 : 0x00;
    return ninepin::Frame(0x7, cmd2,
                          {static_cast<std::uint8_t>(ninepin::ToBcd(l.f) | df), ninepin::ToBcd(l.s),
                           ninepin::ToBcd(l.m), ninepin::ToBcd(l.h % 100)});
}

Bytes DeckResponder::DeviceIdOf(const DeckModel::Config& cfg) {
    if (cfg.deviceType < 0) return DeviceId(cfg.rate);
    return {static_cast<std::uint8_t>(cfg.deviceType >> 8),
            static_cast<std::uint8_t>(cfg.deviceType & 0xFF)};
}

Bytes DeckResponder::DeviceId(ninepin::TcRate rate) {
    return {static_cast<std::uint8_t>(rate.fps == 25 ? 0x21 : 0x20), 0x10};
}

DeckResponder::Action DeckResponder::remoteAction(std::uint8_t cmd1, std::uint8_t cmd2,
                                                  const Bytes& data, double now) {
    switch (cmd1) {
    case 0x20:
        return transport(cmd2, now);
    case 0x21:
        if (data.empty()) return {};
        return variable(cmd2, data[0], now);
    case 0x24:
        if (cmd2 == 0x31 && data.size() >= 4) {
            const int target = ninepin::FramesOf(
                ninepin::FromBcd(data[3] & 0x3F), ninepin::FromBcd(data[2]),
                ninepin::FromBcd(data[1]), ninepin::FromBcd(data[0] & 0x3F), model.config().rate);
            return [this, target, now] { model.cue(target, now); };
        }
        return {};
    default:
        return {};
    }
}

DeckResponder::Action DeckResponder::transport(std::uint8_t cmd2, double now) {
    DeckModel& m = model;
    switch (cmd2) {
    case 0x00:
        return [&m, now] { m.stop(now); };
    case 0x01:
        return [&m, now] { m.play(now); };
    case 0x02:
        return [&m, now] { m.record(now); };
    case 0x04:
        return [&m, now] { m.standby(false, now); };
    case 0x05:
        return [&m, now] { m.standby(true, now); };
    case 0x0F:
        return [&m, now] { m.eject(now); };
    case 0x10:
        return [&m, now] { m.fastForward(now); };
    case 0x20:
        return [&m, now] { m.rewind(now); };
    case 0x60:
        return [&m, now] { m.ee(false, now); };
    case 0x61:
        return [&m, now] { m.ee(true, now); };
    default:
        return {};
    }
}

DeckResponder::Action DeckResponder::variable(std::uint8_t cmd2, std::uint8_t speed, double now) {
    DeckModel& m = model;
    switch (cmd2) {
    case 0x11:
        return [&m, speed, now] { m.jog(false, speed, now); };
    case 0x21:
        return [&m, speed, now] { m.jog(true, speed, now); };
    case 0x12:
        return [&m, speed, now] { m.var(false, speed, now); };
    case 0x22:
        return [&m, speed, now] { m.var(true, speed, now); };
    case 0x13:
        return [&m, speed, now] { m.shuttle(false, speed, now); };
    case 0x23:
        return [&m, speed, now] { m.shuttle(true, speed, now); };
    default:
        return {};
    }
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
