// crc_settings_dlg.h - "Quillmark Options", the modal dialog in which every setting is edited.
#pragma once

#include <QDialog>

#include "settings/crc_settings.h"

namespace quillmark {

class CCrcSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // exec() returns one of these: OK takes the values and asks for a run, Close takes them
    // without one, Cancel (also Esc and the close box) discards them.
    enum Result { kResultOk = 1, kResultCancel = 2, kResultClose = 3 };

    // Works on its own copy of the ten option fields of settings.
    CCrcSettingsDlg(const CCRCSettings& settings, QWidget* parent);
    ~CCrcSettingsDlg() override;

    // Copies the ten option fields back (not m_flags, not m_szSettingsDir).
    void CopyBackTo(CCRCSettings& settings) const;

private:
    struct Impl;
    Impl* m_impl;
};

}  // namespace quillmark
