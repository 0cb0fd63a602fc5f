// A small LV2 host over lilv for the tests: loads only the bundles this build
// made (not whatever is installed), renders audio block by block with
// control values set before each block, and reads presets' port values.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "oxel_test_support.h"

namespace lv2_test {

inline const std::string kLv2Dir = std::string{OXEL_BINARY_DIR} + "/lv2";
inline const char* const kPelrinUri = "urn:oxel:pelrin";
inline const char* const kTavrelUri = "urn:oxel:tavrel";

class LilvHost {
 public:
  LilvHost() : world_{lilv_world_new()} {
    for (const char* bundle : {"Pelrin.lv2/", "Tavrel.lv2/"}) {
      LilvNode* node = lilv_new_file_uri(world_, nullptr, (kLv2Dir + "/" + bundle).c_str());
      lilv_world_load_bundle(world_, node);
      lilv_node_free(node);
    }
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID {
      auto* self = static_cast<LilvHost*>(handle);
      auto [it, added] = self->urids_.emplace(uri, static_cast<LV2_URID>(self->urids_.size() + 1));
      return it->second;
    };
  }
  ~LilvHost() {
    for (LilvNode* node : nodes_) lilv_node_free(node);
    lilv_world_free(world_);
  }
  LilvHost(const LilvHost&) = delete;
  LilvHost& operator=(const LilvHost&) = delete;

  LilvWorld* world() const { return world_; }
  // A node freed with the host.
  const LilvNode* uri(const std::string& text) {
    nodes_.push_back(lilv_new_uri(world_, text.c_str()));
    return nodes_.back();
  }
  const LilvPlugin* plugin(const char* pluginUri) {
    return lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri(pluginUri));
  }
  uint32_t controlIndex(const LilvPlugin* plugin, const char* symbol) {
    LilvNode* node = lilv_new_string(world_, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
    lilv_node_free(node);
    if (port == nullptr) throw std::runtime_error(std::string{"no port "} + symbol);
    return lilv_port_get_index(plugin, port);
  }

  // Renders in through the plug-in; beforeBlock(ports, firstFrame) may change
  // the port values (indexed by port index) before each block. With inPlace
  // the outputs share the inputs' buffers (output k on input k).
  oxel_test::Audio render(const char* pluginUri, const oxel_test::Audio& in, size_t block,
                          const std::function<void(std::vector<float>&, size_t)>& beforeBlock,
                          bool inPlace = false) {
    const LilvPlugin* p = plugin(pluginUri);
    if (p == nullptr) throw std::runtime_error("plug-in not found");
    const uint32_t numPorts = lilv_plugin_get_num_ports(p);
    std::vector<float> defaults(numPorts), ports(numPorts);
    lilv_plugin_get_port_ranges_float(p, nullptr, nullptr, defaults.data());
    LilvInstance* instance = lilv_plugin_instantiate(p, in.sampleRate, nullptr);
    if (instance == nullptr) throw std::runtime_error("instantiate failed");
    const int numIn = in.channels;
    const int numOut = audioOutputs(p);
    std::vector<std::vector<float>> inputs(numIn, std::vector<float>(block)),
        outputs(numOut, std::vector<float>(block));
    for (uint32_t i = 0; i < numPorts; ++i) {
      ports[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
      void* data = &ports[i];
      if (i < static_cast<uint32_t>(numIn))
        data = inputs[i].data();
      else if (i < static_cast<uint32_t>(numIn + numOut))
        data = (inPlace ? inputs : outputs)[i - numIn].data();
      lilv_instance_connect_port(instance, i, data);
    }
    oxel_test::Audio out{numOut, in.sampleRate, 0, std::vector<float>(in.frames() * numOut)};
    lilv_instance_activate(instance);
    for (size_t start = 0; start < in.frames(); start += block) {
      const size_t n = std::min(block, in.frames() - start);
      beforeBlock(ports, start);
      for (size_t f = 0; f < n; ++f)
        for (int c = 0; c < numIn; ++c) inputs[c][f] = in.at(start + f, c);
      lilv_instance_run(instance, static_cast<uint32_t>(n));
      for (size_t f = 0; f < n; ++f)
        for (int c = 0; c < numOut; ++c)
          out.samples[(start + f) * numOut + c] = (inPlace ? inputs : outputs)[c][f];
    }
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    return out;
  }

  // Audio inputs come first, then the audio outputs, then the controls.
  int audioOutputs(const LilvPlugin* p) {
    const LilvNode* audio = uri(LV2_CORE__AudioPort);
    const LilvNode* output = uri(LV2_CORE__OutputPort);
    int count = 0;
    for (uint32_t i = 0; i < lilv_plugin_get_num_ports(p); ++i) {
      const LilvPort* port = lilv_plugin_get_port_by_index(p, i);
      if (lilv_port_is_a(p, port, audio) && lilv_port_is_a(p, port, output)) ++count;
    }
    return count;
  }

  // Every preset of the plug-in: its URI and its port values by symbol.
  std::map<std::string, std::map<std::string, float>> presets(const char* pluginUri) {
    std::map<std::string, std::map<std::string, float>> result;
    LilvNodes* related =
        lilv_plugin_get_related(plugin(pluginUri), uri("http://lv2plug.in/ns/ext/presets#Preset"));
    LILV_FOREACH(nodes, i, related) {
      const LilvNode* preset = lilv_nodes_get(related, i);
      lilv_world_load_resource(world_, preset);
      LilvState* state = lilv_state_new_from_world(world_, &map_, preset);
      if (state == nullptr) continue;
      Values values{this, {}};
      lilv_state_emit_port_values(
          state,
          [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
            auto* v = static_cast<Values*>(user);
            if (type == v->host->map_.map(v->host, LV2_ATOM__Float) && size == sizeof(float))
              v->values[symbol] = *static_cast<const float*>(value);
          },
          &values);
      result[lilv_node_as_uri(preset)] = values.values;
      lilv_state_free(state);
    }
    lilv_nodes_free(related);
    return result;
  }

 private:
  struct Values {
    LilvHost* host;
    std::map<std::string, float> values;
  };
  LilvWorld* world_;
  std::vector<LilvNode*> nodes_;
  std::map<std::string, LV2_URID> urids_;
  LV2_URID_Map map_{};
};

}  // namespace lv2_test
