#pragma once
// What the fuzz targets share: a failed invariant that libFuzzer reports
// as a crash, scratch folders in memory and bytes from the far end of a
// pty line.

#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <poll.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond, what) ((cond) ? void(0) : ::fuzz::fail(what, __FILE__, __LINE__))

inline std::string text(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

/// A scratch folder in memory where the system has one: the settings are
/// synced to disk as they are written, and a disk would slow every run.
inline test_support::TempDir memoryTempDir(const std::string& what)
{
    if (std::filesystem::is_directory("/dev/shm"))
        setenv("TMPDIR", "/dev/shm", 1);
    return test_support::TempDir(what);
}

/// Writes bytes to the pty's master and returns once waiting() (the port's
/// input queue, empty before) holds them all, so the next poll reads them
/// in one go.
template <class Waiting> void deliver(const test_support::Pty& pty, const Bytes& bytes, Waiting&& waiting)
{
    FUZZ_CHECK(pty.writeAll(bytes.data(), bytes.size()), "write to the pty");
    for (int i = 0; i < 2000 && waiting() < bytes.size(); ++i)
        ::poll(nullptr, 0, i < 100 ? 0 : 1);
    FUZZ_CHECK(waiting() == bytes.size(), "the bytes reached the port");
}

} // namespace fuzz
