// Tests of the checks a capture makes: the files' MD5, the recorder's exit status and the
// deck's status over a pass.

#include "DeckHealth.h"
#include "ExitStatus.h"
#include "Md5.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

using namespace testfiles;

namespace {

// GNU md5sum's digest of a file.
std::string Md5sumOf(const std::string& path) {
    FILE* pipe = popen(("md5sum '" + path + "'").c_str(), "r");
    char hex[33] = {};
    if (pipe == nullptr || std::fread(hex, 1, 32, pipe) != 32) hex[0] = 0;
    if (pipe != nullptr) pclose(pipe);
    return hex;
}

// The exit status of GNU md5sum -c on a sidecar, run in its folder.
int Md5sumCheck(const std::string& folder, const std::string& sidecar) {
    const int status =
        std::system(("cd '" + folder + "' && md5sum -c --status '" + sidecar + "'").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(Md5, GivesTheDigestsOfTheRfc1321TestSuite) {
    const std::pair<std::string, std::string> rows[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, want] : rows) EXPECT_EQ(Md5Hex(text), want) << '"' << text << '"';
}

TEST(Md5, FilesOfEveryBlockBoundaryHashAsMd5sumDoes) {
    Folder tmp;
    // Lengths about the 64-byte block and its 56-byte padding limit, and past one read block.
    for (size_t length : {0, 55, 56, 57, 63, 64, 65, 119, 120, int(md5ReadBlockBytes) + 57}) {
        std::string bytes(length, '\0');
        for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
        const std::string path = tmp.path + "/" + std::to_string(length);
        Write(path, bytes);
        std::string hex;
        EXPECT_EQ(Md5OfFile(path, hex), "") << length;
        EXPECT_EQ(hex, Md5sumOf(path)) << length;
        Md5 pieces; // fed in pieces that straddle the blocks
        for (size_t at = 0; at < length; at += 7) pieces.add(std::string_view(bytes).substr(at, 7));
        EXPECT_EQ(pieces.hex(), hex) << length;
    }
}

TEST(Md5Sidecar, PassesMd5sumCheckAndNeverLeavesAPartOrReplacesOne) {
    Folder tmp;
    struct Row {
        std::string name;
        std::string before; // a sidecar already there
        bool changed;       // the file is changed after its sidecar was written
        rlim_t limit;       // the largest file that may be written; 0: no limit
        std::string want;
        int check; // md5sum -c's exit status; -1: the sidecar is as before (or absent)
    };
    const Row rows[] = {
        {"x.mkv", "", false, 0, "", 0},
        {"y.mkv", "", true, 0, "", 1},
        {"a\\b\nc.mkv\r", "", false, 0, "", 0},
        {"z.mkv", "old", false, 0, "File exists", -1},
        {"full.mkv", "", false, 10, "File too large", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = tmp.path + "/" + row.name;
        Write(path, "picture of " + row.name);
        if (!row.before.empty()) Write(path + ".md5", row.before);
        EXPECT_EQ(WithSizeLimit(row.limit, [&] { return WriteMd5Sidecar(path); }), row.want);
        if (row.changed) Write(path, "another picture");
        if (row.check >= 0) {
            EXPECT_EQ(Md5sumCheck(tmp.path, row.name + ".md5"), row.check);
        } else {
            EXPECT_EQ(Slurp(path + ".md5"), row.before);
        }
    }
    EXPECT_EQ(WriteMd5Sidecar(tmp.path + "/missing.mkv"), "No such file or directory");
}

TEST(ExitStatus, TheAcceptedListReadsNumbersUpTo255) {
    using List = std::optional<std::vector<int>>;
    const std::pair<std::string, List> rows[] = {
        {std::string(captureExitOKDefault), std::vector{0, 255}},
        {"0,1, 2\t007", std::vector{0, 1, 2, 7}},
        {" 255 ", std::vector{255}},
        {"256", std::nullopt},
        {"-1", std::nullopt},
        {"0 1a", std::nullopt},
        {"", std::nullopt},
        {" , ", std::nullopt},
    };
    for (const auto& [text, want] : rows)
        EXPECT_EQ(ParseExitList(text), want) << '"' << text << '"';
}

TEST(ExitStatus, EachStatusSaysWhatItMeansAndWhetherItCounts) {
    const std::vector<int> usual{0, 255};
    struct Row {
        int status;
        std::vector<int> accepted;
        std::string want;
    };
    const Row rows[] = {
        {0, usual, "0: ended normally (accepted)"},
        {0, {255}, "0: ended normally (not accepted)"},
        {255, usual, "255: ended on SIGINT as ffmpeg does (accepted)"},
        {130, usual, "130: ended by SIGINT (not accepted)"},
        {137, usual, "137: killed by SIGKILL (not accepted)"},
        {143, usual, "143: ended by SIGTERM (not accepted)"},
        {139, usual, "139: ended by SIGSEGV (not accepted)"},
        {128, usual, "128: error (not accepted)"},
        {1, {0, 1}, "1: error (accepted)"},
    };
    for (const Row& row : rows) EXPECT_EQ(ExitMeaning(row.status, row.accepted), row.want);
}

TEST(DeckHealth, SaysInHowManyReadsEachSignOfTroubleShowed) {
    using Reads = std::vector<std::vector<std::uint8_t>>;
    using Said = std::vector<std::string>;
    // Playing, servo locked, standby on: all nine status bytes.
    const std::vector<std::uint8_t> sound = {0x00, 0x81, 0x80, 0, 0, 0, 0, 0, 0};
    const std::pair<Reads, Said> rows[] = {
        {{}, {"no status read"}},
        {{{}, {}}, {"no status read"}},
        {{sound, sound}, {}},
        {{sound, {0x00, 0x01, 0x00}, sound}, {"SERVO LOCK lost in 1 of 3 reads"}},
        // A read too short to hold a byte is not counted for it.
        {{sound, {0x00, 0x01}, {0x00, 0x01, 0x00}}, {"SERVO LOCK lost in 1 of 2 reads"}},
        {{{0x20, 0x00, 0x00}},
         {"CASSETTE OUT in 1 of 1 reads", "PLAY off in 1 of 1 reads",
          "SERVO LOCK lost in 1 of 1 reads"}},
        {{sound, {0x00, 0x41, 0x82}}, {"TENSION RELEASE in 1 of 2 reads", "STILL in 1 of 2 reads"}},
    };
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(HealthOf(rows[i].first), rows[i].second) << "row " << i;
}
