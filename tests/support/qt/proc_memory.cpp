#include "proc_memory.h"

#include <unistd.h>

#include <QDir>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qctest {

namespace {

long kbFrom(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    std::string k;
    long v = 0;
    while (in >> k) {
        if (k == key) {
            in >> v;
            return v;
        }
        in.ignore(1 << 20, '\n');
    }
    return 0;
}

}  // namespace

namespace {

std::map<int, long> byProcess(const std::vector<std::string>& keys) {
    std::map<int, int> parent;
    for (const QString& d : QDir("/proc").entryList(QDir::Dirs)) {
        bool ok = false;
        int pid = d.toInt(&ok);
        if (!ok) continue;
        std::ifstream stat("/proc/" + d.toStdString() + "/stat");
        std::string s((std::istreambuf_iterator<char>(stat)), {});
        size_t close = s.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(s.substr(close + 2));
        char state;
        int ppid;
        rest >> state >> ppid;
        parent[pid] = ppid;
    }
    const int self = static_cast<int>(::getpid());
    std::map<int, long> out;
    for (auto [pid, ppid] : parent) {
        for (int p = pid; p > 1; p = parent.count(p) ? parent[p] : 0)
            if (p == self) {
                for (const std::string& key : keys)
                    out[pid] += kbFrom("/proc/" + std::to_string(pid) + "/smaps_rollup", key);
                break;
            }
    }
    return out;
}

}  // namespace

std::map<int, long> pssKbByProcess() { return byProcess({"Pss:"}); }
std::map<int, long> dataPssKbByProcess() { return byProcess({"Pss_Anon:", "Pss_Shmem:"}); }

Memory memory() {
    Memory m;
    m.rssKb = kbFrom("/proc/self/status", "VmRSS:");
    for (const auto& [pid, kb] : pssKbByProcess()) {
        m.pssKb += kb;
        ++m.processes;
    }
    return m;
}

}  // namespace qctest
