#pragma once
// The terminal behind the console layer: cells out, key codes in, the bell.
// The console keeps the screen model and tells the backend which cells
// changed; the backend turns that into whatever its platform needs.

#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace spinchart {

// One screen cell: a code page 437 byte and a colour attribute
// (foreground + 16 * background).
struct ScreenCell {
    unsigned char character = ' ';
    unsigned char attribute = 14 + 16 * 2;

    friend bool operator==(const ScreenCell&, const ScreenCell&) = default;
};

// Raised when the terminal's input is gone for good (hang-up, end of input).
// Not a PlatformError: no session can recover from it, so it ends the program.
class TerminalClosed : public std::runtime_error {
public:
    explicit TerminalClosed(const std::string& what) : std::runtime_error(what) {}
};

class TerminalBackend {
public:
    virtual ~TerminalBackend() = default;

    // Output is collected until present(), which sends it in one go.
    // Blanks the whole display in the terminal's own colours (before a full
    // repaint of the screen).
    virtual void resetDisplay() = 0;
    // A run of cells on one row, from (row, column), 1-based.
    virtual void drawCells(int row, int column, std::span<const ScreenCell> cells) = 0;
    virtual void placeCursor(int row, int column, bool visible) = 0;
    virtual void present() = 0;
    // The alert sound, sent with the next present(); returns at once.
    virtual void bell() = 0;

    // Key input. Key codes are 1 character, or NUL and a scan code.
    virtual bool keyPending() = 0;          // never waits
    virtual std::string takeKey() = 0;      // empty when none is waiting
    virtual void discardPendingKeys() = 0;  // drops typed-ahead keys
    // Blocks until a key may be pending or a repaint is due.
    virtual void waitForInput() = 0;
    // True once after the display lost its content (resize, resume).
    virtual bool takeRepaintRequest() = 0;
};

// The smallest terminal or console window the screen fits.
constexpr int smallestRows = 25;
constexpr int smallestColumns = 80;

// The notice a terminal or window smaller than that shows instead of the
// screen: "The program needs 80 columns by 25 rows", wrapped at its words to
// the width, cut to fit, and centred. Rows and columns are 1-based.
struct NoticeLine {
    int row = 1;
    int column = 1;
    std::string text;
};
std::vector<NoticeLine> sizeNotice(int rows, int columns);

// Takes over the program's own console (raw input, full-screen output) until
// the returned backend is destroyed, which gives it back as it was found.
// Throws PlatformError when there is no usable console.
std::unique_ptr<TerminalBackend> openProgramTerminal();

}  // namespace spinchart
