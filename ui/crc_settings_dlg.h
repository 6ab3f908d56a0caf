// crc_settings_dlg.h - "Quillmark Options", the modal dialog in which every setting is edited.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "settings/crc_settings.h"
#include "ui/settings_dialog_layout.h"

class QDragEnterEvent;
class QDropEvent;
class QLineEdit;
class QRadioButton;

namespace quillmark {

class CCrcSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // exec() returns one of these: OK takes the values and asks for a run, Close takes them
    // without one, Cancel (also Esc and the close box) discards them.
    enum Result { kResultOk = 1, kResultCancel = 2, kResultClose = 3 };

    // Works on its own copy of the settings' option fields.
    CCrcSettingsDlg(const CCRCSettings& settings, QWidget* parent);
    ~CCrcSettingsDlg() override;

    // Copies the option fields back (not m_flags, not m_szSettingsDir).
    void CopyBackTo(CCRCSettings& settings) const;

    // OK: collects and checks the values; the dialog ends only when they pass.
    void accept() override;
    // Cancel, Esc and the close box: nothing is collected.
    void reject() override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnInitDialog();
    void ConnectHandlers();

    // Moves every value between the members and the controls, with the two path checks; false
    // when a check failed, in which case the items after it were not exchanged.
    bool UpdateData(bool saveAndValidate);
    bool DoDataExchange(bool saveAndValidate);
    bool ValidateInputPath();
    bool ValidateOutputFile(std::string output, bool dropping);

    void OnSortOutputClicked();
    void OnNoRecursionClicked();
    void OnUnixLfClicked();
    void OnSaveToFileClicked();
    void OnSendToScreenClicked();
    void OnOutputTextChanged(const QString& text);
    void OnDefaultsClicked();
    void OnCloseClicked();
    void OnInputBrowseFile();
    void OnInputBrowseDirectory();
    void OnOutputBrowse();
    void SetOutputBoxEnabled(bool enabled);
    // What switching an option on forces on the others; shared by the clicks and the opening.
    void ApplySortInterlock();
    void ApplyNoRecursionInterlock();
    void ApplyUnixLfInterlock();

    SettingsDialogControls m_controls;

    // The dialog's working copy of the settings; OK and Close hand it back. Its option rules are
    // the record's own (ApplySortConsequences and the others).
    CCRCSettings m_working;
    // Set only while a dropped path is put into the controls: the output check is skipped then.
    std::int32_t m_bDropping = 0;
    // 0 while the controls are filled for the first time; the path checks act only when 1.
    std::int32_t m_bValidate = 0;
};

}  // namespace quillmark
