// The head-tracker options oxel's live commands share (track, live): where to
// listen and how to read what the tracker sends.
#pragma once

#include <string>

#include "argument_reader.h"
#include "tracker_messages.h"

namespace oxel {

struct TrackerCommandLine {
  int port = -1;  // -1: not given; 0: any free port
  std::string bind = "127.0.0.1";
  std::string preset;
  bool radians = false;
  std::string invert, quaternionOrder;
};

// The options' help lines, shared by the commands' --help texts.
extern const char* const kTrackerOptionsHelp;

void addTrackerOptions(ArgumentReader& reader, TrackerCommandLine& line);
// The decoder options the command line describes (the preset first, the
// single options on top). Returns false with a one-line `error`.
bool trackerOptionsFrom(const TrackerCommandLine& line, headtrack::TrackerOptions& options,
                        std::string& error);

}  // namespace oxel
