// regular_file.cpp - opening regular files for reading and filling buffers from them.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include "platform/blocking_calls.h"
#include "platform/open_fault.h"

namespace quillmark {

namespace {
constexpr off_t kSequentialAdviceThreshold = 1 << 20;
}  // namespace

bool IsExcluded(const FileIdentity& identity, const std::vector<FileIdentity>& excluded) {
    return std::find(excluded.begin(), excluded.end(), identity) != excluded.end();
}

FileIdentity IdentityFromStat(const struct stat& info) {
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileIdentity> IdentityOfDescriptor(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return IdentityFromStat(info);
}

namespace {

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The regular file a link leads to, opened through the descriptor of its target: the path is not
// looked up again, so a link retargeted meanwhile cannot lead the open anywhere else.
int OpenThroughLink(int directory, const char* name, struct stat& info) {
    const int target = ::openat(directory, name, O_PATH | O_CLOEXEC);
    if (target < 0) return -1;
    const bool statted = ::fstat(target, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        const int error = statted ? EINVAL : errno;
        ::close(target);
        errno = error;
        return -1;
    }
    const std::string byDescriptor = ProcFdDirectory() + std::to_string(target);
    const int fd = ::open(byDescriptor.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int error = errno;
    ::close(target);
    if (fd < 0) {
        // Without /proc the target can only be opened by looking the link up again, which a
        // retargeted link could turn into the open of a device: it is not done.
        errno = error == ENOENT ? ENOTSUP : error;
        return -1;
    }
    return fd;
}

}  // namespace

RegularFile::RegularFile(int fd, const struct stat& info)
    : m_fd(fd),
      m_size(static_cast<std::uint64_t>(info.st_size)),
      m_device(static_cast<std::uint64_t>(info.st_dev)),
      m_inode(static_cast<std::uint64_t>(info.st_ino)),
      m_modified(info.st_mtim),
      m_changed(info.st_ctim) {}

std::optional<RegularFile> RegularFile::OpenAt(int directory, const std::string& name, int* error,
                                               NameSource source) {
    int number = 0;
    for (;;) {
        std::optional<RegularFile> file = TryOpenAt(directory, name, number, source);
        // An open cut short by a signal is tried again, unless the work it is for has stopped.
        if (file || number != EINTR || CallStopRequested()) {
            if (!file && error) *error = number;
            return file;
        }
    }
}

std::optional<RegularFile> RegularFile::TryOpenAt(int directory, const std::string& name,
                                                  int& error, NameSource source) {
    auto fail = [&error](int number) -> std::optional<RegularFile> {
        error = number;
        return std::nullopt;
    };
    if (const int fault = InjectedOpenFault(name)) return fail(fault);
    struct stat info {};
    if (source == NameSource::Given) {
        // A name from a listing may be a device node itself: its type decides before any open.
        if (::fstatat(directory, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return fail(errno);
        if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) return fail(EINVAL);
    }
    // O_NONBLOCK keeps the open of a FIFO put in the file's place from waiting for a writer;
    // O_NOFOLLOW keeps a link put there from leading to a device.
    int fd = ::openat(directory, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ELOOP) fd = OpenThroughLink(directory, name.c_str(), info);
    if (fd < 0) return fail(errno);
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        const int number = statted ? EINVAL : errno;
        ::close(fd);
        return fail(number);
    }
    // Read-ahead advice pays only on files that take several buffers; small files are read in
    // one call, where the extra system call would be most of the cost.
    if (info.st_size > kSequentialAdviceThreshold) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return RegularFile(fd, info);
}

bool RegularFile::Unchanged() const {
    struct stat info {};
    return ::fstat(m_fd.Get(), &info) == 0 && static_cast<std::uint64_t>(info.st_size) == m_size &&
           SameTime(info.st_mtim, m_modified) && SameTime(info.st_ctim, m_changed);
}

std::optional<std::size_t> RegularFile::ReadFullAt(std::uint8_t* buffer, std::size_t size,
                                                   std::uint64_t offset, int& error) const {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::pread(m_fd.Get(), buffer + filled, size - filled,
                                    static_cast<off_t>(offset + filled));
        if (got < 0) {
            if (errno == EINTR && !CallStopRequested()) continue;
            // Regular files ignore O_NONBLOCK (kept from the open, so a FIFO could not block it)
            // on every common file system; should one honour it, read on blocking.
            if (errno == EAGAIN) {
                const int status = ::fcntl(m_fd.Get(), F_GETFL);
                if (status >= 0 && (status & O_NONBLOCK) != 0 &&
                    ::fcntl(m_fd.Get(), F_SETFL, status & ~O_NONBLOCK) == 0) {
                    continue;
                }
            }
            error = errno;
            return std::nullopt;
        }
        if (got == 0) break;
        if (const int fault = InjectedReadFault(buffer + filled, static_cast<std::size_t>(got),
                                                offset + filled)) {
            if (fault == EINTR && !CallStopRequested()) continue;
            error = fault;
            return std::nullopt;
        }
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

bool RegularFile::IsCachedAt(std::uint64_t offset) const {
    std::uint8_t probe[512];
    iovec vector{probe, sizeof probe};
    // RWF_NOWAIT answers EAGAIN instead of waiting for the device.
    return ::preadv2(m_fd.Get(), &vector, 1, static_cast<off_t>(offset), RWF_NOWAIT) >= 0;
}

}  // namespace quillmark
