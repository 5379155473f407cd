#pragma once

#include "Properties.h"
#include "Timecode.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The values of the settings file "ZEMASettings.txt", with the values in force before the file
// is read. Texts are kept exactly as read; the flags and numbers are derived from them.
struct Settings {
    std::string note = "KOLB";
    std::string verbo;
    bool verbose = false;
    std::string comport1 = "COM1";
    std::string comport2 = "COM2";
    std::string UseClipboard;
    bool useclipboard = false;
    std::string StopOnExit;
    bool stoponexit = false;
    std::string VCRType = "RS422";
    bool vanto = false;
    bool lanc = false;
    std::string PRString = "00:00:00:00";
    std::string Compression = "4";
    int compression = 4;
    std::string VideoMode = "NTSC";
    int videomode = 2;
    std::string VideoType = "COMP";
    int videotype = 0;
    std::string LoopRecMode = "NO";
    int looprecmode = 0;
    std::string LoopPlayMode = "NO";
    int loopplaymode = 0;

    // The keys below are printed in the settings block only when the file sets them.
    // "UseZAM" = "YES": the external controller on the second port ("COMPort2").
    std::optional<std::string> UseZAM;
    bool zam = false;
    std::optional<std::string> COMPort2;
    // "NetServer" = "YES": the TCP command server, on "NetPort" bound to "NetAddress". Loopback
    // by default: the protocol has no login.
    std::optional<std::string> NetServer;
    bool netserver = false;
    std::optional<std::string> NetPort;
    int netport = 2001;
    std::optional<std::string> NetAddress;
    std::string netaddress = "127.0.0.1";
    // "HyperDeckServer" = "YES": the HyperDeck protocol front end, on "HyperDeckPort" (9993, the
    // protocol's) bound to "HyperDeckAddress" (loopback by default: the protocol has no login).
    std::optional<std::string> HyperDeckServer;
    bool hyperdeck = false;
    std::optional<std::string> HyperDeckPort;
    int hyperdeckport = 9993;
    std::optional<std::string> HyperDeckAddress;
    std::string hyperdeckaddress = "127.0.0.1";
    // "HyperDeckRecord" = "YES": a HyperDeck client's "record" records. Otherwise it is refused
    // ("150 invalid state") and nothing is sent to the deck.
    std::optional<std::string> HyperDeckRecord;
    bool hyperdeckRecord = false;
    // "FrameRate": "30" (the default), "25", "30DF" (29.97 drop-frame) or "AUTO" (read from the
    // deck at start-up). Any other value counts as 30, and the block says so.
    std::optional<std::string> FrameRate;
    timecode::Rate framerate = timecode::rate30;
    bool autoRate = false;
    // Capture from the log: "CaptureCommand" (the recorder's command line, run without a
    // shell; empty: no capture), "CaptureFolder" (default "captures"), "CaptureLead" (frames
    // the recorder starts before the in point, default 0).
    std::optional<std::string> CaptureCommand;
    std::optional<std::string> CaptureFolder;
    std::string captureFolder = "captures";
    std::optional<std::string> CaptureLead;
    int captureLead = 0;
    // What makes a clip done, and what is done with its files: "CaptureExitOK" (the recorder's
    // exit statuses that count as a good end, default "0 255"), "CaptureMinFree" (the room a
    // clip needs at least, bytes with K, M or G; default 256M), "CaptureHandles" (frames
    // recorded before the in and after the out, default 0), "CaptureProbe" (the command that
    // counts a file's frames; default ffprobe when installed, NO for none), "CaptureTrim"
    // (YES: a copy of exactly in to out beside the handled original), "CaptureTrimCommand",
    // "CaptureFrameMD5" (YES: an MD5 per frame too). The command texts are read by the capture.
    std::optional<std::string> CaptureExitOK;
    std::optional<std::string> CaptureMinFree;
    long long captureMinFree = 256LL << 20;
    std::optional<std::string> CaptureHandles;
    int captureHandles = 0;
    std::optional<std::string> CaptureProbe;
    std::optional<std::string> CaptureTrim;
    bool captureTrim = false;
    std::optional<std::string> CaptureTrimCommand;
    std::optional<std::string> CaptureFrameMD5;
    bool captureFrameMd5 = false;
    // "RecordStart": where a CMX 3600 list's record times start, a timecode at the rate in use
    // (default 01:00:00:00).
    std::optional<std::string> RecordStart;
};

// The product's name: the title of its windows and of its log.
inline std::string ProductName(const Settings& s) {
    return s.vanto ? "JUTA" : "KOLB";
}

// The longest value a setting may have, in bytes. The longest real one (a device path, a note)
// is far shorter; a longer one is a damaged or hostile file, and would be carried into every
// console line and window title that names it.
constexpr std::size_t maxSettingValue = 256;

// Takes out of the properties every value longer than maxSettingValue, so its setting keeps
// the value in force before the file is read. Returns one console line for each:
// "Settings value too long: <key>" (a key itself is shown at most 40 characters long).
std::vector<std::string> DropOverlongValues(Properties& props);

// Applies the keys of a settings file to the values in force before it is read. A key that
// the file does not hold leaves its value as it was.
Settings SettingsFromProperties(const Properties& props);

// The port of a "NetPort" text: a decimal number from 1 to 65535; nothing for anything else
// (0, 65536, "20x1").
std::optional<int> NetPortFromText(const std::string& text);

// A size in bytes: a decimal number, optionally followed by K, M or G (times 1024 each); nothing
// for anything else or for more than a petabyte.
std::optional<long long> ByteSizeFromText(const std::string& text);

// The settings block that start-up writes to the log, one entry a line. A bad value of
// "NetPort" or "FrameRate" is followed by a line naming it and the value used instead.
std::vector<std::string> SettingsBlock(const Settings& s);
