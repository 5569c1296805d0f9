#pragma once
// The games window's own URL scheme: serves Ruffle and its page from the program's resources,
// and downloads movies on the page's behalf, so that servers without CORS headers still work.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

namespace qc {

inline constexpr char kRuffleScheme[] = "qcgame";
inline const QString kRuffleOrigin = QStringLiteral("qcgame://engine");
// The answer to a download that the server refused: the body is the HTTP status.
inline constexpr char kStatusMime[] = "application/x-qcgame-status";

// Registers the scheme with the web engine; must run before its first profile exists (the module
// does it as it creates the engine, long after the QApplication).
void registerRuffleScheme();
bool ruffleSchemeRegistered();

class RuffleScheme : public QWebEngineUrlSchemeHandler {
public:
    static constexpr qint64 kMovieBytes = 64 * 1024 * 1024;  // no game comes near this
    static constexpr int kMovieMs = 60'000;                  // the whole download
    static constexpr int kStallMs = 20'000;                  // no byte for this long

    explicit RuffleScheme(QObject* parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    void serveFile(QWebEngineUrlRequestJob* job, const QString& name);
    void download(QWebEngineUrlRequestJob* job, const QUrl& target);

    QNetworkAccessManager net_;
};

}  // namespace qc
