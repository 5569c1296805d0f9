#pragma once
// ShockwaveFlash1 on Ruffle: a web view that shows Ruffle's player, one movie at a time.
// Nothing is loaded into the view until the first movie is set, so start-up stays small.

#include <QString>
#include <QWebEngineView>

#include "games/flash_engine.h"

class QWebEngineProfile;

namespace qc {

class RuffleScheme;

class RuffleFlash : public QWebEngineView, public FlashEngine {
public:
    // Throws when the engine cannot be created on this system.
    explicit RuffleFlash(QWidget* parent = nullptr);
    ~RuffleFlash() override;

    void setMovie(const std::string& address) override;
    QWidget* widget() override { return this; }

    // Whether the page with the player has been loaded (the first movie was set).
    bool pageStarted() const { return page_ != nullptr; }

private:
    void startPage();
    void playPending();

    QWebEngineProfile* profile_ = nullptr;
    RuffleScheme* scheme_ = nullptr;
    QWebEnginePage* page_ = nullptr;
    QString pending_;  // the movie to hand to the player once the page is ready
    bool ready_ = false;
    bool loading_ = false;
};

}  // namespace qc
