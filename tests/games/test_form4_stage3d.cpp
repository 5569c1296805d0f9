// The games window drawing with OpenGL, as where the desktop has a GPU: here Mesa's software
// OpenGL under Xvfb, which the test asks for (QINGCHUAN_GPU=1, set by ctest for this program).

#include "public_movies.h"

using namespace qctest;

namespace {

bool blueDominant(QColor c) { return c.blue() > c.red() + 60 && c.blue() > c.green() - 40; }
bool redDominant(QColor c) { return c.red() > c.green() + 60 && c.red() > c.blue() + 60; }
bool darkGrey(QColor c) {
    return std::abs(c.red() - c.green()) < 16 && std::abs(c.green() - c.blue()) < 16 && c.red() > 40 && c.red() < 120;
}

}  // namespace

// Ruffle's stage3d_triangle: a green 550 x 400 stage; a Stage3D back buffer of 320 x 200 at its
// corner, dark grey, with a triangle shading from blue along its top edge to white in the middle,
// and one shading from red along the bottom edge. In software drawing only the green shows.
TEST_F(GamesOnPublicMovies, AStage3DMovieDrawsItsTriangles) {
    const std::string swf = movieFile("stage3d_triangle/test.swf");
    ASSERT_FALSE(swf.empty());
    server->route("/flash/stage3d.swf", movie(swf));
    const QSizeF stage(550, 400);
    game("/flash/stage3d.swf");
    ASSERT_TRUE(waitUntil(
        [&] {
            return near(at(stage, {450, 300}), QColor(0, 255, 0));
        },
        kShowBound))
        << pageState().toStdString();
    EXPECT_TRUE(waitUntil(
        [&] {
            return darkGrey(at(stage, {20, 100}));
        },
        kShowBound))
        << "left of the triangles: " << at(stage, {20, 100}).name().toStdString();
    EXPECT_TRUE(darkGrey(at(stage, {300, 100}))) << at(stage, {300, 100}).name().toStdString();
    EXPECT_TRUE(blueDominant(at(stage, {160, 8}))) << at(stage, {160, 8}).name().toStdString();
    EXPECT_TRUE(redDominant(at(stage, {160, 192}))) << at(stage, {160, 192}).name().toStdString();
    // The next game still shows, drawn the same way.
    game("/red.swf");
    EXPECT_TRUE(waitUntil([&] { return near(at(stage, {275, 200}), kRed); }, kShowBound)) << pageState().toStdString();
}
