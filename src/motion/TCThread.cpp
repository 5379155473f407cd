#include "TCThread.h"

#include <chrono>

TCThread::TCThread(PollTarget& target, bool lanc, bool vanto) : sleeptime(35), svcr(target) {
    if (lanc) sleeptime = 60;
    if (vanto) sleeptime = 20;
}

TCThread::~TCThread() {
    stopme();
    if (thread.joinable()) thread.join();
}

void TCThread::start() {
    if (thread.joinable()) return;
    alive = true;
    thread = std::thread(&TCThread::run, this);
}

void TCThread::run() {
    while (a) {
        std::this_thread::sleep_for(std::chrono::milliseconds(sleeptime.load()));
        try {
            svcr.CommandB8();
            if (n == 0 || svcr.statusOften()) svcr.CommandStatus();
        } catch (...) {
            // Nothing of a failed cycle is kept; the next one reads the deck afresh.
        }
        if (++n > 7) n = 0;
        ++cycleCount;
    }
    alive = false;
}
