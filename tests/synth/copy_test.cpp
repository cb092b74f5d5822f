// Built with two output slots: every render is copied from slot 0 into slot 1.
#include <algorithm>

#include "render_fixture.h"

namespace {

static_assert(SOUND_OUT_BUFFERS == 2);

using CopyTest = RenderTest;

TEST_F(CopyTest, TheSecondSlotReceivesACopyAfterEveryRender) {
  Attach(8192);
  std::vector<SHORT> second(8192, 555);
  g_pOutData[1] = second.data();
  g_nOutBuffers = 2;

  for (int nCode : {WF_SINE, WF_SAWTOOTH, WF_WHITE_NOISE, 8}) {
    std::vector<SHORT> first = Render(nCode, kF92);
    EXPECT_EQ(second, first) << nCode;
  }

  // One slot in use: nothing is copied.
  std::fill(second.begin(), second.end(), 555);
  g_nOutBuffers = 1;
  Render(WF_SQUARE, kF92);
  EXPECT_EQ(std::count(second.begin(), second.end(), 555), 8192);

  // A count beyond the table, or an empty slot, is not followed.
  g_nOutBuffers = 7;
  Render(WF_SQUARE, kF92);
  g_pOutData[1] = NULL;
  g_nOutBuffers = 2;
  Render(WF_SINE, kF92);
}

}  // namespace
