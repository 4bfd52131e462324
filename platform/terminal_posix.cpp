#include "platform/terminal_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "platform/platform_error.h"
#include "platform/terminal_output.h"

namespace spinchart {
namespace {

// What the signal handlers need to give the terminal back. Written only while
// the signals are blocked or before they are installed.
struct SavedTerminal {
    volatile std::sig_atomic_t active = 0;
    int inputFd = -1;
    int outputFd = -1;
    termios original{};
    termios raw{};
    volatile std::sig_atomic_t stopped = 0;
    char leaveSequence[64]{};
    std::size_t leaveLength = 0;
};

SavedTerminal saved;
// Whether a PosixTerminal has the terminal (also while it is stopped).
bool terminalInUse = false;
int wakePipe[2] = {-1, -1};
volatile std::sig_atomic_t resized = 0;
std::terminate_handler previousTerminate = nullptr;

constexpr int endingSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
struct sigaction previousActions[std::size(endingSignals)];
struct sigaction previousWinch;
struct sigaction previousStop;
struct sigaction previousContinue;
struct sigaction previousPipe;

// Async-signal-safe: puts the terminal back as it was found.
void leaveTerminal() {
    if (!saved.active) return;
    saved.active = 0;
    const char* p = saved.leaveSequence;
    std::size_t left = saved.leaveLength;
    while (left > 0) {
        const ssize_t n = ::write(saved.outputFd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::tcsetattr(saved.inputFd, TCSANOW, &saved.original);
}

void onEndingSignal(int signal) {
    const int savedErrno = errno;
    leaveTerminal();
    if (signal == SIGQUIT) ::_exit(128 + SIGQUIT);  // Ctrl+\: end at once, without a core file
    // The handler was installed one-shot: the default action ends the process.
    ::raise(signal);
    errno = savedErrno;
}

void wake() {
    resized = 1;
    if (wakePipe[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);
    }
}

void onResize(int) {
    const int savedErrno = errno;
    wake();
    errno = savedErrno;
}

// Stopped from outside: give the terminal back while stopped.
void onStop(int) {
    const int savedErrno = errno;
    if (saved.active) {
        leaveTerminal();
        saved.stopped = 1;
    }
    ::raise(SIGSTOP);
    errno = savedErrno;
}

// Continued: take the terminal again and repaint.
void onContinue(int) {
    const int savedErrno = errno;
    if (saved.stopped || saved.active) {
        saved.stopped = 0;
        ::tcsetattr(saved.inputFd, TCSANOW, &saved.raw);
        saved.active = 1;
        wake();
    }
    errno = savedErrno;
}

void onTerminate() {
    leaveTerminal();
    if (previousTerminate != nullptr) previousTerminate();
    std::abort();
}

// Installs a handler with an empty mask, keeping the one it replaces.
void install(int signal, void (*handler)(int), int flags, struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    ::sigaction(signal, &action, previous);
}

void setLeaveSequence(int rows, int screenRows, bool utf8) {
    // Colours reset, cursor to the start of the row below the screen (or the
    // last row), that row blanked, cursor shown; outside UTF-8 the line
    // drawing set off too, should an ending signal cut a run of it short.
    std::string sequence = utf8 ? "\x1b[0m" : "\x1b(B\x1b[0m";
    appendMoveTo(sequence, rows > screenRows ? screenRows + 1 : rows, 1);
    sequence += "\x1b[K\x1b[?25h";
    sigset_t all;
    sigset_t old;
    sigfillset(&all);
    ::sigprocmask(SIG_BLOCK, &all, &old);
    const std::size_t length = std::min(sequence.size(), sizeof saved.leaveSequence);
    std::memcpy(saved.leaveSequence, sequence.data(), length);
    saved.leaveLength = length;
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
}

bool canPlaceCursor(const char* terminalType) {
    // The terminal types without cursor addressing.
    static constexpr std::string_view unable[] = {"dumb", "unknown", "glasstty", "lpr", "printer"};
    const std::string_view type = terminalType != nullptr ? terminalType : "";
    return std::find(std::begin(unable), std::end(unable), type) == std::end(unable);
}

void drainWakePipe() {
    char buffer[64];
    while (::read(wakePipe[0], buffer, sizeof buffer) > 0) {
    }
}

}  // namespace

bool isInteractiveTerminal(int inputFd, int outputFd) {
    return ::isatty(inputFd) == 1 && ::isatty(outputFd) == 1;
}

std::unique_ptr<TerminalBackend> openProgramTerminal(ScreenSize screen) {
    if (!isInteractiveTerminal(STDIN_FILENO, STDOUT_FILENO)) {
        throw PlatformError("standard input and output must be a terminal");
    }
    const char* terminalType = std::getenv("TERM");
    if (!canPlaceCursor(terminalType)) {
        throw PlatformError(std::string("the terminal (TERM=") + terminalType +
                            ") cannot place the cursor");
    }
    return std::make_unique<PosixTerminal>(screen, STDIN_FILENO, STDOUT_FILENO,
                                           TerminalCharset::fromEnvironment(),
                                           colourDepthFromEnvironment());
}

std::optional<dev_t> terminalDevice(int fd) {
    struct stat info {};
    if (::isatty(fd) != 1 || ::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) return std::nullopt;
#ifdef TIOCGDEV
    // The device itself, also when reached through /dev/tty or /dev/console.
    unsigned int device = 0;
    if (::ioctl(fd, TIOCGDEV, &device) == 0) return static_cast<dev_t>(device);
#endif
    return info.st_rdev;
}

std::vector<dev_t> terminalDevicesInUse() {
    std::vector<dev_t> devices;
    if (terminalInUse) {
        for (int fd : {saved.inputFd, saved.outputFd}) {
            if (const std::optional<dev_t> device = terminalDevice(fd)) devices.push_back(*device);
        }
    }
    return devices;
}

PosixTerminal::PosixTerminal(ScreenSize screenSize, int input, int output,
                             TerminalCharset terminalCharset, ColourDepth colourDepth)
    : PlatformTerminal(screenSize),
      inputFd(input),
      outputFd(output),
      charset(std::move(terminalCharset)),
      colours(colourDepth) {
    if (!charset.utf8()) decoder.charset = &charset;
    if (saved.active) throw PlatformError("the terminal is already in use");
    termios original{};
    if (::tcgetattr(inputFd, &original) != 0) {
        throw PlatformError(std::string("cannot read the terminal settings: ") +
                            std::strerror(errno));
    }
    if (wakePipe[0] < 0) {
        if (::pipe(wakePipe) != 0) throw PlatformError("cannot create a pipe");
        for (int fd : wakePipe) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    updateSize();
    saved.inputFd = inputFd;
    saved.outputFd = outputFd;
    saved.original = original;
    setLeaveSequence(rows, screen.rows, charset.utf8());

    termios raw = original;
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON | IXOFF);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
    raw.c_lflag |= ISIG;  // for Ctrl+\ and Ctrl+Z below
    raw.c_cc[VINTR] = _POSIX_VDISABLE;
    raw.c_cc[VSUSP] = 0x1A;
#ifdef VDSUSP
    raw.c_cc[VDSUSP] = _POSIX_VDISABLE;
#endif
    raw.c_cc[VQUIT] = 0x1C;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    saved.raw = raw;

    for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
        ::sigaction(endingSignals[i], nullptr, &previousActions[i]);
        // A signal the caller ignores (nohup, background job) stays ignored.
        if (previousActions[i].sa_handler != SIG_IGN)
            install(endingSignals[i], onEndingSignal, SA_RESETHAND | SA_NODEFER, nullptr);
    }
    install(SIGWINCH, onResize, SA_RESTART, &previousWinch);
    install(SIGTSTP, onStop, SA_RESTART, &previousStop);
    install(SIGCONT, onContinue, SA_RESTART, &previousContinue);
    // A pipe whose reader went away is a failed write (the error screen),
    // not a sudden end with the terminal left raw.
    install(SIGPIPE, SIG_IGN, 0, &previousPipe);
    previousTerminate = std::set_terminate(onTerminate);

    saved.active = 1;
    active = true;
    terminalInUse = true;
    if (::tcsetattr(inputFd, TCSANOW, &raw) != 0) {
        const int error = errno;
        restore();
        throw PlatformError(std::string("cannot set the terminal to raw mode: ") +
                            std::strerror(error));
    }
}

PosixTerminal::~PosixTerminal() {
    restore();
}

void PosixTerminal::restore() {
    if (!active) return;
    active = false;
    terminalInUse = false;
    leaveTerminal();
    for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
        ::sigaction(endingSignals[i], &previousActions[i], nullptr);
    }
    ::sigaction(SIGWINCH, &previousWinch, nullptr);
    ::sigaction(SIGTSTP, &previousStop, nullptr);
    ::sigaction(SIGCONT, &previousContinue, nullptr);
    ::sigaction(SIGPIPE, &previousPipe, nullptr);
    saved.stopped = 0;
    std::set_terminate(previousTerminate);
}

void PosixTerminal::updateSize() {
    winsize size{};
    if (::ioctl(outputFd, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0)
        setSize(size.ws_row, size.ws_col);
}

void PosixTerminal::writeAll(const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(outputFd, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd out{outputFd, POLLOUT, 0};
            ::poll(&out, 1, 1000);
        } else {
            return;  // the terminal is gone; the console reports no errors
        }
    }
}

void PosixTerminal::drawUpdate(const ScreenUpdate& update, bool visibilityChanged) {
    if (!active) return;
    // The bell first, as it was asked for before the screen was drawn.
    std::string out = update.bell ? "\a" : "";
    if (update.repaint) {
        out += "\x1b[0m\x1b[H\x1b[2J";
        currentAttribute = -1;
    }
    for (const CellRun& run : update.runs) {
        appendCells(out, run.row, run.column, run.cells, rows, columns, currentAttribute, charset,
                    colours);
    }
    appendMoveTo(out, std::min(update.cursorRow, rows), std::min(update.cursorColumn, columns));
    if (visibilityChanged) out += update.cursorVisible ? "\x1b[?25h" : "\x1b[?25l";
    writeAll(out);
}

void PosixTerminal::ringBell() {
    if (active) writeAll("\a");
}

void PosixTerminal::readInput() {
    if (!active) return;
    char buffer[4096];
    for (int round = 0; round < 16 && !inputClosed; ++round) {
        pollfd in{inputFd, POLLIN, 0};
        const int ready = ::poll(&in, 1, 0);
        if (ready <= 0 || (in.revents & (POLLIN | POLLHUP | POLLERR)) == 0) break;
        const ssize_t n = ::read(inputFd, buffer, sizeof buffer);
        if (n > 0) {
            feedKeyDecoder(decoder, std::string_view(buffer, static_cast<std::size_t>(n)), keys);
            // A sequence still under way has the escape wait from its latest bytes.
            if (keyDecoderWaiting(decoder)) {
                escapeDeadline = std::chrono::steady_clock::now() + escapeWait;
            }
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            inputClosed = true;
        }
    }
    checkEscapeWait();
}

void PosixTerminal::checkEscapeWait() {
    if (keyDecoderWaiting(decoder) &&
        (inputClosed || std::chrono::steady_clock::now() >= escapeDeadline)) {
        flushKeyDecoder(decoder, keys);
    }
}

void PosixTerminal::discardPendingKeys() {
    readAvailable();
    keys.clear();
    silenceKeyDecoder(decoder);
}

void PosixTerminal::waitForInput() {
    if (!active) throw TerminalClosed("the terminal has been given back");
    readAvailable();
    if (!keys.empty() || resized) return;
    if (inputClosed) throw TerminalClosed("the terminal input has ended");
    int timeout = -1;
    if (keyDecoderWaiting(decoder)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            escapeDeadline - std::chrono::steady_clock::now());
        timeout = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    pollfd fds[2] = {{inputFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    ::poll(fds, 2, timeout);  // EINTR: the caller looks again
    if (fds[1].revents & POLLIN) drainWakePipe();
    readAvailable();
}

bool PosixTerminal::takeContentLost() {
    if (!resized) return false;
    resized = 0;
    drainWakePipe();
    updateSize();
    setLeaveSequence(rows, screen.rows, charset.utf8());
    return true;
}

void PosixTerminal::drawNotice() {
    if (!active) return;
    std::string notice = "\x1b[0m\x1b[H\x1b[2J";
    for (const NoticeLine& line : sizeNotice(screen, rows, columns)) {
        appendMoveTo(notice, line.row, line.column);
        notice += line.text;
    }
    notice += "\x1b[?25l";
    currentAttribute = -1;
    writeAll(notice);
}

}  // namespace spinchart
