#include <cstdio>
#include <string>

#include "canvas.h"

namespace oxel::platform {

namespace {

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  std::string s{text};
  // "12.50" -> "12.5", "3.00" -> "3": shorter files, same values.
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string colourAttributes(const char* what, const CanvasColour& c) {
  char text[96];
  auto channel = [](double v) { return static_cast<int>(v * 255.0 + 0.5); };
  std::snprintf(text, sizeof text, " %s=\"#%02x%02x%02x\"", what, channel(c.r), channel(c.g),
                channel(c.b));
  std::string s{text};
  if (c.a < 1.0) s += std::string{" "} + what + "-opacity=\"" + number(c.a) + "\"";
  return s;
}

std::string escaped(std::string_view text) {
  std::string s;
  for (char ch : text) {
    switch (ch) {
      case '<': s += "&lt;"; break;
      case '>': s += "&gt;"; break;
      case '&': s += "&amp;"; break;
      case '"': s += "&quot;"; break;
      default: s += ch;
    }
  }
  return s;
}

}  // namespace

SvgCanvas::SvgCanvas(double width, double height) : width_{width}, height_{height} {}

void SvgCanvas::moveTo(double x, double y) { path_ += "M" + number(x) + " " + number(y); }
void SvgCanvas::lineTo(double x, double y) { path_ += "L" + number(x) + " " + number(y); }
void SvgCanvas::closePath() { path_ += "Z"; }

void SvgCanvas::circle(double cx, double cy, double radius) {
  const std::string r = number(radius);
  path_ += "M" + number(cx + radius) + " " + number(cy) + "A" + r + " " + r + " 0 1 0 " +
           number(cx - radius) + " " + number(cy) + "A" + r + " " + r + " 0 1 0 " +
           number(cx + radius) + " " + number(cy) + "Z";
}

void SvgCanvas::stroke(const CanvasColour& colour, const StrokeStyle& style) {
  body_ += "<path d=\"" + path_ + "\" fill=\"none\"" + colourAttributes("stroke", colour) +
           " stroke-width=\"" + number(style.width) +
           "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
  if (style.dash > 0.0)
    body_ += " stroke-dasharray=\"" + number(style.dash) + " " + number(style.dash) + "\"";
  body_ += "/>\n";
  path_.clear();
}

void SvgCanvas::fill(const CanvasColour& colour) {
  body_ += "<path d=\"" + path_ + "\"" + colourAttributes("fill", colour) + "/>\n";
  path_.clear();
}

void SvgCanvas::fillRect(double x, double y, double width, double height,
                         const CanvasColour& colour) {
  body_ += "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(width) +
           "\" height=\"" + number(height) + "\"" + colourAttributes("fill", colour) + "/>\n";
}

void SvgCanvas::text(double x, double baseline, std::string_view utf8, double size, bool bold,
                     const CanvasColour& colour, TextAlign align) {
  const char* anchor = align == TextAlign::centre  ? "middle"
                       : align == TextAlign::right ? "end"
                                                   : "start";
  body_ += "<text x=\"" + number(x) + "\" y=\"" + number(baseline) +
           "\" font-family=\"Liberation Sans, Arial, Helvetica, sans-serif\" font-size=\"" +
           number(size) + "\"" + (bold ? " font-weight=\"bold\"" : "") + " text-anchor=\"" +
           anchor + "\"" + colourAttributes("fill", colour) + ">" + escaped(utf8) + "</text>\n";
}

std::string SvgCanvas::document() const {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
         "width=\"" +
         number(width_) + "\" height=\"" + number(height_) + "\" viewBox=\"0 0 " + number(width_) +
         " " + number(height_) + "\">\n" + body_ + "</svg>\n";
}

}  // namespace oxel::platform
