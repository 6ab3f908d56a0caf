// run_messages.h - the messages of one run: each shown with the caption "Error" and counted.
#pragma once

#include <cstdint>
#include <string_view>

#include "processing/output_sink.h"
#include "processing/run_reporting.h"

namespace quillmark {

// The texts a run shows. Like every caption, label and message of the program, they are kept
// exactly as the program has always shown them, spelling included ("dirctory" here, "Tablular"
// in the options dialog): users and their scripts know them by these words. Do not correct them.
inline constexpr const char* kParseFailedText =
    "Error encountered while attempting to parse input file";
inline constexpr const char* kStartDirectoryFailedText = "Unable to set working dirctory";
inline constexpr const char* kDirectoryNotFoundText = "Unable to locate the directory: ";  // + path
inline constexpr const char* kWriteFailedText =
    "Unable to write to output file.\nAborting processing.\n";

class RunMessages {
public:
    RunMessages(MessagePresenter& presenter, OutputSink& pane)
        : m_presenter(presenter), m_pane(pane) {}

    // The pane is flushed first, so that the user sees every line that came before the message.
    void Show(std::string_view text) {
        m_pane.Flush();
        m_presenter.ShowMessage(text, kErrorCaption);
        ++m_count;
    }
    std::uint32_t Count() const { return m_count; }

private:
    MessagePresenter& m_presenter;
    OutputSink& m_pane;
    std::uint32_t m_count = 0;
};

}  // namespace quillmark
