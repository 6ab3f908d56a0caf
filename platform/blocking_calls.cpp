// blocking_calls.cpp - the per-thread stop test and the signal that wakes a blocked call.
#include "platform/blocking_calls.h"

#include <signal.h>

#include <mutex>

namespace quillmark {

namespace {

thread_local const std::function<bool()>* t_stop = nullptr;

// SIGURG is ignored by default and used by nothing here; its only job is to interrupt.
constexpr int kWakeSignal = SIGURG;

void OnWake(int) {}

void InstallWakeHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = OnWake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the blocked call returns EINTR
        ::sigaction(kWakeSignal, &action, nullptr);
    });
}

}  // namespace

StoppableCalls::StoppableCalls(std::function<bool()> stop)
    : m_stop(std::move(stop)), m_outer(t_stop) {
    InstallWakeHandler();
    t_stop = &m_stop;
}

StoppableCalls::~StoppableCalls() { t_stop = m_outer; }

bool CallStopRequested() { return t_stop != nullptr && (*t_stop)(); }

const std::function<bool()>* CurrentStopTest() { return t_stop; }

void KeepInterruptAway() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WakeThread(pthread_t thread) {
    InstallWakeHandler();
    ::pthread_kill(thread, kWakeSignal);
}

}  // namespace quillmark
