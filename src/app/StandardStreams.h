#pragma once

// Makes the process safe to start with its standard descriptors closed or on a pipe that goes
// away: descriptors 0, 1 and 2 that are closed are opened on /dev/null, so the deck port or the
// log never takes their place, and a broken pipe is an ordinary write error, not SIGPIPE.
// Call first thing in main, before any file is opened.
void PrepareStandardStreams();
