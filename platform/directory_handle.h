// directory_handle.h - an open directory, reached by a path of any length or as the child of
// another open directory, never through a link the walk did not ask to follow.
#pragma once

#include <dirent.h>
#include <fcntl.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_descriptor.h"
#include "platform/regular_file.h"

namespace quillmark {

class DirectoryHandle {
public:
    DirectoryHandle(DirectoryHandle&& other) noexcept = default;
    DirectoryHandle& operator=(DirectoryHandle&& other) noexcept = default;

    // AT_FDCWD for the working directory.
    int Descriptor() const { return m_fd.IsOpen() ? m_fd.Get() : AT_FDCWD; }
    // Device and inode of the open directory, to tell whether a directory opened again by its
    // name is still the one opened before; nullopt when it cannot be asked.
    std::optional<FileIdentity> Identity() const;

private:
    friend struct DirectoryOpener;
    // A negative fd (AT_FDCWD) stands for the working directory and is never closed.
    explicit DirectoryHandle(int fd) : m_fd(fd) {}

    FileDescriptor m_fd;
};

// Why an open failed: an errno value.
struct OpenError {
    int number = 0;
};

// Opens the directory a path names, following links as any open does, so a link the user names
// is entered. A path longer than the system allows in one call is opened a few components at a
// time, each relative to the one before. A relative path starts at base.
std::optional<DirectoryHandle> OpenDirectoryPath(std::string_view path, OpenError* error = nullptr,
                                                 int base = AT_FDCWD);

// As OpenDirectoryPath, but the directory is opened for searching only (O_PATH): files are opened
// inside it by name, and it need not be readable, as a directory of mode 0711 is not to others.
// Its entries cannot be listed through it.
std::optional<DirectoryHandle> OpenSearchableDirectoryPath(std::string_view path,
                                                           OpenError* error = nullptr,
                                                           int base = AT_FDCWD);

// Opens name inside parent when it is a real directory; a link, even one put in place of a
// directory a moment ago, is refused.
std::optional<DirectoryHandle> OpenSubdirectory(const DirectoryHandle& parent,
                                                const std::string& name,
                                                OpenError* error = nullptr);

// A stream over the entries of the directory open on fd, from its first entry, through a
// descriptor of its own, so closedir leaves fd open; nullptr (errno set) when it cannot be had.
DIR* OpenDirectoryStream(int fd);

// Splits a path of any length into the directory that holds its last component (opened as
// OpenDirectoryPath does) and that component. The directory part of "name" is the working
// directory; of "/name", the root.
struct OpenedParent {
    DirectoryHandle directory;
    std::string name;
};
std::optional<OpenedParent> OpenParentDirectory(std::string_view path, OpenError* error = nullptr);

}  // namespace quillmark
