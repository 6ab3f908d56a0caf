// desktop_fit_test.cpp - what a desktop sees of the windows: plain-text message boxes under an
// arrow cursor, fixed frames, the About lines, the current file's bar and rate, and the focus
// coming back to the pane after a run.
#include <sys/stat.h>

#include <QCursor>
#include <QLabel>
#include <QProgressBar>
#include <QStringList>

#include "checksum/read_buffer.h"
#include "tests/ui/frame_fixture.h"
#include "ui/about_dlg.h"
#include "ui/crc_settings_dlg.h"
#include "ui/progress_dialogs.h"
#include "ui/resources/menu_resources.h"

namespace quillmark::testing {
namespace {

struct BoxLook {
    QString caption;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    bool arrowCursor = false;
};

// Answers the next message box, noting how it shows its text and which cursor is over it.
class BoxLooker {
public:
    explicit BoxLooker(QMessageBox::StandardButton button)
        : m_poller([this, button](QMessageBox& box) {
              const QCursor* cursor = QApplication::overrideCursor();
              m_looks.push_back({box.windowTitle(), box.text(), box.textFormat(),
                                 cursor == nullptr || cursor->shape() == Qt::ArrowCursor});
              QAbstractButton* target = box.button(button);
              (target != nullptr ? target : box.buttons().value(0))->click();
          }) {}
    const std::vector<BoxLook>& Looks() const { return m_looks; }

private:
    std::vector<BoxLook> m_looks;
    OnModal<QMessageBox> m_poller;
};

TEST_F(FrameTest, EveryMessageBoxShowsPlainTextUnderAnArrow) {
    const std::string markup = Scratch() + "/data/<i>zz</i>/";
    struct Row {
        const char* what;
        std::function<void(CCrcFrame&)> act;
        const char* caption;
        std::string textPart;
    };
    const std::vector<Row> rows = {
        // Load and Save set the wait cursor for their work; their boxes must not keep it.
        {"load without settings.dat", [](CCrcFrame& f) { f.Action(ID_LOAD_SETTINGS)->trigger(); },
         "Error", "Unable to load settings file."},
        {"confirmation naming a markup path",
         [&](CCrcFrame& f) {
             f.Settings().m_strInput = markup;
             f.ConfirmAndRun();
         },
         "Start CRC Processing", "/data/<i>zz</i>/"},
        {"a run's message during its wait cursor",
         [&](CCrcFrame& f) {
             f.Settings().m_strInput = Scratch() + "/";
             f.Settings().m_nOutputDest = 0;
             f.Settings().m_strOutput = Scratch() + "/<b>missing</b>/out.txt";
             f.RunProcessing();
         },
         "Error", "Unable to write to output file."},
    };
    CCrcFrame& frame = ShownFrame();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ConfigurePaneRun("");
        BoxLooker looker(QMessageBox::No);
        row.act(frame);
        ASSERT_EQ(looker.Looks().size(), 1u);
        const BoxLook& look = looker.Looks().front();
        EXPECT_EQ(look.caption, QString::fromLatin1(row.caption));
        EXPECT_TRUE(look.text.contains(QString::fromStdString(row.textPart)))
            << look.text.toStdString();
        EXPECT_EQ(look.format, Qt::PlainText);
        EXPECT_TRUE(look.arrowCursor);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

void ExpectFixedFrame(const QWidget& window) {
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << window.windowTitle().toStdString();
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(FrameTest, OptionsAndProgressWindowsHaveFixedFrames) {
    CCrcFrame& frame = ShownFrame();
    int seen = 0;
    OnModal<CCrcSettingsDlg> options([&](CCrcSettingsDlg& dialog) {
        ++seen;
        ExpectFixedFrame(dialog);
        dialog.reject();
    });
    frame.EditSettings();
    EXPECT_EQ(seen, 1);

    CProcessingDlg processing(&frame);
    CSortingDlg sorting(&frame);
    for (CProgressDlg* window :
         {static_cast<CProgressDlg*>(&processing), static_cast<CProgressDlg*>(&sorting)}) {
        window->show();
        ExpectFixedFrame(*window);
        // A bar that appears later does not need a larger window.
        RunProgress big;
        big.currentFileSize = 40ull << 30;
        window->ShowProgress(big, 1000);
        EXPECT_LE(window->sizeHint().height(), window->height());
    }
}

TEST(AboutBoxTest, ShowsTitleVersionAuthorsAndContactInItsLines) {
    CAboutDlg about(nullptr);
    const QStringList lines = FindNamed<QLabel>(about, "aboutLabel")->text().split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "Quillmark");
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].contains(QStringLiteral(QUILLMARK_VERSION))) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].contains("2026"));
    EXPECT_EQ(lines[3], "");
    EXPECT_FALSE(lines[4].trimmed().isEmpty());
}

TEST(ProgressWindowTest, CurrentFileBarFilesInFlightAndRateBelowTheUnchangedLabels) {
    struct Row {
        std::uint64_t size, done, bytesDone;
        qint64 elapsedMs;
        bool barShown;
        int barValue;  // of 1000
        std::uint64_t inProgress;
        const char* rate;
    };
    constexpr std::uint64_t k40G = 40ull << 30;
    const std::vector<Row> rows = {
        {0, 0, 0, 0, false, 0, 0, "0.0 MB/s"},                            // nothing known yet
        {kReadBufferSize, 100, 100, 10, false, 0, 1, "0.0 MB/s"},         // one buffer: no bar
        {kReadBufferSize + 1, 0, 0, 1000, true, 0, 2, "0.0 MB/s"},        // just past one buffer
        {k40G, k40G / 4, k40G / 4, 4000, true, 250, 3, "2684.4 MB/s"},    // past int range
        {k40G, k40G, 3 * k40G, 1500, true, 1000, 8, "85899.3 MB/s"},      // bar stays full
        {100000, 200000, 412300000, 1000, false, 0, 1024, "412.3 MB/s"},  // small file: no bar
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rate);
        CProcessingDlg window(nullptr);
        auto* bar = FindNamed<QProgressBar>(window, "currentFileBar");
        auto* rate = FindNamed<QLabel>(window, "bytesPerSecondLabel");
        auto* inProgress = FindNamed<QLabel>(window, "filesInProgressLabel");
        window.show();
        const QSize opened = window.size();
        RunProgress progress;
        progress.filesDone = 7;
        progress.bytesDone = row.bytesDone;
        progress.currentPath = "/data/big.iso";
        progress.currentFileSize = row.size;
        progress.currentFileDone = row.done;
        progress.filesInProgress = row.inProgress;
        window.ShowProgress(progress, row.elapsedMs);
        EXPECT_EQ(bar->isVisible(), row.barShown);
        if (row.barShown) {
            EXPECT_EQ(bar->value(), row.barValue);
        }
        // Only several files in flight are worth a line; one is the file named above.
        EXPECT_EQ(inProgress->isVisible(), row.inProgress > 1);
        if (row.inProgress > 1) {
            EXPECT_EQ(inProgress->text(),
                      QLocale().toString(row.inProgress) + QStringLiteral(" files in progress"));
        }
        EXPECT_EQ(rate->text().toStdString(), row.rate);
        EXPECT_EQ(FindNamed<QLabel>(window, "filesDoneLabel")->text(), "Files done: 7");
        EXPECT_EQ(FindNamed<QLabel>(window, "progressLabel")->text(),
                  "Processing files. Please wait....");
        EXPECT_EQ(window.size(), opened);
        // The additions sit below the labels.
        EXPECT_GT(bar->geometry().top(),
                  FindNamed<QLabel>(window, "currentPathLabel")->geometry().top());
        EXPECT_GT(inProgress->geometry().top(), bar->geometry().top());
        EXPECT_GT(rate->geometry().top(), inProgress->geometry().top());
    }
}

TEST(ProgressWindowTest, ALongPathIsElidedInTheMiddleToFit) {
    CProcessingDlg window(nullptr);
    window.show();
    auto* path = FindNamed<QLabel>(window, "currentPathLabel");
    RunProgress progress;
    progress.currentPath = "/start-of-the-path/" + std::string(300, 'm') + "/end-of-it.iso";
    window.ShowProgress(progress, 100);
    const QString shown = path->text();
    EXPECT_TRUE(shown.startsWith("/start-of-the")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("/end-of-it.iso")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_LE(path->fontMetrics().horizontalAdvance(shown), path->width());
    EXPECT_EQ(path->toolTip().toStdString(), progress.currentPath);
}

TEST_F(FrameTest, AfterARunTheWindowIsActiveWithThePaneFocused) {
    std::string dir = MakeDirectory("one", {{"fox.txt", kFoxText}});
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(dir + "/fox.txt");
    for (int run = 0; run < 3; ++run) {
        ModalAnswerer yes(QMessageBox::Yes);
        QTest::keyClick(&frame, Qt::Key_B, Qt::ControlModifier);
        ASSERT_EQ(yes.Seen().size(), 1u) << run;
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame));
        EXPECT_EQ(QApplication::activeWindow(), &frame);
        EXPECT_EQ(QApplication::focusWidget(), frame.Pane());
    }
    EXPECT_EQ(
        PaneText().size(),
        3 * std::string("Filename: " + dir + "/fox.txt\nFile size: 43\nCRC 32: " + kFoxCrc + "\n\n")
                .size());
}

// A FIFO nobody reads or writes, where the window would otherwise wait forever.
TEST_F(FrameTest, FifosAsSettingsOrOutputAreRefusedWithoutWaiting) {
    std::string dir = MakeDirectory("in", {{"fox.txt", kFoxText}});
    ASSERT_EQ(::mkfifo(ScratchPath("settings.dat").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(ScratchPath("out.fifo").c_str(), 0600), 0);
    // At start-up: the defaults, silently.
    CCrcFrame& frame = ShownFrame();
    EXPECT_TRUE(frame.Settings().m_strInput.empty());
    {
        ModalAnswerer ok;
        frame.Action(ID_LOAD_SETTINGS)->trigger();
        ASSERT_EQ(ok.Seen().size(), 1u);
        EXPECT_EQ(ok.Seen()[0].text, "Unable to load settings file.");
    }
    // Loaded settings skip the dialog's check; the run refuses the output itself.
    for (const std::string& output : {ScratchPath("out.fifo"), std::string("/dev/null"), dir}) {
        SCOPED_TRACE(output);
        ConfigurePaneRun(dir + "/");
        frame.Settings().m_nOutputDest = 0;
        frame.Settings().m_strOutput = output;
        ModalAnswerer ok;
        frame.RunProcessing();
        ASSERT_EQ(ok.Seen().size(), 1u);
        // The message ends in a line feed, which the box does not show as an empty line.
        EXPECT_EQ(ok.Seen()[0].text, "Unable to write to output file.\nAborting processing.");
        EXPECT_EQ(PaneText(), "");
    }
    // A new file and an existing regular one are written as before.
    for (const std::string& output : {ScratchPath("new.txt"), ScratchPath("new.txt")}) {
        ConfigurePaneRun(dir + "/fox.txt");
        frame.Settings().m_nOutputDest = 0;
        frame.Settings().m_strOutput = output;
        frame.RunProcessing();
    }
    const std::string line =
        "Filename: " + dir + "/fox.txt\r\nFile size: 43\r\nCRC 32: " + kFoxCrc + "\r\n\r\n";
    EXPECT_EQ(ReadFile(ScratchPath("new.txt")), line + line);
    // settings.dat stays the FIFO until the exit save replaces it with a regular file.
    DestroyFrame();
    struct stat info {};
    ASSERT_EQ(::stat(ScratchPath("settings.dat").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
}

}  // namespace
}  // namespace quillmark::testing
