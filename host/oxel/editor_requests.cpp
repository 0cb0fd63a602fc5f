#include "editor_requests.h"

#include <cstdio>

namespace oxel {

std::string describeHostRequest(const HostRequest& r) {
  char text[160];
  switch (r.opcode) {
    case audioMasterAutomate:
      std::snprintf(text, sizeof text, "automate index=%d value=%.6g", r.index, static_cast<double>(r.opt));
      break;
    case audioMasterBeginEdit: std::snprintf(text, sizeof text, "beginEdit index=%d", r.index); break;
    case audioMasterEndEdit: std::snprintf(text, sizeof text, "endEdit index=%d", r.index); break;
    case audioMasterIdle: std::snprintf(text, sizeof text, "idle"); break;
    case audioMasterSizeWindow:
      std::snprintf(text, sizeof text, "sizeWindow width=%d height=%ld", r.index, static_cast<long>(r.value));
      break;
    default:
      std::snprintf(text, sizeof text, "request opcode=%d index=%d value=%ld opt=%g", r.opcode, r.index,
                    static_cast<long>(r.value), static_cast<double>(r.opt));
      break;
  }
  return text;
}

bool isEditorRequest(const HostRequest& r) {
  return r.opcode != audioMasterIdle && r.opcode != audioMasterVersion && r.opcode != audioMasterCurrentId;
}

}  // namespace oxel
