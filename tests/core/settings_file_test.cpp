// settings_file_test.cpp - settings.dat on disk: start-up, exit save, the Load and Save
// commands, and saves that fail part-way.
#include "settings/settings_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <functional>

#include "platform/posix_io.h"
#include "tests/core/settings_builder.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

namespace fs = std::filesystem;

CCRCSettings SomeOptions() {
    return Settings()
        .Sort()
        .Tabular()
        .Ascii()
        .ToFile()
        .Input("/srv/files/")
        .Output("sums.txt")
        .Build();
}

const std::string kDefaultFile = EncodeSettings(CCRCSettings{});

// Each test runs in a fresh temporary directory, so the user's own settings.dat is never read
// or replaced.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { fs::current_path(m_temp.Path()); }

    std::size_t EntriesIn(const fs::path& directory) const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), {}));
    }

    testing::TempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
    testing::CwdGuard m_guard;  // put back before the directory goes
};

// Start-up reads settings.dat of the working directory and remembers that directory; a missing
// or damaged file gives the defaults.
TEST_F(SettingsFileTest, StartupReadsTheFileOrTakesDefaults) {
    const std::string stored = EncodeSettings(SomeOptions());
    const std::array<std::string, 3> rows[] = {
        {"missing", "", kDefaultFile},
        {"valid", stored, stored},
        {"damaged", stored.substr(0, stored.size() - 1), kDefaultFile},
    };
    for (const auto& [name, contents, expected] : rows) {
        SCOPED_TRACE(name);
        fs::remove(m_dir / "settings.dat");
        if (!contents.empty()) WriteFile(m_dir / "settings.dat", contents);
        CCRCSettings record = SomeOptions();
        LoadSettingsAtStartup(record);
        EXPECT_EQ(EncodeSettings(record), expected);
        EXPECT_EQ(record.m_szSettingsDir, m_dir.string());
    }
}

TEST_F(SettingsFileTest, ExitSaveGoesToTheRememberedDirectory) {
    CCRCSettings record;
    LoadSettingsAtStartup(record);
    fs::create_directory(m_dir / "elsewhere");
    fs::current_path(m_dir / "elsewhere");

    ASSERT_TRUE(SaveSettingsAtExit(record));
    EXPECT_EQ(ReadFile(m_dir / "settings.dat"), kDefaultFile);
    EXPECT_FALSE(fs::exists(m_dir / "elsewhere" / "settings.dat"));
    EXPECT_EQ(EntriesIn(m_dir), 2u) << "a temporary file was left behind";
}

TEST_F(SettingsFileTest, ExitSaveWithoutADirectoryToGoToFailsAndWritesNothing) {
    for (const std::string& remembered : {std::string(), (m_dir / "gone").string()}) {
        CCRCSettings record = SomeOptions();
        record.m_szSettingsDir = remembered;
        EXPECT_FALSE(SaveSettingsAtExit(record)) << remembered;
        EXPECT_EQ(EntriesIn(m_dir), 0u) << remembered;
    }
}

TEST_F(SettingsFileTest, SaveThenLoadCommandsRestoreEveryField) {
    CCRCSettings saved = SomeOptions();
    saved.UpdateFlags();
    ASSERT_TRUE(SaveSettingsCommand(saved));
    CCRCSettings loaded;
    loaded.m_szSettingsDir = "/kept";
    ASSERT_TRUE(LoadSettingsCommand(loaded));
    EXPECT_EQ(EncodeSettings(loaded), EncodeSettings(saved));
    EXPECT_EQ(loaded.m_szSettingsDir, "/kept");
}

// A settings.dat that is a link (into a dotfiles directory, say) stays a link: its target is
// replaced, atomically, beside itself.
TEST_F(SettingsFileTest, SaveThroughALinkReplacesItsTarget) {
    fs::create_directory(m_dir / "dotfiles");
    WriteFile(m_dir / "dotfiles/quillmark.dat", kDefaultFile);
    fs::create_symlink("dotfiles/quillmark.dat", m_dir / "settings.dat");
    ASSERT_TRUE(SaveSettingsCommand(SomeOptions()));
    EXPECT_TRUE(fs::is_symlink(m_dir / "settings.dat"));
    EXPECT_EQ(ReadFile(m_dir / "dotfiles/quillmark.dat"), EncodeSettings(SomeOptions()));
    EXPECT_EQ(EntriesIn(m_dir / "dotfiles"), 1u) << "a temporary file was left behind";
}

// In a sticky world-writable directory such as /tmp, a link planted by another user must not
// make a save overwrite what it points to. Root is held to the rule too, so as root the test
// hands the links to user 65534 instead of needing a second user.
TEST_F(SettingsFileTest, LinksInSharedStickyDirectoriesAreFollowedOnlyForTheirOwners) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
    struct Row {
        const char* name;
        mode_t directoryMode;
        uid_t directoryOwner;
        uid_t linkOwner;
        bool followed;
    };
    const Row rows[] = {
        {"another user's link in a shared sticky directory", 01777, 0, 65534, false},
        {"the user's own link there", 01777, 0, 0, true},
        {"a link of the directory's owner", 01777, 65534, 65534, true},
        {"sticky, not world-writable", 01775, 0, 65534, true},
        {"world-writable, not sticky", 0777, 0, 65534, true},
    };
    const std::string saved = EncodeSettings(SomeOptions());
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path directory = m_dir / ("shared" + std::to_string(index));
        const fs::path victim = m_dir / ("victim" + std::to_string(index++));
        WriteFile(victim, "precious");
        fs::create_directory(directory);
        ASSERT_EQ(::chown(directory.c_str(), row.directoryOwner, row.directoryOwner), 0);
        ASSERT_EQ(::chmod(directory.c_str(), row.directoryMode), 0);
        const fs::path link = directory / "settings.dat";
        fs::create_symlink(victim, link);
        ASSERT_EQ(::lchown(link.c_str(), row.linkOwner, row.linkOwner), 0);

        EXPECT_EQ(WriteSettingsFile(link, SomeOptions()), row.followed);
        EXPECT_EQ(ReadFile(victim), row.followed ? saved : "precious");
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(EntriesIn(directory), 1u) << "a temporary file was left behind";
    }
}

// Every link met on the way from settings.dat's own name is held to the rule: the second of a
// chain, and one standing for a directory inside a link's target.
TEST_F(SettingsFileTest, EveryLinkOnTheWayIsHeldToTheRule) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
    const fs::path shared = m_dir / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    fs::create_directory(m_dir / "private");
    WriteFile(m_dir / "private/victim", "precious");
    auto planted = [](const fs::path& target, const fs::path& link) {
        fs::create_symlink(target, link);
        return ::lchown(link.c_str(), 65534, 65534) == 0;
    };
    ASSERT_TRUE(planted(m_dir / "private/victim", shared / "file"));
    ASSERT_TRUE(planted(m_dir / "private", shared / "directory"));

    for (const fs::path& target : {shared / "file", shared / "directory/victim"}) {
        SCOPED_TRACE(target.string());
        fs::remove(m_dir / "settings.dat");
        fs::create_symlink(target, m_dir / "settings.dat");
        EXPECT_FALSE(SaveSettingsCommand(SomeOptions()));
        EXPECT_EQ(ReadFile(m_dir / "private/victim"), "precious");
    }
    // The same chain through the user's own links is followed.
    fs::remove(m_dir / "settings.dat");
    fs::create_symlink("private/victim", m_dir / "settings.dat");
    EXPECT_TRUE(SaveSettingsCommand(SomeOptions()));
    EXPECT_EQ(ReadFile(m_dir / "private/victim"), EncodeSettings(SomeOptions()));
}

// A settings.dat its user may not write stays, though the directory would let a rename replace
// it. Root may write any file, so as root the save runs as user 65534 in a child process.
TEST_F(SettingsFileTest, ReadOnlySettingsFileIsNotReplaced) {
    const std::string old = EncodeSettings(CCRCSettings{});
    WriteFile(m_dir / "settings.dat", old);
    ASSERT_EQ(::chmod((m_dir / "settings.dat").c_str(), 0444), 0);
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(::chown(m_dir.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown((m_dir / "settings.dat").c_str(), 65534, 65534), 0);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (asRoot && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        ::_exit(SaveSettingsCommand(SomeOptions()) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "0: the file was replaced; 2: no user 65534";
    EXPECT_EQ(ReadFile(m_dir / "settings.dat"), old);
    EXPECT_EQ(EntriesIn(m_dir), 1u) << "a temporary file was left behind";
    if (asRoot) ::chown(m_dir.c_str(), 0, 0);
}

TEST_F(SettingsFileTest, SaveReplacesALongerFileAndKeepsItsPermissions) {
    CCRCSettings longer = SomeOptions();
    longer.m_strInput.assign(1000, 'x');
    WriteFile(m_dir / "settings.dat", EncodeSettings(longer));
    ASSERT_EQ(::chmod("settings.dat", 0640), 0);
    ASSERT_TRUE(SaveSettingsCommand(CCRCSettings{}));
    EXPECT_EQ(ReadFile(m_dir / "settings.dat"), kDefaultFile);
    struct stat info {};
    ASSERT_EQ(::stat("settings.dat", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(SettingsFileTest, LoadCommandFailuresLeaveTheRecordUnchanged) {
    struct Row {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    const Row rows[] = {
        {"missing", [](const fs::path&) {}},
        {"truncated", [](const fs::path& path) { WriteFile(path, kDefaultFile.substr(0, 30)); }},
        {"directory", [](const fs::path& path) { fs::create_directory(path); }},
        // Refused at once: a read would wait for a writer that never comes.
        {"FIFO", [](const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }},
        // A valid start followed by a sparse hole: a settings file of 17 MiB is not taken.
        {"beyond the size cap",
         [](const fs::path& path) {
             WriteFile(path, kDefaultFile);
             fs::resize_file(path, 17u * 1024u * 1024u);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(m_dir / "settings.dat");
        row.make(m_dir / "settings.dat");
        CCRCSettings record = SomeOptions();
        EXPECT_FALSE(LoadSettingsCommand(record));
        EXPECT_EQ(EncodeSettings(record), EncodeSettings(SomeOptions()));
    }
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

    bool saved = true;
    {
        testing::FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.Active());
        saved = SaveSettingsCommand(bigger);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(m_dir / "settings.dat"), old);
    EXPECT_EQ(EntriesIn(m_dir), 1u) << "a temporary file was left behind";
}

TEST(SettingsWriteHelper, FullDeviceIsAFailure) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0) GTEST_SKIP() << "/dev/full is not available";
    EXPECT_FALSE(WriteAll(fd, "some settings bytes").Whole());
    ::close(fd);
}

}  // namespace
}  // namespace quillmark::testing
