// case_insensitive_path.cpp - a path matched component by component, ignoring ASCII case.
#include "platform/case_insensitive_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ascii_case.h"
#include "platform/directory_handle.h"
#include "platform/file_descriptor.h"

namespace quillmark {

namespace {

// The names in directory that equal component ignoring case: none, the one, or several.
CaseMatch FindComponent(int directory, std::string_view component, std::string& found) {
    DIR* stream = OpenDirectoryStream(directory);
    if (stream == nullptr) return CaseMatch::None;
    CaseMatch result = CaseMatch::None;
    while (const dirent* entry = ::readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (!EqualIgnoringAsciiCase(name, component)) continue;
        if (result == CaseMatch::Found) {
            result = CaseMatch::Several;
            break;
        }
        found.assign(name);
        result = CaseMatch::Found;
    }
    ::closedir(stream);
    return result;
}

}  // namespace

CaseMatch MatchPathIgnoringCase(std::string_view path, std::string& resolved, int base) {
    const bool absolute = !path.empty() && path.front() == '/';
    FileDescriptor directory(absolute ? ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                      : ::openat(base, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() < 0) return CaseMatch::None;
    std::string result = absolute ? "/" : "";
    std::string component;
    std::string found;
    std::size_t at = 0;
    while (at < path.size()) {
        std::size_t end = path.find('/', at);
        if (end == std::string_view::npos) end = path.size();
        component.assign(path.substr(at, end - at));
        at = end + 1;
        if (component.empty()) continue;
        const bool last = end >= path.size() || path.find_first_not_of('/', end) == path.npos;

        struct stat info {};
        if (::fstatat(directory.Get(), component.c_str(), &info, 0) == 0) {
            found = component;
        } else {
            if (errno != ENOENT) return CaseMatch::None;
            const CaseMatch match = FindComponent(directory.Get(), component, found);
            if (match != CaseMatch::Found) return match;
        }
        if (!result.empty() && result.back() != '/') result += '/';
        result += found;
        if (last) break;
        const int next =
            ::openat(directory.Get(), found.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (next < 0) return CaseMatch::None;
        directory.Reset(next);
    }
    if (result.empty() || result == "/") return CaseMatch::None;
    resolved = std::move(result);
    return CaseMatch::Found;
}

}  // namespace quillmark
