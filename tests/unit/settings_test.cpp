#include "KOLB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs GetProps and showprops on a settings file in a fresh working directory and keeps the
// lines they write.
class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        previous = fs::current_path();
        char tmpl[] = "/tmp/kolb-settings-XXXXXX";
        dir = ::mkdtemp(tmpl);
        fs::current_path(dir);
        Utils::SetLineSink([this](const std::string& line) { lines.push_back(line); });
    }
    void TearDown() override {
        Utils::SetLineSink({});
        fs::current_path(previous);
        fs::remove_all(dir);
    }
    void load(const std::string& text) {
        std::ofstream(KOLB::settingsFile, std::ios::binary) << text;
        KOLB k;
        k.GetProps();
        k.showprops();
    }
    // The block line for a label, or "" when the block has none.
    std::string blockLine(const std::string& label) const {
        for (const auto& l : lines)
            if (l.rfind(label, 0) == 0) return l;
        return "";
    }

    fs::path previous;
    fs::path dir;
    std::vector<std::string> lines;
};

const char* exampleFile = "UserNote=Studio A\nVerbose=NO\nCOMPort=COM1\nUseClipboard=NO\n"
                          "StopOnExit=YES\nVCRType=RS422\nPreroll=00:00:05:00\n";

} // namespace

TEST_F(SettingsFile, ATapeDeckFileGivesTheBlockLineForLine) {
    load(exampleFile);
    const std::vector<std::string> expected = {
        " ",
        "SETTINGS:",
        "User Note        = Studio A",
        "VCR Type         = RS422",
        "VCR COM Port     = COM1",
        "Use Clipboard    = NO",
        "Stop On Exit     = YES",
        "Verbose          = NO",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(KOLB::getstoponexit());
    EXPECT_FALSE(KOLB::getuseclipboard());
    EXPECT_FALSE(KOLB::getverbose());
    EXPECT_FALSE(KOLB::getvanto());
    EXPECT_FALSE(KOLB::getlanc());
    EXPECT_EQ(KOLB::getpreroll(), "00:00:05:00");
    EXPECT_EQ(KOLB::getcomport2(), "COM2");
}

TEST_F(SettingsFile, TextsAreTestedExactlyAndShownAsWritten) {
    load("UserNote=Control Room 4\nVerbose=Yes\nUseClipboard=YES \nStopOnExit=yes\n"
         "VCRType=lanc\n");
    EXPECT_EQ(KOLB::settings.note, "Control Ro");
    EXPECT_FALSE(KOLB::getverbose());
    EXPECT_EQ(blockLine("Verbose"), "Verbose          = Yes");
    EXPECT_FALSE(KOLB::getuseclipboard()) << "YES followed by a blank is not YES";
    EXPECT_FALSE(KOLB::getstoponexit());
    EXPECT_FALSE(KOLB::getlanc()) << "lanc is not LANC";

    lines.clear();
    load("Verbose=YES\nVCRType=LANC\nUseClipboard=YES\n");
    EXPECT_TRUE(KOLB::getverbose());
    EXPECT_TRUE(KOLB::getlanc());
    EXPECT_TRUE(KOLB::getuseclipboard());
    // A missing Preroll takes the value set just before it is read.
    EXPECT_EQ(KOLB::getpreroll(), "00:00:05:00");
}

TEST_F(SettingsFile, VantoReadsTheRecorderKeysAndClampsCompression) {
    struct Case {
        std::string extra;
        int compression, videomode, videotype, looprec, loopplay;
    };
    const std::vector<Case> cases = {
        {"", 4, 2, 0, 0, 0},
        {"Compression=12\nVideoMode=PAL\nVideoType=SVID\nLoopRecMode=YES\nLoopPlayMode=YES\n", 10,
         0, 1, 1, 1},
        {"Compression=2\nVideoMode=SECAM\nVideoType=RGB\nLoopRecMode=yes\n", 4, 3, 0, 0, 0},
        {"Compression=7\nVideoMode=NTSC\nVideoType=COMP\n", 7, 2, 0, 0, 0},
        {"Compression=seven\n", 4, 2, 0, 0, 0},
    };
    for (const auto& c : cases) {
        lines.clear();
        load("UserNote=Disk\nCOMPort=COM3\nVCRType=VANTO\n" + c.extra);
        SCOPED_TRACE(c.extra);
        EXPECT_TRUE(KOLB::getvanto());
        EXPECT_EQ(KOLB::getcompression(), c.compression);
        EXPECT_EQ(KOLB::getvideomode(), c.videomode);
        EXPECT_EQ(KOLB::getvideotype(), c.videotype);
        EXPECT_EQ(KOLB::getlooprecmode(), c.looprec);
        EXPECT_EQ(KOLB::getloopplaymode(), c.loopplay);
    }
    // The texts are kept as read; the five recorder lines sit between the port and clipboard.
    lines.clear();
    load("COMPort=COM3\nVCRType=VANTO\nCompression=12\nVideoMode=SECAM\nVideoType=SVID\n"
         "LoopRecMode=NO\nLoopPlayMode=YES\nUseClipboard=NO\nStopOnExit=NO\nVerbose=NO\n");
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[4], "VCR COM Port     = COM3");
    EXPECT_EQ(lines[5], "Compression      = 10");
    EXPECT_EQ(lines[6], "VideoMode        = SECAM");
    EXPECT_EQ(lines[7], "VideoType        = SVID");
    EXPECT_EQ(lines[8], "LoopRecMode      = NO");
    EXPECT_EQ(lines[9], "LoopPlayMode     = YES");
    EXPECT_EQ(lines[10], "Use Clipboard    = NO");
}

TEST_F(SettingsFile, RecorderKeysAreIgnoredForATapeDeckAndLancNeverWithVanto) {
    load("VCRType=RS422\nCompression=9\nVideoMode=PAL\n");
    EXPECT_EQ(KOLB::getcompression(), 4);
    EXPECT_EQ(KOLB::getvideomode(), 2);
    EXPECT_EQ(blockLine("Compression"), "");
    load("VCRType=VANTO\n");
    EXPECT_FALSE(KOLB::getlanc());
}

TEST_F(SettingsFile, RepeatsContinuationsAndEscapesReachTheValues) {
    load("COMPort=COM1\nCOMPort=/dev/ttyUSB0\nUserNote=Edit \\\n   "
         "Bay\\t2\nPreroll=00:00:\\u0030\\u0033:00\n");
    EXPECT_EQ(KOLB::settings.comport1, "/dev/ttyUSB0");
    EXPECT_EQ(KOLB::settings.note, "Edit Bay\t2");
    EXPECT_EQ(KOLB::getpreroll(), "00:00:03:00");
    EXPECT_EQ(blockLine("VCR COM Port"), "VCR COM Port     = /dev/ttyUSB0");
}

TEST_F(SettingsFile, AnUnreadableFileReportsAProblemAndKeepsTheInitialValues) {
    load("COMPort=/dev/ttyUSB0\nVCRType=LANC\n");
    fs::remove(KOLB::settingsFile);
    fs::create_directory(KOLB::settingsFile); // exists, but cannot be read as a file
    lines.clear();
    KOLB().GetProps();
    EXPECT_EQ(lines, std::vector<std::string>{"Settings File Problem"});
    EXPECT_EQ(KOLB::settings.comport1, "COM1");
    EXPECT_FALSE(KOLB::getlanc());
    EXPECT_EQ(KOLB::settings.VCRType, "RS422");

    lines.clear();
    Utils::FlushRepeats(); // a second load of its own
    fs::remove(KOLB::settingsFile);
    std::ofstream(KOLB::settingsFile) << "COMPort=\\uZZZZ\n";
    KOLB().GetProps();
    EXPECT_EQ(lines, std::vector<std::string>{"Settings File Problem"});
    EXPECT_EQ(KOLB::settings.comport1, "COM1");
}

TEST_F(SettingsFile, TheSecondPortAndServerKeysShowAfterVerboseOnlyWhenSet) {
    load(exampleFile);
    EXPECT_EQ(lines.back(), "Verbose          = NO") << "nothing after Verbose when unset";
    EXPECT_FALSE(KOLB::settings.zam);
    EXPECT_FALSE(KOLB::settings.netserver);
    EXPECT_EQ(KOLB::settings.netport, 2001);
    EXPECT_EQ(KOLB::settings.netaddress, "127.0.0.1");

    struct Case {
        std::string file;
        std::vector<std::string> tail; // the block's lines after Verbose
        bool zam, netserver;
        int port;
        std::string comport2, address;
        bool hyperdeckRecord = false;
    };
    // A port that is not one: named under the block, and 2001 used.
    const auto badPort = [](const std::string& port) {
        return Case{
            "NetPort=" + port + "\n",
            {"Net Port         = " + port,
             "Net Port " + port + " not known: 2001 used (a port is a number from 1 to 65535)"},
            false,
            false,
            2001,
            "COM2",
            "127.0.0.1"};
    };
    // HyperDeckRecord: only YES lets a HyperDeck client record.
    const auto record = [](const std::string& value, bool on) {
        return Case{"HyperDeckRecord=" + value + "\n",
                    {"HyperDeck Record = " + value},
                    false,
                    false,
                    2001,
                    "COM2",
                    "127.0.0.1",
                    on};
    };
    const Case cases[] = {
        {"UseZAM=YES\nCOMPort2=/dev/ttyUSB1\nNetServer=YES\nNetPort=4000\nNetAddress=0.0.0.0\n",
         {"Use ZAM          = YES", "ZAM COM Port     = /dev/ttyUSB1", "Net Server       = YES",
          "Net Port         = 4000", "Net Address      = 0.0.0.0"},
         true,
         true,
         4000,
         "/dev/ttyUSB1",
         "0.0.0.0"},
        {"UseZAM=yes\nNetServer=NO\n",
         {"Use ZAM          = yes", "Net Server       = NO"},
         false,
         false,
         2001,
         "COM2",
         "127.0.0.1"},
        record("YES", true),
        record("NO", false),
        record("yes", false),
        badPort("70000"),
        badPort("port"),
        badPort("0"),
        badPort("20x1"),
        badPort("65536"),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        lines.clear();
        load(exampleFile + c.file);
        const auto verbose = std::find(lines.begin(), lines.end(), "Verbose          = NO");
        ASSERT_NE(verbose, lines.end());
        EXPECT_EQ(std::vector<std::string>(verbose + 1, lines.end()), c.tail);
        EXPECT_EQ(KOLB::settings.zam, c.zam);
        EXPECT_EQ(KOLB::settings.netserver, c.netserver);
        EXPECT_EQ(KOLB::settings.netport, c.port);
        EXPECT_EQ(KOLB::settings.comport2, c.comport2);
        EXPECT_EQ(KOLB::settings.netaddress, c.address);
        EXPECT_EQ(KOLB::settings.hyperdeckRecord, c.hyperdeckRecord);
    }
}

TEST_F(SettingsFile, FrameRateIsPrintedAsTheRateInUseAndAnUnknownOneIs30WithAMessage) {
    const struct {
        const char* value;
        const char* line;
        timecode::Rate rate;
        bool autoRate;
    } cases[] = {
        {"25", "Frame Rate       = 25", timecode::rate25, false},
        {"30DF", "Frame Rate       = 30DF", timecode::rate30DF, false},
        {"30", "Frame Rate       = 30", timecode::rate30, false},
        {"AUTO", "Frame Rate       = AUTO", timecode::rate30, true},
        {"29.97", "Frame Rate 29.97 not known: 30 used (the rates are 30, 25, 30DF and AUTO)",
         timecode::rate30, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        lines.clear();
        load(std::string(exampleFile) + "FrameRate=" + c.value + "\n");
        EXPECT_EQ(lines.back(), c.line);
        EXPECT_EQ(KOLB::settings.framerate, c.rate);
        EXPECT_EQ(KOLB::settings.autoRate, c.autoRate);
        EXPECT_EQ(blockLine("Frame Rate"),
                  "Frame Rate       = " + (c.autoRate ? "AUTO" : timecode::RateText(c.rate)));
    }
    lines.clear();
    load(exampleFile);
    EXPECT_EQ(blockLine("Frame Rate"), "") << "absent: the block as before";
}

TEST_F(SettingsFile, AValueLongerThanAnyRealOneIsRefusedByKeyAndKeepsTheInitialValue) {
    const std::string atLimit(maxSettingValue, 'n');
    const std::string longKey(60, 'k');
    load("COMPort=/dev/" + std::string(maxSettingValue, 'x') + "\nUserNote=" + atLimit +
         "\nVCRType=VANTO\nCompression=" + std::string((1 << 20) - 2048, '7') + "\n" + longKey +
         "=" + std::string(maxSettingValue + 1, 'v') + "\n");
    // One line a value refused, in the order of the keys; a long key is cut.
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Settings value too long: COMPort");
    EXPECT_EQ(lines[1], "Settings value too long: Compression");
    EXPECT_EQ(lines[2], "Settings value too long: " + std::string(40, 'k') + "...");
    EXPECT_EQ(blockLine("VCR COM Port"), "VCR COM Port     = COM1");
    EXPECT_EQ(blockLine("Compression"), "Compression      = 4");
    // A value at the limit is taken (the note shows its first ten characters).
    EXPECT_EQ(blockLine("User Note"), "User Note        = nnnnnnnnnn");
    EXPECT_TRUE(KOLB::getvanto());
}
