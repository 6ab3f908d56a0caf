// settings_dlg_fixture.h - opens "Quillmark Options" inside a scratch working directory and
// finds its controls by name.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>

#include "platform/path_services.h"
#include "settings/crc_settings.h"
#include "ui/crc_settings_dlg.h"

namespace quillmark::test {

class SettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_scratch.isValid());
        m_savedCwd = GetCurrentDirectory().value_or("/");
        ASSERT_TRUE(ChangeDirectory(m_scratch.path().toStdString()));
    }

    void TearDown() override {
        m_dialog.reset();
        ChangeDirectory(m_savedCwd);
    }

    static void WriteFile(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Shown and active, so that focus, mnemonics and message boxes behave as for a user.
    CCrcSettingsDlg& Open(const CCRCSettings& settings) {
        m_dialog = std::make_unique<CCrcSettingsDlg>(settings, nullptr);
        m_dialog->show();
        m_dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
        return *m_dialog;
    }

    template <typename Widget>
    Widget* Find(const char* objectName) const {
        auto* widget = m_dialog->findChild<Widget*>(QString::fromLatin1(objectName));
        EXPECT_NE(widget, nullptr) << objectName;
        return widget;
    }

    QCheckBox* Check(const char* name) const { return Find<QCheckBox>(name); }
    QRadioButton* Radio(const char* name) const { return Find<QRadioButton>(name); }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }

    // The values the dialog would hand back now, starting from a record with other values.
    CCRCSettings Collected() const {
        CCRCSettings settings;
        settings.m_strInput = "(untouched)";
        settings.m_strOutput = "(untouched)";
        m_dialog->CopyBackTo(settings);
        return settings;
    }

    // Whether the dialog ended, and with what result; a dialog still open reports -1.
    int Outcome() const { return m_dialog->isVisible() ? -1 : m_dialog->result(); }

    std::string ScratchPath(const std::string& name) const {
        return m_scratch.path().toStdString() + "/" + name;
    }

    QTemporaryDir m_scratch;
    std::string m_savedCwd;
    std::unique_ptr<CCrcSettingsDlg> m_dialog;
};

}  // namespace quillmark::test
