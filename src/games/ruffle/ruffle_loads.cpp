#include "games/ruffle/ruffle_loads.h"

#include <QBuffer>
#include <QHostInfo>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>

#include "core/games/cross_domain_policy.h"
#include "core/games/movie_unpack.h"
#include "games/ruffle/ruffle_scheme.h"
#include "games/ruffle/streamed_body.h"
#include "shared/guard.h"

namespace qc {

struct RuffleLoads::Load : QObject {
    QPointer<QWebEngineUrlRequestJob> job;
    WebAddress target;
    std::vector<std::string> ips;  // where target's host resolved
    QByteArray method, type, body;
    FlashSandbox::DownloadId id = 0;
    QPointer<QNetworkReply> reply;
    int redirects = 0;
    bool root = false;  // the movie's own load
    std::shared_ptr<MovieUnpackCheck> unpack;
    bool headersSeen = false;
    bool answered = false;   // the job has its answer
    bool streaming = false;  // the job reads the reply itself
};

namespace {

GameFailure failureOf(QNetworkReply::NetworkError e) {
    return e == QNetworkReply::ContentNotFoundError ? GameFailure::NotFound : GameFailure::NoConnection;
}

QWebEngineUrlRequestJob::Error jobError(QNetworkReply::NetworkError e) {
    switch (e) {
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::HostNotFoundError: return QWebEngineUrlRequestJob::UrlNotFound;
    case QNetworkReply::OperationCanceledError: return QWebEngineUrlRequestJob::RequestAborted;
    default: return QWebEngineUrlRequestJob::RequestFailed;
    }
}

QByteArray lengthMime(qint64 length) { return kLengthMimePrefix + QByteArray::number(length); }

// http goes to the very address the sandbox checked, so that a second lookup of the name can't
// lead elsewhere; https must name its host for TLS, and a name rebound elsewhere fails there.
QNetworkRequest requestFor(const WebAddress& a, const std::vector<std::string>& ips, int stallMs) {
    std::string host = a.hostInUrl();
    if (a.scheme == "http" && !ips.empty())
        host = ips.front().find(':') != std::string::npos ? "[" + ips.front() + "]" : ips.front();
    const std::string text = a.scheme + "://" + host + ":" + std::to_string(a.port) + a.path;
    QNetworkRequest r(QUrl::fromEncoded(QByteArray::fromStdString(text)));
    if (a.scheme == "http") {
        const bool usualPort = a.port == 80;
        r.setRawHeader("Host",
                       QByteArray::fromStdString(a.hostInUrl() + (usualPort ? "" : ":" + std::to_string(a.port))));
    }
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    r.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    r.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    r.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    r.setTransferTimeout(stallMs);
    return r;
}

}  // namespace

RuffleLoads::RuffleLoads(QObject* parent)
    : QObject(parent), net_(new QNetworkAccessManager(this)), movieScope_(new QObject(this)) {}

RuffleLoads::~RuffleLoads() = default;

void RuffleLoads::startMovie(const QString& address) {
    // Taken out first: an aborted reply's end finds nothing left to end.
    const auto old = std::move(loads_);
    loads_.clear();
    for (const auto& [load, _] : old) {
        if (load->job && !load->answered) load->job->fail(QWebEngineUrlRequestJob::RequestAborted);
        load->answered = true;
        dropReply(load);
        load->deleteLater();
    }
    byId_.clear();
    awaitingPolicy_.clear();
    delete movieScope_;  // the old movie's policy fetches
    movieScope_ = new QObject(this);
    movieAsked_ = false;
    movieFailure_.reset();
    if (!sandbox_.startMovie(address.toStdString())) movieFailure_ = GameFailure::Refused;
}

void RuffleLoads::load(QWebEngineUrlRequestJob* job, const QString& target, const QByteArray& method,
                       const QByteArray& type, const QByteArray& body) {
    const FlashSandbox::Limits& limits = sandbox_.limits();
    auto* l = new Load;
    l->setParent(this);
    l->job = job;
    l->method = method;
    l->type = type;
    l->body = body;
    l->unpack = std::make_shared<MovieUnpackCheck>(limits.unpackedMovieBytes);
    loads_[l] = true;
    connectGuarded(job, &QObject::destroyed, l, [this, l] { end(l); });
    QTimer::singleShot(limits.loadMs, l, [this, l] {
        guarded([&] { fail(l, QWebEngineUrlRequestJob::RequestAborted, GameFailure::NoConnection); });
    });
    const auto address = parseWebAddress(target.toStdString());
    const auto& movie = sandbox_.movie();
    if (!movieAsked_ && address && movie && address->text() == movie->text()) l->root = movieAsked_ = true;
    if (!address || (method != "GET" && method != "POST") || size_t(body.size()) > limits.sendBytes) {
        fail(l, QWebEngineUrlRequestJob::RequestDenied, GameFailure::Refused);
        return;
    }
    l->target = *address;
    resolve(l);
}

void RuffleLoads::resolve(Load* l) {
    if (l->target.hostIsIp) {
        l->ips = {l->target.host};
        decide(l);
        return;
    }
    QHostInfo::lookupHost(QString::fromStdString(l->target.host), l, [this, l](const QHostInfo& info) {
        guarded([&] {
            l->ips.clear();
            for (const QHostAddress& a : info.addresses()) l->ips.push_back(a.toString().toStdString());
            if (l->ips.empty()) {
                fail(l, QWebEngineUrlRequestJob::UrlNotFound, GameFailure::NoConnection);
                return;
            }
            decide(l);
        });
    });
}

void RuffleLoads::decide(Load* l) {
    if (!loads_.count(l)) return;  // a lookup that came back after its movie was replaced
    const FlashSandbox::Decision d = sandbox_.decide(l->target, l->ips);
    switch (d.verdict) {
    case FlashSandbox::Verdict::Fetch:
        l->id = sandbox_.newDownload();
        byId_[l->id] = l;
        switch (sandbox_.admit(l->id)) {
        case FlashSandbox::Admission::Start: transfer(l); break;
        case FlashSandbox::Admission::Wait: break;  // end() of another starts it
        case FlashSandbox::Admission::Refuse:
            fail(l, QWebEngineUrlRequestJob::RequestDenied, GameFailure::TooLarge);
            break;
        }
        return;
    case FlashSandbox::Verdict::AskPolicy:
        awaitingPolicy_[l->target.origin()].push_back(l);
        askPolicy(l, l->target.origin(), d.policyAddress);
        return;
    case FlashSandbox::Verdict::WaitPolicy: awaitingPolicy_[l->target.origin()].push_back(l); return;
    case FlashSandbox::Verdict::Refuse: fail(l, QWebEngineUrlRequestJob::RequestDenied, GameFailure::Refused); return;
    }
}

void RuffleLoads::transfer(Load* l) {
    QNetworkRequest r = requestFor(l->target, l->ips, sandbox_.limits().stallMs);
    if (!r.url().isValid()) {
        fail(l, QWebEngineUrlRequestJob::UrlInvalid, GameFailure::Refused);
        return;
    }
    QNetworkReply* reply;
    if (l->method == "POST") {
        r.setHeader(QNetworkRequest::ContentTypeHeader,
                    l->type.isEmpty() ? "application/x-www-form-urlencoded" : l->type);
        reply = net_->post(r, l->body);
    } else {
        reply = net_->get(r);
    }
    l->reply = reply;
    l->headersSeen = false;
    connectGuarded(reply, &QNetworkReply::metaDataChanged, l, [this, l, reply] { answer(l, reply); });
    connectGuarded(reply, &QNetworkReply::downloadProgress, l, [this, l](qint64 received, qint64) {
        if (!sandbox_.hold(l->id, quint64(received)))
            fail(l, QWebEngineUrlRequestJob::RequestDenied, GameFailure::TooLarge);
    });
    connectGuarded(reply, &QNetworkReply::finished, l, [this, l, reply] {
        if (l->streaming) {
            // The job reads on; the reply goes with the job. Broken off, the page sees a short body.
            if (reply->error() != QNetworkReply::NoError && reply->error() != QNetworkReply::OperationCanceledError)
                noteFailure(l, failureOf(reply->error()));
            l->reply = nullptr;
            end(l);
            return;
        }
        if (!l->headersSeen) answer(l, reply);
        if (l->answered || !loads_.count(l) || l->reply != reply) return;
        if (reply->error() != QNetworkReply::NoError) {
            fail(l, jobError(reply->error()), failureOf(reply->error()));
            return;
        }
        // The server gave no length: the body was held here, within the budget, and goes whole.
        const QByteArray whole = reply->readAll();
        if (!l->unpack->feed(std::string_view(whole.constData(), size_t(whole.size())))) {
            fail(l, QWebEngineUrlRequestJob::RequestDenied, GameFailure::TooLarge);
            return;
        }
        auto* body = new QBuffer;
        body->setData(whole);
        body->open(QIODevice::ReadOnly);
        connect(l->job, &QObject::destroyed, body, &QObject::deleteLater);
        l->answered = true;
        l->job->reply(lengthMime(body->size()), body);
        end(l);
    });
}

void RuffleLoads::answer(Load* l, QNetworkReply* reply) {
    if (l->headersSeen || l->answered) return;
    l->headersSeen = true;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status <= 399 && reply->header(QNetworkRequest::LocationHeader).isValid()) {
        const QUrl to = QUrl::fromEncoded(QByteArray::fromStdString(l->target.text()))
                            .resolved(reply->header(QNetworkRequest::LocationHeader).toUrl());
        redirect(l, to, status);
        return;
    }
    if (status >= 400 && status <= 599) {
        // A server's refusal goes to the page as its status, so that Ruffle can say what it means.
        noteFailure(l, failureOfStatus(status));
        auto* code = new QBuffer;
        code->setData(QByteArray::number(status));
        code->open(QIODevice::ReadOnly);
        connect(l->job, &QObject::destroyed, code, &QObject::deleteLater);
        l->answered = true;
        l->job->reply(kStatusMime, code);
        end(l);
        return;
    }
    bool known = false;
    const qint64 declared = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (!known || status == 0) return;  // held until its end
    if (declared < 0 || !sandbox_.hold(l->id, quint64(declared))) {
        fail(l, QWebEngineUrlRequestJob::RequestDenied, GameFailure::TooLarge);
        return;
    }
    // Streamed: the page reads the reply as it arrives, nothing is copied here, and the network
    // stack holds no more than a chunk ahead of the page. A movie that unpacks past its bound is
    // cut short there.
    reply->setReadBufferSize(kChunkBytes);
    l->answered = l->streaming = true;
    auto admit = [this, load = QPointer<Load>(l), unpack = l->unpack](const QByteArray& more) {
        if (unpack->feed(std::string_view(more.constData(), size_t(more.size())))) return true;
        if (load) noteFailure(load, GameFailure::TooLarge);
        return false;
    };
    auto* body = new StreamedBody(reply, admit);
    connect(l->job, &QObject::destroyed, body, &QObject::deleteLater);
    connect(l->job, &QObject::destroyed, reply, &QObject::deleteLater);
    l->job->reply(lengthMime(declared), body);
}

void RuffleLoads::redirect(Load* l, const QUrl& to, int status) {
    dropReply(l);
    byId_.erase(l->id);
    const auto waiting = sandbox_.finish(l->id);
    l->id = 0;
    for (FlashSandbox::DownloadId id : waiting)
        if (auto it = byId_.find(id); it != byId_.end()) transfer(it->second);
    const auto next = parseWebAddress(to.toString(QUrl::FullyEncoded).toStdString());
    if (++l->redirects > sandbox_.limits().redirects || !next) {
        fail(l, QWebEngineUrlRequestJob::RequestDenied, GameFailure::Refused);
        return;
    }
    if (status != 307 && status != 308) {
        l->method = "GET";
        l->body.clear();
    }
    l->target = *next;
    resolve(l);
}

void RuffleLoads::askPolicy(Load* l, const std::string& origin, const std::string& address) {
    const int policyMs = sandbox_.limits().policyMs;
    const auto a = parseWebAddress(address);
    QNetworkReply* reply = net_->get(requestFor(*a, l->ips, policyMs));
    reply->setParent(movieScope_);
    QTimer::singleShot(policyMs, reply, &QNetworkReply::abort);
    connectGuarded(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > qint64(kMaxPolicyBytes) || total > qint64(kMaxPolicyBytes)) reply->abort();
    });
    const bool https = a->scheme == "https";
    connectGuarded(reply, &QNetworkReply::finished, movieScope_, [this, reply, origin, https] {
        reply->deleteLater();
        std::optional<std::string> body;
        if (reply->error() == QNetworkReply::NoError &&
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200)
            body = reply->read(kMaxPolicyBytes + 1).toStdString();
        sandbox_.policyArrived(origin, body, https);
        const std::vector<Load*> waiting = std::move(awaitingPolicy_[origin]);
        awaitingPolicy_.erase(origin);
        for (Load* w : waiting)
            if (loads_.count(w)) decide(w);
    });
}

void RuffleLoads::noteFailure(Load* l, GameFailure why) {
    if (l->root && !movieFailure_) movieFailure_ = why;
}

void RuffleLoads::fail(Load* l, QWebEngineUrlRequestJob::Error error, GameFailure why) {
    if (!loads_.count(l)) return;
    if (!l->answered) noteFailure(l, why);
    if (l->job && !l->answered) l->job->fail(error);
    l->answered = true;
    end(l);
}

void RuffleLoads::dropReply(Load* l) {
    if (!l->reply) return;
    QNetworkReply* reply = l->reply;
    l->reply = nullptr;
    reply->disconnect(l);
    // Cut short while the page reads it, the page sees a short body, a failed load; that reply
    // goes with its job.
    reply->abort();
    if (!l->streaming) reply->deleteLater();
}

void RuffleLoads::end(Load* l) {
    if (!loads_.erase(l)) return;
    dropReply(l);
    for (auto& [origin, waiting] : awaitingPolicy_) std::erase(waiting, l);
    if (l->id) {
        byId_.erase(l->id);
        for (FlashSandbox::DownloadId id : sandbox_.finish(l->id))
            if (auto it = byId_.find(id); it != byId_.end()) transfer(it->second);
    }
    l->deleteLater();
}

}  // namespace qc
