// One-line descriptions of the host requests an editor makes, as oxel shot
// and oxel edit print them.
#pragma once

#include <string>

#include "plugin_host.h"

namespace oxel {

// "automate index=0 value=0.75", "beginEdit index=0", "endEdit index=0",
// "sizeWindow width=300 height=200", "idle", or the raw numbers.
std::string describeHostRequest(const HostRequest& request);
// Requests worth printing: everything but the host-idle request, which a
// drag sends many times a second, and the version queries of construction.
bool isEditorRequest(const HostRequest& request);

}  // namespace oxel
