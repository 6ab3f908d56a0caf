// settings_dialog_output_file.h - the two file-system steps of the dialog's output-file check.
#pragma once

#include <string>

namespace quillmark {

// Whether accepting the name would overwrite something the user may want kept: an existing
// regular file (readable or not, since it is emptied either way), or anything else but a
// directory that opens for reading. A missing path or a directory counts as absent.
bool OutputFileExists(const std::string& path);

// Creates the file, or cuts an existing one to zero length. False when it cannot be created:
// a missing directory, a path naming a directory, no permission, or a pipe nobody reads.
bool CreateEmptyOutputFile(const std::string& path);

}  // namespace quillmark
