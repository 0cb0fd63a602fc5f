// Which screen density an editor opens at: the user's override, the host,
// the desktop, else 1.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform.h"
#include "window.h"

namespace oxel::platform {

int32_t scaleFromFactor(double factor) {
  if (!std::isfinite(factor) || factor <= 0) return 0;
  return clampScale(static_cast<int32_t>(std::floor(factor + 0.5)));
}

int32_t scaleFromDpi(double dpi) {
  if (!std::isfinite(dpi) || dpi <= 0) return 0;
  if (dpi >= 240) return 3;
  if (dpi >= 144) return 2;
  return 1;
}

namespace {
double numberIn(const char* text) {
  if (!text) return 0;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text) return 0;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0' || *end == '\n' ? v : 0;
}
}  // namespace

double xftDpiFromResources(const char* resources) {
  if (!resources) return 0;
  // One "name:\tvalue" a line; the last Xft.dpi wins, as in the X resource
  // database.
  double dpi = 0;
  constexpr std::string_view kName = "Xft.dpi:";
  for (const char* line = resources; *line;) {
    const char* end = std::strchr(line, '\n');
    const std::string_view text{line, end ? static_cast<size_t>(end - line) : std::strlen(line)};
    if (text.substr(0, kName.size()) == kName) {
      const std::string value{text.substr(kName.size())};
      if (const double v = numberIn(value.c_str()); v > 0) dpi = v;
    }
    if (!end) break;
    line = end + 1;
  }
  return dpi;
}

int32_t chooseEditorScale(double hostScale, bool askDesktop) {
  if (const char* env = std::getenv("OXEL_UI_SCALE"))
    if (const int32_t s = scaleFromFactor(numberIn(env))) return s;
  if (const int32_t s = scaleFromFactor(hostScale)) return s;
  if (askDesktop)
    if (const int32_t s = desktopScale()) return s;
  return 1;
}

}  // namespace oxel::platform
