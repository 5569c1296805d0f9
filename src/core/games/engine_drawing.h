#pragma once
// How the games engine draws: on the desktop's GPU, or in software. Chosen once, before the engine
// starts.

#include <string_view>

namespace qc {

enum class EngineDrawing {
    Software,  // light (no OpenGL at all), but Stage3D movies show only their background
    Gpu,       // draws Stage3D; where no GPU is there, in software OpenGL, at a cost
};

// The environment variable that overrides the choice: "1" draws with OpenGL (software OpenGL
// where the desktop has no GPU), "0" in software.
inline constexpr char kEngineGpuVariable[] = "QINGCHUAN_GPU";

struct DrawingChoice {
    EngineDrawing drawing = EngineDrawing::Software;
    bool forced = false;  // asked for, whatever the engine thinks of the desktop's GPU
};

// `setting` is the variable's value (empty when unset); `gpuPresent` says whether the desktop has
// a GPU this user may draw on.
DrawingChoice chooseEngineDrawing(std::string_view setting, bool gpuPresent);

}  // namespace qc
