#pragma once

#include "LocalVCR.h"

#include <memory>

// The window system of the process: started once, before the first window.
void StartWindowSystem(int& argc, char** argv);
// Runs the window system's event loop; returns when it ends.
int RunWindowSystem();

// The deck controller with the main window as its panel.
std::unique_ptr<LocalVCR> MakeController(SerOutPort& sop, int socketport, bool lanc,
                                         const Settings& settings, int width, int fontheight);
