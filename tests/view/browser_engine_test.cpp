// The browser engine's start-up settings: the switches the program adds join the user's own
// instead of replacing them and never pile up, and software compositing is chosen for the
// software OpenGL rasterisers only, never for a GPU's driver.
#include "platform/qt/browser_engine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

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

TEST(BrowserEngineCompositing, SeesAGraphicsDeviceOnlyWhereOneCanBeOpened) {
  QTemporaryDir scratch;
  const std::filesystem::path dev = scratch.path().toStdString();
  const auto node = [&](const char* name, std::filesystem::perms perms) {
    const std::filesystem::path path = dev / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path).put('\0');
    std::filesystem::permissions(path, perms);
  };
  EXPECT_TRUE(NoGraphicsDevice(dev / "missing"));
  EXPECT_TRUE(NoGraphicsDevice(dev));

  // Names that are no GPU's, and a render node this user may not open (root opens anything).
  node("dri/by-path", std::filesystem::perms::owner_all);
  node("nvidia-modeset", std::filesystem::perms::owner_all);
  EXPECT_TRUE(NoGraphicsDevice(dev));
  if (::geteuid() != 0) {
    node("dri/renderD128", std::filesystem::perms::none);
    EXPECT_TRUE(NoGraphicsDevice(dev));
  }

  node("dri/renderD129", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_FALSE(NoGraphicsDevice(dev));
  std::filesystem::remove_all(dev / "dri");
  node("dri/card0", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_FALSE(NoGraphicsDevice(dev));
  std::filesystem::remove_all(dev / "dri");
  node("nvidiactl", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_FALSE(NoGraphicsDevice(dev));
}

}  // namespace
}  // namespace lumora::qtview
