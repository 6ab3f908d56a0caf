// listing_names.h - how a name read from a listing becomes the path that is checked: relative to
// an SFV file's own directory, and with Windows separators where the name as written is no file.
#pragma once

#include <string>
#include <string_view>

namespace quillmark {

// name joined to relativeTo (a directory ending in '/', or empty) when name is relative. A name
// holding '\' is taken as written when that path exists (a Linux name may hold a backslash) and
// otherwise with each '\' read as '/', as a listing made on Windows means it: "sub\f.txt" is
// "sub/f.txt". Existence is looked up relative to startDirectory, without following a last link.
std::string PathToCheck(std::string_view name, std::string_view relativeTo, int startDirectory);

}  // namespace quillmark
