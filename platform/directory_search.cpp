// directory_search.cpp - listing one directory by pattern, ignoring ASCII case, in a fixed order.
#include "platform/directory_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "platform/ascii_case.h"
#include "platform/directory_handle.h"
#include "platform/path_split.h"

namespace quillmark {

namespace {

// Case-folded order first, so that listings read alphabetically; raw bytes break ties so that
// names differing only in case still come out in the same order on every run.
bool NameOrder(const FindRecord& a, const FindRecord& b) {
    const std::string& x = a.name;
    const std::string& y = b.name;
    const std::size_t common = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto fx = static_cast<unsigned char>(FoldAscii(x[i]));
        const auto fy = static_cast<unsigned char>(FoldAscii(y[i]));
        if (fx != fy) return fx < fy;
    }
    if (x.size() != y.size()) return x.size() < y.size();
    return x < y;
}

// Links count as files only when they lead to a regular file; a link to a directory is left out,
// so the walk can never loop through one.
std::optional<FindRecord> Classify(int directoryFd, const dirent& entry, bool withSizes) {
    FindRecord record;
    record.name = entry.d_name;
    if (entry.d_type == DT_DIR) {
        record.attrib = kAttribDirectory;
        return record;
    }
    if (entry.d_type == DT_REG && !withSizes) return record;
    if (entry.d_type != DT_REG && entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstatat(directoryFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    if (S_ISDIR(info.st_mode)) {
        record.attrib = kAttribDirectory;
        return record;
    }
    if (S_ISLNK(info.st_mode)) {
        if (::fstatat(directoryFd, entry.d_name, &info, 0) != 0) {
            if (errno != ENOENT) return std::nullopt;
            record.attrib = kAttribDanglingLink;
            return record;
        }
        if (!S_ISREG(info.st_mode)) return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) return std::nullopt;
    record.size = static_cast<std::uint64_t>(info.st_size);
    return record;
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") return true;
    // Greedy matching that backs up to the last star: linear in practice, never exponential.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

namespace {

enum class Wanted { Everything, EverythingWithoutSizes, DirectoriesOnly };

std::optional<std::vector<FindRecord>> ListOpened(DIR* dir, std::string_view pattern,
                                                  Wanted wanted) {
    if (dir == nullptr) return std::nullopt;
    std::vector<FindRecord> records;
    // The whole listing is read now, so it stays this directory's even when the caller changes
    // the working directory before it has gone through the entries.
    const int fd = ::dirfd(dir);
    // A name without wildcards names that file: when an entry of exactly that name is here, it
    // alone is reported; only otherwise do the names that differ from it in letter case stand in.
    const bool plainName = pattern.find_first_of("*?") == std::string_view::npos;
    bool exactSeen = false;
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            failed = errno != 0;
            break;
        }
        if (!MatchesPattern(entry->d_name, pattern)) continue;
        if (plainName && entry->d_name == pattern) {
            exactSeen = true;
            records.clear();
        } else if (exactSeen) {
            continue;
        }
        // A link is never a directory here and a regular file never one at all, so neither needs
        // a stat when only directories are wanted.
        if (wanted == Wanted::DirectoriesOnly &&
            (entry->d_type == DT_REG || entry->d_type == DT_LNK)) {
            continue;
        }
        if (std::optional<FindRecord> record = Classify(fd, *entry, wanted == Wanted::Everything)) {
            if (wanted == Wanted::DirectoriesOnly && record->attrib != kAttribDirectory) continue;
            records.push_back(std::move(*record));
        }
    }
    const int error = errno;
    ::closedir(dir);
    if (failed) {
        errno = error;
        return std::nullopt;
    }
    std::sort(records.begin(), records.end(), NameOrder);
    return records;
}

std::vector<FindRecord> ListDirectory(const std::string& directory, std::string_view pattern,
                                      Wanted wanted) {
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    return ListOpened(dir, pattern, wanted).value_or(std::vector<FindRecord>{});
}

std::optional<std::vector<FindRecord>> ListDirectory(const DirectoryHandle& directory,
                                                     std::string_view pattern, Wanted wanted) {
    DIR* dir = OpenDirectoryStream(directory.Descriptor());
    if (dir == nullptr) return std::nullopt;
    return ListOpened(dir, pattern, wanted);
}

}  // namespace

std::vector<FindRecord> FindEntries(const std::string& directory, std::string_view pattern) {
    return ListDirectory(directory, pattern, Wanted::Everything);
}

std::optional<std::vector<FindRecord>> FindEntries(const DirectoryHandle& directory,
                                                   std::string_view pattern) {
    return ListDirectory(directory, pattern, Wanted::EverythingWithoutSizes);
}

std::unordered_set<std::string> RegularFileNames(const DirectoryHandle& directory) {
    // About 30,000 names on ext4.
    constexpr off_t kLargestSize = 1 << 20;
    constexpr std::size_t kMostEntries = 65536;
    std::unordered_set<std::string> names;
    struct stat info {};
    if (::fstat(directory.Descriptor(), &info) != 0 || info.st_size > kLargestSize) return names;
    DIR* dir = OpenDirectoryStream(directory.Descriptor());
    if (dir == nullptr) return names;
    // A failure part way leaves out only names not yet seen: each of those is looked up instead.
    std::size_t entriesLeft = kMostEntries;
    while (entriesLeft-- > 0) {
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        if (entry->d_type == DT_REG) names.emplace(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

std::optional<std::vector<FindRecord>> FindSubdirectories(const DirectoryHandle& directory,
                                                          std::string_view pattern) {
    return ListDirectory(directory, pattern, Wanted::DirectoriesOnly);
}

bool PathOrPatternExists(const std::string& pathOrPattern) {
    if (pathOrPattern.empty()) return false;
    struct stat info {};
    if (::stat(pathOrPattern.c_str(), &info) == 0) return true;
    const SplitPath parts = SplitAtLastSlash(pathOrPattern);
    // Names match ignoring case, as the walk matches them, so "REPORT.TXT" finds report.txt.
    return !FindEntries(std::string(parts.directory), parts.name).empty();
}

}  // namespace quillmark
