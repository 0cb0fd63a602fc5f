// Text through FreeType, faces found with fontconfig. Sans maps to
// Liberation Sans and mono to Liberation Mono (metric-compatible with the
// fonts the layouts were made for); the symbol font draws the symbol
// encoding's Greek letters with the sans face. Glyphs are hinted (FreeType's
// default TrueType hinting) and rendered as 8-bit coverage; advances are whole
// pixels, the same for measuring and drawing. Faces and glyph bitmaps are
// cached for the life of the process behind one mutex (user-interface work
// only). When no face can be loaded, text measures 0 and draws nothing.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "platform.h"

namespace oxel::platform {

namespace {

constexpr char32_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// The symbol encoding's letters: A..Z and a..z stand for Greek letters.
constexpr char32_t kSymbolUpper[26] = {0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399,
                                       0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1,
                                       0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
constexpr char32_t kSymbolLower[26] = {0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9,
                                       0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1,
                                       0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};

struct Glyph {
  int32_t advance{0};
  int32_t left{0};
  int32_t top{0};
  int32_t width{0};
  int32_t rows{0};
  std::vector<uint8_t> coverage;
};

}  // namespace

struct Font {
  FT_Face face{nullptr};
  FontFamily family{FontFamily::sans};
  uint32_t style{0};
  FontMetrics metrics{};
  std::unordered_map<char32_t, Glyph> glyphs;
};

namespace {

struct TextSystem {
  std::mutex mutex;
  FT_Library library{nullptr};
  bool initialised{false};
  std::map<std::tuple<int, int32_t, uint32_t>, std::unique_ptr<Font>> fonts;
  std::map<std::pair<int, uint32_t>, std::string> files;

  // Our own fontconfig configuration, not the process-wide default: a host
  // process may use fontconfig itself, and ours is released with us.
  FcConfig* config{nullptr};

  ~TextSystem() {
    for (auto& [key, font] : fonts)
      if (font && font->face) FT_Done_Face(font->face);
    if (library) FT_Done_FreeType(library);
    if (config) FcConfigDestroy(config);
  }

  std::string findFile(FontFamily family, uint32_t style) {
    auto key = std::make_pair(static_cast<int>(family), style & (kFontBold | kFontItalic));
    if (auto it = files.find(key); it != files.end()) return it->second;
    std::string path;
    if (!config) config = FcInitLoadConfigAndFonts();
    if (!config) return path;
    FcPattern* pattern = FcPatternCreate();
    const char* name = family == FontFamily::mono ? "Liberation Mono" : "Liberation Sans";
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
    FcPatternAddInteger(pattern, FC_WEIGHT, (style & kFontBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, (style & kFontItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
      FcChar8* file = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
        path = reinterpret_cast<const char*>(file);
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    files[key] = path;
    return path;
  }
};

TextSystem& textSystem() {
  static TextSystem system;
  return system;
}

char32_t codePoint(const Font* font, unsigned char c) {
  if (font->family == FontFamily::symbol) {
    if (c >= 'A' && c <= 'Z') return kSymbolUpper[c - 'A'];
    if (c >= 'a' && c <= 'z') return kSymbolLower[c - 'a'];
  }
  return macRomanToUnicode(c);
}

// Called with the text mutex held.
const Glyph& glyphOf(Font* font, char32_t code) {
  if (auto it = font->glyphs.find(code); it != font->glyphs.end()) return it->second;
  Glyph g;
  FT_UInt index = FT_Get_Char_Index(font->face, code);
  if (FT_Load_Glyph(font->face, index, FT_LOAD_DEFAULT) == 0 &&
      FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
    FT_GlyphSlot slot = font->face->glyph;
    g.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.buffer) {
      g.width = static_cast<int32_t>(bm.width);
      g.rows = static_cast<int32_t>(bm.rows);
      g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows));
      for (int32_t y = 0; y < g.rows; ++y) {
        const uint8_t* srcRow = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        std::copy(srcRow, srcRow + g.width, g.coverage.begin() + static_cast<ptrdiff_t>(y) * g.width);
      }
    }
  }
  return font->glyphs.emplace(code, std::move(g)).first->second;
}

}  // namespace

char32_t macRomanToUnicode(unsigned char c) { return c < 0x80 ? char32_t{c} : kMacRomanHigh[c - 0x80]; }

const Font* loadFont(FontFamily family, int32_t pixelSize, uint32_t style) {
  if (pixelSize <= 0 || pixelSize > 1000) return nullptr;
  TextSystem& ts = textSystem();
  std::lock_guard lock{ts.mutex};
  auto key = std::make_tuple(static_cast<int>(family), pixelSize, style);
  if (auto it = ts.fonts.find(key); it != ts.fonts.end()) return it->second.get();

  if (!ts.initialised) {
    ts.initialised = true;
    if (FT_Init_FreeType(&ts.library) != 0) ts.library = nullptr;
  }
  std::unique_ptr<Font> font;
  std::string file = ts.library ? ts.findFile(family, style) : std::string{};
  FT_Face face = nullptr;
  if (!file.empty() && FT_New_Face(ts.library, file.c_str(), 0, &face) == 0) {
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0) {
      font = std::make_unique<Font>();
      font->face = face;
      font->family = family;
      font->style = style;
      const FT_Size_Metrics& m = face->size->metrics;
      font->metrics.ascent = static_cast<int32_t>(std::ceil(m.ascender / 64.0));
      font->metrics.descent = static_cast<int32_t>(std::ceil(-m.descender / 64.0));
      font->metrics.maxWidth = static_cast<int32_t>(std::ceil(m.max_advance / 64.0));
      font->metrics.leading =
          std::max<int32_t>(0, static_cast<int32_t>(std::ceil(m.height / 64.0)) - font->metrics.ascent -
                                   font->metrics.descent);
    } else {
      FT_Done_Face(face);
    }
  }
  const Font* result = font.get();
  ts.fonts.emplace(key, std::move(font));
  return result;
}

FontMetrics fontMetrics(const Font* font) { return font ? font->metrics : FontMetrics{}; }

int32_t textWidth(const Font* font, std::string_view text) {
  if (!font) return 0;
  TextSystem& ts = textSystem();
  std::lock_guard lock{ts.mutex};
  Font* f = const_cast<Font*>(font);
  int32_t width = 0;
  for (unsigned char c : text) width += glyphOf(f, codePoint(f, c)).advance;
  return width;
}

void drawText(PixelPort& port, PortRect clip, const Font* font, int32_t x, int32_t baseline,
              std::string_view text, Pixel color) {
  if (!font) return;
  PortRect area = intersect(truncated(clip), port.bounds());
  if (area.empty()) return;
  TextSystem& ts = textSystem();
  std::lock_guard lock{ts.mutex};
  Font* f = const_cast<Font*>(font);
  const uint32_t fr = redOf(color), fg = greenOf(color), fb = blueOf(color);
  PortRect painted{};
  int64_t penX = x;
  for (unsigned char c : text) {
    const Glyph& g = glyphOf(f, codePoint(f, c));
    const int64_t gx = penX + g.left, gy = int64_t{baseline} - g.top;
    for (int32_t row = 0; row < g.rows; ++row) {
      const int64_t py = gy + row;
      if (py < area.top || py >= area.bottom) continue;
      Pixel* dst = port.row(static_cast<int32_t>(py));
      for (int32_t col = 0; col < g.width; ++col) {
        const int64_t px = gx + col;
        if (px < area.left || px >= area.right) continue;
        const uint32_t cov = g.coverage[static_cast<size_t>(row) * static_cast<size_t>(g.width) +
                                        static_cast<size_t>(col)];
        if (cov == 0) continue;
        Pixel& d = dst[px];
        auto mix = [&](uint32_t fc, uint32_t dc) { return (fc * cov + dc * (255 - cov) + 127) / 255; };
        d = mix(fr, redOf(d)) << 16 | mix(fg, greenOf(d)) << 8 | mix(fb, blueOf(d));
      }
    }
    if (g.rows > 0 && g.width > 0 && gx > INT32_MIN && gx + g.width < INT32_MAX && gy > INT32_MIN &&
        gy + g.rows < INT32_MAX) {
      const PortRect box{static_cast<int32_t>(gx), static_cast<int32_t>(gy), static_cast<int32_t>(gx + g.width),
                         static_cast<int32_t>(gy + g.rows)};
      painted = unite(painted, intersect(box, area));
    }
    penX += g.advance;
  }
  if (f->style & kFontUnderline) {
    const int64_t y = int64_t{baseline} + 1;
    if (y >= area.top && y < area.bottom) {
      const int64_t x0 = std::max<int64_t>(x, area.left), x1 = std::min<int64_t>(penX, area.right);
      Pixel* dst = port.row(static_cast<int32_t>(y));
      for (int64_t px = x0; px < x1; ++px) dst[px] = color;
      if (x0 < x1)
        painted = unite(painted, PortRect{static_cast<int32_t>(x0), static_cast<int32_t>(y),
                                          static_cast<int32_t>(x1), static_cast<int32_t>(y) + 1});
    }
  }
  port.addDirty(painted);
}

}  // namespace oxel::platform
