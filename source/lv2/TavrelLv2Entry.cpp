// The LV2 entry point of Tavrel.lv2.
#include "lv2_entry.h"

OXEL_DEFINE_LV2_ENTRY(lv2port::tavrelInfo)
