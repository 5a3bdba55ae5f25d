// Writes the crafted seeds of every fuzz target: small valid images and
// sounds of every kind the player reads, the sprite target's set-up byte in
// front of a few of them, and short scripts that use every command on the
// script target's assets, and small zip presentations.  make_corpus.sh adds the demo's files.
//
// Usage: rodazaro-fuzz-seeds OUT_DIR   (writes OUT_DIR/<target>/<name>)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/zip_writer.h"
#include "samples.h"

namespace {

namespace fs = std::filesystem;
using fuzz_samples::Bytes;

fs::path gOut;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    if (bytes.empty()) {
        std::fprintf(stderr, "rodazaro-fuzz-seeds: %s/%s could not be made\n", target.c_str(), name.c_str());
        std::exit(1);
    }
    fs::create_directories(gOut / target);
    std::ofstream out(gOut / target / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "rodazaro-fuzz-seeds: cannot write %s/%s\n", target.c_str(), name.c_str());
        std::exit(1);
    }
}

void WriteText(const std::string& target, const std::string& name, const std::string& text) {
    Write(target, name, Bytes(text.begin(), text.end()));
}

struct PngKind {
    int colourType;
    int bitDepth;
};

// Every colour type with every bit depth it allows.
const PngKind kPngKinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                             {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

void Images() {
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        const std::string b = std::to_string(bits);
        Write("bmp", "bits" + b + "_5x3.bmp", fuzz_samples::Bmp(5, 3, bits));
        Write("bmp", "bits" + b + "_1x1.bmp", fuzz_samples::Bmp(1, 1, bits));
        Write("bmp", "bits" + b + "_9x4.bmp", fuzz_samples::Bmp(9, 4, bits, 2));
    }
    Write("bmp", "bits8_full_table.bmp", fuzz_samples::Bmp(17, 2, 8, 256));

    for (const PngKind& kind : kPngKinds) {
        const std::string name = "type" + std::to_string(kind.colourType) + "_depth" + std::to_string(kind.bitDepth);
        Write("png", name + ".png", fuzz_samples::Png(5, 3, kind.colourType, kind.bitDepth, false));
        Write("png", name + "_interlaced.png", fuzz_samples::Png(9, 9, kind.colourType, kind.bitDepth, true));
        if (kind.colourType != 4 && kind.colourType != 6) {
            Write("png", name + "_trns.png", fuzz_samples::Png(3, 2, kind.colourType, kind.bitDepth, false, true));
        }
    }
    Write("png", "one_pixel.png", fuzz_samples::Png(1, 1, 2, 8, false));
}

void Sprites() {
    // The set-up byte cycles through screens, modes and placements.
    // clang-format off
    const std::vector<Bytes> images = {
        fuzz_samples::Bmp(5, 3, 24), fuzz_samples::Bmp(5, 3, 16),    fuzz_samples::Bmp(5, 3, 32),
        fuzz_samples::Bmp(7, 2, 8),  fuzz_samples::Bmp(3, 3, 4),     fuzz_samples::Bmp(9, 2, 1),
        fuzz_samples::Png(6, 4, 2, 8, false), fuzz_samples::Png(5, 5, 3, 4, true, true),
        fuzz_samples::Png(4, 3, 0, 16, false), fuzz_samples::Png(70, 40, 6, 8, false),
    };
    // clang-format on
    int n = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        for (int k = 0; k < 3; ++k, ++n) {
            const auto setUp = static_cast<std::uint8_t>((n * 7 + k * 13) & 0x3F);
            Bytes seed{setUp};
            seed.insert(seed.end(), images[i].begin(), images[i].end());
            Write("sprite", "image" + std::to_string(i) + "_" + std::to_string(setUp), seed);
        }
    }
}

void Sounds() {
    Write("wav", "mono8.wav", fuzz_samples::Wav(1, 8000, 8, 50));
    Write("wav", "stereo16.wav", fuzz_samples::Wav(2, 22050, 16, 40));
    Write("wav", "mono16_list.wav", fuzz_samples::Wav(1, 11025, 16, 31, true));
    Write("wav", "stereo8_list.wav", fuzz_samples::Wav(2, 44100, 8, 9, true));

    Write("ogg", "mono.ogg", fuzz_samples::Ogg(1, 8000, 600));
    Write("ogg", "stereo.ogg", fuzz_samples::Ogg(2, 11025, 900));
    Write("ogg", "three.ogg", fuzz_samples::Ogg(3, 8000, 300, 0.5f));
    Write("ogg", "headers_only.ogg", fuzz_samples::Ogg(1, 22050, 0));
    // Two streams one after the other: a chained file.
    Bytes chained = fuzz_samples::Ogg(1, 8000, 200);
    const Bytes second = fuzz_samples::Ogg(2, 16000, 200, 0.8f);
    chained.insert(chained.end(), second.begin(), second.end());
    Write("ogg", "chained.ogg", chained);
}

// Scripts for the script target; the names are the assets it makes.
void Scripts() {
    WriteText("script", "every_command.kel",
              "Every command\n"
              "LSND 0 a.wav\n"
              "LSND 1 A.OGG\n"
              "LGFX 00 a.png\n"
              "LGFX 01 b.png\n"
              "LGFX 02 a.bmp\n"
              "LBMP 03 b.bmp\n"
              "LBMP 04 a.png\n"
              "STCK\n"
              "SGFX 00 0.000 0.000\n"
              "SGFX 01 -.500 0.250\n"
              "SGFX 02 0.900 -.900\n"
              "MGFX 01 0.0001 -.0002\n"
              "ZGFX 00 0.0010\n"
              "AGFX 00 128\n"
              "EGFX 00 05\n"
              "SBMP 03 0.500 -.500\n"
              "SBMP 04 -1.00 1.000\n"
              "PSND 0\n"
              "PSND 1\n"
              "WFOR 5\n"
              "DGFX 01\n"
              "WAIT 20\n"
              "quit\n");
    WriteText("script", "crlf_and_case.kel",
              "Line ends\r\n"
              "lgfx 00 A.Png\r\n"
              "sgfx 00 0.100 0.100\r"
              "stck\r\n"
              "mgfx 00 -2.E-5 0.0000\r\n"
              "wfor 3\r\n"
              "Lbmp 01 ..\\gfx\\B.BMP\r\n"
              "sbmp 01 -0.99 -0.99\r\n");
    WriteText("script", "slots_and_numbers.kel",
              "Slots\n"
              "LGFX -1 a.png\n"
              "LGFX 99 a.png\n"
              "LGFX 00 missing.png\n"
              "SGFX 99 0.000 0.000\n"
              "LBMP 1x b.bmp\n"
              "SBMP 1x 9.999 -9.99\n"
              "EGFX 99 -1\n"
              "AGFX 00 999\n"
              "ZGFX 00 1e+38\n"
              "MGFX 00 1e+38 -1e+38\n"
              "PSND 9\n"
              "LSND 9 b.wav\n"
              "WAIT 4294967295\n"
              "WFOR -2147483648\n"
              "QUIT\n");
    WriteText("script", "reload.kel",
              "Reload\n"
              "LGFX 00 a.png\n"
              "SGFX 00 0.000 0.000\n"
              "ZGFX 00 0.0500\n"
              "LBMP 00 a.bmp\n"
              "SBMP 00 0.000 0.000\n"
              "LGFX 00 b.png\n"
              "SGFX 00 0.000 0.000\n"
              "LSND 0 a.ogg\n"
              "PSND 0\n"
              "LSND 0 a.wav\n"
              "PSND 0\n"
              "STCK\n"
              "WAIT 10\n"
              "DGFX 00\n");
    WriteText("script", "title_only.kel", "Just a title");
}

}  // namespace

void Archives() {
    using rodazaro_test::BuildZip;
    using rodazaro_test::ZipEntry;
    const std::string script = "Title\r\nLGFX 00 a.png\r\nLSND 0 a.wav\r\nQUIT\r\n";
    const Bytes image = fuzz_samples::Png(5, 3, 2, 8, false);
    const std::string png(image.begin(), image.end());
    const struct {
        const char* name;
        std::vector<ZipEntry> entries;
    } zips[] = {
        {"plain.zip", {ZipEntry("data/vuze.kel", script, false), ZipEntry("data/gfx/a.png", png, false)}},
        {"deflated.zip", {ZipEntry("data/vuze.kel", script), ZipEntry("data/gfx/A.PNG", png)}},
        {"top_folder.zip", {ZipEntry("Show/data/vuze.kel", script), ZipEntry("Show/data/sound/a.wav", "RIFF")}},
        {"data_folder.zip", {ZipEntry("vuze.kel", script), ZipEntry("gfx/a.png", png)}},
        {"backslashes.zip", {ZipEntry("data\\vuze.kel", script)}},
    };
    for (const auto& zip : zips) {
        const std::string bytes = BuildZip(zip.entries);
        Write("zip", zip.name, Bytes(bytes.begin(), bytes.end()));
    }
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: rodazaro-fuzz-seeds OUT_DIR\n");
        return 2;
    }
    gOut = argv[1];
    Images();
    Sprites();
    Sounds();
    Scripts();
    Archives();
    return 0;
}
