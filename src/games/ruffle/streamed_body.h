#pragma once
// A reply's body handed to the web engine as it arrives (one chunk ahead of the page at most).

#include <QIODevice>
#include <QMetaObject>
#include <QNetworkReply>
#include <QPointer>
#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>

#include "shared/guard.h"

namespace qc {

// A body as it arrives. The web engine reads it on its own IO thread while the reply fills on
// ours, so the reply is never read there: what it holds is moved here, under a lock, at most one
// chunk ahead of the page. Each read on the IO thread asks ours for more.
class StreamedBody : public QIODevice {
public:
    // `admit` sees every piece before the page does; once it says no, the body ends there, short.
    StreamedBody(QNetworkReply* reply, std::function<bool(const QByteArray&)> admit)
        : reply_(reply), admit_(std::move(admit)) {
        connectGuarded(reply, &QIODevice::readyRead, this, [this] { pull(); });
        connectGuarded(reply, &QNetworkReply::finished, this, [this] {
            replyFinished_ = true;
            pull();
        });
        connectGuarded(reply, &QObject::destroyed, this, [this] { end(); });
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        pull();
    }
    bool isSequential() const override { return true; }
    // Not the declared length: told it, the web engine sets aside a buffer of that size in this
    // process (measured: 60 MB for a body of 60 MB). The page learns the length from the type.
    qint64 size() const override { return bytesAvailable(); }
    qint64 bytesAvailable() const override {
        std::lock_guard lock(mutex_);
        return held_.size() - head_;
    }
    bool atEnd() const override {
        std::lock_guard lock(mutex_);
        return ended_ && held_.size() == head_;
    }

protected:
    qint64 readData(char* data, qint64 max) override {
        qint64 n = 0;
        bool over = false;
        {
            std::lock_guard lock(mutex_);
            n = std::min<qint64>(max, held_.size() - head_);
            std::memcpy(data, held_.constData() + head_, size_t(n));
            head_ += n;
            if (head_ == held_.size() || head_ > kChunkBytes / 2) {
                held_.remove(0, head_);
                head_ = 0;
            }
            over = ended_ && held_.isEmpty();
        }
        if (n > 0) QMetaObject::invokeMethod(this, &StreamedBody::pull, Qt::QueuedConnection);
        return n == 0 && over ? -1 : n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr qint64 kChunkBytes = RuffleLoads::kChunkBytes;

    // On our thread: moves what the reply holds here, while there is room. The body ends once the
    // reply has finished and all of it is here.
    void pull() {
        if (!reply_ || ended_) return;
        qint64 room = 0;
        {
            std::lock_guard lock(mutex_);
            room = kChunkBytes - (held_.size() - head_);
        }
        if (room > 0) {
            const QByteArray more = reply_->read(room);
            if (!more.isEmpty() && !admit_(more)) {
                reply_->abort();
                end();
                return;
            }
            if (!more.isEmpty()) {
                {
                    std::lock_guard lock(mutex_);
                    held_.append(more);
                }
                emit readyRead();
            }
        }
        if (replyFinished_ && reply_->bytesAvailable() == 0) end();
    }
    void end() {
        {
            std::lock_guard lock(mutex_);
            if (ended_) return;
            ended_ = true;
        }
        emit readyRead();
        emit readChannelFinished();
    }

    QPointer<QNetworkReply> reply_;  // used on our thread only, with replyFinished_ and admit_
    bool replyFinished_ = false;
    const std::function<bool(const QByteArray&)> admit_;
    mutable std::mutex mutex_;  // guards what follows
    QByteArray held_;
    qsizetype head_ = 0;  // held_ before this was read
    bool ended_ = false;
};

}  // namespace qc
