// test_support.h - scratch directories, file helpers and the byte-at-a-time reference checksum
// shared by the core and command-line tests.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::testing {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Whole buffers at a time: a character at a time, the large reference files took seconds under
// the sanitizers.
inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return text;
}

inline void WriteFile(const fs::path& path, std::string_view bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << path;
}

inline void WriteFile(const fs::path& path, const Bytes& bytes) {
    WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Each LF as the output file stores it.
inline std::string CrLf(std::string_view text) {
    std::string converted;
    for (char c : text) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
}

// A fresh directory under base (else the system's temporary directory), removed with everything
// in it. Its path is the canonical one, so it compares equal to what getcwd reports inside it.
class TempDir {
public:
    explicit TempDir(const fs::path& base = fs::temp_directory_path()) {
        std::string pattern = (base / "quillmark-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
        m_path = fs::canonical(pattern).string();
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }

    const std::string& Path() const { return m_path; }
    // The directory as the walk prints it: ends in '/'.
    std::string Dir() const { return m_path + "/"; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

    void MakeDir(const std::string& relative) const { fs::create_directories(*this / relative); }
    std::string Write(const std::string& relative, std::string_view content = "x") const {
        WriteFile(*this / relative, content);
        return *this / relative;
    }
    std::string Write(const std::string& relative, const Bytes& content) const {
        WriteFile(*this / relative, content);
        return *this / relative;
    }

private:
    std::string m_path;
};

// While it lives, writes past `bytes` into any file fail part-way, as on a full disk, also for
// root (whom permissions never stop); SIGXFSZ is ignored so the write reports EFBIG instead.
// With keepSignal the signal keeps its default action, as a program started meanwhile gets it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes, bool keepSignal = false) {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        struct sigaction ignore {};
        ignore.sa_handler = keepSignal ? SIG_DFL : SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &m_previousAction);
        struct rlimit small = m_previous;
        small.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        ::sigaction(SIGXFSZ, &m_previousAction, nullptr);
    }
    bool Active() const { return m_active; }

private:
    struct rlimit m_previous {};
    struct sigaction m_previousAction {};
    bool m_active = false;
};

// Whether this process has a descriptor open on path: a test's way to act between the reads of
// a file without timing anything.
inline bool IsOpenInThisProcess(const std::string& path) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        std::error_code ignored;
        if (fs::read_symlink(entry.path(), ignored) == path) return true;
    }
    return false;
}

// Puts the working directory back however the test ends.
// HOME set to a value (unset for nullopt) for the scope of a test, and put back afterwards.
class HomeScope {
public:
    explicit HomeScope(const std::optional<std::string>& home) {
        if (const char* old = std::getenv("HOME")) m_saved = old;
        Set(home);
    }
    ~HomeScope() { Set(m_saved); }
    HomeScope(const HomeScope&) = delete;
    HomeScope& operator=(const HomeScope&) = delete;

private:
    static void Set(const std::optional<std::string>& home) {
        if (home) {
            ::setenv("HOME", home->c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }
    std::optional<std::string> m_saved;
};

class CwdGuard {
public:
    CwdGuard() : m_saved(fs::current_path()) {}
    CwdGuard(const CwdGuard&) = delete;
    CwdGuard& operator=(const CwdGuard&) = delete;
    ~CwdGuard() {
        std::error_code ignored;
        fs::current_path(m_saved, ignored);
    }
    const fs::path& Saved() const { return m_saved; }

private:
    fs::path m_saved;
};

// CRC-32 from a table built here from the polynomial, independent of the program's table and of
// libdeflate.
inline std::uint32_t ReferenceCrc(std::string_view bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t reg = i;
            for (int bit = 0; bit < 8; ++bit) reg = (reg >> 1) ^ (0xEDB88320u & (0u - (reg & 1u)));
            entries[i] = reg;
        }
        return entries;
    }();
    std::uint32_t reg = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) reg = (reg >> 8) ^ table[(reg ^ byte) & 0xFFu];
    return ~reg;
}
inline std::uint32_t ReferenceCrc(const Bytes& bytes) {
    return ReferenceCrc(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// What a text-mode stream delivers from the whole file, one byte decision at a time.
inline Bytes ReferenceTextDecode(const Bytes& file) {
    Bytes out;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] == 0x1A) break;
        if (file[i] == 0x0D && i + 1 < file.size() && file[i + 1] == 0x0A) continue;
        out.push_back(file[i]);
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
        if (byte == 0x0A && unixLineEnds) checksummed.push_back(0x0D);
        count += byte == 0x0A && !unixLineEnds ? 2 : 1;
        checksummed.push_back(byte);
    }
    return {count == expectedSize, ReferenceCrc(checksummed)};
}

}  // namespace quillmark::testing
