// checksum_support.h - the checksum passes run on a file named by path, as the engine runs them on
// the file it opened, and a progress that records each buffer's report.
#pragma once

#include <fcntl.h>

#include <cstdint>
#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "checksum/crc_table.h"
#include "platform/regular_file.h"

namespace quillmark::testing {

// Records the bytes each buffer adds, as the thread that began the read reports them; the
// callsAllowed-th report stops the read.
class RecordingProgress {
public:
    explicit RecordingProgress(std::size_t callsAllowed = SIZE_MAX,
                               std::function<void()> onFirst = {})
        : m_callsAllowed(callsAllowed), m_onFirst(std::move(onFirst)) {
        m_progress.poll = [this] {
            if (reports.empty() && m_onFirst) m_onFirst();
            const std::uint64_t now = m_progress.bytes.load();
            reports.push_back(now - m_seen);
            m_seen = now;
            return reports.size() < m_callsAllowed;
        };
    }
    ReadProgress& Progress() { return m_progress; }
    std::uint64_t Total() const { return m_progress.bytes.load(); }

    std::vector<std::uint64_t> reports;

private:
    ReadProgress m_progress;
    std::uint64_t m_seen = 0;
    std::size_t m_callsAllowed;
    std::function<void()> m_onFirst;
};

inline CrcResult ComputeFileCrcOf(const std::string& path, std::uint64_t expectedSize,
                                  ReadMode mode, ReadProgress* progress = nullptr,
                                  unsigned threads = 1) {
    int error = 0;
    const std::optional<RegularFile> file = RegularFile::OpenAt(AT_FDCWD, path, &error);
    if (!file) return {CrcStatus::Unreadable, 0, expectedSize, error};
    ReadProgress none;
    return CrcTable().ComputeFileCrc(*file, expectedSize, mode, progress ? *progress : none,
                                     threads);
}

inline RawRead CrcTextReadOf(const std::string& path, std::uint64_t expectedSize, ReadMode mode,
                             ReadProgress* progress = nullptr) {
    int error = 0;
    const std::optional<RegularFile> file = RegularFile::OpenAt(AT_FDCWD, path, &error);
    if (!file) return {RawReadStatus::OpenFailed, 0, error};
    ReadProgress none;
    return CrcTable().CrcTextRead(*file, expectedSize, mode, progress ? *progress : none);
}

inline RawRead CrcBinaryReadOf(const std::string& path, std::uint64_t expectedSize,
                               ReadProgress* progress = nullptr) {
    int error = 0;
    const std::optional<RegularFile> file = RegularFile::OpenAt(AT_FDCWD, path, &error);
    if (!file) return {RawReadStatus::OpenFailed, 0, error};
    ReadProgress none;
    return CrcTable().CrcBinaryRead(*file, expectedSize, progress ? *progress : none);
}

inline CrcResult ComputeFileCrcOf(const std::string& path, std::uint64_t expectedSize,
                                  ReadMode mode, RecordingProgress* progress) {
    return ComputeFileCrcOf(path, expectedSize, mode, &progress->Progress());
}
inline RawRead CrcBinaryReadOf(const std::string& path, std::uint64_t expectedSize,
                               RecordingProgress* progress) {
    return CrcBinaryReadOf(path, expectedSize, &progress->Progress());
}

}  // namespace quillmark::testing
