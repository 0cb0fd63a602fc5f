#include "tracker_options.h"

#include "text_parse.h"

namespace oxel {

const char* const kTrackerOptionsHelp =
    "  --osc PORT         listen for a head tracker's OSC messages on this UDP port\n"
    "                     (0: any free port, printed at the start)\n"
    "  --bind ADDRESS     the address to listen on (default 127.0.0.1, this machine\n"
    "                     only; 0.0.0.0 for a tracker on another device)\n"
    "  --tracker PRESET   how the tracker counts: standard (default), compass (yaw +\n"
    "                     to the right), radians, xyzw (quaternion w last),\n"
    "                     compass-radians\n"
    "  --radians          angles arrive in radians\n"
    "  --invert AXES      negate the tracker's yaw, pitch and/or roll, e.g. yaw,roll\n"
    "  --quaternion-order ORDER\n"
    "                     which argument is which quaternion component, with signs:\n"
    "                     w,x,y,z (default), x,y,z,w, w,-x,-y,z, ...\n";

void addTrackerOptions(ArgumentReader& reader, TrackerCommandLine& line) {
  reader.integer("--osc", 0, 65535, "a UDP port", line.port)
      .text("--bind", "an IPv4 address", line.bind)
      .text("--tracker", "a preset (" + headtrack::trackerPresetNames() + ")", line.preset)
      .flag("--radians", line.radians)
      .text("--invert", "yaw, pitch and/or roll, e.g. yaw,roll", line.invert)
      .text("--quaternion-order", "an order such as x,y,z,w", line.quaternionOrder);
}

bool trackerOptionsFrom(const TrackerCommandLine& line, headtrack::TrackerOptions& options,
                        std::string& error) {
  options = {};
  if (!line.preset.empty()) {
    const headtrack::TrackerPreset* preset = headtrack::findTrackerPreset(line.preset);
    if (preset == nullptr) {
      error = "unknown tracker preset '" + line.preset + "' (one of " +
              headtrack::trackerPresetNames() + ")";
      return false;
    }
    options = preset->options;
  }
  if (line.radians) options.radians = true;
  if (!line.invert.empty()) {
    for (const std::string& axis : split(line.invert, ',')) {
      const std::string name = lowercase(std::string{trim(axis)});
      if (name == "yaw")
        options.invert.yaw = !options.invert.yaw;
      else if (name == "pitch")
        options.invert.pitch = !options.invert.pitch;
      else if (name == "roll")
        options.invert.roll = !options.invert.roll;
      else {
        error = "--invert needs yaw, pitch and/or roll, got '" + axis + "'";
        return false;
      }
    }
  }
  if (!line.quaternionOrder.empty() &&
      !headtrack::parseQuaternionOrder(line.quaternionOrder, options, error))
    return false;
  return true;
}

}  // namespace oxel
