// A small plug-in with an editor, standing for the deliverables in the editor
// tests: two parameters (gain, spare), a frame with a striped background and
// two drag bars. The first bar edits parameter 0 (drags, Ctrl+click to the
// default, arrow keys); the second has tag 7, which is no parameter, so its
// gestures must never reach the host.
#include <atomic>
#include <cmath>

#include "AudioEffectX.h"
#include "CBitmap.h"
#include "CControl.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "guieditor.h"
#include "platform.h"
#include "plugin_entry.h"

namespace {

constexpr int32_t kWidth = 200;
constexpr int32_t kHeight = 80;
constexpr VstInt32 kNumParams = 2;

// A horizontal bar: the value is the pointer's position across it.
class DragBar : public CControl {
 public:
  DragBar(const CRect& size, CControlListener* listener, int32_t tag, bool takesKeys)
      : CControl(size, listener, tag), takesKeys{takesKeys} {}

  void draw(CDrawContext* context) override {
    context->setFillColor(CColor{30, 34, 48, 255});
    context->setFrameColor(CColor{200, 200, 220, 255});
    context->drawRect(size, kDrawFilledAndStroked);
    const int32_t filled = static_cast<int32_t>(std::lround(getValue() * static_cast<float>(size.width() - 2)));
    context->setFillColor(CColor{240, 170, 40, 255});
    if (filled > 0)
      context->drawRect(CRect(size.left + 1, size.top + 1, size.left + 1 + filled, size.bottom - 1), kDrawFilled);
    setDirty(false);
  }

  void mouse(CDrawContext* context, CPoint& where, int32_t buttons) override {
    if (checkDefaultValue(context, buttons)) return;
    if (!(buttons & kLeftButton)) return;
    beginEdit();
    follow(context, where);
    while (context->getMouseButtons() & kLeftButton) {
      CPoint now;
      getMouseLocation(context, now);
      follow(context, now);
      doIdleStuff();
    }
    endEdit();
  }

  // Left and right arrows step by a tenth (a hundredth with Shift).
  int32_t onKeyDown(VstKeyCode& key) override {
    if (!takesKeys || (key.virt != 11 && key.virt != 13)) return -1;
    const float step = (key.modifier & kKeyModShift) ? 0.01f : 0.1f;
    beginEdit();
    setValue(getValue() + (key.virt == kVKeyRight ? step : -step));
    bounceValue();
    if (isDirty() && listener) listener->valueChanged(nullptr, this);
    endEdit();
    return 1;
  }

 private:
  void follow(CDrawContext* context, const CPoint& where) {
    setValue(static_cast<float>(where.h - size.left) / static_cast<float>(size.width()));
    bounceValue();
    if (isDirty() && listener) listener->valueChanged(context, this);
  }

  bool takesKeys;
};

class TestEditor : public AEffGUIEditor, public CControlListener {
 public:
  explicit TestEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
    rect.right = kWidth;
    rect.bottom = kHeight;
  }

  VstInt32 open(void* ptr) override {
    AEffGUIEditor::open(ptr);
    frame = new CFrame(CRect(0, 0, kWidth, kHeight), ptr, this);
    auto* background = new CBitmap(*frame, kWidth, kHeight);
    if (auto* port = background->getHandle())
      for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
          port->set(x, y, ((x / 8 + y / 8) % 2) ? oxel::platform::makePixel(60, 70, 90)
                                                : oxel::platform::makePixel(static_cast<uint8_t>(x), 90, 120));
    frame->setBackground(background);
    background->forget();
    bar = new DragBar(CRect(20, 30, 180, 50), this, 0, true);
    bar->setValue(effect->getParameter(0));
    frame->addView(bar);
    spare = new DragBar(CRect(20, 56, 180, 70), this, 7, false);
    frame->addView(spare);
    return 1;
  }

  void close() override {
    bar = nullptr;
    spare = nullptr;
    AEffGUIEditor::close();
  }

  void valueChanged(CDrawContext*, CControl* control) override {
    if (control->getTag() >= 0 && control->getTag() < kNumParams)
      effect->setParameterAutomated(control->getTag(), control->getValue());
  }

 protected:
  void applyParameter(VstInt32 index, float value) override {
    if (index == 0 && bar) bar->setValue(value);
  }

 private:
  DragBar* bar{nullptr};
  DragBar* spare{nullptr};
};

class EditorTestEffect : public AudioEffectX {
 public:
  explicit EditorTestEffect(audioMasterCallback master) : AudioEffectX(master, 1, kNumParams) {
    setNumInputs(1);
    setNumOutputs(1);
    canProcessReplacing();
    setUniqueID(fourCharCode('O', 'x', 'E', 't'));
    new TestEditor(this);
  }

  void setParameter(VstInt32 index, float value) override {
    if (index < 0 || index >= kNumParams || !std::isfinite(value)) return;
    params[index].store(value, std::memory_order_relaxed);
    if (editor) static_cast<TestEditor*>(editor)->setParameter(index, value);
  }
  float getParameter(VstInt32 index) override {
    return index >= 0 && index < kNumParams ? params[index].load(std::memory_order_relaxed) : 0.0f;
  }
  void getParameterName(VstInt32 index, char* text) override {
    vsttext::copy(text, index == 0 ? "Gain" : "Spare", 8);
  }
  void process(float** inputs, float** outputs, VstInt32 frames) override {
    const float gain = params[0].load(std::memory_order_relaxed);
    for (VstInt32 i = 0; i < frames; ++i) outputs[0][i] += inputs[0][i] * gain;
  }
  void processReplacing(float** inputs, float** outputs, VstInt32 frames) override {
    const float gain = params[0].load(std::memory_order_relaxed);
    for (VstInt32 i = 0; i < frames; ++i) outputs[0][i] = inputs[0][i] * gain;
  }

 private:
  std::atomic<float> params[kNumParams]{0.25f, 0.0f};
};

}  // namespace

OXEL_DEFINE_PLUGIN_ENTRY(EditorTestEffect)
