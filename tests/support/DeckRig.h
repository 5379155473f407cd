#pragma once

#include "DeckSim.h"
#include "SerOutPort.h"
#include "TraceLog.h"

// A simulated deck on a pseudo-terminal, the log of what it received, and the deck link to it
// with the reply wait start-up gives (9 ms, 25 ms for LANC).
struct DeckRig {
    explicit DeckRig(const DeckSim::Options& opts = {}, bool lanc = false)
        : sim(opts), trace(sim), link(sim.path()) {
        link.setwait(lanc ? 25 : 9);
    }
    DeckSim sim;
    TraceLog trace;
    SerOutPort link;
};
