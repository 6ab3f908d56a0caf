// settings_dlg_fixture.h - opens "Quillmark Options" inside a scratch working directory and
// finds its controls by name.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>
#include <string>
#include <tuple>

#include "settings/crc_settings.h"
#include "tests/ui/ui_test_support.h"
#include "ui/crc_settings_dlg.h"

namespace quillmark::testing {

class SettingsDlgTest : public ScratchDirTest {
protected:
    void TearDown() override {
        m_dialog.reset();
        ScratchDirTest::TearDown();
    }

    CCrcSettingsDlg& Open(const CCRCSettings& settings) {
        m_dialog = std::make_unique<CCrcSettingsDlg>(settings, nullptr);
        ShowActive(*m_dialog);
        return *m_dialog;
    }

    // Opened with output to a file, so that the output box takes part too.
    CCrcSettingsDlg& OpenToFile(const std::string& output = "") {
        CCRCSettings settings;
        settings.m_nOutputDest = 0;
        settings.m_strOutput = output;
        return Open(settings);
    }

    template <typename Widget>
    Widget* Find(const char* objectName) const {
        return FindNamed<Widget>(*m_dialog, objectName);
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

    // Every value the dialog edits, comparable at once.
    static auto Fields(const CCRCSettings& s) {
        return std::tuple(s.m_bSortOutput, s.m_bNoRecursion, s.m_bDirWildcards, s.m_bLowercase,
                          s.m_bUnixLF, s.m_nReadMode, s.m_nOutputStyle, s.m_nOutputDest,
                          s.m_strInput, s.m_strOutput);
    }

    // Whether the dialog ended, and with what result; a dialog still open reports -1.
    int Outcome() const { return m_dialog->isVisible() ? -1 : m_dialog->result(); }

    std::unique_ptr<CCrcSettingsDlg> m_dialog;
};

}  // namespace quillmark::testing
