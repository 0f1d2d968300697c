// lumora-release --app DIR --version V --key FILE.sec --out DIR
//                [--base-package-path update/] [--comment TEXT]
// Writes OUT/lumora-V.tar.xz, OUT/latest.json and OUT/latest.json.minisig. A password-protected
// key's password comes from LUMORA_RELEASE_KEY_PASSWORD, or else from the terminal or the
// first line of standard input.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "updater/core/digest.h"
#include "updater/core/install.h"
#include "updater/core/manifest.h"
#include "updater/core/minisign.h"
#include "updater/core/release.h"

namespace {

namespace fs = std::filesystem;
using namespace lumora::update;

int Usage() {
  std::cerr << "usage: lumora-release --app DIR --version V --key FILE.sec --out DIR\n"
               "                      [--base-package-path update/] [--comment TEXT]\n";
  return 2;
}

int Fail(const std::string& why) {
  std::cerr << "lumora-release: " << why << "\n";
  return 1;
}

bool ReadText(const fs::path& file, std::string& text) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  text = bytes.str();
  return !in.bad();
}

// Written whole under a temporary name, then renamed: a reader never sees half a file.
bool WriteText(const fs::path& file, const std::string& text) {
  const fs::path temp = fs::path(file).concat(".part");
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!(out << text) || !out.flush()) return false;
  }
  std::error_code ec;
  fs::rename(temp, file, ec);
  return !ec;
}

std::string ReadPassword() {
  if (const char* given = std::getenv("LUMORA_RELEASE_KEY_PASSWORD")) return given;
  if (isatty(STDIN_FILENO)) {
    const char* typed = getpass("Password: ");  // without echo
    return typed != nullptr ? typed : "";
  }
  std::string line;
  std::getline(std::cin, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> options{{"--base-package-path", "update/"}};
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name != "--app" && name != "--version" && name != "--key" && name != "--out" &&
        name != "--base-package-path" && name != "--comment") {
      return Usage();
    }
    if (i + 1 >= argc) return Usage();
    options[name] = argv[++i];
  }
  for (const char* required : {"--app", "--version", "--key", "--out"}) {
    if (options[required].empty()) return Usage();
  }
  const fs::path app = options["--app"];
  const std::string version = options["--version"];
  std::string base = options["--base-package-path"];
  if (!IsVersionText(version)) return Fail("the version must be digits and dots: " + version);
  if (!base.empty() && base.back() != '/') base += '/';
  const fs::path program = app / kClientProgram;
  if (access(program.c_str(), X_OK) != 0) {
    return Fail("no executable " + program.string() + " in the app folder");
  }
  std::string secret_key;
  if (!ReadText(options["--key"], secret_key)) return Fail("cannot read " + options["--key"]);
  const std::string password = SecretKeyIsEncrypted(secret_key) ? ReadPassword() : "";

  const fs::path out = options["--out"];
  std::error_code ec;
  fs::create_directories(out, ec);
  const std::string archive_name = "lumora-" + version + ".tar.xz";
  const fs::path archive = out / archive_name;
  std::string error;
  if (!WriteReleaseArchive(app, archive, &error)) return Fail(error);

  Manifest manifest;
  manifest.version = version;
  manifest.package = base + archive_name;
  manifest.size = fs::file_size(archive, ec);
  const auto sha256 = Sha256OfFile(archive);
  if (ec || !sha256) return Fail("cannot read back " + archive.string());
  manifest.sha256 = *sha256;
  const std::string json = ManifestJson(manifest);
  if (!ParseManifest(json, &error)) return Fail("the release description is unusable: " + error);

  const std::string comment =
      options.count("--comment") != 0
          ? options["--comment"]
          : "timestamp:" + std::to_string(std::time(nullptr)) + "\tfile:latest.json\thashed";
  const auto signature = Sign(secret_key, json, comment, &error, password);
  if (!signature) {
    fs::remove(archive, ec);  // an archive nobody can trust is no release
    return Fail(error);
  }
  if (!WriteText(out / "latest.json", json) ||
      !WriteText(out / "latest.json.minisig", *signature)) {
    return Fail("cannot write into " + out.string());
  }
  std::cout << archive.string() << "\n"
            << (out / "latest.json").string() << "\n"
            << (out / "latest.json.minisig").string() << "\n";
  return 0;
}
