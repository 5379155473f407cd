#pragma once

#include "CaptureDeck.h"
#include "SerInPort.h"

#include <memory>

class LocalVCR;

// The capture's view of the deck controller: the bare transport and cue frames, the cue-up and
// control state, and the poller's reads.
std::unique_ptr<CaptureDeck> MakeCaptureLink(LocalVCR& vcr);

// The second port's way to the controller: every command is refused with "Capture running"
// while a capture runs, so nothing moves the deck under it; the marks still go to the logger.
std::unique_ptr<ZamTarget> MakeZamGate(LocalVCR& vcr);
