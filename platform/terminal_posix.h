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
// given.

#include <sys/types.h>
#include <termios.h>
#include <chrono>
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

class PosixTerminal final : public PlatformTerminal {
public:
    // Takes over the terminal; throws PlatformError when it cannot. Only
    // one may exist at a time.
    PosixTerminal(ScreenSize screen, int inputFd, int outputFd,
                  TerminalCharset charset = TerminalCharset(),
                  ColourDepth colours = ColourDepth::palette16);
    ~PosixTerminal() override;

    // Gives the terminal back; the object is inert afterwards.
    void restore();

    void discardPendingKeys() override;
    void waitForInput() override;

    // How long an Escape waits for the rest of a sequence.
    static constexpr std::chrono::milliseconds escapeWait{100};

private:
    void readInput() override;
    bool takeContentLost() override;
    void drawUpdate(const ScreenUpdate& update, bool visibilityChanged) override;
    void drawNotice() override;
    void ringBell() override;
    void checkEscapeWait();
    void updateSize();
    void writeAll(const std::string& bytes);

    int inputFd;
    int outputFd;
    bool active = false;
    int currentAttribute = -1;
    TerminalCharset charset;
    ColourDepth colours;
    KeyDecoder decoder;
    std::chrono::steady_clock::time_point escapeDeadline{};
};

}  // namespace spinchart
