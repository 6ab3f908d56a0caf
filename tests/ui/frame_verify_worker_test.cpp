// frame_verify_worker_test.cpp - a check of a million-entry listing from the window: the check
// reads on the worker thread, so the progress window paints at once, the window keeps answering,
// and Cancel stops the check with nothing added after it.
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <set>
#include <thread>

#include "platform/open_fault.h"
#include "tests/ui/frame_fixture.h"

namespace quillmark::testing {
namespace {

constexpr int kEntries = 1'000'000;

// Notes the first paint of a progress window.
class FirstPaint : public QObject {
public:
    FirstPaint() { qApp->installEventFilter(this); }
    ~FirstPaint() override { qApp->removeEventFilter(this); }
    std::function<void(CProgressDlg&)> onPaint;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && onPaint) {
            if (auto* window = qobject_cast<CProgressDlg*>(watched)) {
                auto paint = std::move(onPaint);
                onPaint = nullptr;
                paint(*window);
            }
        }
        return false;
    }
};

TEST_F(FrameTest, AMillionEntryCheckPaintsAtOnceAndCancelAnswers) {
    const std::string file = ScratchPath("a");
    WriteFile(file, "a");
    const std::string listing = ScratchPath("million.lst");
    {
        char line[256];
        std::snprintf(line, sizeof line, "e8b7be43 %12d   %s\r\n", 1, file.c_str());
        std::string block;
        for (int i = 0; i < 1000; ++i) block += line;
        std::ofstream out(listing, std::ios::binary);
        for (int i = 0; i < kEntries / 1000; ++i) out << block;
    }
    CCrcFrame& frame = ShownFrame();
    // The seam tells which threads open the listed files.
    std::mutex openersMutex;
    std::set<std::thread::id> openers;
    SetOpenFaultForTesting([&](std::string_view) {
        std::lock_guard lock(openersMutex);
        openers.insert(std::this_thread::get_id());
        return 0;
    });

    QElapsedTimer clock;
    qint64 paintedAt = -1;
    bool paintedWhileChecking = false;
    qint64 cancelledAt = -1;
    qint64 windowGoneAt = -1;
    QPointer<CProgressDlg> window;
    FirstPaint paint;
    paint.onPaint = [&](CProgressDlg& painted) {
        paintedAt = clock.elapsed();
        paintedWhileChecking = frame.IsRunning();
        window = &painted;
        // Let the check get well under way, then press Cancel as a user would.
        QTimer::singleShot(300, &painted, [&] {
            cancelledAt = clock.elapsed();
            window->findChild<QPushButton*>("cancelButton")->click();
        });
    };
    // The GUI thread's own timer: it runs only if nothing holds the thread.
    int ticks = 0;
    qint64 longestGap = 0;
    qint64 lastTick = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
        if (cancelledAt >= 0 && windowGoneAt < 0 && window.isNull()) windowGoneAt = clock.elapsed();
    });
    QString boxText;
    OnModal<QMessageBox> box([&](QMessageBox& shown) {
        if (windowGoneAt < 0) windowGoneAt = clock.elapsed();
        boxText = shown.text();
        shown.button(QMessageBox::Ok)->click();
    });

    clock.start();
    ticker.start(5);
    frame.VerifyListing(listing);
    ticker.stop();
    SetOpenFaultForTesting(nullptr);

    std::cout << "progress window painted after " << paintedAt << " ms; Cancel answered in "
              << windowGoneAt - cancelledAt << " ms; longest wait of the GUI thread " << longestGap
              << " ms\n";
    ::testing::Test::RecordProperty("paintedAfterMs", static_cast<int>(paintedAt));
    ::testing::Test::RecordProperty("cancelAnsweredInMs",
                                    static_cast<int>(windowGoneAt - cancelledAt));
    ASSERT_FALSE(openers.empty());
    EXPECT_EQ(openers.count(std::this_thread::get_id()), 0u) << "the GUI thread read files";
    ASSERT_GE(paintedAt, 0) << "the progress window never painted";
    EXPECT_TRUE(paintedWhileChecking);
    ASSERT_GE(cancelledAt, 0);
    EXPECT_GT(ticks, 10);
    // Cancelled part-way, and the pane holds exactly the outcomes the box counts.
    const std::string text = PaneText();
    const auto lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_LT(lines, kEntries);
    EXPECT_EQ(boxText.toStdString(),
              "The check was cancelled after " + std::to_string(lines) + " entries.");
    EXPECT_EQ(box.Seen(), 1);
}

}  // namespace
}  // namespace quillmark::testing
