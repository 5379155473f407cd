#include "CueControlLock.h"

void CueControlLock::hold() {
    bool first = false;
    {
        std::lock_guard lock(mutex);
        first = holders++ == 0;
    }
    if (first) show(true);
}

void CueControlLock::release() {
    bool last = false;
    {
        std::lock_guard lock(mutex);
        if (holders == 0) return;
        last = --holders == 0;
    }
    if (last) show(false);
}

bool CueControlLock::held() const {
    std::lock_guard lock(mutex);
    return holders > 0;
}
