// Writing what the renderer captured: frames as PNG, the mix as WAV.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sdl/display.h"

namespace render {

// One row of a frame as 24-bit RGB, 3 bytes a pixel, widened as below.
void FrameRowToRgb(const platform::sdl::Frame& frame, int y, unsigned char* out);

// Writes a frame in the screen's own format as 24-bit RGB; 5-6-5 values are
// widened by bit replication (0x1F becomes 0xFF).  False on a write error.
bool WriteFramePng(const std::string& path, const platform::sdl::Frame& frame);

// A 16-bit stereo WAV file written as the mix grows; the header's sizes are
// filled in by Finish.
class WavWriter {
public:
    bool Open(const std::string& path, int rate);
    void Append(const std::int16_t* samples, std::size_t frames);
    bool Finish();
    std::uint64_t FramesWritten() const { return frames_; }

private:
    std::FILE* file_ = nullptr;
    int rate_ = 0;
    std::uint64_t frames_ = 0;
};

// The number of lines the player's line rules find in a script file (CR LF,
// LF, CR and NUL end a line; a last line without an end counts when it holds
// anything).
std::size_t CountScriptLines(const std::vector<unsigned char>& bytes);

}  // namespace render
