#pragma once
// Operating-system file access behind a small interface. Paths are UTF-8 as the
// file system expects them; callers holding code page 437 names convert first.
// Every failure throws PlatformError.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spinchart {

// The system's own handle of an open file: a descriptor, or a HANDLE.
#ifdef _WIN32
using NativeFile = void*;
inline constexpr NativeFile noFile = nullptr;
#else
using NativeFile = int;
inline constexpr NativeFile noFile = -1;
#endif

// An open file, closed on destruction (errors on that path are ignored; call
// close() to have them reported).
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    ~FileHandle();

    // Creates the file, or empties it if it exists.
    static FileHandle createForWriting(const std::string& path);
    // Opens an existing regular file for reading.
    static FileHandle openForReading(const std::string& path);
    // Opens anything that can be read from start to end: a file, a pipe, a
    // FIFO (waiting for its writer), a device. A folder is refused.
    static FileHandle openStreamForReading(const std::string& path);
    // The program's standard input, as a handle of its own.
    static FileHandle standardInput();

    bool isOpen() const { return native_ != noFile; }
    // Writes all bytes or throws.
    void writeAll(const char* data, std::size_t size);
    // Reads up to `size` bytes; returns 0 at end of file.
    std::size_t readSome(char* data, std::size_t size);
    // The length in bytes of a regular file; 0 where the system knows none.
    std::uint64_t length() const;
    void close();

private:
    explicit FileHandle(NativeFile native) : native_(native) {}
    // The one call the backends differ in; false when the system reports a
    // failure.
    static bool closeNative(NativeFile native);
    NativeFile native_ = noFile;
};

// True when `path` names an existing regular file.
bool regularFileExists(const std::string& path);

// True when both paths name the same file, whether or not it exists yet: the
// same existing file, or the same place once "." and ".." and links are
// resolved.
bool leadToSameFile(const std::string& a, const std::string& b);

// True when output under `path` would land on the console the program draws
// on, or on a device that no file can stand for. POSIX: any path to the
// device of the program's terminal (its pts path, /dev/tty, /dev/stdout,
// /proc/self/fd/1), whatever the spelling. Windows: the console's names and
// the reserved device names (classifyWindowsName). The null device is not
// refused: output there is what the user chose to drop.
bool leadsToConsoleOrDevice(const std::string& path);

// What a name leads to on Windows by its last part alone, whatever its
// letter case, the folder before it, its extension and trailing dots or
// blanks.
enum class WindowsName {
    file,
    console,     // CON, CONIN$, CONOUT$
    device,      // AUX, PRN, COM1-COM9, LPT1-LPT9 (also with the digits ¹ ² ³)
    nullDevice,  // NUL
};
WindowsName classifyWindowsName(std::string_view path);

// Finds an existing file whose path matches `path` ignoring letter case in the
// parts that do not exist as written. Returns the path as it exists on disk,
// `path` itself when it exists as written, and nothing when no part or more than
// one part matches.
std::optional<std::string> resolvePathIgnoringCase(const std::string& path);

}  // namespace spinchart
