// The kolb-decksim program as a person runs it.
#include "Process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {
const std::string decksim = DECKSIM_BINARY;

std::vector<std::uint8_t> exchange(const std::string& path, std::vector<std::uint8_t> frame,
                                   size_t want = 7) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return {};
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    (void)!::write(fd, frame.data(), frame.size());
    std::vector<std::uint8_t> reply;
    pollfd p{fd, POLLIN, 0};
    while (reply.size() < want && ::poll(&p, 1, 3000) > 0) {
        std::uint8_t buf[32];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        reply.insert(reply.end(), buf, buf + n);
    }
    ::close(fd);
    return reply;
}

// Writes a line into the program's control pipe.
bool control(const std::string& fifo, const std::string& line) {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const std::string text = line + "\n";
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

std::string firstLine(Process& p) {
    if (!p.waitForOutput("\n", 5000)) return {};
    return p.output().substr(0, p.output().find('\n'));
}

const std::vector<std::uint8_t> statusRequest{0x61, 0x20, 0x09, 0x8A};
} // namespace

TEST(DeckSimProgram, PrintsItsPathAnswersThroughItsLinkAndCleansUpOnSignals) {
    for (const int sig : {SIGINT, SIGTERM}) {
        TempDir dir;
        const std::string link = dir.file("deck");
        Process p(decksim, {"--link", link, "--start", "01:00:00:00"}, dir.path());
        ASSERT_TRUE(p.waitForOutput("\n", 5000));
        const std::string path = p.output().substr(0, p.output().find('\n'));
        EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);
        EXPECT_EQ(exchange(link, {0x61, 0x0C, 0x03, 0x70}),
                  (std::vector<std::uint8_t>{0x74, 0x04, 0x00, 0x00, 0x00, 0x01, 0x79}));
        p.signal(sig);
        EXPECT_EQ(p.wait(5000), 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
}

TEST(DeckSimProgram, HelpExplainsTheOptionsAndBadOptionsAreRefused) {
    TempDir dir;
    Process help(decksim, {"--help"}, dir.path());
    EXPECT_EQ(help.wait(5000), 0);
    for (const char* opt :
         {"--link",      "--device",  "--trace",     "--delay",   "--seek",      "--speed",
          "--no-reply",  "--late",    "--nak-every", "--garbage", "--drop-byte", "--frozen",
          "--local",     "--no-tape", "--time",      "--paced",   "--control",   "local on|off",
          "nak-every N", "gone",      "back"})
        EXPECT_NE(help.output().find(opt), std::string::npos) << opt;
    Process bad(decksim, {"--late", "soon"}, dir.path());
    EXPECT_EQ(bad.wait(5000), 2);
    Process badTime(decksim, {"--time", "smpte"}, dir.path());
    EXPECT_EQ(badTime.wait(5000), 2);
}

TEST(DeckSimProgram, TakesCommandLinesFromItsControlPipeAndRemovesItOnSignals) {
    for (const int sig : {SIGINT, SIGTERM}) {
        TempDir dir;
        const std::string fifo = dir.file("deck-control");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << "a pipe left by an earlier run";
        Process p(decksim, {"--control", fifo}, dir.path());
        const std::string path = firstLine(p);
        ASSERT_FALSE(path.empty());
        struct stat st {};
        ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));

        ASSERT_TRUE(control(fifo, "local on"));
        ASSERT_TRUE(p.waitForOutput("ok local on\n", 5000)) << p.output();
        const auto status = exchange(path, statusRequest, 12);
        ASSERT_EQ(status.size(), 12u);
        EXPECT_EQ(status[2] & 0x01, 0x01) << "LOCAL";

        ASSERT_TRUE(control(fifo, "\n  late soon"));
        EXPECT_TRUE(p.waitForOutput("error: late needs a whole number: late soon\n", 5000))
            << p.output();

        p.signal(sig);
        EXPECT_EQ(p.wait(5000), 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(fifo)));
    }
}

TEST(DeckSimProgram, StartsWithTheFrontPanelAsItsOptionsSay) {
    TempDir dir;
    Process p(decksim, {"--local", "--no-tape", "--time", "vitc", "--paced"}, dir.path());
    const std::string path = firstLine(p);
    ASSERT_FALSE(path.empty());
    const auto status = exchange(path, statusRequest, 12);
    ASSERT_EQ(status.size(), 12u);
    EXPECT_EQ(status[2], 0x21) << "LOCAL, cassette out";
    EXPECT_EQ(exchange(path, {0x61, 0x0C, 0x03, 0x70}),
              (std::vector<std::uint8_t>{0x74, 0x06, 0x00, 0x00, 0x00, 0x00, 0x7A}));
    p.signal(SIGTERM);
    EXPECT_EQ(p.wait(5000), 0);
}

TEST(DeckSimProgram, RefusesAControlPathThatIsNoPipe) {
    TempDir dir;
    dir.write("notes", "keep me");
    ProcessOptions options;
    options.captureErrors = true;
    Process p(decksim, {"--control", dir.file("notes")}, dir.path(), options);
    EXPECT_EQ(p.wait(5000), 2);
    EXPECT_NE(p.errors().find("not a named pipe"), std::string::npos) << p.errors();
    EXPECT_EQ(dir.read("notes"), "keep me");
}
