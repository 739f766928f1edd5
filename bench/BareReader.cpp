// A reader with no window, for comparison with the programs' burst drain:
// at most CHUNK bytes every PERIOD ms, on a fixed beat that starts with the
// first byte, from the pty DEVICE, until TOTAL bytes have come. It prints
// the reads and how many found less than CHUNK waiting: where it falls
// short of CHUNK per PERIOD as the programs do, the pty's own hand-over of
// the bytes is the limit, not the program.
// Usage: bare_reader DEVICE CHUNK PERIOD_MS TOTAL

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: bare_reader DEVICE CHUNK PERIOD_MS TOTAL\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const std::size_t chunk = std::strtoul(argv[2], nullptr, 10);
    const long periodNs = std::strtol(argv[3], nullptr, 10) * 1000000L;
    const long long total = std::strtoll(argv[4], nullptr, 10);
    std::printf("ready\n");
    std::fflush(stdout);

    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    std::vector<char> buffer(chunk);
    long long got = 0, reads = 0, shortReads = 0;
    timespec beat{};
    ::clock_gettime(CLOCK_MONOTONIC, &beat);
    while (got < total) {
        const ssize_t n = ::read(fd, buffer.data(), chunk);
        if (n > 0) {
            got += n;
            ++reads;
            shortReads += static_cast<std::size_t>(n) < chunk && got < total;
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
        beat.tv_nsec += periodNs;
        while (beat.tv_nsec >= 1000000000L) {
            beat.tv_nsec -= 1000000000L;
            ++beat.tv_sec;
        }
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &beat, nullptr) == EINTR) {
        }
    }
    std::printf("%lld bytes in %lld reads, %lld of them short\n", got, reads, shortReads);
    return got == total ? 0 : 1;
}
