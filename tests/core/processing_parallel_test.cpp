// processing_parallel_test.cpp - many files in flight, the same output byte for byte: random
// trees against the one-at-a-time engine, cancel and failed writes mid-run, CRC combination, and
// the choice of how many reads to keep in flight.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <sys/resource.h>

#include <cerrno>
#include <cmath>
#include <random>
#include <tuple>

#include "checksum/crc_combine.h"
#include "platform/directory_handle.h"
#include "platform/open_fault.h"
#include "processing/check/listing_check.h"
#include "processing/engine/file_engine.h"
#include "processing/engine/in_flight_controller.h"
#include "tests/core/run_fakes.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

// Names with "unreadable" fail to open as if permission were denied, names with "vanished" as if
// deleted after the listing, directories with "locked" cannot be entered.
class FaultSeam {
public:
    FaultSeam() {
        SetOpenFaultForTesting([](std::string_view name) {
            if (name.find("unreadable") != std::string_view::npos) return EACCES;
            if (name.find("vanished") != std::string_view::npos) return ENOENT;
            if (name.find("locked") != std::string_view::npos) return EACCES;
            return 0;
        });
    }
    ~FaultSeam() { SetOpenFaultForTesting(nullptr); }
};

struct RunRecord {
    std::string pane;
    std::vector<std::string> messages;
    RunOutcome summary;
};

RunRecord RunWithJobs(const std::string& input, unsigned jobs, const CCRCSettings& base,
                      int failAfterWrites = -1, int cancelAfterPolls = -1) {
    RunHarness run;
    run.settings = base;
    run.jobs = jobs;
    run.pane.failAfterWrites = failAfterWrites;
    run.progress.cancelAfterPolls = cancelAfterPolls;
    RunRecord record;
    record.summary = run.Run(input);
    record.pane = run.pane.text_;
    for (const auto& message : run.presenter.messages) record.messages.push_back(message.text);
    return record;
}

void BuildRandomTree(const TempDir& temp, std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 19);
    std::uniform_int_distribution<int> smallSize(0, 3000);
    std::uniform_int_distribution<int> byte(0, 255);
    const char* directories[] = {"t/", "t/a/", "t/a/deep/", "t/b/", "t/locked/", "t/c/"};
    int counter = 0;
    for (const char* directory : directories) {
        const int files = 5 + static_cast<int>(random() % 30);
        for (int i = 0; i < files; ++i) {
            std::string name = "f" + std::to_string(counter++);
            const int k = kind(random);
            std::size_t size = static_cast<std::size_t>(smallSize(random));
            if (k == 0) size = 0;
            if (k == 1) size = 700000 + static_cast<std::size_t>(random() % 400000);  // buffers
            if (k == 2) name += "-unreadable";
            if (k == 3) name += "-vanished";
            if (k == 4) name = "Upper" + name;
            std::string content(size, '\0');
            for (char& c : content) {
                // Text with CR LF and LF line ends, so the text modes have work to do.
                const int b = byte(random);
                c = b < 20 ? '\n' : b < 30 ? '\r' : static_cast<char>('a' + b % 26);
            }
            temp.Write(directory + name + ".txt", content);
        }
    }
}

// Any tree, any mode: reading many files at once changes not a byte of the output, nor the
// messages, nor where they stand.
TEST(ParallelEngineTest, RandomTreesGiveTheSameOutputAsOneFileAtATime) {
    FaultSeam seam;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        TempDir temp;
        BuildRandomTree(temp, random);
        struct Mode {
            int sort, style, readMode, unixLF;
        };
        for (const Mode mode : {Mode{0, 1, 1, 0}, Mode{0, 0, 0, 0}, Mode{1, 1, 1, 1},
                                Mode{1, 1, 0, 0}, Mode{0, 1, 1, 1}}) {
            CCRCSettings settings;
            settings.m_bSortOutput = mode.sort;
            settings.m_nOutputStyle = mode.style;
            settings.m_nReadMode = mode.readMode;
            settings.m_bUnixLF = mode.unixLF;
            const RunRecord one = RunWithJobs(temp / "t/", 1, settings);
            ASSERT_FALSE(one.messages.empty()) << "the locked directory gives a message";
            for (const unsigned jobs : {0u, 2u, 8u}) {
                const RunRecord many = RunWithJobs(temp / "t/", jobs, settings);
                EXPECT_EQ(many.pane, one.pane) << "jobs " << jobs;
                EXPECT_EQ(many.messages, one.messages) << "jobs " << jobs;
                EXPECT_EQ(many.summary.filesProcessed, one.summary.filesProcessed);
                EXPECT_EQ(many.summary.filesUnreadable, one.summary.filesUnreadable);
                EXPECT_EQ(many.summary.bytesRead, one.summary.bytesRead);
            }
        }
    }
}

// A check of a random tree's listing after files were changed, removed and added: every outcome,
// note and count is the same whatever number of files is read at once.
TEST(ParallelEngineTest, ChecksOfChangedTreesGiveTheSameOutcomesAtEveryJobCount) {
    FaultSeam seam;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        TempDir temp;
        BuildRandomTree(temp, random);
        CCRCSettings settings;
        settings.m_nOutputStyle = 1;
        settings.m_nReadMode = seed == 2 ? 0 : 1;
        const std::string listing =
            temp.Write("listing.txt", RunWithJobs(temp / "t/", 1, settings).pane);
        int changed = 0, removed = 0;
        for (const auto& entry : fs::recursive_directory_iterator(temp / "t")) {
            if (!entry.is_regular_file()) continue;
            const int what = static_cast<int>(random() % 6);
            if (what == 0) {
                testing::WriteFile(entry.path(), "changed " + std::to_string(++changed));
            } else if (what == 1 && ++removed) {
                fs::remove(entry.path());
            }
        }
        temp.Write("t/a/added.txt", "new");
        temp.Write("t/c/Added.txt", "new too");
        ASSERT_GT(changed, 0);
        ASSERT_GT(removed, 0);

        struct SaidRecorder : CheckReporter {
            void OnMalformedLine(std::string_view, std::uint64_t line) override {
                said.push_back(std::to_string(line));
            }
            void OnNotice(std::string_view text) override { said.emplace_back(text); }
            std::vector<std::string> said;
        };
        auto check = [&](unsigned jobs) {
            CheckOptions options;
            options.readMode = settings.ChecksumReadMode();
            options.reportNew = true;
            options.jobs = jobs;
            StringSink out;
            SaidRecorder reporter;
            SilentProgressView progress;
            CheckEnvironment env{out, reporter, progress};
            CheckCounts counts;
            EXPECT_EQ(CheckListing(listing, options, env, counts).status, ListingStatus::Checked);
            return std::make_tuple(out.text_, reporter.said, FormatCheckSummary(counts));
        };
        const auto one = check(1);
        const std::string& outcomes = std::get<0>(one);
        for (const char* expected :
             {": OK\n", ": FAILED\n", ": MISSING\n", ": NEW\n", ": NOT RECORDED\n"}) {
            EXPECT_NE(outcomes.find(expected), std::string::npos) << expected;
        }
        for (const unsigned jobs : {0u, 2u, 8u}) EXPECT_EQ(check(jobs), one) << "jobs " << jobs;
    }
}

// A message stands among the results where the one-at-a-time run puts it: after every result
// of the files before the directory that could not be opened.
TEST(ParallelEngineTest, MessagesStandAfterTheResultsBeforeThem) {
    FaultSeam seam;
    TempDir temp;
    for (int i = 0; i < 40; ++i)
        temp.Write("t/a/f" + std::to_string(100 + i), std::string(5000, 'x'));
    temp.Write("t/b-locked/g");
    for (int i = 0; i < 40; ++i) temp.Write("t/c/h" + std::to_string(100 + i), "y");

    class PaneAtMessage : public MessagePresenter {
    public:
        explicit PaneAtMessage(const testing::StringSink& pane) : m_pane(pane) {}
        void ShowMessage(std::string_view, std::string_view) override {
            at.push_back(m_pane.text_.size());
        }
        std::vector<std::size_t> at;

    private:
        const testing::StringSink& m_pane;
    };
    std::vector<std::size_t> positions[2];
    for (const unsigned jobs : {1u, 8u}) {
        CCRCSettings settings;
        settings.m_nOutputStyle = 1;
        settings.m_strInput = temp / "t/";
        settings.UpdateFlags();
        testing::StringSink pane;
        PaneAtMessage presenter(pane);
        testing::RecordingProgressView progress;
        ResultTree tree;
        RunEnvironment env{pane, presenter, progress, tree};
        env.jobs = jobs;
        RunProcessing(settings, env);
        positions[jobs == 1 ? 0 : 1] = presenter.at;
    }
    ASSERT_EQ(positions[0].size(), 1u);
    EXPECT_EQ(positions[1], positions[0]);
}

// Cancel and a failed write with many files in flight: the output is a prefix of the whole
// run's, in whole lines, no descriptor is left open (the harness checks), nothing hangs.
TEST(ParallelEngineTest, CancelAndFailedWritesStopEveryWorker) {
    TempDir temp;
    for (int i = 0; i < 300; ++i) {
        temp.Write("t/d" + std::to_string(i % 7) + "/f" + std::to_string(i),
                   std::string(static_cast<std::size_t>(i) * 997 % 300000, 'z'));
    }
    CCRCSettings settings;
    settings.m_nOutputStyle = 1;
    const RunRecord whole = RunWithJobs(temp / "t/", 1, settings);
    for (const int polls : {1, 5, 40, 200}) {
        const RunRecord cancelled = RunWithJobs(temp / "t/", 8, settings, -1, polls);
        EXPECT_TRUE(cancelled.summary.cancelled) << polls;
        EXPECT_EQ(whole.pane.compare(0, cancelled.pane.size(), cancelled.pane), 0) << polls;
        EXPECT_TRUE(cancelled.pane.empty() || cancelled.pane.back() == '\n');
        EXPECT_LT(cancelled.pane.size(), whole.pane.size());
    }
    for (const int writes : {0, 1, 17, 250}) {
        const RunRecord failed = RunWithJobs(temp / "t/", 8, settings, writes);
        const RunRecord reference = RunWithJobs(temp / "t/", 1, settings, writes);
        EXPECT_EQ(failed.pane, reference.pane) << writes;
        EXPECT_EQ(failed.messages, reference.messages) << writes;
        ASSERT_EQ(failed.messages.size(), 1u);
    }
}

// Each waiting result keeps its directory open: a tree of one file per directory behind a long
// first file, run with few descriptors to spare, still reads every file, as one file at a time
// does.
TEST(ParallelEngineTest, WaitingResultsHoldFewDirectoriesOpen) {
    TempDir temp;
    std::filesystem::resize_file(temp.Write("t/a/long", ""), std::uintmax_t{1} << 30);
    for (int i = 0; i < 400; ++i) temp.Write("t/d" + std::to_string(i) + "/f", "one");
    CCRCSettings settings;
    settings.m_nOutputStyle = 1;
    const RunRecord whole = RunWithJobs(temp / "t/", 1, settings);
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit few = before;
    few.rlim_cur = 160;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    const RunRecord parallel = RunWithJobs(temp / "t/", 16, settings);
    ::setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(parallel.summary.filesUnreadable, 0u);
    EXPECT_TRUE(parallel.pane == whole.pane);  // 400 lines: the count above says what failed
    EXPECT_EQ(parallel.messages, whole.messages);
}

std::chrono::steady_clock::time_point g_pollClock;
std::chrono::steady_clock::time_point PollClock() { return g_pollClock; }

// With several files in flight the progress describes the oldest unfinished one: its path, its
// size once open, and how much of it has been read. The oldest file is a large sparse one, so it
// is still being read whatever the machine's speed, and the run is cancelled once a report has
// shown it open.
TEST(ParallelEngineTest, ProgressFollowsTheOldestUnfinishedFile) {
    TempDir temp;
    constexpr std::uintmax_t kHuge = std::uintmax_t{64} << 30;
    constexpr std::size_t kSize = 3 << 20;
    const std::string oldest = temp.Write("t/a.bin", "");
    std::filesystem::resize_file(oldest, kHuge);
    for (const char* name : {"b.bin", "c.bin", "d.bin"}) {
        temp.Write(std::string("t/") + name, std::string(kSize, 'p'));
    }
    RunHarness run;
    run.jobs = 3;
    run.clock = &PollClock;
    run.progress.onPoll = [&run](int polls) {
        g_pollClock += std::chrono::milliseconds(150);
        const auto& reports = run.progress.reports;
        // A bound on the wait, in case the file never shows as open: about ten seconds.
        if (polls > 500 || (!reports.empty() && reports.back().currentFileSize != 0)) {
            run.progress.cancelAfterPolls = 0;
        }
    };
    EXPECT_TRUE(run.Run(temp / "t/").cancelled);
    ASSERT_FALSE(run.progress.reports.empty());
    bool sawFile = false;
    for (const RunProgress& report : run.progress.reports) {
        EXPECT_LE(report.currentFileDone, report.currentFileSize) << report.currentPath;
        if (report.currentPath.empty()) continue;
        EXPECT_EQ(report.currentPath, oldest);
        if (report.currentFileSize == 0) continue;
        sawFile = true;
        EXPECT_EQ(report.currentFileSize, kHuge);
    }
    EXPECT_TRUE(sawFile);
    EXPECT_EQ(run.pane.text_, "");

    // Without it, the last report counts every byte of every file.
    std::filesystem::remove(oldest);
    RunHarness whole;
    whole.jobs = 3;
    whole.clock = &PollClock;
    whole.progress.onPoll = [](int) { g_pollClock += std::chrono::milliseconds(150); };
    whole.Run(temp / "t/");
    ASSERT_FALSE(whole.progress.reports.empty());
    EXPECT_EQ(whole.progress.reports.back().bytesDone, 3 * kSize);
}

// At one read at a time the feeding thread reads the file itself; it still reports between
// buffers, so a long file shows its progress and a cancel ends it mid-read.
TEST(FileEngineTest, AFileReadOnTheFeedingThreadStillReportsAndCancels) {
    struct Case {
        std::uintmax_t size;
        ReadMode mode;
    };
    const Case cases[] = {{std::uintmax_t{64} << 30, ReadMode::Binary},
                          {std::uintmax_t{64} << 30, ReadMode::Ascii},
                          {std::uintmax_t{48} << 20, ReadMode::UnixLf}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " mode " + std::to_string(static_cast<int>(c.mode)));
        TempDir temp;
        std::filesystem::resize_file(temp.Write("long.bin", ""), c.size);
        FileTask task;
        task.directory = std::make_shared<const DirectoryHandle>(*OpenDirectoryPath(temp.Path()));
        task.directoryText = std::make_shared<const std::string>(temp.Dir());
        task.name = "long.bin";
        testing::RecordingProgressView view;
        view.cancelAfterPolls = 3;
        ProgressMeter meter(view, std::chrono::nanoseconds(0));
        int delivered = 0;
        FileEngine engine(c.mode, ParallelChoice{1}, meter,
                          [&](const FileTask&, const FileOutcome&) { return ++delivered, true; });
        EXPECT_FALSE(engine.Submit(std::move(task)));
        EXPECT_TRUE(meter.Cancelled());
        EXPECT_EQ(delivered, 0);
        ASSERT_FALSE(view.reports.empty());
        EXPECT_EQ(view.reports.back().currentFileSize, c.size);
        EXPECT_EQ(view.reports.back().currentPath, temp.Dir() + "long.bin");
        EXPECT_GT(view.reports.back().currentFileDone, 0u);
        EXPECT_LT(view.reports.back().currentFileDone, c.size);
    }
}

TEST(CrcCombineTest, JoinsRangesAtRandomSplitPoints) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(1 << 20);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    const std::uint32_t whole = libdeflate_crc32(0, data.data(), data.size());
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t split = random() % (data.size() + 1);
        const std::uint32_t a = libdeflate_crc32(0, data.data(), split);
        const std::uint32_t b = libdeflate_crc32(0, data.data() + split, data.size() - split);
        ASSERT_EQ(CrcCombine(a, b, data.size() - split), whole) << "split at " << split;
    }
}

TEST(CrcCombineTest, SplitReadOfAFileMatchesTheWholeFile) {
    TempDir temp;
    std::mt19937 random(11);
    std::string content(3 * (1 << 20) + 12345, '\0');
    for (char& c : content) c = static_cast<char>(random());
    const std::string path = temp.Write("big.bin", content);
    for (const unsigned threads : {1u, 2u, 3u, 5u}) {
        std::optional<RegularFile> file = RegularFile::OpenAt(AT_FDCWD, path);
        ASSERT_TRUE(file);
        ReadProgress progress;
        const RawRead read = CrcTable().CrcBinaryRead(*file, file->Size(), progress, threads);
        ASSERT_EQ(read.status, RawReadStatus::Ok) << threads;
        EXPECT_EQ(~read.reg, testing::ReferenceCrc(content)) << threads;
        EXPECT_EQ(progress.bytes.load(), content.size());
        // A file shorter than its size as opened has no checksum.
        EXPECT_EQ(CrcTable().CrcBinaryRead(*file, file->Size() + 1, progress, threads).status,
                  RawReadStatus::ReadFailed);
    }
}

// The text modes split into ranges give exactly what one pass gives, whatever falls at the
// range edges: CR LF pairs cut in two, lone CRs, a Ctrl-Z in any range.
TEST(CrcCombineTest, SplitTextPassMatchesOnePass) {
    TempDir temp;
    constexpr std::size_t kMiB = 1 << 20;
    const char alphabet[] = {'a', 'b', '\r', '\n', '\r', '\n'};
    struct Edge {
        char before, at;
    };
    // Any pair in dense text; in plain text only pairs that keep its line ends what they are, so
    // that the text pass gives the checksum and its bytes are compared too.
    const Edge anyEdges[] = {{'\r', '\n'}, {'\r', 'a'}, {'a', '\n'}, {'\n', '\r'}, {'\r', '\r'}};
    const Edge crLfEdges[] = {{'\r', '\n'}, {'\r', 'a'}, {'\r', '\r'}, {'\r', '\n'}, {'\r', 'b'}};
    // One CR LF pair cut by a range edge is all that makes LF text fail in Unix LF mode.
    const Edge lfEdges[] = {{'a', '\n'}, {'\n', 'a'}, {'\r', 'a'}, {'\r', '\n'}, {'\r', 'b'}};
    std::mt19937 random(5);
    CrcTable table;
    int textResults = 0;    // comparisons where the text pass itself gave the checksum
    int binaryResults = 0;  // ... and where it gave the binary checksum of a mismatched count
    for (int round = 0; round < 12; ++round) {
        std::string content(3 * kMiB + random() % 5000, 'x');
        const bool denseLineEnds = round % 2 == 0;
        for (char& c : content) c = denseLineEnds ? alphabet[random() % 6] : alphabet[random() % 2];
        // Plain text with CR LF or LF line ends, so that the counts can match the size.
        if (!denseLineEnds) {
            for (std::size_t i = 60; i + 1 < content.size(); i += 61) {
                if (round % 4 == 1) content[i - 1] = '\r';
                content[i] = '\n';
            }
        }
        for (std::size_t edge = 1; edge <= 3; ++edge) {
            const Edge* edges = denseLineEnds ? anyEdges : round % 4 == 1 ? crLfEdges : lfEdges;
            const Edge& chosen = edges[(static_cast<std::size_t>(round) + edge) % 5];
            content[edge * kMiB - 1] = chosen.before;
            content[edge * kMiB] = chosen.at;
        }
        if (round % 3 == 2) content[kMiB + random() % (2 * kMiB)] = '\x1a';
        const std::string path = temp.Write("text" + std::to_string(round), content);
        for (const ReadMode mode : {ReadMode::Ascii, ReadMode::UnixLf}) {
            const testing::ReferenceTextPass reference = testing::ReferenceText(
                testing::ToBytes(content), content.size(), mode == ReadMode::UnixLf);
            const std::uint32_t binaryCrc = testing::ReferenceCrc(content);
            std::optional<RegularFile> file = RegularFile::OpenAt(AT_FDCWD, path);
            ASSERT_TRUE(file);
            for (const unsigned threads : {1u, 2u, 3u, 4u}) {
                ReadProgress progress;
                std::optional<RawRead> binary;
                const RawRead split =
                    table.CrcTextRead(*file, content.size(), mode, progress, threads, &binary);
                ASSERT_EQ(split.status,
                          reference.countMatches ? RawReadStatus::Ok : RawReadStatus::CountMismatch)
                    << "round " << round << " mode " << static_cast<int>(mode) << " threads "
                    << threads;
                if (reference.countMatches) {
                    EXPECT_EQ(~split.reg, reference.crc)
                        << "round " << round << " threads " << threads;
                    EXPECT_FALSE(binary);
                    ++textResults;
                }
                // A text pass that read every byte in vain has the binary checksum too.
                if (binary) {
                    EXPECT_EQ(binary->status, RawReadStatus::Ok);
                    EXPECT_EQ(~binary->reg, binaryCrc)
                        << "round " << round << " threads " << threads;
                    ++binaryResults;
                }
            }
        }
    }
    EXPECT_GE(textResults, 8);
    EXPECT_GE(binaryResults, 8);
}

// Simulated devices: the controller must settle near one read at a time on a device that
// thrashes, and near its ceiling on one that rewards many.
TEST(InFlightControllerTest, SettlesWhereTheDeviceIsFastest) {
    struct Device {
        const char* name;
        double (*throughput)(unsigned inFlight);
        double (*busyCores)(unsigned inFlight);  // of two
        unsigned lowest, highest;                // where the limit must stay once settled
        unsigned best;  // where it must spend most of its samples (0: any between them will do)
    };
    const auto waiting = [](unsigned) { return 0.3; };
    const Device devices[] = {
        {"rotating disk", [](unsigned n) { return 100.0 / (1 + 0.4 * (n - 1)); }, waiting, 1, 2, 1},
        {"flash", [](unsigned n) { return 100.0 * std::sqrt(std::min(n, 16u)); }, waiting, 8, 16,
         16},
        {"best at four", [](unsigned n) { return 100.0 - 8.0 * std::abs(std::log2(n / 4.0)); },
         waiting, 2, 8, 0},
        // Files in the page cache on two busy cores: samples that seem to reward more reads in
        // flight are noise, and the limit stays at one read per core or below.
        {"page cache, cores busy", [](unsigned n) { return 100.0 * (1 + 0.15 * std::log2(n)); },
         [](unsigned n) { return std::min(2.0, 1.0 * n); }, 1, 2, 2},
        {"flash that keeps every core busy",
         [](unsigned n) { return 100.0 * std::sqrt(std::min(n, 16u)); },
         [](unsigned n) { return n >= 2 ? 1.9 : 0.95; }, 1, 2, 2},
    };
    for (const Device& device : devices) {
        InFlightController controller(4, 16, 2);
        unsigned lowest = 16, highest = 1;
        int atBest = 0;
        for (int sample = 0; sample < 200; ++sample) {
            const unsigned limit = controller.Limit();
            controller.OnSample(device.throughput(limit), device.busyCores(limit));
            if (sample >= 20) {
                lowest = std::min(lowest, controller.Limit());
                highest = std::max(highest, controller.Limit());
                atBest += controller.Limit() == device.best ? 1 : 0;
            }
        }
        EXPECT_GE(lowest, device.lowest) << device.name;
        EXPECT_LE(highest, device.highest) << device.name;
        // Probes away from the best are few once they keep finding nothing better.
        if (device.best != 0) {
            EXPECT_GE(atBest, 180 * 92 / 100) << device.name;
        }
    }
}

// Busy cores at the first sample mean a run in the page cache: one read per core at once. Later
// a single busy sample is a burst (cold reads cost processor time too) and changes nothing; two
// in a row bring the limit down.
TEST(InFlightControllerTest, BusyCoresCapTheLimitAtOnceOnlyAtTheStart) {
    InFlightController warm(4, 16, 2);
    warm.OnSample(100, 1.9);
    EXPECT_EQ(warm.Limit(), 2u);

    const auto flash = [](unsigned n) { return 100.0 * std::sqrt(std::min(n, 16u)); };
    InFlightController cold(4, 16, 2);
    unsigned lowest = 16;
    for (int sample = 0; sample < 200; ++sample) {
        const bool burst = sample % 3 == 2;
        cold.OnSample(flash(cold.Limit()), burst ? 1.9 : 1.2);
        if (sample >= 20) lowest = std::min(lowest, cold.Limit());
    }
    EXPECT_GE(lowest, 8u);
    for (int sample = 0; sample < 2; ++sample) cold.OnSample(flash(cold.Limit()), 1.9);
    EXPECT_EQ(cold.Limit(), 2u);
}

// However long it has settled, the controller still finds a device that got faster at more reads
// in flight (the walk moved on to flash), by a probe within a few seconds' worth of samples.
TEST(InFlightControllerTest, FindsABetterLimitAfterALongPlateau) {
    const auto rotating = [](unsigned n) { return 100.0 / (1 + 0.4 * (n - 1)); };
    const auto flash = [](unsigned n) { return 100.0 * std::sqrt(std::min(n, 16u)); };
    InFlightController controller(4, 16, 2);
    for (int sample = 0; sample < 400; ++sample) {
        controller.OnSample(rotating(controller.Limit()), 0.3);
    }
    EXPECT_LE(controller.Limit(), 2u);
    int samples = 0;
    while (controller.Limit() < 8 && samples < 80) {
        controller.OnSample(flash(controller.Limit()), 0.3);
        ++samples;
    }
    EXPECT_GE(controller.Limit(), 8u) << samples;
}

}  // namespace
}  // namespace quillmark::testing
