// progress_sampler.cpp - a run of the window over one file, with the progress window's bytes and
// rate read every 50 ms: prints how often each changed while the file was read.
//
// Usage (under an X server, e.g. Xvfb): build/bench/progress_sampler FILE
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "processing/result_tree.h"
#include "ui/crc_frame.h"
#include "ui/gui_progress_view.h"

namespace {

// When a label's text changed, in ms since the run began.
struct LabelChanges {
    QString last;
    std::vector<qint64> at;

    void Sample(const QLabel* label, qint64 now) {
        if (label == nullptr || label->text() == last) return;
        last = label->text();
        at.push_back(now);
    }
    qint64 LongestGap(qint64 end) const {
        qint64 longest = 0;
        for (std::size_t i = 1; i < at.size(); ++i) longest = std::max(longest, at[i] - at[i - 1]);
        if (!at.empty()) longest = std::max(longest, end - at.back());
        return longest;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: progress_sampler FILE\n");
        return 2;
    }
    quillmark::ResultTree tree;
    quillmark::CCrcFrame frame(tree);
    frame.show();
    quillmark::CCRCSettings& settings = frame.Settings();
    settings.ResetDefaults();
    settings.m_strInput = argv[1];
    settings.m_nOutputStyle = 1;
    settings.UpdateFlags();

    QElapsedTimer clock;
    LabelChanges bytes;
    LabelChanges rate;
    qint64 lastSeen = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        quillmark::CProgressDlg* window = frame.ProgressView().CurrentWindow();
        if (window == nullptr) return;
        lastSeen = clock.elapsed();
        bytes.Sample(window->findChild<QLabel*>("bytesDoneLabel"), lastSeen);
        rate.Sample(window->findChild<QLabel*>("bytesPerSecondLabel"), lastSeen);
    });
    clock.start();
    sampler.start(50);
    frame.RunProcessing();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    std::printf("run %.2f s; progress window seen for %.2f s\n", seconds,
                static_cast<double>(lastSeen) / 1000.0);
    std::printf("bytes label: %zu changes, longest time unchanged %lld ms (last: %s)\n",
                bytes.at.size(), static_cast<long long>(bytes.LongestGap(lastSeen)),
                bytes.last.toUtf8().constData());
    std::printf("rate label: %zu changes, longest time unchanged %lld ms (last: %s)\n",
                rate.at.size(), static_cast<long long>(rate.LongestGap(lastSeen)),
                rate.last.toUtf8().constData());
    return 0;
}
