// The host side of an LV2 UI for the tests: the features a host offers
// (parent, resize, touch), a log of what the UI sent back in order ("touch 6
// on", "write 6", "touch 6 off") with the written values, and the size it
// asked for.
#pragma once

#include <lv2/ui/ui.h>

#include <string>
#include <vector>

namespace lv2_test {

struct UiHostLog {
  std::vector<std::string> events;
  std::vector<float> written;
  int32_t width = 0, height = 0;
};

class UiHostFeatures {
 public:
  explicit UiHostFeatures(void* parent) {
    resize_.handle = &log;
    resize_.ui_resize = [](LV2UI_Feature_Handle h, int w, int height) {
      static_cast<UiHostLog*>(h)->width = w;
      static_cast<UiHostLog*>(h)->height = height;
      return 0;
    };
    touch_.handle = &log;
    touch_.touch = [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
      static_cast<UiHostLog*>(h)->events.push_back("touch " + std::to_string(port) +
                                                   (grabbed ? " on" : " off"));
    };
    parentFeature_ = {LV2_UI__parent, parent};
    resizeFeature_ = {LV2_UI__resize, &resize_};
    touchFeature_ = {LV2_UI__touch, &touch_};
    withParent_ = {&parentFeature_, &resizeFeature_, &touchFeature_, nullptr};
    withoutParent_ = {&resizeFeature_, &touchFeature_, nullptr};
  }
  UiHostFeatures(const UiHostFeatures&) = delete;
  UiHostFeatures& operator=(const UiHostFeatures&) = delete;

  const LV2_Feature* const* features(bool parent = true) const {
    return parent ? withParent_.data() : withoutParent_.data();
  }
  LV2UI_Controller controller() { return &log; }
  static void write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                    const void* buffer) {
    auto* log = static_cast<UiHostLog*>(controller);
    if (format != 0 || size != sizeof(float)) {
      log->events.push_back("bad write");
      return;
    }
    log->events.push_back("write " + std::to_string(port));
    log->written.push_back(*static_cast<const float*>(buffer));
  }

  UiHostLog log;

 private:
  LV2UI_Resize resize_{};
  LV2UI_Touch touch_{};
  LV2_Feature parentFeature_{}, resizeFeature_{}, touchFeature_{};
  std::vector<const LV2_Feature*> withParent_, withoutParent_;
};

// True when the log is one gesture on port: touch on, at least one write, touch off.
inline bool isOneGesture(const UiHostLog& log, uint32_t port) {
  const std::string p = std::to_string(port);
  if (log.events.size() < 3 || log.events.front() != "touch " + p + " on" ||
      log.events.back() != "touch " + p + " off")
    return false;
  for (size_t i = 1; i + 1 < log.events.size(); ++i)
    if (log.events[i] != "write " + p) return false;
  return true;
}

}  // namespace lv2_test
