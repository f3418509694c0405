// LD_PRELOAD=bench-malloc-count.so: counts malloc, calloc, realloc and the aligned allocations
// made by the process's main thread (the window's thread, whose thread id is the process id).
// SIGUSR2 appends one line "MONOTONIC_SECONDS COUNT" to the file named by BENCH_ALLOC_LOG.
//
// The calls go on to glibc's own allocator through its __libc_* entry points, so no lookup that
// could itself allocate stands in the way.
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* p, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static unsigned long long allocations;
static int logFd = -1;
// -1 until the thread has asked once; the initial-exec model keeps the lookup free of calls.
static __thread int onMainThread __attribute__((tls_model("initial-exec"))) = -1;

static void Count(void) {
    if (onMainThread < 0) {
        onMainThread = syscall(SYS_gettid) == getpid();
    }
    if (onMainThread) {
        __atomic_add_fetch(&allocations, 1, __ATOMIC_RELAXED);
    }
}

void* malloc(size_t size) {
    Count();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    Count();
    return __libc_calloc(count, size);
}

void* realloc(void* p, size_t size) {
    Count();
    return __libc_realloc(p, size);
}

void* memalign(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    Count();
    void* p = __libc_memalign(alignment, size);
    if (p == NULL) {
        return 12;  // ENOMEM
    }
    *out = p;
    return 0;
}

// Writes the decimal digits of n at the end of buf (async-signal-safe); returns the start.
static char* Digits(unsigned long long n, char* end, int minWidth) {
    char* p = end;
    do {
        *--p = (char)('0' + n % 10);
        n /= 10;
    } while (n != 0 || end - p < minWidth);
    return p;
}

static void Dump(int signal) {
    (void)signal;
    if (logFd < 0) {
        return;
    }
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[96];
    char* end = line + sizeof line;
    char* p = end;
    *--p = '\n';
    p = Digits(__atomic_load_n(&allocations, __ATOMIC_RELAXED), p, 1);
    *--p = ' ';
    p = Digits((unsigned long long)now.tv_nsec / 1000, p, 6);
    *--p = '.';
    p = Digits((unsigned long long)now.tv_sec, p, 1);
    ssize_t ignored = write(logFd, p, (size_t)(end - p));
    (void)ignored;
}

__attribute__((constructor)) static void Init(void) {
    const char* path = getenv("BENCH_ALLOC_LOG");
    if (path == NULL) {
        return;
    }
    logFd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = Dump;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR2, &action, NULL);
}
