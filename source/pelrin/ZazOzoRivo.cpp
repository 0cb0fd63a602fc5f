#include "ZazOzoRivo.h"

#include <new>

#include "RazOruRerora.h"

ZazOzoRivo::ZazOzoRivo(audioMasterCallback audioMaster) : Pelrin(audioMaster) {
  setUniqueID(fourCharCode('Q', 'R', 'M', 'A'));
  // The editor registers itself with this plug-in.
  if (!new (std::nothrow) RazOruRerora(this)) oome = 1;
}

ZazOzoRivo::~ZazOzoRivo() = default;

void ZazOzoRivo::setParameter(VstInt32 index, float value) {
  Pelrin::setParameter(index, value);
  if (editor) static_cast<RazOruRerora*>(editor)->setParameter(index, value);
}

RazOruRerora* ZazOzoRivo::getPelrinEditor() const { return static_cast<RazOruRerora*>(editor); }
