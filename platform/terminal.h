#pragma once
// The terminal behind the console layer: cells out, key codes in, the bell.
// The console keeps the screen model and hands the backend the cells that
// changed; the backend turns them into whatever its platform needs.

#include <deque>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace spinchart {

// One screen cell: a code page 437 byte and a colour attribute
// (foreground + 16 * background).
struct ScreenCell {
    unsigned char character;
    unsigned char attribute;

    friend bool operator==(const ScreenCell&, const ScreenCell&) = default;
};

// Raised when the terminal's input is gone for good (hang-up, end of input).
// Not a PlatformError: no session can recover from it, so it ends the program.
class TerminalClosed : public std::runtime_error {
public:
    explicit TerminalClosed(const std::string& what) : std::runtime_error(what) {}
};

// One batch of changes for the terminal, sent in one go.
struct CellRun {
    int row = 1;  // 1-based
    int column = 1;
    std::span<const ScreenCell> cells;
};
struct ScreenUpdate {
    bool repaint = false;  // blank the display in the terminal's own colours first
    std::vector<CellRun> runs;
    int cursorRow = 1;
    int cursorColumn = 1;
    bool cursorVisible = true;
    bool bell = false;  // the alert sound; returns at once
};

class TerminalBackend {
public:
    virtual ~TerminalBackend() = default;

    // Sends the update in one go.
    virtual void show(const ScreenUpdate& update) = 0;

    // Key input. Key codes are 1 character, or NUL and a scan code.
    virtual bool keyPending() = 0;          // never waits
    virtual std::string takeKey() = 0;      // empty when none is waiting
    virtual void discardPendingKeys() = 0;  // drops typed-ahead keys
    // Blocks until a key may be pending or a repaint is due.
    virtual void waitForInput() = 0;
    // True once after the display lost its content (resize, resume).
    virtual bool takeRepaintRequest() = 0;
};

// The size of the program's screen, as the console layer gives it: the
// smallest terminal or console window the screen fits.
struct ScreenSize {
    int rows = 0;
    int columns = 0;
};

// The notice a terminal or window smaller than the screen shows instead of
// it: "The program needs C columns by R rows", wrapped at its words to the
// width, cut to fit, and centred. Rows and columns are 1-based.
struct NoticeLine {
    int row = 1;
    int column = 1;
    std::string text;
};
std::vector<NoticeLine> sizeNotice(ScreenSize screen, int rows, int columns);

// What the platform terminals share: the keys read ahead, the size check and
// the cursor's visibility as last shown. A terminal smaller than the screen
// shows the notice instead of it, once, and keys typed meanwhile are dropped;
// the backends draw the rest.
class PlatformTerminal : public TerminalBackend {
public:
    PlatformTerminal(const PlatformTerminal&) = delete;
    PlatformTerminal& operator=(const PlatformTerminal&) = delete;

    void show(const ScreenUpdate& update) final;
    bool keyPending() final;
    std::string takeKey() final;
    // Once the display lost its content the size is read again; too small,
    // the notice shows at the new size and there is nothing to repaint.
    bool takeRepaintRequest() final;

protected:
    explicit PlatformTerminal(ScreenSize screen);
    // Moves the input that has come into `keys`, without waiting.
    virtual void readInput() = 0;
    // True once after the display lost its content; reads the size anew.
    virtual bool takeContentLost() = 0;
    // The update on a terminal the screen fits: the bell, the repaint, the
    // runs, the cursor's place, and its visibility when that changed.
    virtual void drawUpdate(const ScreenUpdate& update, bool visibilityChanged) = 0;
    // The display blanked in the terminal's own colours, the notice on it, the
    // cursor hidden.
    virtual void drawNotice() = 0;
    virtual void ringBell() = 0;

    // drawNotice(), and the notice and the hidden cursor noted.
    void showNotice();
    // readInput(), then the keys typed blind dropped.
    void readAvailable();
    void setSize(int newRows, int newColumns);

    const ScreenSize screen;
    std::deque<std::string> keys;
    int rows = screen.rows;
    int columns = screen.columns;
    bool tooSmall = false;
    bool noticeShown = false;
    bool inputClosed = false;
    int cursorShown = -1;  // -1 unknown, 0 hidden, 1 shown
};

// Takes over the program's own console (raw input, full-screen output) until
// the returned backend is destroyed, which gives it back as it was found.
// Throws PlatformError when there is no usable console.
std::unique_ptr<TerminalBackend> openProgramTerminal(ScreenSize screen);

}  // namespace spinchart
