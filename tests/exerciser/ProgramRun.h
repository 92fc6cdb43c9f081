// Runs a program of the build with a bounded wait and collects its output.
#ifndef QUORVANE_TESTS_EXERCISER_PROGRAMRUN_H
#define QUORVANE_TESTS_EXERCISER_PROGRAMRUN_H

#include <string>
#include <vector>

namespace quorvane_test {

struct ProgramResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1; // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments in cwd (empty: this process's directory); kills it
// when it has not ended after timeoutMs.
ProgramResult RunProgram(const std::vector<std::string> &argv, const std::string &cwd, int timeoutMs);

// A started background program (the fake printer): its output collects in a file.
class BackgroundProgram {
public:
    BackgroundProgram(const std::vector<std::string> &argv, const std::string &outputFile);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram &) = delete;
    BackgroundProgram &operator=(const BackgroundProgram &) = delete;

    bool started() const { return m_pid > 0; }
    // Sends SIGTERM and waits (bounded) for the exit code; -1 when it had to be killed.
    int Stop(int timeoutMs);
    // Waits for the program's own exit; -1 on time-out.
    int Wait(int timeoutMs);

private:
    int m_pid;
};

} // namespace quorvane_test

#endif
