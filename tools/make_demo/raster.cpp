#include "tools/make_demo/raster.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <initializer_list>
#include <stdexcept>

#include "tools/make_demo/detmath.h"

namespace demo {

namespace {

// Pixels less opaque than this are written as transparent black. The player
// ignores alpha, so a soft edge would otherwise show at full strength; with
// the cut, the outline other viewers see matches the one the player draws.
constexpr double kAlphaCut = 0.35;

std::uint8_t To8(double v) { return static_cast<std::uint8_t>(std::floor(Clamp(v, 0.0, 1.0) * 255.0 + 0.5)); }
std::uint16_t To16(double v) { return static_cast<std::uint16_t>(std::floor(Clamp(v, 0.0, 1.0) * 65535.0 + 0.5)); }

// True when an 8-bit colour would become 0 in every channel of RGB565.
bool DarkIn565(unsigned r, unsigned g, unsigned b) { return r < 8 && g < 4 && b < 8; }

constexpr Rgba8 kNearBlack{8, 8, 12, 255};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) throw std::runtime_error("cannot write " + path);
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

using Rows = std::vector<std::vector<std::uint8_t>>;

// The common part of every PNG writer: the rows are already packed in the
// file's colour type and bit depth.
void WritePngRows(const std::string& path, int width, int height, int colorType, int bitDepth, bool interlaced,
                  const Rows& rows, const std::vector<PaletteEntry>& palette, const std::vector<std::uint8_t>& trns) {
    std::vector<png_bytep> rowPointers;
    for (const auto& row : rows) rowPointers.push_back(const_cast<png_bytep>(row.data()));
    std::vector<png_color> plte;
    for (const auto& e : palette) plte.push_back(png_color{e.r, e.g, e.b});
    std::vector<png_byte> alpha(trns.begin(), trns.end());

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw std::runtime_error("libpng cannot start writing " + path);
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw std::runtime_error("libpng failed on " + path);
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!plte.empty()) png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
    if (!alpha.empty()) png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
    png_set_rows(png, info, rowPointers.data());
    // png_write_png runs the seven passes itself for an interlaced image.
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + path);
}

void CheckPackedDepth(int bitDepth, std::initializer_list<int> allowed, const char* what) {
    for (int d : allowed) {
        if (d == bitDepth) return;
    }
    throw std::runtime_error(std::string("unsupported bit depth for ") + what);
}

}  // namespace

Color Mix(Color a, Color b, double t) {
    return Color{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Color Scale(Color c, double k) { return Color{c.r * k, c.g * k, c.b * k}; }

Image::Image(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height) {}

void Image::Blend(int x, int y, Color c, double k) {
    if (!Inside(x, y) || k <= 0.0) return;
    k = Clamp(k, 0.0, 1.0);
    Pixel& p = At(x, y);
    const double a = k + p.a * (1.0 - k);
    if (a <= 0.0) return;
    const double keep = p.a * (1.0 - k);
    p.r = (c.r * k + p.r * keep) / a;
    p.g = (c.g * k + p.g * keep) / a;
    p.b = (c.b * k + p.b * keep) / a;
    p.a = a;
}

void Image::Disc(double cx, double cy, double radius, Color c, double opacity) {
    const int x0 = static_cast<int>(std::floor(cx - radius - 1.0));
    const int x1 = static_cast<int>(std::floor(cx + radius + 1.0));
    const int y0 = static_cast<int>(std::floor(cy - radius - 1.0));
    const int y1 = static_cast<int>(std::floor(cy + radius + 1.0));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double d = std::sqrt(dx * dx + dy * dy);
            Blend(x, y, c, opacity * Clamp(radius - d + 0.5, 0.0, 1.0));
        }
    }
}

void Image::Rect(int x0, int y0, int x1, int y1, Color c, double opacity) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) Blend(x, y, c, opacity);
    }
}

Rgba8 ToRgba8(const Pixel& p) {
    if (p.a < kAlphaCut) return Rgba8{0, 0, 0, 0};
    Rgba8 out{To8(p.r), To8(p.g), To8(p.b), To8(p.a)};
    if (DarkIn565(out.r, out.g, out.b)) {
        out.r = kNearBlack.r;
        out.g = kNearBlack.g;
        out.b = kNearBlack.b;
    }
    return out;
}

void WritePngRgb(const std::string& path, const Image& image, bool interlaced) {
    Rows rows(image.Height());
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Rgba8 p = ToRgba8(image.At(x, y));
            rows[y].insert(rows[y].end(), {p.r, p.g, p.b});
        }
    }
    WritePngRows(path, image.Width(), image.Height(), PNG_COLOR_TYPE_RGB, 8, interlaced, rows, {}, {});
}

void WritePngRgba(const std::string& path, const Image& image, int bitDepth) {
    CheckPackedDepth(bitDepth, {8, 16}, "RGBA");
    Rows rows(image.Height());
    for (int y = 0; y < image.Height(); ++y) {
        auto& row = rows[y];
        for (int x = 0; x < image.Width(); ++x) {
            const Pixel& src = image.At(x, y);
            if (bitDepth == 8) {
                const Rgba8 p = ToRgba8(src);
                row.insert(row.end(), {p.r, p.g, p.b, p.a});
                continue;
            }
            // 16 bits: the player keeps the high byte of each sample.
            std::uint16_t v[4] = {0, 0, 0, 0};
            if (src.a >= kAlphaCut) {
                v[0] = To16(src.r);
                v[1] = To16(src.g);
                v[2] = To16(src.b);
                v[3] = To16(src.a);
                if (DarkIn565(v[0] >> 8, v[1] >> 8, v[2] >> 8)) {
                    v[0] = kNearBlack.r * 257;
                    v[1] = kNearBlack.g * 257;
                    v[2] = kNearBlack.b * 257;
                }
            }
            for (std::uint16_t s : v)
                row.insert(row.end(), {static_cast<std::uint8_t>(s >> 8), static_cast<std::uint8_t>(s & 0xFF)});
        }
    }
    WritePngRows(path, image.Width(), image.Height(), PNG_COLOR_TYPE_RGB_ALPHA, bitDepth, false, rows, {}, {});
}

void WritePngGray(const std::string& path, const Image& image, int bitDepth) {
    CheckPackedDepth(bitDepth, {1, 8, 16}, "gray");
    Rows rows(image.Height());
    for (int y = 0; y < image.Height(); ++y) {
        auto& row = rows[y];
        if (bitDepth == 1) row.assign(static_cast<std::size_t>((image.Width() + 7) / 8), 0);
        for (int x = 0; x < image.Width(); ++x) {
            const Pixel& src = image.At(x, y);
            const bool visible = src.a >= kAlphaCut;
            if (bitDepth == 1) {
                // One bit: a visible pixel is white, everything else black.
                if (visible) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
            } else if (bitDepth == 8) {
                std::uint8_t v = visible ? To8(src.r) : 0;
                if (visible && v < 8) v = 8;
                row.push_back(v);
            } else {
                std::uint16_t v = visible ? To16(src.r) : 0;
                if (visible && (v >> 8) < 8) v = 8 * 257;
                row.insert(row.end(), {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v & 0xFF)});
            }
        }
    }
    WritePngRows(path, image.Width(), image.Height(), PNG_COLOR_TYPE_GRAY, bitDepth, false, rows, {}, {});
}

void WritePngGrayAlpha(const std::string& path, const Image& image) {
    Rows rows(image.Height());
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Pixel& src = image.At(x, y);
            std::uint8_t v = 0;
            std::uint8_t a = 0;
            if (src.a >= kAlphaCut) {
                v = To8(src.r) < 8 ? 8 : To8(src.r);
                a = To8(src.a);
            }
            rows[y].insert(rows[y].end(), {v, a});
        }
    }
    WritePngRows(path, image.Width(), image.Height(), PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, rows, {}, {});
}

void WritePngPalette(const std::string& path, int width, int height, const std::vector<std::uint8_t>& indices,
                     const std::vector<PaletteEntry>& palette, const std::vector<std::uint8_t>& trns, int bitDepth) {
    CheckPackedDepth(bitDepth, {4, 8}, "palette");
    if (indices.size() != static_cast<std::size_t>(width) * height)
        throw std::runtime_error("palette image size mismatch: " + path);
    if (palette.size() > (1u << bitDepth) || trns.size() > palette.size())
        throw std::runtime_error("palette too large: " + path);
    Rows rows(height);
    for (int y = 0; y < height; ++y) {
        auto& row = rows[y];
        for (int x = 0; x < width; ++x) {
            const std::uint8_t index = indices[static_cast<std::size_t>(y) * width + x];
            if (index >= palette.size()) throw std::runtime_error("palette index out of range: " + path);
            if (bitDepth == 8) {
                row.push_back(index);
            } else if (x % 2 == 0) {
                row.push_back(static_cast<std::uint8_t>(index << 4));
            } else {
                row.back() = static_cast<std::uint8_t>(row.back() | index);
            }
        }
    }
    WritePngRows(path, width, height, PNG_COLOR_TYPE_PALETTE, bitDepth, false, rows, palette, trns);
}

void WriteBmp8(const std::string& path, int width, int height, const std::vector<std::uint8_t>& indices,
               const std::vector<PaletteEntry>& palette) {
    if (indices.size() != static_cast<std::size_t>(width) * height)
        throw std::runtime_error("BMP size mismatch: " + path);
    if (palette.empty() || palette.size() > 256) throw std::runtime_error("BMP palette size: " + path);
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) + 3u) & ~3u;
    const std::uint32_t pixelOffset = 14 + 40 + 4 * static_cast<std::uint32_t>(palette.size());
    const std::uint32_t fileSize = pixelOffset + stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out{'B', 'M'};
    Put32(out, fileSize);
    Put32(out, 0);
    Put32(out, pixelOffset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);  // planes
    Put16(out, 8);  // bits per pixel
    Put32(out, 0);  // BI_RGB
    Put32(out, stride * static_cast<std::uint32_t>(height));
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, static_cast<std::uint32_t>(palette.size()));
    Put32(out, 0);
    for (const auto& e : palette) out.insert(out.end(), {e.b, e.g, e.r, 0});
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t index = indices[static_cast<std::size_t>(y) * width + x];
            if (index >= palette.size()) throw std::runtime_error("BMP index out of range: " + path);
            out.push_back(index);
        }
        out.resize(out.size() + (stride - static_cast<std::uint32_t>(width)), 0);
    }
    WriteFile(path, out);
}

void WriteBmp24(const std::string& path, const Image& image) {
    const int width = image.Width();
    const int height = image.Height();
    const std::uint32_t stride = (3u * static_cast<std::uint32_t>(width) + 3u) & ~3u;
    const std::uint32_t pixelOffset = 14 + 40;
    std::vector<std::uint8_t> out{'B', 'M'};
    Put32(out, pixelOffset + stride * static_cast<std::uint32_t>(height));
    Put32(out, 0);
    Put32(out, pixelOffset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, stride * static_cast<std::uint32_t>(height));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < width; ++x) {
            const Rgba8 p = ToRgba8(image.At(x, y));
            out.insert(out.end(), {p.b, p.g, p.r});
        }
        out.resize(rowStart + stride, 0);
    }
    WriteFile(path, out);
}

}  // namespace demo
