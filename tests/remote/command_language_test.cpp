// The command language: which line invokes which operation, and which lines are not understood.
#include "CommandLanguage.h"
#include "RecordingTarget.h"

#include <gtest/gtest.h>

using Calls = std::vector<std::string>;

TEST(CommandLanguage, EachWordInvokesItsOperationExactlyAsSpelt) {
    const std::pair<const char*, const char*> words[] = {
        {"Play", "play"},       {"Pause", "pause"},         {"Stop", "stop"},
        {"Forward", "forward"}, {"Rewind", "rewind"},       {"Record", "record"},
        {"GetTC", "reporttc"},  {"Status", "reportstatus"}, {"CueIn", "cue"},
        {"CueOut", "cueout"},   {"JogF", "jogf"},           {"JogR", "jogr"},
        {"Fast2", "fasttwo"},   {"Fast5", "fastfive"},      {"Slow5", "slowfifth"},
        {"Slow3", "slowthird"}, {"Slow2", "slowhalf"},      {"CuePlay", "cueplay"},
        {"EEOn", "eeon"},       {"EEOff", "eeoff"},         {"Review", "reviewclip"},
        {"SbyOn", "sbyon"},     {"SbyOff", "sbyoff"},
    };
    for (const auto& [word, op] : words) {
        RecordingTarget t;
        EXPECT_TRUE(ParseNetCommand(t, word)) << word;
        EXPECT_EQ(t.calls(), Calls{op}) << word;
    }
}

TEST(CommandLanguage, LinesThatAreNotWordsAreNotUnderstoodAndDoNothing) {
    for (const char* line : {"play", "PLAY", "Play ", " Play", "Play\r", "Sbyon", "Cueplay", "P",
                             "Pl", "", "tc", "Wai", "Jogf", "StopStop", "cueIn"}) {
        RecordingTarget t;
        EXPECT_FALSE(ParseNetCommand(t, line)) << "'" << line << "'";
        EXPECT_TRUE(t.calls().empty()) << "'" << line << "'";
    }
}

TEST(CommandLanguage, ACueMotionOnATextThatIsNotATimecodeIsNotUnderstood) {
    for (const char* line : {"CueIn", "CueOut", "CuePlay", "Review"}) {
        RecordingTarget t;
        t.textsValid = false;
        EXPECT_FALSE(ParseNetCommand(t, line)) << line;
        EXPECT_EQ(t.calls().size(), 1u) << line << " was still tried once";
    }
}

TEST(CommandLanguage, WaitTakesPlainNonNegativeSecondsThatFitAndNothingElse) {
    struct Case {
        const char* line;
        bool understood;
        Calls calls;
    };
    const Case cases[] = {
        {"Wait0", true, {"wait 0"}},
        {"Wait5", true, {"wait 5000"}},
        {"Wait10", true, {"wait 10000"}},
        {"Wait007", true, {"wait 7000"}},
        {"Wait2147483", true, {"wait 2147483000"}},
        {"Wait2147484", false, {}}, // its milliseconds do not fit
        {"Wait99999999999999999999", false, {}},
        {"Wait", false, {}},
        {"Wait 5", false, {}},
        {"Wait-1", false, {}},
        {"Wait+5", false, {}},
        {"Wait5s", false, {}},
        {"Waitx", false, {}},
        {"wait5", false, {}},
    };
    for (const Case& c : cases) {
        RecordingTarget t;
        EXPECT_EQ(ParseNetCommand(t, c.line), c.understood) << c.line;
        EXPECT_EQ(t.calls(), c.calls) << c.line;
    }
    EXPECT_EQ(WaitSeconds("12"), 12);
    EXPECT_FALSE(WaitSeconds("").has_value());
}

TEST(CommandLanguage, Tc1AndTc2SetThePointsToTheRestOfTheLineUnchecked) {
    const std::pair<const char*, const char*> cases[] = {
        {"tc101:00:10:00", "in=01:00:10:00"},   {"tc1", "in="},
        {"tc1 01:00:10:00", "in= 01:00:10:00"}, {"tc1junk", "in=junk"},
        {"tc200:00:20:00", "out=00:00:20:00"},  {"tc2", "out="},
    };
    for (const auto& [line, call] : cases) {
        RecordingTarget t;
        EXPECT_TRUE(ParseNetCommand(t, line)) << line;
        EXPECT_EQ(t.calls(), Calls{call}) << line;
    }
    RecordingTarget t;
    EXPECT_FALSE(ParseNetCommand(t, "tc3")) << "only the in and out points";
    EXPECT_FALSE(ParseNetCommand(t, "TC100:00:10:00"));
}
