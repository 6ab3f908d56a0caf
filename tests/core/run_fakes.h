// run_fakes.h - a recording pane, message presenter and progress view, and one run through them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "processing/output_sink.h"
#include "processing/result_tree.h"
#include "processing/run_processing.h"
#include "processing/run_reporting.h"
#include "settings/crc_settings.h"

namespace quillmark::testing {

class StringSink : public OutputSink {
public:
    bool Write(std::string_view text) override {
        if (failAfterWrites >= 0 && ++writes > failAfterWrites) return false;
        text_.append(text);
        return true;
    }

    std::string text_;
    int writes = 0;
    int failAfterWrites = -1;  // negative: never fails, and writes are not counted
};

struct Message {
    std::string text;
    std::string caption;
    bool operator==(const Message&) const = default;
};

inline void PrintTo(const Message& message, std::ostream* out) {
    *out << '{' << ::testing::PrintToString(message.text) << ", " << message.caption << '}';
}

class RecordingPresenter : public MessagePresenter {
public:
    void ShowMessage(std::string_view text, std::string_view caption) override {
        messages.push_back({std::string(text), std::string(caption)});
    }
    std::vector<Message> messages;
};

class RecordingProgressView : public RunProgressView {
public:
    bool RunStarting(RunKind kind) override {
        events.push_back(kind == RunKind::Sorting ? "open sorting" : "open processing");
        return openSucceeds;
    }
    void RunEnded(RunKind kind) override {
        events.push_back(kind == RunKind::Sorting ? "close sorting" : "close processing");
    }
    void OnProgress(const RunProgress& progress) override { reports.push_back(progress); }
    bool IsCancelRequested() override {
        ++polls;
        if (onPoll) onPoll(polls);
        return cancelAfterPolls >= 0 && polls > cancelAfterPolls;
    }

    bool openSucceeds = true;
    int cancelAfterPolls = -1;        // negative: never
    std::function<void(int)> onPoll;  // told the poll's number; lets a test act between files
    int polls = 0;
    std::vector<std::string> events;
    std::vector<RunProgress> reports;
};

// The paths of a tabular listing, in the order printed ("%08x %12llu   " is 24 characters).
inline std::vector<std::string> TabularPaths(const std::string& text) {
    std::vector<std::string> paths;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::size_t length = end - start;
        paths.push_back(length > 24 ? text.substr(start + 24, length - 24)
                                    : text.substr(start, length));
    }
    return paths;
}

inline std::size_t OpenDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
}

// One run with recording fakes, the pane as a string, tabular unless the test says otherwise.
// Whatever else it does, a run leaves the working directory as it found it and closes what it
// opened.
struct RunHarness {
    CCRCSettings settings;
    StringSink pane;
    RecordingPresenter presenter;
    RecordingProgressView progress;
    ResultTree tree;
    UnreadableFileReport* unreadable = nullptr;
    // One file at a time unless a test asks otherwise: the polls then come at fixed points.
    unsigned jobs = 1;
    std::chrono::steady_clock::time_point (*clock)() = &std::chrono::steady_clock::now;

    RunHarness() { settings.m_nOutputStyle = 1; }
    RunOutcome Run(const std::string& input) {
        settings.m_strInput = input;
        settings.UpdateFlags();
        RunEnvironment env{pane, presenter, progress, tree};
        env.unreadable = unreadable;
        env.jobs = jobs;
        env.clock = clock;
        const std::filesystem::path cwd = std::filesystem::current_path();
        const std::size_t descriptors = OpenDescriptors();
        const RunOutcome summary = RunProcessing(settings, env);
        EXPECT_EQ(std::filesystem::current_path(), cwd) << input;
        EXPECT_EQ(OpenDescriptors(), descriptors) << input;
        std::filesystem::current_path(cwd);
        return summary;
    }
};

}  // namespace quillmark::testing
