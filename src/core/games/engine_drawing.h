#pragma once
// How the games engine draws: on the desktop's GPU, or without one. Chosen once, before the engine
// starts.

#include <string_view>

namespace qc {

enum class EngineDrawing {
    // No OpenGL at all, the lightest: Ruffle's canvas renderer, which lacks BitmapData.draw (what
    // FlashPunk and Flixel games draw everything with), Stage3D (Starling) and some filters.
    Canvas,
    // Without a GPU: movies start on the canvas renderer, and one that uses what it lacks starts
    // again on Ruffle's WebGL renderer, on OpenGL in software (Mesa). The OpenGL stack is loaded
    // with the engine all the same (some 80 MB).
    CanvasFirst,
    // The desktop's GPU draws everything (software OpenGL where it is forced without one).
    Gpu,
};

// The environment variable that overrides the choice: "1" draws with OpenGL throughout (software
// OpenGL where the desktop has no GPU), "0" on canvas only.
inline constexpr char kEngineGpuVariable[] = "QINGCHUAN_GPU";

struct DrawingChoice {
    EngineDrawing drawing = EngineDrawing::CanvasFirst;
    bool forced = false;  // asked for, whatever the engine thinks of the desktop's GPU
};

// `setting` is the variable's value (empty when unset); `gpuPresent` says whether the desktop has
// a GPU this user may draw on.
DrawingChoice chooseEngineDrawing(std::string_view setting, bool gpuPresent);

// The drawing as the games page takes it, in its address: "canvas", "canvas-first" or "gpu".
std::string_view drawingName(EngineDrawing drawing);

}  // namespace qc
