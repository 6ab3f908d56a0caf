// listing_names.cpp - the path checked for a listed name.
#include "processing/check/listing_names.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace quillmark {

namespace {

std::string JoinedToDirectory(std::string_view name, std::string_view relativeTo) {
    std::string path;
    if (name.empty() || name.front() != '/') path.assign(relativeTo);
    path.append(name);
    return path;
}

}  // namespace

std::string PathToCheck(std::string_view name, std::string_view relativeTo, int startDirectory) {
    std::string written = JoinedToDirectory(name, relativeTo);
    if (name.find('\\') == std::string_view::npos) return written;
    struct stat info {};
    if (::fstatat(startDirectory, written.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) return written;
    // Only a name that is not there is read again; any other failure is the file's own outcome.
    if (errno != ENOENT && errno != ENOTDIR) return written;
    std::string separated(name);
    std::replace(separated.begin(), separated.end(), '\\', '/');
    return JoinedToDirectory(separated, relativeTo);
}

}  // namespace quillmark
