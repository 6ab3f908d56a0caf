// deep_tree.h - trees deeper than any path the system takes in one call, built and removed by
// names relative to an open parent, and a child process with few descriptors to walk them in.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/core/test_support.h"

namespace quillmark::testing {

// The descriptor limit, soft and hard, of the runs over deep trees.
inline constexpr rlim_t kDeepTreeDescriptors = 1024;

// Where deep trees are made: memory when the system offers it, since removing ten thousand
// directories on some disks takes many seconds.
inline fs::path DeepTreeBase() {
    std::error_code error;
    if (fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK | X_OK) == 0) {
        return "/dev/shm";
    }
    return fs::temp_directory_path();
}

// Writes a file named name with these bytes inside the directory open on at.
inline bool WriteFileAt(int at, const std::string& name, std::string_view bytes) {
    const int fd = ::openat(at, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && written;
}

// Makes a chain of levels directories named name below root (which must exist), each made
// inside its parent (or goes down one made before). inside(level, fd) is called in each directory
// of the chain, from root (level 0) to the deepest (level levels), to add what it wants relative to
// fd.
inline bool BuildChain(const std::string& root, const std::string& name, int levels,
                       const std::function<bool(int level, int fd)>& inside) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; fd >= 0; ++level) {
        if (!inside(level, fd)) break;
        if (level == levels) return ::close(fd) == 0;
        if (::mkdirat(fd, name.c_str(), 0755) != 0 && errno != EEXIST) break;
        const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = child;
    }
    if (fd >= 0) ::close(fd);
    return false;
}

// Removes a tree of any depth (links are removed, never followed): each directory is entered
// by its name inside its parent and left through "..".
inline void RemoveDeepTree(const std::string& path) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(path.c_str(), kFlags);
    std::vector<std::string> entered;
    while (fd >= 0) {
        const int listing = ::openat(fd, ".", kFlags);
        DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
        if (dir == nullptr) break;
        std::string below;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (::unlinkat(fd, entry->d_name, 0) != 0) {
                below = entry->d_name;
                break;
            }
        }
        ::closedir(dir);
        if (!below.empty()) {
            const int child = ::openat(fd, below.c_str(), kFlags);
            if (child < 0) break;
            ::close(fd);
            fd = child;
            entered.push_back(below);
            continue;
        }
        if (entered.empty()) break;
        const int parent = ::openat(fd, "..", kFlags);
        ::close(fd);
        fd = parent;
        // A directory that stays would be entered again and again.
        if (fd >= 0 && ::unlinkat(fd, entered.back().c_str(), AT_REMOVEDIR) != 0) break;
        entered.pop_back();
    }
    if (fd >= 0) ::close(fd);
    ::rmdir(path.c_str());
}

// Removes the deep tree at path when it goes, before the TempDir holding it (which could not).
class DeepTreeRemover {
public:
    explicit DeepTreeRemover(std::string path) : m_path(std::move(path)) {}
    DeepTreeRemover(const DeepTreeRemover&) = delete;
    DeepTreeRemover& operator=(const DeepTreeRemover&) = delete;
    ~DeepTreeRemover() { RemoveDeepTree(m_path); }

private:
    std::string m_path;
};

// Runs body with at most kDeepTreeDescriptors descriptors (soft and hard limit), then ends the
// process: 0 when no check failed.
[[noreturn]] inline void RunWithFewDescriptors(const std::function<void()>& body) {
    const rlimit limit{kDeepTreeDescriptors, kDeepTreeDescriptors};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) std::_Exit(2);
    body();
    std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
}

// Runs body in a child process with few descriptors, so this process keeps its own limit; any
// failure inside the child fails the test.
inline void InChildWithFewDescriptors(const std::function<void()>& body) {
    EXPECT_EXIT(RunWithFewDescriptors(body), ::testing::ExitedWithCode(0), "");
}

// Compares two long lists of long paths, naming the first difference shortly.
inline ::testing::AssertionResult SamePaths(const std::vector<std::string>& actual,
                                            const std::vector<std::string>& expected) {
    const auto shortened = [](const std::string& path) {
        return path.size() <= 80 ? path
                                 : path.substr(0, 30) + "...(" + std::to_string(path.size()) +
                                       " bytes)..." + path.substr(path.size() - 40);
    };
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        if (i < actual.size() && i < expected.size() && actual[i] == expected[i]) continue;
        return ::testing::AssertionFailure()
               << "path " << i << " of " << actual.size() << " (expected " << expected.size()
               << "): " << (i < actual.size() ? shortened(actual[i]) : "none") << " instead of "
               << (i < expected.size() ? shortened(expected[i]) : "none");
    }
    return ::testing::AssertionSuccess();
}

}  // namespace quillmark::testing
