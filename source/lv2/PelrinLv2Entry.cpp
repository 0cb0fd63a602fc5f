// The LV2 entry point of Pelrin.lv2.
#include "lv2_entry.h"

OXEL_DEFINE_LV2_ENTRY(lv2port::pelrinInfo)
