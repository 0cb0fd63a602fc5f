#include "lv2_turtle.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "lv2_head_tracking.h"

namespace lv2port {

namespace {

constexpr const char* kPrefixes =
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string uri(const std::string& text) { return "<" + text + ">"; }

void writeAudioPort(std::ostringstream& out, const AudioPort& port, uint32_t index, bool input,
                    const std::string& group) {
  out << "[\n\t\ta lv2:" << (input ? "InputPort" : "OutputPort") << " , lv2:AudioPort ;\n"
      << "\t\tlv2:index " << index << " ;\n"
      << "\t\tlv2:symbol " << quoted(port.symbol) << " ;\n"
      << "\t\tlv2:name " << quoted(port.name) << " ;\n"
      << "\t\tpg:group " << uri(group);
  if (port.designation) out << " ;\n\t\tlv2:designation " << uri(port.designation);
  out << "\n\t]";
}

void writeControlPort(std::ostringstream& out, const ControlPort& port, uint32_t index) {
  out << "[\n\t\ta lv2:" << (port.output ? "OutputPort" : "InputPort") << " , lv2:ControlPort ;\n"
      << "\t\tlv2:index " << index << " ;\n"
      << "\t\tlv2:symbol " << quoted(port.symbol) << " ;\n"
      << "\t\tlv2:name " << quoted(port.name) << " ;\n";
  if (!port.output) out << "\t\tlv2:default " << turtleNumber(port.defaultValue) << " ;\n";
  out << "\t\tlv2:minimum " << turtleNumber(port.minimum) << " ;\n"
      << "\t\tlv2:maximum " << turtleNumber(port.maximum);
  if (port.degrees) out << " ;\n\t\tunits:unit units:degree";
  if (port.toggled) {
    out << " ;\n\t\tlv2:portProperty lv2:toggled";
    if (port.trigger) out << " , pprops:trigger";
  } else if (port.integer) {
    out << " ;\n\t\tlv2:portProperty lv2:integer";
    if (!port.scalePoints.empty()) out << " , lv2:enumeration";
  }
  for (size_t i = 0; i < port.scalePoints.size(); ++i) {
    out << (i == 0 ? " ;\n\t\tlv2:scalePoint " : " , ") << "[\n\t\t\trdfs:label "
        << quoted(port.scalePoints[i].label) << " ;\n\t\t\trdf:value "
        << turtleNumber(port.scalePoints[i].value) << "\n\t\t]";
  }
  out << "\n\t]";
}

}  // namespace

std::string turtleNumber(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", value);
  std::string number = text;
  if (number == "-0") number = "0";
  if (number.find_first_of(".eEn") == std::string::npos) number += ".0";
  return number;
}

std::string presetUri(const PluginInfo& plugin, const Preset& preset) {
  return std::string{plugin.uri} + ":preset:" + preset.symbol;
}

std::string manifestTurtle(const PluginInfo& plugin, const std::vector<Preset>& presets,
                           bool withUi) {
  std::ostringstream out;
  out << kPrefixes;
  out << uri(plugin.uri) << "\n\ta lv2:Plugin ;\n\tlv2:binary " << uri(plugin.binary);
  if (withUi) out << " ;\n\tui:ui " << uri(uiUri(plugin));
  out << " ;\n\trdfs:seeAlso " << uri(std::string{plugin.name} + ".ttl") << " .\n";
  if (withUi)
    out << "\n"
        << uri(uiUri(plugin)) << "\n\ta ui:X11UI ;\n\tui:binary " << uri(uiBinary(plugin))
        << " ;\n\tlv2:requiredFeature ui:parent , ui:idleInterface ;\n"
        << "\tlv2:optionalFeature ui:resize , ui:touch , opts:options , "
           "<http://lv2plug.in/ns/ext/urid#map> ;\n"
        << "\topts:supportedOption ui:scaleFactor ;\n"
        << "\tlv2:extensionData ui:idleInterface .\n";
  for (const Preset& preset : presets)
    out << "\n"
        << uri(presetUri(plugin, preset)) << "\n\ta pset:Preset ;\n\tlv2:appliesTo "
        << uri(plugin.uri) << " ;\n\trdfs:label " << quoted(preset.label)
        << " ;\n\trdfs:seeAlso <presets.ttl> .\n";
  return out.str();
}

std::string pluginTurtle(const PluginInfo& plugin, const std::vector<ControlPort>& controls) {
  const std::string inGroup = std::string{plugin.uri} + "#bformat_in";
  const std::string outGroup = std::string{plugin.uri} + "#out";
  std::ostringstream out;
  out << kPrefixes;
  out << uri(inGroup) << "\n\ta pg:InputGroup ;\n\tlv2:symbol \"bformat_in\" ;\n"
      << "\trdfs:label \"B-format in (FuMa: W, X, Y, Z; W at -3 dB)\" .\n\n";
  out << uri(outGroup) << "\n\ta pg:OutputGroup";
  if (plugin.outputGroupClass) out << " , pg:" << plugin.outputGroupClass;
  out << " ;\n\tlv2:symbol \"out\" ;\n\trdfs:label "
      << quoted(plugin.outputGroupClass ? "Microphone pair"
                                        : "B-format out (FuMa: W, X, Y, Z; W at -3 dB)")
      << " .\n\n";

  out << uri(plugin.uri) << "\n\ta lv2:Plugin , lv2:" << plugin.pluginClass << " , doap:Project ;\n"
      << "\tdoap:name " << quoted(plugin.name) << " ;\n"
      << "\tdoap:maintainer [\n\t\tfoaf:name \"Oxel Music Dept.\"\n\t] ;\n"
      << "\tlv2:minorVersion 0 ;\n\tlv2:microVersion 1 ;\n"
      << "\tlv2:optionalFeature lv2:hardRTCapable ;\n"
      << "\tlv2:port ";
  uint32_t index = 0;
  bool first = true;
  auto separator = [&] {
    if (!first) out << " , ";
    first = false;
  };
  for (const AudioPort& port : plugin.inputs) {
    separator();
    writeAudioPort(out, port, index++, true, inGroup);
  }
  for (const AudioPort& port : plugin.outputs) {
    separator();
    writeAudioPort(out, port, index++, false, outGroup);
  }
  for (const ControlPort& port : controls) {
    separator();
    writeControlPort(out, port, index++);
  }
  if (plugin.headTracking)
    for (const ControlPort& port : trackingPorts()) {
      separator();
      writeControlPort(out, port, index++);
    }
  out << " .\n";
  return out.str();
}

std::string presetsTurtle(const PluginInfo& plugin, const std::vector<ControlPort>& controls,
                          const std::vector<Preset>& presets) {
  std::ostringstream out;
  out << kPrefixes;
  for (const Preset& preset : presets) {
    out << uri(presetUri(plugin, preset)) << "\n\ta pset:Preset ;\n\tlv2:appliesTo "
        << uri(plugin.uri) << " ;\n\trdfs:label " << quoted(preset.label) << " ;\n\tlv2:port ";
    for (size_t i = 0; i < controls.size() && i < preset.values.size(); ++i) {
      out << (i == 0 ? "" : " , ") << "[\n\t\tlv2:symbol " << quoted(controls[i].symbol)
          << " ;\n\t\tpset:value " << turtleNumber(portValue(controls[i], preset.values[i]))
          << "\n\t]";
    }
    out << " .\n\n";
  }
  return out.str();
}

}  // namespace lv2port
