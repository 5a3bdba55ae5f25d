// Pictures for the demo: a floating-point RGBA canvas, a few drawing helpers,
// and writers for every image kind the player reads (PNG in its colour types
// and depths, 8-bit and 24-bit BMP).
//
// How the player sees a picture: PNG transparency is stripped, so only the
// colour reaches the screen, and a 3D sprite leaves out exactly the black
// (0, 0, 0) pixels. The writers therefore store every transparent pixel as
// black and lift every visible pixel that would turn black on a 16-bit
// (RGB565) screen to a near-black that survives the conversion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct Color {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

Color Mix(Color a, Color b, double t);
Color Scale(Color c, double k);

struct Pixel {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 0.0;  // 0 transparent, 1 opaque
};

class Image {
public:
    Image(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Pixel& At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    const Pixel& At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

    // Paints colour c over the pixel with opacity k (0..1); outside pixels are ignored.
    void Blend(int x, int y, Color c, double k);
    // Fills a disc (anti-aliased edge) centred on (cx, cy).
    void Disc(double cx, double cy, double radius, Color c, double opacity = 1.0);
    // Fills the axis-aligned rectangle [x0, x1) x [y0, y1).
    void Rect(int x0, int y0, int x1, int y1, Color c, double opacity = 1.0);

private:
    int width_;
    int height_;
    std::vector<Pixel> pixels_;
};

// One picture pixel as the writers store it: transparent pixels (alpha below
// the cut) become (0, 0, 0, 0); visible ones keep their colour, lifted out of
// the RGB565 black when needed.
struct Rgba8 {
    std::uint8_t r, g, b, a;
};
Rgba8 ToRgba8(const Pixel& p);

struct PaletteEntry {
    std::uint8_t r, g, b;
};

// PNG writers. They fail by throwing std::runtime_error.
void WritePngRgb(const std::string& path, const Image& image, bool interlaced);
void WritePngRgba(const std::string& path, const Image& image, int bitDepth);  // 8 or 16
// Gray from the red channel; bitDepth 1, 8 or 16.
void WritePngGray(const std::string& path, const Image& image, int bitDepth);
void WritePngGrayAlpha(const std::string& path, const Image& image);
// Palette image of 4 or 8 bits per index; trns holds the alpha of the first
// palette entries (a tRNS chunk); an empty trns writes no chunk.
void WritePngPalette(const std::string& path, int width, int height, const std::vector<std::uint8_t>& indices,
                     const std::vector<PaletteEntry>& palette, const std::vector<std::uint8_t>& trns, int bitDepth);

// BMP writers: uncompressed, rows stored bottom row first, padded to 4 bytes.
void WriteBmp8(const std::string& path, int width, int height, const std::vector<std::uint8_t>& indices,
               const std::vector<PaletteEntry>& palette);
void WriteBmp24(const std::string& path, const Image& image);

}  // namespace demo
