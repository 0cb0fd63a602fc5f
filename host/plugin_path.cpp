#include "plugin_path.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace oxel {

std::vector<std::string> pluginSearchDirectories() {
  std::vector<std::string> dirs;
  if (const char* vstPath = std::getenv("VST_PATH")) {
    std::stringstream stream{vstPath};
    std::string dir;
    while (std::getline(stream, dir, ':'))
      if (!dir.empty()) dirs.push_back(dir);
  }
  if (const char* home = std::getenv("HOME")) dirs.push_back(std::string{home} + "/.vst");
  dirs.push_back("/usr/local/lib/vst");
  dirs.push_back("/usr/lib/vst");
  // Beside the running program: a build tree (bin/ next to vst/) or an install prefix.
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    dirs.push_back((exe.parent_path().parent_path() / "vst").string());
    dirs.push_back((exe.parent_path().parent_path() / "lib" / "vst").string());
  }
  // Each folder once, where it first appears: an install under /usr/local
  // finds lib/vst beside bin/ to be /usr/local/lib/vst again, and VST_PATH
  // may name a default folder too.
  std::vector<std::string> unique;
  std::vector<fs::path> seen;
  for (const std::string& dir : dirs) {
    fs::path normal = fs::path{dir}.lexically_normal();
    if (!normal.has_filename() && normal != normal.root_path())
      normal = normal.parent_path();
    if (std::find(seen.begin(), seen.end(), normal) != seen.end()) continue;
    seen.push_back(normal);
    unique.push_back(normal.string());
  }
  return unique;
}

namespace {

// A folder holding Name.so (named after the folder) or exactly one .so.
std::string soInFolder(const fs::path& folder) {
  std::error_code ec;
  const fs::path named = folder / (folder.filename().string() + ".so");
  if (fs::is_regular_file(named, ec)) return named.string();
  std::string only;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".so" && entry.is_regular_file(ec)) {
      only = entry.path().string();
      ++count;
    }
  }
  return count == 1 ? only : std::string{};
}

std::string absolutePath(const fs::path& p) {
  std::error_code ec;
  const fs::path full = fs::absolute(p, ec);
  return ec ? p.string() : full.string();
}

}  // namespace

std::string resolvePluginPath(const std::string& pluginArg, std::string& error) {
  std::error_code ec;
  const fs::path given{pluginArg};
  if (fs::is_regular_file(given, ec)) return absolutePath(given);
  if (fs::is_directory(given, ec)) {
    const std::string found = soInFolder(given);
    if (!found.empty()) return absolutePath(found);
    error = "no plug-in (.so) found in folder " + pluginArg;
    return {};
  }
  if (pluginArg.find('/') == std::string::npos) {
    const std::string stem = given.extension() == ".so" ? given.stem().string() : pluginArg;
    for (const std::string& dir : pluginSearchDirectories()) {
      for (const fs::path& candidate :
           {fs::path{dir} / stem / (stem + ".so"), fs::path{dir} / (stem + ".so")}) {
        if (fs::is_regular_file(candidate, ec)) return candidate.string();
      }
    }
    std::string searched;
    for (const std::string& dir : pluginSearchDirectories()) searched += " " + dir;
    error = "plug-in '" + pluginArg + "' not found (searched:" + searched + ")";
    return {};
  }
  error = "no such plug-in file: " + pluginArg;
  return {};
}

}  // namespace oxel
