// settings_dialog_output_file.cpp - existence test and creation of the output file, never
// blocking on a FIFO.
#include "ui/settings_dialog_output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmark {

bool OutputFileExists(const std::string& path) {
    if (path.empty()) return false;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    if (S_ISREG(info.st_mode)) return true;
    // O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool CreateEmptyOutputFile(const std::string& path) {
    if (path.empty()) return false;
    // O_NONBLOCK: a FIFO without a reader fails at once instead of hanging the dialog.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace quillmark
