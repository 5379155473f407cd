// The settings file's text: the properties reader, the settings taken from it and the block
// start-up logs.
#include "FuzzSupport.h"
#include "Properties.h"
#include "Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Properties props;
    try {
        props = ParseProperties(fuzz::text(data, size));
    } catch (const PropertiesError&) {
        return 0;
    }
    const auto refused = DropOverlongValues(props);
    for (const auto& [key, value] : props) FUZZ_CHECK(value.size() <= maxSettingValue);
    const Settings s = SettingsFromProperties(props);
    FUZZ_CHECK(s.netport >= 1 && s.netport <= 65535);
    FUZZ_CHECK(s.compression >= 4 && s.compression <= 10);
    // A label and its value, or a value that is not known with what is used instead.
    for (const auto& line : SettingsBlock(s)) FUZZ_CHECK(line.size() <= 80 + maxSettingValue);
    for (const auto& message : refused) FUZZ_CHECK(message.size() <= 200);
    return 0;
}
