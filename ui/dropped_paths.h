// dropped_paths.h - the local paths of a drop, byte for byte as the file manager sent them.
#pragma once

#include <string>
#include <vector>

class QMimeData;

namespace quillmark {

// The file: URLs of the drop's text/uri-list, percent-decoded into raw bytes without passing
// through QString, so a name that is not valid UTF-8 keeps its bytes. Other URLs are skipped.
std::vector<std::string> DroppedLocalPaths(const QMimeData* mime);

}  // namespace quillmark
