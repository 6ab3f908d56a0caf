// regular_file.h - a regular file opened for sequential reading, and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quillmark {

class RegularFile {
public:
    // Opens path (following links) when it names a regular file; nullopt when it is missing,
    // unreadable, or a directory, FIFO, socket or device. Opening a FIFO never waits for a writer.
    static std::optional<RegularFile> Open(const std::string& path);

    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    ~RegularFile();

    // The size the file had when it was opened.
    std::uint64_t Size() const { return m_size; }
    int Descriptor() const { return m_fd; }

    // Fills buffer from the current position as far as the file allows: fewer than size bytes
    // only at the end of the file. nullopt on a read error.
    std::optional<std::size_t> ReadFull(std::uint8_t* buffer, std::size_t size);

private:
    RegularFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}

    int m_fd = -1;
    std::uint64_t m_size = 0;
};

}  // namespace quillmark
