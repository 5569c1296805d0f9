#pragma once
// The games window on public movies (Ruffle's own test movies, kept in movies/ with their origin):
// the movie's file, and its pixels as the window shows them.

#include <QFile>
#include <QImage>

#include "games_fixture.h"

namespace qctest {

inline std::string movieFile(const QString& name) {
    QFile f(QStringLiteral(QC_MOVIES_DIR "/") + name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return bytes.toStdString();
}

inline Reply png(std::string body) {
    Reply r;
    r.contentType = "image/png";
    r.body = std::move(body);
    return r;
}

class GamesOnPublicMovies : public Games {
protected:
    QImage shot() { return engineView() ? engineView()->grab().toImage() : QImage(); }

    // A rectangle of the stage (in its pixels) on the shot: the player shows the whole stage,
    // scaled to fit and centred (the rest letterboxed).
    static QRect onShot(const QImage& image, QSizeF stage, QRectF area) {
        const double s = std::min(image.width() / stage.width(), image.height() / stage.height());
        const QPointF origin((image.width() - stage.width() * s) / 2, (image.height() - stage.height() * s) / 2);
        return QRectF(origin + area.topLeft() * s, area.size() * s).toAlignedRect() & image.rect();
    }
    QColor at(QSizeF stage, QPointF point) {
        const QImage image = shot();
        if (image.isNull()) return {};
        return image.pixelColor(onShot(image, stage, QRectF(point, QSizeF(1, 1))).topLeft());
    }
    // Pixels of `area` whose colour is not near `background`.
    int inked(QSizeF stage, QRectF area, QColor background) {
        const QImage image = shot();
        if (image.isNull()) return -1;
        int n = 0;
        const QRect r = onShot(image, stage, area);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += !near(image.pixelColor(x, y), background);
        return n;
    }
};

}  // namespace qctest
