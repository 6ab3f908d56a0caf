// directory_handle.cpp - opening directories by descriptor: openat relative to a parent, and long
// paths a few components at a time.
#include "platform/directory_handle.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/open_fault.h"
#include "platform/path_split.h"

namespace quillmark {

namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// Comfortably below PATH_MAX, so every piece handed to openat is accepted whole.
constexpr std::size_t kLongestPiece = PATH_MAX / 2;

// Where the piece of path that begins at position ends: as many whole components as fit in one
// openat; a single longer component is handed on whole and fails as the system decides
// (ENAMETOOLONG).
std::size_t PieceEnd(std::string_view path, std::size_t position) {
    std::size_t end = position;
    while (end < path.size()) {
        std::size_t next = path.find('/', end);
        if (next == std::string_view::npos) next = path.size();
        if (end > position && next - position > kLongestPiece) break;
        end = next;
        while (end < path.size() && path[end] == '/') ++end;
    }
    return end;
}

}  // namespace

struct DirectoryOpener {
    static DirectoryHandle Adopt(int fd) { return DirectoryHandle(fd); }
};

std::optional<FileIdentity> DirectoryHandle::Identity() const {
    struct stat info {};
    // fstat asks the descriptor itself, so a directory that may no longer be searched answers.
    const int status = m_fd.IsOpen() ? ::fstat(m_fd.Get(), &info) : ::stat(".", &info);
    if (status != 0) return std::nullopt;
    return IdentityFromStat(info);
}

std::optional<DirectoryHandle> OpenDirectoryPath(std::string_view path, OpenError* error,
                                                 int base) {
    auto fail = [&]() -> std::optional<DirectoryHandle> {
        if (error) error->number = errno;
        return std::nullopt;
    };
    if (path.empty()) {
        errno = ENOENT;
        return fail();
    }
    int at = base;
    std::size_t position = 0;
    if (path.front() == '/') {
        at = ::open("/", kDirectoryFlags);
        if (at < 0) return fail();
        position = 1;
    }
    int current = -1;  // owned: the last directory opened, or -1 while still at the start
    auto currentBase = [&] { return current >= 0 ? current : at; };
    for (;;) {
        while (position < path.size() && path[position] == '/') ++position;
        if (position >= path.size()) break;
        const std::size_t end = PieceEnd(path, position);
        const std::string piece(path.substr(position, end - position));
        const int fd = ::openat(currentBase(), piece.c_str(), kDirectoryFlags);
        if (fd < 0) {
            const int saved = errno;
            if (current >= 0) ::close(current);
            if (at >= 0 && at != base) ::close(at);
            errno = saved;
            return fail();
        }
        if (current >= 0) ::close(current);
        current = fd;
        position = end;
    }
    if (current < 0) {
        // "/" alone, or nothing but slashes.
        if (at != base) return DirectoryOpener::Adopt(at);
        current = ::openat(base, ".", kDirectoryFlags);
        if (current < 0) return fail();
        return DirectoryOpener::Adopt(current);
    }
    if (at >= 0 && at != base) ::close(at);
    return DirectoryOpener::Adopt(current);
}

std::optional<DirectoryHandle> OpenSearchableDirectoryPath(std::string_view path, OpenError* error,
                                                           int base) {
    constexpr int kSearchFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    if (path.empty()) {
        if (error) error->number = ENOENT;
        return std::nullopt;
    }
    int current = -1;  // owned once something is open
    std::size_t position = 0;
    if (path.front() == '/') {
        current = ::open("/", kSearchFlags);
        position = 1;
    } else {
        current = ::openat(base, ".", kSearchFlags);
    }
    // Whole components a piece at a time, each piece short enough for one openat.
    while (current >= 0) {
        while (position < path.size() && path[position] == '/') ++position;
        if (position >= path.size()) break;
        const std::size_t end = PieceEnd(path, position);
        const std::string piece(path.substr(position, end - position));
        const int fd = ::openat(current, piece.c_str(), kSearchFlags);
        const int saved = errno;
        ::close(current);
        errno = saved;
        current = fd;
        position = end;
    }
    if (current < 0) {
        if (error) error->number = errno;
        return std::nullopt;
    }
    return DirectoryOpener::Adopt(current);
}

std::optional<DirectoryHandle> OpenSubdirectory(const DirectoryHandle& parent,
                                                const std::string& name, OpenError* error) {
    if (const int fault = InjectedOpenFault(name)) {
        if (error) error->number = fault;
        return std::nullopt;
    }
    const int fd = ::openat(parent.Descriptor(), name.c_str(), kDirectoryFlags | O_NOFOLLOW);
    if (fd < 0) {
        if (error) error->number = errno;
        return std::nullopt;
    }
    return DirectoryOpener::Adopt(fd);
}

DIR* OpenDirectoryStream(int fd) {
    const int copy = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return nullptr;
    DIR* stream = ::fdopendir(copy);
    if (stream == nullptr) {
        const int error = errno;
        ::close(copy);
        errno = error;
    }
    return stream;
}

std::optional<OpenedParent> OpenParentDirectory(std::string_view path, OpenError* error) {
    const SplitPath parts = SplitAtLastSlash(path);
    if (parts.directory.empty()) {
        return OpenedParent{DirectoryOpener::Adopt(AT_FDCWD), std::string(path)};
    }
    std::optional<DirectoryHandle> opened = OpenDirectoryPath(parts.directory, error);
    if (!opened) return std::nullopt;
    return OpenedParent{std::move(*opened), std::string(parts.name)};
}

}  // namespace quillmark
