#pragma once
// Helpers that read a menu the way its tables describe it: leaves counted per kind, scheme and
// address type, and entries found by their path of captions.

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue/catalogue.h"

namespace qctest {

using Counts = std::map<std::string, int>;

// "http 123, mms 13" -> {{"http",123},{"mms",13}}; "" -> {}. Kinds use "P", "B", "G", "-".
Counts counts(std::string_view text);

// The type of an address as the tables count it: lower-case extension, "(none)", "(dir)",
// "query" or "(empty)".
std::string addressType(std::string_view address);
std::string addressScheme(std::string_view address);  // "" for an empty address

struct Summary {
    int entries = 0;  // every leaf below, hidden ones included (1 for a leaf)
    Counts kinds;     // visible leaves only
    Counts schemes;   // visible leaves with an action and a non-empty address
    Counts types;     // visible leaves with an action
};
Summary summarize(const qc::Entry& e);

// One row of a menu's table of direct children (or of groups, with `caption` a path "A › B").
struct Row {
    std::string caption;
    int entries;
    std::string kinds, schemes, types;
};
// Checks the direct children of `menu` against `rows`, in order (hidden children included).
void expectChildren(const qc::Entry& menu, const std::vector<Row>& rows);
// Checks the groups named by the rows' paths below `menu` (path parts separated by " › ").
void expectGroups(const qc::Entry& menu, const std::vector<Row>& rows);

// Entry by its path of captions from the top level: {"网络电视", "大陆电视台", "北京市", "北京1台"}.
// A part "caption#n" takes the n-th sibling of that caption (1-based). Fails the test when missing.
const qc::Entry& at(std::initializer_list<std::string_view> path);
const qc::Entry& at(const qc::Entry& from, std::initializer_list<std::string_view> path);

// The children of a group in the listing's one-line form: "caption [P] · caption [B] · …",
// a sub-group tagged [group].
std::string rendered(const qc::Entry& group);

// The captions of an entry's children, in order.
std::vector<std::string> childCaptions(const qc::Entry& e);

// True when the text holds anything beyond ASCII (a Chinese file name, say).
bool hasNonAscii(std::string_view s);

// Visible leaves below `e` in catalogue order.
std::vector<const qc::Entry*> visibleLeaves(const qc::Entry& e);

}  // namespace qctest
