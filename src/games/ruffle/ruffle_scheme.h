#pragma once
// The games window's own URL scheme: serves Ruffle and its page from the program's files,
// and loads what the movie asks for on the page's behalf, within Flash Player's sandbox.

#include <QByteArray>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

namespace qc {

class RuffleLoads;

inline constexpr char kRuffleScheme[] = "qcgame";
inline const QString kRuffleOrigin = QStringLiteral("qcgame://engine");
// The answer to a load that the server refused: the body is the HTTP status.
inline constexpr char kStatusMime[] = "application/x-qcgame-status";

// Registers the scheme with the web engine; must run before its first profile exists (the module
// does it as it creates the engine, long after the QApplication).
void registerRuffleScheme();
bool ruffleSchemeRegistered();

// Where the page reads the font for device-font text (core/games/device_font).
inline constexpr char kDeviceFontPath[] = "/device-font";

// Ruffle's files and our page: the folder ruffle/ beside this module.
QString ruffleFolder();

class RuffleScheme : public QWebEngineUrlSchemeHandler {
public:
    explicit RuffleScheme(QObject* parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* job) override;
    // The movie that the page is about to load: the sandbox is now its own.
    void startMovie(const QString& address);
    const RuffleLoads& loads() const { return *loads_; }

private:
    void serveFile(QWebEngineUrlRequestJob* job, const QString& name);
    void serveProtocol(QWebEngineUrlRequestJob* job);
    void serveDeviceFont(QWebEngineUrlRequestJob* job);

    RuffleLoads* loads_;
    QByteArray deviceFont_;  // read once, when a page first asks (some 5 MB)
    bool deviceFontRead_ = false;
};

}  // namespace qc
