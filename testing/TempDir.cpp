#include "testing/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace test_support {

TempDir::TempDir(const std::string& what)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / (what + ".XXXXXX")).string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

bool writeFile(const std::filesystem::path& p, std::string_view content)
{
    std::ofstream out(p, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out.flush());
}

} // namespace test_support
