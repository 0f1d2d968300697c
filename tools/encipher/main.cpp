// Prints the stored form of an address, as the program keeps its service and website
// addresses: lumora-encipher http://service.example/
#include <cstdio>
#include <string>

#include "service/cipher.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s ADDRESS\n", argc > 0 ? argv[0] : "lumora-encipher");
    return 2;
  }
  const std::string hex = lumora::EncipherAddress(argv[1]);
  if (hex.empty()) {
    std::fprintf(stderr, "cannot encipher an empty address\n");
    return 1;
  }
  std::printf("%s\n", hex.c_str());
  return 0;
}
