#include "support/e2e/terminal_session.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>
#include <vterm.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/cp437.h"

namespace spinchart::e2e {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
namespace {

std::string readAll(int fd) {
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return bytes;
}

int onBell(void* user) {
    ++static_cast<TerminalObservations*>(user)->bells;
    return 1;
}

int onTermProp(VTermProp prop, VTermValue* value, void* user) {
    if (prop == VTERM_PROP_CURSORVISIBLE)
        static_cast<TerminalObservations*>(user)->cursorVisible = value->boolean != 0;
    return 1;
}

int codePointCount(std::string_view utf8) {
    int count = 0;
    for (char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// VTerm palette (bit 0 red, bit 2 blue) to the console's (bit 0 blue, bit 2 red).
int consoleColour(const VTermColor& colour, bool foreground) {
    if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&colour) : VTERM_COLOR_IS_DEFAULT_BG(&colour))
        return -1;
    if (!VTERM_COLOR_IS_INDEXED(&colour)) return -2;
    const int index = colour.indexed.idx;
    if (index > 15) return -2;
    return (index & 0x0A) | ((index & 1) << 2) | ((index & 4) >> 2);
}

long rgbValue(const VTermColor& colour, bool foreground) {
    if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&colour) : VTERM_COLOR_IS_DEFAULT_BG(&colour))
        return -1;
    if (!VTERM_COLOR_IS_RGB(&colour)) return -2;
    return (long{colour.rgb.red} << 16) | (long{colour.rgb.green} << 8) | colour.rgb.blue;
}

}  // namespace

TempDirectory::TempDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "spinchart-e2e-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    directory = pattern;
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

bool runsUnderWrapper() {
    const char* wrapper = std::getenv("SPINCHART_E2E_WRAPPER");
    return wrapper != nullptr && *wrapper != '\0';
}

TerminalSession::TerminalSession(const std::string& workingDirectory, int rowCount, int columnCount,
                                 const std::string& program)
    : rows(rowCount), columns(columnCount) {
    start(workingDirectory, wrapped(program), ChildOptions{});
}

TerminalSession::TerminalSession(const std::string& workingDirectory, const ChildOptions& options,
                                 int rowCount, int columnCount)
    : rows(rowCount), columns(columnCount) {
    std::vector<std::string> words = wrapped(SPINCHART_BINARY);
    words.insert(words.end(), options.arguments.begin(), options.arguments.end());
    start(workingDirectory, std::move(words), options);
}

TerminalSession::TerminalSession(const std::string& workingDirectory,
                                 std::vector<std::string> command, int rowCount, int columnCount)
    : rows(rowCount), columns(columnCount), rawFromStart(true) {
    start(workingDirectory, std::move(command), ChildOptions{});
}

// The command line: the wrapper's words, then the program.
std::vector<std::string> TerminalSession::wrapped(const std::string& program) {
    std::vector<std::string> words;
    if (runsUnderWrapper()) {
        std::istringstream wrapper(std::getenv("SPINCHART_E2E_WRAPPER"));
        for (std::string word; wrapper >> word;)
            words.push_back(word);
    }
    words.push_back(program);
    return words;
}

void TerminalSession::start(const std::string& workingDirectory, std::vector<std::string> words,
                            const ChildOptions& options) {
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(columns);
    if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0)
        throw std::runtime_error("openpty failed");
    ::tcgetattr(slave, &initialModes);
    if (rawFromStart) {
        termios raw = initialModes;
        raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON);
        ::tcsetattr(slave, TCSANOW, &raw);
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);

    child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        const int slaveForChild = ::dup(slave);  // login_tty closes it; ours is close-on-exec
        if (::login_tty(slaveForChild) != 0 || ::chdir(workingDirectory.c_str()) != 0) ::_exit(126);
        // A fresh terminal's program starts with every signal at its default
        // and none blocked, whatever this process inherited (a background job
        // ignores SIGINT and SIGQUIT).
        for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber)
            ::signal(signalNumber, SIG_DFL);
        if (options.ignoreHangUp) ::signal(SIGHUP, SIG_IGN);
        ::setenv("LC_ALL", options.locale.c_str(), 1);
        ::setenv("TERM", options.terminalType.c_str(), 1);
        // Whatever terminal runs the tests, the program sees only what the test says.
        if (options.colourTerm.empty()) {
            ::unsetenv("COLORTERM");
        } else {
            ::setenv("COLORTERM", options.colourTerm.c_str(), 1);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (options.addressSpaceLimit != 0) {
            const rlimit limit{options.addressSpaceLimit, options.addressSpaceLimit};
            if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(125);
        }
        if (options.obeyFileModes && ::geteuid() == 0) {
            // Out of the bounding set, these stay lost across exec.
            for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
                if (::prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0) ::_exit(125);
            }
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    const std::string& locale = options.locale;
    utf8 = locale.find("UTF-8") != std::string::npos || locale.find("utf8") != std::string::npos;
    vterm = vterm_new(rows, columns);
    vterm_set_utf8(vterm, utf8 ? 1 : 0);
    screen = vterm_obtain_screen(vterm);
    static VTermScreenCallbacks callbacks = [] {
        VTermScreenCallbacks c{};
        c.bell = onBell;
        c.settermprop = onTermProp;
        return c;
    }();
    vterm_screen_set_callbacks(screen, &callbacks, &observed);
    vterm_screen_reset(screen, 1);
}

TerminalSession::~TerminalSession() {
    if (running()) {
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    if (vterm != nullptr) vterm_free(vterm);
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
}

void TerminalSession::readOutput(int timeoutMs) {
    if (master < 0) {
        if (timeoutMs > 0) ::poll(nullptr, 0, timeoutMs);
        return;
    }
    pollfd fd{master, POLLIN, 0};
    if (::poll(&fd, 1, timeoutMs) <= 0) return;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        // libvterm loses a UTF-8 character split between two writes: hold
        // back an incomplete one until its rest arrives.
        written.append(buffer, static_cast<std::size_t>(n));
        carry.append(buffer, static_cast<std::size_t>(n));
        std::size_t complete = carry.size();
        for (std::size_t back = 1; utf8 && back <= 3 && back <= carry.size(); ++back) {
            const auto byte = static_cast<unsigned char>(carry[carry.size() - back]);
            if ((byte & 0xC0) == 0x80) continue;
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            if (length > back) complete = carry.size() - back;
            break;
        }
        vterm_input_write(vterm, carry.data(), complete);
        carry.erase(0, complete);
    }
}

void TerminalSession::pump() {
    readOutput(0);
}

void TerminalSession::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(master, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            throw std::runtime_error("cannot write to the pty");
        } else {
            readOutput(10);  // let the program drain its input while it writes
        }
    }
}

bool TerminalSession::waitFor(const std::function<bool()>& condition,
                              std::chrono::milliseconds timeout) {
    static const long scale = [] {
        const char* text = std::getenv("SPINCHART_E2E_TIMEOUT_SCALE");
        const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 1;
        return value > 1 ? value : 1;
    }();
    timeout *= scale;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pump();
        if (condition()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        readOutput(static_cast<int>(std::min<long long>(left.count(), 50)));
    }
}

bool TerminalSession::waitForText(int row, int column, std::string_view wanted,
                                  std::chrono::milliseconds timeout) {
    const int length = codePointCount(wanted);
    return waitFor([&] { return text(row, column, length) == wanted; }, timeout);
}

bool TerminalSession::waitForBells(int count, std::chrono::milliseconds timeout) {
    return waitFor([&] { return observed.bells >= count; }, timeout);
}

std::string TerminalSession::text(int row, int column, int length) {
    pump();
    std::string out;
    for (int c = column; c < column + length && c <= columns; ++c) {
        VTermScreenCell cell{};
        vterm_screen_get_cell(screen, VTermPos{row - 1, c - 1}, &cell);
        appendUtf8(out, cell.chars[0] == 0 ? U' ' : static_cast<char32_t>(cell.chars[0]));
    }
    return out;
}

std::string TerminalSession::rowText(int row) {
    return text(row, 1, columns);
}

bool TerminalSession::screenContains(std::string_view wanted) {
    for (int row = 1; row <= rows; ++row) {
        if (rowText(row).find(wanted) != std::string::npos) return true;
    }
    return false;
}

std::string TerminalSession::screenDump() {
    pump();
    std::string out = "screen:\n";
    for (int row = 1; row <= rows; ++row) {
        if (row < 10) out += ' ';
        out += std::to_string(row);
        out += '|';
        out += rowText(row);
        out += "|\n";
    }
    return out;
}

CellColours TerminalSession::colours(int row, int column) {
    pump();
    VTermScreenCell cell{};
    vterm_screen_get_cell(screen, VTermPos{row - 1, column - 1}, &cell);
    return CellColours{consoleColour(cell.fg, true), consoleColour(cell.bg, false)};
}

CellRgb TerminalSession::rgb(int row, int column) {
    pump();
    VTermScreenCell cell{};
    vterm_screen_get_cell(screen, VTermPos{row - 1, column - 1}, &cell);
    return CellRgb{rgbValue(cell.fg, true), rgbValue(cell.bg, false)};
}

bool TerminalSession::cursorVisible() {
    pump();
    return observed.cursorVisible;
}

int TerminalSession::cursorRow() {
    pump();
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vterm), &pos);
    return pos.row + 1;
}

int TerminalSession::cursorColumn() {
    pump();
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vterm), &pos);
    return pos.col + 1;
}

int TerminalSession::bells() {
    pump();
    return observed.bells;
}

const std::string& TerminalSession::output() {
    pump();
    return written;
}

std::string TerminalSession::devicePath() const {
    const char* name = ::ttyname(slave);
    return name != nullptr ? name : "";
}

void TerminalSession::resize(int rowCount, int columnCount) {
    rows = rowCount;
    columns = columnCount;
    vterm_set_size(vterm, rows, columns);
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(columns);
    ::ioctl(master, TIOCSWINSZ, &size);
}

void TerminalSession::hangUp() {
    pump();
    if (master >= 0) ::close(master);
    master = -1;
}

void TerminalSession::signal(int signalNumber) {
    if (running()) ::kill(child, signalNumber);
}

bool TerminalSession::running() {
    if (exitStatus >= 0) return false;
    int status = 0;
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done != child) return true;
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

bool TerminalSession::stopped() {
    if (!running()) return false;
    std::FILE* stat = std::fopen(("/proc/" + std::to_string(child) + "/stat").c_str(), "r");
    if (stat == nullptr) return false;
    char buffer[512] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, stat);
    std::fclose(stat);
    // pid (name) state ...: the state follows the last ')'.
    const std::string_view line(buffer, n);
    const std::size_t close = line.rfind(')');
    return close != std::string_view::npos && close + 2 < line.size() && line[close + 2] == 'T';
}

int TerminalSession::waitForExit(std::chrono::milliseconds timeout) {
    waitFor([&] { return !running(); }, timeout);
    pump();  // the slave stays open here, so everything written is still readable
    return exitStatus;
}

termios TerminalSession::modes() const {
    termios now{};
    ::tcgetattr(slave, &now);
    return now;
}

bool TerminalSession::modesRestored() const {
    const termios now = modes();
    return now.c_iflag == initialModes.c_iflag && now.c_oflag == initialModes.c_oflag &&
           now.c_lflag == initialModes.c_lflag && now.c_cflag == initialModes.c_cflag &&
           std::memcmp(now.c_cc, initialModes.c_cc, sizeof now.c_cc) == 0;
}

PlainRun runWithoutATerminal(const std::string& directory, std::vector<std::string> command) {
    int outPipe[2];
    int errorPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errorPipe) != 0) return {};
    std::vector<char*> argv;
    for (std::string& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return {};
    if (child == 0) {
        std::FILE* nothing = std::freopen("/dev/null", "r", stdin);
        (void)nothing;
        ::dup2(outPipe[1], 1);
        ::dup2(errorPipe[1], 2);
        ::close(outPipe[0]);
        ::close(errorPipe[0]);
        if (::chdir(directory.c_str()) != 0) ::_exit(126);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errorPipe[1]);
    PlainRun run;
    // Standard error is read after standard output: the tests' outputs are
    // small enough for its pipe.
    run.out = readAll(outPipe[0]);
    run.errors = readAll(errorPipe[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}

}  // namespace spinchart::e2e
