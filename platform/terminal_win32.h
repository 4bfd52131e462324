#pragma once
// The terminal backend for the Windows console.
//
// While a Win32Terminal lives, the console's input is raw: no line input, no
// echo, no processed input, so Ctrl+C arrives as character 3. Cells go
// straight into the screen buffer with their code page 437 glyphs as Unicode
// characters, so the console's own code page does not matter. A change of the
// buffer's or the window's size asks for a repaint.
//
// The destructor gives the console back as it was found (input and output
// modes, colours, cursor), with the screen's content left in place. So does a
// console control event (Ctrl+Break, the window closed, logoff, shutdown),
// after which the system's default ends the program.

#include <vector>

#include "platform/terminal.h"

namespace spinchart {

class Win32Terminal final : public PlatformTerminal {
public:
    // Takes over the console behind the two handles; throws PlatformError
    // when they are not a console. The handles stay the caller's. Only one
    // may exist at a time.
    Win32Terminal(ScreenSize screen, void* input, void* output);
    ~Win32Terminal() override;

    void discardPendingKeys() override;
    void waitForInput() override;

    // How often a wait looks at the window's size.
    static constexpr unsigned long windowCheckMilliseconds = 100;

private:
    void readInput() override;
    bool takeContentLost() override;
    void updateSize();
    bool windowResized() const;
    void drawUpdate(const ScreenUpdate& update, bool visibilityChanged) override;
    void drawNotice() override;
    void ringBell() override;
    // Blanks the window in the console's own colours, with the lines on it.
    void blankWindow(const std::vector<NoticeLine>& lines);

    void* input;  // HANDLE
    void* output;
    unsigned char originalAttribute = 7;
    bool repaintRequested = false;
    // The program's screen sits at the top left of the visible window.
    int originRow = 0;
    int originColumn = 0;
};

}  // namespace spinchart
