// rodazaro-bench: the player's own loading, drawing and turns against bare
// library code doing the same work, in one run, on files it makes itself.
//
// The player runs as the render tool runs it: its own start-up, turns and
// loaders on SDL's dummy video driver with the software renderer, a
// capturing sound device and a virtual clock on which each turn is one
// frame of a 60 Hz display.  Real time is measured with a steady clock.
// Every figure is the median of several runs.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/bare.h"
#include "bench/bare_sdl.h"
#include "bench/media.h"
#include "platform/sdl/sound_device.h"
#include "player/player.h"
#include "player/player_state.h"
#include "player/scene.h"
#include "screen/screen.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "sound/sound.h"
#include "tools/render/virtual_clock.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

template <typename Work>
double TimeOf(Work&& work) {
    const Clock::time_point began = Clock::now();
    work();
    return Milliseconds(Clock::now() - began);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

// How much work each figure does: a full run, or --smoke.
struct Settings {
    int runs;                     // runs of which the median is taken
    std::vector<int> photoSizes;  // widths of the photos (4:3)
    double soundSeconds;
    int tileWidth;  // the scene's picture (4:3)
    int sceneFrames;
    int emptyTurns;
    int slideWidth;  // the picture loaded every second (4:3)
    int slideSeconds;
    int slideRuns;  // the slide show runs in real time
};

const Settings kFull{11, {1024, 800, 640, 320}, 30.0, 128, 40, 300, 1024, 6, 3};
const Settings kSmoke{1, {64}, 1.0, 32, 2, 5, 320, 2, 1};

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kSoundRate = 44100;

struct Figure {
    std::string name;
    double ours;  // ms
    double bare;  // ms
    double Ratio() const { return bare > 0.0 ? ours / bare : 0.0; }
};

// The player started on data/vuze.kel of the current folder with its
// screen open at kScreenWidth x kScreenHeight x depth; shut down on
// destruction.
class PlayerSession {
public:
    PlayerSession(const std::string& script, int depth) {
        bench::WriteFile("data/vuze.kel", bench::Bytes(script.begin(), script.end()));
        render::StartVirtualClock({0, 60.0});
        render::SetPauseHook([this] { render::ReachFrame(++frames_); });
        platform::sdl::UseCapturingSoundDevice(48000);
        player::StartUp();
        player::gPlayer.screenWidth = kScreenWidth;
        player::gPlayer.screenHeight = kScreenHeight;
        Check(screen::OpenScreen(kScreenWidth, kScreenHeight, static_cast<std::int16_t>(depth),
                                 player::gPlayer.programTitle) != 0,
              "the player's screen did not open");
        player::gPlayer.screenOpen = 1;
    }
    ~PlayerSession() {
        try {
            player::Shutdown();
        } catch (const render::ProgramEnded&) {
        }
        render::SetPauseHook({});
    }
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    // One main-loop turn; its real time in ms.
    double Turn() {
        return TimeOf([] { player::RunTurn(); });
    }
    // One turn, then a wait until the real time since `start` catches up
    // with the virtual clock, as on a display: the show runs at its own
    // speed, and whatever works beside the main thread gets the time it
    // would have between the turns.
    double PacedTurn(std::chrono::steady_clock::time_point start) {
        const double took = Turn();
        std::this_thread::sleep_until(start + std::chrono::microseconds(frames_ * 1000000 / 60));
        return took;
    }
    // Turns until the script has read line number `line`.
    void RunUpTo(int line) {
        for (int turn = 0; player::gPlayer.scriptLine < line; ++turn) {
            Check(turn < line + 100, "the script never reached line " + std::to_string(line));
            Turn();
        }
    }

private:
    std::uint64_t frames_ = 0;
};

std::string GfxPath(const std::string& name) { return "data\\gfx\\" + name; }
std::string SoundPath(const std::string& name) { return "data\\sound\\" + name; }

// The photos as PNG and BMP files: photo0.png, photo0.bmp, ...
std::vector<std::string> MakePhotos(const Settings& settings) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < settings.photoSizes.size(); ++i) {
        const int width = settings.photoSizes[i];
        const bench::Picture photo = bench::MakePhoto(width, width * 3 / 4, static_cast<unsigned>(i + 1));
        const std::string name = "photo" + std::to_string(i);
        bench::WriteFile("data/gfx/" + name + ".png", bench::EncodePng(photo));
        bench::WriteFile("data/gfx/" + name + ".bmp", bench::EncodeBmp(photo));
        names.push_back(name);
    }
    return names;
}

// LoadSprite of every photo of one format, as LGFX loads it, into a screen
// of each depth; bare: the same files through libpng or a plain BMP read.
void SpriteLoads(const Settings& settings, std::vector<Figure>& figures) {
    const std::vector<std::string> photos = MakePhotos(settings);
    for (const int depth : {16, 32}) {
        PlayerSession session("Sprites\r\n", depth);
        for (const std::string extension : {"png", "bmp"}) {
            std::vector<double> ours, bare;
            for (int run = 0; run < settings.runs; ++run) {
                double ourRun = 0.0, bareRun = 0.0;
                for (const std::string& photo : photos) {
                    const std::string file = photo + "." + extension;
                    ourRun += TimeOf([&] {
                        Check(screen::LoadSprite(1, GfxPath(file).c_str(), screen::kSpriteModeTexture) != 0,
                              "the player did not load " + file);
                    });
                    screen::FreeSprite(1);
                    bareRun += TimeOf([&] {
                        const bench::Pixels pixels = extension == "png" ? bench::BareDecodePng("data/gfx/" + file)
                                                                        : bench::BareReadBmp("data/gfx/" + file);
                        Check(!pixels.rgba.empty(), "the bare reader did not read " + file);
                    });
                }
                ours.push_back(ourRun);
                bare.push_back(bareRun);
            }
            figures.push_back(
                {"sprite load " + extension + "->" + std::to_string(depth) + "bit", Median(ours), Median(bare)});
        }
    }
}

// LoadSoundFile, as LSND loads it, of an Ogg Vorbis and a WAV file of the
// same music; bare: vorbisfile decoding the whole file, a plain WAV read.
void SoundLoads(const Settings& settings, std::vector<Figure>& figures) {
    const std::vector<float> music = bench::MakeMusic(kSoundRate, settings.soundSeconds, 3);
    bench::WriteFile("data/sound/music.ogg", bench::EncodeOgg(music, kSoundRate));
    bench::WriteFile("data/sound/music.wav", bench::EncodeWav(music, kSoundRate));
    PlayerSession session("Sounds\r\n", 32);
    for (const std::string extension : {"ogg", "wav"}) {
        const std::string file = "music." + extension;
        std::vector<double> ours, bare;
        for (int run = 0; run < settings.runs; ++run) {
            ours.push_back(TimeOf([&] {
                Check(sound::LoadSoundFile(1, SoundPath(file).c_str()) != 0, "the player did not load " + file);
            }));
            sound::FreeSound(1);
            bare.push_back(TimeOf([&] {
                const std::vector<std::int16_t> samples = extension == "ogg"
                                                              ? bench::BareDecodeOgg("data/sound/" + file)
                                                              : bench::BareReadWav("data/sound/" + file);
                Check(!samples.empty(), "the bare reader did not read " + file);
            }));
        }
        figures.push_back({"sound load " + extension, Median(ours), Median(bare)});
    }
}

// A frame of 100 3D sprites, each zoomed and half transparent, drawn by the
// player's turn (clear, scene, flip) while the script waits; bare: SDL2
// drawing the same quads with the same picture.
void SceneDraw(const Settings& settings, std::vector<Figure>& figures) {
    const int slots = player::kSceneSlots;
    bench::WriteFile("data/gfx/tile.png",
                     bench::EncodePng(bench::MakePhoto(settings.tileWidth, settings.tileWidth * 3 / 4, 9)));
    std::string script = "Scene\r\n";
    char line[32];
    for (int i = 0; i < slots; ++i) {
        std::snprintf(line, sizeof line, "LGFX %02d tile.png\r\n", i);
        script += line;
    }
    script += "WAIT 999999\r\n";

    std::vector<double> ours, bareFrames;
    std::vector<bench::Quad> quads;
    {
        PlayerSession session(script, 32);
        session.RunUpTo(slots + 2);
        // Spread over the screen, zoomed from 1 to 2 times, alpha 60 to 255.
        for (int i = 0; i < slots; ++i) {
            player::GfxSlot& slot = player::gPlayer.gfxTable[i];
            slot.mode = 1;
            slot.x = static_cast<float>(i % 10) / 5.0f - 0.9f;
            slot.y = static_cast<float>(i / 10) / 5.0f - 0.9f;
            slot.zoom = static_cast<float>(i % 5) / 4.0f;
            slot.alpha = static_cast<std::int16_t>(60 + (i * 37) % 196);
        }
        session.Turn();
        // Where the scene draws each slot: centred at x, y, (zoom + 1) times
        // the sprite's size.
        for (int i = 0; i < slots; ++i) {
            const screen::Sprite3DRecord* record = screen::LookupSprite3D(i);
            Check(record != nullptr && record->texture != nullptr, "the player made no 3D sprite of tile.png");
            const player::GfxSlot& slot = player::gPlayer.gfxTable[i];
            const double scale = static_cast<double>(slot.zoom) + 1.0;
            const std::int32_t width = player::Nearest(scale * screen::SpriteWidth(i));
            const std::int32_t height = player::Nearest(scale * screen::SpriteHeight(i));
            const std::int32_t left = player::Nearest(slot.x * kScreenWidth / 2.0 + kScreenWidth / 2.0 - width / 2.0);
            const std::int32_t top = player::Nearest(slot.y * kScreenHeight / 2.0 + kScreenHeight / 2.0 - height / 2.0);
            quads.push_back({static_cast<float>(left), static_cast<float>(top), static_cast<float>(left + width),
                             static_cast<float>(top + height), static_cast<std::uint8_t>(slot.alpha), i});
        }
        // Frame by frame in turn, so that a busy moment of the machine hits both.
        bench::BareSdl bare;
        Check(bare.Open(kScreenWidth, kScreenHeight, bench::BareDecodePng("data/gfx/tile.png"), slots),
              "bare SDL did not open");
        bare.DrawFrame(quads);
        for (int frame = 0; frame < settings.sceneFrames; ++frame) {
            ours.push_back(session.Turn());
            bareFrames.push_back(TimeOf([&] { bare.DrawFrame(quads); }));
        }
    }
    figures.push_back({"scene draw 100 slots", Median(ours), Median(bareFrames)});
}

// A turn with nothing to do but wait: key snapshot, the wait check, an
// empty frame cleared and flipped; bare: SDL2 clearing and presenting.
void EmptyTurn(const Settings& settings, std::vector<Figure>& figures) {
    std::vector<double> ours, bareFrames;
    PlayerSession session("Empty\r\nWAIT 999999\r\n", 32);
    session.RunUpTo(2);
    session.Turn();
    bench::BareSdl bare;
    Check(bare.Open(kScreenWidth, kScreenHeight, bench::Pixels{1, 1, {0, 0, 0, 255}}), "bare SDL did not open");
    bare.DrawFrame({});
    for (int turn = 0; turn < settings.emptyTurns; ++turn) {
        ours.push_back(session.Turn());
        bareFrames.push_back(TimeOf([&] { bare.DrawFrame({}); }));
    }
    figures.push_back({"empty turn", Median(ours), Median(bareFrames)});
}

// A slide show that loads a full-screen PNG every second and shows it: the
// slowest turn of the main thread after the first, and the first apart (its
// picture is named by the script's first command, before the worker could
// read ahead; the player's launcher usually gives it that time); bare:
// libpng decoding that picture.
void WorstTurn(const Settings& settings, std::vector<Figure>& figures) {
    bench::WriteFile("data/gfx/slide.png",
                     bench::EncodePng(bench::MakePhoto(settings.slideWidth, settings.slideWidth * 3 / 4, 11)));
    std::string script = "Slides\r\n";
    char line[64];
    for (int second = 1; second <= settings.slideSeconds; ++second) {
        std::snprintf(line, sizeof line, "LGFX 00 slide.png\r\nSGFX 00 0.000 0.000\r\nWAIT %d\r\n", second * 1000);
        script += line;
    }
    const int lastLine = 1 + 3 * settings.slideSeconds;
    std::vector<double> first, worst, bare;
    for (int run = 0; run < settings.slideRuns; ++run) {
        double slowest = 0.0;
        {
            PlayerSession session(script, 32);
            // Every line, then the last wait to its end, in real time.
            const auto start = std::chrono::steady_clock::now();
            for (int turn = 0; turn < 100000; ++turn) {
                if (player::gPlayer.scriptLine >= lastLine && player::gPlayer.waitUntil == 0) break;
                const double took = session.PacedTurn(start);
                if (turn == 0) {
                    first.push_back(took);
                } else {
                    slowest = std::max(slowest, took);
                }
            }
            Check(player::gPlayer.scriptLine >= lastLine, "the slide show did not end");
            Check(screen::SpriteWidth(0) == settings.slideWidth, "the player did not load slide.png");
        }
        worst.push_back(slowest);
        bare.push_back(TimeOf([] { Check(!bench::BareDecodePng("data/gfx/slide.png").rgba.empty(), "bare slide"); }));
    }
    figures.push_back({"first turn, png at once", Median(first), Median(bare)});
    figures.push_back({"worst turn, png every 1 s", Median(worst), Median(bare)});
}

std::string CpuModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos) return line.substr(colon + 2);
        }
    }
    return "unknown";
}

std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out + "\"";
}

bool WriteJson(const std::string& path, bool smoke, const std::vector<Figure>& figures) {
    std::ofstream out(path);
    out << "{\n  \"mode\": " << JsonText(smoke ? "smoke" : "full")
        << ",\n  \"cpus\": " << std::thread::hardware_concurrency() << ",\n  \"cpu\": " << JsonText(CpuModel())
        << ",\n  \"figures\": [\n";
    char line[256];
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const Figure& f = figures[i];
        std::snprintf(line, sizeof line,
                      "    {\"name\": %s, \"ours_ms\": %.6f, \"bare_ms\": %.6f, \"ratio\": %.4f}%s\n",
                      JsonText(f.name).c_str(), f.ours, f.bare, f.Ratio(), i + 1 < figures.size() ? "," : "");
        out << line;
    }
    out << "  ]\n}\n";
    return static_cast<bool>(out);
}

const char kUsage[] =
    "Usage: rodazaro-bench [--smoke] [--json FILE]\n"
    "Measures the player's picture and sound loading, drawing and turns\n"
    "against bare libpng, BMP, vorbisfile, WAV and SDL2 code doing the same\n"
    "work, on files it makes itself, headless. One line a figure: name, ours,\n"
    "bare, ours/bare; each the median of several runs.\n"
    "\n"
    "      --smoke      each figure once on small files, in a few seconds\n"
    "      --json FILE  also write the figures to FILE as JSON\n"
    "      --only GROUP measure one group: sprite, sound, scene, empty or worst\n"
    "  -h, --help       show this text and exit\n";

// The groups of figures, by the name --only takes.
using Group = void (*)(const Settings&, std::vector<Figure>&);
const std::pair<const char*, Group> kGroups[] = {
    {"sprite", SpriteLoads}, {"sound", SoundLoads}, {"scene", SceneDraw}, {"empty", EmptyTurn}, {"worst", WorstTurn},
};

// The figures, measured in a scratch folder that becomes the presentation.
std::vector<Figure> Measure(const Settings& settings, const std::string& only) {
    std::vector<Figure> figures;
    for (const auto& [name, group] : kGroups) {
        if (only.empty() || only == name) group(settings, figures);
    }
    return figures;
}

int Main(int argc, char** argv) {
    bool smoke = false;
    std::string jsonPath;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--smoke") {
            smoke = true;
        } else if (arg == "--json" && i + 1 < argc) {
            jsonPath = std::filesystem::absolute(argv[++i]).string();
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
            bool known = false;
            for (const auto& group : kGroups) known = known || only == group.first;
            if (!known) {
                std::fprintf(stderr, "rodazaro-bench: no group '%s'\n%s", only.c_str(), kUsage);
                return 2;
            }
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "rodazaro-bench: unknown argument '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::setenv("RODAZARO_RENDERER", "software", 1);

    std::string folder = (std::filesystem::temp_directory_path() / "rodazaro-bench-XXXXXX").string();
    Check(::mkdtemp(folder.data()) != nullptr, "cannot make a scratch folder");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::create_directories(folder + "/data/gfx");
    std::filesystem::create_directories(folder + "/data/sound");
    std::filesystem::current_path(folder);
    std::vector<Figure> figures;
    std::string failure;
    try {
        figures = Measure(smoke ? kSmoke : kFull, only);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
    if (!failure.empty()) {
        std::fprintf(stderr, "rodazaro-bench: %s\n", failure.c_str());
        return 1;
    }

    std::printf("%-28s %12s %12s %8s\n", "figure", "ours", "bare", "ratio");
    for (const Figure& f : figures) {
        std::printf("%-28s %9.3f ms %9.3f ms %7.2fx\n", f.name.c_str(), f.ours, f.bare, f.Ratio());
    }
    if (!jsonPath.empty() && !WriteJson(jsonPath, smoke, figures)) {
        std::fprintf(stderr, "rodazaro-bench: cannot write %s\n", jsonPath.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rodazaro-bench: %s\n", error.what());
        return 1;
    }
}
