#include "in_process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sanitizer/allocator_interface.h>
#include <stdio_ext.h>
#include <sys/mman.h>
#include <unistd.h>

// The target is linked with --wrap for these: inside a run, exit throws back
// to run_in_process, and the standard I/O streams a run opens are known.
extern "C" {
[[noreturn]] void __real_exit(int status);
FILE *__real_fdopen(int fd, const char *mode);
int __real_fclose(FILE *file);
}

namespace {
bool running;
pid_t owner;

// The runner's own system calls do not fail; when one does, the process ends.
void must(bool ok, const char *what)
{
    if (!ok) {
        perror(what);
        abort();
    }
}

// --- Memory a run leaves allocated ---------------------------------------
// Programs end through exit and leave their buffers to it.  The blocks a run
// allocates on the fuzzing thread are kept in an open-addressing table and
// freed after the run.
constexpr size_t slot_bits = 15;
constexpr size_t slots = size_t(1) << slot_bits;
void *const removed = reinterpret_cast<void *>(1);
void *table[slots];
size_t used_slots[slots]; // every slot filled during the run
size_t used;
thread_local bool tracking;

size_t slot_of(const volatile void *p)
{
    return size_t((uintptr_t(p) >> 4) * 0x9E3779B97F4A7C15u >> (64 - slot_bits));
}

void on_malloc(const volatile void *p, size_t)
{
    if (!tracking || !p || used == slots / 2)
        return;
    size_t s = slot_of(p);
    while (table[s] && table[s] != removed)
        s = (s + 1) % slots;
    table[s] = const_cast<void *>(p);
    used_slots[used++] = s;
}

void on_free(const volatile void *p)
{
    if (!tracking || !p)
        return;
    size_t s = slot_of(p);
    while (table[s] && table[s] != p)
        s = (s + 1) % slots;
    if (table[s])
        table[s] = removed;
}

void free_left_blocks()
{
    for (size_t i = 0; i < used; i++) {
        void *&entry = table[used_slots[i]];
        if (entry && entry != removed)
            free(entry);
        entry = nullptr;
    }
    used = 0;
}

// --- Standard I/O streams ---------------------------------------------------
constexpr size_t max_files = 16;
FILE *opened_files[max_files];
size_t opened_count;
bool stdin_closed;
char stdin_buffer[BUFSIZ], stdout_buffer[BUFSIZ];

// The buffers of standard input and output are static: a buffer allocated
// during a run would be taken for memory the run left behind.
void give_static_buffers()
{
    setvbuf(stdin, stdin_buffer, _IOFBF, sizeof stdin_buffer);
    setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
}

// --- Descriptors --------------------------------------------------------------
int output_master = -1;
// The memory files that hold the bytes fed to the descriptors `fd` of a run.
struct Master {
    int fd, master;
} masters[4];
size_t master_count;
int first_free; // lowest free descriptor before the run

// The runner's own descriptors lie at and above this number, out of the way
// of the low numbers that runs close and open.
constexpr int reserved_fds = 200;

int memory_file()
{
    int made = memfd_create("fuzz", MFD_ALLOW_SEALING);
    int fd = made < 0 ? -1 : fcntl(made, F_DUPFD_CLOEXEC, reserved_fds);
    must(fd >= 0, "memfd_create");
    close(made);
    return fd;
}

void set_up_once()
{
    if (output_master >= 0)
        return;
    owner = getpid();
    output_master = memory_file();
    must(!ftruncate(output_master, off_t(output_limit)) &&
             !fcntl(output_master, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK),
         "sealing the output file");
    give_static_buffers();
    __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free);
}

int master_for(int fd)
{
    for (size_t i = 0; i < master_count; i++)
        if (masters[i].fd == fd)
            return masters[i].master;
    must(master_count < sizeof masters / sizeof *masters, "too many fed descriptors");
    masters[master_count] = Master{fd, memory_file()};
    return masters[master_count++].master;
}

void place(int master, int fd)
{
    must(dup2(master, fd) >= 0 && lseek(fd, 0, SEEK_SET) >= 0, "placing a fuzz descriptor");
}

void feed(const Feed &f)
{
    int master = master_for(f.fd);
    must(!ftruncate(master, 0), "emptying a fed file");
    for (size_t done = 0; done < f.bytes.size();) {
        ssize_t n = pwrite(master, f.bytes.data() + done, f.bytes.size() - done, off_t(done));
        must(n > 0, "filling a fed file");
        done += size_t(n);
    }
    place(master, f.fd);
}
} // namespace

extern "C" FILE *__wrap_fdopen(int fd, const char *mode)
{
    FILE *file = __real_fdopen(fd, mode);
    if (running && file && opened_count < max_files)
        opened_files[opened_count++] = file;
    return file;
}

extern "C" int __wrap_fclose(FILE *file)
{
    for (size_t i = 0; i < opened_count; i++)
        if (opened_files[i] == file)
            opened_files[i] = opened_files[--opened_count];
    if (file == stdin)
        stdin_closed = true;
    return __real_fclose(file);
}

extern "C" void __wrap_exit(int status)
{
    if (running && getpid() == owner)
        throw ProgramExit{status};
    __real_exit(status);
}

void run_begin(std::span<const Feed> feeds)
{
    set_up_once();
    for (const Feed &f : feeds)
        feed(f);
    place(output_master, 1);
    if (stdin_closed) {
        stdin = __real_fdopen(0, "r");
        must(stdin, "fdopen");
        stdin_closed = false;
        give_static_buffers();
    }
    for (FILE *f : {stdin, stdout})
        __fpurge(f), clearerr(f);
    first_free = dup(2); // the lowest free descriptor
    must(first_free >= 0 && !close(first_free), "dup");
    errno = 0;
    running = true;
    tracking = true;
}

void run_end()
{
    running = false;
    // Still tracking: what fclose frees is no longer left behind.
    while (opened_count)
        __wrap_fclose(opened_files[opened_count - 1]);
    tracking = false;
    // Descriptors opened during the run lie at or above the lowest one that
    // was free before it; a run of unused numbers ends them.
    for (int fd = first_free, misses = 0; misses < 8 && fd < reserved_fds; fd++)
        misses = close(fd) == 0 ? 0 : misses + 1;
    free_left_blocks();
}
