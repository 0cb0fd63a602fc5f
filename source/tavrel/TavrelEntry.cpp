// The plug-in's exported entry points.
#include "Tavrel.h"
#include "plugin_entry.h"

OXEL_DEFINE_PLUGIN_ENTRY(Tavrel)
