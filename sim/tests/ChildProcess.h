#pragma once
// A program a test runs as its peer (the simulator, socat): started with
// extra environment, its standard output readable line by line, and
// stopped with SIGTERM at the latest when the object goes.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace sim::testing {

class ChildProcess {
public:
    /// Runs argv[0] (searched on PATH) with NAME=value entries of env added
    /// to this process's environment. @throws std::runtime_error if it
    /// cannot be started.
    explicit ChildProcess(std::vector<std::string> argv, const std::vector<std::string>& env = {})
    {
        std::vector<std::string> vars = env;
        for (char** e = environ; *e; ++e) {
            const std::string name = std::string(*e).substr(0, std::strcspn(*e, "=") + 1);
            bool overridden = false;
            for (const std::string& v : env)
                overridden = overridden || v.rfind(name, 0) == 0;
            if (!overridden)
                vars.emplace_back(*e);
        }
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const int rc = posix_spawnp(&pid_, argv[0].c_str(), &actions, nullptr, pointers(argv).data(),
                                    pointers(vars).data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        out_ = out[0];
        if (rc != 0)
            throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
    ~ChildProcess()
    {
        stop();
        ::close(out_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// The next line of its output without the line end; empty if none came
    /// within timeoutMs or the output ended.
    std::string readLine(int timeoutMs = 5000)
    {
        for (;;) {
            if (const auto nl = buffered_.find('\n'); nl != std::string::npos) {
                std::string line = buffered_.substr(0, nl);
                buffered_.erase(0, nl + 1);
                return line;
            }
            pollfd p{out_, POLLIN, 0};
            char buf[256];
            if (::poll(&p, 1, timeoutMs) <= 0)
                return {};
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0)
                return {};
            buffered_.append(buf, static_cast<std::size_t>(n));
        }
    }

    /// Sends sig and waits for the end; the wait status, or -1 if it had
    /// already been waited for.
    int stop(int sig = SIGTERM)
    {
        if (pid_ <= 0)
            return -1;
        kill(pid_, sig);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    static std::vector<char*> pointers(std::vector<std::string>& strings)
    {
        std::vector<char*> p;
        for (std::string& s : strings)
            p.push_back(s.data());
        p.push_back(nullptr);
        return p;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffered_;
};

} // namespace sim::testing
