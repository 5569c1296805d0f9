#include "core/games/flash_sandbox.h"

#include <algorithm>

#include "core/games/cross_domain_policy.h"

namespace qc {

std::optional<WebAddress> FlashSandbox::startMovie(std::string_view address) {
    movie_ = parseWebAddress(address);
    movieClass_.reset();
    policies_.clear();
    // The old movie's downloads are stopped by the adapter; their finish() finds nothing here.
    held_.clear();
    queue_.clear();
    inFlight_ = movieBytes_ = 0;
    return movie_;
}

FlashSandbox::Decision FlashSandbox::decide(const WebAddress& target, const std::vector<std::string>& ips) {
    const Decision refuse{Verdict::Refuse, {}};
    if (!movie_) return refuse;
    const AddressClass where = classifyHost(ips);
    if (where == AddressClass::Forbidden) return refuse;
    if (!movieClass_) {
        // Nothing loads before the movie itself.
        if (target.text() != movie_->text()) return refuse;
        movieClass_ = where;
        return {Verdict::Fetch, {}};
    }
    if (where != AddressClass::Public && where != *movieClass_) return refuse;
    const std::string origin = target.origin();
    if (origin == movie_->origin()) return {Verdict::Fetch, {}};
    auto it = policies_.find(origin);
    if (it == policies_.end()) {
        if (policies_.size() >= limits_.otherOrigins) return refuse;
        policies_[origin] = Policy::Pending;
        return {Verdict::AskPolicy, origin + "/crossdomain.xml"};
    }
    switch (it->second) {
    case Policy::Allowed: return {Verdict::Fetch, {}};
    case Policy::Pending: return {Verdict::WaitPolicy, {}};
    case Policy::Denied: break;
    }
    return refuse;
}

void FlashSandbox::policyArrived(const std::string& origin, const std::optional<std::string>& body, bool overHttps) {
    auto it = policies_.find(origin);
    if (it == policies_.end() || it->second != Policy::Pending || !movie_) return;  // another movie's
    const auto policy = body ? parseCrossDomainPolicy(*body) : std::nullopt;
    it->second = policy && policyAllows(*policy, *movie_, overHttps) ? Policy::Allowed : Policy::Denied;
}

FlashSandbox::Admission FlashSandbox::admit(DownloadId id) {
    if (held_.count(id)) return Admission::Start;
    if (held_.size() < limits_.parallel && queue_.empty()) {
        held_[id] = 0;
        return Admission::Start;
    }
    if (std::find(queue_.begin(), queue_.end(), id) != queue_.end()) return Admission::Wait;
    if (queue_.size() >= limits_.waiting) return Admission::Refuse;
    queue_.push_back(id);
    return Admission::Wait;
}

bool FlashSandbox::hold(DownloadId id, uint64_t bytes) {
    auto it = held_.find(id);
    if (it == held_.end()) return false;  // not admitted, or an old movie's
    if (bytes <= it->second) return true;
    const uint64_t more = bytes - it->second;
    if (bytes > limits_.bytesPerDownload || inFlight_ + more > limits_.bytesInFlight ||
        movieBytes_ + more > limits_.bytesPerMovie)
        return false;
    it->second = bytes;
    inFlight_ += more;
    movieBytes_ += more;
    return true;
}

std::vector<FlashSandbox::DownloadId> FlashSandbox::finish(DownloadId id) {
    if (auto it = held_.find(id); it != held_.end()) {
        inFlight_ -= it->second;
        held_.erase(it);
    }
    queue_.erase(std::remove(queue_.begin(), queue_.end(), id), queue_.end());
    std::vector<DownloadId> started;
    while (held_.size() < limits_.parallel && !queue_.empty()) {
        held_[queue_.front()] = 0;
        started.push_back(queue_.front());
        queue_.pop_front();
    }
    return started;
}

}  // namespace qc
