#pragma once

#include "LocalVCR.h"

#include <memory>

#include <functional>

// The window system of the process: started once, before the first window. When it cannot start
// (no display), noDisplay is called instead of the window system's own abort; it must not return.
void StartWindowSystem(int& argc, char** argv, std::function<void()> noDisplay = {});
// Runs the window system's event loop; returns when it ends.
int RunWindowSystem();

// The deck controller with the main window as its panel.
std::unique_ptr<LocalVCR> MakeController(SerOutPort& sop, int socketport, bool lanc,
                                         const Settings& settings, int width, int fontheight);
