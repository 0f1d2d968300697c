// What a switch-page fetch costs, with the shared connection and with a new connection each
// time. Runs against a loopback test server, or against a running service (the demo service,
// for one) when LUMORA_SERVICE_BASE names it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "service/fetch.h"
#include "service/pages.h"
#include "service/service_base.h"
#include "tests/support/test_server.h"

namespace lumora {
namespace {

// The switch page's address, serving it from a loopback server unless a service is named.
std::string SwitchPageAddress() {
  static std::unique_ptr<testing::TestServer> server;
  if (auto base = ServiceBaseOverride()) return *base + std::string(kStartupSwitchPage);
  if (!server) {
    server = std::make_unique<testing::TestServer>();
    server->Set("/" + std::string(kStartupSwitchPage), testing::TestServer::Body("\xB9\xD8"));
  }
  return server->Base() + std::string(kStartupSwitchPage);
}

template <Bytes (*Fetch)(const std::string&)>
void FetchSwitchPage(benchmark::State& state) {
  const std::string address = SwitchPageAddress();
  if (Fetch(address).empty()) {
    state.SkipWithError(("cannot fetch " + address).c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Fetch(address));
}

BENCHMARK(FetchSwitchPage<&FetchPage>)
    ->Name("SwitchPage/ReusedConnection")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(FetchSwitchPage<&FetchPageOnNewConnection>)
    ->Name("SwitchPage/NewConnectionEachTime")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lumora
