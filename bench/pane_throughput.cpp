// pane_throughput.cpp - a run over 100,000 small files into the window's pane, against the same
// run into an output file; prints both times and their ratio (run offscreen without a display).
//
// Usage: build/bench/pane_throughput [tree]   (the tree is made on first use and kept:
// making 100,000 files takes longer than checksumming them; default /tmp/quillmark-pane-tree)
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "processing/result_tree.h"
#include "ui/crc_frame.h"

namespace {

constexpr int kDirectories = 100;
constexpr int kFilesPerDirectory = 1000;

std::string EnsureTree(const std::string& root) {
    const std::string done = root + "/.complete";
    if (std::filesystem::exists(done)) return root;
    for (int d = 0; d < kDirectories; ++d) {
        const std::string dir = root + "/d" + std::to_string(d);
        std::filesystem::create_directories(dir);
        for (int f = 0; f < kFilesPerDirectory; ++f) {
            std::ofstream(dir + "/file" + std::to_string(f) + ".txt") << "line " << f << "\n";
        }
    }
    std::ofstream{done};
    return root;
}

double TimedRun(quillmark::CCrcFrame& frame) {
    QElapsedTimer timer;
    timer.start();
    frame.RunProcessing();
    // Laying out and painting what arrived is part of showing it.
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string tree = EnsureTree(argc > 1 ? argv[1] : "/tmp/quillmark-pane-tree");
    const std::string output = std::filesystem::temp_directory_path() / "quillmark-pane-out.txt";
    // The window reads and saves settings.dat in the working directory: a scratch one here.
    std::string scratch =
        (std::filesystem::temp_directory_path() / "quillmark-pane-XXXXXX").string();
    if (::mkdtemp(scratch.data()) == nullptr) return 2;
    std::filesystem::current_path(scratch);
    QApplication app(argc, argv);
    quillmark::ResultTree results;
    quillmark::CCrcFrame frame(results);
    frame.show();

    quillmark::CCRCSettings& settings = frame.Settings();
    settings.ResetDefaults();
    settings.m_strInput = tree + "/";
    settings.m_nOutputDest = 0;
    settings.m_strOutput = output;
    settings.UpdateFlags();
    TimedRun(frame);  // warms the directory and file caches
    std::filesystem::remove(output);
    const double fileSeconds = TimedRun(frame);
    std::filesystem::remove(output);

    settings.m_nOutputDest = 1;
    const double paneSeconds = TimedRun(frame);
    const int lines = frame.Pane()->blockCount();
    std::printf("files: %d  lines in pane: %d\n", kDirectories * kFilesPerDirectory, lines);
    std::printf("to output file: %.3f s  to pane: %.3f s  ratio pane/file: %.2f\n", fileSeconds,
                paneSeconds, paneSeconds / fileSeconds);
    frame.close();
    std::filesystem::remove_all(scratch);
    return lines >= 3 * kDirectories * kFilesPerDirectory ? 0 : 1;
}
