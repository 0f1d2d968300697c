// Which addresses a browser of the program may show as its page. The engine gets no fixes on
// some distributions, so it shows only the deployment's own content at the top level; a link
// elsewhere belongs in the desktop's web browser, and anything that is not a plain web address
// goes nowhere.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/definition.h"

namespace lumora {

// One origin the deployment trusts: a scheme, a host (or, with `subdomains`, every host below
// it) and a port.
struct TrustedOrigin {
  std::string scheme;
  std::string host;
  int port = 0;
  bool subdomains = false;
};

class TrustedOrigins {
 public:
  // `origins`: "https://cdn.portal.example", "https://*.portal.example", with or without a
  // port; a whole address stands for its origin. Entries that are not http(s) origins are
  // skipped. `local_folder`: the folder whose files are the program's own pages.
  TrustedOrigins(const std::vector<std::string>& origins, std::filesystem::path local_folder);

  // kShow for a trusted origin, a file inside the local folder and about:blank; kDesktop for
  // any other http(s) address without user information (a "trusted@other" address misleads);
  // kNowhere for everything else (other schemes, files elsewhere, text that is no address).
  PageTrust Classify(std::string_view address) const;

 private:
  std::vector<TrustedOrigin> origins_;
  std::filesystem::path local_folder_;
};

// The comma-separated list of the build setting, split and trimmed; empty entries dropped.
std::vector<std::string> SplitOriginList(std::string_view list);

// The program's own: the service, the website, the build's trusted origins, and the pages in
// the app folder's Html folder.
TrustedOrigins ProgramTrustedOrigins(const std::filesystem::path& run_directory);

}  // namespace lumora
