#include "playback/ruffle/ruffle_scheme.h"

#include <QBuffer>
#include <QFile>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrlQuery>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace qc {

namespace {

QByteArray mimeOf(const QString& name) {
    if (name.endsWith(".wasm")) return "application/wasm";
    if (name.endsWith(".js")) return "text/javascript";
    if (name.endsWith(".html")) return "text/html";
    return "application/octet-stream";
}

QWebEngineUrlRequestJob::Error jobError(QNetworkReply::NetworkError e) {
    switch (e) {
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::HostNotFoundError:
        return QWebEngineUrlRequestJob::UrlNotFound;
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
        return QWebEngineUrlRequestJob::RequestDenied;
    case QNetworkReply::ProtocolUnknownError:
        return QWebEngineUrlRequestJob::UrlInvalid;
    default:
        return QWebEngineUrlRequestJob::RequestFailed;
    }
}

// The job reads the device until it ends; the device lives as long as the job.
void replyWith(QWebEngineUrlRequestJob* job, const QByteArray& mime, QIODevice* device) {
    QObject::connect(job, &QObject::destroyed, device, &QObject::deleteLater);
    job->reply(mime, device);
}

}  // namespace

void registerRuffleScheme() {
    if (ruffleSchemeRegistered()) return;
    QWebEngineUrlScheme scheme(kRuffleScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Secure and local: a page of its own origin that no web page can reach.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme |
                    QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

bool ruffleSchemeRegistered() {
    return QWebEngineUrlScheme::schemeByName(kRuffleScheme).name() == kRuffleScheme;
}

RuffleScheme::RuffleScheme(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {
    net_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    net_.setTransferTimeout(kStallMs);
}

void RuffleScheme::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    if (job->requestMethod() != "GET" || url.host() != "engine") {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    if (url.path() == "/fetch") {
        download(job, QUrl(QUrlQuery(url).queryItemValue("u", QUrl::FullyDecoded)));
        return;
    }
    serveFile(job, url.path().mid(1));
}

void RuffleScheme::serveFile(QWebEngineUrlRequestJob* job, const QString& name) {
    auto* file = new QFile(":/ruffle/" + name);
    if (name.isEmpty() || name.contains('/') || !file->open(QIODevice::ReadOnly)) {
        delete file;
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    replyWith(job, mimeOf(name), file);
}

void RuffleScheme::download(QWebEngineUrlRequestJob* job, const QUrl& target) {
    if (!target.isValid() || (target.scheme() != "http" && target.scheme() != "https")) {
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    QNetworkReply* reply = net_.get(QNetworkRequest(target));
    QPointer<QWebEngineUrlRequestJob> alive(job);
    // The page went away (a new movie, or the window's end): stop downloading.
    connect(job, &QObject::destroyed, reply, &QNetworkReply::abort);
    QTimer::singleShot(kMovieMs, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > kMovieBytes || total > kMovieBytes) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [reply, alive] {
        reply->deleteLater();
        if (!alive) return;
        // A server's refusal goes to the page as its status, so that Ruffle can say what it means.
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 400 && status <= 599) {
            auto* code = new QBuffer;
            code->setData(QByteArray::number(status));
            code->open(QIODevice::ReadOnly);
            replyWith(alive, kStatusMime, code);
            return;
        }
        if (reply->error() != QNetworkReply::NoError) {
            alive->fail(reply->error() == QNetworkReply::OperationCanceledError ? QWebEngineUrlRequestJob::RequestAborted
                                                                                : jobError(reply->error()));
            return;
        }
        auto* body = new QBuffer;
        body->setData(reply->readAll());
        body->open(QIODevice::ReadOnly);
        replyWith(alive, "application/x-shockwave-flash", body);
    });
}

}  // namespace qc
