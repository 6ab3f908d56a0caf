// frame_pane_test.cpp - what the window keeps for its user: the selection and scroll position
// across runs, a clipboard read only when pasting, plain-text copies, and the pane saved to a
// file.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextCursor>
#include <filesystem>

#include "tests/ui/frame_fixture.h"
#include "ui/resources/menu_resources.h"
#include "ui/save_output.h"

namespace quillmark::testing {
namespace {

// A clipboard's data that counts how often anyone reads its text.
class CountingMimeData : public QMimeData {
public:
    CountingMimeData(QStringList formats, int& reads)
        : m_formats(std::move(formats)), m_reads(reads) {}
    QStringList formats() const override { return m_formats; }
    bool hasFormat(const QString& mimeType) const override { return m_formats.contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        ++m_reads;
        if (!m_formats.contains(mimeType)) return {};
        if (type.id() == QMetaType::QByteArray) return QByteArray("clip");
        return QStringLiteral("clip");
    }

private:
    QStringList m_formats;
    int& m_reads;
};

// What a user does in the save dialog: types a name and presses Save.
void TypeFileName(QFileDialog& dialog, const std::string& path) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path));
    QMetaObject::invokeMethod(&dialog, "accept");
}

class PaneTest : public FrameTest {
protected:
    // A pane of `lines` numbered lines and a one-file tabular run to add to it.
    CCrcFrame& FilledFrame(int lines) {
        const std::string dir = MakeDirectory("one", {{"fox.txt", kFoxText}});
        CCrcFrame& frame = ShownFrame();
        ConfigurePaneRun(dir + "/fox.txt");
        frame.Settings().m_nOutputStyle = 1;
        frame.Settings().UpdateFlags();
        QString text;
        for (int i = 0; i < lines; ++i) text += QString("line %1\n").arg(i);
        frame.Pane()->setPlainText(text);
        return frame;
    }

    void Select(int anchor, int position) {
        QTextCursor cursor = Frame().Pane()->textCursor();
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        Frame().Pane()->setTextCursor(cursor);
    }
};

struct KeepRow {
    const char* name;
    bool scrolledToEnd;
    bool selectToTheEnd;  // a selection whose end is the pane's end
};

TEST_F(PaneTest, RunsAppendAtTheEndAndKeepTheSelectionAndTheViewUnlessItFollowedTheEnd) {
    const KeepRow rows[] = {
        {"middle selection, view at the top", false, false},
        {"selection to the end, view in the middle", false, true},
        {"middle selection, view at the end", true, false},
    };
    for (const KeepRow& row : rows) {
        SCOPED_TRACE(row.name);
        CCrcFrame& frame = FilledFrame(300);
        QScrollBar* bar = frame.Pane()->verticalScrollBar();
        const int end = frame.Pane()->document()->characterCount() - 1;
        const int anchor = 70;
        const int position = row.selectToTheEnd ? end : 90;
        Select(anchor, position);
        const QString selected = frame.Pane()->textCursor().selectedText();
        bar->setValue(row.scrolledToEnd ? bar->maximum() : bar->maximum() / 2);
        const int scrolledTo = bar->value();
        const std::string before = PaneText();

        frame.RunProcessing();
        frame.RunProcessing();  // the second run finds the pane as the first left it

        const std::string text = PaneText();
        ASSERT_EQ(text.substr(0, before.size()), before);
        EXPECT_EQ(std::count(text.begin() + static_cast<long>(before.size()), text.end(), '\n'), 2);
        const QTextCursor cursor = frame.Pane()->textCursor();
        EXPECT_EQ(cursor.anchor(), anchor);
        EXPECT_EQ(cursor.position(), position);
        EXPECT_EQ(cursor.selectedText(), selected);
        if (row.scrolledToEnd) {
            EXPECT_EQ(bar->value(), bar->maximum());
            EXPECT_GT(bar->value(), scrolledTo);
        } else {
            EXPECT_EQ(bar->value(), scrolledTo);
        }
        DestroyFrame();
    }
}

TEST_F(PaneTest, PasteIsDecidedFromTheClipboardsFormatsWithoutReadingItsText) {
    CCrcFrame& frame = FilledFrame(3);
    int reads = 0;
    QMenu* edit = frame.menuBar()->actions()[1]->menu();
    struct Row {
        QStringList formats;
        bool canPaste;
    };
    for (const Row& row : {Row{{"text/plain"}, true}, Row{{"image/png"}, false},
                           Row{{"text/plain", "text/html"}, true}}) {
        QApplication::clipboard()->setMimeData(new CountingMimeData(row.formats, reads));
        EXPECT_EQ(frame.Action(ID_EDIT_PASTE)->isEnabled(), row.canPaste);
        // Every way the window looks at the clipboard: menu openings and commands.
        emit edit->aboutToShow();
        frame.Action(ID_EDIT_SELECT_ALL)->trigger();
        frame.Action(ID_EDIT_COPY)->isEnabled();
        emit edit->aboutToShow();
        EXPECT_EQ(frame.Action(ID_EDIT_PASTE)->isEnabled(), row.canPaste);
    }
    EXPECT_EQ(reads, 0);
    // Pasting itself reads the text, once.
    QApplication::clipboard()->setMimeData(new CountingMimeData({"text/plain"}, reads));
    QTextCursor cursor = frame.Pane()->textCursor();
    cursor.movePosition(QTextCursor::End);
    frame.Pane()->setTextCursor(cursor);
    frame.Action(ID_EDIT_PASTE)->trigger();
    EXPECT_GT(reads, 0);
    EXPECT_TRUE(PaneText().ends_with("clip"));
}

TEST_F(PaneTest, CopiesArePlainUtf8TextOfTheSelection) {
    CCrcFrame& frame = ShownFrame();
    frame.Pane()->setPlainText(QString::fromUtf8("first\ncaf\xc3\xa9 \xe2\x82\xac\nthird\nlast"));
    struct Row {
        int anchor, position;
        const char* copied;
    };
    const Row rows[] = {
        {0, 5, "first"},
        {2, 12, "rst\ncaf\xc3\xa9 \xe2\x82\xac"},
        {6, 23, "caf\xc3\xa9 \xe2\x82\xac\nthird\nlast"},
        {23, 0, "first\ncaf\xc3\xa9 \xe2\x82\xac\nthird\nlast"},
        {12, 13, "\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.copied);
        Select(row.anchor, row.position);
        QApplication::clipboard()->clear();
        frame.Action(ID_EDIT_COPY)->setEnabled(true);
        frame.Pane()->copy();
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        ASSERT_NE(copied, nullptr);
        EXPECT_EQ(copied->text().toStdString(), row.copied);
        EXPECT_FALSE(copied->hasHtml());
    }
    // Ctrl+C in the pane and Select All take the same way.
    frame.Pane()->setFocus();
    QTest::keyClick(frame.Pane(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(frame.Pane(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "first\ncaf\xc3\xa9 \xe2\x82\xac\nthird\nlast");
}

TEST_F(PaneTest, SaveOutputAsWritesThePaneAsShownAndAsksBeforeReplacing) {
    HomeScope home(Scratch());
    CCrcFrame& frame = ShownFrame();
    const QString shown = QString::fromUtf8("Filename: /d/caf\xc3\xa9\nCRC 32: 414fa339\n\n");
    frame.Pane()->setPlainText(shown);
    const std::string target = ScratchPath("saved.txt");
    struct Row {
        const char* name;
        bool exists;
        bool replace;
    };
    for (const Row& row : {Row{"new file", false, true}, Row{"replaced after asking", true, true},
                           Row{"kept on No", true, false}}) {
        SCOPED_TRACE(row.name);
        if (row.exists) WriteFile(target, "old\r\n");
        QString title;
        QString startedIn;
        OnModal<QFileDialog> chooser([&](QFileDialog& dialog) {
            title = dialog.windowTitle();
            startedIn = dialog.directory().absolutePath();
            TypeFileName(dialog, target);
            // After No the dialog waits for another name; the user cancels it.
            if (dialog.isVisible()) dialog.reject();
        });
        // The file dialog's own question before it replaces a file.
        ModalAnswerer confirm(row.replace ? QMessageBox::Yes : QMessageBox::No);
        frame.Action(ID_FILE_SAVE_OUTPUT_AS)->trigger();
        EXPECT_EQ(title, "Save Output As");
        EXPECT_EQ(startedIn.toStdString(), Scratch());
        EXPECT_EQ(confirm.Seen().size(), row.exists ? 1u : 0u);
        EXPECT_EQ(ReadFile(target), row.replace ? shown.toUtf8().toStdString() : "old\r\n");
    }
}

TEST_F(PaneTest, SaveFailuresNameThePathAndTheReason) {
    const std::string file = ScratchPath("file");
    WriteFile(file, "x");
    struct Row {
        std::string path;
        const char* reason;
    };
    const Row rows[] = {
        {ScratchPath("no-such-dir/out.txt"), "No such file or directory"},
        {Scratch(), "Is a directory"},
        {file + "/below", "Not a directory"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(WriteOutputFile(row.path, "text\n"), row.reason);
    }
    EXPECT_EQ(WriteOutputFile(ScratchPath("ok.txt"), "text\n"), "");
    EXPECT_EQ(ReadFile(ScratchPath("ok.txt")), "text\n");

    // Another user's file in a directory anyone may write: renaming over it would succeed, but
    // a file the user may not write is left alone. Root is never denied, so a child process
    // saves as nobody.
    char shared[] = "/tmp/quillmark-shared-XXXXXX";
    ASSERT_NE(::mkdtemp(shared), nullptr);
    ASSERT_EQ(::chmod(shared, 0777), 0);
    const std::string theirs = std::string(shared) + "/theirs.txt";
    WriteFile(theirs, "their text\n");
    ASSERT_EQ(::chmod(theirs.c_str(), 0644), 0);
    if (::geteuid() == 0) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool denied = ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
                                WriteOutputFile(theirs, "mine\n") == "Permission denied";
            ::_exit(denied ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(ReadFile(theirs), "their text\n");
    }
    std::filesystem::remove_all(shared);

    // Through the window: a link to a place that cannot be created.
    HomeScope home(Scratch());
    const std::string link = ScratchPath("dangling");
    ASSERT_EQ(::symlink(ScratchPath("no-such-dir/x").c_str(), link.c_str()), 0);
    CCrcFrame& frame = ShownFrame();
    frame.Pane()->setPlainText("results\n");
    OnModal<QFileDialog> chooser([&](QFileDialog& dialog) { TypeFileName(dialog, link); });
    ModalAnswerer box(QMessageBox::Ok, 2);
    frame.Action(ID_FILE_SAVE_OUTPUT_AS)->trigger();
    ASSERT_FALSE(box.Seen().empty());
    EXPECT_EQ(box.Seen().back().text.toStdString(),
              "Unable to save the output to " + link + ": No such file or directory");
}

TEST_F(PaneTest, F10OpensTheFirstMenu) {
    CCrcFrame& frame = ShownFrame();
    QTest::keyClick(&frame, Qt::Key_F10);
    auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open, frame.menuBar()->actions().first()->menu());
    open->close();
}

TEST_F(PaneTest, InputsThatGiveNothingAreNamedInOneBoxInTheOrderGiven) {
    const std::string dir = MakeDirectory("dir", {{"a.txt", "a"}});
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun("");
    frame.Settings().m_bNoRecursion = 1;
    frame.Settings().UpdateFlags();
    ModalAnswerer box;
    frame.RunEachPath({ScratchPath("missing"), dir + "/a.txt", dir, dir + "/*.none"});
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_EQ(box.Seen()[0].text.toStdString(),
              "cannot access '" + ScratchPath("missing") + "': No such file or directory\n'" + dir +
                  "' is a directory; name it as '" + dir +
                  "/' to checksum its files\nno file matches '" + dir + "/*.none'");
    EXPECT_NE(PaneText().find(dir + "/a.txt"), std::string::npos);
}

TEST_F(PaneTest, ACancelEndsEveryRunOfADropWithOneBoxAndNothingMore) {
    const std::string dir = MakeDirectory("drop", {{"a.txt", "a"}, {"b.txt", "b"}});
    const std::string output = ScratchPath("sums.txt");
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun("");
    frame.Settings().m_nOutputDest = 0;
    frame.Settings().m_strOutput = output;
    frame.Settings().UpdateFlags();
    CancelAsProgressWindowOpens();
    ModalAnswerer box(QMessageBox::Ok, 3);
    // The last path runs first: its cancel is the end of the drop, missing path or not.
    frame.RunEachPath({ScratchPath("missing"), dir + "/a.txt", dir + "/b.txt"});
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_EQ(box.Seen()[0].text, "The run was cancelled after 0 files.");
    EXPECT_EQ(ReadFile(output), "");
    EXPECT_EQ(PaneText(), "");
    EXPECT_EQ(frame.Settings().m_strInput, dir + "/b.txt");
}

}  // namespace
}  // namespace quillmark::testing
