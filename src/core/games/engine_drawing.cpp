#include "core/games/engine_drawing.h"

namespace qc {

DrawingChoice chooseEngineDrawing(std::string_view setting, bool gpuPresent) {
    if (setting == "1") return {EngineDrawing::Gpu, true};
    if (setting == "0") return {EngineDrawing::Canvas, true};
    // Without a GPU, OpenGL in software throughout made every game cost 1.3 times the memory and
    // 1.5 times the time to show; starting on canvas, only the movies that need OpenGL pay for it.
    return {gpuPresent ? EngineDrawing::Gpu : EngineDrawing::CanvasFirst, false};
}

std::string_view drawingName(EngineDrawing drawing) {
    switch (drawing) {
    case EngineDrawing::Canvas: return "canvas";
    case EngineDrawing::CanvasFirst: return "canvas-first";
    case EngineDrawing::Gpu: return "gpu";
    }
    return "canvas";
}

}  // namespace qc
