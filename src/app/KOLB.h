#pragma once

#include "Settings.h"
#include "Utils.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "LocalVCR.h"
#include "SerOutPort.h"

// The application: start-up order and the process-wide start-up state. All state is static;
// main() makes one KOLB object, runs init() and drops it.
class KOLB {
public:
    virtual ~KOLB() = default;

    // Program entry: start-up, then the window system until the program ends.
    static int main(int argc, char** argv);

    virtual void init();
    virtual void MakeSerial();
    virtual void GetProps();
    virtual void showprops();

    // The settings file, looked up in the working directory.
    static constexpr const char* settingsFile = "ZEMASettings.txt";
    // The settings file read: settingsFile unless the command line names another.
    static inline std::string settingsPath = settingsFile;

    static inline Settings settings;
    static inline std::string name;
    static inline std::string title;
    static inline Utils utils;
    static inline std::unique_ptr<SerOutPort> sop;
    static inline std::unique_ptr<LocalVCR> svcr;
    // The window system's arguments, the program's name first (argv ends with a null).
    static inline std::vector<std::string> windowArgs;
    static inline std::vector<char*> windowArgv;
    static inline int argc = 0;
    static inline char** argv = nullptr;
    static inline int socketport = 2001;
    static inline int width = 320;
    static inline int fontheight = 13;
    static constexpr bool nodos = true;
    static inline bool zam = false;

    static bool getvanto() { return settings.vanto; }
    static bool getlanc() { return settings.lanc; }
    static bool getverbose() { return settings.verbose; }
    static int getcompression() { return settings.compression; }
    static int getvideomode() { return settings.videomode; }
    static int getvideotype() { return settings.videotype; }
    static int getlooprecmode() { return settings.looprecmode; }
    static int getloopplaymode() { return settings.loopplaymode; }
    static bool getzam() { return zam; }
    static bool getstoponexit() { return settings.stoponexit; }
    static bool getuseclipboard() { return settings.useclipboard; }
    static std::string getpreroll() { return settings.PRString; }
    static std::string getcomport2() { return settings.comport2; }
    static int getwidth() { return width; }
    static int getfontheight() { return fontheight; }

    // Writes nothing more, waits 5000 ms so the message stays readable, and ends the process.
    [[noreturn]] static void ExitAfterPause(int status);

    // Exit status when the deck port cannot be opened or there is no display: a failure, never
    // success.
    static constexpr int portFailureStatus = 2;
    // Exit status for a command line kolb does not take.
    static constexpr int usageStatus = 2;
    // Exit status when the folder to work in cannot be made or entered.
    static constexpr int folderFailureStatus = 1;
    // A settings file larger than this is not read ("Settings File Problem").
    static constexpr off_t maxSettingsBytes = 1024 * 1024;
};
