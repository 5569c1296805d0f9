#pragma once
// What this process holds in memory, read from /proc.

#include <map>

namespace qctest {

struct Memory {
    long rssKb = 0;     // resident set of this process
    long pssKb = 0;     // proportional share of this process and of every process below it
    int processes = 0;  // this one and those below it
};

// The games engine's helper processes are below this one, so they count in pssKb.
Memory memory();

// The PSS of this process and of each process below it, by process id.
std::map<int, long> pssKbByProcess();
// The same of their data alone (anonymous and shared memory, not the pages of program files,
// which the page cache keeps or drops as the rest of the machine needs).
std::map<int, long> dataPssKbByProcess();

}  // namespace qctest
