#include "platform/terminal_win32.h"

#include <windows.h>

#include <algorithm>

#include "platform/cp437.h"
#include "platform/platform_error.h"
#include "platform/terminal_keys.h"

namespace spinchart {
namespace {

HANDLE handleOf(void* handle) {
    return static_cast<HANDLE>(handle);
}

bool isModifierAlone(WORD virtualKey) {
    switch (virtualKey) {
        case VK_SHIFT:
        case VK_CONTROL:
        case VK_MENU:
        case VK_LSHIFT:
        case VK_RSHIFT:
        case VK_LCONTROL:
        case VK_RCONTROL:
        case VK_LMENU:
        case VK_RMENU:
        case VK_CAPITAL:
        case VK_NUMLOCK:
        case VK_SCROLL:
            return true;
        default:
            return false;
    }
}

// NUL and the key's scan code, as keys without a character give them; F11
// and F12 have the extended codes of the PC keyboard.
std::string scanCodeKey(const KEY_EVENT_RECORD& key) {
    char code = static_cast<char>(key.wVirtualScanCode);
    if (key.wVirtualKeyCode == VK_F11) code = scanCode::f11;
    if (key.wVirtualKeyCode == VK_F12) code = scanCode::f12;
    if (code == 0) code = static_cast<char>(MapVirtualKeyW(key.wVirtualKeyCode, MAPVK_VK_TO_VSC));
    return std::string{'\0', code};
}

// The key code of a key-down event; empty for events that are not key presses.
std::string keyCodeOf(const KEY_EVENT_RECORD& key) {
    if (!key.bKeyDown || isModifierAlone(key.wVirtualKeyCode)) return {};
    const DWORD state = key.dwControlKeyState;
    const bool alt = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0;
    const bool ctrl = (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) != 0;
    const wchar_t ch = key.uChar.UnicodeChar;
    // Alt with a letter has no character (Ctrl+Alt is AltGr, which types one).
    if (alt && !ctrl && key.wVirtualKeyCode >= 'A' && key.wVirtualKeyCode <= 'Z')
        return scanCodeKey(key);
    if (ch == 0) {
        // Some consoles report Escape without its character.
        if (key.wVirtualKeyCode == VK_ESCAPE) return std::string(1, '\x1b');
        return scanCodeKey(key);
    }
    const int byte = unicodeToCp437(static_cast<char32_t>(ch));
    if (byte < 0) return {};  // a character code page 437 does not hold
    return std::string(1, static_cast<char>(byte));
}

// What a console control event needs to give the console back: the console
// as it was found. Guarded by `consoleLock`, which the drawing takes too, so
// nothing is drawn once the console is given back.
struct SavedConsole {
    bool active = false;
    HANDLE input = INVALID_HANDLE_VALUE;
    HANDLE output = INVALID_HANDLE_VALUE;
    DWORD inputMode = 0;
    DWORD outputMode = 0;
    bool outputModeKnown = false;
    WORD attribute = 7;
    CONSOLE_CURSOR_INFO cursor{25, TRUE};
    SHORT leaveRow = 0;  // the cursor's row once given back
};

SavedConsole saved;
SRWLOCK consoleLock = SRWLOCK_INIT;

class ConsoleLock {
public:
    ConsoleLock() { AcquireSRWLockExclusive(&consoleLock); }
    ~ConsoleLock() { ReleaseSRWLockExclusive(&consoleLock); }
    ConsoleLock(const ConsoleLock&) = delete;
    ConsoleLock& operator=(const ConsoleLock&) = delete;
};

// Under the lock: modes, colours and cursor as they were found, the cursor at
// the start of the row below the program's screen.
void leaveConsole() {
    if (!saved.active) return;
    saved.active = false;
    SetConsoleMode(saved.input, saved.inputMode);
    if (saved.outputModeKnown) SetConsoleMode(saved.output, saved.outputMode);
    SetConsoleTextAttribute(saved.output, saved.attribute);
    SetConsoleCursorPosition(saved.output, COORD{0, saved.leaveRow});
    SetConsoleCursorInfo(saved.output, &saved.cursor);
}

// Ctrl+Break, the window closed, logoff, shutdown: the console given back,
// then the next handler, in the end the system's default, which ends the
// program.
BOOL WINAPI onControlEvent(DWORD) {
    ConsoleLock lock;
    leaveConsole();
    return FALSE;
}

}  // namespace

std::unique_ptr<TerminalBackend> openProgramTerminal() {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, share, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE || output == INVALID_HANDLE_VALUE) {
        if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
        if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
        throw PlatformError("the program must run in a console");
    }
    // The handles live as long as the program; the system closes them.
    return std::make_unique<Win32Terminal>(input, output);
}

Win32Terminal::Win32Terminal(void* in, void* out) : input(in), output(out) {
    DWORD mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleMode(handleOf(input), &mode) ||
        !GetConsoleScreenBufferInfo(handleOf(output), &info)) {
        throw PlatformError("the program must run in a console");
    }
    {
        ConsoleLock lock;
        if (saved.active) throw PlatformError("the console is already in use");
        saved = SavedConsole{};
        saved.input = handleOf(input);
        saved.output = handleOf(output);
        saved.inputMode = mode;
        saved.attribute = info.wAttributes;
        CONSOLE_CURSOR_INFO cursor{};
        if (GetConsoleCursorInfo(handleOf(output), &cursor)) saved.cursor = cursor;
        // Processed output and wrap at the end of a line, as the console starts.
        DWORD outputMode = 0;
        saved.outputModeKnown = GetConsoleMode(handleOf(output), &outputMode) != FALSE;
        saved.outputMode = outputMode;
        originalAttribute = static_cast<unsigned char>(saved.attribute);

        DWORD raw = mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                               ENABLE_PROCESSED_INPUT | ENABLE_MOUSE_INPUT);
        raw |= ENABLE_WINDOW_INPUT;
        if (!SetConsoleMode(handleOf(input), raw))
            throw PlatformError("cannot set the console to raw input");
        if (saved.outputModeKnown) {
            SetConsoleMode(handleOf(output),
                           outputMode | ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
        }
        saved.active = true;
    }
    SetConsoleCtrlHandler(onControlEvent, TRUE);
    updateSize();
}

Win32Terminal::~Win32Terminal() {
    giveBack();
    SetConsoleCtrlHandler(onControlEvent, FALSE);
}

void Win32Terminal::giveBack() {
    ConsoleLock lock;
    leaveConsole();
}

void Win32Terminal::updateSize() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(handleOf(output), &info)) {
        originRow = info.srWindow.Top;
        originColumn = info.srWindow.Left;
        rows = std::max(1, info.srWindow.Bottom - info.srWindow.Top + 1);
        columns = std::max(1, info.srWindow.Right - info.srWindow.Left + 1);
        const int bufferRows = std::max(1, static_cast<int>(info.dwSize.Y));
        ConsoleLock lock;
        saved.leaveRow = static_cast<SHORT>(std::min(originRow + smallestRows, bufferRows - 1));
    }
    // The window's size counts: a buffer may have thousands of rows.
    tooSmall = rows < smallestRows || columns < smallestColumns;
    noticeShown = false;
    cells.assign(static_cast<std::size_t>(rows * columns), ScreenCell{' ', originalAttribute});
    dirtyTop = dirtyLeft = 0;
    dirtyBottom = dirtyRight = -1;
}

bool Win32Terminal::windowResized() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(handleOf(output), &info)) return false;
    return info.srWindow.Bottom - info.srWindow.Top + 1 != rows ||
           info.srWindow.Right - info.srWindow.Left + 1 != columns;
}

void Win32Terminal::resetDisplay() {
    if (tooSmall) return;
    std::fill(cells.begin(), cells.end(), ScreenCell{' ', originalAttribute});
    dirtyTop = 0;
    dirtyLeft = 0;
    dirtyBottom = rows - 1;
    dirtyRight = columns - 1;
    cursorShown = -1;
    cursorMoved = true;
}

void Win32Terminal::drawCells(int row, int column, std::span<const ScreenCell> run) {
    if (tooSmall) return;
    if (row < 1 || row > rows || column < 1 || column > columns) return;
    const int count = std::min(static_cast<int>(run.size()), columns - column + 1);
    if (count <= 0) return;
    std::copy_n(run.begin(), count,
                cells.begin() + static_cast<std::ptrdiff_t>((row - 1) * columns + column - 1));
    if (dirtyBottom < 0) {
        dirtyTop = dirtyBottom = row - 1;
        dirtyLeft = column - 1;
        dirtyRight = column - 2 + count;
    } else {
        dirtyTop = std::min(dirtyTop, row - 1);
        dirtyBottom = std::max(dirtyBottom, row - 1);
        dirtyLeft = std::min(dirtyLeft, column - 1);
        dirtyRight = std::max(dirtyRight, column - 2 + count);
    }
}

void Win32Terminal::placeCursor(int row, int column, bool visible) {
    if (tooSmall) return;
    const int r = std::clamp(row, 1, rows);
    const int c = std::clamp(column, 1, columns);
    if (r != cursorRow || c != cursorColumn) cursorMoved = true;
    cursorRow = r;
    cursorColumn = c;
    cursorWanted = visible;
}

void Win32Terminal::present() {
    ConsoleLock lock;
    if (!saved.active) return;
    if (tooSmall) {
        if (!noticeShown) showNotice();
        return;
    }
    if (dirtyBottom >= 0) {
        const int height = dirtyBottom - dirtyTop + 1;
        const int width = dirtyRight - dirtyLeft + 1;
        std::vector<CHAR_INFO> block(static_cast<std::size_t>(height * width));
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                const ScreenCell& cell =
                    cells[static_cast<std::size_t>((dirtyTop + r) * columns + dirtyLeft + c)];
                CHAR_INFO& out = block[static_cast<std::size_t>(r * width + c)];
                out.Char.UnicodeChar = static_cast<WCHAR>(cp437ToUnicode(cell.character));
                out.Attributes = cell.attribute;
            }
        }
        SMALL_RECT target{static_cast<SHORT>(originColumn + dirtyLeft),
                          static_cast<SHORT>(originRow + dirtyTop),
                          static_cast<SHORT>(originColumn + dirtyRight),
                          static_cast<SHORT>(originRow + dirtyBottom)};
        WriteConsoleOutputW(handleOf(output), block.data(),
                            COORD{static_cast<SHORT>(width), static_cast<SHORT>(height)},
                            COORD{0, 0}, &target);
        dirtyBottom = dirtyRight = -1;
    }
    if (cursorMoved) {
        SetConsoleCursorPosition(handleOf(output),
                                 COORD{static_cast<SHORT>(originColumn + cursorColumn - 1),
                                       static_cast<SHORT>(originRow + cursorRow - 1)});
        cursorMoved = false;
    }
    if (cursorShown != static_cast<int>(cursorWanted)) {
        const CONSOLE_CURSOR_INFO cursor{saved.cursor.dwSize, cursorWanted ? TRUE : FALSE};
        SetConsoleCursorInfo(handleOf(output), &cursor);
        cursorShown = cursorWanted;
    }
    if (bellPending) {
        MessageBeep(MB_OK);
        bellPending = false;
    }
}

// Under the lock: the window blanked in the console's own colours, the
// notice in it, the cursor hidden.
void Win32Terminal::showNotice() {
    std::vector<CHAR_INFO> block(static_cast<std::size_t>(rows * columns));
    for (CHAR_INFO& cell : block) {
        cell.Char.UnicodeChar = L' ';
        cell.Attributes = originalAttribute;
    }
    for (const NoticeLine& line : sizeNotice(rows, columns)) {
        for (std::size_t i = 0; i < line.text.size(); ++i) {
            block[static_cast<std::size_t>((line.row - 1) * columns + line.column - 1) + i]
                .Char.UnicodeChar = static_cast<WCHAR>(line.text[i]);
        }
    }
    SMALL_RECT target{static_cast<SHORT>(originColumn), static_cast<SHORT>(originRow),
                      static_cast<SHORT>(originColumn + columns - 1),
                      static_cast<SHORT>(originRow + rows - 1)};
    WriteConsoleOutputW(handleOf(output), block.data(),
                        COORD{static_cast<SHORT>(columns), static_cast<SHORT>(rows)}, COORD{0, 0},
                        &target);
    const CONSOLE_CURSOR_INFO cursor{saved.cursor.dwSize, FALSE};
    SetConsoleCursorInfo(handleOf(output), &cursor);
    cursorShown = 0;
    noticeShown = true;
}

void Win32Terminal::bell() {
    bellPending = true;
}

void Win32Terminal::readAvailable() {
    while (!inputClosed) {
        DWORD count = 0;
        if (!GetNumberOfConsoleInputEvents(handleOf(input), &count)) {
            inputClosed = true;
            break;
        }
        if (count == 0) break;
        INPUT_RECORD records[64];
        DWORD got = 0;
        if (!ReadConsoleInputW(handleOf(input), records, std::min<DWORD>(count, 64), &got)) {
            inputClosed = true;
            break;
        }
        for (DWORD i = 0; i < got; ++i) {
            const INPUT_RECORD& record = records[i];
            if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) {
                repaintRequested = true;
                continue;
            }
            if (record.EventType != KEY_EVENT) continue;
            const std::string key = keyCodeOf(record.Event.KeyEvent);
            if (key.empty()) continue;
            const int repeat = std::max<int>(1, record.Event.KeyEvent.wRepeatCount);
            for (int n = 0; n < repeat; ++n)
                keys.push_back(key);
        }
    }
    if (tooSmall) keys.clear();  // typed blind: not taken
}

bool Win32Terminal::keyPending() {
    readAvailable();
    return !keys.empty();
}

std::string Win32Terminal::takeKey() {
    readAvailable();
    if (keys.empty()) return {};
    std::string key = std::move(keys.front());
    keys.pop_front();
    return key;
}

void Win32Terminal::discardPendingKeys() {
    readAvailable();  // keeps a repaint request that came first
    FlushConsoleInputBuffer(handleOf(input));
    keys.clear();
}

void Win32Terminal::waitForInput() {
    for (;;) {
        // A window resized within its buffer sends no event: its size is
        // looked at before any input is read, and now and then meanwhile.
        if (windowResized()) {
            repaintRequested = true;
            return;
        }
        readAvailable();
        if (!keys.empty() || repaintRequested) return;
        if (inputClosed) throw TerminalClosed("the console input has ended");
        // Signalled while any input event waits.
        if (WaitForSingleObject(handleOf(input), windowCheckMilliseconds) == WAIT_FAILED)
            inputClosed = true;
    }
}

bool Win32Terminal::takeRepaintRequest() {
    // The window first, so that keys typed once it has grown are kept; a
    // buffer of another size comes as an input event.
    if (windowResized()) {
        repaintRequested = true;
    } else {
        readAvailable();
    }
    if (!repaintRequested) return false;
    repaintRequested = false;
    updateSize();
    // While the window is too small the notice stands in, shown now at the new
    // size; the console has nothing to draw until it grows.
    if (tooSmall) {
        ConsoleLock lock;
        if (saved.active) showNotice();
        return false;
    }
    resetDisplay();
    return true;
}

}  // namespace spinchart
