// The folder of the loaded image (shared object or executable) holding this
// code: dladdr on one of our own functions, then realpath so that a module
// loaded through a symlink or a relative path still finds its resources.
#include <dlfcn.h>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "platform.h"

namespace oxel::platform {

namespace {
void anchor() {}
}  // namespace

const std::string& moduleDirectory() {
  static std::once_flag once;
  static std::string directory;
  std::call_once(once, [] {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) == 0 || !info.dli_fname) return;
    char resolved[PATH_MAX];
    if (!::realpath(info.dli_fname, resolved)) return;
    std::string path{resolved};
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return;
    directory = slash == 0 ? std::string{"/"} : path.substr(0, slash);
  });
  return directory;
}

}  // namespace oxel::platform
