#include "tools/demo_service/demo_release.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>

namespace lumora::demo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kForcedUpgradeSwitch = "/ads/qzsj.html";
const std::string kGbkOn = "\xBF\xAA";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The package's file name from latest.json's "package" value, without its folder.
std::string PackageName(const fs::path& manifest) {
  const auto json = nlohmann::json::parse(ReadFile(manifest), nullptr, /*allow_exceptions=*/false);
  if (!json.is_object() || !json.contains("package") || !json["package"].is_string()) return {};
  const std::string package = json["package"].get<std::string>();
  const auto slash = package.rfind('/');
  return slash == std::string::npos ? package : package.substr(slash + 1);
}

bool IsSafeName(const std::string& name) {
  static const std::regex kName(R"([A-Za-z0-9][A-Za-z0-9._-]*)");
  return std::regex_match(name, kName) && name.find("..") == std::string::npos;
}

}  // namespace

DemoRelease::DemoRelease(fs::path folder, bool offer_upgrade)
    : folder_(std::move(folder)),
      package_name_(PackageName(folder_ / "latest.json")),
      offering_(offer_upgrade) {}

std::optional<std::string> DemoRelease::OfferedPage(std::string_view path) const {
  if (!offering_) return std::nullopt;
  static const std::regex kVersionPage(R"(/ads/[0-9]+(\.[0-9]+)+\.html)");
  if (path == kForcedUpgradeSwitch || std::regex_match(path.begin(), path.end(), kVersionPage)) {
    return kGbkOn;
  }
  return std::nullopt;
}

void DemoRelease::AddRoutes(httplib::Server& server) {
  server.Get(R"(/update/([^/]+))", [this](const httplib::Request& req, httplib::Response& res) {
    Serve(req.matches[1], res);
  });
}

void DemoRelease::Serve(const std::string& name, httplib::Response& res) {
  std::error_code error;
  const fs::path file = folder_ / name;
  if (!IsSafeName(name) || !fs::is_regular_file(file, error)) {
    res.status = 404;
    return;
  }
  res.set_header("Cache-Control", "no-cache");
  if (name != package_name_) {
    res.set_content(ReadFile(file), name.ends_with(".json") ? "application/json" : "text/plain");
    return;
  }
  // The package goes out through a provider, so the service sees its last byte leave and
  // can end the offer: the new build must not be told to upgrade again.
  const auto size = static_cast<std::size_t>(fs::file_size(file, error));
  auto stream = std::make_shared<std::ifstream>(file, std::ios::binary);
  res.set_content_provider(
      size, "application/x-xz",
      [this, stream, size](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        std::string chunk(std::min<std::size_t>(length, 64 * 1024), '\0');
        stream->seekg(static_cast<std::streamoff>(offset));
        stream->read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(stream->gcount());
        if (got == 0 || !sink.write(chunk.data(), got)) return false;
        if (offset + got == size && offering_.exchange(false)) {
          std::fprintf(stderr, "lumora-demo-service: release sent whole; upgrade offer ended\n");
        }
        return true;
      });
}

}  // namespace lumora::demo
