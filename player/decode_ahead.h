// Decode-ahead: a worker thread reads the script ahead of the interpreter,
// through a handle of its own, and reads and decodes the pictures and sounds
// its coming LGFX, LBMP and LSND lines name, so that the line's own turn
// finds them decoded (runtime/prepared_loads.h).  Loads still take effect on
// their own turn, and what they load is the same either way: only the time
// a turn takes changes.
//
// The setting RODAZARO_DECODE_AHEAD in the environment: "off" (or "0") runs
// every load on its own turn as before; a number N holds at most N MiB of
// decoded data ahead (64 by default).
#pragma once

#include <cstddef>
#include <cstdint>

namespace player {

constexpr std::size_t kDefaultDecodeAheadBytes = std::size_t{64} << 20;

struct DecodeAheadSettings {
    bool enabled = true;
    std::size_t boundBytes = kDefaultDecodeAheadBytes;
};

// The settings the next StartDecodeAhead uses, before the environment's.
void SetDecodeAheadSettings(const DecodeAheadSettings& settings);
// settings as the environment's value (null: unset) changes them.
DecodeAheadSettings ApplyDecodeAheadSetting(const char* value, DecodeAheadSettings settings);

// Starts the worker on the script at scriptPath (read from its first line,
// the title, which it skips), unless it is switched off, the build has no
// threads (platform::ThreadsAvailable) or no thread can be made.  A worker already running is stopped first.
void StartDecodeAhead(const char* scriptPath);
// Stops and joins the worker and frees everything it prepared.
void StopDecodeAhead();
bool DecodeAheadRunning();
// Loads that found their file decoded ahead, over every worker so far.
std::uint64_t LoadsDecodedAhead();

}  // namespace player
