// The games engine's memory, bounded whatever a movie does: hostile movies written here allocate
// without end, unpack into gigabytes, and flood SharedObjects, through the real games window.
// The viewer survives, says what happened, plays the next movie, and every process stays within
// the budget.

#include <QTest>
#include <cstdio>
#include <string>

#include "core/games/flash_sandbox.h"
#include "games_fixture.h"

using namespace qctest;

namespace {

const qc::FlashSandbox::Limits kLimits;
// The watch reads the engine every memoryCheckMs, and the engine's wasm memory (Ruffle's heap)
// can't grow more than 128 MB past the budget at all: a movie allocating as fast as the ones here
// (400 MB a second, or a gigabyte at once) takes the page at most this far past the budget before
// it is ended. Measured: 30 to 130 MB past the watch's own base and budget.
constexpr long kOvershootKb = 128 << 10;

// A string of 2^`doublings` characters in `name`.
Actions& grown(Actions& a, const std::string& name, int doublings) {
    a.push(name).push("x").setVariable();
    for (int i = 0; i < doublings; ++i)
        a.push(name).push(name).getVariable().push(name).getVariable().add().setVariable();
    return a;
}

// Keeps 16 new strings of a megabyte each frame, each under a name of its own, forever.
std::string allocatingMovie() {
    Frame first;
    grown(first.actions, "s", 20).push("n").push(0).setVariable();
    Frame more;
    for (int i = 0; i < 16; ++i) {
        more.actions.push("n").push("n").getVariable().push(1).add().setVariable();
        // v<n> = n + s: a prefix, so that no string shares the one before's buffer.
        more.actions.push("v").push("n").getVariable().add();
        more.actions.push("n").getVariable().push("s").getVariable().add().setVariable();
    }
    Frame again;
    again.actions.gotoFrame(1).play();
    return makeMovie(kRed, {first, more, again});
}

// SharedObject.getLocal(<name>).data.x = s, then flush(), for each name.
std::string sharedObjectFlood(const std::vector<std::string>& names, int doublings) {
    Frame first;
    grown(first.actions, "s", doublings);
    for (const std::string& name : names) {
        first.actions.push("so")
            .push(name)
            .push(1)
            .push("SharedObject")
            .getVariable()
            .push("getLocal")
            .callMethod()
            .setVariable();
        first.actions.push("so").getVariable().push("data").getMember().push("x").push("s").getVariable().setMember();
        first.actions.push(0).push("so").getVariable().push("flush").callMethod().pop();
    }
    Frame last;
    last.actions.stop();
    return makeMovie(kRed, {first, last});
}

class MovieMemory : public Games {
protected:
    // The engine as it is with a small movie playing: the reference of every bound here.
    void SetUp() override {
        Games::SetUp();
        game("/green.swf");
        ASSERT_TRUE(shows(kGreen));
        QTest::qWait(500);
        MemoryPeaks now;
        now.sample();
        engineBaseKb = now.engineKb();
        selfBaseKb = now.selfKb();
    }
    bool watching(const std::function<bool()>& done, int ms) {
        return waitUntil(
            [&] {
                peaks.sample();
                return done();
            },
            ms);
    }
    void expectWithinTheBudget(const char* what) {
        const long boundKb = engineBaseKb + long(kLimits.engineBytes >> 10) + kOvershootKb;
        std::printf("%s: engine %ld MB before, peak %ld MB; viewer %ld MB before, peak %ld MB\n", what,
                    engineBaseKb >> 10, peaks.engineKb() >> 10, selfBaseKb >> 10, peaks.selfKb() >> 10);
        EXPECT_LE(peaks.engineKb(), boundKb) << what;
        // The viewer's own process holds no movie's data: a chunk per download at most.
        EXPECT_LE(peaks.selfKb() - selfBaseKb, 64 << 10) << what;
    }
    void nextGameShows() {
        game("/blue.swf");
        EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
        EXPECT_EQ(shownMessage(), "");
    }
    QString storage(const char* expression) {
        QString out;
        bool done = false;
        engineView()->page()->runJavaScript(expression, [&](const QVariant& v) {
            out = v.toString();
            done = true;
        });
        waitUntil([&] { return done; }, 5000);
        return out;
    }

    MemoryPeaks peaks;
    long engineBaseKb = 0, selfBaseKb = 0;
};

}  // namespace

TEST_F(MovieMemory, AMovieThatKeepsAllocatingIsEndedWithOurMessageAndTheNextPlays) {
    server->route("/allocating.swf", movie(allocatingMovie()));
    game("/allocating.swf");
    EXPECT_TRUE(watching([&] { return shownMessage() != ""; }, 60000));
    EXPECT_EQ(shownMessage().toStdString(), qc::gameFailureText(qc::GameFailure::OutOfMemory));
    watching([] { return false; }, 500);
    expectWithinTheBudget("allocating");
    nextGameShows();
}

TEST_F(MovieMemory, AStringThatDoublesPastTheBudgetIsEndedWithOurMessage) {
    // Each step allocates as much as all before it, at once: 1 GB in the last.
    Frame first;
    grown(first.actions, "s", 30);
    Frame last;
    last.actions.stop();
    server->route("/doubling.swf", movie(makeMovie(kRed, {first, last})));
    game("/doubling.swf");
    EXPECT_TRUE(watching([&] { return shownMessage() != ""; }, 60000));
    EXPECT_EQ(shownMessage().toStdString(), qc::gameFailureText(qc::GameFailure::OutOfMemory));
    watching([] { return false; }, 500);
    expectWithinTheBudget("doubling");
    nextGameShows();
}

TEST_F(MovieMemory, TheEnginesWasmMemoryCannotGrowFarPastTheBudget) {
    // Ruffle's heap: a wasm memory, as large as the engine's budget and a little more, no larger.
    const int pages = int((kLimits.engineBytes + (128 << 20)) >> 16);
    const QString grow = QString(
                             "(() => { const m = new WebAssembly.Memory({initial: 1, maximum: 65536});"
                             " try { m.grow(%1); } catch (e) { return 'refused'; }"
                             " try { m.grow(%2); return 'grew past'; } catch (e) { return 'capped'; } })()")
                             .arg(pages / 2)
                             .arg(pages);
    EXPECT_EQ(storage(grow.toUtf8().constData()).toStdString(), "capped");
}

TEST_F(MovieMemory, CompressionBombsAreRefusedWithOurMessageAndTheNextPlays) {
    constexpr uint64_t kGigabyte = 1ull << 30;
    server->route("/cws.swf", movie(makeSwfBomb('C', kGigabyte, 0)));          // says what it is
    server->route("/cws-liar.swf", movie(makeSwfBomb('C', kGigabyte, 4000)));  // says it is small
    server->route("/zws-liar.swf", movie(makeSwfBomb('Z', kGigabyte, 4000)));
    for (const char* bomb : {"/cws.swf", "/cws-liar.swf", "/zws-liar.swf"}) {
        game(bomb);
        EXPECT_TRUE(watching([&] { return shownMessage() != ""; }, kShowBound)) << bomb;
        EXPECT_EQ(shownMessage().toStdString(), qc::gameFailureText(qc::GameFailure::TooLarge)) << bomb;
        expectWithinTheBudget(bomb);
        nextGameShows();
    }
}

TEST_F(MovieMemory, PackedMoviesWithinTheBoundPlay) {
    server->route("/packed.swf", movie(packSwf(makeSwf(kRed), 'C')));
    server->route("/lzma.swf", movie(packSwf(makeSwf(kBlue), 'Z')));
    game("/packed.swf");
    EXPECT_TRUE(shows(kRed)) << pageState().toStdString();
    game("/lzma.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
}

TEST_F(MovieMemory, SharedObjectsAreKeptWithinTheirQuota) {
    std::vector<std::string> names;
    for (int i = 0; i < 64; ++i) names.push_back("flood" + std::to_string(i));
    server->route("/flood.swf", movie(sharedObjectFlood(names, 15)));  // 64 of 32 KB
    game("/flood.swf");
    ASSERT_TRUE(shows(kRed));
    const auto stored = [&] {
        return storage("Object.keys(localStorage).reduce((n, k) => n + k.length + localStorage.getItem(k).length, 0)")
            .toLongLong();
    };
    EXPECT_TRUE(watching([&] { return stored() > 0; }, kShowBound)) << "nothing was kept at all";
    watching([] { return false; }, 2000);
    EXPECT_LE(stored(), qint64(kLimits.sharedObjectBytesPerSite));
    EXPECT_TRUE(pageState().startsWith("ready:")) << "a refused flush is no failure of the movie";
    expectWithinTheBudget("SharedObject flood");
    nextGameShows();
}

TEST_F(MovieMemory, OneHugeSharedObjectEndsWithinTheBudgetAndTheNextPlays) {
    server->route("/huge-so.swf", movie(sharedObjectFlood({"huge"}, 27)));  // 128 MB
    game("/huge-so.swf");
    // Either the watch ends it, or its flush fails and it plays on: nothing of it is kept.
    watching([&] { return shownMessage() != ""; }, 20000);
    if (shownMessage().isEmpty()) EXPECT_TRUE(pageState().startsWith("ready:")) << pageState().toStdString();
    else EXPECT_EQ(shownMessage().toStdString(), qc::gameFailureText(qc::GameFailure::OutOfMemory));
    expectWithinTheBudget("huge SharedObject");
    nextGameShows();
    EXPECT_EQ(storage("String(Object.keys(localStorage).length)"), "0");
}
