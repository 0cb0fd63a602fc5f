// The plug-in's exported entry points: they build the processor with its
// editor.
#include "ZazOzoRivo.h"
#include "plugin_entry.h"

OXEL_DEFINE_PLUGIN_ENTRY(ZazOzoRivo)
