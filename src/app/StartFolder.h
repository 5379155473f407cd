#pragma once

#include "CommandLine.h"

#include <string>
#include <vector>

// The folder kolb works in and the settings file it reads, as the command line asks.
struct StartFolder {
    // The settings file to read: the --settings path made absolute from the folder kolb started
    // in, else the settings file's name (found in the folder worked in).
    std::string settingsPath;
    // Lines for the console before start-up goes on: the sample settings copied, or missing.
    std::vector<std::string> notes;
    // Why the folder cannot be worked in; empty when it was entered.
    std::string problem;
};

// Enters the folder of --dir, or $HOME/KOLB for --home-folder: made when missing, and when it
// holds no settings file named settingsName (and --settings names none), the sample of that
// name in sampleFolder is copied in. Without either option the current folder stays.
StartFolder EnterStartFolder(const CommandLine& line, const std::string& settingsName,
                             const std::string& sampleFolder);

// Where the sample settings file is installed: share/kolb beside the program's bin folder
// (/usr/share/kolb when the program's own path cannot be read).
std::string SampleFolder();
