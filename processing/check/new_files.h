// new_files.h - the regular files beside a listing's files that the listing does not name.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/regular_file.h"
#include "platform/scratch_file.h"

namespace quillmark {

// The listed paths wait in a scratch file, not in memory, so a listing of any size is compared
// holding only a bounded batch of directories at a time; each batch costs one pass over the
// listed paths.
class NewFileFinder {
public:
    struct Limits {
        std::size_t directoriesPerPass = 4096;
        // A batch takes directories until it holds this many names; one directory is always
        // held whole, however many it has.
        std::size_t namesPerPass = std::size_t{1} << 16;
        // And the paths of its directories, together, no more bytes than this (a batch always
        // takes one), so directories deep in a tree, with paths of many kilobytes, are taken in
        // smaller batches.
        std::size_t pathBytesPerPass = std::size_t{2} << 20;
    };

    // Relative paths start at the directory open on base. Files with an excluded identity (the
    // listing itself, the command's own output) are never new.
    NewFileFinder(int base, std::vector<FileIdentity> excluded, Limits limits);
    NewFileFinder(int base, std::vector<FileIdentity> excluded)
        : NewFileFinder(base, std::move(excluded), Limits{}) {}

    // A listed file that exists, named in the directory whose identity is given; spelling is the
    // directory's path as the listing led to it, ending in '/' (empty for the base). One
    // directory is one directory however it is spelled: its files are named under the first
    // spelling given for it.
    void Listed(const FileIdentity& directory, std::string_view spelling, std::string_view name);
    // The same for a path, its directory looked up (a directory that cannot be looked up is known
    // by its spelling alone).
    void Listed(std::string_view path);

    // Tells report the path of each regular file in a directory that holds a listed file which no
    // listed name names, in byte order of the paths; a directory that cannot be listed is told to
    // unlistable (with the errno) and passed over. False from report or keepGoing stops, and so
    // does a failed read of the listed paths: false then.
    using Unlistable = std::function<void(const std::string& directory, int error)>;
    bool Report(const std::function<bool(const std::string& path)>& report,
                const std::function<bool()>& keepGoing, const Unlistable& unlistable = {});

    // The most directory entries held at once while reporting.
    std::size_t MostNamesHeld() const { return m_mostNamesHeld; }

private:
    struct Batch;

    bool Pass(Batch* batch, const std::string* after, std::vector<std::string>& next);
    std::optional<std::string> Load(Batch& batch, const std::vector<std::string>& candidates,
                                    const std::function<bool()>& keepGoing,
                                    const Unlistable& unlistable);

    const int m_base;
    const std::vector<FileIdentity> m_excluded;
    const Limits m_limits;
    ScratchFile m_listed;  // each path followed by a NUL, which no path holds
    // The first spelling of each directory, by device and inode: one string per directory.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> m_spellings;
    std::size_t m_mostNamesHeld = 0;
};

}  // namespace quillmark
