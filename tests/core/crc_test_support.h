// crc_test_support.h - scratch files and plain byte-at-a-time reference checksums for the
// checksum tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/crc_table.h"

namespace quillmark::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A directory of its own under base, else $TMPDIR or /tmp, removed with everything in it.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const char* base = nullptr) {
        if (base == nullptr || *base == '\0') base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillmark-crc-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr) ADD_FAILURE() << "mkdtemp " << pattern;
        m_path = name.data();
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string PathOf(const std::string& name) const { return m_path + "/" + name; }

    std::string Write(const std::string& name, const Bytes& bytes) const {
        std::string path = PathOf(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good()) << path;
        return path;
    }
    std::string Write(const std::string& name, std::string_view text) const {
        return Write(name, ToBytes(text));
    }

private:
    std::string m_path;
};

// The CRC-32 of bytes, one table step per byte.
inline std::uint32_t TableCrc(const Bytes& bytes) {
    static const CrcTable table;
    std::uint32_t reg = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) reg = table.UpdateByte(reg, byte);
    return ~reg;
}
inline std::uint32_t TableCrc(std::string_view text) { return TableCrc(ToBytes(text)); }

// What a text-mode stream delivers from the whole file, one byte decision at a time.
inline Bytes ReferenceTextDecode(const Bytes& file) {
    Bytes out;
    for (std::size_t i = 0; i < file.size(); ++i) {
        std::uint8_t byte = file[i];
        if (byte == 0x1A) break;
        if (byte == 0x0D && i + 1 < file.size() && file[i + 1] == 0x0A) continue;
        out.push_back(byte);
    }
    return out;
}

struct ReferenceTextPass {
    bool countMatches = false;
    std::uint32_t crc = 0;  // of the delivered text, LFs widened to CR LF in Unix-LF mode
};

inline ReferenceTextPass ReferenceText(const Bytes& file, std::uint64_t expectedSize,
                                       bool unixLineEnds) {
    Bytes checksummed;
    std::uint64_t count = 0;
    for (std::uint8_t byte : ReferenceTextDecode(file)) {
        if (byte == 0x0A && unixLineEnds) {
            checksummed.push_back(0x0D);
            count += 1;
        } else {
            count += byte == 0x0A ? 2 : 1;
        }
        checksummed.push_back(byte);
    }
    return {count == expectedSize, TableCrc(checksummed)};
}

}  // namespace quillmark::testing
