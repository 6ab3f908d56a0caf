// regular_file.h - a regular file opened for reading, and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_descriptor.h"

struct stat;

namespace quillmark {

// Which file a descriptor or name leads to, whatever the path: two names with one identity are
// one file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Whether identity is one of excluded: how a run keeps its own output files out of its input.
bool IsExcluded(const FileIdentity& identity, const std::vector<FileIdentity>& excluded);
// The identity of the file stat described.
FileIdentity IdentityFromStat(const struct stat& info);
// The identity of the file open on fd when it is a regular file.
std::optional<FileIdentity> IdentityOfDescriptor(int fd);

// How a name is to be opened: one the directory listed as a regular file or a link to one, or
// one from elsewhere (a listing), whose type is looked at before anything is opened.
enum class NameSource { Listed, Given };

class RegularFile {
public:
    // Opens name inside an open directory (AT_FDCWD: the working directory) when it names a
    // regular file; nullopt when it is missing, unreadable, or a directory, FIFO, socket or
    // device. error, when given, receives the errno of a failure (EINVAL for a file that is not a
    // regular one). No device is ever opened and no FIFO or socket waited on: the name itself is
    // opened without following a link, and a link only by its target's descriptor once that target
    // has proved to be a regular file.
    static std::optional<RegularFile> OpenAt(int directory, const std::string& name,
                                             int* error = nullptr,
                                             NameSource source = NameSource::Listed);

    RegularFile(RegularFile&& other) noexcept = default;
    RegularFile& operator=(RegularFile&& other) noexcept = default;

    // The size the file had when it was opened.
    std::uint64_t Size() const { return m_size; }
    // Whether the file still has the size, modification time and change time it was opened with,
    // so the bytes read since describe one version of it.
    bool Unchanged() const;
    // When the file last changed (any write or change of its metadata) as of the open, in the
    // system's real-time clock.
    const timespec& ChangeTime() const { return m_changed; }
    FileIdentity Identity() const { return {m_device, m_inode}; }
    int Descriptor() const { return m_fd.Get(); }

    // Fills buffer from offset as far as the file allows: fewer than size bytes only at its end.
    // nullopt on a read error, whose errno goes to error. The file position is left alone, so
    // several threads can read ranges of one file at once.
    std::optional<std::size_t> ReadFullAt(std::uint8_t* buffer, std::size_t size,
                                          std::uint64_t offset, int& error) const;
    // Whether the bytes at offset are in the page cache already (a read would not wait for the
    // device). False when the system cannot tell.
    bool IsCachedAt(std::uint64_t offset) const;

private:
    RegularFile(int fd, const struct stat& info);
    static std::optional<RegularFile> TryOpenAt(int directory, const std::string& name, int& error,
                                                NameSource source);

    FileDescriptor m_fd;
    std::uint64_t m_size = 0;
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
    timespec m_modified{};
    timespec m_changed{};
};

}  // namespace quillmark
