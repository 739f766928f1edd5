#include "testing/Process.h"

#include "testing/Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <thread>

extern char** environ;

namespace test_support {

namespace fs = std::filesystem;

bool onPath(const char* program)
{
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t at = 0;
    while (at <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', at), dirs.size());
        if (access((dirs.substr(at, end - at) + "/" + program).c_str(), X_OK) == 0)
            return true;
        at = end + 1;
    }
    return false;
}

bool eventually(const std::function<bool()>& fn, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (fn())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        poll(nullptr, 0, 5);
    }
}

Process::Process(const std::vector<std::string>& argv, const Options& options)
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (options.readOutput && pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (options.readOutput)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    if (!options.errFile.empty())
        posix_spawn_file_actions_addopen(&actions, 2, options.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> vars = options.env;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const std::string_view name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& v : options.env)
            replaced = replaced || std::string_view(v).substr(0, name.size()) == name;
        if (!replaced)
            vars.emplace_back(entry);
    }
    std::vector<char*> envp;
    envp.reserve(vars.size() + 1);
    for (std::string& v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (options.readOutput) {
        ::close(pipeFds[1]);
        out_ = pipeFds[0];
    }
    if (rc != 0) {
        pid_ = -1;
        if (out_ >= 0)
            ::close(out_);
        throw std::runtime_error("cannot start " + argv.front());
    }
}

Process::Process(Process&& other) noexcept
    : pid_(other.pid_), out_(other.out_), status_(other.status_), pending_(std::move(other.pending_))
{
    other.pid_ = -1;
    other.out_ = -1;
}

Process::~Process()
{
    stop();
    if (out_ >= 0)
        ::close(out_);
}

std::optional<std::string> Process::readLine(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const std::size_t nl = pending_.find('\n'); nl != std::string::npos) {
            std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (out_ < 0 || left <= 0 || !waitReadable(out_, static_cast<int>(left)))
            return std::nullopt;
        char buf[256];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0)
            return std::nullopt;
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

std::optional<int> Process::exitStatus()
{
    if (!status_ && pid_ > 0) {
        int raw = 0;
        if (waitpid(pid_, &raw, WNOHANG) == pid_)
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    return status_;
}

int Process::stop()
{
    if (pid_ <= 0)
        return -1;
    if (const std::optional<int> ended = exitStatus())
        return *ended;
    kill(pid_, SIGTERM);
    // A child that does not end within 5 s is killed: a wait without end
    // turned one loaded test run into a time-out that named nothing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool killed = false;
    while (!exitStatus()) {
        if (!killed && std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "process %d did not end within 5 s of SIGTERM: killed\n", static_cast<int>(pid_));
            kill(pid_, SIGKILL);
            killed = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return *status_;
}

Process socatPair(const fs::path& a, const fs::path& b)
{
    Process socat({"socat", "pty,raw,echo=0,link=" + a.string(), "pty,raw,echo=0,link=" + b.string()});
    if (!eventually([&] { return fs::is_symlink(a) && fs::is_symlink(b); }, 5000))
        throw std::runtime_error("socat made no ptys at " + a.string() + " and " + b.string());
    return socat;
}

} // namespace test_support
