// posix_io_test.cpp - reads that a signal cuts short are not errors.
#include "platform/posix_io.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/file_descriptor.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

void IgnoreSignal(int) {}

TEST(ReadRetryingSignalsTest, ASignalDuringTheReadIsNotAnError) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const FileDescriptor reader(ends[0]);
    const FileDescriptor writer(ends[1]);
    // Without SA_RESTART a signal interrupts the blocked read with EINTR.
    struct sigaction action {
    }, previous{};
    action.sa_handler = IgnoreSignal;
    ::sigemptyset(&action.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    const pthread_t reading = ::pthread_self();
    std::thread interrupter([&] {
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::pthread_kill(reading, SIGUSR1);
        }
        static_cast<void>(::write(writer.Get(), "xy", 2));
    });
    char buffer[8];
    const ssize_t got = ReadRetryingSignals(reader.Get(), buffer, sizeof buffer);
    interrupter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    ASSERT_EQ(got, 2);
    EXPECT_EQ(std::string_view(buffer, 2), "xy");
}

}  // namespace
}  // namespace quillmark::testing
