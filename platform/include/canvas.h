// Antialiased vector drawing: paths, strokes (solid or dashed), fills and
// text, in logical units. One drawing code serves two targets: a pixel port
// (rasterised, `scale` device pixels per unit, drawn over what the port
// holds) and an SVG document written as text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform.h"

namespace oxel::platform {

struct CanvasColour {
  double r{0}, g{0}, b{0}, a{1};
};
// 0xRRGGBB with an alpha.
constexpr CanvasColour colourOf(uint32_t rgb, double alpha = 1.0) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

enum class TextAlign : uint8_t { left, centre, right };

struct StrokeStyle {
  double width{1.0};
  double dash{0.0};  // the length of dashes and gaps; 0 draws solid
};

// The current path is built with moveTo/lineTo/closePath/circle and used up
// by stroke or fill.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void moveTo(double x, double y) = 0;
  virtual void lineTo(double x, double y) = 0;
  virtual void closePath() = 0;
  // A whole circle as a closed sub-path of its own.
  virtual void circle(double cx, double cy, double radius) = 0;
  virtual void stroke(const CanvasColour& colour, const StrokeStyle& style) = 0;
  virtual void fill(const CanvasColour& colour) = 0;
  virtual void fillRect(double x, double y, double width, double height,
                        const CanvasColour& colour) = 0;
  // Sans-serif text (UTF-8) with its baseline at y; x is its left edge, centre or right edge.
  virtual void text(double x, double baseline, std::string_view utf8, double size, bool bold,
                    const CanvasColour& colour, TextAlign align) = 0;
};

// Draws into the port; the port gets the pixels when the canvas is destroyed.
// Null when the port is empty or scale is not positive.
std::unique_ptr<Canvas> portCanvas(PixelPort& port, int32_t scale);

// Collects an SVG document of width x height units.
class SvgCanvas : public Canvas {
 public:
  SvgCanvas(double width, double height);
  void moveTo(double x, double y) override;
  void lineTo(double x, double y) override;
  void closePath() override;
  void circle(double cx, double cy, double radius) override;
  void stroke(const CanvasColour& colour, const StrokeStyle& style) override;
  void fill(const CanvasColour& colour) override;
  void fillRect(double x, double y, double width, double height,
                const CanvasColour& colour) override;
  void text(double x, double baseline, std::string_view utf8, double size, bool bold,
            const CanvasColour& colour, TextAlign align) override;
  // The whole document, closed.
  std::string document() const;

 private:
  std::string body_;
  std::string path_;
  double width_, height_;
};

}  // namespace oxel::platform
