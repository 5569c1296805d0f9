#include "core/games/engine_drawing.h"

namespace qc {

DrawingChoice chooseEngineDrawing(std::string_view setting, bool gpuPresent) {
    if (setting == "1") return {EngineDrawing::Gpu, true};
    if (setting == "0") return {EngineDrawing::Software, true};
    // Software OpenGL makes every game cost 1.5 times the memory and twice the time to show,
    // for the few movies that use Stage3D: only a real GPU is worth it.
    return {gpuPresent ? EngineDrawing::Gpu : EngineDrawing::Software, false};
}

}  // namespace qc
