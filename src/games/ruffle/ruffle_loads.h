#pragma once
// What the games' page loads from the network, on its behalf and within Flash Player's sandbox
// (core/games/flash_sandbox.h): every load is asked of the sandbox, resolved and fetched from
// the address that was checked, its body streamed to the page, within the movie's byte budget.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QWebEngineUrlRequestJob>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/games/flash_sandbox.h"
#include "core/games/game_failure.h"

class QNetworkReply;

namespace qc {

// The page learns a body's length from its type (it can't see our headers), so that a body cut
// short is a failed load, not a shorter file.
inline constexpr char kLengthMimePrefix[] = "application/x-qcgame-length-";

class RuffleLoads : public QObject {
public:
    static constexpr qint64 kChunkBytes = 1 << 20;  // read ahead of the page, per download

    explicit RuffleLoads(QObject* parent = nullptr);
    ~RuffleLoads() override;

    // A new movie: the old one's loads end here and its policies are forgotten.
    void startMovie(const QString& address);
    // The page asks for `target`; `method` GET or POST (with `body` of `type`).
    void load(QWebEngineUrlRequestJob* job, const QString& target, const QByteArray& method, const QByteArray& type,
              const QByteArray& body);
    const FlashSandbox& sandbox() const { return sandbox_; }
    // Why the movie's own load failed, once it has.
    std::optional<GameFailure> movieFailure() const { return movieFailure_; }

private:
    struct Load;

    void resolve(Load* load);
    void decide(Load* load);
    void transfer(Load* load);
    void answer(Load* load, QNetworkReply* reply);
    void redirect(Load* load, const QUrl& to, int status);
    void askPolicy(Load* load, const std::string& origin, const std::string& address);
    void fail(Load* load, QWebEngineUrlRequestJob::Error error, GameFailure why);
    void noteFailure(Load* load, GameFailure why);
    void dropReply(Load* load);  // the one way a load's reply ends before its job
    void end(Load* load);        // frees its slot and bytes, starts who waited for them

    FlashSandbox sandbox_;
    QNetworkAccessManager* net_;   // parent of the loads' replies
    std::map<Load*, bool> loads_;  // every load of this movie
    std::map<FlashSandbox::DownloadId, Load*> byId_;
    std::map<std::string, std::vector<Load*>> awaitingPolicy_;  // by origin
    QObject* movieScope_ = nullptr;                             // parent of the policy fetches
    bool movieAsked_ = false;                                   // the movie's own load came
    std::optional<GameFailure> movieFailure_;
};

}  // namespace qc
