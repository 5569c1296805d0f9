#pragma once
// The least the media engine's process needs of the system, given up step by step: first what
// costs nothing (new privileges, a hard bound on its data), then, once libvlc is loaded and
// before any thread or source, the files it may touch (Landlock, where the kernel has it) and the
// system calls it may make (seccomp).

#include <cstdint>
#include <string>
#include <vector>

namespace qc::engine {

// The engine's memory: past kMemoryWatch it refuses what it is opening and ends if that lasts;
// kMemoryLimit is the kernel's hard bound on its data.
inline constexpr std::uint64_t kMemoryLimit = 1ull << 30;
inline constexpr std::uint64_t kMemoryWatch = 768ull << 20;

// No new privileges (no set-uid program gains any), data bounded by kMemoryLimit.
void limitProcess();

struct Confinement {
    bool landlock = false;  // the kernel has it and took the rules
    bool seccomp = false;
};
// Files: read-only what libvlc reads (the system's libraries and data, /etc, the module folder in
// the user's cache, the sound server's cookie), read-write the sound devices; nothing else.
// System calls: no exec, ptrace, mounts or namespaces, bpf, perf, io_uring, listening sockets, raw
// or packet sockets, kernel keys or modules.
Confinement confineProcess();

// What the process holds in memory now (resident).
std::uint64_t residentBytes();

}  // namespace qc::engine
