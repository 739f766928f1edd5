#include "testing/Ser2net.h"

#include "testing/TempDir.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace test_support {

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    return a;
}

} // namespace

int freeLoopbackPort()
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(s);
    return port;
}

bool accepting(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(port);
    const bool ok = connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

bool Ser2net::installed() { return access(kPath, X_OK) == 0; }

Ser2net::Ser2net(const std::filesystem::path& dir, const std::string& rfc2217Device, const std::string& rawDevice,
                 bool batching)
{
    rfcPort_ = freeLoopbackPort();
    // Two ports asked of the kernel one after the other may be the same.
    do
        rawPort_ = freeLoopbackPort();
    while (!rawDevice.empty() && rawPort_ == rfcPort_);
    auto connection = [batching](const char* name, const std::string& accepter, int port, const std::string& device) {
        return std::string("connection: &") + name + "\n  accepter: " + accepter + ",127.0.0.1," +
               std::to_string(port) + "\n  connector: serialdev," + device + ",9600n81,local\n" +
               (batching ? "" : "  options:\n    chardelay: false\n");
    };
    // A device is served through one accepter only: ser2net would read it
    // for every connection that names it.
    std::string config = "%YAML 1.1\n---\n";
    if (!rfc2217Device.empty())
        config += connection("rfc", "telnet(rfc2217),tcp", rfcPort_, rfc2217Device);
    if (!rawDevice.empty())
        config += connection("raw", "tcp", rawPort_, rawDevice);
    const std::filesystem::path file = dir / "ser2net.yaml";
    if (!writeFile(file, config))
        return;
    Process::Options options;
    options.errFile = dir / "ser2net.err";
    process_.emplace(std::vector<std::string>{kPath, "-n", "-u", "-c", file.string()}, options);
    started_ = eventually(
        [&] { return (rfc2217Device.empty() || accepting(rfcPort_)) && (rawDevice.empty() || accepting(rawPort_)); },
        5000);
}

void Ser2net::stop()
{
    if (process_)
        process_->stop();
}

} // namespace test_support
