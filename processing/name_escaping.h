// name_escaping.h - paths made safe for line-based listings and for display.
#pragma once

#include <string>
#include <string_view>

namespace quillmark {

// Whether a path must be escaped in a listing: it holds a line feed or a carriage return.
bool NeedsListingEscape(std::string_view path);
// The path as a listing line writes it when NeedsListingEscape: '\' as "\\", LF as "\n", CR as
// "\r"; the line that holds it then begins with a '\'. Other paths are returned as they are.
std::string EscapeListingPath(std::string_view path);
// The reverse of EscapeListingPath and EscapeNameForDisplay for an escaped line's path; false on
// a '\' followed by anything but '\', 'n', 'r' or 'x' and two hex digits, or at the very end.
bool UnescapeListingPath(std::string_view escaped, std::string& path);

// Text for a terminal, a progress line or a message box: control characters (0x01-0x1F, 0x7F)
// written as "\n", "\r", "\t" or "\xHH", and the C1 controls (U+0080-U+009F) and every byte that
// is not part of well-formed UTF-8 as "\xHH" a byte, so a name can never move the cursor, forge a
// line or start a terminal's escape sequence. Other UTF-8 is kept. The one escaping of names
// shown to a person.
std::string EscapeForDisplay(std::string_view text);

// Whether a name must be escaped where a person reads it (a terminal, the window's pane): it holds
// a control character (C0, DEL, C1) or bytes that are not well-formed UTF-8, any of which could
// move the cursor, rewrite a line or garble the text around it.
bool NeedsDisplayEscape(std::string_view path);
// The name as an outcome or result line shows it to a person when NeedsDisplayEscape: '\' as
// "\\" and each such byte as "\xHH"; the line that holds it then begins with a '\', as an
// escaped listing line does, so a copy of the text reads back as a listing. Other names are
// returned as they are.
std::string EscapeNameForDisplay(std::string_view path);

}  // namespace quillmark
