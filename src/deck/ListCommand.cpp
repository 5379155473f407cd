#include "ListCommand.h"

#include "LocalVCR.h"
#include "Utils.h"

#include <chrono>
#include <future>
#include <memory>

void LoadListCommand(LocalVCR& vcr, const std::string& path) {
    // A script's line runs on the operator-action thread; a client's on its connection's.
    const bool fromScript = vcr.getscriptactive() && vcr.onActionThread();
    auto outcome = std::make_shared<std::promise<std::string>>();
    std::future<std::string> said = outcome->get_future();
    vcr.panel().loadList(path, [outcome](const std::string& text) { outcome->set_value(text); });
    while (said.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        if (vcr.operatorStopped()) return;
    std::string line;
    try {
        line = said.get();
    } catch (const std::future_error&) {
        // The logger went before the list was read (a new one took its place, or the program
        // ends): nothing was loaded into it.
        line = "The logger closed before " + path + " was read: nothing was loaded";
        Utils::OutLine(line);
        vcr.ShowStat(line);
    }
    if (fromScript) return;
    if (auto client = vcr.client()) client->Send(line);
}
