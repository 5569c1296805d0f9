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
// Windows Media and the other forms the catalogue's http entries play directly.
constexpr std::array<std::string_view, 12> kMediaForms = {"wmv", "wma",  "asf", "wav", "mp3", "dat",
                                                          "mpg", "mpeg", "avi", "mp4", "flv", "m4a"};
constexpr std::array<std::string_view, 8> kTextForms = {"asx", "wax", "wvx", "m3u", "pls", "htm", "html", "xml"};

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
    case FetchReport::Failure::Unreachable: return PlayerStatus::Unreachable;
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

bool isHttpAddress(std::string_view address) { return isHttp(address); }

namespace {
template <std::size_t N> bool hasForm(std::string_view address, const std::array<std::string_view, N>& forms) {
    std::string_view path = address.substr(0, address.find_first_of("?#"));
    std::size_t dot = path.rfind('.'), slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return false;
    std::string_view ext = path.substr(dot + 1);
    return std::any_of(forms.begin(), forms.end(), [&](std::string_view f) { return equalsNoCase(ext, f); });
}
}  // namespace

bool isMediaForm(std::string_view address) { return hasForm(address, kMediaForms); }
bool isTextForm(std::string_view address) { return hasForm(address, kTextForms); }

Step SourceChooser::start(std::string_view address) {
    candidates_.clear();
    dropped_.clear();
    next_ = 0;
    current_ = -1;
    lastFailure_ = PlayerStatus::CannotPlay;
    lastNumber_ = 0;
    active_ = true;
    if (!isAllowedAddress(address)) {
        dropped_.emplace_back(address);
        active_ = false;
        return {Step::Kind::Fail, {}, PlayerStatus::CannotPlay};
    }
    candidates_.push_back({std::string(address)});
    return take(PlayerStatus::Connecting);
}

Step SourceChooser::take(PlayerStatus status) {
    // None left: the choice goes on while what was handed out still runs.
    if (!active_ || next_ >= candidates_.size()) return {Step::Kind::Fail, {}, lastFailure_, lastNumber_};
    current_ = static_cast<int>(next_++);
    const Candidate c = candidates_[current_];
    // mms:// is MMS over TCP, then UDP, then HTTP, all left to the engine; a server that speaks
    // only MMSH on the address's port keeps the engine in MMS for good, so MMSH comes next.
    if (startsWithNoCase(c.address, "mms://") && candidates_.size() < kMaxCandidates)
        candidates_.insert(candidates_.begin() + static_cast<std::ptrdiff_t>(next_),
                           {"mmsh" + c.address.substr(3), c.redirects, c.nesting});
    return {isHttp(c.address) ? Step::Kind::Fetch : Step::Kind::Play, c.address, status, 0, current_};
}

const std::string* SourceChooser::peek() const {
    return active_ && next_ < candidates_.size() ? &candidates_[next_].address : nullptr;
}

void SourceChooser::note(PlayerStatus why, int number) {
    lastFailure_ = why;
    lastNumber_ = number;
}

Step SourceChooser::failed(PlayerStatus why, int number) {
    note(why, number);
    return take(PlayerStatus::TryingNext);
}

void SourceChooser::abandon() { active_ = false; }

std::chrono::milliseconds SourceChooser::silenceBound() const {
    if (next_ >= candidates_.size()) return bounds_.deadline;  // the last one: only the deadline
    return current_ >= 0 && startsWithNoCase(candidates_[current_].address, "mms://") ? bounds_.mmsSilence
                                                                                      : bounds_.silence;
}

std::size_t SourceChooser::insertNext(std::vector<Candidate> more) {
    std::size_t room = kMaxCandidates > candidates_.size() ? kMaxCandidates - candidates_.size() : 0;
    if (more.size() > room) more.resize(room);
    candidates_.insert(candidates_.begin() + static_cast<std::ptrdiff_t>(next_), std::make_move_iterator(more.begin()),
                       std::make_move_iterator(more.end()));
    return more.size();
}

// A step of another candidate than `candidate` means that one is done: it failed, or its
// redirect's target or its playlist's first ref comes next.
Step SourceChooser::fetched(int candidate, const FetchReport& r) {
    if (!active_ || candidate < 0 || candidate >= static_cast<int>(candidates_.size()))
        return {Step::Kind::Fail, {}, lastFailure_, lastNumber_};
    auto fail = [&](PlayerStatus why, int number = 0) { return failed(why, number); };
    const Candidate c = candidates_[candidate];
    Step read{Step::Kind::Read, {}, PlayerStatus::Connecting, 0, candidate};
    if (r.status == 0) {
        if (r.failure != FetchReport::Failure::None || r.complete) return fail(statusOf(r.failure));
        return read;
    }
    if (r.status >= 400)
        return fail(r.status == 404 || r.status == 410 ? PlayerStatus::NotFound : PlayerStatus::HttpError, r.status);
    if (r.status >= 300 && r.status < 400) {
        if (r.location.empty()) return fail(PlayerStatus::HttpError, r.status);
        std::string target = resolveAddress(c.address, r.location);
        if (c.redirects + 1 > kMaxRedirects || !isAllowedAddress(target)) {
            dropped_.push_back(target);
            return fail(PlayerStatus::CannotPlay);
        }
        // The redirect's target is tried next, in place of what redirected to it.
        insertNext({{std::move(target), c.redirects + 1, c.nesting}});
        return take(PlayerStatus::Connecting);
    }
    Step play{Step::Kind::Play, c.address, PlayerStatus::Connecting, 0, candidate};
    if (isWindowsMediaAnswer(r)) {
        play.address = asMmsh(c.address);
        return play;
    }
    if (r.body.size() < kHeadBytes && !r.complete) return read;
    if (!startsLikeText(r.body.substr(0, kHeadBytes))) {
        if (r.body.empty() && r.failure != FetchReport::Failure::None) return fail(statusOf(r.failure));
        return play;  // media: the engine fetches it
    }
    if (r.body.size() > static_cast<std::size_t>(kMaxPlaylistBytes)) return fail(PlayerStatus::BadPlaylist);
    read.status = PlayerStatus::OpeningPlaylist;
    if (!r.complete) return read;
    return playlist(candidate, r);
}

Step SourceChooser::playlist(int candidate, const FetchReport& r) {
    const Candidate c = candidates_[candidate];
    Playlist list = parsePlaylist(r.body, c.address);
    if (!list.recognised) return {Step::Kind::Play, c.address, PlayerStatus::Connecting, 0, candidate};
    if (c.nesting >= kMaxNesting) return failed(PlayerStatus::EmptyPlaylist);
    std::vector<Candidate> refs;
    for (std::string& ref : list.refs) {
        if (isAllowedAddress(ref)) refs.push_back({std::move(ref), 0, c.nesting + 1});
        else dropped_.push_back(std::move(ref));
    }
    if (insertNext(std::move(refs)) == 0) return failed(PlayerStatus::EmptyPlaylist);
    return take(PlayerStatus::OpeningPlaylist);
}

}  // namespace qc
