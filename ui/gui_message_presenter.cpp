// gui_message_presenter.cpp - shows a run's message in an OK box and waits for the user.
#include "ui/gui_message_presenter.h"

#include <QString>

#include "ui/message_box.h"

namespace quillmark {

void GuiMessagePresenter::ShowMessage(std::string_view text, std::string_view caption) {
    ShowErrorBox(m_owner, QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())),
                 QString::fromLocal8Bit(caption.data(), static_cast<qsizetype>(caption.size())));
}

}  // namespace quillmark
