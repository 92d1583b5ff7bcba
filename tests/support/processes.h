// Processes for tests: a program started in a process of its own, its exit code
// awaited, and a wait for a condition, each bounded in time.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Waits up to 10 s for `done`, looking every 10 ms; whether it came.
inline bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// Starts the program argv[0] with the rest as its arguments and `env` set, its
// error stream added to `errors`; the child's id.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& errors = "/dev/null",
                   const std::vector<std::pair<std::string, std::string>>& env = {}) {
    const pid_t child = fork();
    if (child != 0) return child;
    for (const auto& [name, value] : env)
        setenv(name.c_str(), value.c_str(), 1);
    if (std::freopen(errors.c_str(), "a", stderr) == nullptr) _exit(126);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

// The child's exit code (128 and the signal, when one ended it) within 10 s;
// -1 when it had not ended by then, and it is killed.
inline int ExitStatus(pid_t child) {
    int status = 0;
    if (!WaitFor([&] { return waitpid(child, &status, WNOHANG) == child; })) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
