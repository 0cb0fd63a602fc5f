#include "commands.h"

#include <cstdio>

namespace oxel {

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "oxel: %s\n", message.c_str());
  return status;
}

}  // namespace oxel
