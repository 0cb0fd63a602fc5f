#include "lv2_library.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "headless_editor.h"

namespace oxel {

namespace {

namespace fs = std::filesystem;

// The lilv world and the URIDs handed to the plug-ins, shared by every
// record of one library.
class Lv2World {
 public:
  Lv2World() : world{lilv_world_new()} {
    map.handle = this;
    map.map = [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID {
      auto& ids = static_cast<Lv2World*>(handle)->ids;
      return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
    };
    mapFeature = {LV2_URID__map, &map};
  }
  ~Lv2World() { lilv_world_free(world); }
  Lv2World(const Lv2World&) = delete;
  Lv2World& operator=(const Lv2World&) = delete;

  LilvNode* node(const char* uri) { return lilv_new_uri(world, uri); }

  LilvWorld* world;
  const LilvPlugin* plugin = nullptr;
  std::map<std::string, LV2_URID> ids;
  LV2_URID_Map map{};
  LV2_Feature mapFeature{};
};

struct Parameter {
  uint32_t port = 0;
  std::string name, label;
  float minimum = 0.0f, maximum = 1.0f;
  bool integer = false;
  float value = 0.0f;  // the port's value
};

struct Preset {
  std::string label;
  std::map<std::string, float> values;  // by port symbol
};

void copyText(char* dst, const std::string& text, size_t maxChars) {
  const size_t n = std::min(text.size(), maxChars);
  std::memcpy(dst, text.data(), n);
  dst[n] = 0;
}

// One plug-in instance behind an effect record. The record comes first so
// that the record's address is the object's.
class Lv2Record {
 public:
  static AEffect* make(std::shared_ptr<Lv2World> world, const std::vector<Preset>& presets,
                       audioMasterCallback master) {
    auto* record = new Lv2Record{std::move(world), presets, master};
    if (!record->describe()) {
      delete record;
      return nullptr;
    }
    return &record->effect;
  }

 private:
  Lv2Record(std::shared_ptr<Lv2World> w, const std::vector<Preset>& p, audioMasterCallback m)
      : world{std::move(w)}, presets{p}, master{m} {}
  ~Lv2Record() {
    closeUi();
    if (instance) {
      if (active) lilv_instance_deactivate(instance);
      lilv_instance_free(instance);
    }
  }

  static Lv2Record* of(AEffect* e) { return static_cast<Lv2Record*>(e->object); }

  bool describe() {
    if (!readPorts()) return false;
    findUi();
    fillEffect();
    return true;
  }

  // The plug-in's ports: audio ones by direction with their names, control
  // ones with their defaults, and the control inputs as parameters. False
  // when a port this host cannot feed is not optional.
  bool readPorts() {
    const LilvPlugin* plugin = world->plugin;
    LilvNode* inputClass = world->node(LV2_CORE__InputPort);
    LilvNode* outputClass = world->node(LV2_CORE__OutputPort);
    LilvNode* audioClass = world->node(LV2_CORE__AudioPort);
    LilvNode* controlClass = world->node(LV2_CORE__ControlPort);
    LilvNode* integerProperty = world->node(LV2_CORE__integer);
    LilvNode* unitProperty = world->node(LV2_UNITS__unit);
    LilvNode* degree = world->node(LV2_UNITS__degree);
    LilvNode* optional = world->node(LV2_CORE__connectionOptional);
    const uint32_t count = lilv_plugin_get_num_ports(plugin);
    std::vector<float> minimum(count), maximum(count), defaults(count);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    portValues.assign(count, 0.0f);
    bool usable = true;
    for (uint32_t i = 0; i < count; ++i) {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
      const bool input = lilv_port_is_a(plugin, port, inputClass);
      if (lilv_port_is_a(plugin, port, audioClass)) {
        addAudioPort(port, i, input);
      } else if (lilv_port_is_a(plugin, port, controlClass)) {
        controlPorts.push_back(i);
        portValues[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
        if (!input) continue;
        parameters.push_back(controlParameter(port, i, minimum[i], maximum[i], integerProperty,
                                              unitProperty, degree));
      } else if (!lilv_port_has_property(plugin, port, optional)) {
        usable = false;  // atom, CV or event ports: not for this host
      }
    }
    for (LilvNode* n : {inputClass, outputClass, audioClass, controlClass, integerProperty,
                        unitProperty, degree, optional})
      lilv_node_free(n);
    return usable;
  }

  void addAudioPort(const LilvPort* port, uint32_t i, bool input) {
    const LilvPlugin* plugin = world->plugin;
    (input ? audioInputs : audioOutputs).push_back(i);
    LilvNode* name = lilv_port_get_name(plugin, port);
    (input ? inputNames : outputNames).push_back(name ? lilv_node_as_string(name) : "");
    lilv_node_free(name);
  }

  // A control input as a parameter: its name (or symbol), range, default,
  // whether it takes whole numbers, and "degrees" for a port in degrees.
  Parameter controlParameter(const LilvPort* port, uint32_t i, float minimum, float maximum,
                             const LilvNode* integerProperty, const LilvNode* unitProperty,
                             const LilvNode* degree) const {
    const LilvPlugin* plugin = world->plugin;
    Parameter p;
    p.port = i;
    LilvNode* name = lilv_port_get_name(plugin, port);
    p.name =
        name ? lilv_node_as_string(name) : lilv_node_as_string(lilv_port_get_symbol(plugin, port));
    lilv_node_free(name);
    p.minimum = std::isnan(minimum) ? 0.0f : minimum;
    p.maximum = std::isnan(maximum) ? 1.0f : maximum;
    p.value = portValues[i];
    p.integer = lilv_port_has_property(plugin, port, integerProperty);
    LilvNodes* units = lilv_port_get_value(plugin, port, unitProperty);
    if (units && lilv_nodes_contains(units, degree)) p.label = "degrees";
    lilv_nodes_free(units);
    return p;
  }

  // The effect record: the calls that reach this object, and the counts.
  void fillEffect() {
    effect.magic = kEffectMagic;
    effect.object = this;
    effect.dispatcher = [](AEffect* e, VstInt32 op, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt) -> VstIntPtr {
      return of(e)->dispatch(op, index, value, ptr, opt);
    };
    effect.process = [](AEffect* e, float** in, float** out, VstInt32 n) {
      of(e)->run(in, out, n, true);
    };
    effect.processReplacing = [](AEffect* e, float** in, float** out, VstInt32 n) {
      of(e)->run(in, out, n, false);
    };
    effect.setParameter = [](AEffect* e, VstInt32 index, float value) {
      of(e)->setParameter(index, value);
    };
    effect.getParameter = [](AEffect* e, VstInt32 index) { return of(e)->getParameter(index); };
    effect.numPrograms = static_cast<VstInt32>(std::max<size_t>(presets.size(), 1));
    effect.numParams = static_cast<VstInt32>(parameters.size());
    effect.numInputs = static_cast<VstInt32>(audioInputs.size());
    effect.numOutputs = static_cast<VstInt32>(audioOutputs.size());
    effect.flags = effFlagsCanReplacing | (uiBinary.empty() ? 0 : effFlagsHasEditor);
    effect.uniqueID = uniqueIdOf(lilv_node_as_uri(lilv_plugin_get_uri(world->plugin)));
    effect.version = 1;
  }

  static VstInt32 uniqueIdOf(const char* uri) {
    uint32_t hash = 2166136261u;  // FNV-1a of the URI: stable across runs
    for (const char* c = uri; *c; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
    return static_cast<VstInt32>(hash & 0x7FFFFFFF);
  }

  bool ensureInstance() {
    if (instance) return true;
    const LV2_Feature* features[] = {&world->mapFeature, nullptr};
    instance = lilv_plugin_instantiate(world->plugin, rate, features);
    if (!instance) return false;
    for (const uint32_t i : controlPorts) lilv_instance_connect_port(instance, i, &portValues[i]);
    return true;
  }

  void setActive(bool on) {
    if (on == active || !ensureInstance()) return;
    if (on)
      lilv_instance_activate(instance);
    else
      lilv_instance_deactivate(instance);
    active = on;
  }

  void run(float** inputs, float** outputs, VstInt32 frames, bool accumulate) {
    if (frames <= 0 || !ensureInstance()) return;
    if (!active) setActive(true);
    if (accumulate && scratch.size() < audioOutputs.size() * static_cast<size_t>(frames))
      scratch.resize(audioOutputs.size() * static_cast<size_t>(frames));
    for (size_t i = 0; i < audioInputs.size(); ++i)
      lilv_instance_connect_port(instance, audioInputs[i], inputs[i]);
    for (size_t i = 0; i < audioOutputs.size(); ++i)
      lilv_instance_connect_port(
          instance, audioOutputs[i],
          accumulate ? scratch.data() + i * static_cast<size_t>(frames) : outputs[i]);
    for (const Parameter& p : parameters) portValues[p.port] = p.value;
    lilv_instance_run(instance, static_cast<uint32_t>(frames));
    if (accumulate)
      for (size_t i = 0; i < audioOutputs.size(); ++i)
        for (VstInt32 f = 0; f < frames; ++f)
          outputs[i][f] += scratch[i * static_cast<size_t>(frames) + f];
  }

  void setParameter(VstInt32 index, float value) {
    if (index < 0 || index >= static_cast<VstInt32>(parameters.size()) || !std::isfinite(value))
      return;
    Parameter& p = parameters[static_cast<size_t>(index)];
    p.value = portValueFor(p, value);
  }

  // The port value for a 0..1 value: of the floats next to the exact one, the
  // one a plug-in that maps back with (port - minimum) / (maximum - minimum)
  // turns into the same 0..1 float, when there is one; so a plug-in that
  // works on 0..1 internally gets the very value oxel sent.
  static float portValueFor(const Parameter& p, float value) {
    const double span = static_cast<double>(p.maximum) - p.minimum;
    const float exact = static_cast<float>(p.minimum + static_cast<double>(value) * span);
    if (span == 0.0) return exact;
    auto back = [&](float port) {
      return static_cast<float>((static_cast<double>(port) - p.minimum) / span);
    };
    float best = exact;
    float down = exact, up = exact;
    for (int step = 0; step < 4 && back(best) != value; ++step) {
      down = std::nextafter(down, -INFINITY);
      up = std::nextafter(up, INFINITY);
      if (back(down) == value)
        best = down;
      else if (back(up) == value)
        best = up;
    }
    return best;
  }

  float getParameter(VstInt32 index) {
    if (index < 0 || index >= static_cast<VstInt32>(parameters.size())) return 0.0f;
    const Parameter& p = parameters[static_cast<size_t>(index)];
    const double span = static_cast<double>(p.maximum) - p.minimum;
    return span == 0.0 ? 0.0f
                       : static_cast<float>((p.value - static_cast<double>(p.minimum)) / span);
  }

  const Parameter* parameter(VstInt32 index) const {
    if (index < 0 || index >= static_cast<VstInt32>(parameters.size())) return nullptr;
    return &parameters[static_cast<size_t>(index)];
  }

  void applyPreset(VstInt32 index) {
    if (index < 0 || index >= static_cast<VstInt32>(presets.size())) return;
    program = index;
    const LilvPlugin* plugin = world->plugin;
    for (Parameter& p : parameters) {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p.port);
      const auto found = presets[static_cast<size_t>(index)].values.find(
          lilv_node_as_string(lilv_port_get_symbol(plugin, port)));
      if (found != presets[static_cast<size_t>(index)].values.end() && std::isfinite(found->second))
        p.value = found->second;
    }
  }

  std::string programName(VstInt32 index) const {
    if (index >= 0 && index < static_cast<VstInt32>(presets.size()))
      return presets[static_cast<size_t>(index)].label;
    return index == 0 ? "Default" : "";
  }

  VstIntPtr dispatch(VstInt32 op, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    char* text = static_cast<char*>(ptr);
    switch (op) {
      case effClose: delete this; return 1;
      case effSetProgram: applyPreset(static_cast<VstInt32>(value)); return 0;
      case effGetProgram: return program;
      case effGetProgramName:
        if (text) copyText(text, programName(program), kShortTextChars);
        return 0;
      case effGetProgramNameIndexed:
        if (!text || index < 0 || index >= effect.numPrograms) return 0;
        copyText(text, programName(index), kShortTextChars);
        return 1;
      case effGetParamLabel:
      case effGetParamDisplay:
      case effGetParamName: {
        const Parameter* p = parameter(index);
        if (!text || !p) return 0;
        if (op == effGetParamName)
          copyText(text, p->name, kShortTextChars);
        else if (op == effGetParamLabel)
          copyText(text, p->label, kShortTextChars);
        else if (p->integer)
          std::snprintf(text, kShortTextChars + 1, "%d", static_cast<int>(std::lround(p->value)));
        else
          std::snprintf(text, kShortTextChars + 1, "%.3f", static_cast<double>(p->value));
        return 0;
      }
      case effSetSampleRate:
        if (opt > 0.0f && opt != rate) {
          rate = opt;
          if (instance) {
            if (active) lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
            instance = nullptr;
            active = false;
          }
        }
        return 0;
      case effMainsChanged: setActive(value != 0); return 0;
      case effGetInputProperties:
      case effGetOutputProperties: {
        auto* pin = static_cast<VstPinProperties*>(ptr);
        const auto& names = op == effGetInputProperties ? inputNames : outputNames;
        if (!pin || index < 0 || index >= static_cast<VstInt32>(names.size())) return 0;
        copyText(pin->label, names[static_cast<size_t>(index)], kLongTextChars);
        pin->flags = kVstPinIsActive;
        return 1;
      }
      case effGetPlugCategory: return audioInputs.size() > 2 ? kPlugSurroundFx : kPlugCategEffect;
      case effGetEffectName:
      case effGetProductString:
      case effGetVendorString: {
        if (!text) return 0;
        LilvNode* node = op == effGetVendorString ? lilv_plugin_get_author_name(world->plugin)
                                                  : lilv_plugin_get_name(world->plugin);
        copyText(text, node ? lilv_node_as_string(node) : "",
                 op == effGetEffectName ? kEffectNameChars : kLongTextChars);
        lilv_node_free(node);
        return 1;
      }
      case effEditGetRect: {
        if (!ptr || uiBinary.empty()) return 0;
        if (!ui) probeUiSize();
        rect = ERect{0, 0, static_cast<int16_t>(uiHeight), static_cast<int16_t>(uiWidth)};
        *static_cast<ERect**>(ptr) = &rect;
        return uiWidth > 0 && uiHeight > 0 ? 1 : 0;
      }
      case effEditOpen: return openUi(ptr) ? 1 : 0;
      case effEditClose: closeUi(); return 0;
      case effEditIdle: idleUi(); return 0;
      case effGetVstVersion: return 2400;
      default: return 0;
    }
  }

  // The plug-in's X11 UI, if it has one.
  void findUi() {
    LilvUIs* uis = lilv_plugin_get_uis(world->plugin);
    LilvNode* x11 = world->node(LV2_UI__X11UI);
    LILV_FOREACH(uis, i, uis) {
      const LilvUI* candidate = lilv_uis_get(uis, i);
      if (!lilv_ui_is_a(candidate, x11)) continue;
      char* binary =
          lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(candidate)), nullptr);
      char* bundle =
          lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(candidate)), nullptr);
      if (binary && bundle) {
        uiUri = lilv_node_as_uri(lilv_ui_get_uri(candidate));
        uiBinary = binary;
        uiBundle = bundle;
      }
      lilv_free(binary);
      lilv_free(bundle);
      if (!uiBinary.empty()) break;
    }
    lilv_node_free(x11);
    lilv_uis_free(uis);
  }

  // Instantiates the UI in `parent`; false when it cannot be loaded or refuses.
  bool instantiateUi(void* parent) {
    if (uiBinary.empty()) return false;
    if (!uiDescriptor) {
      void* library = dlopen(uiBinary.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
      auto entry =
          library ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"))
                  : nullptr;
      for (uint32_t i = 0; entry && !uiDescriptor; ++i) {
        const LV2UI_Descriptor* d = entry(i);
        if (!d) break;
        if (uiUri == d->URI) uiDescriptor = d;
      }
      if (!uiDescriptor) return false;
      uiIdle = static_cast<const LV2UI_Idle_Interface*>(
          uiDescriptor->extension_data ? uiDescriptor->extension_data(LV2_UI__idleInterface)
                                       : nullptr);
    }
    resizeFeatureData = {this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                           auto* self = static_cast<Lv2Record*>(h);
                           self->uiWidth = w;
                           self->uiHeight = hgt;
                           if (self->ui && self->master)
                             self->master(&self->effect, audioMasterSizeWindow, w, hgt, nullptr,
                                          0.0f);
                           return 0;
                         }};
    touchFeatureData = {this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
                          auto* self = static_cast<Lv2Record*>(h);
                          const VstInt32 index = self->parameterOfPort(port);
                          if (index >= 0 && self->master)
                            self->master(&self->effect,
                                         grabbed ? audioMasterBeginEdit : audioMasterEndEdit, index,
                                         0, nullptr, 0.0f);
                        }};
    const LV2_Feature parentFeature{LV2_UI__parent, parent};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resizeFeatureData};
    const LV2_Feature touchFeature{LV2_UI__touch, &touchFeatureData};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature* features[] = {&parentFeature, &resizeFeature,     &touchFeature,
                                     &idleFeature,   &world->mapFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    ui = uiDescriptor->instantiate(uiDescriptor,
                                   lilv_node_as_uri(lilv_plugin_get_uri(world->plugin)),
                                   uiBundle.c_str(), writeFromUi, this, &widget, features);
    return ui != nullptr;
  }

  static void writeFromUi(LV2UI_Controller controller, uint32_t port, uint32_t size,
                          uint32_t format, const void* buffer) {
    auto* self = static_cast<Lv2Record*>(controller);
    const VstInt32 index = self->parameterOfPort(port);
    if (index < 0 || format != 0 || size != sizeof(float) || !buffer) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    if (!std::isfinite(value)) return;
    Parameter& p = self->parameters[static_cast<size_t>(index)];
    p.value = value;
    self->sentToUi[static_cast<size_t>(index)] = value;  // the UI shows it already
    if (self->master)
      self->master(&self->effect, audioMasterAutomate, index, 0, nullptr,
                   self->getParameter(index));
  }

  VstInt32 parameterOfPort(uint32_t port) const {
    for (size_t i = 0; i < parameters.size(); ++i)
      if (parameters[i].port == port) return static_cast<VstInt32>(i);
    return -1;
  }

  // The size before opening: a UI made and dropped at once in a parent the
  // user never sees: an unmapped X window when there is a display (the size
  // a window on it gets, at the desktop's density), else a headless record.
  void probeUiSize() {
    if (uiWidth > 0 && uiHeight > 0) return;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
      OxelHeadlessParent parent = headlessRecord(nullptr, 0);
      if (instantiateUi(&parent)) closeUi();
      return;
    }
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSync(display, False);
    if (instantiateUi(reinterpret_cast<void*>(window))) closeUi();
    XDestroyWindow(display, window);
    XCloseDisplay(display);
  }

  bool openUi(void* parent) {
    closeUi();
    if (!instantiateUi(parent)) return false;
    sentToUi.assign(parameters.size(), std::nanf(""));
    pushToUi();
    return true;
  }

  // Parameter values the UI has not seen yet go to it as port events.
  void pushToUi() {
    if (!ui || !uiDescriptor->port_event) return;
    for (size_t i = 0; i < parameters.size(); ++i) {
      const float value = parameters[i].value;
      if (value == sentToUi[i]) continue;
      sentToUi[i] = value;
      uiDescriptor->port_event(ui, parameters[i].port, sizeof value, 0, &value);
    }
  }

  void idleUi() {
    if (!ui) return;
    pushToUi();
    if (uiIdle) uiIdle->idle(ui);
  }

  void closeUi() {
    if (ui) uiDescriptor->cleanup(ui);
    ui = nullptr;
  }

 public:
  AEffect effect{};

 private:
  std::shared_ptr<Lv2World> world;
  std::vector<Preset> presets;
  LilvInstance* instance = nullptr;
  double rate = 44100.0;
  bool active = false;
  VstInt32 program = 0;
  audioMasterCallback master;
  // The editor: the plug-in's X11 UI, loaded on demand.
  std::string uiUri, uiBinary, uiBundle;
  const LV2UI_Descriptor* uiDescriptor = nullptr;
  const LV2UI_Idle_Interface* uiIdle = nullptr;
  LV2UI_Handle ui = nullptr;
  int uiWidth = 0, uiHeight = 0;
  ERect rect{};
  LV2UI_Resize resizeFeatureData{};
  LV2UI_Touch touchFeatureData{};
  std::vector<float> sentToUi;  // the value each parameter's port showed the UI last
  std::vector<uint32_t> audioInputs, audioOutputs, controlPorts;
  std::vector<std::string> inputNames, outputNames;
  std::vector<Parameter> parameters;
  std::vector<float> portValues;  // every port's control value, connected once
  std::vector<float> scratch;     // outputs of process before they are added
};

std::vector<Preset> presetsOf(Lv2World& w) {
  std::vector<Preset> presets;
  LilvNode* presetClass = w.node(LV2_PRESETS__Preset);
  LilvNodes* related = lilv_plugin_get_related(w.plugin, presetClass);
  LILV_FOREACH(nodes, i, related) {
    const LilvNode* node = lilv_nodes_get(related, i);
    lilv_world_load_resource(w.world, node);
    LilvState* state = lilv_state_new_from_world(w.world, &w.map, node);
    if (!state) continue;
    Preset preset;
    const char* name = lilv_state_get_label(state);
    preset.label = name ? name : lilv_node_as_uri(node);
    struct Context {
      Preset* preset;
      LV2_URID floatType;
    } context{&preset, w.map.map(&w, LV2_ATOM__Float)};
    lilv_state_emit_port_values(
        state,
        [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
          auto* c = static_cast<Context*>(user);
          if (type == c->floatType && size == sizeof(float))
            c->preset->values[symbol] = *static_cast<const float*>(value);
        },
        &context);
    lilv_state_free(state);
    presets.push_back(std::move(preset));
  }
  lilv_nodes_free(related);
  lilv_node_free(presetClass);
  std::sort(presets.begin(), presets.end(),
            [](const Preset& a, const Preset& b) { return a.label < b.label; });
  return presets;
}

}  // namespace

bool namesLv2Plugin(const std::string& arg) {
  std::error_code ec;
  const fs::path path{arg};
  if (fs::is_directory(path, ec)) {
    std::string name = path.filename().string();
    if (name.empty()) name = path.parent_path().filename().string();
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".lv2") == 0;
  }
  if (fs::exists(path, ec)) return false;
  const size_t colon = arg.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i)
    if (!std::isalnum(static_cast<unsigned char>(arg[i])) && arg[i] != '+' && arg[i] != '-' &&
        arg[i] != '.')
      return false;
  return true;
}

std::shared_ptr<PluginLibrary> openLv2Library(const std::string& arg, std::string& error) {
  auto world = std::make_shared<Lv2World>();
  std::error_code ec;
  const fs::path bundle{arg};
  if (fs::is_directory(bundle, ec)) {
    std::string dir = fs::absolute(bundle, ec).string();
    if (dir.empty() || dir.back() != '/') dir += '/';
    LilvNode* node = lilv_new_file_uri(world->world, nullptr, dir.c_str());
    lilv_world_load_bundle(world->world, node);
    lilv_node_free(node);
    const LilvPlugins* all = lilv_world_get_all_plugins(world->world);
    if (lilv_plugins_size(all) != 1) {
      error = "LV2 bundle " + arg +
              (lilv_plugins_size(all) == 0 ? " holds no plug-in"
                                           : " holds several plug-ins; name one by its URI");
      return nullptr;
    }
    world->plugin = lilv_plugins_get(all, lilv_plugins_begin(all));
  } else {
    lilv_world_load_all(world->world);
    LilvNode* uri = world->node(arg.c_str());
    world->plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world->world), uri);
    lilv_node_free(uri);
    if (!world->plugin) {
      const char* path = std::getenv("LV2_PATH");
      error = "no LV2 plug-in " + arg + " (looked in " +
              (path ? path : "~/.lv2, /usr/local/lib/lv2, /usr/lib/lv2") + ")";
      return nullptr;
    }
  }
  LilvNodes* required = lilv_plugin_get_required_features(world->plugin);
  LILV_FOREACH(nodes, i, required) {
    const char* feature = lilv_node_as_uri(lilv_nodes_get(required, i));
    if (std::strcmp(feature, LV2_URID__map) != 0) {
      error =
          std::string{"LV2 plug-in "} + arg + " needs " + feature + ", which oxel does not offer";
      lilv_nodes_free(required);
      return nullptr;
    }
  }
  lilv_nodes_free(required);
  std::vector<Preset> presets = presetsOf(*world);
  const std::string name = lilv_node_as_uri(lilv_plugin_get_uri(world->plugin));
  // Check once that oxel can drive it, so that errors come here and not from each instance.
  AEffect* probe = Lv2Record::make(world, presets, nullptr);
  if (!probe) {
    error = "LV2 plug-in " + name + " has ports oxel cannot connect (only audio and control ports)";
    return nullptr;
  }
  probe->dispatcher(probe, effClose, 0, 0, nullptr, 0.0f);
  return PluginLibrary::fromRecordMaker(
      [world, presets](audioMasterCallback master) {
        return Lv2Record::make(world, presets, master);
      },
      name);
}

}  // namespace oxel
