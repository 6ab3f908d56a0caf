// processing_test_support.h - temporary trees, a working-directory guard and recording fakes for
// the processing tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "processing/output_sink.h"
#include "processing/result_tree.h"
#include "processing/run_processing.h"
#include "processing/run_reporting.h"
#include "settings/crc_settings.h"

namespace quillmark::testing {

// A fresh directory under the system's temporary directory, removed with everything in it. Its
// path is the canonical one, so it compares equal to what getcwd reports inside it.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillmark-XXXXXX").string();
        const char* made = ::mkdtemp(pattern.data());
        if (made == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = std::filesystem::canonical(made).string();
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }

    const std::string& Path() const { return m_path; }
    // The directory text as the walk prints it: ends in '/'.
    std::string Dir() const { return m_path + "/"; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

    void MakeDir(const std::string& relative) const {
        std::filesystem::create_directories(*this / relative);
    }
    void WriteFile(const std::string& relative, const std::string& content = "x") const {
        const std::filesystem::path path = *this / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out << content;
    }

private:
    std::string m_path;
};

// Puts the working directory back however the test ends.
class CwdGuard {
public:
    CwdGuard() : m_saved(std::filesystem::current_path()) {}
    CwdGuard(const CwdGuard&) = delete;
    CwdGuard& operator=(const CwdGuard&) = delete;
    ~CwdGuard() {
        std::error_code ignored;
        std::filesystem::current_path(m_saved, ignored);
    }
    const std::filesystem::path& Saved() const { return m_saved; }

private:
    std::filesystem::path m_saved;
};

class StringSink : public OutputSink {
public:
    bool Write(std::string_view text) override {
        ++writes;
        if (failAfterWrites >= 0 && writes > failAfterWrites) return false;
        text_.append(text);
        return true;
    }
    bool Flush() override {
        ++flushes;
        return true;
    }

    std::string text_;
    int writes = 0;
    int flushes = 0;
    int failAfterWrites = -1;  // negative: never fails
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
    bool OpenProgressWindow(ProgressWindowKind kind) override {
        events.push_back(kind == ProgressWindowKind::Sorting ? "open sorting" : "open processing");
        return openSucceeds;
    }
    void CloseProgressWindow(ProgressWindowKind kind) override {
        events.push_back(kind == ProgressWindowKind::Sorting ? "close sorting"
                                                             : "close processing");
    }
    void OnProgress(const RunProgress& progress) override { reports.push_back(progress); }
    bool IsCancelRequested() override {
        ++polls;
        if (onPoll) onPoll(polls);
        if (sleepPerPoll.count() > 0) std::this_thread::sleep_for(sleepPerPoll);
        return cancelAfterPolls >= 0 && polls > cancelAfterPolls;
    }

    bool openSucceeds = true;
    int cancelAfterPolls = -1;  // negative: never
    std::chrono::milliseconds sleepPerPoll{0};
    std::function<void(int)> onPoll;  // told the poll's number; lets a test act between files
    int polls = 0;
    std::vector<std::string> events;
    std::vector<RunProgress> reports;
};

// The paths of a tabular listing, in the order printed ("%08x %12llu   " is 24 characters).
inline std::vector<std::string> TabularPaths(const std::string& text) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        paths.push_back(line.size() > 24 ? line.substr(24) : line);
        start = end + 1;
    }
    return paths;
}

// One run with recording fakes, the pane as a string.
struct RunHarness {
    CCRCSettings settings;
    StringSink pane;
    RecordingPresenter presenter;
    RecordingProgressView progress;
    ResultTree tree;

    RunHarness() { settings.m_nOutputStyle = 1; }
    RunSummary Run(const std::string& input) {
        settings.m_strInput = input;
        settings.UpdateFlags();
        RunEnvironment env{pane, presenter, progress, tree};
        return RunProcessing(settings, env);
    }
};

}  // namespace quillmark::testing
