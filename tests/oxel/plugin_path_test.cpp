// The plug-in search path names each folder once, in the order of preference,
// however often VST_PATH and the defaults repeat it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plugin_path.h"

namespace {

TEST(PluginSearchPath, EachFolderOnceInOrder) {
  const char* home = std::getenv("HOME");
  const std::string homeVst = std::string{home ? home : "/root"} + "/.vst";
  setenv("VST_PATH", ("/opt/a:/opt/b/:/opt/a/.:" + homeVst + "::/usr/lib/vst").c_str(), 1);
  const std::vector<std::string> dirs = oxel::pluginSearchDirectories();
  unsetenv("VST_PATH");
  ASSERT_GE(dirs.size(), 5u);
  EXPECT_EQ(dirs[0], "/opt/a");
  EXPECT_EQ(dirs[1], "/opt/b");
  EXPECT_EQ(dirs[2], homeVst);
  EXPECT_EQ(dirs[3], "/usr/lib/vst");
  EXPECT_EQ(dirs[4], "/usr/local/lib/vst");
  for (size_t i = 0; i < dirs.size(); ++i)
    for (size_t j = i + 1; j < dirs.size(); ++j) EXPECT_NE(dirs[i], dirs[j]);
}

}  // namespace
