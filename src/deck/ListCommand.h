#pragma once

#include <string>

class LocalVCR;

// "LoadList <path>" from a script line or a client: the window loads the list at path into its
// logger (DeckPanel::loadList) while the calling thread waits, never the window's. Returns once
// the list is loaded or refused, or at once when the operator stops the script or the program
// ends. The window's strip, the status field and the log say what came of it; a client is
// answered that line too.
void LoadListCommand(LocalVCR& vcr, const std::string& path);
