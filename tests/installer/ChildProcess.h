#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "PackageFixture.h"

// A program started as a player or a script starts setup.exe: its own process, its output
// captured in files, its end seen as an exit status or the signal that stopped it.
namespace installer_test {

class ChildProcess
{
public:
    // Starts program with the arguments in folder workingFolder; environment entries given as
    // "NAME=value" replace or add to the test's own, and bare names are removed.
    ChildProcess(const std::string &program, const std::vector<std::string> &arguments,
                 const std::string &outputFolder, const std::vector<std::string> &environment = {},
                 const std::string &workingFolder = std::filesystem::temp_directory_path().string())
        : m_out(outputFolder + "/out-" + std::to_string(++counter())),
          m_err(outputFolder + "/err-" + std::to_string(counter()))
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            for (const std::string &entry : environment) {
                const std::size_t equals = entry.find('=');
                if (equals == std::string::npos)
                    ::unsetenv(entry.c_str());
                else
                    ::setenv(entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, 1);
            }
            const int out = ::open(m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(err, 2);
            if (::chdir(workingFolder.c_str()) != 0)
                ::_exit(126);
            std::vector<char *> argv{const_cast<char *>(program.c_str())};
            for (const std::string &arg : arguments)
                argv.push_back(const_cast<char *>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~ChildProcess()
    {
        if (m_pid > 0 && !m_finished) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
        std::error_code ec;
        std::filesystem::remove(m_out, ec);
        std::filesystem::remove(m_err, ec);
    }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const { return m_pid; }

    // Sends signal unless the process has already been reaped (its pid may belong to another).
    void signal(int signal)
    {
        if (!m_finished)
            ::kill(m_pid, signal);
    }

    // The exit status; -signal when a signal ended the process.
    int wait()
    {
        if (!m_finished) {
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_status = WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
            m_finished = true;
        }
        return m_status;
    }
    // The exit status, or nothing when the process is still running after the timeout.
    std::optional<int> waitFor(std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!m_finished) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_status = WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
                m_finished = true;
            } else if (std::chrono::steady_clock::now() >= end) {
                return std::nullopt;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        return m_status;
    }
    std::string out() const { return readFile(m_out); }
    std::string err() const { return readFile(m_err); }

    // True once the process has a file open whose path starts with prefix but not with
    // excluded (a copy under way).
    bool hasOpenFileUnder(const std::string &prefix, const std::string &excluded = {}) const
    {
        std::error_code ec;
        for (const auto &fd :
             std::filesystem::directory_iterator("/proc/" + std::to_string(m_pid) + "/fd", ec)) {
            std::error_code linkError;
            const std::string target = std::filesystem::read_symlink(fd.path(), linkError).string();
            if (!linkError && target.rfind(prefix, 0) == 0 &&
                (excluded.empty() || target.rfind(excluded, 0) != 0))
                return true;
        }
        return false;
    }

    // Waits until the process has a file under prefix open; false when it ended first or took
    // longer than the timeout.
    bool waitForOpenFileUnder(const std::string &prefix, const std::string &excluded = {},
                              std::chrono::seconds timeout = std::chrono::seconds(60))
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            if (hasOpenFileUnder(prefix, excluded))
                return true;
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_status = WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
                m_finished = true;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }

private:
    static int &counter()
    {
        static int n = 0;
        return n;
    }

    std::string m_out;
    std::string m_err;
    pid_t m_pid = -1;
    bool m_finished = false;
    int m_status = -1;
};

} // namespace installer_test
