#pragma once
// The simulator's COM name: a link in the serial layer's ports folder that
// pins a name to the simulator's pty while it runs, or the file that names
// its network port.

#include "serial/PortNames.h"

#include <filesystem>
#include <optional>
#include <string>

namespace sim {

class ComLink {
public:
    /// A ports-folder file's one line, such as "rfc2217://127.0.0.1:4001".
    struct File {
        std::string line;
    };

    /// Links target in dir (made if missing) as wanted ("COM7", any case),
    /// or, with wanted empty, as the lowest number that stands for no
    /// device now (no link, and no present device numbered there by
    /// scanner) and that the adapters file keeps for no adapter.
    /// A wanted name is refused when an entry pins it to something that
    /// exists; a link to a missing target is set aside and put back when
    /// this link goes.
    /// @throws std::runtime_error saying why, when no link could be made.
    ComLink(std::filesystem::path dir, std::filesystem::path target, const std::string& wanted,
            serial::PortNames::Scanner scanner = serial::scanSerialDevices);
    /// The same with a file of that line instead of a link; it appears
    /// whole, never empty.
    ComLink(std::filesystem::path dir, const File& file, const std::string& wanted,
            serial::PortNames::Scanner scanner = serial::scanSerialDevices);
    /// Removes the link (the file), if it is still this one.
    ~ComLink();
    ComLink(const ComLink&) = delete;
    ComLink& operator=(const ComLink&) = delete;

    /// "COM3".
    const std::string& name() const { return name_; }

private:
    ComLink(std::filesystem::path dir, std::filesystem::path target, std::optional<std::string> line,
            const std::string& wanted, serial::PortNames::Scanner scanner);
    void claimWanted(int number);
    void claimFirstFree(const serial::PortNames& ports);
    int make(const std::filesystem::path& entry) const;
    bool ours(const std::filesystem::path& entry) const;

    std::filesystem::path dir_;
    std::filesystem::path target_;
    std::optional<std::string> line_; // a file's, rather than a link
    std::string name_;
    std::optional<std::filesystem::path> previous_; // a dangling link set aside
};

} // namespace sim
