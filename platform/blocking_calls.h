// blocking_calls.h - reads and opens that a stop request can end while they wait on a device.
#pragma once

#include <pthread.h>

#include <functional>
#include <utility>

namespace quillmark {

// While one lives, the calling thread's reads and opens give up with EINTR when a signal cuts
// them short and stop says so; otherwise they are simply retried. A nested scope restores the
// outer one's test when it ends.
class StoppableCalls {
public:
    explicit StoppableCalls(std::function<bool()> stop);
    StoppableCalls(const StoppableCalls&) = delete;
    StoppableCalls& operator=(const StoppableCalls&) = delete;
    ~StoppableCalls();

private:
    std::function<bool()> m_stop;
    const std::function<bool()>* m_outer;
};

// Whether an interrupted call on this thread is to give up (false outside any scope).
bool CallStopRequested();
// The test of this thread's scope (null outside any scope).
const std::function<bool()>* CurrentStopTest();

// Keeps SIGINT away from the calling thread, so that Ctrl+C reaches the thread that started the
// work, which may be the one blocked in a read.
void KeepInterruptAway();

// The body of a thread of our own, started from work under a stop test: it keeps SIGINT away and
// takes on that test.
template <typename Function>
auto StoppableThreadBody(Function body) {
    const std::function<bool()>* parent = CurrentStopTest();
    std::function<bool()> stop = parent != nullptr ? *parent : std::function<bool()>();
    return [body = std::move(body), stop = std::move(stop)]() mutable {
        KeepInterruptAway();
        if (!stop) return body();
        StoppableCalls calls(std::move(stop));
        return body();
    };
}

// Makes a read or open that thread is blocked in return EINTR at once, if the kernel waits
// interruptibly: a signal whose handler does nothing, installed without SA_RESTART.
void WakeThread(pthread_t thread);

}  // namespace quillmark
