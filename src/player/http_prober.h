#pragma once
// The player's fetches of http candidates on Qt's network stack: redirects reported, not
// followed; no more than a playlist's cap of any body held.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <map>

#include "core/ports/prober.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace qc {

class HttpProber : public QObject, public Prober {
public:
    explicit HttpProber(QObject* parent = nullptr);
    ~HttpProber() override;

    void setListener(Listener listener) override { listener_ = std::move(listener); }
    void fetch(std::uint32_t ticket, const std::string& address) override;
    void cancel(std::uint32_t ticket) override;

private:
    struct Fetch {
        QPointer<QNetworkReply> reply;
        QByteArray data;
    };
    void report(std::uint32_t ticket, bool finished);

    QNetworkAccessManager* net_ = nullptr;
    Listener listener_;
    std::map<std::uint32_t, Fetch> fetches_;
};

}  // namespace qc
