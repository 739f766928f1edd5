#pragma once
// Peers for end-to-end tests: programs the test starts and that end with
// it (socat joining two ptys, a script acting as a device), and waiting
// for what they do in real time.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

/// True when an executable of that name is in one of PATH's folders.
bool onPath(const char* program);

/// Runs fn until it holds, with a short pause between tries; false when it
/// still does not hold after about timeoutMs.
bool eventually(const std::function<bool()>& fn, int timeoutMs = 2000);

/// A child process, sent SIGTERM (unless it ended) and reaped when the
/// object goes.
class Process {
public:
    struct Options {
        bool readOutput = false;       // its standard output is a pipe for readLine
        std::filesystem::path errFile; // its standard error, when not empty
        std::vector<std::string> env;  // NAME=value, added to or replacing this process's
    };
    /// Starts argv[0], looked up in PATH, with standard input from
    /// /dev/null. Throws std::runtime_error when it cannot be started.
    explicit Process(const std::vector<std::string>& argv, const Options& options);
    explicit Process(const std::vector<std::string>& argv) : Process(argv, Options{}) {}
    ~Process();
    Process(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process& operator=(Process&&) = delete;

    /// The next line the child printed, without its line break; nothing
    /// when no whole line came within timeoutMs or the output ended.
    std::optional<std::string> readLine(int timeoutMs = 5000);
    /// The exit status once the child has ended (128 + the signal when a
    /// signal ended it); nothing while it runs.
    std::optional<int> exitStatus();
    /// Sends SIGTERM (unless it ended) and waits for the child to end.
    /// @return its exit status, as exitStatus() gives it.
    int stop();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::optional<int> status_;
    std::string pending_; // output read past the last line returned
};

/// socat joining two raw ptys whose slaves are linked at a and b: the two
/// ends of one serial line. Returns once both links exist; throws
/// std::runtime_error when socat cannot start or the links do not appear.
Process socatPair(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace test_support
