#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Files.h"
#include "FilesTestSupport.h"

namespace files = base::files;

namespace {

using base_test::TempFolder;

// The worker program in a child process, with its output on a pipe.
class Worker
{
public:
    explicit Worker(std::vector<std::string> args)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            std::vector<char *> argv{const_cast<char *>(BASE_FILES_WORKER)};
            for (std::string &arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        m_output = fds[0];
    }
    ~Worker()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
        ::close(m_output);
    }

    // Waits until the worker says it is under way.
    bool working()
    {
        char line[16] = {};
        return ::read(m_output, line, sizeof line - 1) > 0 && std::string(line) == "working\n";
    }

    // Sends the signal and returns how the worker ended.
    int stop(int signal)
    {
        ::kill(m_pid, signal);
        return wait();
    }

private:
    int wait()
    {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -WEXITSTATUS(status);
    }

    pid_t m_pid = -1;
    int m_output = -1;
};

class KillTest : public TempFolder, public ::testing::WithParamInterface<bool>
{
protected:
    KillTest() { files::testing::forceNamedTemporaries(named()); }
    bool named() const { return GetParam(); }
    std::vector<std::string> flags(std::vector<std::string> args) const
    {
        if (named())
            args.push_back("--named");
        return args;
    }
    static bool filledWith(const std::string &bytes, char fill, std::size_t size)
    {
        return bytes.size() == size && bytes.find_first_not_of(fill) == std::string::npos;
    }
};

TEST_P(KillTest, AKilledReplacementLeavesTheOldOrNewFileWholeAndNoStrayAfterTheNextWrite)
{
    constexpr std::size_t kSize = 1 << 20;
    std::mt19937 random(7);
    int strays = 0;
    for (int round = 0; round < 40; ++round) {
        Worker worker(flags({"replace", at("install.ini"), std::to_string(kSize)}));
        ASSERT_TRUE(worker.working());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ASSERT_EQ(worker.stop(SIGKILL), SIGKILL);
        const std::string bytes = read(at("install.ini"));
        ASSERT_TRUE(filledWith(bytes, 'a', kSize) || filledWith(bytes, 'b', kSize)) << "round " << round;
        strays += entries().size() - 1;
        std::string error;
        ASSERT_TRUE(files::replaceFileContent(at("install.ini"), "next", &error)) << error;
        ASSERT_EQ(entries(), std::set<std::string>{"install.ini"}) << "round " << round;
    }
    std::printf("stray temporaries right after the kill (before the next write): %d of 40\n", strays);
}

TEST_P(KillTest, AKillInTheMiddleOfALargeCopyLeavesTheOldOrNewTargetWholeAndNoStrayAfterTheNextCopy)
{
    constexpr std::size_t kSize = 32 << 20;
    write(at("a.ar"), std::string(kSize, 'a'));
    write(at("b.ar"), std::string(kSize, 'b'));
    ::mkdir(at("pkg").c_str(), 0755);
    std::mt19937 random(11);
    for (int round = 0; round < 8; ++round) {
        Worker worker(flags({"copy", at("a.ar"), at("b.ar"), at("pkg/track.ar")}));
        ASSERT_TRUE(worker.working());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 60000));
        ASSERT_EQ(worker.stop(SIGKILL), SIGKILL);
        if (entries(at("pkg")).count("track.ar")) {
            const std::string bytes = read(at("pkg/track.ar"));
            ASSERT_TRUE(filledWith(bytes, 'a', kSize) || filledWith(bytes, 'b', kSize)) << "round " << round;
        }
        std::string error;
        ASSERT_EQ(files::copyFile(at("a.ar"), at("pkg/track.ar"), {}, &error), files::CopyOutcome::Copied)
            << error;
        ASSERT_EQ(entries(at("pkg")), std::set<std::string>{"track.ar"}) << "round " << round;
    }
}

TEST_P(KillTest, SigtermOrSigintDuringACopyLeavesNoTemporary)
{
    write(at("a.ar"), std::string(32 << 20, 'a'));
    write(at("b.ar"), std::string(32 << 20, 'b'));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::filesystem::remove_all(at("pkg"));
        ::mkdir(at("pkg").c_str(), 0755);
        // Slow, so that the signal surely comes in the middle of the first copy.
        Worker worker(flags({"copy", at("a.ar"), at("b.ar"), at("pkg/track.ar"), "--signals", "--slow"}));
        ASSERT_TRUE(worker.working());
        EXPECT_EQ(worker.stop(signal), signal); // ended by the signal, as without the handler
        EXPECT_EQ(entries(at("pkg")), std::set<std::string>{}) << "signal " << signal;
    }
}

INSTANTIATE_TEST_SUITE_P(Temporaries, KillTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Named" : "Unnamed"; });

} // namespace
