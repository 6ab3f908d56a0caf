// crc_frame.h - CCrcFrame, the main window: the output pane, the menu bar and accelerators, file
// drops, and the commands that reach the settings and the runs.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "processing/result_tree.h"
#include "processing/run_processing.h"
#include "settings/crc_settings.h"
#include "ui/output_pane.h"

class QAction;

namespace quillmark {

class GuiMessagePresenter;
class GuiProgressView;
class PaneSink;

class CCrcFrame : public QMainWindow {
    Q_OBJECT

public:
    // Loads settings.dat from the current working directory (defaults when it cannot) before the
    // window is built. The tree belongs to the application and outlives the window.
    explicit CCrcFrame(ResultTree& resultTree);
    ~CCrcFrame() override;

    CCRCSettings& Settings() { return m_settings; }
    OutputPane* Pane() const { return m_wndPane; }
    // The action of a command id from menu_resources.h, or null.
    QAction* Action(int command) const;
    GuiProgressView& ProgressView() { return *m_progressView; }
    bool IsRunning() const { return m_bRunning; }

    // One complete run over the current settings, results to the pane or the output file; a
    // cancelled run ends with a box saying so.
    RunOutcome RunProcessing();
    // "Begin processing": the summary question, then a run on Yes.
    void ConfirmAndRun();
    // One run for each path, as bytes, in the order a drop takes them; a cancel ends them all.
    // Paths that gave no file are named in one box at the end.
    void RunEachPath(const std::vector<std::string>& paths);
    // "Verify listing...": asks for a listing, then checks it with the current read mode.
    void ChooseAndVerifyListing();
    // Checks one listing: outcomes in the pane, the summary in a box. Settings stay as they are.
    void VerifyListing(const std::string& listing);
    // "CRC Settings...": the options dialog; OK also starts a run.
    void EditSettings();

    // Writes settings.dat into the start-up directory, once, however the window goes away.
    void SaveSettingsOnExit();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreatePane();
    void CreateMenus();
    void AssignAccelerators();
    // F10 opens the first menu, as in other desktop programs.
    void AddMenuBarKey();
    void SizeToPaneCharacters();
    void ExecuteCommand(int command);
    void UpdateEditCommands();
    void ReturnFocusToPane();
    // The one switch between idle and busy: cursor, commands that would start a run, the flag.
    void SetBusy(bool busy);

    void OnFileNew();
    void OnAppExit();
    void OnLoadSettings();
    void OnSaveSettings();
    void OnAbout();

    ResultTree& m_resultTree;
    int m_nCharWidth = 0;
    int m_nLineHeight = 0;
    OutputPane* m_wndPane = nullptr;
    CCRCSettings m_settings;
    std::unique_ptr<PaneSink> m_paneSink;
    std::unique_ptr<GuiMessagePresenter> m_presenter;
    std::unique_ptr<GuiProgressView> m_progressView;
    std::map<int, QAction*> m_actions;
    bool m_bRunning = false;
    bool m_bSettingsSaved = false;
};

}  // namespace quillmark
