// The reference master: the configuration tool's wire timeline, from a plain loop that sleeps
// to absolute deadlines on CLOCK_MONOTONIC (clock_nanosleep, TIMER_ABSTIME). What it achieves
// is the floor of this machine for the figures the benchmark compares.
//
//   bench-floor-master PORT TICKS [CONFIG_EVERY]
//
// Tick 1 (200 ms after the start) reads the configuration; 50 ms after the reply's last byte the
// status is read at once. Tick 2 reads the position, tick 3 the version, later ticks the
// position, and every CONFIG_EVERY-th tick (default 10) the configuration again, with the status
// read after it. Prints "start SECONDS" (CLOCK_MONOTONIC) first.
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static const uint8_t kReadPosition[] = {0x00, 0x03, 0x00, 0x15, 0x00, 0x02, 0xD4, 0x1E};
static const uint8_t kReadAll[] = {0x00, 0x03, 0x00, 0x00, 0x00, 0x15, 0x85, 0xD4};
static const uint8_t kReadStatus[] = {0x00, 0x03, 0x00, 0x17, 0x00, 0x03, 0xB4, 0x1E};
static const uint8_t kReadVersion[] = {0x00, 0x03, 0x00, 0x1B, 0x00, 0x01, 0xF5, 0xDC};

static const int64_t kTickNs = 200000000;
static const int64_t kSilenceNs = 50000000;

static int64_t Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

static struct timespec ToTimespec(int64_t ns) {
    struct timespec t = {(time_t)(ns / 1000000000), (long)(ns % 1000000000)};
    return t;
}

static void SleepUntil(int64_t deadline) {
    const struct timespec t = ToTimespec(deadline);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, NULL) == EINTR) {
    }
}

static void Send(int fd, const uint8_t* frame, size_t size) {
    tcflush(fd, TCIOFLUSH);
    if (write(fd, frame, size) != (ssize_t)size) {
        perror("bench-floor-master: write");
        exit(1);
    }
}

// Gathers one reply: bytes until 50 ms pass without a new one, or nothing by `giveUp`.
// Returns the byte count.
static size_t Receive(int fd, uint8_t* reply, size_t capacity, int64_t giveUp) {
    size_t size = 0;
    int64_t last = -1;
    for (;;) {
        const int64_t deadline = last < 0 ? giveUp : last + kSilenceNs;
        const int64_t now = Now();
        if (now >= deadline) {
            return size;
        }
        const struct timespec wait = ToTimespec(deadline - now);
        struct pollfd p = {fd, POLLIN, 0};
        const int ready = ppoll(&p, 1, &wait, NULL);
        if (ready < 0 && errno != EINTR) {
            perror("bench-floor-master: poll");
            exit(1);
        }
        if (ready > 0) {
            uint8_t chunk[256];
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n > 0) {
                for (ssize_t i = 0; i < n && size < capacity; ++i) {
                    reply[size++] = chunk[i];
                }
                last = Now();
            }
        }
    }
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: bench-floor-master PORT TICKS [CONFIG_EVERY]\n");
        return 2;
    }
    const long ticks = strtol(argv[2], NULL, 10);
    const long configEvery = argc > 3 ? strtol(argv[3], NULL, 10) : 10;
    const int fd = open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0) {
        perror("bench-floor-master: open");
        return 1;
    }
    struct termios tio;
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tio.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &tio);

    const int64_t start = Now();
    printf("start %lld.%09lld\n", (long long)(start / 1000000000), (long long)(start % 1000000000));
    fflush(stdout);
    uint8_t reply[128];
    for (long k = 1; k <= ticks; ++k) {
        const int64_t tick = start + k * kTickNs;
        SleepUntil(tick);
        const int config = k == 1 || (configEvery > 0 && k % configEvery == 0);
        if (config) {
            Send(fd, kReadAll, sizeof kReadAll);
        } else if (k == 3) {
            Send(fd, kReadVersion, sizeof kReadVersion);
        } else {
            Send(fd, kReadPosition, sizeof kReadPosition);
        }
        const int64_t giveUp = tick + kTickNs - 20000000;
        const size_t size = Receive(fd, reply, sizeof reply, giveUp);
        if (config && size >= 3 && reply[1] == 0x03 && reply[2] == 42) {
            Send(fd, kReadStatus, sizeof kReadStatus);
            Receive(fd, reply, sizeof reply, giveUp);
        }
    }
    close(fd);
    return 0;
}
