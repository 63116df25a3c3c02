#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

// Plain file and process access for checking what the INI functions left on disk.
namespace IniTestFiles {

inline std::string readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline bool writeBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return out.write(bytes.data(), std::streamsize(bytes.size())) && out.flush();
}

inline struct stat statOf(const std::string &path)
{
    struct stat st
    {
    };
    ::stat(path.c_str(), &st);
    return st;
}

inline bool exists(const std::string &path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Every name in the folder, hidden ones included, sorted by their bytes.
inline std::vector<std::string> entries(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh folder, removed with everything in it when the object goes.
class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ini-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!m_path.empty()) {
            std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    bool isValid() const { return !m_path.empty(); }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

// A program started with pipes to its standard input and output.
class Child
{
public:
    ~Child()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        closeInput();
        if (m_output >= 0)
            ::close(m_output);
    }

    // mergeErrors: the standard error goes to the output pipe too.
    bool start(const std::string &program, const std::vector<std::string> &arguments,
               bool mergeErrors = false)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (mergeErrors)
            posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        const int failed = ::posix_spawnp(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_input = in[1];
        m_output = out[0];
        if (failed)
            m_pid = -1;
        return !failed;
    }

    // True once the program wrote something to its output within the time.
    bool waitForOutput(int milliseconds)
    {
        pollfd wanted{m_output, POLLIN, 0};
        return ::poll(&wanted, 1, milliseconds) == 1 && (wanted.revents & POLLIN);
    }

    std::string readAllOutput()
    {
        std::string text;
        char buffer[4096];
        ssize_t got;
        while ((got = ::read(m_output, buffer, sizeof buffer)) > 0)
            text.append(buffer, std::size_t(got));
        return text;
    }

    bool write(const std::string &bytes)
    {
        return ::write(m_input, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }
    void closeInput()
    {
        if (m_input >= 0)
            ::close(m_input);
        m_input = -1;
    }

    void kill() { ::kill(m_pid, SIGKILL); }

    // The wait status once the program ended within the time.
    std::optional<int> waitForFinished(int milliseconds)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            int status = 0;
            const pid_t ended = ::waitpid(m_pid, &status, WNOHANG);
            if (ended == m_pid) {
                m_pid = -1;
                return status;
            }
            if (ended < 0 || std::chrono::steady_clock::now() > deadline)
                return std::nullopt;
            ::usleep(2000);
        }
    }

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
};

// Runs a program to its end: its exit code (-1 when it could not run or was killed), with its
// standard output and error in *output.
inline int run(const std::string &program, const std::vector<std::string> &arguments,
               std::string *output = nullptr)
{
    Child child;
    if (!child.start(program, arguments, true))
        return -1;
    child.closeInput();
    const std::string text = child.readAllOutput();
    if (output)
        *output = text;
    const std::optional<int> status = child.waitForFinished(60000);
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

} // namespace IniTestFiles
