#pragma once
// Threads that work beside the one that draws.

#include <functional>
#include <thread>

namespace spinchart {

// Starts `body` on a thread of its own that takes none of the signals sent to
// the process: they reach the thread that drew, as the terminal's handlers
// assume. Faults the thread raises itself stay its own. Windows has no such
// signals: there it is a plain thread.
std::thread startSignalFreeThread(std::function<void()> body);

}  // namespace spinchart
