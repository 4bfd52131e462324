// Windows implementation of the file interface. Names arrive as UTF-8 and are
// handed to the system as UTF-16; Windows matches names without regard to
// letter case by itself.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/file_io.h"
#include "platform/platform_error.h"

namespace spinchart {
namespace {

[[noreturn]] void fail(const char* what, const std::string& path) {
    throw PlatformError(std::string(what) + " '" + path + "': error " +
                        std::to_string(GetLastError()));
}

// The UTF-16 form of a UTF-8 name; empty when the name is not valid UTF-8.
std::wstring wide(const std::string& path) {
    if (path.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                         static_cast<int>(path.size()), nullptr, 0);
    if (size <= 0) return {};
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                        out.data(), size);
    return out;
}

bool hasWildcard(const std::wstring& name) {
    return name.find_first_of(L"*?") != std::wstring::npos;
}

bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const std::wstring name = wide(path);
    if (name.empty()) return false;
    HANDLE h = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &info) != FALSE;
    CloseHandle(h);
    return ok;
}

std::wstring fullPath(const std::wstring& name) {
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring out(size, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), size, out.data(), nullptr);
    out.resize(length);
    return out;
}

}  // namespace

bool FileHandle::closeNative(NativeFile native) {
    return CloseHandle(native) != FALSE;
}

FileHandle FileHandle::createForWriting(const std::string& path) {
    const std::wstring name = wide(path);
    if (name.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        fail("cannot create", path);
    }
    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) fail("cannot create", path);
    return FileHandle(h);
}

namespace {

// An existing file, pipe or device opened for reading. A folder cannot be
// opened this way.
HANDLE openExistingForReading(const std::string& path) {
    const std::wstring name = wide(path);
    if (name.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        fail("cannot open", path);
    }
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) fail("cannot open", path);
    return h;
}

}  // namespace

FileHandle FileHandle::openForReading(const std::string& path) {
    HANDLE h = openExistingForReading(path);
    // A device is not a regular file.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        SetLastError(ERROR_ACCESS_DENIED);
        fail("not a regular file", path);
    }
    return FileHandle(h);
}

FileHandle FileHandle::openStreamForReading(const std::string& path) {
    return FileHandle(openExistingForReading(path));
}

FileHandle FileHandle::standardInput() {
    const HANDLE process = GetCurrentProcess();
    HANDLE own = nullptr;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(process, input, process, &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        if (GetLastError() == 0) SetLastError(ERROR_INVALID_HANDLE);
        fail("cannot open", "standard input");
    }
    return FileHandle(own);
}

void FileHandle::writeAll(const char* data, std::size_t size) {
    if (!isOpen()) throw PlatformError("write to a closed file");
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(native_, data, chunk, &written, nullptr)) fail("cannot write", "");
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            fail("cannot write", "");
        }
        data += written;
        size -= written;
    }
}

std::size_t FileHandle::readSome(char* data, std::size_t size) {
    if (!isOpen()) throw PlatformError("read from a closed file");
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(native_, data, chunk, &got, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_HANDLE_EOF) return 0;
        fail("cannot read", "");
    }
    return got;
}

std::uint64_t FileHandle::length() const {
    LARGE_INTEGER size{};
    if (!isOpen() || GetFileType(native_) != FILE_TYPE_DISK || !GetFileSizeEx(native_, &size)) {
        return 0;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void FileHandle::close() {
    if (isOpen() && !closeNative(std::exchange(native_, noFile))) fail("cannot close", "");
}

// A directory search for the exact name: an ordinary file, not a folder.
bool regularFileExists(const std::string& path) {
    const std::wstring name = wide(path);
    if (name.empty() || hasWildcard(name)) return false;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(name.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

namespace {

// True when both paths lead to the same existing file.
bool sameExistingFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!fileIdentity(a, ia) || !fileIdentity(b, ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace

bool leadToSameFile(const std::string& a, const std::string& b) {
    if (sameExistingFile(a, b)) return true;
    const std::wstring pa = fullPath(wide(a));
    const std::wstring pb = fullPath(wide(b));
    if (pa.empty() || pb.empty()) return a == b;
    return CompareStringOrdinal(pa.c_str(), static_cast<int>(pa.size()), pb.c_str(),
                                static_cast<int>(pb.size()), TRUE) == CSTR_EQUAL;
}

// The console and the reserved devices are known by name alone.
bool leadsToConsoleOrDevice(const std::string& path) {
    const WindowsName name = classifyWindowsName(path);
    return name == WindowsName::console || name == WindowsName::device;
}

// Names are found regardless of letter case already: the path as given.
std::optional<std::string> resolvePathIgnoringCase(const std::string& path) {
    const std::wstring name = wide(path);
    if (name.empty() || GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return path;
}

}  // namespace spinchart
