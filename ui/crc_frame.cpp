// crc_frame.cpp - the main window and its commands.
#include "ui/crc_frame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextCursor>
#include <QUrl>
#include <set>

#include "processing/input_explanation.h"
#include "processing/run_processing.h"
#include "settings/settings_file.h"
#include "ui/about_dlg.h"
#include "ui/confirmation_text.h"
#include "ui/crc_settings_dlg.h"
#include "ui/cursor_scope.h"
#include "ui/dropped_paths.h"
#include "ui/gui_message_presenter.h"
#include "ui/gui_progress_view.h"
#include "ui/message_box.h"
#include "ui/output_pane.h"
#include "ui/pane_sink.h"
#include "ui/resources/menu_resources.h"
#include "ui/resources/ui_texts.h"
#include "ui/run_thread.h"
#include "ui/save_output.h"
#include "ui/verify_listing.h"

// The resources live in a static library; nothing would pull them in without this.
static void InitQuillmarkResources() { Q_INIT_RESOURCE(quillmark); }

namespace quillmark {
namespace {

constexpr int kPaneColumns = 100;
constexpr int kPaneLines = 30;
constexpr int kPanePointSize = 12;

// "Courier" when the system really has it; fontconfig would otherwise hand back whatever it
// substitutes, which need not be fixed-pitch, so the system's own fixed font is used instead.
QFont ChoosePaneFont() {
    QFont courier(QStringLiteral("Courier"), kPanePointSize);
    QFontInfo info(courier);
    if (info.exactMatch() || info.family().compare("Courier", Qt::CaseInsensitive) == 0) {
        return courier;
    }
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(kPanePointSize);
    return fixed;
}

}  // namespace

CCrcFrame::CCrcFrame(ResultTree& resultTree) : m_resultTree(resultTree) {
    InitQuillmarkResources();
    LoadSettingsAtStartup(m_settings);

    setWindowTitle(QString::fromLatin1(kMainWindowCaption));
    setWindowIcon(QIcon(QStringLiteral(":/quillmark/quillmark.png")));
    CreatePane();
    m_paneSink = std::make_unique<PaneSink>(*m_wndPane);
    m_presenter = std::make_unique<GuiMessagePresenter>(this);
    m_progressView = std::make_unique<GuiProgressView>(this);
    CreateMenus();
    AssignAccelerators();
    AddMenuBarKey();
    SizeToPaneCharacters();
    setAcceptDrops(true);

    // Whichever way the program ends, the settings reach settings.dat.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &CCrcFrame::SaveSettingsOnExit);
}

CCrcFrame::~CCrcFrame() { SaveSettingsOnExit(); }

QAction* CCrcFrame::Action(int command) const {
    auto found = m_actions.find(command);
    return found == m_actions.end() ? nullptr : found->second;
}

void CCrcFrame::CreatePane() {
    m_wndPane = new OutputPane(this);
    m_wndPane->setObjectName("outputPane");
    m_wndPane->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_wndPane->setFont(ChoosePaneFont());
    // A drop on the pane would be pasted as a URL; it must reach the window and start a run.
    m_wndPane->setAcceptDrops(false);
    setCentralWidget(m_wndPane);
    m_wndPane->setFocus();

    QFontMetrics metrics(m_wndPane->font());
    m_nCharWidth = metrics.horizontalAdvance(QLatin1Char('x'));
    m_nLineHeight = metrics.lineSpacing();

    connect(m_wndPane, &QPlainTextEdit::undoAvailable, this, &CCrcFrame::UpdateEditCommands);
    connect(m_wndPane, &QPlainTextEdit::copyAvailable, this, &CCrcFrame::UpdateEditCommands);
    connect(m_wndPane, &QPlainTextEdit::selectionChanged, this, &CCrcFrame::UpdateEditCommands);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &CCrcFrame::UpdateEditCommands);
}

void CCrcFrame::CreateMenus() {
    for (const MenuResource& menuResource : MainMenuResource()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(menuResource.title));
        for (const MenuItemResource& item : menuResource.items) {
            if (item.IsSeparator()) {
                menu->addSeparator();
                continue;
            }
            // The text keeps its shortcut text after the tab; QMenu shows that part as is.
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            action->setStatusTip(QString::fromLatin1(CommandPrompt(item.command)));
            action->setData(item.command);
            const int command = item.command;
            connect(action, &QAction::triggered, this,
                    [this, command] { ExecuteCommand(command); });
            m_actions[command] = action;
        }
        if (menuResource.items.size() > 0 && menuResource.items[0].command == ID_EDIT_UNDO) {
            connect(menu, &QMenu::aboutToShow, this, &CCrcFrame::UpdateEditCommands);
        }
    }
    UpdateEditCommands();
}

void CCrcFrame::AssignAccelerators() {
    std::set<QString> taken;
    for (const AcceleratorResource& entry : MainAcceleratorTable()) {
        QString key = QString::fromLatin1(entry.key);
        // The first entry for a key is the one carried out; later ones never fire.
        if (!taken.insert(key).second) continue;
        if (QAction* action = Action(entry.command)) {
            QList<QKeySequence> keys = action->shortcuts();
            keys.append(QKeySequence(key));
            action->setShortcuts(keys);
        }
    }
}

void CCrcFrame::AddMenuBarKey() {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(key, &QShortcut::activated, this, [this] {
        const QList<QAction*> menus = menuBar()->actions();
        if (!menus.isEmpty()) menuBar()->setActiveAction(menus.first());
    });
}

void CCrcFrame::SizeToPaneCharacters() {
    const int margin = 2 * static_cast<int>(m_wndPane->document()->documentMargin());
    const int frame = 2 * m_wndPane->frameWidth();
    // One pixel more across for the text cursor after the last column.
    const int paneWidth = kPaneColumns * m_nCharWidth + margin + frame + 1;
    const int paneHeight = kPaneLines * m_nLineHeight + margin + frame;
    resize(paneWidth, paneHeight + menuBar()->sizeHint().height());
}

void CCrcFrame::ExecuteCommand(int command) {
    UpdateEditCommands();
    if (QAction* action = Action(command); action != nullptr && !action->isEnabled()) return;
    switch (command) {
        case ID_FILE_NEW:
            OnFileNew();
            break;
        case ID_FILE_SAVE_OUTPUT_AS:
            SaveOutputAs(this, *m_wndPane);
            break;
        case ID_APP_EXIT:
            OnAppExit();
            break;
        case ID_EDIT_UNDO:
            m_wndPane->undo();
            break;
        case ID_EDIT_CUT:
            m_wndPane->cut();
            break;
        case ID_EDIT_COPY:
            m_wndPane->copy();
            break;
        case ID_EDIT_PASTE:
            m_wndPane->paste();
            break;
        case ID_EDIT_SELECT_ALL:
            m_wndPane->selectAll();
            break;
        case ID_CRC_SETTINGS:
            EditSettings();
            break;
        case ID_LOAD_SETTINGS:
            OnLoadSettings();
            break;
        case ID_SAVE_SETTINGS:
            OnSaveSettings();
            break;
        case ID_RESET_DEFAULTS:
            m_settings.ResetDefaults();
            break;
        case ID_BEGIN_PROCESSING:
            ConfirmAndRun();
            break;
        case ID_VERIFY_LISTING:
            ChooseAndVerifyListing();
            break;
        case ID_APP_ABOUT:
            OnAbout();
            break;
        default:
            break;
    }
    UpdateEditCommands();
}

void CCrcFrame::UpdateEditCommands() {
    if (m_actions.empty()) return;
    const bool hasSelection = m_wndPane->textCursor().hasSelection();
    Action(ID_EDIT_UNDO)->setEnabled(m_wndPane->document()->isUndoAvailable());
    Action(ID_EDIT_CUT)->setEnabled(hasSelection);
    Action(ID_EDIT_COPY)->setEnabled(hasSelection);
    Action(ID_EDIT_PASTE)->setEnabled(m_wndPane->CanPasteText());
}

void CCrcFrame::OnFileNew() {
    // Erased like a user's delete, so Undo brings the text back.
    QTextCursor cursor = m_wndPane->textCursor();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    m_wndPane->setTextCursor(cursor);
}

void CCrcFrame::OnAppExit() {
    m_resultTree.Clear();
    close();
}

void CCrcFrame::OnLoadSettings() {
    bool loaded = false;
    {
        const CursorScope wait(Qt::WaitCursor);
        loaded = LoadSettingsCommand(m_settings);
    }
    if (!loaded) {
        ShowErrorBox(this, QString::fromLatin1(kLoadSettingsFailed.text),
                     QString::fromLatin1(kLoadSettingsFailed.caption));
    }
}

void CCrcFrame::OnSaveSettings() {
    bool saved = false;
    {
        const CursorScope wait(Qt::WaitCursor);
        saved = SaveSettingsCommand(m_settings);
    }
    if (!saved) {
        ShowErrorBox(this, QString::fromLatin1(kSaveSettingsFailed.text),
                     QString::fromLatin1(kSaveSettingsFailed.caption));
    }
}

void CCrcFrame::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

RunOutcome CCrcFrame::RunProcessing() {
    // The progress window blocks input to this window, but a drop or a queued command could
    // still arrive while the run's event loop runs; runs never nest.
    if (m_bRunning) return RunOutcome{};
    SetBusy(true);
    // The walk runs on a worker thread; this one keeps painting and answering Cancel meanwhile.
    const RunOutcome summary =
        RunOnWorkerThread(*this, *m_paneSink, *m_presenter, *m_progressView, m_resultTree)
            .Run(m_settings);
    m_paneSink->Flush();
    SetBusy(false);
    if (summary.cancelled) {
        ShowErrorBox(this, QString::fromLatin1(kRunCancelledText).arg(summary.filesProcessed),
                     QString::fromLatin1(kMainWindowCaption));
    }
    return summary;
}

void CCrcFrame::SetBusy(bool busy) {
    m_bRunning = busy;
    // One wait cursor over the main window for the whole run: switching it per file costs time
    // and flickers over many small files, and the progress window keeps an arrow for Cancel.
    if (busy) {
        setCursor(Qt::WaitCursor);
        m_wndPane->viewport()->setCursor(Qt::WaitCursor);
    } else {
        m_wndPane->viewport()->setCursor(Qt::IBeamCursor);
        unsetCursor();
    }
    if (QAction* verify = Action(ID_VERIFY_LISTING)) verify->setEnabled(!busy);
    if (!busy) {
        ReturnFocusToPane();
        UpdateEditCommands();
    }
}

void CCrcFrame::ChooseAndVerifyListing() {
    if (m_bRunning) return;
    const QString chosen =
        QFileDialog::getOpenFileName(this, QString::fromLatin1(kVerifyCaption), QString(),
                                     QString::fromLatin1(kListingFileFilter));
    if (chosen.isEmpty()) return;
    VerifyListing(chosen.toLocal8Bit().toStdString());
}

void CCrcFrame::VerifyListing(const std::string& listing) {
    if (m_bRunning) return;
    SetBusy(true);
    RunOnWorkerThread worker(*this, *m_paneSink, *m_presenter, *m_progressView, m_resultTree);
    VerifyListingInWindow(this, listing, m_settings.ChecksumReadMode(), worker);
    SetBusy(false);
}

void CCrcFrame::ReturnFocusToPane() {
    activateWindow();
    m_wndPane->setFocus();
}

void CCrcFrame::ConfirmAndRun() {
    if (m_settings.m_strInput.empty()) {
        ShowErrorBox(this, QString::fromLatin1(kNoInputText), QString::fromLatin1(kNoInputCaption));
        return;
    }
    if (AskYesNo(this, QString::fromLocal8Bit(BuildConfirmationText(m_settings)),
                 QString::fromLatin1(kConfirmCaption))) {
        RunProcessing();
    }
}

void CCrcFrame::EditSettings() {
    CCrcSettingsDlg dialog(m_settings, this);
    const int result = dialog.exec();
    if (result != CCrcSettingsDlg::kResultOk && result != CCrcSettingsDlg::kResultClose) return;
    dialog.CopyBackTo(m_settings);
    m_settings.UpdateFlags();
    if (result == CCrcSettingsDlg::kResultOk) {
        RunProcessing();
        update();
    }
}

void CCrcFrame::SaveSettingsOnExit() {
    if (m_bSettingsSaved) return;
    m_bSettingsSaved = true;
    if (!SaveSettingsAtExit(m_settings)) {
        ShowErrorBox(nullptr, QString::fromLatin1(kExitSaveFailed.text),
                     QString::fromLatin1(kExitSaveFailed.caption));
    }
}

void CCrcFrame::closeEvent(QCloseEvent* event) {
    if (m_bRunning) {
        // Ending the program under a run would pull its window and sink away; stop it instead.
        event->ignore();
        if (CProgressDlg* window = m_progressView->CurrentWindow()) window->reject();
        return;
    }
    SaveSettingsOnExit();
    event->accept();
}

void CCrcFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_bRunning && !DroppedLocalPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void CCrcFrame::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_bRunning && !DroppedLocalPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void CCrcFrame::dropEvent(QDropEvent* event) {
    if (m_bRunning) return;
    const std::vector<std::string> paths = DroppedLocalPaths(event->mimeData());
    if (paths.empty()) return;
    event->acceptProposedAction();
    RunEachPath(paths);
}

void CCrcFrame::RunEachPath(const std::vector<std::string>& paths) {
    std::vector<std::string> explanations;
    // Last-listed first, so the first-listed path is the input that remains.
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        m_settings.m_strInput = *path;
        const RunOutcome summary = RunProcessing();
        if (summary.cancelled) return;
        if (const auto explanation =
                ExplainEmptyRun(*path, m_settings.IsRecursive(), summary, true)) {
            explanations.push_back(explanation->text);
        }
    }
    if (explanations.empty()) return;
    // In the order the paths were given.
    QStringList lines;
    for (auto line = explanations.rbegin(); line != explanations.rend(); ++line) {
        lines << QString::fromLocal8Bit(*line);
    }
    ShowErrorBox(this, lines.join(QLatin1Char('\n')), QString::fromLatin1(kErrorCaption));
}

}  // namespace quillmark
