// real_machine_test.cpp - what a Linux machine holds besides ordinary files: pseudo-files, files
// written while they are read, devices behind links, devices that never answer.
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>

#include "platform/directory_handle.h"
#include "platform/open_fault.h"
#include "platform/regular_file.h"
#include "processing/check/listing_check.h"
#include "processing/engine/file_engine.h"
#include "tests/core/checksum_support.h"
#include "tests/core/result_line_support.h"
#include "tests/core/run_fakes.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

struct ReadSeam {
    explicit ReadSeam(ReadFault fault) { SetReadFaultForTesting(std::move(fault)); }
    ~ReadSeam() { SetReadFaultForTesting(nullptr); }
};

TEST(PseudoFileTest, NothingIsReadPastTheSizeTheFileReports) {
    // Files of /proc report size 0: reading one buffer of /proc/kmsg would take the kernel log
    // away from the system's reader, and block the next time.
    int reads = 0;
    ReadSeam seam([&](std::uint8_t*, std::size_t, std::uint64_t) { return ++reads, 0; });
    for (const ReadMode mode : {ReadMode::Binary, ReadMode::Ascii, ReadMode::UnixLf}) {
        const CrcResult result = ComputeFileCrcOf("/proc/self/status", 0, mode);
        EXPECT_EQ(result.status, CrcStatus::Ok);
        EXPECT_EQ(result.crc, 0u);
    }
    EXPECT_EQ(reads, 0);
}

timespec Epoch() { return {}; }
timespec FarFuture() { return {std::numeric_limits<std::int32_t>::max(), 0}; }

// A write already under way at the open, or begun within the same clock tick, leaves the size and
// times as they were: only a second read, once such a write has had time to end, can tell. A file
// that changed recently, or whose change time lies ahead of this machine's clock, is read twice,
// and two different checksums give the read-error line.
TEST(TornReadTest, RecentlyChangedFilesAreReadTwiceAndMustAgree) {
    struct Case {
        const char* name;
        FileEngine::RealTime clock;  // null: the system's, the file having just been written
        bool changeSecondRead;
        int passes;
        CrcStatus status;
    };
    const Case cases[] = {
        {"just written", nullptr, false, 2, CrcStatus::Ok},
        {"settled long ago", &FarFuture, false, 1, CrcStatus::Ok},
        {"changed in the future", &Epoch, false, 2, CrcStatus::Ok},
        {"rewritten between the reads", nullptr, true, 2, CrcStatus::Changed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir temp;
        temp.Write("f.txt", std::string(300000, 'A'));
        int passes = 0;
        ReadSeam seam([&](std::uint8_t* data, std::size_t, std::uint64_t offset) {
            if (offset == 0) ++passes;
            if (c.changeSecondRead && passes == 2) data[0] = 'B';
            return 0;
        });
        // A file is settled a tenth of a second after its last change here.
        FileEngine::SetClockForTesting(c.clock, std::chrono::milliseconds(100));
        RecordingProgressView view;
        ProgressMeter meter(view);
        CrcResult result;
        FileEngine engine(ReadMode::Binary, ParallelChoice{1}, meter,
                          [&](const FileTask&, const FileOutcome& outcome) {
                              result = outcome.result;
                              return true;
                          });
        FileTask task;
        task.directory = std::make_shared<const DirectoryHandle>(*OpenDirectoryPath(temp.Path()));
        task.directoryText = std::make_shared<const std::string>(temp.Dir());
        task.name = "f.txt";
        EXPECT_TRUE(engine.Submit(std::move(task)));
        EXPECT_TRUE(engine.Drain());
        FileEngine::SetClockForTesting(nullptr, {});
        EXPECT_EQ(passes, c.passes);
        EXPECT_EQ(result.status, c.status);
        if (c.status == CrcStatus::Ok) {
            EXPECT_EQ(result.crc, ReferenceCrc(std::string(300000, 'A')));
        }
    }
}

// The device a link is retargeted to between the listing and the open is never opened (a tape
// rewinds, a watchdog arms on open): an inotify watch on a device node of our own sees no open.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_device = m_temp.Dir() + "null";
        if (::mknod(m_device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) {
            GTEST_SKIP() << "cannot make a device node: " << std::strerror(errno);
        }
        m_temp.Write("real.txt", "regular");
        fs::create_symlink("real.txt", m_temp / "f");
        fs::create_symlink(m_device, m_temp / "to-device");
        m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(m_inotify, 0);
        ASSERT_GE(::inotify_add_watch(m_inotify, m_device.c_str(), IN_OPEN), 0);
        m_directory.emplace(*OpenDirectoryPath(m_temp.Path()));
    }
    void TearDown() override {
        SetOpenFaultForTesting(nullptr);
        SetProcFdDirectoryForTesting({});
        if (m_inotify >= 0) ::close(m_inotify);
    }
    bool DeviceWasOpened() const {
        char events[4096];
        return ::read(m_inotify, events, sizeof events) > 0;
    }
    int OpenError(const std::string& name, NameSource source = NameSource::Listed) const {
        int error = 0;
        EXPECT_FALSE(RegularFile::OpenAt(m_directory->Descriptor(), name, &error, source));
        return error;
    }

    TempDir m_temp;
    std::string m_device;
    int m_inotify = -1;
    std::optional<DirectoryHandle> m_directory;
};

TEST_F(DeviceTest, ALinkRetargetedToADeviceIsNotFollowedThere) {
    // The walk saw a link to a regular file; just before the open it leads to the device.
    SetOpenFaultForTesting([&](std::string_view name) {
        if (name == "f") fs::rename(m_temp / "to-device", m_temp / "f");
        return 0;
    });
    EXPECT_EQ(OpenError("f"), EINVAL);
    EXPECT_FALSE(DeviceWasOpened());
}

TEST_F(DeviceTest, ADeviceAListingNamesIsNotOpened) {
    EXPECT_EQ(OpenError("null", NameSource::Given), EINVAL);
    EXPECT_EQ(OpenError("to-device", NameSource::Given), EINVAL);
    EXPECT_FALSE(DeviceWasOpened());
}

// A check reads which of a directory's names are regular files from the directory itself, once
// it names a second file there: a device, or a link to one, among them is still never opened.
TEST_F(DeviceTest, ACheckOpensNoDeviceItsListingNames) {
    struct Reporter : CheckReporter {
        void OnMalformedLine(std::string_view, std::uint64_t) override {}
        void OnNotice(std::string_view) override {}
    } reporter;
    std::string listing;
    for (const char* name : {"real.txt", "null", "to-device", "f"}) {
        listing += FormatTabularLine(ReferenceCrc("regular"), 7, m_temp.Dir() + name);
    }
    for (const unsigned jobs : {1u, 0u}) {
        CheckOptions options;
        options.jobs = jobs;
        StringSink out;
        RecordingProgressView progress;
        CheckEnvironment env{out, reporter, progress};
        CheckCounts counts;
        CheckListing(m_temp.Write("listing", listing), options, env, counts);
        EXPECT_EQ(counts.ok, 2u) << out.text_;
        EXPECT_EQ(counts.unreadable, 2u) << out.text_;
    }
    EXPECT_FALSE(DeviceWasOpened());
}

TEST_F(DeviceTest, WithoutProcALinkIsRefusedAndAFileStillOpens) {
    SetProcFdDirectoryForTesting("/nonexistent/fd/");
    EXPECT_EQ(OpenError("f"), ENOTSUP);
    EXPECT_TRUE(RegularFile::OpenAt(m_directory->Descriptor(), "real.txt"));
    SetProcFdDirectoryForTesting({});
    EXPECT_TRUE(RegularFile::OpenAt(m_directory->Descriptor(), "f"));
}

// A view whose cancel another thread sets, as the terminal's Ctrl+C handler does.
class InterruptibleView : public RecordingProgressView {
public:
    bool IsCancelRequested() override { return cancel.load(); }
    std::atomic<bool> cancel{false};
};

// Blocks as a read or an open of a device that never answers does, until a signal arrives.
int BlockUntilSignalled() {
    const timespec wait{30, 0};
    return ::ppoll(nullptr, 0, &wait, nullptr) < 0 && errno == EINTR ? EINTR : 0;
}

void OnSignal(int) {}

// Ctrl+C ends a run at once even while a read or an open waits on a device: the signal reaches
// the thread that started the run (the program's own threads keep it away), and workers blocked
// elsewhere are woken.
TEST(InterruptTest, CancelEndsARunWhileAnOpenOrAReadBlocks) {
    struct sigaction action {
    }, previous{};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &previous);
    for (const bool inRead : {false, true}) {
        for (const unsigned jobs : {1u, 0u}) {
            SCOPED_TRACE(std::string(inRead ? "read" : "open") + " jobs " + std::to_string(jobs));
            TempDir temp;
            temp.Write("t/a.txt", "a");
            temp.Write("t/blocked.txt", "blocked");
            temp.Write("t/c.txt", "c");
            SetOpenFaultForTesting([&](std::string_view name) {
                return !inRead && name == "blocked.txt" ? BlockUntilSignalled() : 0;
            });
            ReadSeam seam([&](std::uint8_t* data, std::size_t, std::uint64_t) {
                return inRead && data[0] == 'b' ? BlockUntilSignalled() : 0;
            });
            CCRCSettings settings;
            settings.m_strInput = temp / "t/";
            StringSink pane;
            RecordingPresenter presenter;
            InterruptibleView view;
            ResultTree tree;
            RunEnvironment env{pane, presenter, view, tree};
            env.jobs = jobs;
            const pthread_t runThread = ::pthread_self();
            std::thread ctrlC([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                view.cancel = true;
                ::pthread_kill(runThread, SIGINT);
            });
            const auto start = std::chrono::steady_clock::now();
            const RunOutcome outcome = RunProcessing(settings, env);
            const auto took = std::chrono::steady_clock::now() - start;
            ctrlC.join();
            SetOpenFaultForTesting(nullptr);
            EXPECT_TRUE(outcome.cancelled);
            // Without the wake-up the run would wait out the 30 s block.
            EXPECT_LT(took, std::chrono::seconds(10));
            EXPECT_EQ(pane.text_.find("blocked"), std::string::npos) << pane.text_;
        }
    }
    ::sigaction(SIGINT, &previous, nullptr);
}

}  // namespace
}  // namespace quillmark::testing
