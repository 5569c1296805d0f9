// Whatever a server answers, again and again: every address the chooser hands on must pass the
// allow-list, and every choice must end within the caps.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/player/playlist.h"
#include "core/player/source_chooser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // First line: a redirect's target; then two bytes of status; the rest is the body.
    std::string in(reinterpret_cast<const char*>(data), size);
    size_t nl = in.find('\n');
    std::string location = nl == std::string::npos ? "" : in.substr(0, nl);
    std::string rest = nl == std::string::npos ? in : in.substr(nl + 1);
    int status = rest.size() >= 2
                     ? 100 + (static_cast<unsigned char>(rest[0]) * 256 + static_cast<unsigned char>(rest[1])) % 500
                     : 200;
    std::string body = rest.size() >= 2 ? rest.substr(2) : rest;

    qc::SourceChooser c;
    qc::Step s = c.start("http://127.0.0.1:8080/lists/main.asx");
    for (int steps = 0; s.kind != qc::Step::Kind::Fail; ++steps) {
        if (steps > 4 * static_cast<int>(qc::kMaxCandidates) + 16) std::abort();  // a choice that never ends
        if (s.kind != qc::Step::Kind::Read && !qc::isAllowedAddress(s.address)) std::abort();
        if (s.kind == qc::Step::Kind::Fetch || s.kind == qc::Step::Kind::Read) {
            qc::FetchReport r;
            r.status = status;
            r.location = location;
            r.body = body;
            r.complete = true;
            s = c.fetched(r);
        } else {
            s = c.failed(qc::PlayerStatus::CannotPlay);
        }
    }
    return 0;
}
