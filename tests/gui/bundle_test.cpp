// Proves that a plug-in-like shared object finds its folder through symlinks
// and relative paths, reads pictures from resources/ beside the real file, and
// still draws its embedded pictures when it is copied alone.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform.h"

namespace fs = std::filesystem;

namespace {

const fs::path kModule = OXEL_BINARY_DIR "/tests/gui/bundle_module.so";

struct Loaded {
  void* handle;
  explicit Loaded(const fs::path& path) : handle{dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)} {}
  ~Loaded() {
    if (handle) dlclose(handle);
  }
  template <typename F>
  F* symbol(const char* name) const {
    return reinterpret_cast<F*>(dlsym(handle, name));
  }
};

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("oxel-bundle-" + std::to_string(::getpid()));
  TempDir() { fs::create_directories(path); }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

}  // namespace

TEST(BundleModule, FolderResolvedThroughSymlinkAndPicturesBesideTheRealFile) {
  TempDir tmp;
  const fs::path realDir = tmp.path / "real", linkDir = tmp.path / "vst";
  fs::create_directories(realDir / "resources");
  fs::create_directories(linkDir);
  fs::copy_file(kModule, realDir / "Plugin.so");
  fs::create_symlink(realDir / "Plugin.so", linkDir / "Plugin.so");
  ASSERT_TRUE(oxel::platform::writePng(oxel::platform::PixelPort{5, 2}, (realDir / "resources/bmp00128.png").string()));

  Loaded module{linkDir / "Plugin.so"};
  ASSERT_NE(module.handle, nullptr) << dlerror();
  auto* directory = module.symbol<const char*()>("bundleModuleDirectory");
  auto* width = module.symbol<int32_t(int32_t)>("bundleModulePictureWidth");
  ASSERT_NE(directory, nullptr);
  ASSERT_NE(width, nullptr);
  char resolved[PATH_MAX];
  ASSERT_NE(::realpath(realDir.c_str(), resolved), nullptr);
  EXPECT_EQ(std::string{directory()}, std::string{resolved});
  EXPECT_EQ(width(128), 5);
  EXPECT_EQ(width(777), 3);  // embedded in the module
  EXPECT_EQ(width(4242), -1);
}

TEST(BundleModule, LoneCopyDrawsItsEmbeddedPictures) {
  TempDir tmp;
  fs::copy_file(kModule, tmp.path / "Lone.so");
  Loaded module{tmp.path / "Lone.so"};
  ASSERT_NE(module.handle, nullptr) << dlerror();
  auto* width = module.symbol<int32_t(int32_t)>("bundleModulePictureWidth");
  ASSERT_NE(width, nullptr);
  EXPECT_EQ(width(777), 3);
  EXPECT_EQ(width(128), -1);
}
