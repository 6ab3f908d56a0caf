// output_sink.h - where result text goes: the pane, an output file, standard output, a test.
#pragma once

#include <string_view>

namespace quillmark {

class OutputSink {
public:
    virtual ~OutputSink() = default;
    // Text uses LF line ends; a file sink stores each as CR LF. False when the text could not be
    // delivered (a full disk); the run then stops.
    virtual bool Write(std::string_view text) = 0;
    // Delivers anything held back in a buffer. Called at the end of a run and before a message.
    virtual bool Flush() { return true; }
};

}  // namespace quillmark
