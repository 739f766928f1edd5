#pragma once
// A scratch folder for one test, gone when the test is.

#include <filesystem>
#include <string>
#include <string_view>

namespace test_support {

class TempDir {
public:
    /// A fresh folder what.XXXXXX under the system's temporary folder;
    /// throws std::runtime_error if none can be made.
    explicit TempDir(const std::string& what);
    /// Removes the folder and all in it; errors are ignored.
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

/// Replaces p's content by content, byte for byte; false if it could not.
bool writeFile(const std::filesystem::path& p, std::string_view content);

} // namespace test_support
