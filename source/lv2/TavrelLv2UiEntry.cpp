// The LV2 UI entry point of Tavrel.lv2: Tavrel's editor on a stand-in Tavrel.
#include "VuvIzedAzur.h"
#include "lv2ui_entry.h"

OXEL_DEFINE_LV2_UI_ENTRY(lv2port::tavrelInfo, Lv2EditorUi::makeStandIn<VuvIzedAzur>)
