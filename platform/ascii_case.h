// ascii_case.h - case without a locale: only A-Z and a-z differ in case, every other byte
// (UTF-8 included) is its own.
#pragma once

#include <string>
#include <string_view>

namespace quillmark {

inline char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

inline bool HasAsciiCapital(std::string_view text) {
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') return true;
    }
    return false;
}

inline void LowercaseAscii(std::string& text) {
    for (char& c : text) c = FoldAscii(c);
}

inline std::string LowercasedAscii(std::string text) {
    LowercaseAscii(text);
    return text;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

}  // namespace quillmark
