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
    // The same for name inside an open directory (AT_FDCWD: the working directory); error, when
    // given, receives the errno of a failure (EINVAL for a file that is not a regular one).
    static std::optional<RegularFile> OpenAt(int directory, const std::string& name,
                                             int* error = nullptr);

    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    ~RegularFile();

    // The size the file had when it was opened.
    std::uint64_t Size() const { return m_size; }
    // Whether the file's size is still the one it was opened with.
    bool SizeUnchanged() const;
    // Back to the first byte, for a second pass over the same file.
    bool Rewind();
    // The identity of the file, to tell whether two names lead to it.
    std::uint64_t Device() const { return m_device; }
    std::uint64_t Inode() const { return m_inode; }
    int Descriptor() const { return m_fd; }

    // Fills buffer from the current position as far as the file allows: fewer than size bytes
    // only at the end of the file. nullopt on a read error.
    std::optional<std::size_t> ReadFull(std::uint8_t* buffer, std::size_t size);

private:
    RegularFile(int fd, std::uint64_t size, std::uint64_t device, std::uint64_t inode)
        : m_fd(fd), m_size(size), m_device(device), m_inode(inode) {}

    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
};

}  // namespace quillmark
