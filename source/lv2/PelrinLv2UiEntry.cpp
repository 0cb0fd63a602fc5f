// The LV2 UI entry point of Pelrin.lv2: Pelrin's editor on a stand-in Pelrin.
#include "ZazOzoRivo.h"
#include "lv2ui_entry.h"

OXEL_DEFINE_LV2_UI_ENTRY(lv2port::pelrinInfo, Lv2EditorUi::makeStandIn<ZazOzoRivo>)
