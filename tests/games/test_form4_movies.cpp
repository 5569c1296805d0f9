// The games window on public movies (Ruffle's own test movies, kept in movies/ with their origin)
// and on a Chinese text movie written here, served from a catalogue-like address on 127.0.0.1.

#include "public_movies.h"

using namespace qctest;

namespace {
const QString kChineseFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
}  // namespace

// Ruffle's edittext_input: a white 800 x 600 stage whose script focuses an input field along its
// top (500 x 25, with a border). Typed text must reach it with no click.
TEST_F(GamesOnPublicMovies, TextTypedIntoTheWindowShowsInTheFieldTheMovieFocused) {
    const std::string swf = movieFile("typing/test.swf");
    ASSERT_FALSE(swf.empty());
    server->route("/flash/typing.swf", movie(swf));
    const QSizeF stage(800, 600);
    const QRectF field(0, 0, 500, 25);
    game("/flash/typing.swf");
    ASSERT_TRUE(waitUntil(
        [&] {
            return near(at(stage, {400, 300}), Qt::white);
        },
        kShowBound))
        << pageState().toStdString();
    QTest::qWait(500);
    const int before = inked(stage, field, Qt::white);  // the border and the caret
    int after = before;
    EXPECT_TRUE(waitUntil(
        [&] {
            for (const char c : std::string("WWWWMMMM")) QTest::keyClick(form->windowHandle(), c);
            QTest::qWait(150);
            after = inked(stage, field, Qt::white);
            return after > before + 300;  // a caret is some 20 pixels, a typed letter more
        },
        10000))
        << "inked before " << before << ", after " << after << "; " << pageState().toStdString();
    // Only where the field is: the stage below stays white.
    EXPECT_EQ(inked(stage, {0, 100, 800, 400}, Qt::white), 0);
}

// Ruffle's loader_visibility_interactive: a red 100 x 100 square at the stage's corner, over which
// the movie's Loader shows image.png (50 x 50, grey with a small label in its middle), fetched from beside the movie.
TEST_F(GamesOnPublicMovies, AMovieShowsThePictureItLoadsFromBesideIt) {
    const std::string swf = movieFile("sibling_image/test.swf");
    const std::string image = movieFile("sibling_image/image.png");
    ASSERT_FALSE(swf.empty());
    ASSERT_FALSE(image.empty());
    const QSizeF stage(550, 800);
    const QColor red(0xff, 0, 0), grey(0xdd, 0xdd, 0xdd);
    server->route("/flash/loader.swf", movie(swf));
    server->route("/flash/image.png", png(image));
    game("/flash/loader.swf");
    ASSERT_TRUE(waitUntil([&] { return near(at(stage, {80, 80}), red); }, kShowBound)) << pageState().toStdString();
    EXPECT_TRUE(waitUntil(
        [&] {
            return near(at(stage, {6, 6}), grey);
        },
        10000))
        << at(stage, {6, 6}).name().toStdString() << "; " << seen();
    EXPECT_EQ(requestsFor("/flash/image.png"), 1u) << seen();
    EXPECT_TRUE(near(at(stage, {80, 80}), red));

    // The same movie where the picture is missing: the square stays red where the picture was.
    server->route("/flash/missing/loader.swf", movie(swf));
    game("/flash/missing/loader.swf");
    ASSERT_TRUE(waitUntil([&] { return requestsFor("/flash/missing/image.png") == 1; }, kShowBound)) << seen();
    ASSERT_TRUE(waitUntil([&] { return near(at(stage, {80, 80}), red); }, kShowBound)) << pageState().toStdString();
    QTest::qWait(1000);
    EXPECT_TRUE(near(at(stage, {6, 6}), red)) << at(stage, {6, 6}).name().toStdString();
}

// Written here (tests/support/qt/swf_text.cpp): 晴川影音 in a font embedded in the movie, its
// outlines from WenQuanYi Micro Hei, white on blue.
TEST_F(GamesOnPublicMovies, ChineseTextInAnEmbeddedFontShowsEveryCharacter) {
    ASSERT_TRUE(QFile::exists(kChineseFont));
    const QString text = QString::fromUtf8("晴川影音");
    const QSizeF stage(400, 300);
    server->route("/flash/chinese.swf", movie(makeTextMovie(kBlue, Qt::white, text, text, kChineseFont)));
    game("/flash/chinese.swf");
    ASSERT_TRUE(waitUntil([&] { return near(at(stage, {390, 290}), kBlue); }, kShowBound)) << pageState().toStdString();
    // Each character's cell (64 pixels from the field's 2-pixel gutter) has ink of its own.
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(kTextLeft + 2 + 64 * i + 4, kTextTop + 4, 56, 72);
        int n = 0;
        EXPECT_TRUE(waitUntil([&] { return (n = inked(stage, cell, kBlue)) > 150; }, 5000))
            << "character " << i << ": " << n << " pixels";
    }
    EXPECT_EQ(inked(stage, {0, 0, 400, kTextTop - 10}, kBlue), 0) << "ink above the field";

    // The font without these characters: the field draws nothing, not some other font's glyphs.
    server->route("/flash/latin.swf", movie(makeTextMovie(kBlue, Qt::white, text, "ABC", kChineseFont)));
    game("/flash/latin.swf");
    ASSERT_TRUE(waitUntil([&] { return requestsFor("/flash/latin.swf") == 1; }, kShowBound));
    QTest::qWait(1500);
    EXPECT_TRUE(near(at(stage, {390, 290}), kBlue)) << pageState().toStdString();
    EXPECT_EQ(inked(stage, {kTextLeft, kTextTop, kTextRight - kTextLeft, kTextBottom - kTextTop}, kBlue), 0);
}

// Written here: 晴川影音 in a device font the movie names and doesn't carry, white on blue or green
// (in turn, so that the last movie's picture can't pass for this one's), for each name Chinese
// games use. Each character shows as itself: ink in every cell, and no two cells alike (a font
// without the characters draws nothing, or the same box four times).
TEST_F(GamesOnPublicMovies, ChineseTextInADeviceFontShowsEveryCharacter) {
    const QString text = QString::fromUtf8("晴川影音");
    const QSizeF stage(400, 300);
    const QStringList names = {"宋体",  "新宋体", "黑体",       "楷体_GB2312", "微软雅黑", "Microsoft YaHei",
                               "_sans", "_serif", "_typewriter"};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const int n = int(names.indexOf(name));
        const QColor ground = n % 2 ? kGreen : kBlue;
        const std::string path = "/flash/device" + std::to_string(n) + ".swf";
        server->route(path, movie(makeDeviceTextMovie(ground, Qt::white, text, name)));
        game(path);
        ASSERT_TRUE(waitUntil(
            [&] {
                return near(at(stage, {390, 290}), ground);
            },
            kShowBound))
            << pageState().toStdString();
        EXPECT_EQ(requestsFor(path), 1u);
        std::vector<QImage> cells;
        for (int i = 0; i < 4; ++i) {
            const QRectF cell(kTextLeft + 2 + 64 * i + 4, kTextTop + 4, 56, 72);
            int ink = 0;
            // The font arrives after the movie's first frames (5 MB, read once): its glyphs may
            // come a while after the stage, more so on a loaded machine.
            EXPECT_TRUE(waitUntil([&] { return (ink = inked(stage, cell, ground)) > 150; }, kShowBound))
                << "character " << i << ": " << ink << " pixels";
            const QImage image = shot();
            cells.push_back(image.copy(onShot(image, stage, cell)));
        }
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j) {
                int differ = 0;
                const QImage &a = cells[i], &b = cells[j];
                for (int y = 0; y < std::min(a.height(), b.height()); ++y)
                    for (int x = 0; x < std::min(a.width(), b.width()); ++x)
                        differ += near(a.pixelColor(x, y), ground) != near(b.pixelColor(x, y), ground);
                EXPECT_GT(differ, 100) << "characters " << i << " and " << j << " look alike";
            }
    }
}
