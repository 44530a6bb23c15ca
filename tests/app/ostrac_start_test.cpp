#include <gtest/gtest.h>

#include "ostrac.h"

namespace pk {
namespace {

TEST(Ostrac, StartsWithCaptionAndBlankImage) {
    ScriptedDialog dialog;
    VirtualClock clock;
    OstracDeps deps;
    deps.dialog = &dialog;
    deps.clock = &clock;
    deps.arguments = {QStringLiteral("pkorvel")};
    TOstrac w(deps);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ParallelportKorvel Version 2.2 (Velmor)"));
    EXPECT_FALSE(w.Image.HexLoaded);
}

}  // namespace
}  // namespace pk
