// The browser engine's start-up settings: the switches the program adds join the user's own
// instead of replacing them and never pile up, and software compositing is chosen for the
// software OpenGL rasterisers only, never for a GPU's driver.
#include "platform/qt/browser_engine.h"

#include <gtest/gtest.h>

namespace lumora::qtview {
namespace {

TEST(BrowserEngineSwitches, JoinTheUsersOwnOnceAndLeaveThemAsGiven) {
  const QByteArray ours = WithOurEngineSwitches("");
  ASSERT_FALSE(ours.isEmpty());
  EXPECT_FALSE(ours.startsWith(' '));

  // The user's switches, quoting and spacing included, come through unchanged and first.
  const QByteArray user = "--js-flags=\"--max-old-space-size=64\"  --lang=de";
  const QByteArray joined = WithOurEngineSwitches(user);
  EXPECT_TRUE(joined.startsWith(user));
  EXPECT_TRUE(joined.endsWith(ours));

  // Applied again (a restarted copy inherits the environment), nothing is added twice.
  EXPECT_EQ(WithOurEngineSwitches(joined), joined);
  EXPECT_EQ(WithOurEngineSwitches("  " + ours + " "), "  " + ours + " ");
}

TEST(BrowserEngineCompositing, TellsSoftwareRasterisersFromGpuDrivers) {
  for (const char* software : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa DRI swrast",
                               "Software Rasterizer", "Google SwiftShader", "LLVMPIPE"}) {
    EXPECT_TRUE(IsSoftwareRenderer(software)) << software;
  }
  for (const char* gpu : {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)",
                          "AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49)",
                          "NVIDIA GeForce GTX 1060 6GB/PCIe/SSE2", "virgl", ""}) {
    EXPECT_FALSE(IsSoftwareRenderer(gpu)) << gpu;
  }
}

}  // namespace
}  // namespace lumora::qtview
