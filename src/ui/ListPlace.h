#pragma once

#include "ListFormat.h"

#include <string>

// Where the file dialogs of the loggers open: the folder a list was last loaded from or saved
// to (empty: the working directory), and the format last saved in. The main window keeps one
// for every logger it opens; a first save is offered as CMX 3600, which keeps names whole.
struct ListPlace {
    std::string directory;
    ListFormat format = ListFormat::Cmx3600;
};
