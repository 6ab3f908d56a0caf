// crc_settings_dlg.cpp - "Quillmark Options": the working copy of the settings, the interlocks
// between options, the exchange with the controls and its two path checks, and dropped files.
#include "ui/crc_settings_dlg.h"

#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

#include "platform/directory_search.h"
#include "ui/dropped_paths.h"
#include "ui/message_box.h"
#include "ui/settings_dialog_browse.h"
#include "ui/settings_dialog_output_file.h"

namespace quillmark {
namespace {

const char* const kInvalidNameText = "The filename you entered is invalid.\nPlease try again.";

QString FromPathBytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string ToPathBytes(const QString& text) { return QFile::encodeName(text).toStdString(); }

// A name whose bytes are not valid in the locale shows with replacement characters; as long as
// the user leaves the box alone, the original bytes are what the settings keep.
void ExchangeText(bool save, QLineEdit* edit, std::string& value) {
    if (!save) {
        edit->setText(FromPathBytes(value));
    } else if (edit->text() != FromPathBytes(value)) {
        value = ToPathBytes(edit->text());
    }
}

void ExchangeCheck(bool save, QCheckBox* box, std::int32_t& value) {
    if (save) {
        value = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(value != 0);
    }
}

// value is the index of the checked radio of the pair: -1 when neither is checked, and a value
// other than 0 or 1 (from a hand-made settings file) checks neither.
void ExchangeRadio(bool save, QRadioButton* first, QRadioButton* second, std::int32_t& value) {
    if (save) {
        value = first->isChecked() ? 0 : second->isChecked() ? 1 : -1;
        return;
    }
    if (value == 0 || value == 1) {
        (value == 0 ? first : second)->setChecked(true);
        return;
    }
    // An auto-exclusive radio refuses to be unchecked while it is the checked one.
    for (QRadioButton* radio : {first, second}) {
        radio->setAutoExclusive(false);
        radio->setChecked(false);
        radio->setAutoExclusive(true);
    }
}

// A file dialog hands back a QString; a name whose bytes are not valid in the locale comes back
// with replacement characters and names nothing. Such a name is reported, never used.
bool BrowsedNameExists(QWidget* owner, const QString& chosen, bool mayBeNew) {
    const std::string bytes = ToPathBytes(chosen);
    struct stat info {};
    std::string mustExist = bytes;
    if (mayBeNew) mustExist = bytes.substr(0, bytes.find_last_of('/') + 1);
    if (!mustExist.empty() && ::stat(mustExist.c_str(), &info) == 0) return true;
    ShowErrorBox(owner,
                 QObject::tr("The file dialog returned a name that does not exist:\n%1\n"
                             "Type the path or drop it on the dialog instead.")
                     .arg(chosen),
                 QObject::tr("Name not found"));
    return false;
}

}  // namespace

CCrcSettingsDlg::CCrcSettingsDlg(const CCRCSettings& settings, QWidget* parent)
    : QDialog(parent), m_controls(BuildSettingsDialogControls(this)), m_working(settings) {
    setWindowTitle(tr("Quillmark Options"));
    ConnectHandlers();
    OnInitDialog();
    // A fixed frame: no resizing, no maximising; the layout sets the one size that fits. It is
    // settled before the window is shown, so the window manager sees it from the first map.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
}

CCrcSettingsDlg::~CCrcSettingsDlg() = default;

void CCrcSettingsDlg::CopyBackTo(CCRCSettings& settings) const {
    // The option fields only: the flag byte and the remembered directory stay the caller's.
    const std::string settingsDirectory = settings.m_szSettingsDir;
    const std::uint8_t flags = settings.m_flags;
    settings = m_working;
    settings.m_szSettingsDir = settingsDirectory;
    settings.m_flags = flags;
}

void CCrcSettingsDlg::ConnectHandlers() {
    const SettingsDialogControls& c = m_controls;
    connect(c.sortOutput, &QCheckBox::clicked, this, &CCrcSettingsDlg::OnSortOutputClicked);
    connect(c.noRecursion, &QCheckBox::clicked, this, &CCrcSettingsDlg::OnNoRecursionClicked);
    connect(c.unixLf, &QCheckBox::clicked, this, &CCrcSettingsDlg::OnUnixLfClicked);
    connect(c.saveToFile, &QRadioButton::clicked, this, &CCrcSettingsDlg::OnSaveToFileClicked);
    connect(c.sendToScreen, &QRadioButton::clicked, this, &CCrcSettingsDlg::OnSendToScreenClicked);
    connect(c.descriptive, &QRadioButton::clicked, this, [this] { m_working.m_nOutputStyle = 0; });
    connect(c.tabular, &QRadioButton::clicked, this, [this] { m_working.m_nOutputStyle = 1; });
    connect(c.output, &QLineEdit::textChanged, this, &CCrcSettingsDlg::OnOutputTextChanged);
    connect(c.ok, &QPushButton::clicked, this, &CCrcSettingsDlg::accept);
    connect(c.cancel, &QPushButton::clicked, this, &CCrcSettingsDlg::reject);
    connect(c.defaults, &QPushButton::clicked, this, &CCrcSettingsDlg::OnDefaultsClicked);
    connect(c.close, &QPushButton::clicked, this, &CCrcSettingsDlg::OnCloseClicked);

    connect(c.inputBrowseFile, &QAction::triggered, this, &CCrcSettingsDlg::OnInputBrowseFile);
    connect(c.inputBrowseDirectory, &QAction::triggered, this,
            &CCrcSettingsDlg::OnInputBrowseDirectory);
    connect(c.outputBrowse, &QPushButton::clicked, this, &CCrcSettingsDlg::OnOutputBrowse);
}

void CCrcSettingsDlg::OnInitDialog() {
    const SettingsDialogControls& c = m_controls;
    UpdateData(false);
    m_bValidate = 1;
    m_bDropping = 0;
    setAcceptDrops(true);

    (m_working.m_nReadMode == 1 ? c.binary : c.ascii)->setChecked(true);
    (m_working.m_nOutputStyle != 0 ? c.tabular : c.descriptive)->setChecked(true);
    // Opening with an option already set shows what clicking it on would have shown.
    if (m_working.UsesUnixLineEnds()) ApplyUnixLfInterlock();
    if (m_working.IsSorted()) ApplySortInterlock();
    if (!m_working.IsRecursive()) ApplyNoRecursionInterlock();
    if (m_working.m_nOutputDest == 1) {
        c.sendToScreen->setChecked(true);
        SetOutputBoxEnabled(false);
    } else {
        c.saveToFile->setChecked(true);
        SetOutputBoxEnabled(true);
    }
    c.ok->setFocus();
}

bool CCrcSettingsDlg::UpdateData(bool saveAndValidate) { return DoDataExchange(saveAndValidate); }

bool CCrcSettingsDlg::DoDataExchange(bool save) {
    const SettingsDialogControls& c = m_controls;
    // When collecting, the box that failed its check gets the focus with its text selected, so
    // the user can retype it at once; when filling, the exchange merely stops.
    auto fail = [save](QLineEdit* edit) {
        if (save) {
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
        }
        return false;
    };
    ExchangeRadio(save, c.ascii, c.binary, m_working.m_nReadMode);
    ExchangeRadio(save, c.saveToFile, c.sendToScreen, m_working.m_nOutputDest);
    ExchangeRadio(save, c.descriptive, c.tabular, m_working.m_nOutputStyle);
    ExchangeText(save, c.input, m_working.m_strInput);
    if (!ValidateInputPath()) return fail(c.input);
    ExchangeText(save, c.output, m_working.m_strOutput);
    if (!ValidateOutputFile(m_working.m_strOutput, m_bDropping != 0)) return fail(c.output);
    ExchangeCheck(save, c.sortOutput, m_working.m_bSortOutput);
    ExchangeCheck(save, c.noRecursion, m_working.m_bNoRecursion);
    ExchangeCheck(save, c.dirWildcards, m_working.m_bDirWildcards);
    ExchangeCheck(save, c.lowercase, m_working.m_bLowercase);
    ExchangeCheck(save, c.unixLf, m_working.m_bUnixLF);
    return true;
}

bool CCrcSettingsDlg::ValidateInputPath() {
    if (m_working.m_strInput.empty() || m_bValidate != 1) return true;
    // A directory stands for every file in it. Only the settings get the pattern; the box
    // keeps showing what was typed.
    if (m_working.m_strInput.back() == '/') m_working.m_strInput += "*.*";
    if (!PathOrPatternExists(m_working.m_strInput)) {
        ShowErrorBox(this, tr(kInvalidNameText), tr("Unable to find input file"));
        return false;
    }
    return true;
}

bool CCrcSettingsDlg::ValidateOutputFile(std::string output, bool dropping) {
    if (output.empty() || m_working.m_nOutputDest != 0 || m_bValidate != 1 || dropping) return true;
    if (OutputFileExists(output) &&
        !AskYesNo(this, tr("The output file already exists. Do you wish to overwrite it?"),
                  tr("Overwrite output file?"))) {
        return false;
    }
    // Runs append to the output file; accepting the dialog is what starts it afresh.
    if (!CreateEmptyOutputFile(output)) {
        ShowErrorBox(this, tr(kInvalidNameText), tr("Unable to create file"));
        return false;
    }
    return true;
}

void CCrcSettingsDlg::accept() {
    if (UpdateData(true)) done(kResultOk);
}

void CCrcSettingsDlg::reject() { done(kResultCancel); }

void CCrcSettingsDlg::OnCloseClicked() {
    if (UpdateData(true)) done(kResultClose);
}

void CCrcSettingsDlg::ApplySortInterlock() {
    const SettingsDialogControls& c = m_controls;
    // Sorted results print as tabular lines whatever these two say.
    m_working.ApplySortConsequences();
    c.lowercase->setChecked(false);
    c.lowercase->setEnabled(false);
    c.tabular->setChecked(true);
    c.descriptive->setEnabled(false);
}

void CCrcSettingsDlg::ApplyNoRecursionInterlock() {
    const SettingsDialogControls& c = m_controls;
    m_working.ApplyNoRecursionConsequences();
    c.dirWildcards->setChecked(false);
    c.dirWildcards->setEnabled(false);
}

void CCrcSettingsDlg::ApplyUnixLfInterlock() {
    const SettingsDialogControls& c = m_controls;
    // The line-end conversion is a read mode of its own; ASCII is not offered beside it.
    m_working.ApplyUnixLineEndConsequences();
    c.binary->setChecked(true);
    c.ascii->setEnabled(false);
}

// The interlocks work from the members, which follow their box at once.
void CCrcSettingsDlg::OnSortOutputClicked() {
    const SettingsDialogControls& c = m_controls;
    if (!m_working.IsSorted()) {
        m_working.m_bSortOutput = 1;
        ApplySortInterlock();
    } else {
        m_working.m_bSortOutput = 0;
        c.lowercase->setEnabled(true);
        c.descriptive->setEnabled(true);
    }
}

void CCrcSettingsDlg::OnNoRecursionClicked() {
    const SettingsDialogControls& c = m_controls;
    if (m_working.IsRecursive()) {
        m_working.m_bNoRecursion = 1;
        ApplyNoRecursionInterlock();
    } else {
        m_working.m_bNoRecursion = 0;
        c.dirWildcards->setEnabled(true);
    }
}

void CCrcSettingsDlg::OnUnixLfClicked() {
    const SettingsDialogControls& c = m_controls;
    if (!m_working.UsesUnixLineEnds()) {
        m_working.m_bUnixLF = 1;
        ApplyUnixLfInterlock();
    } else {
        m_working.m_bUnixLF = 0;
        c.ascii->setEnabled(true);
    }
}

void CCrcSettingsDlg::OnSaveToFileClicked() {
    m_working.m_nOutputDest = 0;
    SetOutputBoxEnabled(true);
}

void CCrcSettingsDlg::OnSendToScreenClicked() {
    m_working.m_nOutputDest = 1;
    SetOutputBoxEnabled(false);
}

void CCrcSettingsDlg::OnOutputTextChanged(const QString& text) {
    if (text != FromPathBytes(m_working.m_strOutput)) m_working.m_strOutput = ToPathBytes(text);
}

void CCrcSettingsDlg::SetOutputBoxEnabled(bool enabled) {
    m_controls.output->setEnabled(enabled);
    m_controls.outputBrowse->setEnabled(enabled);
}

void CCrcSettingsDlg::OnDefaultsClicked() {
    const SettingsDialogControls& c = m_controls;
    m_working.ResetDefaults();
    m_bDropping = 0;
    for (QWidget* control :
         {static_cast<QWidget*>(c.ascii), static_cast<QWidget*>(c.lowercase),
          static_cast<QWidget*>(c.dirWildcards), static_cast<QWidget*>(c.descriptive)}) {
        control->setEnabled(true);
    }
    c.sendToScreen->setChecked(true);
    SetOutputBoxEnabled(false);
    c.defaults->setFocus();
    UpdateData(false);
}

void CCrcSettingsDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CCrcSettingsDlg::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = DroppedLocalPaths(event->mimeData());
    // Only a single local path can become the input; anything else leaves the dialog as it is.
    if (paths.size() == 1 && event->mimeData()->urls().size() == 1) {
        m_working.m_strInput = paths.front();
        m_bDropping = 1;
        // Refilling every control from the members also resets the boxes whose members follow
        // them only when the values are collected (wildcards, lowercase, read mode).
        UpdateData(false);
    }
    m_bDropping = 0;
    event->acceptProposedAction();
}

void CCrcSettingsDlg::OnInputBrowseFile() {
    const QString path = ChooseInputFile(this, m_controls.input->text());
    if (!path.isEmpty() && BrowsedNameExists(this, path, false)) m_controls.input->setText(path);
}

void CCrcSettingsDlg::OnInputBrowseDirectory() {
    const QString path = ChooseInputDirectory(this, m_controls.input->text());
    if (!path.isEmpty() && BrowsedNameExists(this, path, false)) m_controls.input->setText(path);
}

void CCrcSettingsDlg::OnOutputBrowse() {
    const QString path = ChooseOutputFile(this, m_controls.output->text());
    if (!path.isEmpty() && BrowsedNameExists(this, path, true)) m_controls.output->setText(path);
}

}  // namespace quillmark
