// path_services.cpp - the working directory through getcwd and chdir, without a length limit.
#include "platform/path_services.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace quillmark {

std::optional<std::string> GetCurrentDirectory() {
    // getcwd reports ERANGE when the buffer is too small; grow until the path fits.
    std::vector<char> buffer(512);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
        if (errno != ERANGE) return std::nullopt;
        buffer.resize(buffer.size() * 2);
    }
}

bool ChangeDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

}  // namespace quillmark
