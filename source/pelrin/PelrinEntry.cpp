// The plug-in's exported entry points.
#include "Pelrin.h"
#include "plugin_entry.h"

OXEL_DEFINE_PLUGIN_ENTRY(Pelrin)
