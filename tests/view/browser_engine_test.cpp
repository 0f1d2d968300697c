// The browser engine's start-up settings: the switches the program adds join the user's own
// instead of replacing them and never pile up, and software compositing is chosen for the
// software OpenGL rasterisers only, never for a GPU's driver.
#include "platform/qt/browser_engine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include "platform/system/x_server.h"

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
  // Ours follow, each once; our V8 flags join the user's (below).
  for (const QByteArray& switch_ : ours.split(' ')) {
    if (!switch_.startsWith("--js-flags=")) {
      EXPECT_EQ(joined.split(' ').count(switch_), 1);
    }
  }

  // Applied again (a restarted copy inherits the environment), nothing is added twice.
  EXPECT_EQ(WithOurEngineSwitches(joined), joined);
  EXPECT_EQ(WithOurEngineSwitches("  " + ours + " "), "  " + ours + " ");
}

// The engine keeps the last --js-flags only: ours carry the user's V8 flags along, and a
// user's own choice about the JIT stands (null: nothing of ours added).
TEST(BrowserEngineSwitches, JoinOurV8FlagsToTheUsersLast) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "--js-flags=--jitless\t--no-expose-wasm"},
      {"--js-flags=--a --lang=de --js-flags=--b", "--js-flags=--b\t--jitless\t--no-expose-wasm"},
      {"--js-flags=--jitless-ish", "--js-flags=--jitless-ish\t--jitless\t--no-expose-wasm"},
      {"--js-flags=--no-jitless", nullptr},
      {"--js-flags=--a\t--no_jitless", nullptr},
      {"--js-flags=-nojitless", nullptr},
  };
  for (const auto& [user, ours] : cases) {
    const QByteArray joined = WithOurEngineSwitches(user);
    const QByteArray last = joined.mid(joined.lastIndexOf("--js-flags=")).split(' ').front();
    if (LUMORA_JS_JIT || ours == nullptr) {
      EXPECT_EQ(joined.count("--js-flags="), QByteArray(user).count("--js-flags=")) << user;
    } else {
      EXPECT_EQ(last, ours) << user;
    }
  }
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
  const auto found = [&](const std::filesystem::path& where) {
    const GraphicsDevices devices = FindGraphicsDevices(where);
    return std::pair(devices.drm, devices.nvidia);
  };
  using Found = std::pair<bool, bool>;
  EXPECT_EQ(found(dev / "missing"), Found(false, false));
  EXPECT_EQ(found(dev), Found(false, false));

  // Names that are no GPU's, and a render node this user may not open (root opens anything).
  node("dri/by-path", std::filesystem::perms::owner_all);
  node("nvidia-modeset", std::filesystem::perms::owner_all);
  EXPECT_EQ(found(dev), Found(false, false));
  if (::geteuid() != 0) {
    node("dri/renderD128", std::filesystem::perms::none);
    EXPECT_EQ(found(dev), Found(false, false));
  }

  const auto rw = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
  node("dri/renderD129", rw);
  EXPECT_EQ(found(dev), Found(true, false));
  std::filesystem::remove_all(dev / "dri");
  node("dri/card0", rw);
  EXPECT_EQ(found(dev), Found(true, false));
  node("nvidiactl", rw);
  EXPECT_EQ(found(dev), Found(true, true));
}

// A GPU counts unless the X server in front of it offers no direct rendering; the
// proprietary driver and an X server that cannot be asked always leave it to the probe.
TEST(BrowserEngineCompositing, TakesOnlySoftwareOpenGlWhereNoClientCanHaveAGpu) {
  EXPECT_TRUE(OnlySoftwareOpenGl({.drm = false, .nvidia = false}, std::nullopt));
  EXPECT_TRUE(OnlySoftwareOpenGl({.drm = true, .nvidia = false}, false));
  EXPECT_FALSE(OnlySoftwareOpenGl({.drm = true, .nvidia = false}, true));
  EXPECT_FALSE(OnlySoftwareOpenGl({.drm = true, .nvidia = false}, std::nullopt));
  EXPECT_FALSE(OnlySoftwareOpenGl({.drm = false, .nvidia = true}, false));

  EXPECT_FALSE(XServerOffersDirectRendering(":65000").has_value());  // no such server
  const char* display = std::getenv("DISPLAY");
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(XServerHasAnyExtension(display, {"MIT-SHM"}), std::optional<bool>(true));
  EXPECT_EQ(XServerHasAnyExtension(display, {"NO-SUCH-EXTENSION", "RENDER"}),
            std::optional<bool>(true));
  EXPECT_EQ(XServerHasAnyExtension(display, {"NO-SUCH-EXTENSION"}), std::optional<bool>(false));
  // The test display's answer agrees with the extension list xdpyinfo reads.
  std::string listing;
  if (FILE* out = ::popen("xdpyinfo -queryExtensions 2>/dev/null", "r")) {
    for (char buffer[4096]; std::fgets(buffer, sizeof buffer, out) != nullptr;) listing += buffer;
    ::pclose(out);
  }
  ASSERT_NE(listing.find("GLX"), std::string::npos) << "xdpyinfo gave no extension list";
  const bool listed =
      listing.find("DRI3") != std::string::npos || listing.find("DRI2") != std::string::npos;
  EXPECT_EQ(XServerOffersDirectRendering(display), std::optional<bool>(listed));
}

}  // namespace
}  // namespace lumora::qtview
