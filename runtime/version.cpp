#include "runtime/version.h"

#include <cstdio>
#include <string_view>

namespace quillet {

const char* Version() { return QUILLET_VERSION; }

bool PrintVersionIfAsked(int argc, char** argv, const char* program) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") return false;
    if (arg == "--version") {
      std::printf("%s %s\n", program, Version());
      return true;
    }
  }
  return false;
}

}  // namespace quillet
