// The games window on a movie that draws through BitmapData.draw, which Ruffle's canvas renderer
// lacks: a Flixel game. However the engine draws where there is no GPU (on canvas first, or with
// OpenGL in software throughout), it shows.

#include "public_movies.h"

using namespace qctest;

// Flixel Power Tools' test suite (Flixel 2.5): its menu, a 640 x 512 picture at the view's corner
// (the movie doesn't scale), a blue backdrop with rows of coloured buttons, which Flixel draws
// into a bitmap with BitmapData.draw. On the canvas renderer the view stays black.
TEST_F(GamesOnPublicMovies, AFlixelGameDrawsItsMenu) {
    const std::string swf = movieFile("flixel_power_tools/test_suite.swf");
    ASSERT_FALSE(swf.empty());
    server->route("/flash/flixel.swf", movie(swf));
    game("/flash/flixel.swf");
    // The movie doesn't scale: its pixels are the view's.
    auto backdrop = [&] {
        const QImage image = shot();
        return image.width() > 215 && image.height() > 250 ? image.pixelColor(215, 250) : QColor();
    };
    // Its backdrop, between the button columns.
    EXPECT_TRUE(waitUntil(
        [&] {
            QTest::qWait(250);  // a grab costs the software OpenGL much: not too often
            const QColor c = backdrop();
            return c.blue() > 150 && c.blue() > c.red() + 60;
        },
        kShowBound))
        << backdrop().name().toStdString() << "; " << pageState().toStdString();
    // And the buttons, each of its own colour: most of the picture is coloured (not black, white or
    // grey).
    const QImage image = shot();
    int coloured = 0;
    for (int y = 0; y < std::min(512, image.height()); ++y)
        for (int x = 0; x < std::min(640, image.width()); ++x) {
            const QColor c = image.pixelColor(x, y);
            coloured += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 60;
        }
    EXPECT_GT(coloured, 640 * 512 / 2);
}
