// atomic_file_write.cpp - replacing a file whole or not at all: temporary file, fsync, rename.
#include "platform/atomic_file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "platform/path_split.h"
#include "platform/posix_io.h"

namespace quillmark {

namespace {

std::string DirectoryOf(const std::string& path) {
    const std::string_view directory = SplitAtLastSlash(path).directory;
    if (directory.empty()) return ".";
    if (directory.size() == 1) return "/";
    return std::string(directory.substr(0, directory.size() - 1));
}

// O_EXCL with mode 0666 gives a name nobody else holds and lets the umask pick the permissions,
// as a plain create would; mkstemp would leave the file readable by its owner only.
int CreateUniqueSibling(const std::string& path, std::string& tempPath) {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    std::mt19937 generator(entropy());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(kAlphabet) - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + ".";
        for (int i = 0; i < 6; ++i) tempPath += kAlphabet[pick(generator)];
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Makes the rename itself survive a crash; a failure here cannot undo the replacement, so it is
// not reported.
void SyncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The kernel's rule for links in shared sticky directories (fs.protected_symlinks), applied
// whatever that setting says: in a directory that is both sticky and world-writable, such as
// /tmp, a link is followed only when its owner is the user following it or the directory's owner.
// Otherwise anyone could plant a link there that makes this program overwrite any file its user
// may write. The rule has no exemption for root.
bool MayFollowLink(const struct stat& link, const std::string& directory) {
    if (link.st_uid == ::geteuid()) return true;
    struct stat holder {};
    if (::stat(directory.c_str(), &holder) != 0) return false;
    const bool shared = (holder.st_mode & S_ISVTX) != 0 && (holder.st_mode & S_IWOTH) != 0;
    return !shared || holder.st_uid == link.st_uid;
}

std::string ChildPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

void PushComponents(std::string_view path, std::vector<std::string>& pending) {
    // pending is a stack: the first component of path ends up on top.
    std::vector<std::string> components;
    std::size_t at = 0;
    while (at <= path.size()) {
        std::size_t slash = path.find('/', at);
        if (slash == std::string_view::npos) slash = path.size();
        if (slash > at) components.emplace_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    pending.insert(pending.end(), components.rbegin(), components.rend());
}

// The file a path finally names: a settings.dat that is a link is replaced at its target, so the
// link stays a link. The directory part of the name is the user's and is resolved by the kernel;
// every link met from the last component on is read here, a component at a time, and followed
// only under the rule above. Gives up (errno set) on a link the rule refuses and after as many
// links as the system would follow (ELOOP). A missing last component is fine: it is created.
std::optional<std::string> FinalPath(const std::string& named) {
    static constexpr int kMostLinks = 40;
    std::string directory = DirectoryOf(named);
    std::vector<std::string> pending;
    pending.emplace_back(SplitAtLastSlash(named).name);
    int links = 0;
    while (!pending.empty()) {
        std::string component = std::move(pending.back());
        pending.pop_back();
        if (component == ".") continue;
        const std::string candidate = ChildPath(directory, component);
        struct stat info {};
        if (::lstat(candidate.c_str(), &info) != 0) {
            if (errno == ENOENT && pending.empty()) return candidate;
            return std::nullopt;
        }
        if (!S_ISLNK(info.st_mode)) {
            if (pending.empty()) return candidate;
            directory = candidate;
            continue;
        }
        if (++links > kMostLinks) {
            errno = ELOOP;
            return std::nullopt;
        }
        if (!MayFollowLink(info, directory)) {
            errno = EACCES;
            return std::nullopt;
        }
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1,
                           '\0');
        const ssize_t length = ::readlink(candidate.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
            if (length >= 0) errno = ENOENT;
            return std::nullopt;
        }
        target.resize(static_cast<std::size_t>(length));
        if (target.front() == '/') directory = "/";
        PushComponents(target, pending);
        if (pending.empty()) pending.emplace_back(".");  // a link to "/" names a directory
    }
    return directory;
}

// A regular file the user may not write is not replaced, though its directory would let a rename
// do it: an open for writing decides, as it would for a program that wrote the file in place. The
// open changes nothing (no O_TRUNC). Nothing there yet is fine, and anything else in the file's
// place (a FIFO, say) is replaced by the rename as before; existing is zeroed then.
bool MayReplace(const std::string& path, struct stat& existing) {
    existing = {};
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0) return errno == ENOENT;
    if (!S_ISREG(entry.st_mode)) return true;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool known = ::fstat(fd, &existing) == 0;
    ::close(fd);
    return known;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& named, std::string_view bytes) {
    const std::optional<std::string> path = FinalPath(named);
    if (!path) return false;
    struct stat existing {};
    if (!MayReplace(*path, existing)) return false;
    std::string tempPath;
    const int fd = CreateUniqueSibling(*path, tempPath);
    if (fd < 0) return false;
    // A replaced file keeps the permissions it had.
    if (S_ISREG(existing.st_mode)) ::fchmod(fd, existing.st_mode & 07777);

    bool ok = WriteAll(fd, bytes).Whole();
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(tempPath.c_str(), path->c_str()) == 0;
    if (!ok) {
        const int saved = errno;
        ::unlink(tempPath.c_str());
        errno = saved;
        return false;
    }
    SyncDirectory(DirectoryOf(*path));
    return true;
}

}  // namespace quillmark
