// progress_rate.h - how fast a run reads, as its progress displays show it: decimal megabytes
// per second over the last few seconds.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace quillmark {

// "412.3 MB/s": decimal megabytes (10^6 bytes) per second, one decimal.
std::string FormatRate(double bytesPerSecond);
// "56.7 MB": decimal megabytes, one decimal.
std::string FormatMegabytes(std::uint64_t bytes);

// The rate over the last few seconds of a run's samples, so that it follows a change of pace
// (a cold file after cached ones) instead of the average since the start.
class RateMeter {
public:
    static constexpr std::int64_t kWindowMs = 3000;

    // A sample: the bytes done so far, milliseconds since the run began (never decreasing).
    void Add(std::int64_t elapsedMs, std::uint64_t bytesDone);
    // Bytes per second from the oldest sample kept to the newest; 0 before time has passed.
    double BytesPerSecond() const;

private:
    // The run's start is the first sample: nothing read at 0 ms.
    std::deque<std::pair<std::int64_t, std::uint64_t>> m_samples{{0, 0}};
};

}  // namespace quillmark
