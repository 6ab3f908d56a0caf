// cli_app.h - quillmark-cli from its arguments to its exit status.
#pragma once

namespace quillmark {

// One complete run per INPUT, in the order given. Returns 0 when every file was read and no
// message arose, 1 when a file was unreadable, a message arose or standard output failed,
// 2 for a usage error and 130 after Ctrl+C.
int RunCommandLine(int argc, const char* const* argv);

}  // namespace quillmark
