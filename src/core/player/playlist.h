#pragma once
// Stream playlists (ASX, and the "[Reference]" form Windows Media servers send), read by our own
// code: the engine can't follow them, and they come in GBK without a declaration.

#include <string>
#include <string_view>
#include <vector>

namespace qc {

inline constexpr long long kMaxPlaylistBytes = 1 << 20;  // a playlist is a few hundred bytes
inline constexpr int kMaxNesting = 4;                    // playlists within playlists
inline constexpr std::size_t kMaxCandidates = 64;        // addresses tried for one choice

struct Playlist {
    bool recognised = false;        // the bytes were a playlist (possibly without any ref)
    std::vector<std::string> refs;  // addresses in order, to try one after another
};

// Reads a playlist fetched from a web server. Tags and attributes in any case; UTF-8, UTF-16
// with a byte-order mark, or GBK text. Relative refs are resolved against `base`.
Playlist parsePlaylist(std::string_view bytes, std::string_view base = {});

// True when the bytes look like the start of a playlist rather than of media.
bool looksLikePlaylist(std::string_view head);

// Text of fetched bytes as UTF-8: byte-order marks, an XML encoding declaration, valid UTF-8,
// else GBK.
std::string decodeText(std::string_view bytes);

// `ref` resolved against the absolute address `base` (RFC 3986, simplified: no dot segments).
std::string resolveAddress(std::string_view base, std::string_view ref);

}  // namespace qc
