#include "core/player/source_chooser.h"

#include <algorithm>
#include <array>

#include "core/player/playlist.h"
#include "core/text/ascii.h"

namespace qc {

namespace {

// No rtsp: no entry plays it (RealMedia's rtsp entries go to the desktop's player), Windows Media
// playlists name mms and http, and the engine's RTSP accesses are the part of it with the worst
// record against hostile servers.
constexpr std::array<std::string_view, 6> kNetworkSchemes = {"http", "https", "mms", "mmsh", "mmst", "mmsu"};
constexpr std::size_t kHeadBytes = 64;  // enough to tell media from a playlist

std::string_view schemeOf(std::string_view address) {
    std::size_t colon = address.find("://");
    return colon == std::string_view::npos ? std::string_view{} : address.substr(0, colon);
}

bool isHttp(std::string_view address) {
    std::string_view s = schemeOf(address);
    return equalsNoCase(s, "http") || equalsNoCase(s, "https");
}

// A Windows Media server answers an http request for a live point with the MMSH header; the
// engine needs mmsh:// for it, or it "plays" and ends at once.
bool isWindowsMediaAnswer(const FetchReport& r) {
    return startsWithNoCase(r.server, "Cougar") || startsWithNoCase(r.contentType, "application/x-mms-framed") ||
           startsWithNoCase(r.pragma, "features");
}

std::string asMmsh(std::string_view httpAddress) {
    return "mmsh" + std::string(httpAddress.substr(httpAddress.find("://")));
}

// Media starts with binary data; a playlist with "<" or "[" after blanks, or a byte-order mark.
bool startsLikeText(std::string_view head) {
    if (head.starts_with("\xEF\xBB\xBF") || head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) return true;
    std::size_t i = head.find_first_not_of(" \t\r\n");
    return i != std::string_view::npos && (head[i] == '<' || head[i] == '[');
}

PlayerStatus statusOf(FetchReport::Failure f) {
    switch (f) {
    case FetchReport::Failure::HostNotFound: return PlayerStatus::HostNotFound;
    case FetchReport::Failure::Refused: return PlayerStatus::Refused;
    case FetchReport::Failure::TimedOut: return PlayerStatus::TimedOut;
    default: return PlayerStatus::CannotPlay;
    }
}

}  // namespace

bool isAllowedScheme(std::string_view address) {
    std::string_view scheme = schemeOf(address);
    return std::any_of(kNetworkSchemes.begin(), kNetworkSchemes.end(),
                       [&](std::string_view s) { return equalsNoCase(scheme, s); });
}

bool isAllowedAddress(std::string_view address) {
    if (address.empty() || address.size() > kMaxStreamAddressLength) return false;
    for (unsigned char c : address)
        if (c < 0x20 || c == 0x7F) return false;  // NUL, line breaks, escapes
    if (!isAllowedScheme(address)) return false;
    std::string_view rest = address.substr(schemeOf(address).size() + 3);
    return !rest.empty() && rest[0] != '/' && rest[0] != '@' && rest[0] != ':';  // a host
}

Step SourceChooser::start(std::string_view address) {
    candidates_.clear();
    dropped_.clear();
    next_ = 0;
    nesting_ = 0;
    redirects_ = 0;
    lastFailure_ = PlayerStatus::CannotPlay;
    lastNumber_ = 0;
    active_ = true;
    if (!isAllowedAddress(address)) {
        dropped_.emplace_back(address);
        active_ = false;
        return {Step::Kind::Fail, {}, PlayerStatus::CannotPlay};
    }
    candidates_.emplace_back(address);
    return next(PlayerStatus::Connecting);
}

Step SourceChooser::next(PlayerStatus status) {
    if (!active_ || next_ >= candidates_.size()) {
        active_ = false;
        return {Step::Kind::Fail, {}, lastFailure_, lastNumber_};
    }
    current_ = candidates_[next_++];
    // mms:// is MMS over TCP, then UDP, then HTTP, all left to the engine; a server that speaks
    // only MMSH on the address's port keeps the engine in MMS for good, so MMSH comes next.
    if (startsWithNoCase(current_, "mms://") && candidates_.size() < kMaxCandidates)
        candidates_.insert(candidates_.begin() + static_cast<std::ptrdiff_t>(next_), "mmsh" + current_.substr(3));
    return {isHttp(current_) ? Step::Kind::Fetch : Step::Kind::Play, current_, status};
}

Step SourceChooser::failed(PlayerStatus why, int number) {
    lastFailure_ = why;
    lastNumber_ = number;
    redirects_ = 0;
    return next(PlayerStatus::TryingNext);
}

void SourceChooser::abandon() { active_ = false; }

std::chrono::milliseconds SourceChooser::silenceBound() const {
    if (next_ >= candidates_.size()) return bounds_.deadline;  // the last one: only the deadline
    return startsWithNoCase(current_, "mms://") ? bounds_.mmsSilence : bounds_.silence;
}

Step SourceChooser::fetched(const FetchReport& r) {
    if (!active_) return {Step::Kind::Fail, {}, lastFailure_, lastNumber_};
    if (r.status == 0) {
        if (r.failure != FetchReport::Failure::None || r.complete) return failed(statusOf(r.failure));
        return {Step::Kind::Read};
    }
    if (r.status >= 400)
        return failed(r.status == 404 || r.status == 410 ? PlayerStatus::NotFound : PlayerStatus::HttpError, r.status);
    if (r.status >= 300 && r.status < 400) {
        if (r.location.empty()) return failed(PlayerStatus::HttpError, r.status);
        std::string target = resolveAddress(current_, r.location);
        if (++redirects_ > kMaxRedirects || !isAllowedAddress(target)) {
            dropped_.push_back(target);
            return failed(PlayerStatus::CannotPlay);
        }
        // The redirect's target is tried next, in place of what redirected to it.
        candidates_.insert(candidates_.begin() + static_cast<std::ptrdiff_t>(next_), target);
        return next(PlayerStatus::Connecting);
    }
    if (isWindowsMediaAnswer(r)) return {Step::Kind::Play, asMmsh(current_), PlayerStatus::Connecting};
    if (r.body.size() < kHeadBytes && !r.complete) return {Step::Kind::Read};
    if (!startsLikeText(r.body.substr(0, kHeadBytes))) {
        if (r.body.empty() && r.failure != FetchReport::Failure::None) return failed(statusOf(r.failure));
        return {Step::Kind::Play, current_, PlayerStatus::Connecting};  // media: the engine fetches it
    }
    if (r.body.size() > static_cast<std::size_t>(kMaxPlaylistBytes)) return failed(PlayerStatus::BadPlaylist);
    if (!r.complete) return {Step::Kind::Read};
    return playlist(r);
}

Step SourceChooser::playlist(const FetchReport& r) {
    Playlist list = parsePlaylist(r.body, current_);
    if (!list.recognised) return {Step::Kind::Play, current_, PlayerStatus::Connecting};
    if (nesting_ >= kMaxNesting) return failed(PlayerStatus::EmptyPlaylist);
    std::vector<std::string> refs;
    for (std::string& ref : list.refs) {
        if (isAllowedAddress(ref)) refs.push_back(std::move(ref));
        else dropped_.push_back(std::move(ref));
    }
    std::size_t room = kMaxCandidates > candidates_.size() ? kMaxCandidates - candidates_.size() : 0;
    if (refs.size() > room) refs.resize(room);
    if (refs.empty()) return failed(PlayerStatus::EmptyPlaylist);
    ++nesting_;
    redirects_ = 0;
    candidates_.insert(candidates_.begin() + static_cast<std::ptrdiff_t>(next_), refs.begin(), refs.end());
    return next(PlayerStatus::OpeningPlaylist);
}

}  // namespace qc
