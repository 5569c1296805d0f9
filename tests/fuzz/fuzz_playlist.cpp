// Whatever a web server sends as a playlist: the reader must neither crash nor read out of
// bounds, and what it returns must be well-formed.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/player/playlist.h"
#include "core/text/gbk.h"
#include "core/text/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qc::Playlist p = qc::parsePlaylist(bytes, "http://127.0.0.1:8080/lists/main.asx?x=1");
    for (const std::string& ref : p.refs) {
        if (ref.empty() || !qc::isValidUtf8(ref)) std::abort();  // refs go to the engine as UTF-8
    }
    if (!qc::isValidUtf8(qc::decodeText(bytes))) std::abort();
    (void)qc::looksLikePlaylist(bytes);
    return 0;
}
