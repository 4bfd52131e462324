#pragma once
// The terminal backend for POSIX terminals (termios, poll, signals).
//
// While a PosixTerminal lives, the terminal is in raw mode: no echo, no line
// buffering, Ctrl+C arrives as character 3, Ctrl+\ ends the program at once,
// Ctrl+Z suspends it.
// The terminal is given back as it was found (modes, cursor shown, colours
// reset, cursor below the screen) by restore() or the destructor, and also
// when SIGTERM, SIGHUP, SIGINT or SIGQUIT end the program, or std::terminate
// is reached. The screen's content stays. SIGWINCH asks for a repaint;
// SIGTSTP from outside gives the terminal back while stopped, and SIGCONT
// takes it again and repaints. SIGPIPE is ignored meanwhile: a pipe without a
// reader is a failed write.
//
// Cells go out in the terminal's character set, their colours in the depth
// given. A terminal smaller than 80x25 shows a notice of the size needed
// instead of the screen, and keys typed meanwhile are dropped; once it is
// large enough the console is asked for a repaint.

#include <sys/types.h>
#include <termios.h>
#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/terminal.h"
#include "platform/terminal_charset.h"
#include "platform/terminal_keys.h"
#include "platform/terminal_output.h"

namespace spinchart {

// True when both descriptors are terminals.
bool isInteractiveTerminal(int inputFd, int outputFd);

// The terminal device a descriptor leads to: through /dev/tty or /dev/console
// the terminal behind them. None for a descriptor that is no terminal.
std::optional<dev_t> terminalDevice(int fd);

// The terminal devices (input and output) of the PosixTerminal that has the
// terminal now; empty while none has.
std::vector<dev_t> terminalDevicesInUse();

class PosixTerminal final : public TerminalBackend {
public:
    // Takes over the terminal; throws PlatformError when it cannot. Only
    // one may exist at a time.
    PosixTerminal(int inputFd, int outputFd, TerminalCharset charset = TerminalCharset(),
                  ColourDepth colours = ColourDepth::palette16);
    ~PosixTerminal() override;
    PosixTerminal(const PosixTerminal&) = delete;
    PosixTerminal& operator=(const PosixTerminal&) = delete;

    // Gives the terminal back; the object is inert afterwards.
    void restore();

    void resetDisplay() override;
    void drawCells(int row, int column, std::span<const ScreenCell> cells) override;
    void placeCursor(int row, int column, bool visible) override;
    void present() override;
    void bell() override;
    bool keyPending() override;
    std::string takeKey() override;
    void discardPendingKeys() override;
    void waitForInput() override;
    bool takeRepaintRequest() override;

    // How long an Escape waits for the rest of a sequence.
    static constexpr std::chrono::milliseconds escapeWait{100};

private:
    void readAvailable();
    void checkEscapeWait();
    void updateSize();
    void writeAll(const std::string& bytes);
    void showNotice();

    int inputFd;
    int outputFd;
    bool active = false;
    bool inputClosed = false;
    bool repaintRequested = false;
    bool tooSmall = false;
    bool noticeShown = false;
    int rows = 25;
    int columns = 80;
    int currentAttribute = -1;
    int cursorShown = -1;  // -1 unknown, 0 hidden, 1 shown
    std::string output;
    TerminalCharset charset;
    ColourDepth colours;
    KeyDecoder decoder;
    std::deque<std::string> keys;
    std::chrono::steady_clock::time_point escapeDeadline{};
};

}  // namespace spinchart
