#pragma once

#include "CommandTarget.h"
#include "HyperDeckClient.h"
#include "HyperDeckReplies.h"
#include "StopSignal.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The HyperDeck Ethernet protocol front end: broadcast tools that roll disk recorders roll the
// deck through it. Up to maxClients are served at once, each on a connection of its own; one
// more is told "120 connection rejected" and closed. After each poll cycle the deck's state is
// compared with the last: a change of the transport, the slot or remote control goes to the
// clients that asked to be told of it (508, 502, 510), queued, so no client holds up the poller.
class HyperDeckServer {
public:
    using Say = HyperDeckClient::Say;
    HyperDeckServer(CommandTarget& deck, Say say);
    ~HyperDeckServer();
    HyperDeckServer(const HyperDeckServer&) = delete;
    HyperDeckServer& operator=(const HyperDeckServer&) = delete;

    // Listens on the address (an IPv4 address text) and port (0: any free port); false when
    // that cannot be done, with the reason in error().
    bool open(const std::string& address, int port);
    const std::string& error() const { return openError; }
    int port() const { return boundPort; }
    // Starts taking clients and following the deck.
    void start();

    static constexpr int maxClients = 8;
    // How long a client that finds every place taken waits for one that is leaving.
    static constexpr int fullWaitMs = 1000;

private:
    void acceptLoop();
    void admit(int socket);
    // The clients whose connections have ended, taken out of the list; under clientsMutex.
    std::vector<std::unique_ptr<HyperDeckClient>> takeEnded();
    // After each status reading, on the poller's thread, and after each transport command the
    // deck acknowledged, on the sender's.
    void deckChanged();

    CommandTarget& deck;
    Say say;
    int listening = -1;
    int boundPort = 0;
    std::string openError;
    StopSignal stopping;
    std::thread acceptThread;
    // Guards clients.
    std::mutex clientsMutex;
    HyperDeckPacer pacer;
    std::condition_variable clientEnded;
    std::vector<std::unique_ptr<HyperDeckClient>> clients;
    // Guards last and readOften: the state the clients were last told of. Held while they are
    // told, so notices from the poller and from commands go out in the order of the states.
    std::mutex noticeMutex;
    struct Seen {
        hyperdeck::Fields transport; // without the timecodes, which change every frame
        hyperdeck::Fields slot;
        hyperdeck::Fields remote;
        std::vector<LoggedClip> clips; // a change is told as the slot's
    };
    Seen last;
    bool readOften = false; // a client listens for transport changes: the status is read often
    Seen seenNow();
};
