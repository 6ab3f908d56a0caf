// directory_search.h - a pattern search of one directory, in the manner of _findfirst/_findnext:
// ASCII case-insensitive, '*' any run, '?' any one character, "*.*" every name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quillmark {

class DirectoryHandle;

inline constexpr unsigned kAttribDirectory = 0x10;
// A link that leads nowhere: listed only so the walk can say it passed it over.
inline constexpr unsigned kAttribDanglingLink = 0x100;

struct FindRecord {
    unsigned attrib = 0;     // kAttribDirectory for a real directory
    std::uint64_t size = 0;  // bytes, for a file
    std::string name;        // no directory part
};

bool MatchesPattern(std::string_view name, std::string_view pattern);

// Every entry of the directory (the current one for an empty path) whose name matches the
// pattern, sorted by name ignoring ASCII case, ties by bytes. A pattern without '*' or '?' is a
// name: an entry of exactly that name is the only match when there is one (and nothing is listed
// when that entry is not a file or directory), entries equal to it ignoring case otherwise. Regular
// files and links to them are files; real directories carry kAttribDirectory; links to directories,
// FIFOs, sockets and devices are left out. "." and ".." are listed when they match. Empty when
// nothing matches or the directory cannot be read.
std::vector<FindRecord> FindEntries(const std::string& directory, std::string_view pattern);

// The same listing of an open directory, and its directories alone (in the same order), for the
// walk: it reaches each directory through its parent's descriptor, so a name swapped for a link
// after the listing leads nowhere new. Sizes are not looked up (the walk takes a file's size from
// the file it opened, not from the listing); nullopt when the directory cannot be read, with errno
// saying why.
std::optional<std::vector<FindRecord>> FindEntries(const DirectoryHandle& directory,
                                                   std::string_view pattern);
std::optional<std::vector<FindRecord>> FindSubdirectories(const DirectoryHandle& directory,
                                                          std::string_view pattern);

// The names an open directory lists as regular files, as its entries type them (nothing is looked
// up name by name). Empty when it cannot be read or reports more than 1 MiB, and only its first
// 65,536 entries are read: a caller looks up any name not given here, so a huge directory costs no
// more than the look-ups it would save, and a file system whose directories report no size cannot
// fill memory with names.
std::unordered_set<std::string> RegularFileNames(const DirectoryHandle& directory);

// Whether a path names an existing file or directory, or its last component is a pattern that
// matches at least one entry of its directory (the settings dialog's input check).
bool PathOrPatternExists(const std::string& pathOrPattern);

}  // namespace quillmark
