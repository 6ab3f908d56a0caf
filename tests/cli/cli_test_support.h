// cli_test_support.h - running the built quillmark-cli on a scratch tree, and the lines it should
// print.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>

#include <cstdio>
#include <functional>

#include "platform/ascii_case.h"
#include "tests/core/test_support.h"

extern char** environ;

namespace quillmark::testing {

inline std::string TabularLine(std::uint32_t crc, std::size_t size, const std::string& path) {
    char head[32];
    std::snprintf(head, sizeof head, "%08x %12zu   ", crc, size);
    return head + path + "\n";
}

inline std::string TabularLine(const std::string& bytes, const std::string& path) {
    return TabularLine(ReferenceCrc(bytes), bytes.size(), path);
}

inline std::string DescriptiveBlock(const std::string& bytes, const std::string& path) {
    char tail[64];
    std::snprintf(tail, sizeof tail, "\nFile size: %zu\nCRC 32: %08x\n\n", bytes.size(),
                  ReferenceCrc(bytes));
    return "Filename: " + path + tail;
}

struct CliResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

struct CliCall {
    std::vector<std::string> args{};
    std::string workingDirectory{};             // empty: the test's own
    std::string stdoutPath{};                   // empty: captured
    std::function<void(pid_t)> whileRunning{};  // called once the child has started
    bool asNobody = false;         // run as user and group 65534, whom permissions do deny
    unsigned descriptorLimit = 0;  // when not 0: the child's soft and hard limit of descriptors
    int stdinFd = -1;              // standard input: this descriptor, or /dev/null
    bool appendStdout = false;     // stdoutPath opened for appending, as ">>" does
    bool onTerminal = false;       // standard output a terminal (a raw pseudo-terminal), captured
};

// A fresh directory per test: the tree under "tree", captures beside it.
class CliTest : public ::testing::Test {
protected:
    CliTest() { fs::create_directory(m_tree); }

    // The path of a file as a run prints it.
    std::string Printed(const std::string& relative) const { return (m_tree / relative).string(); }
    std::string TreeInput() const { return m_tree.string() + "/"; }

    CliResult Run(std::vector<std::string> args) const {
        CliCall call;
        call.args = std::move(args);
        return Run(call);
    }

    // Output goes to files rather than pipes, so a large output cannot block the child.
    CliResult Run(const CliCall& call) const {
        const fs::path outPath =
            call.stdoutPath.empty() ? m_dir / "stdout" : fs::path(call.stdoutPath);
        const fs::path errPath = m_dir / "stderr";
        std::vector<std::string> argvText;
        if (call.descriptorLimit != 0) {
            argvText = {"/usr/bin/prlimit", "--nofile=" + std::to_string(call.descriptorLimit),
                        "--"};
        }
        if (call.asNobody) {
            argvText.insert(argvText.end(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                             "--clear-groups"});
        }
        argvText.push_back(call.asNobody ? CopyForNobody() : std::string(QUILLMARK_CLI_PATH));
        argvText.insert(argvText.end(), call.args.begin(), call.args.end());
        std::vector<char*> argv;
        for (auto& arg : argvText) argv.push_back(arg.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (call.stdinFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, call.stdinFd, STDIN_FILENO);
        } else {
            posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        }
        int terminal = -1;
        if (call.onTerminal) {
            terminal = OpenRawTerminal();
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, ptsname(terminal), O_WRONLY,
                                             0);
        } else {
            posix_spawn_file_actions_addopen(
                &actions, STDOUT_FILENO, outPath.c_str(),
                O_WRONLY | O_CREAT | (call.appendStdout ? O_APPEND : O_TRUNC), 0644);
        }
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

        // What the terminal shows is read as it comes, so the child never waits on a full one.
        std::string shown;
        if (terminal >= 0) {
            char buffer[4096];
            ssize_t got = 0;
            while ((got = ::read(terminal, buffer, sizeof buffer)) > 0 ||
                   (got < 0 && errno == EINTR)) {
                if (got > 0) shown.append(buffer, static_cast<std::size_t>(got));
            }
            ::close(terminal);
        }
        int wstatus = 0;
        while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        if (terminal >= 0) {
            result.out = shown;
        } else if (call.stdoutPath.empty()) {
            result.out = ReadFile(outPath);
        }
        result.err = ReadFile(errPath);
        return result;
    }

    // A pseudo-terminal's controlling side, its other side set raw so LF stays LF; reads of it
    // end once the child has closed the other side.
    static int OpenRawTerminal() {
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        EXPECT_GE(master, 0);
        EXPECT_EQ(grantpt(master), 0);
        EXPECT_EQ(unlockpt(master), 0);
        const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios mode{};
        tcgetattr(slave, &mode);
        cfmakeraw(&mode);
        tcsetattr(slave, TCSANOW, &mode);
        ::close(slave);
        return master;
    }

    // The build tree may sit where user 65534 cannot reach (a clone under /root): that user runs a
    // copy in the test's directory, opened up for it.
    std::string CopyForNobody() const {
        const fs::path copy = m_dir / "quillmark-cli";
        if (!fs::exists(copy)) fs::copy_file(QUILLMARK_CLI_PATH, copy);
        fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
        fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        return copy.string();
    }

    TempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
    const fs::path m_tree{m_dir / "tree"};
};

}  // namespace quillmark::testing
