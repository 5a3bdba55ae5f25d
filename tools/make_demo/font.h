// The demo's block font: capital letters, digits and a little punctuation on
// a 5 x 7 grid, drawn for this show. A text is rendered into a mask whose
// cells are `scale` pixels square, one empty column of cells between glyphs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

class TextMask {
public:
    TextMask(const std::string& text, int scale);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // True for a pixel of a glyph; false outside the mask.
    bool Lit(int x, int y) const;

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> lit_;
};

}  // namespace demo
