#pragma once

#include "StopSignal.h"

#include <string>

// A listening TCP socket on an IPv4 address text and a port (0: any free port); -1 with the
// reason in `error` when it cannot be had. A restart binds again at once, even while the last
// run's connections wait out their end.
int OpenListener(const std::string& address, int port, int backlog, std::string& error);
// The port a listening socket is bound to.
int ListeningPort(int socket);

// Keepalive on a connected socket: a peer that is gone without a word (a cable pulled, a host
// switched off) is found after idleS seconds of silence and `probes` unanswered probes
// intervalS apart, and the socket's reads end as an I/O error. An option that does not apply
// (a socket that is not TCP) is left out.
void KeepConnectionAlive(int socket, int idleS, int intervalS, int probes);

// The next connection on a listening socket, or -1 once `stopping` was requested (a shutdown of
// the socket ends a waiting accept). A failed accept (out of descriptors, a connection gone
// before it was taken) is tried again without spinning.
int AcceptNext(int listening, StopSignal& stopping);
