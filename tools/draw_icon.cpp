// The program's icon: a 16-colour .ico with a transparency mask, and PNGs for the desktop.

#include "draw_icon.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>

namespace {

// The satellite dish: grey, with a blue-green bowl, on a round stand. `s` pixels square.
void drawDish(QPainter& p, double s, bool smooth) {
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.scale(s / 32.0, s / 32.0);
    const QColor dark(64, 64, 64), grey(128, 128, 128), silver(192, 192, 192), teal(0, 128, 128), cyan(0, 192, 192);
    // Round stand.
    p.setPen(QPen(dark, 1));
    p.setBrush(grey);
    p.drawEllipse(QRectF(7, 25, 18, 6));
    p.setBrush(silver);
    p.drawEllipse(QRectF(9, 25, 14, 3.5));
    // Post.
    p.setBrush(grey);
    p.drawRect(QRectF(14.5, 17, 3, 9));
    // Bowl: an ellipse tilted to the upper right, rim in grey.
    p.save();
    p.translate(15, 12);
    p.rotate(-35);
    p.setPen(QPen(dark, 1));
    p.setBrush(teal);
    p.drawEllipse(QRectF(-12, -7, 24, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(cyan);
    p.drawEllipse(QRectF(-9, -5, 14, 8));
    p.setPen(QPen(silver, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-12, -7, 24, 14), 200 * 16, 140 * 16);
    p.restore();
    // Feed arm and receiver.
    p.setPen(QPen(grey, 1.5));
    p.drawLine(QPointF(15, 12), QPointF(24, 4));
    p.setPen(QPen(dark, 1));
    p.setBrush(silver);
    p.drawEllipse(QRectF(22, 2, 4, 4));
}

// Writes a 32 x 32, 16-colour icon with its transparency mask.
}  // namespace

bool writeIco(const QString& path) {
    QImage art(32, 32, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    {
        QPainter p(&art);
        drawDish(p, 32, false);
    }
    // The standard 16 colours.
    const QRgb palette[16] = {0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080,
                              0xff008080, 0xffc0c0c0, 0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
                              0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};
    auto nearest = [&](QRgb c) {
        int best = 0, bestD = 1 << 30;
        for (int i = 0; i < 16; ++i) {
            int dr = qRed(c) - qRed(palette[i]), dg = qGreen(c) - qGreen(palette[i]), db = qBlue(c) - qBlue(palette[i]);
            int d = dr * dr + dg * dg + db * db;
            if (d < bestD) bestD = d, best = i;
        }
        return best;
    };
    QByteArray xorBits, andBits;
    for (int y = 31; y >= 0; --y) {  // bottom-up rows
        for (int x = 0; x < 32; x += 2) {
            auto idx = [&](int px) {
                QRgb c = art.pixel(px, y);
                return qAlpha(c) < 128 ? 0 : nearest(c);
            };
            xorBits.append(static_cast<char>(idx(x) << 4 | idx(x + 1)));
        }
        for (int x = 0; x < 32; x += 8) {
            unsigned char b = 0;
            for (int k = 0; k < 8; ++k)
                if (qAlpha(art.pixel(x + k, y)) < 128) b |= 0x80 >> k;
            andBits.append(static_cast<char>(b));
        }
    }
    QByteArray ico;
    auto u16 = [&](int v) { ico.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8 & 0xFF)); };
    auto u32 = [&](quint32 v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    const quint32 bytes = 40 + 16 * 4 + xorBits.size() + andBits.size();
    u16(0);
    u16(1);
    u16(1);  // icon file, one image
    ico.append(char(32)).append(char(32)).append(char(16)).append(char(0));
    u16(1);
    u16(4);
    u32(bytes);
    u32(6 + 16);  // planes, bits, size, offset
    u32(40);
    u32(32);
    u32(64);
    u16(1);
    u16(4);  // header: height counts both masks
    u32(0);
    u32(xorBits.size() + andBits.size());
    u32(0);
    u32(0);
    u32(16);
    u32(0);
    for (QRgb c : palette) ico.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(0));
    ico.append(xorBits).append(andBits);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(ico) == ico.size();
}

bool writePng(const QString& path, int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        drawDish(p, size, true);
    }
    return img.save(path, "PNG");
}
