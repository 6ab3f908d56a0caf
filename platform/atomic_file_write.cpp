// atomic_file_write.cpp - replacing a file whole or not at all: temporary file, fsync, rename.
#include "platform/atomic_file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/posix_io.h"

namespace quillmark {

namespace {

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
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

// A replaced file keeps the permissions it had.
void CopyModeOfExisting(const std::string& path, int fd) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd, existing.st_mode & 07777);
    }
}

// Makes the rename itself survive a crash; a failure here cannot undo the replacement, so it is
// not reported.
void SyncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The file a path finally names: a settings.dat that is a link is replaced at its target, so the
// link stays a link. Gives up after as many links as the system would follow.
std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1,
                           '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(length));
        if (target.empty()) return path;
        if (target.front() != '/') {
            const auto slash = path.rfind('/');
            if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
        }
        path = std::move(target);
    }
    return path;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& named, std::string_view bytes) {
    const std::string path = FollowLinks(named);
    std::string tempPath;
    const int fd = CreateUniqueSibling(path, tempPath);
    if (fd < 0) return false;
    CopyModeOfExisting(path, fd);

    bool ok = WriteAll(fd, bytes).Whole();
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(tempPath.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    SyncDirectory(DirectoryOf(path));
    return true;
}

}  // namespace quillmark
