// `torvane` as users run it: a small statically linked program that holds the stop signals and starts the
// program proper from its private folder.
//
// The program proper links Qt: before its first instruction the dynamic loader maps and relocates a few
// dozen libraries, which takes from a few to over a hundred milliseconds on a busy machine, and a SIGTERM
// or SIGHUP in that time would kill it by its default action: no results, work files left, exit 143. This
// program has nothing to load. Its first instruction blocks SIGINT, SIGTERM and SIGHUP, and the blocked
// mask survives the exec, so a stop that comes while the program proper loads waits until it has
// installed its handlers and unblocks them; the run then ends the ordinary way. A signal ignored by
// whoever started us (nohup, `trap '' HUP`) stays ignored: an exec keeps ignored dispositions, and
// nothing here touches them.
//
// The arguments go on unchanged, argv[0] too, so that the program's messages and help name it as the user
// typed it. It touches no environment variable and no file.

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/auxv.h>
#include <unistd.h>

#ifndef TORVANE_PRIVATE_PROGRAM
#error "TORVANE_PRIVATE_PROGRAM: the program proper's path relative to the launcher's folder"
#endif

namespace {

constexpr unsigned long kStopSignalBits =
    (1UL << (SIGHUP - 1)) | (1UL << (SIGINT - 1)) | (1UL << (SIGTERM - 1));
static_assert(kStopSignalBits == 0x4003, "the entry point below blocks bits 0, 1 and 14");

// The exit status of a program that could not start (as for a bad command line): never 1, which scripts
// read as an error of the processor.
constexpr int kCannotStart = 2;

} // namespace

#if defined(__x86_64__) && !defined(__ILP32__)
// The entry point (the linker is told so): one system call blocks the stop signals before even the C
// library's start-up runs, then the C library's own entry point takes over with the registers and the
// stack as the kernel left them (%rdx is kept for it; the system call changes only %rax, %rcx and %r11).
// Elsewhere the first statement of main does the same, a few microseconds later.
asm(R"(
    .section .rodata.torvane_launcher,"a",@progbits
    .balign 8
torvane_stop_signal_bits:
    .quad 0x4003
    .text
    .globl torvane_launcher_entry
    .type torvane_launcher_entry,@function
torvane_launcher_entry:
    movq %rdx, %r12
    movl $14, %eax                          # rt_sigprocmask
    xorl %edi, %edi                         # SIG_BLOCK
    leaq torvane_stop_signal_bits(%rip), %rsi
    xorl %edx, %edx                         # the old mask is not wanted
    movl $8, %r10d                          # the kernel's signal set: 64 bits
    syscall
    movq %r12, %rdx
    jmp _start
    .size torvane_launcher_entry, .-torvane_launcher_entry
)");
#endif

namespace {

void BlockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

// This program's own file, links resolved, so that the private folder is found beside the real file
// whatever link the user ran. /proc tells it; without /proc, the path the program was started by.
bool OwnFile(char (&path)[PATH_MAX]) {
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n > 0 && static_cast<size_t>(n) < sizeof path) {
        path[n] = '\0';
        return true;
    }
    const auto* started = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    return started && realpath(started, path) != nullptr;
}

// The folder of `self` followed by `relative`, whose ".." steps are taken off the folder (it is the real
// file's, so no link can make that wrong) to give a plain path for messages. False when it is too long.
bool Beside(const char* self, const char* relative, char (&path)[PATH_MAX]) {
    size_t length = std::strlen(self);
    if (length >= sizeof path) return false;
    std::memcpy(path, self, length + 1);
    while (length > 0 && path[length - 1] != '/') --length; // the file's name goes
    if (length > 0) --length;                               // and the slash before it
    path[length] = '\0';
    for (const char* part = relative; *part;) {
        const char* end = std::strchr(part, '/');
        const size_t size = end ? static_cast<size_t>(end - part) : std::strlen(part);
        if (size == 2 && part[0] == '.' && part[1] == '.') {
            while (length > 0 && path[length - 1] != '/') --length;
            if (length > 0) --length;
            path[length] = '\0';
        } else if (size > 0 && !(size == 1 && part[0] == '.')) {
            if (length + 1 + size >= sizeof path) return false;
            path[length++] = '/';
            std::memcpy(path + length, part, size);
            length += size;
            path[length] = '\0';
        }
        part += size;
        if (*part == '/') ++part;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    BlockStopSignals();
    static char self[PATH_MAX];
    static char program[PATH_MAX];
    if (!OwnFile(self)) {
        std::fprintf(stderr, "torvane: cannot find the program's own file: %s\n", std::strerror(errno));
        return kCannotStart;
    }
    if (!Beside(self, TORVANE_PRIVATE_PROGRAM, program)) {
        std::fprintf(stderr, "torvane: cannot start the program beside %s: %s\n", self,
                     std::strerror(ENAMETOOLONG));
        return kCannotStart;
    }
    // A program started without any argument at all gets its own path as argv[0].
    char* bare[] = {program, nullptr};
    execv(program, argc > 0 ? argv : bare);
    std::fprintf(stderr, "torvane: cannot start %s: %s\n", program, std::strerror(errno));
    return kCannotStart;
}
