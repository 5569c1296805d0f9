// The games window on the real Flash engine (Ruffle in Qt WebEngine): tiny movies written here,
// served on 127.0.0.1 by a server that sends no CORS headers.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <stdexcept>

#include "core/games/flash_sandbox.h"
#include "games_fixture.h"

using namespace qctest;

TEST_F(Games, LoadsNothingBeforeTheFirstGame) {
    QTest::qWait(300);
    EXPECT_FALSE(control->engineLoaded());
    EXPECT_EQ(engineView(), nullptr);
    EXPECT_EQ(childProcesses(), 0) << "the web engine's helpers started before any movie";
    EXPECT_FALSE(form->isVisible());
    game("/red.swf");
    EXPECT_TRUE(control->engineLoaded());
    ASSERT_NE(engineView(), nullptr);
}

TEST_F(Games, AnEngineWithoutItsPlayerFilesSaysWhichIsMissing) {
    // The module alone, as a broken install leaves it: Ruffle's folder is looked for beside it.
    QTemporaryDir alone;
    ASSERT_TRUE(QFile::copy(QStringLiteral(QC_BUILD_DIR "/") + qc::kFlashModule, alone.filePath(qc::kFlashModule)));
    qc::TForm4 broken(QStringList{alone.path()});
    try {
        broken.ShockwaveFlash1().setMovie(server->url("/red.swf"));
        FAIL() << "the engine was created without Ruffle";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "The Flash component could not be created: " +
                                             alone.filePath("ruffle/ruffle.js").toStdString() + " is missing");
    }
    EXPECT_EQ(requestsFor("/red.swf"), 0u);
}

TEST_F(Games, ShowsAMovieFromAServerWithoutCorsHeaders) {
    game("/red.swf");
    EXPECT_TRUE(shows(kRed)) << "centre " << centre().name().toStdString() << ", " << pageState().toStdString();
    EXPECT_EQ(requestsFor("/red.swf"), 1u);
}

TEST_F(Games, AMovieKeepsItsOwnAddressForWhatItLoads) {
    server->route("/games/chain.swf", movie(makeSwf(kRed, "next.swf")));
    server->route("/games/next.swf", movie(makeSwf(kGreen)));
    game("/games/chain.swf");
    // Resolved from the movie's address, fetched on our path (the server sends no CORS headers).
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/games/next.swf") == 1; }, kShowBound)) << seen();
    EXPECT_EQ(requestsFor("/next.swf"), 0u) << seen();
    QTest::qWait(300);
    EXPECT_TRUE(pageState().startsWith("ready:")) << pageState().toStdString();
}

TEST_F(Games, WritingTheMovieDoesNotWait) {
    QElapsedTimer t;
    t.start();
    form->ShockwaveFlash1().setMovie(server->url("/red.swf"));
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_FALSE(form->isVisible());  // the write alone shows nothing
    EXPECT_EQ(requestsFor("/red.swf"), 0u);
}

TEST_F(Games, ASecondMovieReplacesTheFirstInTheSameWindow) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    QWebEnginePage* page = engineView()->page();
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue, 15000)) << "centre " << centre().name().toStdString();
    EXPECT_EQ(engineView()->page(), page);
    EXPECT_EQ(players(), 1);
    EXPECT_EQ(QApplication::topLevelWidgets().count(form.get()), 1);
}

TEST_F(Games, TheSameAddressAgainLoadsItAgain) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    game("/red.swf");
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/red.swf") == 2; }, 15000));
    EXPECT_TRUE(shows(kRed));
}

// A game chosen while the last one's movie is still on its way: the old load is ended with its
// movie, and that says nothing about the new one, which plays with no message and leaves the page
// fit for the next.
TEST_F(Games, AGameChosenWhileTheLastStillLoadsPlaysWithNoMessage) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    Reply slow = movie(makeSwf(kRed));
    slow.delayMs = 3000;
    server->route("/slow.swf", slow);
    QWebEnginePage* page = engineView()->page();
    game("/slow.swf");
    ASSERT_TRUE(waitUntil([&] { return requestsFor("/slow.swf") == 1; }, kShowBound)) << seen();
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
    QTest::qWait(4000);  // past the slow answer
    EXPECT_EQ(shownMessage(), "");
    EXPECT_TRUE(pageState().startsWith("ready:")) << pageState().toStdString();
    EXPECT_TRUE(near(centre(), kBlue)) << centre().name().toStdString();
    game("/green.swf");
    EXPECT_TRUE(shows(kGreen)) << pageState().toStdString();
    EXPECT_EQ(engineView()->page(), page) << "a page loaded afresh for nothing";
    EXPECT_EQ(shownMessage(), "");
}

// Ruffle's own error panel (its text for a web site's administrator, its buttons that lead to
// its wiki) never shows: our own words say what failed, over the view, and the player is gone.
bool enginesPanelShown(QWebEngineView* view) {
    QString text;
    bool done = false;
    view->page()->runJavaScript(
        "[...document.querySelectorAll('ruffle-player')].map(p => p.shadowRoot ? p.shadowRoot.innerHTML : '')"
        ".join(' ') + document.body.innerText",
        [&](const QVariant& v) {
            text = v.toString();
            done = true;
        });
    waitUntil([&] { return done; }, 5000);
    return text.contains("panic") || text.contains("wiki", Qt::CaseInsensitive) || text.contains("Error Details");
}

TEST_F(Games, NotFoundShowsOurMessageAndTheNextGameShows) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    game("/no-such-game.swf");
    EXPECT_TRUE(says(qc::GameFailure::NotFound)) << pageState().toStdString();
    EXPECT_TRUE(panics()) << pageState().toStdString();
    EXPECT_FALSE(enginesPanelShown(engineView()));
    EXPECT_FALSE(near(centre(), kRed)) << "the failed movie left the old one on screen";
    EXPECT_TRUE(form->isVisible());
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
    EXPECT_EQ(shownMessage(), "");
    EXPECT_TRUE(pageState().startsWith("ready:")) << pageState().toStdString();
    EXPECT_EQ(players(), 1);
}

TEST_F(Games, AnUnreachableServerShowsOurMessageNotTheEnginesAndTheNextGameShows) {
    form->ShockwaveFlash1().setMovie("http://127.0.0.1:" + std::to_string(refusedPort()) + "/gone.swf");
    form->showWindow();
    EXPECT_TRUE(says(qc::GameFailure::NoConnection)) << pageState().toStdString();
    EXPECT_FALSE(enginesPanelShown(engineView()));
    // Drawn in the window: our dark message, none of the engine's orange.
    const QImage shot = form->grab().toImage();
    int orange = 0;
    for (int y = 0; y < shot.height(); y += 4)
        for (int x = 0; x < shot.width(); x += 4) {
            const QColor c = shot.pixelColor(x, y);
            orange += c.red() > 200 && c.green() > 120 && c.green() < 200 && c.blue() < 100;
        }
    EXPECT_EQ(orange, 0);
    game("/green.swf");
    EXPECT_TRUE(shows(kGreen)) << pageState().toStdString();
    EXPECT_EQ(shownMessage(), "");
}

TEST_F(Games, AFileThatIsNoMovieShowsOurMessage) {
    game("/junk.swf");
    EXPECT_TRUE(says(qc::GameFailure::NotAMovie)) << pageState().toStdString();
    EXPECT_FALSE(enginesPanelShown(engineView()));
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
}

TEST_F(Games, AServersErrorIsSaidAsTheServers) {
    Reply broken;
    broken.status = 500;
    server->route("/broken.swf", broken);
    game("/broken.swf");
    EXPECT_TRUE(says(qc::GameFailure::ServerError)) << pageState().toStdString();
}

TEST_F(Games, ClosingHidesAndTheNextGameShowsTheWindowAgainWithTheNewMovie) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    QPointer<QWidget> alive(form.get());
    EXPECT_TRUE(form->close());
    QTest::qWait(100);
    ASSERT_TRUE(alive);
    EXPECT_FALSE(form->isVisible());
    game("/blue.swf");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
}

TEST_F(Games, TheFirstShowingFillsTheScreenWithTheControlFillingTheWindow) {
    game("/red.swf");
    EXPECT_TRUE(form->isVisible());
    const QRect available = form->screen()->availableGeometry();
    // Maximised by the window manager, or, without one, over the work area all the same.
    EXPECT_TRUE(waitUntil([&] { return form->frameGeometry().contains(available); }, 5000))
        << "frame " << form->frameGeometry().width() << "x" << form->frameGeometry().height() << " of "
        << available.width() << "x" << available.height();
    EXPECT_TRUE(waitUntil(
        [&] {
            return control->geometry() == form->rect() &&
                   (!engineView() || engineView()->geometry() == control->rect());
        },
        5000));
    EXPECT_TRUE(shows(kRed));
    // At another size the control still fills the window.
    form->showNormal();
    form->setGeometry(204, 157, 544, 375);
    EXPECT_TRUE(waitUntil(
        [&] {
            return form->width() == 544 && control->geometry() == form->rect() &&
                   (!engineView() || engineView()->geometry() == control->rect());
        },
        5000));
    EXPECT_TRUE(shows(kRed));
}

TEST_F(Games, AMinimisedWindowStaysMinimisedWhenAGameIsChosen) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    form->showMinimized();
    ASSERT_TRUE(waitUntil([&] { return form->isMinimized(); }, 5000));
    game("/blue.swf");
    QTest::qWait(300);
    EXPECT_TRUE(form->isMinimized());
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/blue.swf") == 1; }, kShowBound));
}

TEST_F(Games, AMovieBeyondTheSizeBoundIsRefusedAndTheNextGameShows) {
    Reply huge = movie(makeSwf(kRed) + std::string(1 << 20, '\0'));
    huge.repeatBody = qc::FlashSandbox::Limits{}.bytesPerDownload / (1 << 20) + 2;
    server->route("/huge.swf", huge);
    game("/huge.swf");
    EXPECT_TRUE(says(qc::GameFailure::TooLarge)) << pageState().toStdString();
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
}

// A key typed into the window, as the window system delivers it, held while the movie polls.
static void typeRight(QWidget* window) {
    QTest::keyPress(window->windowHandle(), Qt::Key_Right);
    QTest::qWait(150);
    QTest::keyRelease(window->windowHandle(), Qt::Key_Right);
}

TEST_F(Games, KeysReachAKeyboardGameWithNoClickFirst) {
    server->route("/keys.swf", movie(makeKeyMovie(kRed, kGreen, 39)));  // 39: the right arrow
    const auto keysReach = [&] {
        if (!shows(kRed)) return false;
        return waitUntil(
            [&] {
                typeRight(form.get());
                return near(centre(), kGreen);
            },
            10000);
    };
    game("/keys.swf");
    EXPECT_TRUE(keysReach()) << "first showing; " << pageState().toStdString();
    // A new movie in the shown window.
    game("/keys.swf");
    EXPECT_TRUE(keysReach()) << "a new movie";
    // Shown again after closing.
    form->close();
    game("/keys.swf");
    EXPECT_TRUE(keysReach()) << "after closing";
    // Brought to the front after another window had the keyboard.
    QWidget other;
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.activateWindow();
    other.setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == &other; }, 5000));
    game("/keys.swf");
    EXPECT_TRUE(keysReach()) << "brought to the front";
}

TEST_F(Games, AClickInTheMovieKeepsTheKeysThere) {
    server->route("/keys.swf", movie(makeKeyMovie(kRed, kGreen, 39)));
    game("/keys.swf");
    ASSERT_TRUE(shows(kRed));
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : engineView();
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    EXPECT_TRUE(waitUntil(
        [&] {
            typeRight(form.get());
            return near(centre(), kGreen);
        },
        10000))
        << pageState().toStdString();
}
