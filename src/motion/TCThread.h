#pragma once

#include <atomic>
#include <thread>

// The reads the poller makes of the deck controller.
class PollTarget {
public:
    virtual ~PollTarget() = default;
    virtual void CommandB8() = 0;     // current time
    virtual void CommandStatus() = 0; // status
    // The status is read every cycle while this says so.
    virtual bool statusOften() const { return false; }
};

// The timecode poller: reads the time every cycle and the status on cycles 1, 9, 17, ... (every
// cycle while the target asks for it), sleeping its interval before each cycle. stopme() ends it
// after the cycle in progress. A cycle that throws is abandoned and the loop goes on.
class TCThread {
public:
    // Interval 35 ms; 60 ms for LANC; 20 ms for the VANTO recorder, which wins over LANC.
    TCThread(PollTarget& svcr, bool lanc, bool vanto);
    ~TCThread(); // stops and waits for the thread's end
    TCThread(const TCThread&) = delete;
    TCThread& operator=(const TCThread&) = delete;

    void start();
    void stopme() { a = false; }
    void setsleeptime(int ms) { sleeptime = ms; }
    // Kept for the review hooks; it selects no other poll pattern.
    void setreviewclip(bool flag) { reviewclip = flag; }

    int getsleeptime() const { return sleeptime; }
    bool running() const { return alive; }
    long cycles() const { return cycleCount; }

private:
    void run();

    std::atomic<bool> a{true};
    std::atomic<int> sleeptime;
    std::atomic<bool> reviewclip{false};
    std::atomic<bool> alive{false};
    std::atomic<long> cycleCount{0};
    int n = 0;
    PollTarget& svcr;
    std::thread thread;
};
