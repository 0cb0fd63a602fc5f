// The plug-in's exported entry points: the field rotator with its editor.
#include "VuvIzedAzur.h"
#include "plugin_entry.h"

OXEL_DEFINE_PLUGIN_ENTRY(VuvIzedAzur)
