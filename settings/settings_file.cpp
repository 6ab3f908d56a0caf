// settings_file.cpp - settings.dat: encoding and decoding its bytes, and the four moments it is
// read or written.
#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/atomic_file_write.h"
#include "platform/path_services.h"
#include "platform/posix_io.h"

namespace quillmark {

namespace {

// The two strings are a path and a file name; anything near this size is not a settings file,
// and refusing it keeps a corrupt or hostile file from costing more memory than this.
constexpr std::size_t kMaxSettingsFileSize = 16u * 1024u * 1024u;

constexpr std::uint8_t kLongLengthMarker = 0xFF;
constexpr std::uint16_t kWideLengthMarker = 0xFFFF;
// After 0xFF a 16-bit 0xFFFE announces a wide-character string, which this program never
// writes; such a file is not one of ours.
constexpr std::uint16_t kWideStringMarker = 0xFFFE;

void AppendLittleEndian(std::string& out, std::uint64_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

void AppendInt32(std::string& out, std::int32_t value) {
    AppendLittleEndian(out, static_cast<std::uint32_t>(value), 4);
}

void AppendString(std::string& out, const std::string& text) {
    const std::uint64_t length = text.size();
    if (length < kLongLengthMarker) {
        AppendLittleEndian(out, length, 1);
    } else if (length < kWideStringMarker) {
        out.push_back(static_cast<char>(kLongLengthMarker));
        AppendLittleEndian(out, length, 2);
    } else {
        out.push_back(static_cast<char>(kLongLengthMarker));
        AppendLittleEndian(out, kWideLengthMarker, 2);
        AppendLittleEndian(out, length, 4);
    }
    out += text;
}

// Reads fields in order and refuses, instead of reading past the end, when the file ends early.
class FieldReader {
public:
    explicit FieldReader(std::string_view bytes) : m_rest(bytes) {}

    std::optional<std::uint32_t> Unsigned(std::size_t byteCount) {
        if (m_rest.size() < byteCount) return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < byteCount; ++i) {
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_rest[i])) << (8 * i);
        }
        m_rest.remove_prefix(byteCount);
        return value;
    }

    bool Int32(std::int32_t& out) {
        const auto value = Unsigned(4);
        if (!value) return false;
        out = static_cast<std::int32_t>(*value);
        return true;
    }

    bool Byte(std::uint8_t& out) {
        const auto value = Unsigned(1);
        if (!value) return false;
        out = static_cast<std::uint8_t>(*value);
        return true;
    }

    bool String(std::string& out) {
        const auto length = Length();
        // Checked against what is left before anything is allocated.
        if (!length || *length > m_rest.size()) return false;
        out.assign(m_rest.substr(0, *length));
        m_rest.remove_prefix(*length);
        return true;
    }

private:
    std::optional<std::uint32_t> Length() {
        const auto first = Unsigned(1);
        if (!first) return std::nullopt;
        if (*first != kLongLengthMarker) return first;
        const auto second = Unsigned(2);
        if (!second || *second == kWideStringMarker) return std::nullopt;
        if (*second != kWideLengthMarker) return second;
        return Unsigned(4);
    }

    std::string_view m_rest;
};

// Anything but a regular file is refused, and the open never waits for a writer.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::optional<std::string> contents = ReadAll(fd, kMaxSettingsFileSize);
    ::close(fd);
    return contents;
}

std::string SettingsPathIn(const std::string& directory) {
    if (!directory.empty() && directory.back() == '/') return directory + kSettingsFileName;
    return directory + "/" + kSettingsFileName;
}

}  // namespace

std::string EncodeSettings(const CCRCSettings& record) {
    std::string out;
    out.reserve(35 + record.m_strInput.size() + record.m_strOutput.size() + 10);
    AppendInt32(out, record.m_bSortOutput);
    AppendInt32(out, record.m_bNoRecursion);
    AppendInt32(out, record.m_bDirWildcards);
    AppendInt32(out, record.m_bLowercase);
    AppendInt32(out, record.m_bUnixLF);
    AppendInt32(out, record.m_nOutputDest);
    AppendInt32(out, record.m_nReadMode);
    AppendString(out, record.m_strInput);
    AppendString(out, record.m_strOutput);
    out.push_back(static_cast<char>(record.m_flags));
    AppendInt32(out, record.m_nOutputStyle);
    return out;
}

bool DecodeSettings(std::string_view bytes, CCRCSettings& record) {
    // Decoded into a copy so that a file that ends early changes nothing.
    CCRCSettings loaded;
    FieldReader reader(bytes);
    const bool complete = reader.Int32(loaded.m_bSortOutput) &&
                          reader.Int32(loaded.m_bNoRecursion) &&
                          reader.Int32(loaded.m_bDirWildcards) &&
                          reader.Int32(loaded.m_bLowercase) && reader.Int32(loaded.m_bUnixLF) &&
                          reader.Int32(loaded.m_nOutputDest) && reader.Int32(loaded.m_nReadMode) &&
                          reader.String(loaded.m_strInput) && reader.String(loaded.m_strOutput) &&
                          reader.Byte(loaded.m_flags) && reader.Int32(loaded.m_nOutputStyle);
    if (!complete) return false;
    // The program writes only 0 or 1 in each field and the flag byte they give; anything else is
    // not a settings file (a text file read as one would switch options on at random).
    for (const int value :
         {loaded.m_bSortOutput, loaded.m_bNoRecursion, loaded.m_bDirWildcards, loaded.m_bLowercase,
          loaded.m_bUnixLF, loaded.m_nOutputDest, loaded.m_nReadMode, loaded.m_nOutputStyle}) {
        if (value != 0 && value != 1) return false;
    }
    CCRCSettings derived = loaded;
    derived.UpdateFlags();
    if (derived.m_flags != loaded.m_flags) return false;

    record.m_bSortOutput = loaded.m_bSortOutput;
    record.m_bNoRecursion = loaded.m_bNoRecursion;
    record.m_bDirWildcards = loaded.m_bDirWildcards;
    record.m_bLowercase = loaded.m_bLowercase;
    record.m_bUnixLF = loaded.m_bUnixLF;
    record.m_nOutputDest = loaded.m_nOutputDest;
    record.m_nReadMode = loaded.m_nReadMode;
    record.m_strInput = std::move(loaded.m_strInput);
    record.m_strOutput = std::move(loaded.m_strOutput);
    record.m_flags = loaded.m_flags;
    record.m_nOutputStyle = loaded.m_nOutputStyle;
    return true;
}

bool ReadSettingsFile(const std::string& path, CCRCSettings& record) {
    // A settings file that is a FIFO or a device must not hang the program that reads it.
    const auto contents = ReadWholeFile(path);
    return contents && DecodeSettings(*contents, record);
}

bool WriteSettingsFile(const std::string& path, const CCRCSettings& record) {
    return ReplaceFileAtomically(path, EncodeSettings(record));
}

void LoadSettingsAtStartup(CCRCSettings& record) {
    const auto directory = GetCurrentDirectory();
    record.m_szSettingsDir = directory.value_or(std::string());
    if (!directory || !ReadSettingsFile(SettingsPathIn(*directory), record)) {
        record.ResetDefaults();
    }
}

bool SaveSettingsAtExit(const CCRCSettings& record) {
    // Without a remembered directory the file would land wherever the process happens to be.
    if (record.m_szSettingsDir.empty()) return false;
    return WriteSettingsFile(SettingsPathIn(record.m_szSettingsDir), record);
}

bool LoadSettingsCommand(CCRCSettings& record) {
    return ReadSettingsFile(kSettingsFileName, record);
}

bool SaveSettingsCommand(const CCRCSettings& record) {
    return WriteSettingsFile(kSettingsFileName, record);
}

}  // namespace quillmark
