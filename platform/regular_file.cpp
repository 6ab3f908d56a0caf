// regular_file.cpp - opening regular files for reading and filling buffers from them.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/open_fault.h"

namespace quillmark {

namespace {
constexpr off_t kSequentialAdviceThreshold = 1 << 20;
}  // namespace

std::optional<FileIdentity> IdentityOfDescriptor(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<RegularFile> RegularFile::Open(const std::string& path) {
    return OpenAt(AT_FDCWD, path);
}

std::optional<RegularFile> RegularFile::OpenAt(int directory, const std::string& name, int* error) {
    if (const int fault = InjectedOpenFault(name)) {
        if (error) *error = fault;
        return std::nullopt;
    }
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; the type check follows.
    int fd = ::openat(directory, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = errno;
        return std::nullopt;
    }
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        if (error) *error = statted ? EINVAL : errno;
        ::close(fd);
        return std::nullopt;
    }
    // Read-ahead advice pays only on files that take several buffers; small files are read in
    // one call, where the extra system call would be most of the cost.
    if (info.st_size > kSequentialAdviceThreshold) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return RegularFile(fd, static_cast<std::uint64_t>(info.st_size),
                       static_cast<std::uint64_t>(info.st_dev),
                       static_cast<std::uint64_t>(info.st_ino),
                       static_cast<std::int64_t>(info.st_mtim.tv_sec), info.st_mtim.tv_nsec);
}

bool RegularFile::Unchanged() const {
    struct stat info {};
    return ::fstat(m_fd, &info) == 0 && static_cast<std::uint64_t>(info.st_size) == m_size &&
           static_cast<std::int64_t>(info.st_mtim.tv_sec) == m_modifiedSeconds &&
           info.st_mtim.tv_nsec == m_modifiedNanoseconds;
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_size(other.m_size),
      m_device(other.m_device),
      m_inode(other.m_inode),
      m_modifiedSeconds(other.m_modifiedSeconds),
      m_modifiedNanoseconds(other.m_modifiedNanoseconds) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
        m_device = other.m_device;
        m_inode = other.m_inode;
        m_modifiedSeconds = other.m_modifiedSeconds;
        m_modifiedNanoseconds = other.m_modifiedNanoseconds;
    }
    return *this;
}

RegularFile::~RegularFile() {
    if (m_fd >= 0) ::close(m_fd);
}

std::optional<std::size_t> RegularFile::ReadFullAt(std::uint8_t* buffer, std::size_t size,
                                                   std::uint64_t offset, int& error) const {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got =
            ::pread(m_fd, buffer + filled, size - filled, static_cast<off_t>(offset + filled));
        if (got < 0) {
            if (errno == EINTR) continue;
            // Regular files ignore O_NONBLOCK (kept from the open, so a FIFO could not block it)
            // on every common file system; should one honour it, read on blocking.
            if (errno == EAGAIN) {
                const int status = ::fcntl(m_fd, F_GETFL);
                if (status >= 0 && (status & O_NONBLOCK) != 0 &&
                    ::fcntl(m_fd, F_SETFL, status & ~O_NONBLOCK) == 0) {
                    continue;
                }
            }
            error = errno;
            return std::nullopt;
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

bool RegularFile::IsCachedAt(std::uint64_t offset) const {
    std::uint8_t probe[512];
    iovec vector{probe, sizeof probe};
    // RWF_NOWAIT answers EAGAIN instead of waiting for the device.
    return ::preadv2(m_fd, &vector, 1, static_cast<off_t>(offset), RWF_NOWAIT) >= 0;
}

}  // namespace quillmark
