// settings_dialog_output_file.cpp - existence test and creation of the output file, never
// blocking on a FIFO.
#include "ui/settings_dialog_output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "processing/input_parsing.h"

namespace quillmark {

// Both look at the file a run will write: "~/" is the home directory there too.
bool OutputFileExists(const std::string& typed) {
    if (typed.empty()) return false;
    const std::string path = ExpandHome(typed);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    if (S_ISREG(info.st_mode)) return true;
    // O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool CreateEmptyOutputFile(const std::string& typed) {
    if (typed.empty()) return false;
    const std::string path = ExpandHome(typed);
    // O_NONBLOCK: a FIFO without a reader fails at once instead of hanging the dialog.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace quillmark
