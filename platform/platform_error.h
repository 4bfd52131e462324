#pragma once
// The failure of an operating-system operation: a file that cannot be opened,
// read or written, memory the system cannot give, a terminal that is missing.
// The layers above decide what such a failure means to the user.

#include <stdexcept>
#include <string>

namespace spinchart {

class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace spinchart
