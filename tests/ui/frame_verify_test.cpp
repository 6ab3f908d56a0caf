// frame_verify_test.cpp - "Verify listing..." in the window: the file dialog, outcomes in the
// pane, the summary box, settings left alone, and the command held back while a run is up.
#include <QAction>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "settings/settings_file.h"
#include "tests/ui/frame_fixture.h"
#include "ui/gui_progress_view.h"
#include "ui/resources/menu_resources.h"

namespace quillmark::testing {
namespace {

std::string Tabular(const std::string& crc, std::size_t size, const std::string& path) {
    char head[32];
    std::snprintf(head, sizeof head, "%s %12zu   ", crc.c_str(), size);
    return head + path + "\r\n";
}

class VerifyTest : public FrameTest {
protected:
    // Picks the listing in the file dialog, answers the summary box and returns what it said.
    std::vector<SeenBox> VerifyThroughTheMenu(const std::string& listing) {
        OnModal<QFileDialog> chooser([&](QFileDialog& dialog) {
            EXPECT_EQ(dialog.nameFilters(),
                      QStringList({"Listings (*.sfv *.txt *.lst *.crc)", "All files (*)"}));
            dialog.setFocus();
            dialog.selectFile(QString::fromStdString(listing));
            static_cast<QDialog&>(dialog).accept();
        });
        ModalAnswerer answer;
        Frame().Action(ID_VERIFY_LISTING)->trigger();
        EXPECT_EQ(chooser.Seen(), 1);
        return answer.Seen();
    }
};

struct VerifyRow {
    const char* name;
    std::string listing;  // "{dir}" stands for the directory of the files
    std::string pane;
    std::string box;
};

TEST_F(VerifyTest, OutcomesGoToThePaneAndTheSummaryToABox) {
    const std::string dir = MakeDirectory("files", {{"fox.txt", kFoxText}, {"a.txt", "a"}});
    const std::string fox = dir + "/fox.txt";
    const std::string a = dir + "/a.txt";
    const VerifyRow rows[] = {
        {"all ok", Tabular(kFoxCrc, 43, fox) + Tabular("e8b7be43", 1, a),
         fox + ": OK\n" + a + ": OK\n", "All 2 files are OK.\nChecked in binary mode."},
        {"damage and a malformed line",
         Tabular(kFoxCrc, 43, fox) + "junk\r\n" + Tabular("e8b7be44", 1, a) +
             Tabular("00000000", 0, dir + "/gone"),
         fox + ": OK\n{listing}:2: not a listing entry\n" + a + ": FAILED\n" + dir +
             "/gone: MISSING\n",
         "1 file FAILED, 1 file is MISSING, 1 line is malformed, 1 file is OK.\nChecked in binary "
         "mode."},
    };
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun("unchanged input");
    const std::string settingsBefore = EncodeSettings(frame.Settings());
    for (const VerifyRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string listing = ScratchPath("listing.txt");
        WriteFile(listing, row.listing);
        frame.Pane()->clear();
        const std::vector<SeenBox> boxes = VerifyThroughTheMenu(listing);
        std::string pane = row.pane;
        if (const auto at = pane.find("{listing}"); at != std::string::npos) {
            pane.replace(at, 9, listing);
        }
        EXPECT_EQ(PaneText(), pane);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "Verify listing");
        EXPECT_EQ(boxes[0].text.toStdString(), row.box);
    }
    EXPECT_EQ(EncodeSettings(frame.Settings()), settingsBefore);
}

TEST_F(VerifyTest, ReadModeOfTheSettingsIsUsed) {
    // "a\r\nb" read as text is "a\nb"; the listing recorded the text CRC.
    const std::string dir = MakeDirectory("text", {{"t.txt", "a\r\nb"}});
    const std::string listing = ScratchPath("text.lst");
    WriteFile(listing, Tabular("ef0790fb", 4, dir + "/t.txt"));
    CCrcFrame& frame = ShownFrame();
    for (const int readMode : {1, 0}) {
        frame.Settings().m_nReadMode = readMode;
        frame.Settings().UpdateFlags();
        frame.Pane()->clear();
        ModalAnswerer answer;
        frame.VerifyListing(listing);
        EXPECT_EQ(PaneText(), dir + (readMode == 0 ? "/t.txt: OK\n" : "/t.txt: FAILED\n"));
    }
}

TEST_F(VerifyTest, HeadersChooseTheModesTheBoxNamesAndUnreadableSaysWhy) {
    // "a\r\nb" read as text is "a\nb": the ASCII header's entry matches only when read as text.
    const std::string dir = MakeDirectory("modes", {{"t.txt", "a\r\nb"}, {"x.bin", "a"}});
    MakeDirectory("modes/sub", {{"inside", ""}});
    const std::string listing = ScratchPath("modes.sfv");
    WriteFile(listing, "; Quillmark 1.0.0, ASCII mode\r\n" + dir + "/t.txt EF0790FB\r\n" +
                           "; Quillmark 1.0.0\r\n" + dir + "/x.bin E8B7BE43\r\n" + dir +
                           "/sub 00000000\r\n");
    CCrcFrame& frame = ShownFrame();
    frame.Settings().m_nReadMode = 1;
    frame.Settings().UpdateFlags();
    frame.Pane()->clear();
    ModalAnswerer answer;
    frame.VerifyListing(listing);
    // The reason stands on the line after the outcome it explains.
    EXPECT_EQ(PaneText(), dir + "/t.txt: OK\n" + dir + "/x.bin: OK\n" + dir + "/sub: UNREADABLE\n" +
                              dir + "/sub: not a regular file\n");
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].text.toStdString(),
              "1 file is UNREADABLE, 2 files are OK.\nChecked in binary mode and ASCII mode.");
}

TEST_F(VerifyTest, ListingsThatCannotBeCheckedSayWhy) {
    CCrcFrame& frame = ShownFrame();
    WriteFile(ScratchPath("empty.lst"), "");
    const std::pair<std::string, std::string> rows[] = {
        {ScratchPath("empty.lst"),
         "No listing entry was found in " + ScratchPath("empty.lst") + "."},
        {ScratchPath("absent.lst"),
         "Unable to read " + ScratchPath("absent.lst") + ": No such file or directory"},
    };
    for (const auto& [listing, text] : rows) {
        ModalAnswerer answer;
        frame.VerifyListing(listing);
        ASSERT_EQ(answer.Seen().size(), 1u);
        EXPECT_EQ(answer.Seen()[0].text.toStdString(), text);
    }
}

TEST_F(VerifyTest, CommandIsOffWhileARunIsUpAndCancelSaysSo) {
    std::vector<std::pair<std::string, std::string>> files;
    std::string listing;
    for (int i = 0; i < 50; ++i) {
        files.emplace_back("f" + std::to_string(i), "a");
        listing += Tabular("e8b7be43", 1, ScratchPath("many/f" + std::to_string(i)));
    }
    MakeDirectory("many", files);
    WriteFile(ScratchPath("many.lst"), listing);
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(ScratchPath("many"));

    bool offDuringRun = false;
    DuringRun([&] { offDuringRun = !frame.Action(ID_VERIFY_LISTING)->isEnabled(); });
    CancelAsProgressWindowOpens();
    ModalAnswerer runBox;
    frame.RunProcessing();
    EXPECT_TRUE(offDuringRun);
    EXPECT_TRUE(frame.Action(ID_VERIFY_LISTING)->isEnabled());
    ASSERT_EQ(runBox.Seen().size(), 1u);
    EXPECT_EQ(runBox.Seen()[0].text, "The run was cancelled after 0 files.");

    // A cancelled check says how far it got, and the pane holds exactly that many outcomes.
    frame.Pane()->clear();
    offDuringRun = false;
    DuringRun([&] { offDuringRun = !frame.Action(ID_VERIFY_LISTING)->isEnabled(); });
    CancelAsProgressWindowOpens();
    ModalAnswerer answer;
    frame.VerifyListing(ScratchPath("many.lst"));
    EXPECT_TRUE(offDuringRun);
    const std::string text = PaneText();
    const auto lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_LT(lines, 50);
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].caption, "Verify listing");
    EXPECT_EQ(answer.Seen()[0].text.toStdString(),
              "The check was cancelled after " + std::to_string(lines) + " entries.");
    EXPECT_TRUE(frame.Action(ID_VERIFY_LISTING)->isEnabled());
}

TEST_F(VerifyTest, PaneNamesTenMalformedLinesAndEscapesAwkwardNames) {
    const std::string dir = MakeDirectory("odd", {{"a\x1b[2K.txt", "a"}});
    const std::string odd = dir + "/a\x1b[2K.txt";
    std::string listing = Tabular("e8b7be43", 1, odd);
    for (int i = 0; i < 25; ++i) listing += "junk\r\n";
    const std::string path = ScratchPath("junk.lst");
    WriteFile(path, listing);
    CCrcFrame& frame = ShownFrame();
    ModalAnswerer answer;
    frame.VerifyListing(path);
    std::string expected = "\\" + dir + "/a\\x1b[2K.txt: OK\n";
    for (int line = 2; line <= 11; ++line) {
        expected += path + ":" + std::to_string(line) + ": not a listing entry\n";
    }
    expected += path + ": 15 more malformed lines\n";
    EXPECT_EQ(PaneText(), expected);
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].text.toStdString(),
              "25 lines are malformed, 1 file is OK.\nChecked in binary mode.");
}

TEST_F(VerifyTest, SummaryOfOneFileIsSingularAndTheBoxFitsItsCaption) {
    const std::string dir = MakeDirectory("one", {{"a.txt", "a"}});
    WriteFile(ScratchPath("one.lst"), Tabular("e8b7be43", 1, dir + "/a.txt"));
    WriteFile(ScratchPath("binary.lst"), std::string("\x7f"
                                                     "ELF\0\0\0",
                                                     7));
    CCrcFrame& frame = ShownFrame();
    const std::pair<std::string, std::string> rows[] = {
        {ScratchPath("one.lst"), "The file is OK.\nChecked in binary mode."},
        {ScratchPath("binary.lst"),
         ScratchPath("binary.lst") + " is not a listing: a NUL byte in its first 64 KiB"},
    };
    for (const auto& [listing, text] : rows) {
        QString seenText;
        int width = 0;
        int captionWidth = 0;
        OnModal<QMessageBox> box([&](QMessageBox& shown) {
            seenText = shown.text();
            width = shown.width();
            captionWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                               .horizontalAdvance(shown.windowTitle());
            shown.accept();
        });
        frame.VerifyListing(listing);
        EXPECT_EQ(seenText.toStdString(), text);
        // The caption, and beside it the title bar's icon and buttons.
        EXPECT_GE(width, captionWidth + 120);
    }
}

}  // namespace
}  // namespace quillmark::testing
