// Windows sends a program no signals that a thread could take from another.
#include <utility>

#include "platform/thread.h"

namespace spinchart {

std::thread startSignalFreeThread(std::function<void()> body) {
    return std::thread(std::move(body));
}

}  // namespace spinchart
