// progress_rate.cpp - the displayed rate of a run and its decimal units.
#include "processing/progress_rate.h"

#include <cstdio>

namespace quillmark {

std::string FormatRate(double bytesPerSecond) {
    char text[48];
    std::snprintf(text, sizeof text, "%.1f MB/s", bytesPerSecond / 1e6);
    return text;
}

std::string FormatMegabytes(std::uint64_t bytes) {
    char text[48];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

void RateMeter::Add(std::int64_t elapsedMs, std::uint64_t bytesDone) {
    if (elapsedMs < m_samples.back().first) return;
    m_samples.emplace_back(elapsedMs, bytesDone);
    // The oldest sample kept is the last one at least a window old, so the window is spanned.
    while (m_samples.size() > 2 && m_samples[1].first <= elapsedMs - kWindowMs) {
        m_samples.pop_front();
    }
}

double RateMeter::BytesPerSecond() const {
    const auto& [firstMs, firstBytes] = m_samples.front();
    const auto& [lastMs, lastBytes] = m_samples.back();
    if (lastMs <= firstMs || lastBytes < firstBytes) return 0.0;
    return static_cast<double>(lastBytes - firstBytes) * 1000.0 /
           static_cast<double>(lastMs - firstMs);
}

}  // namespace quillmark
