// gui_message_presenter.h - a run's messages as error boxes owned by the main window.
#pragma once

#include "processing/run_reporting.h"

class QWidget;

namespace quillmark {

class GuiMessagePresenter : public MessagePresenter {
public:
    explicit GuiMessagePresenter(QWidget* owner) : m_owner(owner) {}
    void ShowMessage(std::string_view text, std::string_view caption) override;

private:
    QWidget* m_owner;
};

}  // namespace quillmark
