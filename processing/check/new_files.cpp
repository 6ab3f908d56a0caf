// new_files.cpp - unlisted files found a batch of directories at a time: one pass over the listed
// paths marks the names of the batch that are listed and finds the directories of the next.
#include "processing/check/new_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

#include "platform/directory_handle.h"
#include "platform/path_split.h"

namespace quillmark {

namespace {

// Opens the directories of a batch, which come in byte order, where a directory's subdirectories
// soon follow it: each is opened relative to the one before when it lies below it, so the levels
// of a deep chain are each looked up once rather than once for every directory below them.
class BatchDirectories {
public:
    explicit BatchDirectories(int base) : m_base(base) {}

    // The directory at path (relative to base, ending in '/', or empty for base itself), or null
    // (errno set) when it cannot be opened. Valid until the next call.
    const DirectoryHandle* Open(const std::string& path) {
        std::optional<DirectoryHandle> next;
        OpenError error;
        if (m_current && !m_path.empty() && path.size() > m_path.size() &&
            path.starts_with(m_path) && path[m_path.size()] != '/') {
            next = OpenDirectoryPath(std::string_view(path).substr(m_path.size()), &error,
                                     m_current->Descriptor());
        } else {
            next = OpenDirectoryPath(path.empty() ? "." : path, &error, m_base);
        }
        if (!next) errno = error.number;
        m_current = std::move(next);
        m_path = m_current ? path : std::string();
        return m_current ? &*m_current : nullptr;
    }

private:
    const int m_base;
    std::optional<DirectoryHandle> m_current;
    std::string m_path;  // of m_current, which it names with its trailing '/'
};

// The names in a directory other than subdirectories, sorted, or nullopt (errno set) when it
// cannot be read.
// What each is gets looked up later, and only for those no listed path names.
std::optional<std::vector<std::string>> NamesIn(const DirectoryHandle* handle) {
    if (handle == nullptr) return std::nullopt;
    DIR* stream = OpenDirectoryStream(handle->Descriptor());
    if (stream == nullptr) return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (entry->d_type == DT_DIR || name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    ::closedir(stream);
    std::sort(names.begin(), names.end());
    return names;
}

// A regular file (a link to one counts) that is not excluded.
bool IsReportable(int directory, const std::string& name,
                  const std::vector<FileIdentity>& excluded) {
    struct stat info {};
    if (::fstatat(directory, name.c_str(), &info, 0) != 0 || !S_ISREG(info.st_mode)) return false;
    return !IsExcluded(IdentityFromStat(info), excluded);
}

}  // namespace

struct NewFileFinder::Batch {
    struct Directory {
        std::vector<std::string> names;  // sorted
        std::vector<bool> listed;
    };
    std::map<std::string, Directory, std::less<>> directories;
    std::size_t names = 0;
};

NewFileFinder::NewFileFinder(int base, std::vector<FileIdentity> excluded, Limits limits)
    : m_base(base), m_excluded(std::move(excluded)), m_limits(limits) {}

void NewFileFinder::Listed(const FileIdentity& directory, std::string_view spelling,
                           std::string_view name) {
    const auto [at, first] = m_spellings.try_emplace({directory.device, directory.inode}, spelling);
    m_listed.Append(first ? spelling : std::string_view(at->second));
    m_listed.Append(name);
    m_listed.Append(std::string_view("\0", 1));
}

void NewFileFinder::Listed(std::string_view path) {
    const SplitPath split = SplitAtLastSlash(path);
    const std::string directory(split.directory.empty() ? "." : split.directory);
    struct stat info {};
    if (::fstatat(m_base, directory.c_str(), &info, 0) == 0) {
        Listed(IdentityFromStat(info), split.directory, split.name);
        return;
    }
    m_listed.Append(path);
    m_listed.Append(std::string_view("\0", 1));
}

bool NewFileFinder::Pass(Batch* batch, const std::string* after, std::vector<std::string>& next) {
    // The candidates are every directory seen after `after` and below `ceiling`, the first one
    // left out for the limits.
    std::set<std::string> candidates;
    std::size_t candidateBytes = 0;
    std::optional<std::string> ceiling;
    const std::size_t most = std::max<std::size_t>(1, m_limits.directoriesPerPass);
    std::string previous;
    bool first = true;
    Batch::Directory* current = nullptr;
    const auto visitPath = [&](std::string_view path) {
        const SplitPath split = SplitAtLastSlash(path);
        // Listed files come a directory at a time: the lookups are made once per run of them.
        if (first || split.directory != previous) {
            first = false;
            previous.assign(split.directory);
            current = nullptr;
            if (batch != nullptr) {
                const auto found = batch->directories.find(previous);
                if (found != batch->directories.end()) current = &found->second;
            }
            if ((after == nullptr || previous > *after) && (!ceiling || previous < *ceiling) &&
                candidates.insert(previous).second) {
                candidateBytes += previous.size();
                while (candidates.size() > 1 &&
                       (candidates.size() > most || candidateBytes > m_limits.pathBytesPerPass)) {
                    auto last = std::prev(candidates.end());
                    candidateBytes -= last->size();
                    ceiling = std::move(candidates.extract(last).value());
                }
            }
        }
        if (current == nullptr) return;
        const auto at = std::lower_bound(current->names.begin(), current->names.end(), split.name);
        if (at != current->names.end() && *at == split.name) {
            current->listed[static_cast<std::size_t>(at - current->names.begin())] = true;
        }
    };
    std::string carry;  // a path split between two pieces
    const bool read = m_listed.ForEachPiece([&](std::string_view piece) {
        for (std::size_t end; (end = piece.find('\0')) != std::string_view::npos;) {
            if (carry.empty()) {
                visitPath(piece.substr(0, end));
            } else {
                carry.append(piece.substr(0, end));
                visitPath(carry);
                carry.clear();
            }
            piece.remove_prefix(end + 1);
        }
        carry.append(piece);
        return true;
    });
    next.assign(candidates.begin(), candidates.end());
    return read;
}

std::optional<std::string> NewFileFinder::Load(Batch& batch,
                                               const std::vector<std::string>& candidates,
                                               const std::function<bool()>& keepGoing,
                                               const Unlistable& unlistable) {
    std::size_t taken = 0;
    BatchDirectories opener(m_base);
    while (taken < candidates.size() && (taken == 0 || batch.names < m_limits.namesPerPass)) {
        if (!keepGoing()) return std::nullopt;
        const std::string& directory = candidates[taken++];
        std::optional<std::vector<std::string>> files = NamesIn(opener.Open(directory));
        if (!files) {
            if (unlistable) unlistable(directory, errno);
            continue;
        }
        batch.names += files->size();
        Batch::Directory& entry = batch.directories[directory];
        entry.listed.assign(files->size(), false);
        entry.names = std::move(*files);
    }
    m_mostNamesHeld = std::max(m_mostNamesHeld, batch.names);
    return candidates[taken - 1];
}

bool NewFileFinder::Report(const std::function<bool(const std::string& path)>& report,
                           const std::function<bool()>& keepGoing, const Unlistable& unlistable) {
    std::vector<std::string> candidates;
    if (!Pass(nullptr, nullptr, candidates)) return false;
    // A directory's own files and those of its subdirectories interleave in byte order ("d/a/x"
    // comes before "d/a0"): the new files are gathered, then told in order.
    std::vector<std::string> found;
    while (!candidates.empty()) {
        Batch batch;
        const std::optional<std::string> last = Load(batch, candidates, keepGoing, unlistable);
        if (!last || !Pass(&batch, &*last, candidates)) return false;
        BatchDirectories opener(m_base);
        for (const auto& [directory, entry] : batch.directories) {
            if (!keepGoing()) return false;
            if (std::find(entry.listed.begin(), entry.listed.end(), false) == entry.listed.end()) {
                continue;
            }
            const DirectoryHandle* handle = opener.Open(directory);
            if (handle == nullptr) {
                if (unlistable) unlistable(directory, errno);
                continue;
            }
            for (std::size_t i = 0; i < entry.names.size(); ++i) {
                if (entry.listed[i] ||
                    !IsReportable(handle->Descriptor(), entry.names[i], m_excluded)) {
                    continue;
                }
                found.push_back(directory + entry.names[i]);
            }
        }
    }
    std::sort(found.begin(), found.end());
    for (const std::string& path : found) {
        if (!report(path)) return false;
    }
    return true;
}

}  // namespace quillmark
