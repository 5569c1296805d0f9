#pragma once
// A server that answers as a broken or hostile one would, one scenario a path, on 127.0.0.1.

#include <string>

#include "http_server.h"

namespace qctest {

class HostileServer {
public:
    // `localFile`: what file:// refs and redirects point at; `media`: the bytes of a real clip;
    // `tcpPort`: where tcp:// refs point.
    HostileServer(const std::string& localFile, const std::string& media, int tcpPort);

    std::string url(const std::string& path) const { return http_.url(path); }
    HttpServer& http() { return http_; }

    // Scenarios by path:
    //   /endless-error      500 with a body that never ends
    //   /endless-text       200, "<asx>" and then blanks without end
    //   /every-scheme.asx   refs of every scheme that must not reach the engine, and control bytes
    //   /every-scheme.ref   the same as a [Reference] list
    //   /nul.asx            one ref that starts with a NUL byte
    //   /to-file            302 to file://<localFile>
    //   /engine-to-file     media to the first request, 302 to file://<localFile> to every later
    //                       one (the engine's own)
    //   /cougar             the header a Windows Media server sends for a live point over http
    //   /silent             accepts and never answers
    //   /silent-refs.asx    64 refs, each to /silent
    //   /silent-first.asx   /silent, then /clip.wmv
    //   /clip.wmv           the clip
    static constexpr int kSilentRefs = 64;

private:
    HttpServer http_;
};

}  // namespace qctest
