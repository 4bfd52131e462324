// The POSIX backend on a real pseudo-terminal, in this process: raw mode and
// its undoing, and keys as a terminal delivers them; then the real program in
// terminals as users have them: another character set, a dumb terminal, every
// kind of key stream.
#include "platform/terminal_posix.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/file_io.h"
#include "support/e2e/terminal_session.h"

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
        PosixTerminal terminal({25, 80}, pty.slave, pty.slave);
        termios raw{};
        ASSERT_EQ(::tcgetattr(pty.slave, &raw), 0);
        EXPECT_FALSE(raw.c_lflag & (ECHO | ICANON | IEXTEN));
        EXPECT_TRUE(raw.c_lflag & ISIG);
        EXPECT_FALSE(raw.c_iflag & (ICRNL | IXON));
        EXPECT_EQ(raw.c_cc[VINTR], _POSIX_VDISABLE);
        EXPECT_EQ(raw.c_cc[VSUSP], 0x1A);
        EXPECT_EQ(raw.c_cc[VQUIT], 0x1C);
        EXPECT_THROW(PosixTerminal second({25, 80}, pty.slave, pty.slave), std::runtime_error);
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
    PosixTerminal again({25, 80}, pty.slave, pty.slave);
    again.restore();
}

TEST(PosixTerminal, KeysAsTheTerminalSendsThem) {
    PtyPair pty;
    PosixTerminal terminal({25, 80}, pty.slave, pty.slave);
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

    // And an Escape just come in: what follows it is a key of its own.
    pty.type("q\x1b");
    ASSERT_TRUE(waitForKey(terminal));
    terminal.discardPendingKeys();
    pty.type("\r");
    ASSERT_TRUE(waitForKey(terminal));
    EXPECT_EQ(terminal.takeKey(), "\r");
    EXPECT_EQ(terminal.takeKey(), "");
}

TEST(PosixTerminal, AnUpdateGoesOutInOneWrite) {
    PtyPair pty;
    PosixTerminal terminal({25, 80}, pty.slave, pty.slave);
    const ScreenCell cells[] = {{0xC9, 14 + 32}, {'A', 14 + 32}};
    terminal.show({.repaint = true,
                   .runs = {{2, 3, cells}},
                   .cursorRow = 2,
                   .cursorColumn = 5,
                   .cursorVisible = false,
                   .bell = true});
    EXPECT_EQ(pty.output(), "\a\x1b[0m\x1b[H\x1b[2J\x1b[2;3H\x1b[0;93;42m╔A\x1b[2;5H\x1b[?25l");
}

// Every path to the terminal taken over leads to it, however spelt, and only
// while it is taken; other terminals, devices and files do not.
TEST(PosixTerminal, PathsToTheTerminalInUseWhateverTheirSpelling) {
    PtyPair pty;
    PtyPair other;
    const std::string path = ::ttyname(pty.slave);
    const std::string descriptor = std::to_string(pty.slave);
    const std::string ours[] = {path, "/proc/self/fd/" + descriptor, "/dev/fd/" + descriptor,
                                "/dev/../dev/./" + path.substr(5)};
    EXPECT_FALSE(leadsToConsoleOrDevice(path));
    PosixTerminal terminal({25, 80}, pty.slave, pty.slave);
    for (const std::string& name : ours)
        EXPECT_TRUE(leadsToConsoleOrDevice(name)) << name;
    e2e::TempDirectory dir;
    e2e::writeFile(dir.file("plain.rep"), "x");
    for (const std::string& name :
         {std::string(::ttyname(other.slave)), std::string("/dev/null"), std::string("/dev/zero"),
          dir.file("plain.rep"), dir.file("missing.rep"), dir.path(), std::string()})
        EXPECT_FALSE(leadsToConsoleOrDevice(name)) << name;
    terminal.restore();
    for (const std::string& name : ours)
        EXPECT_FALSE(leadsToConsoleOrDevice(name)) << name;
}

// The title screen's menu box, drawn with the glyphs given.
std::string menuTop(const char* corner, const char* line, const char* otherCorner) {
    std::string top = corner;
    for (int i = 0; i < 33; ++i)
        top += line;
    return top + otherCorner;
}

TEST(ProgramTerminal, AsciiLocaleGetsSevenBitsAndLineDrawing) {
    e2e::TempDirectory dir;
    e2e::ChildOptions options;
    options.locale = "C";
    e2e::TerminalSession app(dir.path(), options);
    // The double lines come as the line drawing set's single ones.
    ASSERT_TRUE(app.waitForText(23, 16, menuTop("└", "─", "┘"))) << app.screenDump();
    EXPECT_EQ(app.text(15, 16, 35), menuTop("┌", "─", "┐"));
    EXPECT_EQ(app.text(16, 16, 35), "│  Select your choice:            │");
    EXPECT_EQ(app.text(17, 16, 35), menuTop("├", "─", "┤"));
    EXPECT_EQ(app.colours(16, 20), (e2e::CellColours{14, 2}));
    // A typed byte outside ASCII is no letter here: a wrong key, as any.
    app.send("\xe9");
    ASSERT_TRUE(app.waitForBells(1));
    app.send("s");
    ASSERT_TRUE(app.waitForText(4, 10, ". This function simulates random roulette spins; or-"))
        << app.screenDump();
    app.send("\x1c");
    EXPECT_EQ(app.waitForExit(), 128 + SIGQUIT);
    EXPECT_TRUE(app.modesRestored());
    for (char c : app.output())
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "byte " << +static_cast<unsigned char>(c);
}

TEST(ProgramTerminal, DumbTerminalIsRefused) {
    e2e::TempDirectory dir;
    e2e::ChildOptions options;
    options.terminalType = "dumb";
    e2e::TerminalSession app(dir.path(), options);
    EXPECT_EQ(app.waitForExit(), 1);
    EXPECT_EQ(app.rowText(1).substr(0, 55),
              "spinchart: the terminal (TERM=dumb) cannot place the cu");
    EXPECT_TRUE(app.modesRestored());
}

TEST(ProgramTerminal, LongSequencesStringsAndEscapeEnterAtAPrompt) {
    e2e::TempDirectory dir;
    e2e::TerminalSession app(dir.path());
    ASSERT_TRUE(app.waitForText(18, 16, "│  <S> Single-zero (0)")) << app.screenDump();
    app.send("s");
    ASSERT_TRUE(app.waitForText(19, 16, "│  <G> Generate Random Spins")) << app.screenDump();
    app.send("g");
    ASSERT_TRUE(app.waitForText(16, 15, " (default: 1000) >> ")) << app.screenDump();
    // Terminal replies and long sequences, each in one piece, then split
    // over many writes.
    std::string noise = "\x1b[1";
    for (int n = 2; n <= 19; ++n) {
        noise += ';';
        noise += std::to_string(n);
    }
    noise += "A\x1b]11;rgb:00/00/00\x07\x1bP1$r0m\x1b\\\x1b_apc\x1b\\\x1b[?64;1;2;6c";
    app.send("2");
    app.send(noise);
    app.send("5");
    for (char c : noise)
        app.send(std::string(1, c));
    app.send("0");
    ASSERT_TRUE(app.waitForText(16, 35, "250 ")) << app.screenDump();
    // Escape and Enter at once: the Escape is ignored, the Enter answers.
    app.send("\x1b\r");
    ASSERT_TRUE(app.waitForText(21, 15, " Name the OUTPUT file")) << app.screenDump();
    EXPECT_EQ(app.text(16, 15, 25), " (default: 1000) >> 250  ");
    app.send("\x1c");
    EXPECT_EQ(app.waitForExit(), 128 + SIGQUIT);
}

}  // namespace
}  // namespace spinchart
