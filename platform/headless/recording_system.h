// System services that only record what the program asked for, for behaviour tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/system.h"

namespace lumora {

class RecordingSystem : public SystemServices {
 public:
  struct StartedProgram {
    std::string path;
    std::vector<std::string> args;
  };

  bool StartProgram(const std::string& path, const std::vector<std::string>& args) override {
    started.push_back({path, args});
    return true;
  }
  bool OpenUrl(const std::string& url) override {
    opened_urls.push_back(url);
    return true;
  }
  bool RegisterAutorun(const std::string& entry_name, const std::string& program_path) override {
    autorun[entry_name] = program_path;
    return true;
  }
  bool UnregisterAutorun(const std::string& entry_name) override {
    autorun.erase(entry_name);
    return true;
  }
  void SetScreenSaverActive(bool active) override { screen_saver_calls.push_back(active); }
  void TrimWorkingSet() override { ++trims; }
  bool IsNetworkConnected(const std::string&) override { return network_connected; }

  std::vector<StartedProgram> started;
  std::vector<std::string> opened_urls;
  std::map<std::string, std::string> autorun;
  std::vector<bool> screen_saver_calls;
  int trims = 0;
  bool network_connected = true;
};

}  // namespace lumora
