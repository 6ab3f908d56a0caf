// save_output.h - File > "Save Output As...": the pane's text written to a file the user picks.
#pragma once

#include <QByteArray>
#include <string>

class QWidget;

namespace quillmark {

class OutputPane;

// Writes text to path whole or not at all, through the replace routine settings.dat uses. An
// existing file the user may not write is left alone. Empty on success, else the reason.
std::string WriteOutputFile(const std::string& path, const QByteArray& text);

// The save dialog ("Save Output As", starting at the home directory, asking before it replaces
// a file), then the pane's text as UTF-8 with LF line ends; a failure is shown in a box naming
// the path and the reason.
void SaveOutputAs(QWidget* owner, const OutputPane& pane);

}  // namespace quillmark
