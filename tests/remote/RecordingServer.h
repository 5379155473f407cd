#pragma once

#include "ServerTarget.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A controller that notes what the network server hands it, in order: status texts, command
// lines, the closing hook's calls and the clients it is given. The server's threads write; a
// test waits for what it expects.
class RecordingServer : public ServerTarget {
public:
    using Lines = std::vector<std::string>;
    struct Record {
        Lines statuses;
        Lines commands;
        int closings = 0;
        std::vector<std::shared_ptr<ClientLine>> clients;
        long count(const std::string& status) const {
            return std::count(statuses.begin(), statuses.end(), status);
        }
    };

    bool ParseNetCommand(const std::string& line) override {
        return change([&](Record& r) { r.commands.push_back(line); });
    }
    void ShowStat(const std::string& text) override {
        change([&](Record& r) { r.statuses.push_back(text); });
    }
    void CommandB5() override {
        change([](Record& r) { ++r.closings; });
    }
    void setClient(std::shared_ptr<ClientLine> client) override {
        change([&](Record& r) { r.clients.push_back(std::move(client)); });
    }

    Record record() const {
        std::lock_guard lock(mutex);
        return done;
    }
    // Waits up to 10 s for the condition; true when it holds.
    bool waitFor(const std::function<bool(const Record&)>& condition) const {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return condition(done); });
    }

private:
    bool change(const std::function<void(Record&)>& what) {
        std::lock_guard lock(mutex);
        what(done);
        changed.notify_all();
        return true;
    }

    mutable std::mutex mutex; // guards done
    mutable std::condition_variable changed;
    Record done;
};
