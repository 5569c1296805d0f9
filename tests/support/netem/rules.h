#pragma once
// The namespace's side of the emulator: the iptables rules that send lo's packets to our queue,
// lo's MTU, and the check that this namespace is a test's own.

#include <string>
#include <vector>

namespace qcnetem {

struct RuleSettings {
    int queue = 7;
    std::vector<int> ports;           // shape only these (either end); empty: everything
    std::vector<int> unshapedPorts;   // never shape these (either end)
    std::string iptables, ip6tables;  // empty: iptables-legacy / ip6tables-legacy, or plain iptables
};

// Hooks lo's PREROUTING (raw table), where each packet passes once and after its socket has let
// it go, in IPv4 and, where ip6tables is there, IPv6. Removes what an earlier run left first.
// Throws with iptables' words on failure.
void installRules(const RuleSettings& settings);
// Removes them; safe when there are none. False if some could not be removed.
bool removeRules(const RuleSettings& settings);

// lo's MTU; setLoopbackMtu throws on failure.
int loopbackMtu();
void setLoopbackMtu(int mtu);

// Whether lo is this network namespace's only interface, as in one a test made for itself.
bool onlyLoopback();

}  // namespace qcnetem
