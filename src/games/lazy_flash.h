#pragma once
// ShockwaveFlash1 as the games window holds it: created with the window, it makes sure the Flash
// engine is there, and loads it with the first movie.

#include <QStringList>
#include <QWidget>

#include "games/flash_engine.h"

namespace qc {

// The engine's command-line switches, and how it draws (kEngineGpuVariable, or whether the desktop
// has a GPU); must run before the QApplication exists.
void prepareFlashEngine();

// Where the engine module is looked for: beside the executable (the build tree), then in the
// installed library folder.
QStringList defaultFlashModuleDirs();

class LazyFlash : public QWidget, public FlashControl {
public:
    // Throws when the engine's module or its helper process is missing.
    LazyFlash(QWidget* parent, const QStringList& moduleDirs = defaultFlashModuleDirs());
    ~LazyFlash() override;

    void setMovie(const std::string& address) override;
    bool engineLoaded() const { return engine_ != nullptr; }

private:
    QString modulePath_;
    FlashEngine* engine_ = nullptr;  // a child widget once loaded
};

}  // namespace qc
