#pragma once
// The project's one exception type: a session cannot go on (an unusable file
// name, a count no list can hold, a report that would replace its data). The
// session's trap catches it, and the platform's failures beside it, in one
// place and shows the error screen.

#include <stdexcept>
#include <string>

namespace spinchart {

class SessionError : public std::runtime_error {
public:
    explicit SessionError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace spinchart
