// LV2 plug-ins for oxel's commands: an LV2 plug-in, named by its URI or by
// its bundle folder, is driven through an effect record of oxel's own, so
// that every command (info, render with its automation, presets, AmbiX
// conversion and trajectories) works on it exactly as on a .so. Parameters
// are the control input ports, exchanged as 0..1 over each port's range;
// displays show the port value, labelled "degrees" for angle ports; the
// plug-in's presets are its programs.
//
// Failure: null with a one-line message when no LV2 plug-in is found, the
// bundle holds several, or the plug-in has ports oxel cannot connect (atom,
// CV, event ports) or needs features oxel does not offer.
#pragma once

#include <memory>
#include <string>

#include "plugin_host.h"

namespace oxel {

// True when the argument names an LV2 plug-in rather than a .so: a folder
// whose name ends in ".lv2", or a URI (a scheme and a colon) that is no file.
bool namesLv2Plugin(const std::string& arg);

std::shared_ptr<PluginLibrary> openLv2Library(const std::string& arg, std::string& error);

}  // namespace oxel
