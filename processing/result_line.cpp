// result_line.cpp - the descriptive block, the tabular line and the read-error line of one file.
#include "processing/result_line.h"

#include <charconv>

#include "processing/name_escaping.h"
#include "processing/result_line_append.h"

namespace quillmark {

namespace {

void AppendDecimal(std::string& out, std::uint64_t value, std::size_t width) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    if (length < width) out.append(width - length, ' ');
    out.append(digits, length);
}

void AppendDescriptiveBlock(std::string& out, std::uint32_t crc, std::string_view directory,
                            std::string_view fileName, std::uint64_t size, bool forDisplay) {
    const bool escaped = AppendEscapeMarker(out, directory, fileName, forDisplay);
    out += "Filename: ";
    AppendListingPath(out, escaped, directory, fileName, forDisplay);
    out += "\nFile size: ";
    AppendDecimal(out, size, 0);
    out += "\nCRC 32: ";
    AppendCrcHex(out, crc);
    out += "\n\n";
}

}  // namespace

bool AppendEscapeMarker(std::string& out, std::string_view directory, std::string_view fileName,
                        bool forDisplay) {
    const bool escaped = forDisplay ? NeedsDisplayEscape(directory) || NeedsDisplayEscape(fileName)
                                    : NeedsListingEscape(directory) || NeedsListingEscape(fileName);
    if (!escaped) return false;
    out += '\\';
    return true;
}

void AppendListingPath(std::string& out, bool escaped, std::string_view directory,
                       std::string_view fileName, bool forDisplay) {
    if (!escaped) {
        out += directory;
        out += fileName;
        return;
    }
    std::string path(directory);
    path += fileName;
    out += forDisplay ? EscapeNameForDisplay(path) : EscapeListingPath(path);
}

void AppendCrcHex(std::string& out, std::uint32_t crc, HexLetters letters) {
    const char* digits = letters == HexLetters::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char text[8];
    for (int i = 7; i >= 0; --i) {
        text[i] = digits[crc & 0xFu];
        crc >>= 4;
    }
    out.append(text, sizeof text);
}

void AppendTabularLine(std::string& out, std::uint32_t crc, std::uint64_t size,
                       std::string_view directory, std::string_view fileName, bool forDisplay) {
    const bool escaped = AppendEscapeMarker(out, directory, fileName, forDisplay);
    AppendCrcHex(out, crc);
    out += ' ';
    AppendDecimal(out, size, 12);
    out += "   ";
    AppendListingPath(out, escaped, directory, fileName, forDisplay);
    out += '\n';
}

void AppendReadErrorLine(std::string& out, std::string_view directory, std::string_view fileName,
                         bool forDisplay) {
    const bool escaped = AppendEscapeMarker(out, directory, fileName, forDisplay);
    out += "Error encountered reading the file ";
    AppendListingPath(out, escaped, directory, fileName, forDisplay);
    out += '\n';
}

std::string FormatResultLine(const CCRCSettings& settings, bool readable, std::uint32_t crc,
                             std::string_view directory, std::string_view fileName,
                             std::uint64_t size, bool forDisplay) {
    std::string text;
    text.reserve(directory.size() + fileName.size() + 64);
    if (!readable) {
        // Left as it is under the lowercase option, so the message reads as one.
        AppendReadErrorLine(text, directory, fileName, forDisplay);
        return text;
    }
    if (!settings.IsTabular()) {
        AppendDescriptiveBlock(text, crc, directory, fileName, size, forDisplay);
    } else {
        AppendTabularLine(text, crc, size, directory, fileName, forDisplay);
    }
    if (settings.IsLowercase()) LowercaseAscii(text);
    return text;
}

}  // namespace quillmark
