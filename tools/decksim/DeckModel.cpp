#include "DeckModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using ninepin::Bytes;

DeckModel::DeckModel(Config config, double nowMs)
    : cfg(config), position(config.startFrames), last(nowMs) {}

int DeckModel::seekTimeFor(int distance) const {
    if (cfg.seekMs >= 0) return cfg.seekMs;
    // About a minute of tape every 100 ms.
    return std::min(cfg.seekMaxMs, std::abs(distance) / 18);
}

void DeckModel::advance(double now) {
    const double dt = now - last;
    last = now;
    if (frozen || dt <= 0) return;
    if (mode == Mode::Cueing) {
        const double done = cueDuration <= 0 ? 1.0 : (now - cueStart) / cueDuration;
        if (done >= 1.0) {
            position = cueTo;
            mode = Mode::Still;
            rate = 0;
            cueUp = true;
        } else {
            position = cueFrom + (cueTo - cueFrom) * done;
        }
        return;
    }
    const double perSecond = cfg.rate.dropFrame ? 30000.0 / 1001.0 : cfg.rate.fps;
    position += rate * perSecond * (dt / 1000.0) * cfg.speedFactor;
    if (position <= 0 && rate < 0) {
        position = 0;
        mode = Mode::Stop;
        rate = 0;
    } else if (position >= cfg.tapeEnd && rate > 0) {
        position = cfg.tapeEnd;
        mode = Mode::Stop;
        rate = 0;
    }
    position = std::clamp(position, 0.0, static_cast<double>(cfg.tapeEnd));
}

void DeckModel::motion(Mode m, double r, double now) {
    advance(now);
    cueUp = false;
    if (!tapeIn) return;
    mode = m;
    rate = r;
}

void DeckModel::stop(double now) {
    motion(Mode::Stop, 0, now);
}
void DeckModel::play(double now) {
    motion(Mode::Play, 1, now);
}
void DeckModel::record(double now) {
    motion(Mode::Record, 1, now);
}
void DeckModel::fastForward(double now) {
    motion(Mode::FastForward, cfg.windSpeed, now);
}
void DeckModel::rewind(double now) {
    motion(Mode::Rewind, -cfg.windSpeed, now);
}

void DeckModel::eject(double now) {
    motion(Mode::Ejected, 0, now);
    mode = Mode::Ejected;
    tapeIn = false;
}

void DeckModel::standby(bool on, double now) {
    advance(now);
    cueUp = false;
    sby = on;
}

void DeckModel::ee(bool on, double now) {
    advance(now);
    cueUp = false;
    eeOn = on;
}

void DeckModel::jog(bool reverse, std::uint8_t speed, double now) {
    const double r = std::min(ninepin::SpeedOfByte(speed), cfg.windSpeed);
    motion(Mode::Jog, reverse ? -r : r, now);
}

void DeckModel::var(bool reverse, std::uint8_t speed, double now) {
    const double r = std::min(ninepin::SpeedOfByte(speed), cfg.windSpeed);
    motion(Mode::Var, reverse ? -r : r, now);
}

void DeckModel::shuttle(bool reverse, std::uint8_t speed, double now) {
    const double r = std::min(ninepin::SpeedOfByte(speed), cfg.windSpeed);
    motion(Mode::Shuttle, reverse ? -r : r, now);
}

void DeckModel::cue(int target, double now) {
    motion(Mode::Cueing, 0, now);
    if (!tapeIn) return;
    cueFrom = static_cast<int>(position);
    cueTo = std::clamp(target, 0, cfg.tapeEnd);
    cueStart = now;
    cueDuration = seekTimeFor(cueTo - cueFrom);
}

int DeckModel::frames(double now) {
    advance(now);
    return static_cast<int>(std::floor(position));
}

Bytes DeckModel::status(int start, int count, double now) {
    advance(now);
    Bytes s(16, 0);
    if (localOn) s[0] |= 0x01;
    if (!tapeIn) s[0] |= 0x20;
    switch (mode) {
    case Mode::Play:
        s[1] |= 0x01;
        s[2] |= 0x80;
        break;
    case Mode::Record:
        s[1] |= 0x02;
        s[2] |= 0x80;
        break;
    case Mode::FastForward:
        s[1] |= 0x04;
        break;
    case Mode::Rewind:
        s[1] |= 0x08;
        s[2] |= 0x04;
        break;
    case Mode::Ejected:
        s[1] |= 0x10;
        break;
    case Mode::Stop:
        s[1] |= 0x20;
        break;
    case Mode::Still:
        s[2] |= 0x02;
        break;
    case Mode::Var:
        s[2] |= 0x08;
        break;
    case Mode::Shuttle:
        s[2] |= rate == 0 ? 0x22 : 0x20;
        break;
    case Mode::Jog:
        s[2] |= 0x10;
        break;
    case Mode::Cueing:
        s[4] |= 0x01;
        if (cueTo < cueFrom) s[2] |= 0x04; // the seek winds back
        break;
    }
    if (rate < 0) s[2] |= 0x04;
    if (sby) s[1] |= 0x80;
    if (cueUp) s[2] |= 0x01;
    if (position >= cfg.tapeEnd) s[8] |= 0x10;
    start = std::clamp(start, 0, 16);
    count = std::clamp(count, 0, 16 - start);
    return Bytes(s.begin() + start, s.begin() + start + count);
}

DeckModel::Snapshot DeckModel::snapshot(double now) {
    const int f = frames(now);
    return Snapshot{mode, f, rate, cueUp, sby, eeOn, tapeIn, frozen, cueTo, localOn};
}

void DeckModel::setFrozen(bool on, double now) {
    advance(now);
    frozen = on;
}

void DeckModel::setSpeedFactor(double factor, double now) {
    advance(now);
    cfg.speedFactor = factor;
}

void DeckModel::setPosition(int f, double now) {
    advance(now);
    position = std::clamp(f, 0, cfg.tapeEnd);
}

void DeckModel::jump(int f, double now) {
    advance(now);
    position = std::clamp(position + f, 0.0, static_cast<double>(cfg.tapeEnd));
}

void DeckModel::insertTape(double now) {
    advance(now);
    if (tapeIn) return;
    tapeIn = true;
    mode = Mode::Stop;
    rate = 0;
    cueUp = false;
}

void DeckModel::setLocal(bool on, double now) {
    advance(now);
    localOn = on;
}
