// Pelrin's editor on the headless window, as a host meets it: a full redraw
// of the window, the idle after the host moved one knob (knob and readout
// redrawn), and an idle with nothing to do; beside a plain copy of the
// window's pixels, so results read as ratios. Each at scale 1 and 2 (the
// argument): at 2x the window has four times the pixels.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "RazOruRerora.h"
#include "ZazOzoRivo.h"
#include "headless_editor.h"

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

oxel::HeadlessOptions idledThrice() {
  oxel::HeadlessOptions options;
  options.drawAfterOpen = false;
  options.settleIdles = 2;  // and the one that finishes the empty script
  return options;
}

// Pelrin with its editor open headless, drawn once.
class OpenEditor {
 public:
  explicit OpenEditor(const benchmark::State& state) {
    ::setenv("OXEL_UI_SCALE", std::to_string(state.range(0)).c_str(), 1);
    session.open();
    ::unsetenv("OXEL_UI_SCALE");
    session.runScript();
  }
  ~OpenEditor() {
    session.close();
    delete plugin;
  }
  OpenEditor(const OpenEditor&) = delete;
  OpenEditor& operator=(const OpenEditor&) = delete;
  const OxelHeadlessParent& record() const { return session.record(); }

  ZazOzoRivo* plugin{new ZazOzoRivo(quietHost)};
  RazOruRerora* editor{plugin->getPelrinEditor()};
  oxel::HeadlessEditor session{oxel::editorCallsOf(*editor), idledThrice()};
};

void BM_PelrinEditorFullRedraw(benchmark::State& state) {
  OpenEditor open{state};
  if (open.record().width != 224 * state.range(0))
    state.SkipWithError("the editor did not open at its scale");
  ERect all{0, 0, 240, 224};
  for (auto _ : state) {
    open.editor->draw(&all);
    benchmark::DoNotOptimize(open.record().pixels);
  }
}
BENCHMARK(BM_PelrinEditorFullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_PelrinEditorOneKnobMoved(benchmark::State& state) {
  OpenEditor open{state};
  float value = 0.0f;
  for (auto _ : state) {
    value = value > 0.9f ? 0.0f : value + 0.05f;  // a new film-strip frame and readout each time
    open.plugin->setParameter(0, value);
    open.editor->idle();
    benchmark::DoNotOptimize(open.record().pixels);
  }
}
BENCHMARK(BM_PelrinEditorOneKnobMoved)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_PelrinEditorIdleNothingDirty(benchmark::State& state) {
  OpenEditor open{state};
  for (auto _ : state) {
    open.editor->idle();
    benchmark::DoNotOptimize(open.record().flushCount);
  }
}
BENCHMARK(BM_PelrinEditorIdleNothingDirty)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The memory work of showing the whole window once.
void BM_PelrinEditorReferenceCopy(benchmark::State& state) {
  const auto pixels = static_cast<size_t>(224 * 240 * state.range(0) * state.range(0));
  std::vector<uint32_t> from(pixels, 1), to(pixels);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(to.data());
  }
}
BENCHMARK(BM_PelrinEditorReferenceCopy)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
