// The POSIX backend on a real pseudo-terminal, in this process: raw mode and
// its undoing, and keys as a terminal delivers them.
#include "platform/terminal_posix.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace spinchart {
namespace {

struct PtyPair {
    int master = -1;
    int slave = -1;
    PtyPair() {
        winsize size{};
        size.ws_row = 25;
        size.ws_col = 80;
        if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0)
            throw std::runtime_error("openpty");
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        ::close(master);
        ::close(slave);
    }
    void type(std::string_view bytes) const {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    std::string output() const {
        std::string out;
        char buffer[4096];
        pollfd fd{master, POLLIN, 0};
        while (::poll(&fd, 1, 200) > 0) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }
};

// Waits (blocking in the backend) until a key is pending or the time is up.
bool waitForKey(PosixTerminal& terminal) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!terminal.keyPending()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        terminal.waitForInput();
    }
    return true;
}

TEST(PosixTerminal, RawModeIsUndoneWhenAnExceptionLeaves) {
    PtyPair pty;
    termios before{};
    ASSERT_EQ(::tcgetattr(pty.slave, &before), 0);
    ASSERT_TRUE(before.c_lflag & ECHO);
    try {
        PosixTerminal terminal(pty.slave, pty.slave);
        termios raw{};
        ASSERT_EQ(::tcgetattr(pty.slave, &raw), 0);
        EXPECT_FALSE(raw.c_lflag & (ECHO | ICANON | IEXTEN));
        EXPECT_TRUE(raw.c_lflag & ISIG);
        EXPECT_FALSE(raw.c_iflag & (ICRNL | IXON));
        EXPECT_EQ(raw.c_cc[VINTR], _POSIX_VDISABLE);
        EXPECT_EQ(raw.c_cc[VSUSP], 0x1A);
        EXPECT_EQ(raw.c_cc[VQUIT], 0x1C);
        EXPECT_THROW(PosixTerminal second(pty.slave, pty.slave), std::runtime_error);
        throw std::logic_error("unexpected");
    } catch (const std::logic_error&) {
    }
    termios after{};
    ASSERT_EQ(::tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(0, std::memcmp(after.c_cc, before.c_cc, sizeof after.c_cc));
    const std::string shown = pty.output();
    EXPECT_NE(shown.find("\x1b[0m"), std::string::npos);
    EXPECT_EQ(shown.substr(shown.size() - 6), "\x1b[?25h");

    // A new terminal can be taken after the first was given back.
    PosixTerminal again(pty.slave, pty.slave);
    again.restore();
}

TEST(PosixTerminal, KeysAsTheTerminalSendsThem) {
    PtyPair pty;
    PosixTerminal terminal(pty.slave, pty.slave);
    pty.type("a\x1b[A\xc3\xa9\x03\x7f\r");
    ASSERT_TRUE(waitForKey(terminal));
    EXPECT_EQ(terminal.takeKey(), "a");
    EXPECT_EQ(terminal.takeKey(), std::string("\0H", 2));
    EXPECT_EQ(terminal.takeKey(), "\x82");
    EXPECT_EQ(terminal.takeKey(), "\x03");
    EXPECT_EQ(terminal.takeKey(), "\x08");
    EXPECT_EQ(terminal.takeKey(), "\r");
    EXPECT_EQ(terminal.takeKey(), "");

    // A sequence split over two reads is one key.
    pty.type("\x1b[");
    EXPECT_FALSE(terminal.keyPending());
    pty.type("15~");
    ASSERT_TRUE(waitForKey(terminal));
    EXPECT_EQ(terminal.takeKey(), std::string("\0?", 2));

    // A lone Escape arrives after the escape wait, not before.
    pty.type("\x1b");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitForKey(terminal));
    EXPECT_GE(std::chrono::steady_clock::now() - start, PosixTerminal::escapeWait);
    EXPECT_EQ(terminal.takeKey(), "\x1b");

    // Discarding drops what was typed ahead.
    pty.type("xyz");
    ASSERT_TRUE(waitForKey(terminal));
    terminal.discardPendingKeys();
    EXPECT_FALSE(terminal.keyPending());
}

TEST(PosixTerminal, OutputGoesOutOnPresentOnly) {
    PtyPair pty;
    PosixTerminal terminal(pty.slave, pty.slave);
    terminal.resetDisplay();
    const ScreenCell cells[] = {{0xC9, 14 + 32}, {'A', 14 + 32}};
    terminal.drawCells(2, 3, cells);
    terminal.placeCursor(2, 5, false);
    terminal.bell();
    EXPECT_EQ(pty.output(), "");
    terminal.present();
    EXPECT_EQ(pty.output(), "\x1b[0m\x1b[H\x1b[2J\x1b[2;3H\x1b[0;93;42m╔A\x1b[2;5H\x1b[?25l\a");
}

}  // namespace
}  // namespace spinchart
