// The kolb-decksim program as a person runs it.
#include "Process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
const std::string decksim = DECKSIM_BINARY;

std::vector<std::uint8_t> exchange(const std::string& path, std::vector<std::uint8_t> frame) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return {};
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    (void)!::write(fd, frame.data(), frame.size());
    std::vector<std::uint8_t> reply;
    pollfd p{fd, POLLIN, 0};
    while (reply.size() < 7 && ::poll(&p, 1, 3000) > 0) {
        std::uint8_t buf[32];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        reply.insert(reply.end(), buf, buf + n);
    }
    ::close(fd);
    return reply;
}
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
         {"--link", "--device", "--trace", "--delay", "--seek", "--speed", "--no-reply", "--late",
          "--nak-every", "--garbage", "--drop-byte", "--frozen"})
        EXPECT_NE(help.output().find(opt), std::string::npos) << opt;
    Process bad(decksim, {"--late", "soon"}, dir.path());
    EXPECT_EQ(bad.wait(5000), 2);
}
