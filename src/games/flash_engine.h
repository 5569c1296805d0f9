#pragma once
// The Flash engine lives in a module of its own, loaded when the first game is chosen: start-up
// then neither loads the web engine nor pays for it.

#include "core/games/engine_drawing.h"
#include "core/ports/flash_control.h"

class QWidget;

namespace qc {

class FlashEngine : public FlashControl {
public:
    // The engine's view, to be laid out in the games window.
    virtual QWidget* widget() = 0;
};

// The module's one entry point: creates the engine in `parent`, drawing as the engine's switches
// say (prepareFlashEngine); throws when it can't.
using CreateFlashEngine = FlashEngine* (*)(QWidget* parent, EngineDrawing drawing);
inline constexpr const char* kCreateFlashEngine = "qingchuan_create_flash_engine";
inline constexpr const char* kFlashModule = "libqingchuan-flash.so";

}  // namespace qc
