// POSIX implementation of the file interface.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/cp437.h"
#include "platform/file_io.h"
#include "platform/platform_error.h"
#include "platform/terminal_posix.h"

namespace spinchart {
namespace {

[[noreturn]] void fail(const char* what, const std::string& path) {
    throw PlatformError(std::string(what) + " '" + path + "': " + std::strerror(errno));
}

// A name in code page 437 with its letters upper-cased as the console does;
// nullopt for a name code page 437 cannot hold.
std::optional<std::string> foldedName(std::string_view utf8Name) {
    std::optional<std::string> name = utf8ToCp437(utf8Name);
    if (name) {
        for (char& c : *name)
            c = static_cast<char>(cp437ToUpper(static_cast<unsigned char>(c)));
    }
    return name;
}

// True when both paths lead to the same existing file.
bool sameExistingFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

bool FileHandle::closeNative(NativeFile native) {
    return ::close(native) == 0 || errno == EINTR;
}

FileHandle FileHandle::createForWriting(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        fail("cannot create", path);
    }
    // Without waiting: a named pipe that nobody reads fails here instead of
    // stopping the program until someone does.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) fail("cannot create", path);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return FileHandle(fd);
}

namespace {

int openExistingForReading(const std::string& path, int flags) {
    if (path.empty()) {
        errno = ENOENT;
        fail("cannot open", path);
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0) fail("cannot open", path);
    return fd;
}

}  // namespace

FileHandle FileHandle::openForReading(const std::string& path) {
    const int fd = openExistingForReading(path, O_NONBLOCK);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        fail("not a regular file", path);
    }
    // Regular files never block; clear the flag used to avoid hanging on FIFOs.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return FileHandle(fd);
}

// Without O_NONBLOCK: a FIFO waits for its writer, as a pipe would.
FileHandle FileHandle::openStreamForReading(const std::string& path) {
    const int fd = openExistingForReading(path, 0);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        fail("cannot open", path);
    }
    return FileHandle(fd);
}

FileHandle FileHandle::standardInput() {
    const int fd = ::fcntl(0, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) fail("cannot open", "standard input");
    return FileHandle(fd);
}

void FileHandle::writeAll(const char* data, std::size_t size) {
    if (!isOpen()) throw PlatformError("write to a closed file");
    while (size > 0) {
        const ssize_t n = ::write(native_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("cannot write", "");
        }
        if (n == 0) {
            errno = EIO;
            fail("cannot write", "");
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

std::size_t FileHandle::readSome(char* data, std::size_t size) {
    if (!isOpen()) throw PlatformError("read from a closed file");
    for (;;) {
        const ssize_t n = ::read(native_, data, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) fail("cannot read", "");
    }
}

std::uint64_t FileHandle::length() const {
    struct stat info {};
    if (!isOpen() || ::fstat(native_, &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

void FileHandle::close() {
    if (isOpen() && !closeNative(std::exchange(native_, noFile))) fail("cannot close", "");
}

bool regularFileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool leadToSameFile(const std::string& a, const std::string& b) {
    if (sameExistingFile(a, b)) return true;
    // Each step has its own error: a failure must not be cleared by the next
    // step's success.
    auto place = [](const std::string& path) -> std::optional<std::filesystem::path> {
        std::error_code absoluteError;
        const std::filesystem::path absolute = std::filesystem::absolute(path, absoluteError);
        if (absoluteError) return std::nullopt;
        std::error_code canonicalError;
        std::filesystem::path canonical =
            std::filesystem::weakly_canonical(absolute, canonicalError);
        if (canonicalError) return std::nullopt;
        return canonical;
    };
    const auto pa = place(a);
    const auto pb = place(b);
    if (!pa || !pb) return a == b;
    return *pa == *pb;
}

bool leadsToConsoleOrDevice(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    const std::vector<dev_t> ours = terminalDevicesInUse();
    if (ours.empty()) return false;
    // Opened to learn which terminal is behind it (/dev/tty, /dev/console);
    // writing the output would open it all the same.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const std::optional<dev_t> device = terminalDevice(fd);
    ::close(fd);
    return device && std::find(ours.begin(), ours.end(), *device) != ours.end();
}

std::optional<std::string> resolvePathIgnoringCase(const std::string& path) {
    struct stat info {};
    if (path.empty()) return std::nullopt;
    if (::stat(path.c_str(), &info) == 0) return path;

    // Walk the parts; a part missing as written is matched against its folder.
    std::string resolved = path[0] == '/' ? "/" : "";
    std::size_t start = path[0] == '/' ? 1 : 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        std::string candidate = resolved + part;
        if (part != "." && part != ".." && ::lstat(candidate.c_str(), &info) != 0) {
            const std::string folder = resolved.empty() ? "." : resolved;
            DIR* dir = ::opendir(folder.c_str());
            if (!dir) return std::nullopt;
            std::vector<std::string> matches;
            const std::optional<std::string> wanted = foldedName(part);
            while (const dirent* entry = ::readdir(dir)) {
                if (wanted && foldedName(entry->d_name) == wanted)
                    matches.emplace_back(entry->d_name);
            }
            ::closedir(dir);
            if (matches.size() != 1) return std::nullopt;
            candidate = resolved + matches.front();
        }
        resolved = candidate;
        if (end < path.size()) resolved += '/';
        if (end == path.size()) break;
    }
    return resolved;
}

}  // namespace spinchart
