// pane_throughput_measure.cpp - measures a run over 100,000 small files into the pane against the
// same run into an output file. Disabled in normal test runs; run it with
//   ui_tests --gtest_also_run_disabled_tests --gtest_filter='*PaneThroughput*'
// It prints the two times and their ratio; timings are machine-dependent, so nothing is asserted
// about them.
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>

#include "tests/ui/frame_fixture.h"

namespace quillmark::test {
namespace {

constexpr int kDirectories = 100;
constexpr int kFilesPerDirectory = 1000;

// Kept between measurements: making 100,000 files takes longer than checksumming them.
std::string EnsureTree() {
    const char* fromEnv = std::getenv("QUILLMARK_PANE_TREE");
    std::string root = fromEnv != nullptr ? fromEnv : "/tmp/quillmark-pane-tree";
    std::string done = root + "/.complete";
    if (std::filesystem::exists(done)) return root;
    for (int d = 0; d < kDirectories; ++d) {
        std::string dir = root + "/d" + std::to_string(d);
        std::filesystem::create_directories(dir);
        for (int f = 0; f < kFilesPerDirectory; ++f) {
            std::ofstream(dir + "/file" + std::to_string(f) + ".txt") << "line " << f << "\n";
        }
    }
    std::ofstream{done};
    return root;
}

double TimedRun(CCrcFrame& frame) {
    QElapsedTimer timer;
    timer.start();
    frame.RunProcessing();
    // Laying out and painting what arrived is part of showing it.
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

TEST_F(FrameTest, DISABLED_PaneThroughputAgainstAnOutputFile) {
    const std::string tree = EnsureTree();
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(tree);
    frame.Settings().m_bDirWildcards = 0;
    frame.Settings().m_nOutputDest = 0;
    frame.Settings().m_strOutput = Scratch() + "/out.txt";
    frame.Settings().UpdateFlags();

    TimedRun(frame);  // warms the directory and file caches
    std::filesystem::remove(Scratch() + "/out.txt");
    const double fileSeconds = TimedRun(frame);

    frame.Settings().m_nOutputDest = 1;
    const double paneSeconds = TimedRun(frame);

    const int lines = frame.Pane()->blockCount();
    std::printf("files: %d  lines in pane: %d\n", kDirectories * kFilesPerDirectory, lines);
    std::printf("to output file: %.3f s  to pane: %.3f s  ratio pane/file: %.2f\n", fileSeconds,
                paneSeconds, paneSeconds / fileSeconds);
    EXPECT_GE(lines, 3 * kDirectories * kFilesPerDirectory);
}

}  // namespace
}  // namespace quillmark::test
