#pragma once
// ShockwaveFlash1 on Ruffle: a web view that shows Ruffle's player, one movie at a time.
// Nothing is loaded into the view until the first movie is set, so start-up stays small.

#include <QString>
#include <QWebEngineView>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "core/games/game_failure.h"
#include "games/flash_engine.h"

class QLabel;
class QWebEngineProfile;

namespace qc {

class EngineMemoryWatch;
class PageAnswer;
class PageLog;
class RuffleScheme;

class RuffleFlash : public QWebEngineView, public FlashEngine {
public:
    // Throws when the engine cannot be created on this system.
    explicit RuffleFlash(QWidget* parent = nullptr, EngineDrawing drawing = EngineDrawing::Canvas);
    ~RuffleFlash() override;

    void setMovie(const std::string& address) override;
    QWidget* widget() override { return this; }

    // Whether the page with the player has been loaded (the first movie was set).
    bool pageStarted() const { return page_ != nullptr; }

protected:
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void startPage();
    void playPending();
    // Our own message over the engine's view, until the next movie.
    void showFailure(GameFailure failure);
    // The page's console: a panic of the player (said by our page), or a line for our log.
    void consoleMessage(int level, const QString& text, int line, const QString& source);
    // Runs `answered` once the page's main thread answers, or ends its renderer when it doesn't.
    void whenAnswering(const QString& script, std::function<void(const QVariant&)> answered);
    void watchAnswer(uint64_t ask, std::shared_ptr<PageAnswer> watch);
    // How often the renderer's main thread has slept so far, or -1.
    long rendererSleeps() const;
    void endBusyRenderer();
    void cover(bool on);

    const EngineDrawing drawing_;
    QWebEngineProfile* profile_ = nullptr;
    RuffleScheme* scheme_ = nullptr;
    QWebEnginePage* page_ = nullptr;
    EngineMemoryWatch* memory_ = nullptr;
    QLabel* message_ = nullptr;
    std::unique_ptr<PageLog> log_;
    std::optional<GameFailure> endedFor_;  // why we ended the page's process
    QString pending_;                      // the movie to hand to the player once the page is ready
    bool ready_ = false;
    bool loading_ = false;
    bool wanted_ = false;  // a movie is to be on the screen: from setMovie until the view is hidden
    bool ending_ = false;  // its busy renderer was told to end; once it has, a wanted movie starts afresh
    uint64_t asked_ = 0;   // scripts handed to the page, so that a late answer is known as such
    uint64_t answered_ = 0;
    QWidget* cover_ = nullptr;  // black, over the old movie's picture until the new movie takes its place
};

}  // namespace qc
