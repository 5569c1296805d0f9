#include "player/http_prober.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include "core/app/version.h"
#include "core/player/playlist.h"
#include "shared/guard.h"

namespace qc {

namespace {

FetchReport::Failure failureOf(QNetworkReply* r) {
    switch (r->error()) {
    case QNetworkReply::NoError: return FetchReport::Failure::None;
    case QNetworkReply::HostNotFoundError: return FetchReport::Failure::HostNotFound;
    case QNetworkReply::TimeoutError: return FetchReport::Failure::TimedOut;
    case QNetworkReply::ConnectionRefusedError: return FetchReport::Failure::Refused;
    // No route to the host, or no network at all: Qt says so only in these.
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError: return FetchReport::Failure::Unreachable;
    default: return FetchReport::Failure::Other;  // cut short: judge what came
    }
}

}  // namespace

HttpProber::HttpProber(QObject* parent) : QObject(parent), net_(new QNetworkAccessManager(this)) {}

HttpProber::~HttpProber() {
    while (!fetches_.empty()) cancel(fetches_.begin()->first);
}

void HttpProber::fetch(std::uint32_t ticket, const std::string& address) {
    cancel(ticket);
    QNetworkRequest req(QUrl(QString::fromStdString(address), QUrl::TolerantMode));
    // Redirects are the core's to judge, one by one.
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    req.setHeader(QNetworkRequest::UserAgentHeader,
                  QByteArray("NSPlayer/9.0 qingchuan/") + QByteArray(kVersion.data(), kVersion.size()));
    QNetworkReply* reply = net_->get(req);
    // Whatever the server sends, no more than a playlist's cap is ever held.
    reply->setReadBufferSize(kMaxPlaylistBytes + 1);
    fetches_[ticket] = {reply, {}};
    connectGuarded(reply, &QNetworkReply::metaDataChanged, this, [this, ticket] { report(ticket, false); });
    connectGuarded(reply, &QNetworkReply::readyRead, this, [this, ticket] { report(ticket, false); });
    connectGuarded(reply, &QNetworkReply::finished, this, [this, ticket] { report(ticket, true); });
}

// The one way a fetch ends early: nothing it says afterwards is heard.
void HttpProber::cancel(std::uint32_t ticket) {
    auto it = fetches_.find(ticket);
    if (it == fetches_.end()) return;
    if (QNetworkReply* r = it->second.reply) {
        r->disconnect(this);
        if (!r->isFinished()) r->abort();
        r->deleteLater();
    }
    fetches_.erase(it);
}

void HttpProber::report(std::uint32_t ticket, bool finished) {
    auto it = fetches_.find(ticket);
    if (it == fetches_.end() || !it->second.reply) return;
    QNetworkReply* r = it->second.reply;
    QByteArray& data = it->second.data;
    if (data.size() <= kMaxPlaylistBytes) data += r->read(kMaxPlaylistBytes + 1 - data.size());
    FetchReport report;
    report.status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    report.contentType = r->rawHeader("Content-Type").toStdString();
    report.server = r->rawHeader("Server").toStdString();
    report.pragma = r->rawHeader("Pragma").toStdString();
    report.location = r->rawHeader("Location").toStdString();
    report.complete = finished;
    if (finished) report.failure = failureOf(r);
    // Held for the call: the listener may cancel this fetch while it looks.
    const QByteArray held = data;
    report.body = std::string_view(held.constData(), static_cast<std::size_t>(held.size()));
    if (finished) cancel(ticket);
    if (listener_) listener_(ticket, report);
}

}  // namespace qc
