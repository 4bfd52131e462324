#pragma once
// The project's one exception type. Any failure inside a wheel session (a file
// that cannot be opened, read or written, a list too large to allocate) throws
// it; the session loop catches it in one place and shows the error screen.

#include <stdexcept>
#include <string>

namespace spinchart {

class SessionError : public std::runtime_error {
public:
    explicit SessionError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace spinchart
