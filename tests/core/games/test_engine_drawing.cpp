// The games engine draws on a GPU where one is there, and elsewhere on canvas first, with software
// OpenGL for the movies that need it; unless the user says otherwise.

#include <gtest/gtest.h>

#include "core/games/engine_drawing.h"

using qc::chooseEngineDrawing;
using qc::EngineDrawing;

TEST(EngineDrawing, AGpuIsUsedWhereTheDesktopHasOneAndCanvasFirstElsewhere) {
    EXPECT_EQ(chooseEngineDrawing("", true).drawing, EngineDrawing::Gpu);
    EXPECT_EQ(chooseEngineDrawing("", false).drawing, EngineDrawing::CanvasFirst);
    EXPECT_FALSE(chooseEngineDrawing("", true).forced);
    EXPECT_FALSE(chooseEngineDrawing("", false).forced);
}

TEST(EngineDrawing, TheUsersSettingWinsEitherWay) {
    for (bool gpu : {false, true}) {
        EXPECT_EQ(chooseEngineDrawing("1", gpu).drawing, EngineDrawing::Gpu) << gpu;
        EXPECT_TRUE(chooseEngineDrawing("1", gpu).forced);
        EXPECT_EQ(chooseEngineDrawing("0", gpu).drawing, EngineDrawing::Canvas) << gpu;
        EXPECT_TRUE(chooseEngineDrawing("0", gpu).forced);
    }
}

TEST(EngineDrawing, AnyOtherSettingIsNoSetting) {
    for (const char* setting : {"yes", "true", " 1", "10", "01", "gpu"}) {
        EXPECT_EQ(chooseEngineDrawing(setting, false).drawing, EngineDrawing::CanvasFirst) << setting;
        EXPECT_EQ(chooseEngineDrawing(setting, true).drawing, EngineDrawing::Gpu) << setting;
        EXPECT_FALSE(chooseEngineDrawing(setting, true).forced) << setting;
    }
}
