// A thread started with the process's signals blocked: it inherits the mask
// of the thread that starts it, which gets its own back at once.
#include <pthread.h>

#include <csignal>
#include <utility>

#include "platform/thread.h"

namespace spinchart {
namespace {

class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t blocked;
        sigfillset(&blocked);
        for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP})
            sigdelset(&blocked, fault);
        ::pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
    }
    ~SignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_;
};

}  // namespace

std::thread startSignalFreeThread(std::function<void()> body) {
    const SignalsBlocked blocked;
    return std::thread(std::move(body));
}

}  // namespace spinchart
