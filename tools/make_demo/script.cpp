#include "tools/make_demo/script.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "player/commands.h"

namespace demo {

namespace {

// The characters from 1-based position p, at most n of them.
std::string Mid(const std::string& line, std::size_t p, std::size_t n) {
    if (line.size() < p) return "";
    return line.substr(p - 1, n);
}

// Everything from 1-based position p to the end.
std::string From(const std::string& line, std::size_t p) {
    if (line.size() < p) return "";
    return line.substr(p - 1);
}

// Leading spaces, an optional sign, then decimal digits up to the first other character.
int ParseInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000000000LL) {
        value = value * 10 + (text[i++] - '0');
    }
    return static_cast<int>(negative ? -value : value);
}

float ParseFloat(const std::string& text) { return static_cast<float>(std::strtod(text.c_str(), nullptr)); }

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

// A number written with leading zeros so that it fills its field: a slot
// "07", a sound "3", an alpha "064".
std::string FieldNumber(int value, const player::CommandField& field) {
    int limit = 1;
    for (int i = 0; i < field.length; ++i) limit *= 10;
    if (value < 0 || value >= limit) {
        throw std::runtime_error(std::string(field.name) + " out of range: " + std::to_string(value));
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", static_cast<int>(field.length), value);
    return buffer;
}

// The line of a command: its word, then each field's text from the field's
// column on, the columns between them filled with spaces.  A fixed-width
// field's text must fill it exactly.
std::string CommandLine(player::CommandId id, std::initializer_list<std::string> texts) {
    const player::Command& command = player::CommandOf(id);
    if (static_cast<int>(texts.size()) != command.fieldCount) {
        throw std::runtime_error(std::string(command.word) + " takes " + std::to_string(command.fieldCount) +
                                 " fields");
    }
    std::string line = command.word;
    const player::CommandField* field = command.fields;
    for (const std::string& text : texts) {
        const auto column = static_cast<std::size_t>(field->column);
        if (line.size() >= column || (field->length != 0 && text.size() != static_cast<std::size_t>(field->length))) {
            throw std::runtime_error(std::string(command.word) + ": '" + text + "' does not fit the " + field->name +
                                     " field");
        }
        line.append(column - 1 - line.size(), ' ');
        line += text;
        ++field;
    }
    return line;
}

// The texts of field `index` of a command: a number with leading zeros, a
// real in exactly the field's width.
std::string Number(player::CommandId id, int index, int value) {
    return FieldNumber(value, player::FieldOf(id, index));
}
std::string Real(player::CommandId id, int index, double value) {
    return FixedReal(value, player::FieldOf(id, index).length);
}

// What a command line must read back as.
Command Meant(player::CommandId id, int number, int other, double a = 0.0, double b = 0.0,
              const std::string& name = "") {
    return Command{player::CommandOf(id).word, number, other, static_cast<float>(a), static_cast<float>(b), name};
}

void CheckName(const std::string& name) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ') {
        throw std::runtime_error("file names must not be empty or begin or end with a space: '" + name + "'");
    }
}

// Exponent written without '+' and leading zeros: "3.0E-05" -> "3.0E-5".
std::string ShortExponent(const std::string& s) {
    const std::size_t e = s.find('E');
    if (e == std::string::npos) return s;
    std::string mantissa = s.substr(0, e);
    std::string exponent = s.substr(e + 1);
    std::string sign;
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
        if (exponent[0] == '-') sign = "-";
        exponent.erase(0, 1);
    }
    while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
    return mantissa + "E" + sign + exponent;
}

// "0.25" -> ".25", "-0.25" -> "-.25"; anything else unchanged.
std::string DropLeadingZero(const std::string& s) {
    if (s.rfind("0.", 0) == 0) return s.substr(1);
    if (s.rfind("-0.", 0) == 0) return "-" + s.substr(2);
    return s;
}

int Nearest(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

Command ParseLine(const std::string& line) {
    Command c;
    c.word = Upper(Mid(line, 1, player::kWordLength));
    const player::Command* command = nullptr;
    for (const player::Command& candidate : player::kCommands) {
        if (c.word == candidate.word) {
            command = &candidate;
            break;
        }
    }
    if (command == nullptr) {
        c.word.clear();  // not a command: the player passes over it
        return c;
    }
    bool firstReal = true;
    for (int i = 0; i < command->fieldCount; ++i) {
        const player::CommandField& field = command->fields[i];
        const std::string text = field.length == 0 ? From(line, static_cast<std::size_t>(field.column))
                                                   : Mid(line, static_cast<std::size_t>(field.column),
                                                         static_cast<std::size_t>(field.length));
        switch (field.kind) {
            case player::FieldKind::Slot:
                // The first slot is the one addressed, a second one EGFX's target.
                (i == 0 ? c.number : c.other) = ParseInt(text);
                break;
            case player::FieldKind::Sound: c.number = ParseInt(text); break;
            case player::FieldKind::Int:
            case player::FieldKind::Time: c.other = ParseInt(text); break;
            case player::FieldKind::Real:
                (firstReal ? c.a : c.b) = ParseFloat(text);
                firstReal = false;
                break;
            case player::FieldKind::Name: c.name = text; break;
        }
    }
    return c;
}

std::string FixedReal(double v, int width) {
    const float target = static_cast<float>(v);
    std::vector<std::string> candidates;
    char buffer[64];
    // Plain decimals first: "0.250" for positive values, "-.250" for negative
    // ones (the minus sign takes the place of the leading zero).
    std::vector<std::string> plain;
    std::vector<std::string> noZero;
    for (int decimals = 0; decimals <= width; ++decimals) {
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
        plain.emplace_back(buffer);
        noZero.push_back(DropLeadingZero(buffer));
    }
    const bool negative = v < 0.0;
    candidates.insert(candidates.end(), (negative ? noZero : plain).begin(), (negative ? noZero : plain).end());
    candidates.insert(candidates.end(), (negative ? plain : noZero).begin(), (negative ? plain : noZero).end());
    for (int digits = 0; digits <= 3; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*E", digits, v);
        const std::string shortForm = ShortExponent(buffer);
        candidates.push_back(shortForm);
        if (digits == 0) {
            // "3E-5" -> "3.E-5": one more character, the same value.
            const std::size_t e = shortForm.find('E');
            candidates.push_back(shortForm.substr(0, e) + "." + shortForm.substr(e));
        }
    }
    for (const std::string& s : candidates) {
        if (static_cast<int>(s.size()) == width && ParseFloat(s) == target) return s;
    }
    for (const std::string& s : candidates) {
        if (static_cast<int>(s.size()) < width && ParseFloat(s) == target) {
            return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
        }
    }
    throw std::runtime_error("no " + std::to_string(width) + "-character text reads back as " + std::to_string(v));
}

Script::Script(std::string title) : title_(std::move(title)) {
    if (title_.find_first_of("\r\n") != std::string::npos) throw std::runtime_error("the title must be one line");
}

void Script::Mark(const std::string& label) { pendingMark_ = label; }

void Script::Emit(std::string text, Command command) {
    const Command readBack = ParseLine(text);
    if (!(readBack == command)) throw std::runtime_error("the line '" + text + "' does not read back as meant");
    lines_.push_back(Line{std::move(text), std::move(command), pendingMark_});
    pendingMark_.clear();
}

void Script::Lsnd(int sound, const std::string& name) {
    constexpr auto id = player::CommandId::LSND;
    CheckName(name);
    Emit(CommandLine(id, {Number(id, 0, sound), name}), Meant(id, sound, 0, 0.0, 0.0, name));
}

void Script::Psnd(int sound) {
    constexpr auto id = player::CommandId::PSND;
    Emit(CommandLine(id, {Number(id, 0, sound)}), Meant(id, sound, 0));
}

void Script::Lgfx(int slot, const std::string& name) {
    constexpr auto id = player::CommandId::LGFX;
    CheckName(name);
    Emit(CommandLine(id, {Number(id, 0, slot), name}), Meant(id, slot, 0, 0.0, 0.0, name));
}

void Script::Lbmp(int slot, const std::string& name) {
    constexpr auto id = player::CommandId::LBMP;
    CheckName(name);
    Emit(CommandLine(id, {Number(id, 0, slot), name}), Meant(id, slot, 0, 0.0, 0.0, name));
}

void Script::Sgfx(int slot, double x, double y) {
    constexpr auto id = player::CommandId::SGFX;
    Emit(CommandLine(id, {Number(id, 0, slot), Real(id, 1, x), Real(id, 2, y)}), Meant(id, slot, 0, x, y));
}

void Script::Sbmp(int slot, double x, double y) {
    constexpr auto id = player::CommandId::SBMP;
    Emit(CommandLine(id, {Number(id, 0, slot), Real(id, 1, x), Real(id, 2, y)}), Meant(id, slot, 0, x, y));
}

void Script::Mgfx(int slot, double dx, double dy) {
    constexpr auto id = player::CommandId::MGFX;
    Emit(CommandLine(id, {Number(id, 0, slot), Real(id, 1, dx), Real(id, 2, dy)}), Meant(id, slot, 0, dx, dy));
}

void Script::Zgfx(int slot, double dzoom) {
    constexpr auto id = player::CommandId::ZGFX;
    Emit(CommandLine(id, {Number(id, 0, slot), Real(id, 1, dzoom)}), Meant(id, slot, 0, dzoom));
}

void Script::Agfx(int slot, int alpha) {
    constexpr auto id = player::CommandId::AGFX;
    if (alpha < 0 || alpha > 255) throw std::runtime_error("alpha out of range");
    Emit(CommandLine(id, {Number(id, 0, slot), Number(id, 1, alpha)}), Meant(id, slot, alpha));
}

void Script::Egfx(int from, int to) {
    constexpr auto id = player::CommandId::EGFX;
    Emit(CommandLine(id, {Number(id, 0, from), Number(id, 1, to)}), Meant(id, from, to));
}

void Script::Dgfx(int slot) {
    constexpr auto id = player::CommandId::DGFX;
    Emit(CommandLine(id, {Number(id, 0, slot)}), Meant(id, slot, 0));
}

void Script::Stck() { Emit(CommandLine(player::CommandId::STCK, {}), Meant(player::CommandId::STCK, 0, 0)); }

void Script::Wait(int ms) {
    // WAIT 0 would set no wait at all.
    if (ms <= 0) throw std::runtime_error("WAIT needs a positive time");
    Emit(CommandLine(player::CommandId::WAIT, {std::to_string(ms)}), Meant(player::CommandId::WAIT, 0, ms));
}

void Script::Wfor(int ms) {
    if (ms <= 0) throw std::runtime_error("WFOR needs a positive time");
    Emit(CommandLine(player::CommandId::WFOR, {std::to_string(ms)}), Meant(player::CommandId::WFOR, 0, ms));
}

void Script::Quit() { Emit(CommandLine(player::CommandId::QUIT, {}), Meant(player::CommandId::QUIT, 0, 0)); }

std::string Script::Text() const {
    std::string text = title_ + "\r\n";
    for (const Line& line : lines_) text += line.text + "\r\n";
    return text;
}

namespace {

struct SimSlot {
    float x = 0.0f, y = 0.0f, zoom = 0.0f, dx = 0.0f, dy = 0.0f, dzoom = 0.0f;
    int mode = 0;
    bool loaded = false;
    bool texture = false;  // loaded by LGFX (drawable in 3D), not by LBMP
    int alpha = 0;
    Size2 natural;
    Size2 quad;  // the size the 3D sprite is drawn at (kept while zoom is 0)
};

}  // namespace

SimulationResult Simulate(const Script& script, const SimulationSetup& setup) {
    SimulationResult result;
    std::vector<SimSlot> slots(100);
    std::map<int, std::string> loadedSounds;  // sound number -> file
    std::set<std::string> reported;
    auto problem = [&](const std::string& key, const std::string& text) {
        if (reported.insert(key).second) result.problems.push_back(text);
    };
    std::fesetround(FE_TONEAREST);

    const int frame = setup.frameMs;
    const double W = setup.screenWidth;
    const double H = setup.screenHeight;
    long long now = 1000;  // ms since the machine started; any value works
    long long clockStart = 0;
    long long lastFrame = 0;
    long long waitUntil = 0;
    bool started = false;
    bool quit = false;
    std::size_t next = 0;
    auto clock = [&] { return static_cast<int>(now - clockStart); };

    for (long long turn = 0; !quit; ++turn) {
        if (turn > 10'000'000 || (started && clock() > 10 * 60 * 1000)) {
            result.problems.push_back("the show does not end by itself");
            break;
        }
        if (waitUntil == 0) {
            if (next >= script.Size()) {
                result.problems.push_back("the script ends without QUIT");
                break;
            }
            const std::size_t index = next++;
            const Command& c = script.LineCommand(index);
            const std::string where = "line " + std::to_string(index + 2) + " (" + script.LineText(index) + ")";
            if (!script.LineMark(index).empty())
                result.marks.emplace_back(script.LineMark(index), started ? clock() : 0);
            const bool slotCommand = c.word != "LSND" && c.word != "PSND" && c.word != "WAIT" && c.word != "WFOR" &&
                                     c.word != "STCK" && c.word != "QUIT";
            SimSlot* slot = slotCommand ? &slots[static_cast<std::size_t>(c.number)] : nullptr;
            if (slotCommand && c.word != "LGFX" && c.word != "LBMP" && !slot->loaded) {
                problem(where, where + ": slot " + std::to_string(c.number) + " is not loaded");
            }
            if (c.word == "LSND") {
                if (setup.sounds.count(c.name) == 0) problem(where, where + ": no such sound file");
                loadedSounds[c.number] = c.name;
            } else if (c.word == "PSND") {
                if (loadedSounds.count(c.number) == 0) problem(where, where + ": sound not loaded");
                else result.plays.push_back(SoundStart{started ? clock() : 0, c.number, loadedSounds[c.number]});
            } else if (c.word == "QUIT") {
                quit = true;
                result.endClock = clock();
            } else if (c.word == "WAIT" || c.word == "WFOR") {
                if (!started) problem(where, where + ": a wait before STCK");
                if (c.word == "WAIT") {
                    if (clock() > c.other) {
                        problem(where, where + ": reached at " + std::to_string(clock()) + " ms, " +
                                           std::to_string(clock() - c.other) + " ms late at " + std::to_string(frame) +
                                           " ms a frame");
                    }
                    waitUntil = c.other;
                } else {
                    waitUntil = c.other + clock();
                }
            } else if (c.word == "STCK") {
                started = true;
                clockStart = now;
                lastFrame = now;
            } else if (c.word == "LGFX" || c.word == "LBMP") {
                const auto image = setup.images.find(c.name);
                if (image == setup.images.end()) {
                    problem(where, where + ": no such picture");
                } else {
                    // Slots are drawn only in an unbroken run from slot 0.
                    if (c.number > 0 && !slots[static_cast<std::size_t>(c.number) - 1].loaded) {
                        problem(where, where + ": leaves a gap before slot " + std::to_string(c.number));
                    }
                    slot->natural = image->second;
                    slot->quad = image->second;
                }
                slot->loaded = true;
                slot->texture = c.word == "LGFX";
                if (slot->texture) slot->alpha = 255;
            } else if (c.word == "SGFX") {
                if (!slot->texture) problem(where, where + ": a plain sprite cannot be shown in 3D");
                slot->mode = 1;
                slot->x = c.a;
                slot->y = c.b;
                slot->zoom = 0.0f;
                slot->dzoom = 0.0f;
            } else if (c.word == "SBMP") {
                slot->mode = 2;
                slot->x = c.a;
                slot->y = c.b;
            } else if (c.word == "MGFX") {
                slot->dx = c.a;
                slot->dy = c.b;
            } else if (c.word == "ZGFX") {
                slot->dzoom = c.a;
            } else if (c.word == "DGFX") {
                slot->mode = 0;
            } else if (c.word == "AGFX") {
                slot->alpha = c.other;
            } else if (c.word == "EGFX") {
                SimSlot& to = slots[static_cast<std::size_t>(c.other)];
                if (!to.loaded) problem(where, where + ": target slot is not loaded");
                to.mode = slot->mode;
                to.x = slot->x;
                to.y = slot->y;
                to.zoom = slot->zoom;
                to.dx = slot->dx;
                to.dy = slot->dy;
                to.dzoom = slot->dzoom;
                to.alpha = slot->alpha;
            } else if (c.word.empty()) {
                problem(where, where + ": not a command");
            }
        } else if (clock() >= waitUntil) {
            waitUntil = 0;
        }
        if (quit) break;

        // Motion and the checks on the frame that is drawn.
        const auto d = static_cast<float>(now - lastFrame);
        lastFrame = now;
        for (int i = 0; i < 100 && slots[static_cast<std::size_t>(i)].loaded; ++i) {
            SimSlot& s = slots[static_cast<std::size_t>(i)];
            s.x = s.x + s.dx * d;
            s.y = s.y + s.dy * d;
            if (s.dzoom != 0.0f) s.zoom = s.zoom + s.dzoom * d;
            if (s.mode == 2 && s.dx == 0.0f && s.dy == 0.0f) {
                // A plain sprite at rest is wholly on the screen, or wholly
                // off it, waiting to move in.
                const int px = Nearest(s.x * W / 2.0 + W / 2.0 - s.natural.width / 2.0);
                const int py = Nearest(s.y * H / 2.0 + H / 2.0 - s.natural.height / 2.0);
                const bool inside = px >= 0 && py >= 0 && px + s.natural.width <= W && py + s.natural.height <= H;
                const bool outside = px >= W || py >= H || px + s.natural.width <= 0 || py + s.natural.height <= 0;
                if (!inside && !outside) {
                    problem("plain" + std::to_string(i),
                            "plain sprite slot " + std::to_string(i) + " stands cut off by the screen edge at " +
                                std::to_string(clock()) + " ms on " + std::to_string(setup.screenWidth) + "x" +
                                std::to_string(setup.screenHeight));
                }
            }
            if (s.mode != 1 || (s.alpha & 255) == 0) continue;
            const double scale = static_cast<double>(s.zoom) + 1.0;
            const int zw = Nearest(scale * s.natural.width);
            const int zh = Nearest(scale * s.natural.height);
            if (s.zoom != 0.0f) s.quad = Size2{zw, zh};
            const std::string at = " at " + std::to_string(clock()) + " ms on " + std::to_string(setup.screenWidth) +
                                   "x" + std::to_string(setup.screenHeight);
            if (scale < 0.05)
                problem("zoom" + std::to_string(i), "slot " + std::to_string(i) + " shrinks to nothing" + at);
            if (setup.backdrops.count(i) != 0) {
                const int px = Nearest(s.x * W / 2.0 + W / 2.0 - zw / 2.0);
                const int py = Nearest(s.y * H / 2.0 + H / 2.0 - zh / 2.0);
                if (px > 0 || py > 0 || px + s.quad.width < W || py + s.quad.height < H) {
                    problem("cover" + std::to_string(i),
                            "backdrop slot " + std::to_string(i) + " leaves the screen edge bare" + at);
                }
            }
        }
        now += frame;
    }
    return result;
}

}  // namespace demo
