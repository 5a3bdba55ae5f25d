// The pictures of the show, drawn from code.
#include <cmath>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

#include "tools/make_demo/detmath.h"
#include "tools/make_demo/font.h"
#include "tools/make_demo/raster.h"
#include "tools/make_demo/show.h"

namespace demo {

namespace {

Color Rgb(int r, int g, int b) { return Color{r / 255.0, g / 255.0, b / 255.0}; }

std::uint8_t To8Channel(double v) { return static_cast<std::uint8_t>(std::floor(Clamp(v, 0.0, 1.0) * 255.0 + 0.5)); }

// Colour at t (0..1) along evenly spaced stops.
Color Gradient(const std::vector<Color>& stops, double t) {
    t = Clamp(t, 0.0, 1.0) * static_cast<double>(stops.size() - 1);
    const auto i = static_cast<std::size_t>(std::floor(t));
    if (i + 1 >= stops.size()) return stops.back();
    return Mix(stops[i], stops[i + 1], t - static_cast<double>(i));
}

// Any lit mask pixel within a disc of radius r around (x, y).
bool NearLit(const TextMask& mask, int x, int y, int r) {
    for (int dy = -r; dy <= r; ++dy) {
        for (int dx = -r; dx <= r; ++dx) {
            if (dx * dx + dy * dy <= r * r + r && mask.Lit(x + dx, y + dy)) return true;
        }
    }
    return false;
}

// --- starfields ------------------------------------------------------------

// Far stars, 8-bit gray: many small stars of every brightness, denser along a
// band across the sky. Large enough to drift without baring an edge.
Size2 FarStars(const std::string& path) {
    Image image(1536, 864);
    Random random(0x57A25u);
    auto star = [&](double x, double y, double brightness) {
        if (brightness > 0.8 && random.Unit() < 0.35) {
            image.Disc(x, y, 1.3, Color{brightness, brightness, brightness});
        } else {
            image.Blend(static_cast<int>(x), static_cast<int>(y), Color{brightness, brightness, brightness}, 1.0);
        }
    };
    for (int i = 0; i < 1500; ++i) {
        const double u = random.Unit();
        star(random.Range(0, image.Width()), random.Range(0, image.Height()), 0.22 + 0.78 * u * u * u);
    }
    // The band: a gentle diagonal, stars scattered about it.
    for (int i = 0; i < 2200; ++i) {
        const double x = random.Range(0, image.Width());
        const double spread = (random.Unit() + random.Unit() + random.Unit() - 1.5) * 120.0;
        const double y = 180.0 + x * 0.32 + spread;
        star(x, y, 0.16 + 0.3 * random.Unit());
    }
    WritePngGray(path, image, 8);
    return Size2{image.Width(), image.Height()};
}

// Near stars, 1-bit gray: fewer, bright, some as small crosses.
Size2 NearStars(const std::string& path) {
    Image image(2048, 896);
    Random random(0x57A26u);
    const Color white{1.0, 1.0, 1.0};
    for (int i = 0; i < 520; ++i) {
        const int x = random.Below(image.Width());
        const int y = random.Below(image.Height());
        image.Blend(x, y, white, 1.0);
        if (random.Unit() < 0.18) {
            image.Blend(x - 1, y, white, 1.0);
            image.Blend(x + 1, y, white, 1.0);
            image.Blend(x, y - 1, white, 1.0);
            image.Blend(x, y + 1, white, 1.0);
        }
    }
    WritePngGray(path, image, 1);
    return Size2{image.Width(), image.Height()};
}

// --- the harbour -------------------------------------------------------------

// Night sky, RGB: deep blue above, violet haze towards the horizon, a few
// thin moonlit clouds.
Size2 Sky(const std::string& path) {
    Image image(kRefWidth, kRefHeight);
    const std::vector<Color> stops = {Rgb(4, 6, 24),   Rgb(10, 14, 44),  Rgb(18, 22, 66),
                                      Rgb(34, 30, 84), Rgb(70, 46, 104), Rgb(112, 66, 104)};
    struct Cloud {
        double x, y, rx, ry, strength;
    };
    const Cloud clouds[] = {{250, 210, 260, 14, 0.22},
                            {700, 150, 300, 11, 0.18},
                            {520, 330, 340, 16, 0.20},
                            {880, 420, 220, 12, 0.16},
                            {140, 470, 200, 10, 0.14}};
    const Color cloudColor = Rgb(150, 140, 190);
    // The wavy lower edge of each cloud, by column.
    std::vector<std::vector<double>> waves;
    for (const Cloud& c : clouds) {
        std::vector<double> wave(static_cast<std::size_t>(image.Width()));
        for (int x = 0; x < image.Width(); ++x) wave[static_cast<std::size_t>(x)] = 6.0 * Sin(x / 47.0 + c.y);
        waves.push_back(std::move(wave));
    }
    for (int y = 0; y < image.Height(); ++y) {
        // The horizon (screen row 564) is where the haze is brightest.
        const double t = y / 564.0;
        const Color base = Gradient(stops, t * t);
        for (int x = 0; x < image.Width(); ++x) {
            double cloud = 0.0;
            for (std::size_t k = 0; k < std::size(clouds); ++k) {
                const Cloud& c = clouds[k];
                const double wave = waves[k][static_cast<std::size_t>(x)];
                const double dx = (x - c.x) / c.rx;
                const double dy = (y - c.y + wave) / c.ry;
                const double d = dx * dx + dy * dy;
                cloud += c.strength * (1.0 - SmoothStep(0.0, 1.0, d));
            }
            Pixel& p = image.At(x, y);
            const Color c = Mix(base, cloudColor, Clamp(cloud, 0.0, 0.6));
            p = Pixel{c.r, c.g, c.b, 1.0};
        }
    }
    WritePngRgb(path, image, false);
    return Size2{image.Width(), image.Height()};
}

// Top row of the land at column x of the coast picture (larger is lower);
// kCoastHeight where there is no land.
double LandTop(int x) {
    // Left: the headland, a plateau that drops as a cliff into the sea.
    double left = kCoastHeight;
    if (x < 360) {
        const double plateau = kPlateauRow + 5.0 * Sin(x / 37.0) + 2.0 * Sin(x / 11.0 + 1.0);
        left = plateau + (kHorizonRow + 30.0 - plateau) * SmoothStep(335.0, 360.0, x);
    }
    // Right: rolling hills that hide the rising moon.
    double right = kCoastHeight;
    if (x > 560) {
        right = 190.0 - 78.0 * SmoothStep(560.0, 720.0, x) - 22.0 * SmoothStep(860.0, 1000.0, x) + 6.0 * Sin(x / 41.0) +
                3.0 * Sin(x / 13.0 + 2.0);
    }
    return std::fmin(left, right);
}

// Row where the land at column x meets the water (the land lies between
// LandTop and Shore; the sea fills the rest below the horizon).
double Shore(int x) {
    if (x < 372) return 232.0 + 6.0 * Sin(x / 29.0);
    if (x > 560) return 206.0 + 4.0 * Sin(x / 31.0);
    return kHorizonRow;
}

// The coast, RGB: headland, hills with a village, and the sea with the moon's
// path on it. Everything above the land and the horizon is black, so the sky
// shows through.
Size2 Coast(const std::string& path) {
    Image image(kCoastWidth, kCoastHeight);
    Random random(0xC0A57u);
    const Color land = Rgb(16, 18, 42);
    const Color rim = Rgb(70, 72, 120);
    const Color seaTop = Rgb(30, 36, 86);
    const Color seaBottom = Rgb(8, 10, 30);
    const Color glitter = Rgb(200, 190, 150);
    const Color surf = Rgb(96, 104, 150);
    const double moonColumn = kRefWidth / 2.0 + kMoonX * kRefWidth / 2.0;
    std::vector<double> landTop(static_cast<std::size_t>(image.Width()));
    for (int x = 0; x < image.Width(); ++x) landTop[static_cast<std::size_t>(x)] = LandTop(x);
    for (int y = 0; y < image.Height(); ++y) {
        const double swellPhase = 4.0 * Sin(y * 0.7);
        const double swellDepth = 0.12 * Sin(y * 1.3);
        const double seaDepth = (y - kHorizonRow) / static_cast<double>(kCoastHeight - kHorizonRow);
        // The moon's path: broken streaks, wider towards the viewer.
        const double halfWidth = 6.0 + 0.45 * (y - kHorizonRow);
        const double rowPhase = random.Range(0.0, 2.0 * kPi);
        const double rowShift = random.Range(-0.3, 0.3) * halfWidth;
        for (int x = 0; x < image.Width(); ++x) {
            const double top = landTop[static_cast<std::size_t>(x)];
            const double shore = Shore(x);
            Pixel& p = image.At(x, y);
            if (y >= top && y < shore) {
                // Land, with a moonlit edge along its top and surf at its foot.
                Color c = y < top + 2.0 ? rim : Mix(land, Rgb(8, 8, 20), (y - top) / 160.0);
                if (y >= shore - 2.0) c = surf;
                p = Pixel{c.r, c.g, c.b, 1.0};
            } else if (y >= kHorizonRow) {
                Color c = Mix(seaTop, seaBottom, seaDepth);
                // Long low swells.
                c = Scale(c, 1.0 + swellDepth * Sin(x / 23.0 + swellPhase));
                const double off = std::fabs(x - moonColumn - rowShift) / halfWidth;
                if (off < 1.0) {
                    const double dash = 0.5 + 0.5 * Sin(x / (3.0 + seaDepth * 6.0) + rowPhase);
                    c = Mix(c, glitter, (1.0 - off) * dash * (0.9 - 0.5 * seaDepth));
                }
                p = Pixel{c.r, c.g, c.b, 1.0};
            }
        }
    }
    // The village: lit windows on the hills.
    const Color window = Rgb(255, 204, 110);
    for (int i = 0; i < 14; ++i) {
        const int x = 800 + random.Below(200);
        const int y = static_cast<int>(LandTop(x)) + 8 + random.Below(40);
        image.Rect(x, y, x + 2 + random.Below(2), y + 2, window);
    }
    // A cottage window on the headland, near the lighthouse.
    image.Rect(236, kPlateauRow + 10, 239, kPlateauRow + 13, window);
    WritePngRgb(path, image, false);
    return Size2{image.Width(), image.Height()};
}

// The lighthouse, RGBA: a red and white tower lit by the moon from the right,
// a glowing lantern room and a dark dome. Its foot stands on a rock that the
// coast, drawn in front, hides.
Size2 Lighthouse(const std::string& path) {
    Image image(kTowerWidth, kTowerHeight);
    const double cx = kTowerWidth / 2.0;
    const int topRow = 70;
    for (int y = topRow; y < kTowerHeight; ++y) {
        const double t = Clamp((y - topRow) / static_cast<double>(kTowerFootRow - topRow), 0.0, 1.0);
        const double half = 9.0 + 6.0 * t + (y > kTowerFootRow ? 6.0 : 0.0);
        const bool red = ((y - topRow) / 24) % 2 == 1;
        for (int x = 0; x < kTowerWidth; ++x) {
            const double rel = (x + 0.5 - cx) / half;
            const double cover = Clamp(half - std::fabs(x + 0.5 - cx) + 0.5, 0.0, 1.0);
            if (cover <= 0.0) continue;
            Color c = y > kTowerFootRow ? Rgb(30, 30, 46) : (red ? Rgb(190, 40, 40) : Rgb(234, 230, 220));
            c = Scale(c, 0.45 + 0.55 * SmoothStep(-1.2, 1.0, rel));
            image.Blend(x, y, c, cover);
        }
    }
    // Dome and finial; the lantern room below covers the lower half of the disc.
    image.Disc(cx, 40.0, 10.0, Rgb(120, 30, 34));
    image.Rect(static_cast<int>(cx) - 1, 24, static_cast<int>(cx) + 1, 31, Rgb(60, 50, 50));
    // Gallery and rail.
    image.Rect(static_cast<int>(cx) - 13, 62, static_cast<int>(cx) + 13, 70, Rgb(40, 40, 56));
    image.Rect(static_cast<int>(cx) - 13, 58, static_cast<int>(cx) + 13, 59, Rgb(90, 90, 110));
    // Lantern room: warm glass between dark bars.
    for (int y = 40; y < 62; ++y) {
        for (int x = static_cast<int>(cx) - 8; x < static_cast<int>(cx) + 8; ++x) {
            const bool bar = (x - static_cast<int>(cx) + 8) % 5 == 0;
            image.Blend(x, y, bar ? Rgb(50, 40, 40) : Rgb(255, 222, 120), 1.0);
        }
    }
    WritePngRgba(path, image, 8);
    return Size2{image.Width(), image.Height()};
}

// A warm glow around a point; the writers drop what is fainter than the cut.
void Glow(Image& image, double cx, double cy, double radius, double beam) {
    const Color warm = Rgb(255, 226, 150);
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double d = std::sqrt(dx * dx + dy * dy) / radius;
            double g = d < 1.0 ? (1.0 - d) * (1.0 - d) * 1.4 : 0.0;
            // A short horizontal flare, the light of the lens.
            if (beam > 0.0 && std::fabs(dy) < 3.0)
                g += beam * Clamp(1.0 - std::fabs(dx) / (image.Width() / 2.0), 0.0, 1.0);
            g = Clamp(g, 0.0, 1.0);
            if (g > 0.0)
                image.At(x, y) = Pixel{warm.r * (0.45 + 0.55 * g), warm.g * (0.45 + 0.55 * g),
                                       warm.b * (0.45 + 0.55 * g), g};
        }
    }
}

// The lighthouse's beam, RGBA, the same size as the lighthouse so that both
// are placed at the same point.
Size2 Lamp(const std::string& path) {
    Image image(kTowerWidth, kTowerHeight);
    Glow(image, kTowerWidth / 2.0, kLampRow + 0.5, 30.0, 0.6);
    WritePngRgba(path, image, 8);
    return Size2{image.Width(), image.Height()};
}

// The ship's lantern light, RGBA, the same size as the ship: EGFX keeps it on
// the ship.
Size2 Lantern(const std::string& path) {
    Image image(kShipWidth, kShipHeight);
    Glow(image, kLanternX + 0.5, kLanternY + 0.5, 22.0, 0.0);
    WritePngRgba(path, image, 8);
    return Size2{image.Width(), image.Height()};
}

// The ship, 24-bit BMP: a two-masted sailing boat heading left, with lit
// portholes and a lantern at the stern.
Size2 Ship(const std::string& path) {
    Image image(kShipWidth, kShipHeight);
    // Hull: a bowl from row 84 to the waterline and a little below.
    for (int y = 84; y <= kShipWaterline + 6; ++y) {
        const double t = (y - 84) / static_cast<double>(kShipWaterline + 6 - 84);
        const double left = 36.0 + 28.0 * t * t;
        const double right = 218.0 - 18.0 * t * t;
        for (int x = static_cast<int>(left); x <= static_cast<int>(right); ++x) {
            Color c = y < 88 ? Rgb(150, 96, 60) : Rgb(78, 40, 30);
            if (y > kShipWaterline) c = Rgb(40, 24, 30);
            image.Blend(x, y, c, 1.0);
        }
    }
    for (int px : {96, 120, 144, 168}) image.Disc(px, 93.0, 2.2, Rgb(255, 210, 120));
    // Masts and sails.
    image.Rect(127, 12, 130, 86, Rgb(92, 66, 46));
    image.Rect(83, 34, 85, 86, Rgb(92, 66, 46));
    for (int y = 16; y < 80; ++y) {
        const double t = (y - 16) / 64.0;
        const int mainRight = 131 + static_cast<int>(68.0 * t);
        for (int x = 131; x < mainRight; ++x) {
            const double shade = 0.78 + 0.22 * (x - 131) / 70.0;
            image.Blend(x, y, Scale(Rgb(236, 226, 196), shade), 1.0);
        }
        if (y >= 36) {
            const double u = (y - 36) / 44.0;
            const int foreLeft = 84 - static_cast<int>(50.0 * u);
            for (int x = foreLeft; x < 83; ++x) image.Blend(x, y, Scale(Rgb(226, 214, 184), 0.8 + 0.2 * u), 1.0);
        }
    }
    image.Rect(130, 10, 142, 15, Rgb(200, 40, 40));  // pennant
    // The stern lantern on its post.
    image.Rect(kLanternX - 1, kLanternY + 2, kLanternX + 1, 86, Rgb(70, 50, 40));
    image.Disc(kLanternX + 0.5, kLanternY + 0.5, 3.0, Rgb(255, 236, 160));
    // A line of foam where the hull meets the water.
    for (int x = 60; x < 204; x += 3) image.Blend(x, kShipWaterline + 1, Rgb(170, 190, 220), 1.0);
    WriteBmp24(path, image);
    return Size2{image.Width(), image.Height()};
}

// The moon, 16-bit gray: a disc darker at its limb, with seas and craters.
Size2 Moon(const std::string& path) {
    Image image(128, 128);
    Random random(0x3003u);
    const double c = 64.0;
    const double radius = 58.0;
    struct Spot {
        double x, y, r, depth;
    };
    std::vector<Spot> spots = {{-18, -12, 20, 0.16}, {14, 8, 24, 0.13}, {-6, 26, 14, 0.12}};
    for (int i = 0; i < 16; ++i) {
        spots.push_back(Spot{random.Range(-46, 46), random.Range(-46, 46), random.Range(2.5, 7.0), 0.0});
    }
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const double dx = x + 0.5 - c;
            const double dy = y + 0.5 - c;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double cover = Clamp(radius - d + 0.5, 0.0, 1.0);
            if (cover <= 0.0) continue;
            const double z = std::sqrt(std::fmax(0.0, 1.0 - (d / radius) * (d / radius)));
            double v = 0.86 * (0.6 + 0.4 * z);
            for (const Spot& s : spots) {
                const double e = std::sqrt((dx - s.x) * (dx - s.x) + (dy - s.y) * (dy - s.y)) / s.r;
                if (s.depth > 0.0) {
                    v *= 1.0 - s.depth * (1.0 - SmoothStep(0.6, 1.0, e));
                } else if (e < 1.0) {
                    v *= 0.84 + 0.1 * e;  // crater floor
                } else if (e < 1.3 && dx - s.x < 0.0) {
                    v *= 1.08;  // rim catching the light
                }
            }
            image.Blend(x, y, Color{v, v, v}, cover);
        }
    }
    WritePngGray(path, image, 16);
    return Size2{image.Width(), image.Height()};
}

// --- deep sky ----------------------------------------------------------------

// A ringed planet, interlaced RGB: banded clouds lit from the upper left, the
// ring passing in front of the disc below and behind it above.
Size2 Planet(const std::string& path) {
    Image image(512, 512);
    const double c = 256.0;
    const double radius = 150.0;
    const double tilt = -0.35;
    const double ringInner = 182.0;
    const double ringOuter = 246.0;
    const double flatten = 0.27;  // how thin the ring looks
    const double lx = -0.55, ly = -0.5, lz = 0.67;
    const std::vector<Color> bands = {Rgb(238, 218, 170), Rgb(204, 152, 102), Rgb(168, 92, 62),
                                      Rgb(222, 190, 140), Rgb(140, 178, 184), Rgb(236, 206, 150)};
    const double ct = Cos(tilt);
    const double st = Sin(tilt);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            const double dx = x + 0.5 - c;
            const double dy = y + 0.5 - c;
            // Coordinates along (u) and across (w) the ring plane.
            const double u = dx * ct + dy * st;
            const double w = -dx * st + dy * ct;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double planetCover = Clamp(radius - d + 0.5, 0.0, 1.0);
            const double rr = std::sqrt(u * u + (w / flatten) * (w / flatten));
            double ringCover = Clamp(rr - ringInner + 0.5, 0.0, 1.0) * Clamp(ringOuter - rr + 0.5, 0.0, 1.0);
            const double ringT = (rr - ringInner) / (ringOuter - ringInner);
            // A dark gap in the ring and finer grooves.
            ringCover *= 1.0 - 0.9 * (1.0 - SmoothStep(0.0, 0.03, std::fabs(ringT - 0.62)));
            const Color ringColor = Scale(Mix(Rgb(210, 196, 170), Rgb(150, 130, 110), ringT),
                                          0.88 + 0.12 * Sin(rr * 0.45));
            Color planetColor;
            if (planetCover > 0.0) {
                const double nx = dx / radius, ny = dy / radius;
                const double nz = std::sqrt(std::fmax(0.0, 1.0 - nx * nx - ny * ny));
                const double light = Clamp(nx * lx + ny * ly + nz * lz, 0.0, 1.0);
                const double lat = w / radius + 0.025 * Sin(u / 23.0) + 0.012 * Sin(u / 7.3 + w / 11.0);
                const Color band = Gradient(bands, 0.5 + 0.5 * Sin(lat * 6.0));
                planetColor = Scale(band, 0.06 + 0.94 * light * (0.75 + 0.25 * nz));
            }
            // Front half of the ring (w > 0) covers the planet; the back half is behind it.
            if (ringCover > 0.0 && w > 0.0) {
                image.Blend(x, y, planetColor, planetCover);
                image.Blend(x, y, ringColor, ringCover);
            } else {
                image.Blend(x, y, ringColor, ringCover * (1.0 - planetCover));
                image.Blend(x, y, planetColor, planetCover);
            }
        }
    }
    WritePngRgb(path, image, true);
    return Size2{image.Width(), image.Height()};
}

// The comet, 16-bit RGBA: a bright head and a tail streaming back along its
// flight, widening as it fades.
Size2 Comet(const std::string& path) {
    Image image(256, 128);
    const double headX = 200.0, headY = 88.0;
    // The direction of flight on the reference screen.
    const double vx = kCometDx * kRefWidth / 2.0;
    const double vy = kCometDy * kRefHeight / 2.0;
    const double len = std::sqrt(vx * vx + vy * vy);
    const double fx = vx / len, fy = vy / len;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 256; ++x) {
            const double px = x + 0.5 - headX;
            const double py = y + 0.5 - headY;
            const double back = -(px * fx + py * fy);  // distance behind the head
            const double side = std::fabs(px * fy - py * fx);
            const double d = std::sqrt(px * px + py * py);
            double tail = 0.0;
            if (back > 0.0) {
                const double width = 2.0 + back * 0.08;
                tail = Exp(-back / 75.0) * Exp(-(side / width) * (side / width));
            }
            const double head = Exp(-(d / 5.0) * (d / 5.0)) + 0.45 * Exp(-d / 12.0);
            const double i = Clamp(std::fmax(tail, head), 0.0, 1.0);
            if (i <= 0.0) continue;
            // The player draws the colour as it is, so the colour itself fades
            // along the tail; alpha only marks where the comet ends.
            const Color color = Scale(Mix(Rgb(70, 150, 255), Rgb(235, 246, 255), Clamp(head * 1.5, 0.0, 1.0)),
                                      std::sqrt(i));
            image.At(x, y) = Pixel{color.r, color.g, color.b, Clamp(i * 3.0, 0.0, 1.0)};
        }
    }
    WritePngRgba(path, image, 16);
    return Size2{image.Width(), image.Height()};
}

// --- lettering ---------------------------------------------------------------

// How a palette caption lays its letters out: MARGIN clear pixels around
// them, a dark outline of palette index 1 reaching OUTLINE pixels from them,
// and under that a shadow of the outline's shape, SHADOW_INDEX, DROP pixels
// right and down (the picture is DROP pixels wider and taller for it).
struct Lettering {
    int margin;
    int outline;
    int drop;
    std::uint8_t shadow_index;
};

// Writes the letters of MASK as a palette PNG of BITS bits a pixel, laid
// out by LOOK; letter_index(mx, my) gives the index of each lit pixel of
// the mask.  Index 0 is the clear background.
template <typename LetterIndex>
Size2 WriteLettering(const std::string& path, const TextMask& mask, const Lettering& look,
                     const std::vector<PaletteEntry>& palette, const std::vector<std::uint8_t>& trns, int bits,
                     LetterIndex letter_index) {
    const int width = mask.Width() + 2 * look.margin + look.drop;
    const int height = mask.Height() + 2 * look.margin + look.drop;
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int mx = x - look.margin;
            const int my = y - look.margin;
            std::uint8_t index = 0;
            if (NearLit(mask, mx - look.drop, my - look.drop, look.outline)) index = look.shadow_index;
            if (NearLit(mask, mx, my, look.outline)) index = 1;
            if (mask.Lit(mx, my)) index = letter_index(mx, my);
            indices[static_cast<std::size_t>(y) * width + x] = index;
        }
    }
    WritePngPalette(path, width, height, indices, palette, trns, bits);
    return Size2{width, height};
}

// The show's title, 4-bit palette with tRNS: golden block letters with a dark
// outline and a soft shadow.
Size2 Title(const std::string& path, const std::string& text) {
    const TextMask mask(text, 5);
    std::vector<PaletteEntry> palette = {{0, 0, 0}, {14, 14, 46}};
    for (int i = 0; i < 12; ++i) {
        const Color c = Mix(Rgb(255, 244, 190), Rgb(214, 120, 36), i / 11.0);
        palette.push_back(PaletteEntry{To8Channel(c.r), To8Channel(c.g), To8Channel(c.b)});
    }
    palette.push_back(PaletteEntry{255, 255, 236});  // 14: highlight
    palette.push_back(PaletteEntry{30, 16, 60});     // 15: shadow
    // Index 0 is transparent, the shadow half transparent, the rest opaque.
    std::vector<std::uint8_t> trns(16, 255);
    trns[0] = 0;
    trns[15] = 110;
    return WriteLettering(path, mask, Lettering{6, 2, 3, 15}, palette, trns, 4, [&mask](int mx, int my) {
        if (!mask.Lit(mx, my - 1)) return std::uint8_t{14};
        return static_cast<std::uint8_t>(2 + (my * 12) / mask.Height());
    });
}

// The closing words, 8-bit palette with tRNS: block letters shading from cyan
// to violet across and darker downwards.
Size2 Thanks(const std::string& path, const std::string& text) {
    const TextMask mask(text, 4);
    std::vector<PaletteEntry> palette = {{0, 0, 0}, {10, 20, 44}, {6, 6, 22}};
    for (int hx = 0; hx < 8; ++hx) {
        for (int vy = 0; vy < 8; ++vy) {
            const Color c = Scale(Mix(Rgb(100, 226, 255), Rgb(206, 130, 255), hx / 7.0), 1.0 - 0.28 * vy / 7.0);
            palette.push_back(PaletteEntry{To8Channel(c.r), To8Channel(c.g), To8Channel(c.b)});
        }
    }
    const std::vector<std::uint8_t> trns = {0, 255, 120};
    return WriteLettering(path, mask, Lettering{5, 1, 2, 2}, palette, trns, 8, [&mask](int mx, int my) {
        const int hx = mx * 8 / mask.Width();
        const int vy = my * 8 / mask.Height();
        return static_cast<std::uint8_t>(3 + hx * 8 + vy);
    });
}

// The subtitle, gray with alpha: silver letters with a thin dark outline.
Size2 Subtitle(const std::string& path, const std::string& text) {
    const TextMask mask(text, 3);
    const int margin = 4;
    Image image(mask.Width() + 2 * margin, mask.Height() + 2 * margin);
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const int mx = x - margin;
            const int my = y - margin;
            if (mask.Lit(mx, my)) {
                const double v = 0.96 - 0.25 * my / mask.Height();
                image.At(x, y) = Pixel{v, v, v, 1.0};
            } else if (NearLit(mask, mx, my, 1)) {
                image.At(x, y) = Pixel{0.1, 0.1, 0.1, 0.7};
            }
        }
    }
    WritePngGrayAlpha(path, image);
    return Size2{image.Width(), image.Height()};
}

// A caption card, 8-bit BMP, drawn as a plain (opaque) sprite: a framed blue
// panel with the words in warm white, 6 pixels or more around them. Its
// width is 2 more than a multiple of 4, so that every row of the file
// carries two bytes of padding; no wider than kMaxCaptionWidth, to stand
// whole on the smallest screen.
constexpr int kMaxCaptionWidth = 320;

Size2 Caption(const std::string& path, const std::string& text) {
    const TextMask mask(text, 3);
    const int width = (mask.Width() + 12 + 1) / 4 * 4 + 2;
    const int height = 42;
    if (width > kMaxCaptionWidth) throw std::runtime_error("caption too long: " + text);
    std::vector<PaletteEntry> palette;
    for (int i = 0; i < 24; ++i) {
        const Color c = Mix(Rgb(30, 40, 100), Rgb(10, 14, 46), i / 23.0);
        palette.push_back(PaletteEntry{To8Channel(c.r), To8Channel(c.g), To8Channel(c.b)});
    }
    palette.push_back(PaletteEntry{170, 190, 240});  // 24: frame
    palette.push_back(PaletteEntry{6, 8, 24});       // 25: inner frame
    palette.push_back(PaletteEntry{255, 236, 170});  // 26: letters
    palette.push_back(PaletteEntry{4, 6, 20});       // 27: letter shadow
    const int left = (width - mask.Width()) / 2;
    const int top = (height - mask.Height()) / 2;
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t index = static_cast<std::uint8_t>(y * 24 / height);
            if (x == 0 || y == 0 || x == width - 1 || y == height - 1) {
                index = 24;
            } else if (x == 1 || y == 1 || x == width - 2 || y == height - 2) {
                index = 25;
            } else if (mask.Lit(x - left, y - top)) {
                index = 26;
            } else if (mask.Lit(x - left - 2, y - top - 2)) {
                index = 27;
            }
            indices[static_cast<std::size_t>(y) * width + x] = index;
        }
    }
    WriteBmp8(path, width, height, indices, palette);
    return Size2{width, height};
}

}  // namespace

double NormalisedY(int screenRow, int row, int height) {
    const double centre = screenRow - row + height / 2.0;
    return (centre - kRefHeight / 2.0) / (kRefHeight / 2.0);
}

std::map<std::string, Size2> MakePictures(const std::string& gfxDir, std::vector<AssetInfo>& written) {
    std::map<std::string, Size2> sizes;
    auto made = [&](const std::string& file, const std::string& kind, Size2 size) {
        sizes[file] = size;
        written.push_back(
            AssetInfo{"gfx/" + file, kind + ", " + std::to_string(size.width) + "x" + std::to_string(size.height)});
    };
    const std::string dir = gfxDir + "/";
    made("stars_far.png", "PNG, 8-bit gray", FarStars(dir + "stars_far.png"));
    made("stars_near.png", "PNG, 1-bit gray", NearStars(dir + "stars_near.png"));
    made("sky.png", "PNG, 8-bit RGB", Sky(dir + "sky.png"));
    made("moon.png", "PNG, 16-bit gray", Moon(dir + "moon.png"));
    made("lighthouse.png", "PNG, 8-bit RGBA", Lighthouse(dir + "lighthouse.png"));
    made("lamp.png", "PNG, 8-bit RGBA", Lamp(dir + "lamp.png"));
    made("coast.png", "PNG, 8-bit RGB", Coast(dir + "coast.png"));
    made("ship.bmp", "BMP, 24-bit", Ship(dir + "ship.bmp"));
    made("lantern.png", "PNG, 8-bit RGBA", Lantern(dir + "lantern.png"));
    made("planet.png", "PNG, 8-bit RGB, Adam7 interlaced", Planet(dir + "planet.png"));
    made("comet.png", "PNG, 16-bit RGBA", Comet(dir + "comet.png"));
    made("title.png", "PNG, 4-bit palette with tRNS", Title(dir + "title.png", "STARLIGHT HARBOUR"));
    made("subtitle.png", "PNG, 8-bit gray with alpha", Subtitle(dir + "subtitle.png", "A SHOW IN FOUR SCENES"));
    made("thanks.png", "PNG, 8-bit palette with tRNS", Thanks(dir + "thanks.png", "THANK YOU FOR WATCHING"));
    made("caption1.bmp", "BMP, 8-bit palette", Caption(dir + "caption1.bmp", "HARBOUR AT NIGHT"));
    made("caption2.bmp", "BMP, 8-bit palette", Caption(dir + "caption2.bmp", "INTO THE DEEP SKY"));
    return sizes;
}

}  // namespace demo
