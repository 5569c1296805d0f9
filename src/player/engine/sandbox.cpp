#include "player/engine/sandbox.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "shared/cache_folder.h"

namespace qc::engine {

namespace {

// Landlock's third version (truncate), newer than this system's header.
constexpr std::uint64_t kTruncate = 1ull << 14;
constexpr std::uint64_t kReadRights =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
constexpr std::uint64_t kFileRights =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_WRITE_FILE;

std::string fromHome(const char* rest) {
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? std::string(home) + rest : std::string();
}

// Every right the kernel's Landlock knows of, by its version.
std::uint64_t handledRights(int abi) {
    std::uint64_t rights = kReadRights | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                           LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR | LANDLOCK_ACCESS_FS_MAKE_DIR |
                           LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                           LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    if (abi >= 2) rights |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3) rights |= kTruncate;
    return rights;
}

void allow(int ruleset, const std::string& path, std::uint64_t rights, std::uint64_t handled) {
    if (path.empty()) return;
    const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) return;  // not on this machine
    struct stat st {};
    if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) rights &= kFileRights | kTruncate;
    landlock_path_beneath_attr rule{.allowed_access = rights & handled, .parent_fd = fd};
    ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    ::close(fd);
}

bool landlock() {
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) return false;  // the kernel has none, or it is off
    const std::uint64_t handled = handledRights(static_cast<int>(abi));
    landlock_ruleset_attr attr{.handled_access_fs = handled};
    const int ruleset = static_cast<int>(::syscall(SYS_landlock_create_ruleset, &attr, sizeof attr, 0));
    if (ruleset < 0) return false;
    for (const char* path : {"/usr", "/lib", "/lib64", "/lib32", "/etc", "/proc/self", "/proc/filesystems",
                             "/proc/sys/vm/overcommit_memory", "/sys/devices/system/cpu", "/sys/devices/system/node",
                             "/var/cache/fontconfig"})
        allow(ruleset, path, kReadRights, handled);
    allow(ruleset, programCacheFolder(), kReadRights, handled);  // the allowed modules' folder
    allow(ruleset, fromHome("/.config/pulse"), kReadRights, handled);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/')
        allow(ruleset, std::string(runtime) + "/pulse", kReadRights, handled);
    const std::uint64_t readWrite = kReadRights | LANDLOCK_ACCESS_FS_WRITE_FILE;
    allow(ruleset, "/dev/snd", readWrite, handled);
    allow(ruleset, "/dev/null", readWrite, handled);
    allow(ruleset, "/dev/urandom", kReadRights, handled);
    allow(ruleset, "/dev/shm", handled, handled);  // the sound server's shared memory
    const bool done = ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    ::close(ruleset);
    return done;
}

bool seccomp() {
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    if (!ctx) return false;
    seccomp_attr_set(ctx, SCMP_FLTATR_CTL_TSYNC, 1);  // every thread there is, should there be any
    const auto deny = SCMP_ACT_ERRNO(EPERM);
    bool ok = true;
    auto rule = [&](int rc) { ok = ok && rc == 0; };
    for (const char* name : {"execve",
                             "execveat",
                             "ptrace",
                             "process_vm_readv",
                             "process_vm_writev",
                             "mount",
                             "umount2",
                             "pivot_root",
                             "chroot",
                             "unshare",
                             "setns",
                             "bpf",
                             "perf_event_open",
                             "io_uring_setup",
                             "io_uring_enter",
                             "io_uring_register",
                             "kexec_load",
                             "kexec_file_load",
                             "init_module",
                             "finit_module",
                             "delete_module",
                             "keyctl",
                             "add_key",
                             "request_key",
                             "userfaultfd",
                             "listen",
                             "open_by_handle_at",
                             "name_to_handle_at",
                             "fanotify_init",
                             "swapon",
                             "swapoff",
                             "reboot",
                             "acct",
                             "quotactl",
                             "fsopen",
                             "fsmount",
                             "move_mount",
                             "open_tree",
                             "mount_setattr"}) {
        const int nr = seccomp_syscall_resolve_name(name);
        if (nr != __NR_SCMP_ERROR) rule(seccomp_rule_add(ctx, deny, nr, 0));
    }
    // clone3 passes its flags in memory a filter can't read: glibc falls back to clone.
    rule(seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0));
    for (unsigned long flag :
         {CLONE_NEWUSER, CLONE_NEWNS, CLONE_NEWNET, CLONE_NEWPID, CLONE_NEWIPC, CLONE_NEWUTS, CLONE_NEWCGROUP})
        rule(seccomp_rule_add(ctx, deny, SCMP_SYS(clone), 1, SCMP_A0(SCMP_CMP_MASKED_EQ, flag, flag)));
    rule(seccomp_rule_add(ctx, deny, SCMP_SYS(socket), 1, SCMP_A0(SCMP_CMP_EQ, AF_PACKET)));
    for (scmp_datum_t family : {AF_INET, AF_INET6})
        rule(seccomp_rule_add(ctx, deny, SCMP_SYS(socket), 2, SCMP_A0(SCMP_CMP_EQ, family),
                              SCMP_A1(SCMP_CMP_MASKED_EQ, 0xF, SOCK_RAW)));
    ok = ok && seccomp_load(ctx) == 0;
    seccomp_release(ctx);
    return ok;
}

}  // namespace

void limitProcess() {
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
#if !defined(__SANITIZE_ADDRESS__)  // its shadow memory counts as data
    const rlimit data{kMemoryLimit, kMemoryLimit};
    ::setrlimit(RLIMIT_DATA, &data);
#endif
}

Confinement confineProcess() {
    Confinement c;
    c.landlock = landlock();
    c.seccomp = seccomp();
    return c;
}

std::uint64_t residentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long size = 0, resident = 0;
    const int n = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return n == 2 ? static_cast<std::uint64_t>(resident) * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace qc::engine
