// Draws the program's pictures: the main window's skin, its picture buttons and strips (at 1x and
// 2x), and the icon (draw_icon.cpp).
// Usage: draw-pictures OUTPUT_FOLDER

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

#include "draw_icon.h"

namespace {

const char* const kFont = "WenQuanYi Micro Hei";

QFont font(int px, bool bold = false) {
    QFont f(kFont);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

bool save24(const QImage& img, const QString& path) {
    return img.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

// A picture `size` pixels large at 1x, drawn `scale` times as large (2 for HiDPI screens): the
// drawing is the same, only its pixels are finer.
struct Canvas {
    QImage img;
    QPainter p;
    Canvas(QSize size, int scale) : img(size * scale, QImage::Format_RGB32), p(&img) {
        if (scale != 1) p.scale(scale, scale);
    }
};

QImage gradientButton(QSize size, int scale, QColor top, QColor bottom, QColor border, const QString& text, int px) {
    Canvas c(size, scale);
    QPainter& p = c.p;
    const QRect rect(QPoint(0, 0), size);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, top);
    g.setColorAt(0.5, top.lighter(104));
    g.setColorAt(1, bottom);
    p.fillRect(rect, g);
    p.setPen(border);
    p.drawRect(rect.adjusted(0, 0, -1, -1));
    p.setPen(QColor(255, 255, 255, 170));
    p.drawLine(1, 1, size.width() - 2, 1);
    p.setPen(Qt::black);
    p.setFont(font(px, true));
    p.drawText(rect, Qt::AlignCenter, text);
    p.end();
    return c.img;
}

void roundButton(QPainter& p, QPointF c, double r, const QString& glyph) {
    QRadialGradient g(c - QPointF(r / 3, r / 3), r * 1.4);
    g.setColorAt(0, QColor(250, 252, 255));
    g.setColorAt(0.6, QColor(176, 204, 232));
    g.setColorAt(1, QColor(92, 132, 178));
    p.setPen(QPen(QColor(70, 100, 140), 1));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 50, 80));
    QPainterPath path;
    double s = r * 0.45;
    if (glyph == "play") {
        path.moveTo(c + QPointF(-s * 0.6, -s));
        path.lineTo(c + QPointF(s, 0));
        path.lineTo(c + QPointF(-s * 0.6, s));
        path.closeSubpath();
    } else if (glyph == "stop") {
        path.addRect(QRectF(c - QPointF(s * 0.8, s * 0.8), QSizeF(s * 1.6, s * 1.6)));
    } else {
        double d = glyph == "next" ? 1 : -1;
        for (double off : {-0.5, 0.4}) {
            path.moveTo(c + QPointF(d * (off - 0.5) * s, -s * 0.8));
            path.lineTo(c + QPointF(d * (off + 0.5) * s, 0));
            path.lineTo(c + QPointF(d * (off - 0.5) * s, s * 0.8));
            path.closeSubpath();
        }
    }
    p.drawPath(path);
}

// The main window's background: a media player's skin.
QImage skin(int scale) {
    const int W = 588, H = 356;
    Canvas c({W, H}, scale);
    QPainter& p = c.p;
    const QRect rect(0, 0, W, H);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Light blue and silver frame.
    QLinearGradient frame(0, 0, 0, H);
    frame.setColorAt(0, QColor(226, 236, 248));
    frame.setColorAt(0.09, QColor(172, 198, 228));
    frame.setColorAt(0.5, QColor(198, 214, 234));
    frame.setColorAt(1, QColor(150, 176, 210));
    p.fillRect(rect, frame);
    QLinearGradient silver(0, 0, W, 0);
    silver.setColorAt(0, QColor(208, 214, 224));
    silver.setColorAt(0.5, QColor(244, 246, 250));
    silver.setColorAt(1, QColor(200, 208, 220));
    p.fillRect(QRect(0, 0, W, 30), silver);
    p.setPen(QColor(120, 146, 182));
    p.drawLine(0, 30, W, 30);
    p.setPen(QColor(255, 255, 255));
    p.drawLine(0, 31, W, 31);
    p.setPen(QPen(QColor(96, 124, 164), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1, 1, W - 2, H - 2), 6, 6);

    // Top edge: the product's mark.
    p.setPen(Qt::NoPen);
    QRadialGradient orb(QPointF(18, 13), 10);
    orb.setColorAt(0, QColor(150, 230, 220));
    orb.setColorAt(1, QColor(0, 118, 128));
    p.setBrush(orb);
    p.drawEllipse(QPointF(20, 15), 8, 8);
    p.setPen(QColor(32, 58, 98));
    p.setFont(font(14, true));
    p.drawText(QRect(34, 4, 200, 22), Qt::AlignLeft | Qt::AlignVCenter, "晴川影音同乐会");
    p.setPen(QColor(90, 110, 140));
    p.setFont(font(11));
    p.drawText(QRect(150, 4, 230, 22), Qt::AlignLeft | Qt::AlignVCenter, "网络电视 · 电台 · 电影 · 游戏");
    for (int i = 0; i < 3; ++i) {  // window-style knobs at the right end
        QPointF c(540 + i * 16, 15);
        p.setPen(QPen(QColor(110, 134, 170), 1));
        p.setBrush(QColor(226, 234, 244));
        p.drawEllipse(c, 6, 6);
    }

    // Dark video area with the status words beneath it.
    QRect video(8, 34, 391, 262);
    QLinearGradient screen(0, video.top(), 0, video.bottom());
    screen.setColorAt(0, QColor(18, 24, 34));
    screen.setColorAt(1, QColor(4, 6, 10));
    p.setPen(QPen(QColor(70, 90, 120), 1));
    p.setBrush(screen);
    p.drawRect(video);
    p.setPen(QColor(150, 180, 220));
    p.setFont(font(12));
    p.drawText(QRect(12, 298, 200, 16), Qt::AlignLeft | Qt::AlignVCenter, "已停止");

    // Right: the drop-down header over a film poster.
    QRect header(404, 34, 178, 22);
    QLinearGradient hg(0, header.top(), 0, header.bottom());
    hg.setColorAt(0, QColor(250, 252, 255));
    hg.setColorAt(1, QColor(190, 210, 236));
    p.setPen(QPen(QColor(100, 128, 168), 1));
    p.setBrush(hg);
    p.drawRoundedRect(header, 3, 3);
    p.setPen(QColor(30, 50, 90));
    p.setFont(font(12, true));
    p.drawText(header.adjusted(8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "正在播放");
    QPainterPath arrow;
    arrow.moveTo(header.right() - 16, header.top() + 9);
    arrow.lineTo(header.right() - 8, header.top() + 9);
    arrow.lineTo(header.right() - 12, header.top() + 14);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 64, 104));
    p.drawPath(arrow);

    QRect poster(410, 62, 166, 232);
    QLinearGradient sky(0, poster.top(), 0, poster.bottom());
    sky.setColorAt(0, QColor(22, 30, 72));
    sky.setColorAt(0.45, QColor(160, 70, 90));
    sky.setColorAt(0.7, QColor(246, 170, 90));
    sky.setColorAt(1, QColor(40, 24, 30));
    p.setPen(QPen(QColor(70, 90, 120), 1));
    p.setBrush(sky);
    p.drawRect(poster);
    p.save();
    p.setClipRect(poster.adjusted(1, 1, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 226, 170));
    p.drawEllipse(QPointF(520, 170), 22, 22);  // setting sun
    for (int i = 0; i < 14; ++i) {             // stars
        p.setBrush(QColor(255, 255, 255, 120 + 9 * i));
        p.drawEllipse(QPointF(414 + (i * 37) % 160, 68 + (i * 23) % 70), 1.1, 1.1);
    }
    QPainterPath hills;
    hills.moveTo(poster.left(), 230);
    hills.cubicTo(450, 180, 480, 200, 510, 215);
    hills.cubicTo(540, 190, 560, 185, poster.right() + 1, 205);
    hills.lineTo(poster.right() + 1, poster.bottom() + 1);
    hills.lineTo(poster.left(), poster.bottom() + 1);
    hills.closeSubpath();
    p.setBrush(QColor(26, 18, 32));
    p.drawPath(hills);
    QPainterPath river;  // the clear river the product is named after
    river.moveTo(470, poster.bottom() + 1);
    river.cubicTo(500, 260, 530, 240, 525, 222);
    river.cubicTo(540, 240, 530, 265, 545, poster.bottom() + 1);
    river.closeSubpath();
    p.setBrush(QColor(250, 190, 120, 170));
    p.drawPath(river);
    p.restore();
    p.setPen(QColor(255, 244, 220));
    p.setFont(font(22, true));
    p.drawText(QRect(poster.left(), 92, poster.width(), 30), Qt::AlignCenter, "晴 川");
    p.setFont(font(11));
    p.drawText(QRect(poster.left(), 122, poster.width(), 18), Qt::AlignCenter, "影 音 同 乐 会");
    p.setFont(font(10));
    p.setPen(QColor(255, 230, 200, 200));
    p.drawText(QRect(poster.left(), 272, poster.width(), 16), Qt::AlignCenter, "精彩频道 · 每日更新");

    // Controls along the bottom: play, stop, skip and volume.
    QRect deck(8, 300, 574, 50);
    QLinearGradient dg(0, deck.top(), 0, deck.bottom());
    dg.setColorAt(0, QColor(236, 242, 250));
    dg.setColorAt(1, QColor(168, 192, 222));
    p.setPen(QPen(QColor(110, 136, 172), 1));
    p.setBrush(dg);
    p.drawRoundedRect(deck, 8, 8);
    roundButton(p, {36, 322}, 14, "play");
    roundButton(p, {68, 322}, 10, "stop");
    roundButton(p, {92, 322}, 9, "prev");
    roundButton(p, {114, 322}, 9, "next");
    p.setPen(QPen(QColor(96, 120, 156), 1));
    p.setBrush(QColor(210, 222, 238));
    p.drawRoundedRect(QRectF(134, 318, 240, 7), 3, 3);  // seek bar
    // Volume: a speaker and a rising wedge, at the right beside the update button.
    QPainterPath speaker;
    speaker.moveTo(408, 318);
    speaker.lineTo(413, 318);
    speaker.lineTo(419, 312);
    speaker.lineTo(419, 332);
    speaker.lineTo(413, 326);
    speaker.lineTo(408, 326);
    speaker.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 64, 104));
    p.drawPath(speaker);
    QPainterPath wedge;
    wedge.moveTo(426, 332);
    wedge.lineTo(486, 332);
    wedge.lineTo(486, 314);
    wedge.closeSubpath();
    QLinearGradient vg(426, 0, 486, 0);
    vg.setColorAt(0, QColor(120, 200, 190));
    vg.setColorAt(1, QColor(0, 120, 140));
    p.setBrush(vg);
    p.drawPath(wedge);
    p.end();
    return c.img;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw-pictures OUTPUT_FOLDER\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    auto strip = [](int scale) {
        Canvas c({19, 42}, scale);
        QLinearGradient g(0, 0, 0, 42);
        g.setColorAt(0, QColor(214, 230, 248));
        g.setColorAt(1, QColor(150, 182, 222));
        c.p.fillRect(QRect(0, 0, 19, 42), g);
        c.p.end();
        return c.img;
    };
    auto image3 = [](int scale) {
        return gradientButton({64, 30}, scale, QColor(222, 238, 252), QColor(150, 196, 236), QColor(90, 130, 180),
                              "升级更新", 13);
    };
    auto image6 = [](int scale) {
        return gradientButton({70, 20}, scale, QColor(236, 240, 248), QColor(182, 196, 220), QColor(110, 130, 165),
                              "全屏观看", 12);
    };
    // 1x: the 24-bit bitmaps the windows are designed with; 2x: PNGs for HiDPI screens (Qt scales
    // them down smoothly for the scales between).
    bool ok = save24(skin(1), out.filePath("image1.bmp")) && save24(image3(1), out.filePath("image3.bmp")) &&
              save24(image6(1), out.filePath("image6.bmp")) && save24(strip(1), out.filePath("image4.bmp")) &&
              save24(strip(1), out.filePath("image5.bmp")) && writeIco(out.filePath("qingchuan.ico")) &&
              writePng(out.filePath("qingchuan.png"), 128);
    for (auto [name, image] :
         {std::pair{"image1", skin(2)}, std::pair{"image3", image3(2)}, std::pair{"image6", image6(2)},
          std::pair{"image4", strip(2)}, std::pair{"image5", strip(2)}})
        ok = ok && image.convertToFormat(QImage::Format_RGB888).save(out.filePath(QString(name) + "@2x.png"), "PNG", 9);
    // The desktop's icon theme wants the program's icon at its usual sizes too.
    for (int size : {32, 48, 256}) ok = ok && writePng(out.filePath(QString("qingchuan-%1.png").arg(size)), size);
    if (!ok) std::fprintf(stderr, "draw-pictures: could not write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
