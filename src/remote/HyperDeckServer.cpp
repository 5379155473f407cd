#include "HyperDeckServer.h"

#include "HyperDeckReplies.h"
#include "Listener.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The fields of `now` that differ from `before`.
hyperdeck::Fields Changed(const hyperdeck::Fields& before, const hyperdeck::Fields& now) {
    hyperdeck::Fields changed;
    for (std::size_t i = 0; i < now.size(); ++i)
        if (i >= before.size() || before[i] != now[i]) changed.push_back(now[i]);
    return changed;
}

hyperdeck::Fields WithoutTimecodes(hyperdeck::Fields fields) {
    std::erase_if(fields, [](const auto& field) {
        return field.first == "display timecode" || field.first == "timecode";
    });
    return fields;
}

} // namespace

HyperDeckServer::HyperDeckServer(CommandTarget& target, Say sayTo)
    : deck(target), say(std::move(sayTo)) {}

HyperDeckServer::~HyperDeckServer() {
    deck.watchDeckState({}); // no notice comes from here on
    deck.readStatusOften(false);
    stopping.request();
    if (listening >= 0) ::shutdown(listening, SHUT_RDWR); // ends a waiting accept
    if (acceptThread.joinable()) acceptThread.join();
    std::vector<std::unique_ptr<HyperDeckClient>> leaving;
    {
        std::lock_guard lock(clientsMutex);
        leaving.swap(clients);
    }
    for (auto& client : leaving) client->shutdown();
    leaving.clear(); // joins each connection's thread
    if (listening >= 0) ::close(listening);
}

bool HyperDeckServer::open(const std::string& address, int port) {
    listening = OpenListener(address, port, maxClients, openError);
    if (listening < 0) return false;
    boundPort = ListeningPort(listening);
    return true;
}

HyperDeckServer::Seen HyperDeckServer::seenNow() {
    const DeckState state = deck.deckState();
    return {WithoutTimecodes(hyperdeck::TransportFields(state)), hyperdeck::SlotFields(state),
            hyperdeck::RemoteFields(state), deck.loggedClips()};
}

void HyperDeckServer::start() {
    if (listening < 0 || acceptThread.joinable()) return;
    {
        // What a client is told before the first reading of the deck: the first reading that
        // differs is news.
        std::lock_guard lock(noticeMutex);
        last = seenNow();
    }
    deck.watchDeckState([this] { deckChanged(); });
    acceptThread = std::thread([this] { acceptLoop(); });
}

void HyperDeckServer::acceptLoop() {
    for (int socket; (socket = AcceptNext(listening, stopping)) >= 0;) admit(socket);
}

std::vector<std::unique_ptr<HyperDeckClient>> HyperDeckServer::takeEnded() {
    std::vector<std::unique_ptr<HyperDeckClient>> ended;
    for (auto& client : clients)
        if (client->finished()) ended.push_back(std::move(client));
    std::erase(clients, nullptr);
    return ended;
}

void HyperDeckServer::admit(int socket) {
    // Ended connections are let go (their threads joined) outside the lock: a thread that is
    // ending takes the lock to say so.
    std::vector<std::unique_ptr<HyperDeckClient>> ended;
    std::unique_lock lock(clientsMutex);
    ended = takeEnded();
    // A client that has just said goodbye may still be closing: the newcomer waits for that,
    // briefly, rather than being turned away.
    const bool room = clientEnded.wait_for(lock, std::chrono::milliseconds(fullWaitMs), [this] {
        return std::count_if(clients.begin(), clients.end(),
                             [](const auto& client) { return !client->finished(); }) < maxClients;
    });
    if (!room) {
        lock.unlock();
        const std::string refused = hyperdeck::Reply(hyperdeck::Code::ConnectionRejected);
        ::send(socket, refused.data(), refused.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(socket);
        say("HyperDeck client refused: " + std::to_string(maxClients) +
            " clients are connected already");
        return;
    }
    for (auto& client : takeEnded()) ended.push_back(std::move(client));
    auto client = std::make_unique<HyperDeckClient>(socket, deck, pacer, say, [this] {
        { std::lock_guard endedLock(clientsMutex); }
        clientEnded.notify_all();
    });
    client->start();
    clients.push_back(std::move(client));
    lock.unlock();
    say("HyperDeck client connected");
}

void HyperDeckServer::deckChanged() {
    std::lock_guard noticeLock(noticeMutex);
    Seen now = seenNow();
    std::string transport, slot, remote;
    if (auto changed = Changed(last.transport, now.transport); !changed.empty())
        transport = hyperdeck::Block(508, "transport info", changed);
    if (last.slot != now.slot || last.clips != now.clips)
        slot = hyperdeck::Block(502, "slot info", now.slot);
    if (last.remote != now.remote) remote = hyperdeck::Block(510, "remote info", now.remote);
    last = std::move(now);
    bool anyListens = false;
    {
        std::lock_guard lock(clientsMutex);
        for (const auto& client : clients) {
            const HyperDeckSession& asked = client->asked();
            anyListens = anyListens || (asked.notifyTransport && !client->finished());
            if (!transport.empty() && asked.notifyTransport) client->send(transport);
            if (!slot.empty() && asked.notifySlot) client->send(slot);
            if (!remote.empty() && asked.notifyRemote) client->send(remote);
        }
    }
    if (anyListens != readOften) {
        readOften = anyListens;
        deck.readStatusOften(anyListens);
    }
}
