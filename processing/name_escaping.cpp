// name_escaping.cpp - escaping line breaks in listings and control characters on display.
#include "processing/name_escaping.h"

namespace quillmark {

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
            default:
                return false;
        }
    }
    return true;
}

std::string EscapeForDisplay(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

}  // namespace quillmark
