#pragma once
// Tags and character references of the XML-like texts servers send. Playlists are read
// leniently (they come from many broken servers, and what they name still passes the player's
// allow-list); cross-domain policies strictly (they grant access, so anything unusual refuses it).

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qc {

enum class Markup {
    // Unknown references stay as they are; names in any case; values quoted or not, trimmed; a
    // tag ends at its first '>'.
    Lenient,
    // Only the five named references and numeric ones to printable ASCII, else the value is
    // spoilt (nothing); names of [A-Za-z0-9-_:.]; quoted values without '<'.
    Strict,
};

// The text with its character references decoded; nothing when a Strict rule is broken.
std::optional<std::string> decodeReferences(std::string_view text, Markup rule);

struct Tag {
    std::string name;  // Lenient: in lower case
    bool closing = false;
    bool selfClosing = false;
    // Names (Lenient: lower case) and decoded values; a spoilt value is nothing.
    std::vector<std::pair<std::string, std::optional<std::string>>> attributes;

    // The value of the first attribute of that name, or nothing (also when spoilt).
    std::optional<std::string> attribute(std::string_view name) const;
    bool has(std::string_view name) const;
};

// The tag that starts just after the '<' at `pos`; `pos` ends after its '>'. Nothing when it is
// no tag by the rule (Strict), or when the text ends first.
std::optional<Tag> readTag(std::string_view text, std::size_t& pos, Markup rule);

}  // namespace qc
