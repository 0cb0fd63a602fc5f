// Registry of pictures compiled into the binary. Tables are linked into a
// list during static initialisation (no allocation); later lookups only read.
#include "platform.h"

namespace oxel::platform {

namespace {
EmbeddedImageTable*& firstTable() {
  static EmbeddedImageTable* first = nullptr;
  return first;
}
}  // namespace

void registerEmbeddedImages(EmbeddedImageTable* table) {
  if (!table) return;
  table->next = firstTable();
  firstTable() = table;
}

std::span<const uint8_t> findEmbeddedImage(int32_t number, int32_t scale) {
  for (const EmbeddedImageTable* t = firstTable(); t; t = t->next)
    for (size_t i = 0; i < t->count; ++i)
      if (t->images[i].number == number && t->images[i].scale == scale)
        return {t->images[i].data, t->images[i].size};
  return {};
}

}  // namespace oxel::platform
