// A reader with no window, for comparison with the programs' burst drain:
// at most CHUNK bytes every PERIOD ms, on a fixed beat that starts with the
// first byte, from the pty DEVICE, until TOTAL bytes have come. It prints
// the reads and how many found less than CHUNK waiting: where it falls
// short of CHUNK per PERIOD as the programs do, the pty's own hand-over of
// the bytes is the limit, not the program. With BOUND, each beat reads
// CHUNK at a time until a read finds less or BOUND bytes have come in that
// beat, as the programs' ticks do above their one read's rate: beside a
// paced feed it shows what waits this machine's pty itself causes.
// Usage: bare_reader DEVICE CHUNK PERIOD_MS TOTAL [BOUND]

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
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: bare_reader DEVICE CHUNK PERIOD_MS TOTAL [BOUND]\n");
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
    const std::size_t bound = argc == 6 ? std::strtoul(argv[5], nullptr, 10) : chunk;
    std::printf("ready\n");
    std::fflush(stdout);

    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    std::vector<char> buffer(chunk);
    long long got = 0, reads = 0, shortReads = 0;
    timespec beat{};
    ::clock_gettime(CLOCK_MONOTONIC, &beat);
    bool failed = false;
    while (got < total && !failed) {
        for (std::size_t taken = 0; taken < bound && got < total;) {
            const ssize_t n = ::read(fd, buffer.data(), chunk);
            if (n > 0) {
                got += n;
                taken += static_cast<std::size_t>(n);
                ++reads;
                shortReads += static_cast<std::size_t>(n) < chunk && got < total;
            } else {
                failed = n == 0 || (errno != EAGAIN && errno != EINTR);
            }
            if (n < static_cast<ssize_t>(chunk))
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
