// platform_chores_test.cpp - the small helpers the core shares: path splitting, case, owned
// descriptors, directory streams, identities and reads through signals.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <set>
#include <thread>

#include "platform/ascii_case.h"
#include "platform/directory_handle.h"
#include "platform/file_descriptor.h"
#include "platform/path_split.h"
#include "platform/posix_io.h"
#include "platform/regular_file.h"
#include "processing/result_line_append.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

TEST(SplitAtLastSlashTest, DirectoryKeepsItsSlashAndNameIsTheRest) {
    const struct {
        std::string_view path, directory, name;
    } rows[] = {
        {"", "", ""},           {"name.txt", "", "name.txt"},       {"/", "/", ""},
        {"/name", "/", "name"}, {"a/b/c.txt", "a/b/", "c.txt"},     {"dir/", "dir/", ""},
        {"a//b", "a//", "b"},   {"back\\slash", "", "back\\slash"},
    };
    for (const auto& row : rows) {
        const SplitPath parts = SplitAtLastSlash(row.path);
        EXPECT_EQ(parts.directory, row.directory) << row.path;
        EXPECT_EQ(parts.name, row.name) << row.path;
    }
}

TEST(AsciiCaseTest, OnlyAToZAreCapitals) {
    const struct {
        std::string_view text;
        bool capital;
    } rows[] = {
        {"", false},       {"abc", false},  {"aBc", true},
        {"Z", true},       {"@[`{", false}, {"\xC3\x84", false},  // U+00C4 is not ASCII
        {"path/To", true},
    };
    for (const auto& row : rows) EXPECT_EQ(HasAsciiCapital(row.text), row.capital) << row.text;
    EXPECT_TRUE(EqualIgnoringAsciiCase("Report.TXT", "report.txt"));
    EXPECT_FALSE(EqualIgnoringAsciiCase("\xC3\x84", "\xC3\xA4"));
    EXPECT_FALSE(EqualIgnoringAsciiCase("@", "`"));
}

bool IsOpenDescriptor(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

TEST(FileDescriptorTest, ClosesWhatItOwnsOnceAndHandsItOnWhenMoved) {
    TempDir temp;
    const std::string path = temp.Write("f");
    int first = -1;
    {
        FileDescriptor owner(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        first = owner.Get();
        ASSERT_TRUE(owner.IsOpen());
        FileDescriptor moved(std::move(owner));
        EXPECT_FALSE(owner.IsOpen());
        EXPECT_EQ(moved.Get(), first);
        EXPECT_TRUE(IsOpenDescriptor(first));
        const int second = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        moved.Reset(second);
        EXPECT_FALSE(IsOpenDescriptor(first));
        first = second;
    }
    EXPECT_FALSE(IsOpenDescriptor(first));
    const FileDescriptor failed(-1);
    EXPECT_FALSE(failed.IsOpen());
}

std::set<std::string> Entries(DIR* stream) {
    std::set<std::string> names;
    while (const dirent* entry = ::readdir(stream)) names.insert(entry->d_name);
    ::closedir(stream);
    return names;
}

TEST(OpenDirectoryStreamTest, EachStreamStartsAtTheFirstEntryAndLeavesTheDescriptorOpen) {
    TempDir temp;
    temp.Write("a");
    temp.Write("b");
    const FileDescriptor directory(::open(temp.Path().c_str(), O_RDONLY | O_DIRECTORY));
    const std::set<std::string> expected{".", "..", "a", "b"};
    for (int round = 0; round < 2; ++round) {
        DIR* stream = OpenDirectoryStream(directory.Get());
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(Entries(stream), expected) << round;
        EXPECT_TRUE(IsOpenDescriptor(directory.Get()));
    }
    const FileDescriptor file(::open((temp / "a").c_str(), O_RDONLY));
    errno = 0;
    EXPECT_EQ(OpenDirectoryStream(file.Get()), nullptr);
    EXPECT_EQ(errno, ENOTDIR);
}

TEST(FileIdentityTest, LinksShareAnIdentityAndOnlyExcludedOnesAreExcluded) {
    TempDir temp;
    const std::string original = temp.Write("original");
    const std::string other = temp.Write("other");
    ASSERT_EQ(::link(original.c_str(), (temp / "hard").c_str()), 0);
    struct stat a {
    }, b{}, c{};
    ASSERT_EQ(::stat(original.c_str(), &a), 0);
    ASSERT_EQ(::stat((temp / "hard").c_str(), &b), 0);
    ASSERT_EQ(::stat(other.c_str(), &c), 0);
    EXPECT_EQ(IdentityFromStat(a), IdentityFromStat(b));
    EXPECT_NE(IdentityFromStat(a), IdentityFromStat(c));
    const std::vector<FileIdentity> excluded{IdentityFromStat(c)};
    EXPECT_FALSE(IsExcluded(IdentityFromStat(a), excluded));
    EXPECT_TRUE(IsExcluded(IdentityFromStat(c), excluded));
    EXPECT_FALSE(IsExcluded(IdentityFromStat(c), {}));
}

void IgnoreSignal(int) {}

TEST(ReadRetryingSignalsTest, ASignalDuringTheReadIsNotAnError) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const FileDescriptor reader(ends[0]);
    const FileDescriptor writer(ends[1]);
    // Without SA_RESTART a signal interrupts the blocked read with EINTR.
    struct sigaction action {
    }, previous{};
    action.sa_handler = IgnoreSignal;
    ::sigemptyset(&action.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    const pthread_t reading = ::pthread_self();
    std::thread interrupter([&] {
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::pthread_kill(reading, SIGUSR1);
        }
        static_cast<void>(::write(writer.Get(), "xy", 2));
    });
    char buffer[8];
    const ssize_t got = ReadRetryingSignals(reader.Get(), buffer, sizeof buffer);
    interrupter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    ASSERT_EQ(got, 2);
    EXPECT_EQ(std::string_view(buffer, 2), "xy");
}

TEST(AppendCrcHexTest, EightDigitsInEitherCase) {
    const struct {
        std::uint32_t crc;
        HexLetters letters;
        const char* text;
    } rows[] = {
        {0x0000ABCDu, HexLetters::Lower, "0000abcd"},
        {0x0000ABCDu, HexLetters::Upper, "0000ABCD"},
        {0u, HexLetters::Upper, "00000000"},
        {0xFFFFFFFFu, HexLetters::Lower, "ffffffff"},
    };
    for (const auto& row : rows) {
        std::string out = "x";
        AppendCrcHex(out, row.crc, row.letters);
        EXPECT_EQ(out, std::string("x") + row.text);
    }
}

}  // namespace
}  // namespace quillmark::testing
