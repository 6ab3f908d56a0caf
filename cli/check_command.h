// check_command.h - quillmark-cli --check: every listing checked, outcomes on standard output.
#pragma once

#include "cli/cli_options.h"

namespace quillmark {

// 0 when every entry was OK, 1 when any was not or a line was malformed, 2 for a listing that
// could not be read or held no entry, 130 after Ctrl+C.
int RunCheckCommand(const CliOptions& options);

}  // namespace quillmark
