// The port canvas on cairo: the port's pixels are cairo's RGB24 layout
// (0x00RRGGBB words, rows without padding), so cairo draws straight into
// them.
#include <cairo.h>

#include <numbers>
#include <string>

#include "canvas.h"

namespace oxel::platform {

namespace {

class CairoCanvas final : public Canvas {
 public:
  CairoCanvas(PixelPort& port, int32_t scale) : port_{port} {
    surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(port.row(0)),
                                                   CAIRO_FORMAT_RGB24, port.width(), port.height(),
                                                   port.width() * 4);
    cr_ = cairo_create(surface_);
    cairo_scale(cr_, scale, scale);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
  }
  ~CairoCanvas() override {
    cairo_destroy(cr_);
    cairo_surface_flush(surface_);
    cairo_surface_destroy(surface_);
    // Cairo fills the padding byte; ports keep it clear, as their other writers do.
    for (int32_t y = 0; y < port_.height(); ++y) {
      Pixel* row = port_.row(y);
      for (int32_t x = 0; x < port_.width(); ++x) row[x] &= kRgbMask;
    }
    port_.addDirty(port_.bounds());
  }
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void moveTo(double x, double y) override { cairo_move_to(cr_, x, y); }
  void lineTo(double x, double y) override { cairo_line_to(cr_, x, y); }
  void closePath() override { cairo_close_path(cr_); }
  void circle(double cx, double cy, double radius) override {
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, cx, cy, radius, 0.0, (2.0 * std::numbers::pi));
    cairo_close_path(cr_);
  }
  void stroke(const CanvasColour& c, const StrokeStyle& style) override {
    setColour(c);
    cairo_set_line_width(cr_, style.width);
    if (style.dash > 0.0) {
      const double dashes[2] = {style.dash, style.dash};
      cairo_set_dash(cr_, dashes, 2, 0.0);
    } else {
      cairo_set_dash(cr_, nullptr, 0, 0.0);
    }
    cairo_stroke(cr_);
  }
  void fill(const CanvasColour& c) override {
    setColour(c);
    cairo_fill(cr_);
  }
  void fillRect(double x, double y, double width, double height, const CanvasColour& c) override {
    cairo_new_path(cr_);
    cairo_rectangle(cr_, x, y, width, height);
    fill(c);
  }
  void text(double x, double baseline, std::string_view utf8, double size, bool bold,
            const CanvasColour& c, TextAlign align) override {
    const std::string s{utf8};
    cairo_new_path(cr_);
    cairo_select_font_face(cr_, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, s.c_str(), &extents);
    if (align == TextAlign::centre) x -= extents.x_advance / 2.0;
    if (align == TextAlign::right) x -= extents.x_advance;
    setColour(c);
    cairo_move_to(cr_, x, baseline);
    cairo_show_text(cr_, s.c_str());
    cairo_new_path(cr_);
  }

 private:
  void setColour(const CanvasColour& c) { cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a); }

  PixelPort& port_;
  cairo_surface_t* surface_{nullptr};
  cairo_t* cr_{nullptr};
};

}  // namespace

std::unique_ptr<Canvas> portCanvas(PixelPort& port, int32_t scale) {
  if (port.width() <= 0 || port.height() <= 0 || scale <= 0) return nullptr;
  return std::make_unique<CairoCanvas>(port, scale);
}

}  // namespace oxel::platform
