#include "games/ruffle/ruffle_scheme.h"

#include <dlfcn.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "core/games/device_font.h"
#include "games/ruffle/ruffle_loads.h"

namespace qc {

namespace {

QByteArray mimeOf(const QString& name) {
    if (name.endsWith(".wasm")) return "application/wasm";
    if (name.endsWith(".js")) return "text/javascript";
    if (name.endsWith(".html")) return "text/html";
    return "application/octet-stream";
}

}  // namespace

void registerRuffleScheme() {
    if (ruffleSchemeRegistered()) return;
    QWebEngineUrlScheme scheme(kRuffleScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Secure, but no local scheme: its page may not read file:, nor reach the web but through us.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

bool ruffleSchemeRegistered() { return QWebEngineUrlScheme::schemeByName(kRuffleScheme).name() == kRuffleScheme; }

QString ruffleFolder() {
    static const QString folder = [] {
        Dl_info module{};
        if (!dladdr(reinterpret_cast<const void*>(&ruffleFolder), &module) || !module.dli_fname) return QString();
        return QFileInfo(QFile::decodeName(module.dli_fname)).absolutePath() + "/ruffle";
    }();
    return folder;
}

RuffleScheme::RuffleScheme(QObject* parent) : QWebEngineUrlSchemeHandler(parent), loads_(new RuffleLoads(this)) {}

void RuffleScheme::startMovie(const QString& address) { loads_->startMovie(address); }

void RuffleScheme::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    if (job->requestMethod() != "GET" || url.host() != "engine") {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    if (url.path() == "/fetch") {
        // The page can't hand a body to our scheme: a movie's POST data comes in the query.
        const QUrlQuery q(url);
        const auto body =
            QByteArray::fromBase64Encoding(q.queryItemValue("b", QUrl::FullyDecoded).toLatin1(),
                                           QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
        if (!body) {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        const QString method = q.hasQueryItem("m") ? q.queryItemValue("m") : QStringLiteral("GET");
        loads_->load(job, q.queryItemValue("u", QUrl::FullyDecoded), method.toLatin1(),
                     q.queryItemValue("t", QUrl::FullyDecoded).toLatin1(), *body);
        return;
    }
    if (url.path() == "/protocol.js") {
        serveProtocol(job);
        return;
    }
    if (url.path() == kDeviceFontPath) {
        serveDeviceFont(job);
        return;
    }
    serveFile(job, url.path().mid(1));
}

// The page's half of the protocol, written from ours: what the shim reads before it starts.
void RuffleScheme::serveProtocol(QWebEngineUrlRequestJob* job) {
    const FlashSandbox::Limits& limits = loads_->sandbox().limits();
    const QJsonObject values{
        {"statusMime", kStatusMime},
        {"lengthMime", kLengthMimePrefix},
        {"maxSend", qint64(limits.sendBytes)},
        {"sharedObjectBytesPerSite", qint64(limits.sharedObjectBytesPerSite)},
        {"sharedObjectBytes", qint64(limits.sharedObjectBytes)},
    };
    auto* body = new QBuffer;
    body->setData("window.qcProtocol = Object.freeze(" + QJsonDocument(values).toJson(QJsonDocument::Compact) + ");\n");
    body->open(QIODevice::ReadOnly);
    QObject::connect(job, &QObject::destroyed, body, &QObject::deleteLater);
    job->reply("text/javascript", body);
}

void RuffleScheme::serveDeviceFont(QWebEngineUrlRequestJob* job) {
    if (!deviceFontRead_) {
        deviceFontRead_ = true;
        QFile file(kDeviceFontFile);
        if (file.open(QIODevice::ReadOnly) && file.size() <= qint64(kDeviceFontMaxBytes)) {
            const QByteArray bytes = file.read(kDeviceFontMaxBytes);
            if (const auto font = singleFont(std::string_view(bytes.constData(), size_t(bytes.size()))))
                deviceFont_ = QByteArray(font->data(), qsizetype(font->size()));
        }
    }
    if (deviceFont_.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);  // the movie's device-font text stays blank
        return;
    }
    auto* body = new QBuffer(job);
    body->setData(deviceFont_);  // shares the bytes: no copy per page
    body->open(QIODevice::ReadOnly);
    job->reply("font/ttf", body);
}

void RuffleScheme::serveFile(QWebEngineUrlRequestJob* job, const QString& name) {
    auto* file = new QFile(ruffleFolder() + "/" + name);
    if (name.isEmpty() || name.startsWith('.') || name.contains('/') || !file->open(QIODevice::ReadOnly)) {
        delete file;
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job reads the file until it ends; the file lives as long as the job.
    QObject::connect(job, &QObject::destroyed, file, &QObject::deleteLater);
    job->reply(mimeOf(name), file);
}

}  // namespace qc
