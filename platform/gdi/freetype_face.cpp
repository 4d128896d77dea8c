// Named fonts: fontconfig finds a file for the face name, weight and slant; FreeType draws it.
// Bold and italic are made up (emboldened outlines, a slanted transform) when the file found has
// neither. Glyphs are rendered once per character and kept as coverage masks.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/text_face.h"

namespace platform::gdi {

namespace {

constexpr int kDefaultCellHeight = 16;
constexpr int kBoldWeight = 600;

FT_Library freetype() {
    static FT_Library library = [] {
        FT_Library l = nullptr;
        return FT_Init_FreeType(&l) == 0 ? l : nullptr;
    }();
    return library;
}

struct FontFile {
    std::string path;
    int index = 0;
    bool bold = false;
    bool italic = false;
};

bool findFontFile(const LOGFONTA& lf, FontFile* out) {
    static const bool ready = FcInit() == FcTrue;
    if (!ready) return false;
    FcPattern* pattern = FcPatternCreate();
    std::string family = lf.lfFaceName[0] ? lf.lfFaceName : "sans-serif";
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, lf.lfWeight >= kBoldWeight ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, lf.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (found) {
        out->path = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &out->index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        out->bold = weight >= FC_WEIGHT_DEMIBOLD;
        out->italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return found;
}

struct GlyphImage {
    int advance = 0;
    int left = 0;  // from the pen position
    int top = 0;   // rows above the baseline
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;  // width * height, 0..255
};

int roundUp26(FT_Pos v) { return static_cast<int>((v + 63) >> 6); }

class FreeTypeFace final : public TextFace {
public:
    FreeTypeFace(FT_Face face, const LOGFONTA& lf, const FontFile& file);
    ~FreeTypeFace() override { FT_Done_Face(face_); }
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;

    SIZE extent(const char* text, int length) const override;
    void draw(const PixelView& view, int x, int y, const char* text, int length,
              const TextStyle& style) const override;

private:
    const GlyphImage& glyph(unsigned char c) const;
    void blend(const PixelView& view, int x, int y, const GlyphImage& g, COLORREF colour) const;

    FT_Face face_;
    int ascent_ = 0;
    int descent_ = 0;
    bool emboldened_ = false;
    bool mono_ = false;
    bool underline_ = false;
    int underlineOffset_ = 1;
    int underlineThickness_ = 1;
    mutable std::unordered_map<unsigned char, GlyphImage> cache_;
};

void setPixelSize(FT_Face face, LONG height) {
    if (height < 0) {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::min<int64_t>(-static_cast<int64_t>(height), 4096)));
        return;
    }
    int cell = height > 0 ? std::min<LONG>(height, 4096) : kDefaultCellHeight;
    int span = face->ascender - face->descender;  // font units; descender is negative
    FT_UInt em = span > 0 ? static_cast<FT_UInt>(static_cast<int64_t>(cell) * face->units_per_EM / span)
                          : static_cast<FT_UInt>(cell);
    FT_Set_Pixel_Sizes(face, 0, std::max<FT_UInt>(em, 1));
}

FreeTypeFace::FreeTypeFace(FT_Face face, const LOGFONTA& lf, const FontFile& file) : face_(face) {
    setPixelSize(face_, lf.lfHeight);
    const FT_Size_Metrics& m = face_->size->metrics;
    ascent_ = roundUp26(m.ascender);
    descent_ = roundUp26(-m.descender);
    emboldened_ = lf.lfWeight >= kBoldWeight && !file.bold;
    mono_ = lf.lfQuality == NONANTIALIASED_QUALITY;
    underline_ = lf.lfUnderline != 0;
    underlineOffset_ = std::max(1, roundUp26(-FT_MulFix(face_->underline_position, m.y_scale)));
    underlineThickness_ = std::max(1, roundUp26(FT_MulFix(face_->underline_thickness, m.y_scale)) - 0);
    if (lf.lfItalic && !file.italic) {
        FT_Matrix slant{0x10000, 0x0366A, 0, 0x10000};  // x += 0.21 y
        FT_Set_Transform(face_, &slant, nullptr);
    }
}

const GlyphImage& FreeTypeFace::glyph(unsigned char c) const {
    auto it = cache_.find(c);
    if (it != cache_.end()) return it->second;
    GlyphImage& g = cache_[c];
    FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Char(face_, c, flags) != 0) return g;
    FT_GlyphSlot slot = face_->glyph;
    FT_Pos strength = emboldened_ ? std::max<FT_Pos>(face_->size->metrics.x_ppem * 64 / 24, 32) : 0;
    if (strength && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Embolden(&slot->outline, strength);
    g.advance = static_cast<int>((slot->advance.x + strength + 32) >> 6);
    if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;
    const FT_Bitmap& b = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(b.width);
    g.height = static_cast<int>(b.rows);
    g.coverage.assign(static_cast<size_t>(g.width) * g.height, 0);
    for (int row = 0; row < g.height; ++row) {
        const uint8_t* src = b.buffer + static_cast<intptr_t>(row) * b.pitch;
        for (int col = 0; col < g.width; ++col) {
            uint8_t v = b.pixel_mode == FT_PIXEL_MODE_MONO ? ((src[col >> 3] >> (7 - (col & 7))) & 1) * 255 : src[col];
            g.coverage[static_cast<size_t>(row) * g.width + col] = v;
        }
    }
    return g;
}

SIZE FreeTypeFace::extent(const char* text, int length) const {
    int width = 0;
    for (int i = 0; i < length; ++i) width += glyph(static_cast<unsigned char>(text[i])).advance;
    return SIZE{width, ascent_ + descent_};
}

void FreeTypeFace::blend(const PixelView& view, int x, int y, const GlyphImage& g, COLORREF colour) const {
    for (int row = 0; row < g.height; ++row) {
        for (int col = 0; col < g.width; ++col) {
            unsigned a = g.coverage[static_cast<size_t>(row) * g.width + col];
            if (a == 0 || !view.contains(x + col, y + row)) continue;
            COLORREF under = a == 255 ? 0 : view.get(x + col, y + row);
            auto mix = [a](unsigned ink, unsigned paper) { return static_cast<BYTE>((ink * a + paper * (255 - a) + 127) / 255); };
            view.set(x + col, y + row, RGB(mix(GetRValue(colour), GetRValue(under)),
                                           mix(GetGValue(colour), GetGValue(under)),
                                           mix(GetBValue(colour), GetBValue(under))));
        }
    }
}

void FreeTypeFace::draw(const PixelView& view, int x, int y, const char* text, int length,
                        const TextStyle& style) const {
    if (!isUsableView(view) || length <= 0) return;
    SIZE box = extent(text, length);
    if (style.opaque) fillViewRect(view, x, y, x + box.cx, y + box.cy, style.background);
    int baseline = y + ascent_;
    int pen = x;
    for (int i = 0; i < length && pen < view.width; ++i) {
        const GlyphImage& g = glyph(static_cast<unsigned char>(text[i]));
        blend(view, pen + g.left, baseline - g.top, g, style.colour);
        pen += g.advance;
    }
    if (underline_) {
        int top = std::min(baseline + underlineOffset_, y + box.cy - 1);
        fillViewRect(view, x, top, x + box.cx, std::min(top + underlineThickness_, y + box.cy), style.colour);
    }
}

}  // namespace

std::unique_ptr<TextFace> openNamedFace(const LOGFONTA& font) {
    if (font.lfFaceName[0] == '\0' && font.lfHeight == 0) return nullptr;  // the default font
    FontFile file;
    FT_Library library = freetype();
    if (!library || !findFontFile(font, &file)) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        return nullptr;
    }
    return std::make_unique<FreeTypeFace>(face, font, file);
}

}  // namespace platform::gdi
