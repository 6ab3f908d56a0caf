// raw_path_test.cpp - names that are not UTF-8 reach a run byte for byte from drops, and a file
// dialog's unusable name is reported instead of used.
#include <QFileDialog>
#include <filesystem>

#include "tests/ui/frame_fixture.h"
#include "tests/ui/settings_dlg_fixture.h"
#include "ui/dropped_paths.h"

namespace quillmark::testing {
namespace {

// "bad" + 0xFF 0xFE + "dir": not UTF-8, so a QString would turn it into U+FFFD twice.
const std::string kBadName =
    "bad\xFF\xFE"
    "dir";

std::vector<std::string> PathsOf(const QByteArray& uriList) {
    QMimeData mime;
    mime.setData("text/uri-list", uriList);
    return DroppedLocalPaths(&mime);
}

TEST(DroppedPathsTest, UriListBytesBecomeLocalPathsUnchanged) {
    const std::string host = QSysInfo::machineHostName().toStdString();
    const std::vector<std::pair<QByteArray, std::vector<std::string>>> rows = {
        {"file:///data/bad%FF%FEdir\r\n", {"/data/" + kBadName}},
        {"file:///a%20b/c%23d%3F\r\n", {"/a b/c#d?"}},
        {"# a comment\r\nfile://localhost/x\r\nFILE:/y\n", {"/x", "/y"}},
        {QByteArray::fromStdString("file://" + host + "/h"), {"/h"}},
        {"file://elsewhere/z\r\nhttp://example.org/f\r\nfile:relative\r\n", {}},
        {"file:///q?query#frag\r\n", {"/q"}},
        {"", {}},
    };
    for (const auto& [list, paths] : rows) {
        SCOPED_TRACE(list.toStdString());
        EXPECT_EQ(PathsOf(list), paths);
    }
}

// What a file manager sends for a name that is not UTF-8.
bool DropRaw(QWidget& target, const std::string& path) {
    QMimeData mime;
    mime.setData("text/uri-list",
                 "file://" + QByteArray::fromStdString(path).toPercentEncoding("/") + "\r\n");
    return DropMime(target, mime);
}

// QTemporaryDir removes through QString names, which cannot name these bytes.
struct RemoveAtEnd {
    std::string path;
    ~RemoveAtEnd() { std::filesystem::remove_all(path); }
};

TEST_F(FrameTest, DroppedNameThatIsNotUtf8IsRunAsItsBytes) {
    const std::string dir = ScratchPath(kBadName);
    RemoveAtEnd cleanup{dir};
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    WriteFile(dir + "/fox.txt", kFoxText);
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun("");
    frame.Settings().m_nOutputDest = 0;
    frame.Settings().m_strOutput = ScratchPath("out.txt");
    ModalAnswerer none(QMessageBox::Ok, 1);
    ASSERT_TRUE(DropRaw(frame, dir + "/fox.txt"));
    EXPECT_EQ(none.Seen().size(), 0u);
    EXPECT_EQ(frame.Settings().m_strInput, dir + "/fox.txt");
    EXPECT_NE(ReadFile(ScratchPath("out.txt")).find("Filename: " + dir + "/fox.txt\r\n"),
              std::string::npos);
}

TEST_F(SettingsDlgTest, DroppedNameThatIsNotUtf8KeepsItsBytes) {
    const std::string path = ScratchPath(kBadName);
    RemoveAtEnd cleanup{path};
    WriteFile(path, "x");
    Open(CCRCSettings{});
    ASSERT_TRUE(DropRaw(*m_dialog, path));
    Button("closeButton")->click();
    ASSERT_EQ(Outcome(), CCrcSettingsDlg::kResultClose);
    EXPECT_EQ(Collected().m_strInput, path);
}

// A file dialog gives back only a QString; a name it cannot return exactly names nothing.
TEST_F(SettingsDlgTest, BrowsedNameThatDoesNotExistIsReportedNotUsed) {
    CCRCSettings settings;
    settings.m_nOutputDest = 0;
    settings.m_strOutput = "kept.txt";
    Open(settings);
    const QString mangled =
        QString::fromStdString(Scratch()) + "/bad" + QChar(0xFFFD) + QChar(0xFFFD) + "dir/out.txt";
    OnModal<QFileDialog> driver([&](QFileDialog& dialog) {
        dialog.setFocus();
        dialog.selectFile(mangled);
        static_cast<QDialog&>(dialog).accept();
    });
    ModalAnswerer ok;
    Button("outputBrowseButton")->click();
    EXPECT_EQ(driver.Seen(), 1);
    ASSERT_EQ(ok.Seen().size(), 1u);
    EXPECT_EQ(ok.Seen()[0].caption, "Name not found");
    EXPECT_TRUE(ok.Seen()[0].text.contains(mangled));
    EXPECT_EQ(Edit("outputEdit")->text(), "kept.txt");
}

}  // namespace
}  // namespace quillmark::testing
