// cli_test_support.h - running the built quillmark-cli on a scratch tree and capturing its output.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace quillmark::testing {

namespace fs = std::filesystem;

// Bit by bit, independent of the program's table: the reference every expected line uses.
inline std::uint32_t ReferenceCrc32(const std::string& bytes) {
    std::uint32_t reg = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        reg ^= byte;
        for (int bit = 0; bit < 8; ++bit) reg = (reg >> 1) ^ (0xEDB88320u & (0u - (reg & 1u)));
    }
    return ~reg;
}

inline std::string TabularLine(std::uint32_t crc, std::size_t size, const std::string& path) {
    char head[32];
    std::snprintf(head, sizeof head, "%08x %12zu   ", crc, size);
    return head + path + "\n";
}

inline std::string TabularLine(const std::string& bytes, const std::string& path) {
    return TabularLine(ReferenceCrc32(bytes), bytes.size(), path);
}

inline std::string DescriptiveBlock(const std::string& bytes, const std::string& path) {
    char tail[64];
    std::snprintf(tail, sizeof tail, "\nFile size: %zu\nCRC 32: %08x\n\n", bytes.size(),
                  ReferenceCrc32(bytes));
    return "Filename: " + path + tail;
}

inline std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

struct CliResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

struct CliCall {
    std::vector<std::string> args;
    std::string workingDirectory;             // empty: the test's own
    std::string stdoutPath;                   // empty: captured
    std::function<void(pid_t)> whileRunning;  // called once the child has started
};

// Output goes to files rather than pipes, so a large output cannot block the child.
class CliRunner {
public:
    explicit CliRunner(fs::path scratch) : m_scratch(std::move(scratch)) {}

    CliResult Run(const CliCall& call) const {
        const fs::path outPath =
            call.stdoutPath.empty() ? m_scratch / "stdout.capture" : fs::path(call.stdoutPath);
        const fs::path errPath = m_scratch / "stderr.capture";
        std::vector<std::string> argvText{QUILLMARK_CLI_PATH};
        argvText.insert(argvText.end(), call.args.begin(), call.args.end());
        std::vector<char*> argv;
        for (auto& arg : argvText) argv.push_back(arg.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (!call.workingDirectory.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions, call.workingDirectory.c_str());
        }
        pid_t pid = -1;
        CliResult result;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0) << "cannot start " << QUILLMARK_CLI_PATH;
        if (spawned != 0) return result;
        if (call.whileRunning) call.whileRunning(pid);

        int wstatus = 0;
        while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        if (call.stdoutPath.empty()) result.out = ReadFile(outPath);
        result.err = ReadFile(errPath);
        return result;
    }

    CliResult Run(std::vector<std::string> args) const {
        CliCall call;
        call.args = std::move(args);
        return Run(call);
    }

private:
    fs::path m_scratch;
};

// A fresh directory per test: the tree under "tree", captures beside it.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quillmark-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = fs::canonical(pattern);
        m_tree = m_dir / "tree";
        fs::create_directory(m_tree);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // The path of a file as a run prints it.
    std::string Printed(const std::string& relative) const { return (m_tree / relative).string(); }
    std::string TreeInput() const { return m_tree.string() + "/"; }

    CliResult Run(std::vector<std::string> args) const {
        return CliRunner(m_dir).Run(std::move(args));
    }
    CliResult Run(const CliCall& call) const { return CliRunner(m_dir).Run(call); }

    fs::path m_dir;
    fs::path m_tree;
};

}  // namespace quillmark::testing
