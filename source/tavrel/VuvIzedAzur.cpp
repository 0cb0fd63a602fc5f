#include "VuvIzedAzur.h"

#include <new>

#include "ZidIdirAruriz.h"

VuvIzedAzur::VuvIzedAzur(audioMasterCallback audioMaster) : Tavrel(audioMaster) {
  setUniqueID(fourCharCode('Q', 'R', 'p', 'a'));
  // The editor's base constructor registers it with this plug-in (which
  // sets the has-editor flag); the plug-in deletes it.
  if (!new (std::nothrow) ZidIdirAruriz(this)) oome = true;
}

VuvIzedAzur::~VuvIzedAzur() = default;

void VuvIzedAzur::setParameter(VstInt32 index, float value) {
  Tavrel::setParameter(index, value);
  if (auto* e = static_cast<ZidIdirAruriz*>(editor)) e->setParameter(index, value);
}
