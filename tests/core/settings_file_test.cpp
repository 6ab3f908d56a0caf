// settings_file_test.cpp - settings.dat on disk: start-up, exit save, the Load and Save
// commands, and saves that fail part-way.
#include "settings/settings_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/atomic_file_write.h"

namespace quillmark {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

CCRCSettings SomeOptions() {
    CCRCSettings record;
    record.m_bSortOutput = 1;
    record.m_nOutputStyle = 1;
    record.m_nReadMode = 0;
    record.m_nOutputDest = 0;
    record.m_strInput = "/srv/files/";
    record.m_strOutput = "sums.txt";
    record.UpdateFlags();
    return record;
}

// Each test runs in a fresh temporary directory, so the user's own settings.dat is never read
// or replaced.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousDir = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "quillmark-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = fs::canonical(pattern);
        fs::current_path(m_dir);
    }
    void TearDown() override {
        fs::current_path(m_previousDir);
        fs::remove_all(m_dir);
    }

    std::size_t EntriesIn(const fs::path& directory) const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), {}));
    }

    fs::path m_previousDir;
    fs::path m_dir;
};

TEST_F(SettingsFileTest, StartupWithoutAFileGivesDefaultsAndRemembersTheDirectory) {
    CCRCSettings record = SomeOptions();
    LoadSettingsAtStartup(record);
    EXPECT_EQ(record.m_szSettingsDir, m_dir.string());
    EXPECT_EQ(EncodeSettings(record), EncodeSettings(CCRCSettings{}));
}

TEST_F(SettingsFileTest, StartupReadsTheFileOfTheWorkingDirectory) {
    WriteFile(m_dir / "settings.dat", EncodeSettings(SomeOptions()));
    CCRCSettings record;
    LoadSettingsAtStartup(record);
    EXPECT_EQ(EncodeSettings(record), EncodeSettings(SomeOptions()));
}

TEST_F(SettingsFileTest, StartupTakesDefaultsForADamagedFile) {
    const std::string full = EncodeSettings(SomeOptions());
    WriteFile(m_dir / "settings.dat", full.substr(0, full.size() - 1));
    CCRCSettings record = SomeOptions();
    LoadSettingsAtStartup(record);
    EXPECT_EQ(EncodeSettings(record), EncodeSettings(CCRCSettings{}));
    EXPECT_EQ(record.m_szSettingsDir, m_dir.string());
}

TEST_F(SettingsFileTest, ExitSaveGoesToTheRememberedDirectory) {
    CCRCSettings record;
    LoadSettingsAtStartup(record);
    fs::create_directory(m_dir / "elsewhere");
    fs::current_path(m_dir / "elsewhere");

    ASSERT_TRUE(SaveSettingsAtExit(record));
    const std::string written = ReadFile(m_dir / "settings.dat");
    EXPECT_EQ(written.size(), 35u);
    EXPECT_EQ(written, EncodeSettings(CCRCSettings{}));
    EXPECT_FALSE(fs::exists(m_dir / "elsewhere" / "settings.dat"));
    EXPECT_EQ(EntriesIn(m_dir), 2u) << "a temporary file was left behind";
}

TEST_F(SettingsFileTest, ExitSaveWithoutARememberedDirectoryWritesNothing) {
    CCRCSettings record = SomeOptions();
    record.m_szSettingsDir.clear();
    EXPECT_FALSE(SaveSettingsAtExit(record));
    EXPECT_EQ(EntriesIn(m_dir), 0u);
}

TEST_F(SettingsFileTest, ExitSaveIntoAVanishedDirectoryFails) {
    CCRCSettings record = SomeOptions();
    record.m_szSettingsDir = (m_dir / "gone").string();
    EXPECT_FALSE(SaveSettingsAtExit(record));
    EXPECT_EQ(EntriesIn(m_dir), 0u);
}

TEST_F(SettingsFileTest, SaveThenLoadCommandsRestoreEveryField) {
    CCRCSettings saved = SomeOptions();
    saved.m_flags = 0x08;  // not what UpdateFlags would give; kept exactly
    ASSERT_TRUE(SaveSettingsCommand(saved));
    CCRCSettings loaded;
    loaded.m_szSettingsDir = "/kept";
    ASSERT_TRUE(LoadSettingsCommand(loaded));
    EXPECT_EQ(EncodeSettings(loaded), EncodeSettings(saved));
    EXPECT_EQ(loaded.m_szSettingsDir, "/kept");
}

TEST_F(SettingsFileTest, SaveCommandReplacesAnOlderLongerFile) {
    CCRCSettings longer = SomeOptions();
    longer.m_strInput.assign(1000, 'x');
    WriteFile(m_dir / "settings.dat", EncodeSettings(longer));
    ASSERT_TRUE(SaveSettingsCommand(CCRCSettings{}));
    EXPECT_EQ(ReadFile(m_dir / "settings.dat"), EncodeSettings(CCRCSettings{}));
}

TEST_F(SettingsFileTest, SaveKeepsThePermissionsOfTheReplacedFile) {
    WriteFile(m_dir / "settings.dat", "old");
    ASSERT_EQ(::chmod("settings.dat", 0640), 0);
    ASSERT_TRUE(SaveSettingsCommand(SomeOptions()));
    struct stat info {};
    ASSERT_EQ(::stat("settings.dat", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(SettingsFileTest, LoadCommandFailuresLeaveTheRecordUnchanged) {
    const std::string valid = EncodeSettings(CCRCSettings{});
    struct Case {
        const char* name;
        std::string contents;  // empty: no file at all
    };
    const Case cases[] = {
        {"missing", ""},
        {"truncated", valid.substr(0, 30)},
        {"wide string marker", valid.substr(0, 28) + "\xFF\xFE\xFF" + valid.substr(29)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_dir / "settings.dat");
        if (!c.contents.empty()) WriteFile(m_dir / "settings.dat", c.contents);
        CCRCSettings record = SomeOptions();
        EXPECT_FALSE(LoadSettingsCommand(record));
        EXPECT_EQ(EncodeSettings(record), EncodeSettings(SomeOptions()));
    }
}

TEST_F(SettingsFileTest, LoadRefusesAFileBeyondTheSizeCap) {
    // A valid start followed by a sparse hole: a settings file of 17 MiB is not taken.
    WriteFile(m_dir / "settings.dat", EncodeSettings(SomeOptions()));
    fs::resize_file(m_dir / "settings.dat", 17u * 1024u * 1024u);
    CCRCSettings record;
    EXPECT_FALSE(LoadSettingsCommand(record));
    EXPECT_EQ(EncodeSettings(record), EncodeSettings(CCRCSettings{}));
}

TEST_F(SettingsFileTest, LoadCommandRefusesADirectory) {
    fs::create_directory(m_dir / "settings.dat");
    CCRCSettings record = SomeOptions();
    EXPECT_FALSE(LoadSettingsCommand(record));
    EXPECT_EQ(EncodeSettings(record), EncodeSettings(SomeOptions()));
}

TEST_F(SettingsFileTest, SaveOverADirectoryFailsAndLeavesNoTemporaryFile) {
    fs::create_directory(m_dir / "settings.dat");
    EXPECT_FALSE(SaveSettingsCommand(SomeOptions()));
    EXPECT_TRUE(fs::is_directory(m_dir / "settings.dat"));
    EXPECT_EQ(EntriesIn(m_dir), 1u);
}

// A write that fails part-way, as on a full disk: the file size limit makes write() fail with
// EFBIG even for root, which a read-only permission would not.
TEST_F(SettingsFileTest, SaveThatFailsWhileWritingKeepsTheOldFile) {
    const std::string old = EncodeSettings(SomeOptions());
    WriteFile(m_dir / "settings.dat", old);
    CCRCSettings bigger = SomeOptions();
    bigger.m_strInput.assign(4096, 'n');

    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    struct sigaction ignore {
    }, previousAction{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previousAction), 0);
    struct rlimit small = previous;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    const bool saved = SaveSettingsCommand(bigger);

    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::sigaction(SIGXFSZ, &previousAction, nullptr);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(m_dir / "settings.dat"), old);
    EXPECT_EQ(EntriesIn(m_dir), 1u) << "a temporary file was left behind";
}

TEST(SettingsWriteHelper, FullDeviceIsAFailure) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0) GTEST_SKIP() << "/dev/full is not available";
    EXPECT_FALSE(WriteAllToDescriptor(fd, "some settings bytes"));
    ::close(fd);
}

TEST(SettingsWriteHelper, ReplaceIntoAMissingDirectoryFails) {
    EXPECT_FALSE(ReplaceFileAtomically("/nonexistent-quillmark-dir/settings.dat", "x"));
}

}  // namespace
}  // namespace quillmark
