#include "core/games/engine_drawing.h"

namespace qc {

DrawingChoice chooseEngineDrawing(std::string_view setting, bool gpuPresent) {
    if (setting == "1") return {EngineDrawing::Gpu, true};
    if (setting == "0") return {EngineDrawing::Canvas, true};
    // Without a GPU, canvas only is lightest, but FlashPunk, Flixel and Starling games draw nothing.
    // Against it in two runs: canvas first, first game 1.02-1.26 times the time and 1.28-1.29
    // times the memory (Mesa's OpenGL and the GPU's thread: some 80 MB), next game 1.4 times;
    // OpenGL throughout, 1.6-2.0, 1.27-1.45 and 3.9 times.
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
