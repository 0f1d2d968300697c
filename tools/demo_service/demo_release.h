// The demo's release: the update/ files the build signed, served with ranges, and the
// offer of an upgrade that turns itself off once the release package has gone out whole.
#pragma once

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumora::demo {

class DemoRelease {
 public:
  // `folder` holds latest.json, latest.json.minisig and the package it names.
  DemoRelease(std::filesystem::path folder, bool offer_upgrade);

  // Answers GET /update/<name> from the folder.
  void AddRoutes(httplib::Server& server);

  // While the offer stands: the "开" (GBK) the forced-upgrade switch and every build's
  // version page ("ads/<digits and dots>.html") answer, so the client is told to upgrade.
  std::optional<std::string> OfferedPage(std::string_view path) const;
  bool Offering() const { return offering_; }

 private:
  void Serve(const std::string& name, httplib::Response& res);

  std::filesystem::path folder_;
  std::string package_name_;  // the file latest.json names, without its folder
  std::atomic<bool> offering_;
};

}  // namespace lumora::demo
