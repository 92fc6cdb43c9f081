#include "ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace quorvane_test {

namespace {

std::vector<char *> CArgs(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    return args;
}

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits for pid with a deadline; returns the exit code, -1 for a signal or time-out.
int WaitPid(int pid, int timeoutMs, bool *timedOut)
{
    const long long end = NowMs() + timeoutMs;
    for (;;) {
        int status = 0;
        const int r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0 && errno != EINTR)
            return -1;
        if (NowMs() >= end) {
            if (timedOut)
                *timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(2000);
    }
}

} // namespace

ProgramResult RunProgram(const std::vector<std::string> &argv, const std::string &cwd, int timeoutMs)
{
    ProgramResult result;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return result;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    std::vector<char *> args = CArgs(argv);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(126);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }
    result.started = true;
    const long long end = NowMs() + timeoutMs;
    bool outOpen = true, errOpen = true;
    while ((outOpen || errOpen) && NowMs() < end) {
        pollfd fds[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0}, {errOpen ? errPipe[0] : -1, POLLIN, 0}};
        const long long left = end - NowMs();
        if (poll(fds, 2, static_cast<int>(left > 0 ? left : 0)) <= 0)
            continue;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents)
                continue;
            const ssize_t n = read(i == 0 ? outPipe[0] : errPipe[0], buf, sizeof(buf));
            if (n > 0)
                (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
            else
                (i == 0 ? outOpen : errOpen) = false;
        }
    }
    close(outPipe[0]);
    close(errPipe[0]);
    const long long left = end - NowMs();
    result.exitCode = WaitPid(pid, static_cast<int>(left > 0 ? left : 0), &result.timedOut);
    return result;
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string> &argv, const std::string &outputFile) : m_pid(-1)
{
    std::vector<char *> args = CArgs(argv);
    const int fd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        execv(args[0], args.data());
        _exit(127);
    }
    close(fd);
    m_pid = pid;
}

BackgroundProgram::~BackgroundProgram()
{
    if (m_pid > 0)
        Stop(3000);
}

int BackgroundProgram::Stop(int timeoutMs)
{
    if (m_pid <= 0)
        return -1;
    kill(m_pid, SIGTERM);
    const int code = WaitPid(m_pid, timeoutMs, nullptr);
    m_pid = -1;
    return code;
}

int BackgroundProgram::Wait(int timeoutMs)
{
    if (m_pid <= 0)
        return -1;
    bool timedOut = false;
    const int code = WaitPid(m_pid, timeoutMs, &timedOut); // kills it on time-out
    m_pid = -1;
    return timedOut ? -1 : code;
}

} // namespace quorvane_test
