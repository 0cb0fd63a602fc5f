// The gallery's face plate: the flat panel colour the film strips are drawn
// on, a header band with the title, and a small-capital label under or
// beside each control. Drawn with the toolkit's own primitives.
#pragma once

#include <string>
#include <vector>

#include "CView.h"

class GalleryPanel : public CView {
 public:
  struct Label {
    std::string text;
    CRect area;  // centred in it
  };
  GalleryPanel(const CRect& size, std::string title, std::vector<Label> labels);
  void draw(CDrawContext* pContext) override;

 private:
  std::string title;
  std::vector<Label> labels;
};
