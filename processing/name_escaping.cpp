// name_escaping.cpp - escaping line breaks in listings and control characters on display.
#include "processing/name_escaping.h"

namespace quillmark {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The length of the well-formed UTF-8 sequence at the start of text that a terminal shows as a
// character: 0 for a byte that starts none, a control character (C0, DEL) or a C1 control, which
// some terminals obey as escape sequences.
std::size_t PrintableSequence(std::string_view text) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(0);
    if (lead >= 0x20 && lead < 0x7F) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t at = 2; at < length; ++at) {
        if (byte(at) < 0x80 || byte(at) > 0xBF) return 0;
    }
    if (lead == 0xC2 && byte(1) <= 0x9F) return 0;  // U+0080-U+009F, the C1 controls
    return length;
}

}  // namespace

bool NeedsListingEscape(std::string_view path) {
    return path.find_first_of("\n\r") != std::string_view::npos;
}

std::string EscapeListingPath(std::string_view path) {
    if (!NeedsListingEscape(path)) return std::string(path);
    std::string out;
    out.reserve(path.size() + 8);
    for (char c : path) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool UnescapeListingPath(std::string_view escaped, std::string& path) {
    path.clear();
    path.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            path += escaped[i];
            continue;
        }
        if (++i == escaped.size()) return false;
        switch (escaped[i]) {
            case '\\':
                path += '\\';
                break;
            case 'n':
                path += '\n';
                break;
            case 'r':
                path += '\r';
                break;
            case 'x': {
                // "\xHH" is how a person's copy of an outcome or result shows an awkward byte.
                if (i + 2 >= escaped.size()) return false;
                const int high = HexDigit(escaped[i + 1]);
                const int low = HexDigit(escaped[i + 2]);
                if (high < 0 || low < 0) return false;
                path += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when its first byte
// does not begin one (a stray continuation byte, an overlong form, a surrogate, past U+10FFFF,
// cut short).
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte, narrowed for some leads
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

void AppendHexEscape(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

}  // namespace

std::string EscapeForDisplay(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.front());
        if (byte >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text);
            // U+0080-U+009F, the C1 controls, are C2 80 to C2 9F.
            const bool control =
                length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[1]) <= 0x9F;
            if (length == 0 || control) {
                const std::size_t escaped = control ? 2 : 1;
                for (std::size_t i = 0; i < escaped; ++i) {
                    AppendHexEscape(out, static_cast<unsigned char>(text[i]));
                }
                text.remove_prefix(escaped);
            } else {
                out.append(text.substr(0, length));
                text.remove_prefix(length);
            }
            continue;
        }
        text.remove_prefix(1);
        if (byte >= 0x20 && byte != 0x7F) {
            out += static_cast<char>(byte);
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte == '\t') {
            out += "\\t";
        } else {
            AppendHexEscape(out, byte);
        }
    }
    return out;
}

bool NeedsDisplayEscape(std::string_view path) {
    while (!path.empty()) {
        if (path.front() == '\\') {
            path.remove_prefix(1);
            continue;
        }
        const std::size_t length = PrintableSequence(path);
        if (length == 0) return true;
        path.remove_prefix(length);
    }
    return false;
}

std::string EscapeNameForDisplay(std::string_view path) {
    if (!NeedsDisplayEscape(path)) return std::string(path);
    std::string out;
    out.reserve(path.size() + 16);
    while (!path.empty()) {
        if (path.front() == '\\') {
            out += "\\\\";
            path.remove_prefix(1);
            continue;
        }
        std::size_t length = PrintableSequence(path);
        if (length > 0) {
            out.append(path.substr(0, length));
        } else {
            const auto byte = static_cast<unsigned char>(path.front());
            out += "\\x";
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0xF];
            length = 1;
        }
        path.remove_prefix(length);
    }
    return out;
}

}  // namespace quillmark
