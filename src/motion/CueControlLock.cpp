#include "CueControlLock.h"

void CueControlLock::hold() {
    std::lock_guard lock(mutex);
    if (holders++ == 0) show(true);
}

void CueControlLock::release() {
    std::lock_guard lock(mutex);
    if (holders == 0) return;
    if (--holders == 0) show(false);
}

bool CueControlLock::held() const {
    std::lock_guard lock(mutex);
    return holders > 0;
}
