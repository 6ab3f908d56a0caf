// frame_thread_test.cpp - the window's run on its worker thread: a message box mid-run holds the
// run, not the window, and stands where the run put it among the results.
#include <QMessageBox>
#include <QThread>
#include <cerrno>
#include <mutex>
#include <set>
#include <thread>

#include "platform/open_fault.h"
#include "tests/ui/frame_fixture.h"
#include "ui/gui_progress_view.h"

namespace quillmark::testing {
namespace {

TEST_F(FrameTest, MessageMidRunHoldsTheWorkerAndFollowsTheResultsBeforeIt) {
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 10; i < 40; ++i) files.emplace_back("f" + std::to_string(i), "x");
    const std::string before = MakeDirectory("t/a", files);
    MakeDirectory("t/b-locked", {{"never", "n"}});
    const std::string after = MakeDirectory("t/c", files);
    // The seam also tells which threads open the run's files and directories.
    std::mutex openersMutex;
    std::set<std::thread::id> openers;
    SetOpenFaultForTesting([&](std::string_view name) {
        std::lock_guard lock(openersMutex);
        openers.insert(std::this_thread::get_id());
        return name == "b-locked" ? EACCES : 0;
    });

    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(ScratchPath("t") + "/");
    frame.Settings().m_nOutputStyle = 1;
    frame.Settings().UpdateFlags();

    std::string paneAtMessage;
    int ticksDuringMessage = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticksDuringMessage; });
    OnModal<QMessageBox> answer([&](QMessageBox& box) {
        paneAtMessage = PaneText();
        EXPECT_EQ(box.windowTitle().toStdString(), "Error");
        EXPECT_EQ(box.text().toStdString(),
                  "Unable to locate the directory: " + ScratchPath("t") + "/b-locked/");
        // The window goes on answering events while the box waits for the user.
        // (A loaded machine may take a while to run the timer at all.)
        ticker.start(1);
        for (int wait = 0; wait < 200 && ticksDuringMessage == 0; ++wait) QTest::qWait(10);
        ticker.stop();
        box.button(QMessageBox::Ok)->click();
    });
    frame.RunProcessing();
    SetOpenFaultForTesting(nullptr);

    ASSERT_EQ(answer.Seen(), 1);
    ASSERT_FALSE(openers.empty());
    EXPECT_EQ(openers.count(std::this_thread::get_id()), 0u) << "the GUI thread walked";
    EXPECT_GT(ticksDuringMessage, 0);
    // Every result before the directory is in the pane when the box shows, none after it.
    EXPECT_NE(paneAtMessage.find(before + "/f39\n"), std::string::npos) << paneAtMessage;
    EXPECT_EQ(paneAtMessage.find(after), std::string::npos) << paneAtMessage;
    const std::string text = PaneText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 60);
    EXPECT_NE(text.find(after + "/f39\n"), std::string::npos);
    EXPECT_EQ(frame.ProgressView().CurrentWindow(), nullptr);
}

}  // namespace
}  // namespace quillmark::testing
