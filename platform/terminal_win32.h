#pragma once
// The terminal backend for the Windows console.
//
// While a Win32Terminal lives, the console's input is raw: no line input, no
// echo, no processed input, so Ctrl+C arrives as character 3. Cells go
// straight into the screen buffer with their code page 437 glyphs as Unicode
// characters, so the console's own code page does not matter. A change of the
// buffer's or the window's size asks for a repaint. A window smaller than
// 80x25 shows a notice of the size needed instead of the screen, and keys
// typed meanwhile are dropped.
//
// The destructor gives the console back as it was found (input and output
// modes, colours, cursor), with the screen's content left in place. So does a
// console control event (Ctrl+Break, the window closed, logoff, shutdown),
// after which the system's default ends the program.

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
    // Only one may exist at a time.
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

    // How often a wait looks at the window's size.
    static constexpr unsigned long windowCheckMilliseconds = 100;

private:
    // Gives the console back, as a control event does; nothing is drawn
    // afterwards.
    void giveBack();
    void readAvailable();
    void updateSize();
    bool windowResized() const;
    void showNotice();

    void* input;
    void* output;
    unsigned char originalAttribute = 7;
    bool inputClosed = false;
    bool repaintRequested = false;
    bool tooSmall = false;
    bool noticeShown = false;
    bool bellPending = false;
    // The program's screen sits at the top left of the visible window.
    int originRow = 0;
    int originColumn = 0;
    int rows = 25;
    int columns = 80;
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
