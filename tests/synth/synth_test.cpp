#include <gtest/gtest.h>
#include "synth.h"
TEST(Snap, Default) { g_GenParams.fFrequency = 500.0f; SnapFrequency(); EXPECT_EQ(g_GenParams.fFrequency, 495.263671875f); }
