// The deck's replies to the two senses, through the controller's own decoding step: the link
// hands back the fuzzer's bytes as the reply of every exchange.
#include "FuzzSupport.h"
#include "LocalVCR.h"
#include "NullPanel.h"
#include "QuietPort.h"
#include "ReplyDecoding.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {
class FeedLink : public SerOutPort {
public:
    FeedLink()
        : SerOutPort("fuzz-link",
                     [](const SerialConfig&) { return std::make_unique<QuietPort>(); }) {}
    DeckReply SendSerial(std::span<const std::uint8_t>) override {
        std::lock_guard lock(mutex);
        return next;
    }
    void feed(const std::uint8_t* data, std::size_t size) {
        std::lock_guard lock(mutex);
        next = DeckReply{};
        next.count = static_cast<int>(std::min(size, next.bytes.size()));
        std::memcpy(next.bytes.data(), data, static_cast<std::size_t>(next.count));
    }

private:
    std::mutex mutex;
    DeckReply next;
};

struct Rig {
    FeedLink link;
    LocalVCR vcr{link, 0, false, Settings(), headless(), [](int) {}};
    Rig() {
        vcr.waitIdle();
        // The poller would read the replies too; the fuzzer's own calls are the readings here.
        if (TCThread* poller = vcr.poller()) poller->stopme();
    }
};

bool isTimeText(const std::string& t) {
    if (t.size() != 11) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool colon = i % 3 == 2;
        if (colon ? t[i] != ':' : (t[i] < '0' || t[i] > '9')) return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietConsole();
    static Rig rig; // one controller for the whole run, its threads joined at exit
    rig.link.feed(data, size);
    const int count = static_cast<int>(std::min<std::size_t>(size, 16));
    const std::span<const std::uint8_t> reply(data, static_cast<std::size_t>(count));

    const auto time = DecodeTimeReply(reply, count);
    if (time) FUZZ_CHECK(isTimeText(time->text) && time->frames >= 0);
    for (const bool review : {false, true}) {
        if (!IsStatusReply(reply, count)) break;
        const StatusReading s = ExtractStatus(reply, review);
        FUZZ_CHECK(s.marks.size() <= 9);
    }

    rig.vcr.CommandB8();
    if (time) FUZZ_CHECK(rig.vcr.getTCString() == time->text);
    rig.vcr.CommandStatus();
    if (IsStatusReply(reply, count))
        FUZZ_CHECK(rig.vcr.getStatusString() == ExtractStatus(reply, false).text);
    return 0;
}
