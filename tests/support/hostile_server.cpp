#include "hostile_server.h"

#include <vector>

using namespace std::string_literals;

namespace qctest {

namespace {

std::string asx(const std::vector<std::string>& refs) {
    std::string s = "<asx version=\"3.0\">";
    for (const auto& r : refs) s += "<entry><ref href=\"" + r + "\"/></entry>";
    return s + "</asx>";
}

Reply endless(int status, std::string contentType, std::string start, char filler) {
    Reply r{status, std::move(contentType), std::move(start) + std::string(64 * 1024, filler)};
    r.repeatBody = size_t{1} << 30;  // ~64 TiB: never ends within any test
    r.omitContentLength = true;
    return r;
}

}  // namespace

HostileServer::HostileServer(const std::string& localFile, const std::string& media, int tcpPort) {
    const std::string file = "file://" + localFile;
    const std::vector<std::string> hostile = {
        file, "file:///dev/zero", "FILE://" + localFile, "v4l2://", "v4l2:///dev/video0", "alsa://", "alsa://hw:0,0",
        "tcp://127.0.0.1:" + std::to_string(tcpPort),
        // A Real-style server's stream: its access has crashed
        // players, so no rtsp reaches the engine at all.
        "rtsp://127.0.0.1:" + std::to_string(tcpPort) + "/live.rm",
        "RTSP://127.0.0.1:" + std::to_string(tcpPort) + "/a.sdp", "udp://@:5555", "vlc://quit", "javascript:alert(1)",
        "data:video/x-ms-asf;base64,MCaydY5mzxE=", "screen://", "http://127.0.0.1/\x01\x02"};
    http_.route("/endless-error", endless(500, "text/html", "<html>", 'x'));
    http_.route("/endless-text", endless(200, "video/x-ms-asf", "<asx version=\"3.0\">", ' '));
    http_.route("/every-scheme.asx", {200, "video/x-ms-asf", asx(hostile)});
    std::string reference = "[Reference]\r\n";
    for (size_t i = 0; i < hostile.size(); ++i) reference += "Ref" + std::to_string(i + 1) + "=" + hostile[i] + "\r\n";
    http_.route("/every-scheme.ref", {200, "video/x-ms-asf", reference});
    http_.route("/nul.asx", {200, "video/x-ms-asf", "<asx><entry><ref href=\"\0x:y\"/></entry></asx>"s});
    http_.route("/to-file", {.status = 302, .contentType = "text/html", .headers = {"Location: " + file}});
    Reply toFile{.status = 302, .contentType = "text/html", .headers = {"Location: " + file}};
    http_.routeSequence("/engine-to-file", {Reply{200, "video/x-ms-wmv", media}, toFile});
    http_.route("/cougar", {.status = 200,
                            .contentType = "application/x-mms-framed",
                            .body = std::string(64, '\0'),
                            .headers = {"Server: Cougar/9.01.01.3814", "Pragma: features=\"broadcast\""}});
    Reply silent;
    silent.mode = Reply::Mode::Stall;
    http_.route("/silent", silent);
    http_.route("/silent-refs.asx",
                {200, "video/x-ms-asf", asx(std::vector<std::string>(kSilentRefs, http_.url("/silent")))});
    http_.route("/silent-first.asx", {200, "video/x-ms-asf", asx({http_.url("/silent"), http_.url("/clip.wmv")})});
    http_.route("/clip.wmv", {200, "video/x-ms-wmv", media});
}

}  // namespace qctest
