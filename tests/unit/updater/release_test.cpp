// lumora-release end to end on a small app folder: what it writes passes minisign's own check
// and the updater's, and unpacks to the folder minus the user's settings.
#include "updater/core/release.h"

#include "tests/unit/updater/updater_test_support.h"
#include "updater/core/digest.h"
#include "updater/core/layout.h"
#include "updater/core/minisign.h"
#include "updater/core/trusted_key.h"
#include "updater/core/unpack.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

using test::Listing;
using test::ModeOf;
using test::ReadFile;
using test::RunProgram;
using test::ScratchDir;
using test::WriteFile;

const fs::path kSource = LUMORA_SOURCE_DIR;

TEST(DigestTest, KnownValuesStreamedAndFromFiles) {
  Sha256 empty;
  EXPECT_EQ(empty.HexDigest(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  Sha256 split;
  split.Update("a");
  split.Update("bc");
  EXPECT_EQ(split.HexDigest(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  ScratchDir dir;
  WriteFile(dir / "abc", "abc");
  EXPECT_EQ(Sha256OfFile(dir / "abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_FALSE(Sha256OfFile(dir / "missing"));
}

TEST(ReleaseToolTest, MakesAReleaseBothCheckersAccept) {
  ScratchDir dir;
  const fs::path app = dir / "app", out = dir / "out";
  WriteFile(app / "lumora", "#!/bin/sh\n", 0755);
  WriteFile(app / "Update", "#!/bin/sh\n", 0755);
  WriteFile(app / "data/skin/a.png", "png", 0600);
  WriteFile(app / "Config.ini", "[Config]\nSecret=user\n");
  WriteFile(app / kPackageMarker, "");
  fs::create_symlink("skin/a.png", app / "data/link.png");

  ASSERT_EQ(
      RunProgram({LUMORA_RELEASE_TOOL, "--app", app.string(), "--version", "1.0.1304.1", "--key",
                  (kSource / "demo/update-key.sec").string(), "--out", out.string()}),
      0);
  EXPECT_EQ(RunProgram({"minisign", "-V", "-q", "-m", (out / "latest.json").string(), "-p",
                        (kSource / "demo/update-key.pub").string()}),
            0);

  const std::string json = ReadFile(out / "latest.json");
  const auto key = BuiltInPublicKey();
  ASSERT_TRUE(key) << "the built-in key is the demo key by default";
  std::string comment;
  EXPECT_EQ(Verify(*key, json, ReadFile(out / "latest.json.minisig"), &comment),
            VerifyError::kNone);
  EXPECT_NE(comment.find("latest.json"), std::string::npos) << comment;

  std::string error;
  const auto manifest = ParseManifest(json, &error);
  ASSERT_TRUE(manifest) << error;
  EXPECT_EQ(manifest->version, "1.0.1304.1");
  EXPECT_EQ(manifest->package, "update/lumora-1.0.1304.1.tar.xz");
  const fs::path archive = out / "lumora-1.0.1304.1.tar.xz";
  EXPECT_EQ(manifest->size, fs::file_size(archive));
  EXPECT_EQ(manifest->sha256, Sha256OfFile(archive));

  const auto unpacked = Unpack(archive, dir / "unpacked", manifest->size * 20 + 4096);
  ASSERT_TRUE(unpacked.ok) << unpacked.error;
  EXPECT_EQ(Listing(dir / "unpacked"),
            (std::vector<std::string>{"Update", "data", "data/link.png", "data/skin",
                                      "data/skin/a.png", "lumora"}));
  EXPECT_EQ(ModeOf(dir / "unpacked/lumora"), 0755u);
  EXPECT_EQ(ModeOf(dir / "unpacked/data/skin/a.png"), 0600u);
  EXPECT_EQ(fs::read_symlink(dir / "unpacked/data/link.png"), "skin/a.png");
}

TEST(ReleaseToolTest, RefusesWhatWouldMakeAnUnusableRelease) {
  ScratchDir dir;
  WriteFile(dir / "app/lumora", "#!/bin/sh\n", 0755);
  WriteFile(dir / "noclient/data", "x");
  const std::string key = (kSource / "demo/update-key.sec").string();
  const std::string tool = LUMORA_RELEASE_TOOL;
  EXPECT_NE(RunProgram({tool, "--app", (dir / "app").string(), "--version", "1.x", "--key", key,
                        "--out", (dir / "o1").string()}),
            0);
  EXPECT_NE(RunProgram({tool, "--app", (dir / "noclient").string(), "--version", "1", "--key", key,
                        "--out", (dir / "o2").string()}),
            0);
  EXPECT_NE(
      RunProgram({tool, "--app", (dir / "app").string(), "--version", "1", "--key",
                  (kSource / "demo/update-key.pub").string(), "--out", (dir / "o3").string()}),
      0);
  EXPECT_NE(RunProgram({tool, "--app", (dir / "app").string(), "--version", "1"}), 0);
  EXPECT_FALSE(fs::exists(dir / "o3/latest.json")) << "nothing unsigned is published";
  EXPECT_FALSE(fs::exists(dir / "o2/latest.json"));
}

TEST(ReleaseToolTest, ManifestJsonReadsBack) {
  const Manifest written{"2.0.1", "https://cdn.example.org/lumora-2.0.1.tar.xz", 77,
                         std::string(64, 'f')};
  const auto read = ParseManifest(ManifestJson(written));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->version, written.version);
  EXPECT_EQ(read->package, written.package);
  EXPECT_EQ(read->size, written.size);
  EXPECT_EQ(read->sha256, written.sha256);
}

}  // namespace
}  // namespace lumora::update
