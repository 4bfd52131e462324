#include "platform/terminal_win32.h"

#include <windows.h>

#include <algorithm>

#include "platform/cp437.h"
#include "platform/platform_error.h"
#include "platform/terminal_keys.h"

namespace spinchart {
namespace {

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

// Cells to the screen buffer, `width` to a row, from (left, top).
void writeBlock(HANDLE output, int left, int top, int width, const std::vector<CHAR_INFO>& block) {
    const int height = static_cast<int>(block.size()) / width;
    SMALL_RECT target{static_cast<SHORT>(left), static_cast<SHORT>(top),
                      static_cast<SHORT>(left + width - 1), static_cast<SHORT>(top + height - 1)};
    WriteConsoleOutputW(output, block.data(),
                        COORD{static_cast<SHORT>(width), static_cast<SHORT>(height)}, COORD{0, 0},
                        &target);
}

}  // namespace

std::unique_ptr<TerminalBackend> openProgramTerminal(ScreenSize screen) {
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
    return std::make_unique<Win32Terminal>(screen, input, output);
}

Win32Terminal::Win32Terminal(ScreenSize screenSize, void* in, void* out)
    : PlatformTerminal(screenSize), input(in), output(out) {
    DWORD mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleMode(input, &mode) || !GetConsoleScreenBufferInfo(output, &info)) {
        throw PlatformError("the program must run in a console");
    }
    {
        ConsoleLock lock;
        if (saved.active) throw PlatformError("the console is already in use");
        saved = SavedConsole{};
        saved.input = input;
        saved.output = output;
        saved.inputMode = mode;
        saved.attribute = info.wAttributes;
        CONSOLE_CURSOR_INFO cursor{};
        if (GetConsoleCursorInfo(output, &cursor)) saved.cursor = cursor;
        // Processed output and wrap at the end of a line, as the console starts.
        DWORD outputMode = 0;
        saved.outputModeKnown = GetConsoleMode(output, &outputMode) != FALSE;
        saved.outputMode = outputMode;
        originalAttribute = static_cast<unsigned char>(saved.attribute);

        DWORD raw = mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                               ENABLE_PROCESSED_INPUT | ENABLE_MOUSE_INPUT);
        raw |= ENABLE_WINDOW_INPUT;
        if (!SetConsoleMode(input, raw)) throw PlatformError("cannot set the console to raw input");
        if (saved.outputModeKnown) {
            SetConsoleMode(output,
                           outputMode | ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
        }
        saved.active = true;
    }
    SetConsoleCtrlHandler(onControlEvent, TRUE);
    updateSize();
}

Win32Terminal::~Win32Terminal() {
    {
        ConsoleLock lock;
        leaveConsole();
    }
    SetConsoleCtrlHandler(onControlEvent, FALSE);
}

void Win32Terminal::updateSize() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(output, &info)) return;
    originRow = info.srWindow.Top;
    originColumn = info.srWindow.Left;
    // The window's size counts: a buffer may have thousands of rows.
    setSize(std::max(1, info.srWindow.Bottom - info.srWindow.Top + 1),
            std::max(1, info.srWindow.Right - info.srWindow.Left + 1));
    const int bufferRows = std::max(1, static_cast<int>(info.dwSize.Y));
    ConsoleLock lock;
    saved.leaveRow = static_cast<SHORT>(std::min(originRow + screen.rows, bufferRows - 1));
}

bool Win32Terminal::windowResized() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(output, &info)) return false;
    return info.srWindow.Bottom - info.srWindow.Top + 1 != rows ||
           info.srWindow.Right - info.srWindow.Left + 1 != columns;
}

void Win32Terminal::drawUpdate(const ScreenUpdate& update, bool visibilityChanged) {
    {
        ConsoleLock lock;
        if (!saved.active) return;
        if (update.repaint) blankWindow({});
        for (const CellRun& run : update.runs) {
            std::vector<CHAR_INFO> block(run.cells.size());
            for (std::size_t i = 0; i < block.size(); ++i) {
                block[i].Char.UnicodeChar =
                    static_cast<WCHAR>(cp437ToUnicode(run.cells[i].character));
                block[i].Attributes = run.cells[i].attribute;
            }
            writeBlock(output, originColumn + run.column - 1, originRow + run.row - 1,
                       static_cast<int>(block.size()), block);
        }
        SetConsoleCursorPosition(
            output,
            COORD{static_cast<SHORT>(originColumn + std::min(update.cursorColumn, columns) - 1),
                  static_cast<SHORT>(originRow + std::min(update.cursorRow, rows) - 1)});
        if (visibilityChanged) {
            const CONSOLE_CURSOR_INFO cursor{saved.cursor.dwSize, update.cursorVisible};
            SetConsoleCursorInfo(output, &cursor);
        }
    }
    if (update.bell) ringBell();
}

void Win32Terminal::ringBell() {
    MessageBeep(MB_OK);
}

void Win32Terminal::drawNotice() {
    ConsoleLock lock;
    if (!saved.active) return;
    blankWindow(sizeNotice(screen, rows, columns));
    const CONSOLE_CURSOR_INFO cursor{saved.cursor.dwSize, FALSE};
    SetConsoleCursorInfo(output, &cursor);
}

// Under the lock.
void Win32Terminal::blankWindow(const std::vector<NoticeLine>& lines) {
    std::vector<CHAR_INFO> block(static_cast<std::size_t>(rows * columns));
    for (CHAR_INFO& cell : block) {
        cell.Char.UnicodeChar = L' ';
        cell.Attributes = originalAttribute;
    }
    for (const NoticeLine& line : lines) {
        for (std::size_t i = 0; i < line.text.size(); ++i) {
            block[static_cast<std::size_t>((line.row - 1) * columns + line.column - 1) + i]
                .Char.UnicodeChar = static_cast<WCHAR>(line.text[i]);
        }
    }
    writeBlock(output, originColumn, originRow, columns, block);
}

void Win32Terminal::readInput() {
    while (!inputClosed) {
        DWORD count = 0;
        if (!GetNumberOfConsoleInputEvents(input, &count)) {
            inputClosed = true;
            break;
        }
        if (count == 0) break;
        INPUT_RECORD records[64];
        DWORD got = 0;
        if (!ReadConsoleInputW(input, records, std::min<DWORD>(count, 64), &got)) {
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
}

void Win32Terminal::discardPendingKeys() {
    readAvailable();  // keeps a repaint request that came first
    FlushConsoleInputBuffer(input);
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
        if (WaitForSingleObject(input, windowCheckMilliseconds) == WAIT_FAILED) inputClosed = true;
    }
}

bool Win32Terminal::takeContentLost() {
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
    return true;
}

}  // namespace spinchart
