// Kept apart from every file that includes <termios.h>: see Termios2.h.
#include "serial/Termios2.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <utility>

namespace serial::termios2 {
namespace {

// Classic speed codes; a rate found here is stored as its code rather than
// BOTHER so glibc's cfgetospeed() keeps reporting it correctly.
constexpr std::pair<std::uint32_t, unsigned> kSpeedCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

unsigned speedCode(std::uint32_t baud)
{
    for (const auto& [rate, code] : kSpeedCodes)
        if (rate == baud)
            return code;
    return BOTHER;
}

int getAttributes(int fd, struct termios2& t)
{
    while (ioctl(fd, TCGETS2, &t) != 0)
        if (errno != EINTR)
            return errno;
    return 0;
}

} // namespace

int readSpeeds(int fd, std::uint32_t& inBaud, std::uint32_t& outBaud)
{
    struct termios2 t {};
    if (int err = getAttributes(fd, t))
        return err;
    inBaud = t.c_ispeed;
    outBaud = t.c_ospeed;
    return 0;
}

int setSpeeds(int fd, std::uint32_t inBaud, std::uint32_t outBaud)
{
    // Speed 0 means "hang up" to the kernel, not a line rate.
    if (inBaud == 0 || outBaud == 0)
        return EINVAL;
    struct termios2 t {};
    if (int err = getAttributes(fd, t))
        return err;
    t.c_cflag &= ~(CBAUD | CIBAUD);
    t.c_cflag |= speedCode(outBaud);
    t.c_ospeed = outBaud;
    // An empty CIBAUD field makes the input speed follow the output speed.
    if (inBaud != outBaud)
        t.c_cflag |= speedCode(inBaud) << IBSHIFT;
    t.c_ispeed = inBaud;
    while (ioctl(fd, TCSETS2, &t) != 0)
        if (errno != EINTR)
            return errno;
    return 0;
}

int setSpeed(int fd, std::uint32_t baud) { return setSpeeds(fd, baud, baud); }

} // namespace serial::termios2
