#pragma once
// The terminal backend for the Windows console.
//
// While a Win32Terminal lives, the console's input is raw: no line input, no
// echo, no processed input, so Ctrl+C arrives as character 3. Ctrl+Break keeps
// the system's default and ends the program. Cells go straight into the
// screen buffer with their code page 437 glyphs as Unicode characters, so the
// console's own code page does not matter. A change of the buffer's size asks
// for a repaint. The destructor gives the console back as it was found, with
// the screen's content left in place.

#include <deque>
#include <string>
#include <vector>

#include "platform/terminal.h"

namespace spinchart {

class Win32Terminal final : public TerminalBackend {
public:
    // Takes over the console behind the two handles (HANDLE values); throws
    // PlatformError when they are not a console. The handles stay the
    // caller's.
    Win32Terminal(void* input, void* output);
    ~Win32Terminal() override;
    Win32Terminal(const Win32Terminal&) = delete;
    Win32Terminal& operator=(const Win32Terminal&) = delete;

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

private:
    void readAvailable();
    void updateSize();

    void* input;
    void* output;
    unsigned long originalInputMode = 0;
    unsigned long originalOutputMode = ~0ul;  // ~0: not known
    unsigned long originalCursorSize = 25;
    bool originalCursorVisible = true;
    unsigned char originalAttribute = 7;
    bool inputClosed = false;
    bool repaintRequested = false;
    bool bellPending = false;
    // The program's screen sits at the top left of the visible window.
    int originRow = 0;
    int originColumn = 0;
    int rows = 25;
    int columns = 80;
    int bufferRows = 25;
    // What present() sends: the cells as they should be, and the rectangle
    // (0-based, inclusive) that changed since the last present().
    std::vector<ScreenCell> cells;
    int dirtyTop = 0, dirtyLeft = 0, dirtyBottom = -1, dirtyRight = -1;
    int cursorRow = 1, cursorColumn = 1;
    bool cursorWanted = true;
    int cursorShown = -1;  // -1 unknown, 0 hidden, 1 shown
    bool cursorMoved = false;
    std::deque<std::string> keys;
};

}  // namespace spinchart
