// Prints the addresses the service client works out, so the build can check that they come
// back from their enciphered form.
#include <cstdio>

#include "service/service_client.h"

int main() {
  std::printf("%s\n%s\n", lumora::ServiceBase().c_str(), lumora::WebsiteAddress().c_str());
  return 0;
}
