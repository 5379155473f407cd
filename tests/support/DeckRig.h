#pragma once

#include "DeckSim.h"
#include "SerOutPort.h"
#include "TraceLog.h"

// A simulated deck on a pseudo-terminal, the log of what it received, and the deck link to it.
// The link waits for replies as start-up sets it (9 ms, 25 ms for LANC) unless the test asks for
// another wait: a test that is not about the reply wait may give a busy machine more time.
struct DeckRig {
    static constexpr int programWait = -1;
    // A reply wait that a loaded two-core machine meets.
    static constexpr int patientWait = 40;

    explicit DeckRig(const DeckSim::Options& opts = {}, bool lanc = false,
                     int waitMs = programWait)
        : sim(opts), trace(sim), link(sim.path()) {
        link.setwait(waitMs != programWait ? waitMs : lanc ? 25 : 9);
    }
    DeckSim sim;
    TraceLog trace;
    SerOutPort link;
};
