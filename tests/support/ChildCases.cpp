#include "support/ChildCases.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvane_test {

namespace {

long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string readAll(int fd)
{
    std::string out;
    char buf[4096];
    lseek(fd, 0, SEEK_SET);
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<size_t>(n));
    return out;
}

struct Running {
    pid_t pid;
    size_t index;
    int fd;
    long long start;
    bool killed;
};

} // namespace

std::vector<ChildOutcome> RunChildCases(size_t count, const std::function<int(size_t)> &body, int limitMs,
                                        int parallel)
{
    std::vector<ChildOutcome> out(count);
    std::vector<Running> running;
    size_t next = 0;
    fflush(nullptr);
    while (next < count || !running.empty()) {
        while (next < count && static_cast<int>(running.size()) < parallel) {
            const int fd = memfd_create("child-case", MFD_CLOEXEC);
            if (fd < 0) {
                perror("memfd_create");
                abort();
            }
            const pid_t pid = fork();
            if (pid < 0) {
                perror("fork");
                abort();
            }
            if (pid == 0) {
                const struct rlimit noCore = {0, 0};
                setrlimit(RLIMIT_CORE, &noCore);
                dup2(fd, 1);
                dup2(fd, 2);
                alarm(static_cast<unsigned>(limitMs / 1000 + 2)); // backstop if the parent dies
                const int rc = body(next);
                fflush(nullptr);
                exit(rc); // exit, not _exit: the leak check runs at exit
            }
            running.push_back({pid, next, fd, nowMs(), false});
            ++next;
        }
        int status = 0;
        const pid_t done = waitpid(-1, &status, WNOHANG);
        if (done > 0) {
            for (size_t k = 0; k < running.size(); ++k) {
                if (running[k].pid != done)
                    continue;
                ChildOutcome &o = out[running[k].index];
                o.ms = nowMs() - running[k].start;
                o.timedOut = running[k].killed;
                o.exited = WIFEXITED(status);
                o.code = o.exited ? WEXITSTATUS(status) : WTERMSIG(status);
                o.output = readAll(running[k].fd);
                close(running[k].fd);
                running.erase(running.begin() + static_cast<long>(k));
                break;
            }
            continue;
        }
        const long long now = nowMs();
        for (Running &r : running) {
            if (!r.killed && now - r.start > limitMs) {
                kill(r.pid, SIGKILL);
                r.killed = true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return out;
}

} // namespace quorvane_test
