// Timings of Tavrel's editor, opened in memory with its own pictures as a
// host opens it: a full redraw of the window (with the copy to the screen),
// the update after the host moved one knob or the order switch (the value
// recorded on the host's side, applied and redrawn at the next idle), and an
// idle with nothing to do; at scale 1 and 2 (the first argument), beside a
// plain copy of the window's pixels at the same scale.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CFrame.h"
#include "VuvIzedAzur.h"
#include "ZidIdirAruriz.h"
#include "headless_editor.h"

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// Tavrel with its editor open headless, drawn and idled three times.
struct OpenEditor {
  explicit OpenEditor(const benchmark::State& state) {
    ::setenv("OXEL_UI_SCALE", std::to_string(state.range(0)).c_str(), 1);
    session.open();
    ::unsetenv("OXEL_UI_SCALE");
    session.runScript();
  }
  const OxelHeadlessParent& record() const { return session.record(); }
  static oxel::HeadlessOptions options() {
    oxel::HeadlessOptions o;
    o.settleIdles = 2;  // and the one that finishes the empty script
    return o;
  }
  std::unique_ptr<VuvIzedAzur> plugin{std::make_unique<VuvIzedAzur>(quietHost)};
  AEffGUIEditor* editor{static_cast<AEffGUIEditor*>(plugin->getEditor())};
  oxel::HeadlessEditor session{oxel::editorCallsOf(*editor), options()};
};

void BM_TavrelEditorFullRedraw(benchmark::State& state) {
  OpenEditor open{state};
  if (open.record().width != 188 * state.range(0) || open.record().height != 216 * state.range(0))
    state.SkipWithError("the pictures did not load");
  for (auto _ : state) {
    open.editor->draw(nullptr);
    benchmark::DoNotOptimize(open.record().pixels);
  }
}
BENCHMARK(BM_TavrelEditorFullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// state.range(1): the parameter the host moves (0 a knob, 3 the switch).
void BM_TavrelEditorOneControlUpdate(benchmark::State& state) {
  OpenEditor open{state};
  const auto index = static_cast<VstInt32>(state.range(1));
  int step = 0;
  for (auto _ : state) {
    open.plugin->setParameter(index, static_cast<float>(++step % 6) / 5.0f);
    open.editor->idle();
    benchmark::DoNotOptimize(open.record().pixels);
  }
}
BENCHMARK(BM_TavrelEditorOneControlUpdate)
    ->ArgsProduct({{1, 2}, {0, 3}})
    ->Unit(benchmark::kMicrosecond);

void BM_TavrelEditorIdleNothingDirty(benchmark::State& state) {
  OpenEditor open{state};
  for (auto _ : state) {
    open.editor->idle();
    benchmark::DoNotOptimize(open.record().flushCount);
  }
}
BENCHMARK(BM_TavrelEditorIdleNothingDirty)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The memory work of showing the whole window once.
void BM_TavrelEditorReferenceCopy(benchmark::State& state) {
  const auto pixels = static_cast<size_t>(188 * 216 * state.range(0) * state.range(0));
  std::vector<uint32_t> from(pixels, 1), to(pixels);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(to.data());
  }
}
BENCHMARK(BM_TavrelEditorReferenceCopy)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
