// The external controller's byte stream on the second port: the reader's poll takes the first
// two bytes waiting and drops the rest, and parse acts on them.
#include "FuzzSupport.h"
#include "QuietPort.h"
#include "SerInPort.h"

#include <algorithm>
#include <cstring>

namespace {
// The port: the input in bursts; the first byte sets the burst length.
class BurstPort : public QuietPort {
public:
    BurstPort(std::string_view bytes, std::size_t burst) : rest(bytes), burst(burst) {}
    int rxReadyCount() override { return static_cast<int>(std::min(burst, rest.size())); }
    int getData(std::span<std::uint8_t> out, int offset, int length) override {
        const auto n = std::min({static_cast<std::size_t>(length), rxReadyCount() + 0ul,
                                 out.size() - static_cast<std::size_t>(offset)});
        std::memcpy(out.data() + offset, rest.data(), n);
        rest.remove_prefix(n);
        return static_cast<int>(n);
    }
    void rxFlush() override { rest.remove_prefix(std::min(burst, rest.size())); }

private:
    std::string_view rest;
    std::size_t burst;
};

class CountingTarget : public ZamTarget {
public:
    void play() override { ++actions; }
    void stop() override { ++actions; }
    void rewind() override { ++actions; }
    void forward() override { ++actions; }
    void jogf() override { ++actions; }
    void jogr() override { ++actions; }
    void setin() override { ++actions; }
    void setout() override { ++actions; }
    int actions = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietConsole();
    if (size == 0) return 0;
    const std::string_view bytes = fuzz::text(data + 1, size - 1);
    const std::size_t burst = 1 + data[0] % 8;
    SerInPort port("fuzz-second-port",
                   [&](const SerialConfig&) { return std::make_unique<BurstPort>(bytes, burst); });
    FUZZ_CHECK(!port.bad());
    CountingTarget target;
    port.setlocalvcr(&target);
    // The reader's thread is not started here: the polls are the fuzzer's own. With the stop
    // requested, the rest after each message ends at once instead of sleeping.
    port.stopme();
    // One message a burst at most, one action a message at most.
    const int polls = static_cast<int>(bytes.size() / burst) + 1;
    for (int i = 0; i < polls; ++i) port.readdirect();
    FUZZ_CHECK(target.actions <= polls);
    return 0;
}
