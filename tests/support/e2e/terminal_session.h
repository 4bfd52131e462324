#pragma once
// End-to-end harness: runs the real program in a pseudo-terminal and reads the
// screen back through libvterm, as a user's terminal would show it.
//
//   TempDirectory dir;                       // fresh working folder, removed afterwards
//   TerminalSession app(dir.path());         // SPINCHART_BINARY at 80x25 in dir
//   ASSERT_TRUE(app.waitForText(4, 4, "This program")) << app.screenDump();
//   app.send("s");                           // bytes as a terminal sends them
//   app.send(keys::enter);                   // "\r"; keys::up etc. below
//   EXPECT_EQ(app.text(11, 16, 8), "   Succe");
//   EXPECT_EQ(app.colours(11, 16), (CellColours{14, 0}));
//   EXPECT_EQ(app.waitForExit(), 0);
//   EXPECT_TRUE(app.modesRestored());
//
// Rows and columns are 1-based. Texts are UTF-8 (the program's code page 437
// glyphs arrive as their Unicode characters). Colours are console palette
// numbers (0 black, 2 green, 14 yellow; -1 the terminal's default), or with
// rgb() the 24-bit values sent as such. Every wait
// polls the pty until its condition holds or the timeout passes (false then);
// nothing sleeps blindly.
//
// Synchronise on what the program shows: screen output (and a beep) reaches
// the terminal in one batch when the program waits for a key, so once a
// screen (or a bell) is seen the program is waiting. Keys sent before that may
// be dropped by a key flush (the menu's, a session start's).

#include <sys/types.h>
#include <termios.h>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct VTerm;
struct VTermScreen;

namespace spinchart::e2e {

using namespace std::chrono_literals;

// Generous: the tests run in parallel on a loaded machine, under sanitizers too.
constexpr std::chrono::milliseconds defaultTimeout = 30s;

namespace keys {
inline constexpr std::string_view enter = "\r";
inline constexpr std::string_view escape = "\x1b";
inline constexpr std::string_view backspace = "\x7f";
inline constexpr std::string_view tab = "\t";
inline constexpr std::string_view ctrlC = "\x03";
inline constexpr std::string_view ctrlBackslash = "\x1c";
inline constexpr std::string_view up = "\x1b[A";
inline constexpr std::string_view f1 = "\x1bOP";
inline constexpr std::string_view del = "\x1b[3~";
}  // namespace keys

// A whole file's bytes (empty when it cannot be read), and writing one.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

// A run without a terminal: standard input from /dev/null, the outputs into
// pipes, in `directory`. `command` is the program's path, then its arguments.
struct PlainRun {
    int status = -1;  // the exit status; -1 when it did not exit
    std::string out;
    std::string errors;
};
PlainRun runWithoutATerminal(const std::string& directory, std::vector<std::string> command);

// A fresh temporary directory; removed with everything in it on destruction.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::string& path() const { return directory; }
    std::string file(std::string_view name) const { return directory + "/" + std::string(name); }

private:
    std::string directory;
};

struct CellColours {
    int foreground = -1;
    int background = -1;
    friend bool operator==(const CellColours&, const CellColours&) = default;
};

// A cell's colours as 24-bit values 0xRRGGBB; -1 for the terminal's default,
// -2 for a colour of the terminal's palette.
struct CellRgb {
    long foreground = -1;
    long background = -1;
    friend bool operator==(const CellRgb&, const CellRgb&) = default;
};

// How the program is started beyond its terminal; everything off by default.
struct ChildOptions {
    // RLIMIT_AS of the program in bytes (0: unlimited), to play a small machine.
    unsigned long long addressSpaceLimit = 0;
    // Started by root, the program still obeys file modes (a file of mode 000
    // cannot be read, a folder of mode 555 cannot be written into).
    bool obeyFileModes = false;
    // Started as under nohup: a hang-up of the terminal sends no signal.
    bool ignoreHangUp = false;
    // LC_ALL and TERM of the program. The terminal reads the program's output
    // as UTF-8 when the locale's name says so, else as 7-bit.
    std::string locale = "C.UTF-8";
    std::string terminalType = "xterm";
    // The program's command-line arguments.
    std::vector<std::string> arguments{};
    // COLORTERM of the program; unset when empty.
    std::string colourTerm{};
};

// The environment can wrap every program run in another command (a memory
// checker): SPINCHART_E2E_WRAPPER holds its words separated by blanks, and
// SPINCHART_E2E_TIMEOUT_SCALE multiplies every wait's timeout.
bool runsUnderWrapper();

struct TerminalObservations {
    int bells = 0;
    bool cursorVisible = true;
};

class TerminalSession {
public:
    // Starts the program in a pseudo-terminal of rows x columns, in the
    // working directory given.
    explicit TerminalSession(const std::string& workingDirectory, int rows = 25, int columns = 80,
                             const std::string& program = SPINCHART_BINARY);
    // The program started with the options given (at 80x25 unless told).
    TerminalSession(const std::string& workingDirectory, const ChildOptions& options, int rows = 25,
                    int columns = 80);
    // Another command line (e.g. {"wine", "spinchart.exe"}), not wrapped,
    // with the terminal's echo and line editing off from the start: a console
    // host that sets the terminal's modes only when the program first reads
    // would otherwise let the terminal echo keys typed before.
    TerminalSession(const std::string& workingDirectory, std::vector<std::string> command,
                    int rows = 25, int columns = 80);
    // Kills the program if it still runs.
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    void send(std::string_view bytes);

    bool waitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = defaultTimeout);
    bool waitForText(int row, int column, std::string_view text,
                     std::chrono::milliseconds timeout = defaultTimeout);
    bool waitForBells(int count, std::chrono::milliseconds timeout = defaultTimeout);

    std::string text(int row, int column, int length);  // UTF-8
    std::string rowText(int row);                       // the whole row
    bool screenContains(std::string_view text);
    std::string screenDump();  // every row, numbered; for failure messages
    CellColours colours(int row, int column);
    CellRgb rgb(int row, int column);
    bool cursorVisible();
    int cursorRow();
    int cursorColumn();
    int bells();
    // Every byte the program has written to the terminal so far.
    const std::string& output();
    // The path of the terminal's device (/dev/pts/N) as the program sees it.
    std::string devicePath() const;

    // Resizes the terminal (the program gets SIGWINCH).
    void resize(int rows, int columns);
    void signal(int signalNumber);
    // Closes the terminal's side, as when the terminal window goes away; the
    // screen keeps what it showed.
    void hangUp();

    // The exit status, 128 + n when signal n ended the program, or -1 when it
    // still runs after the timeout.
    int waitForExit(std::chrono::milliseconds timeout = defaultTimeout);
    bool running();
    // True while the program is stopped (SIGTSTP, SIGSTOP).
    bool stopped();

    // The terminal settings now, and whether echo, line editing, signals and
    // input translation are back as they were before the program started.
    termios modes() const;
    bool modesRestored() const;

private:
    void start(const std::string& workingDirectory, std::vector<std::string> command,
               const ChildOptions& options);
    static std::vector<std::string> wrapped(const std::string& program);
    void pump();
    void readOutput(int timeoutMs);

    int master = -1;
    int slave = -1;  // kept open: the settings stay readable after the program ends
    pid_t child = -1;
    int exitStatus = -1;
    int rows;
    int columns;
    termios initialModes{};
    bool rawFromStart = false;
    VTerm* vterm = nullptr;
    VTermScreen* screen = nullptr;
    TerminalObservations observed;
    std::string carry;  // an incomplete UTF-8 character at the end of a read
    std::string written;
    bool utf8 = true;
};

}  // namespace spinchart::e2e
