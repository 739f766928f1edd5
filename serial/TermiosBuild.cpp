#include "serial/TermiosBuild.h"

#include <sys/ioctl.h>

namespace serial {

termios withRawMode(termios t)
{
    // As cfmakeraw(), minus its CS8 and parity changes, which belong to
    // withDataBits and withParity.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CREAD | CLOCAL;
    // The descriptor is non-blocking, so VMIN 1 never waits: an empty
    // queue reads EAGAIN and only a hung-up line reads 0, which spares
    // every empty poll a second system call to tell the two apart.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return t;
}

std::optional<termios> withDataBits(termios t, int bits)
{
    tcflag_t size = 0;
    switch (bits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return std::nullopt;
    }
    t.c_cflag = (t.c_cflag & ~CSIZE) | size;
    return t;
}

std::optional<termios> withParity(termios t, std::uint8_t code, bool check)
{
    tcflag_t bits = 0;
    switch (code) {
    case parity::None: bits = 0; break;
    case parity::Odd: bits = PARENB | PARODD; break;
    case parity::Even: bits = PARENB; break;
    // With CMSPAR the parity bit is fixed: PARODD picks 1 (mark), else 0.
    case parity::Mark: bits = PARENB | CMSPAR | PARODD; break;
    case parity::Space: bits = PARENB | CMSPAR; break;
    default: return std::nullopt;
    }
    t.c_cflag = (t.c_cflag & ~(PARENB | PARODD | CMSPAR)) | bits;
    if (check)
        t.c_iflag |= INPCK;
    else
        t.c_iflag &= ~INPCK;
    return t;
}

std::optional<termios> withStopBits(termios t, std::uint8_t code)
{
    switch (code) {
    case stopbits::One: t.c_cflag &= ~CSTOPB; return t;
    case stopbits::Two: t.c_cflag |= CSTOPB; return t;
    default: return std::nullopt;
    }
}

std::optional<termios> withFlowControl(termios t, const LineSettings& line)
{
    if (line.dsrOutFlow || line.dtr == LineControl::Handshake)
        return std::nullopt;
    // The kernel has one RTS/CTS handshake for both directions.
    if (line.ctsOutFlow || line.rts == LineControl::Handshake)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (line.xonXoffOut)
        t.c_iflag |= IXON;
    if (line.xonXoffIn)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = line.xonChar;
    t.c_cc[VSTOP] = line.xoffChar;
    return t;
}

std::optional<termios> withLineSettings(termios t, const LineSettings& line)
{
    std::optional<termios> r = withRawMode(t);
    r = withDataBits(*r, line.dataBits);
    if (r)
        r = withParity(*r, line.parity, line.parityCheck);
    if (r)
        r = withStopBits(*r, line.stopBits);
    if (r)
        r = withFlowControl(*r, line);
    return r;
}

LineSettings lineSettingsFrom(const termios& t, std::uint32_t baud, std::optional<int> modemLines)
{
    LineSettings s;
    s.baudRate = baud;
    switch (t.c_cflag & CSIZE) {
    case CS5: s.dataBits = 5; break;
    case CS6: s.dataBits = 6; break;
    case CS7: s.dataBits = 7; break;
    default: s.dataBits = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        s.parity = parity::None;
    else if (t.c_cflag & CMSPAR)
        s.parity = (t.c_cflag & PARODD) ? parity::Mark : parity::Space;
    else
        s.parity = (t.c_cflag & PARODD) ? parity::Odd : parity::Even;
    s.stopBits = (t.c_cflag & CSTOPB) ? stopbits::Two : stopbits::One;
    s.parityCheck = (t.c_iflag & INPCK) != 0;
    s.ctsOutFlow = (t.c_cflag & CRTSCTS) != 0;
    s.dsrOutFlow = false;
    if (modemLines)
        s.dtr = (*modemLines & TIOCM_DTR) ? LineControl::Enable : LineControl::Disable;
    if (s.ctsOutFlow)
        s.rts = LineControl::Handshake;
    else if (modemLines)
        s.rts = (*modemLines & TIOCM_RTS) ? LineControl::Enable : LineControl::Disable;
    s.xonXoffOut = (t.c_iflag & IXON) != 0;
    s.xonXoffIn = (t.c_iflag & IXOFF) != 0;
    s.xonChar = t.c_cc[VSTART];
    s.xoffChar = t.c_cc[VSTOP];
    return s;
}

} // namespace serial
