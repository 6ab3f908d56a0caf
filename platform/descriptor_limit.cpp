// descriptor_limit.cpp - the descriptor limit raised once, and the descriptors left under it.
#include "platform/descriptor_limit.h"

#include <dirent.h>
#include <sys/resource.h>

#include <mutex>

namespace quillmark {

namespace {

// Descriptors open now, as /proc lists them; without /proc, a guess on the high side of what a
// program starts with.
std::size_t OpenDescriptors() {
    DIR* listing = ::opendir("/proc/self/fd");
    if (listing == nullptr) return 64;
    std::size_t count = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(listing);
    return count;
}

}  // namespace

std::size_t FreeDescriptors() {
    static std::once_flag raised;
    std::call_once(raised, [] {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1 << 20;
    const std::size_t open = OpenDescriptors();
    return limit.rlim_cur > open ? static_cast<std::size_t>(limit.rlim_cur) - open : 0;
}

}  // namespace quillmark
