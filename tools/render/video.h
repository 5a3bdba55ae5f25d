// A video of the render through the ffmpeg program: the frames go to ffmpeg
// through a pipe as raw RGB while the render runs, into a video-only file;
// when the mix is complete a second run of ffmpeg puts the picture and the
// sound into the container the video's name asks for.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/sdl/display.h"

namespace render {

// The path of an executable NAME in one of PATH's folders; empty when there
// is none.
std::string FindProgram(const std::string& name);

class VideoEncoder {
public:
    ~VideoEncoder();
    // Starts ffmpeg on frames of width x height at fps for the container
    // ("mp4", "webm" or "mkv"), writing the picture alone to videoOnly.
    bool Start(const std::string& ffmpeg, const std::string& container, int width, int height, double fps,
               const std::string& videoOnly);
    // One frame; a frame of another size (no screen yet) is sent black.
    bool AddFrame(const platform::sdl::Frame& frame);
    // Ends the picture; true when ffmpeg wrote it.
    bool Finish();
    // Puts the picture and the WAV sound into the video at path.
    bool Combine(const std::string& videoOnly, const std::string& wav, const std::string& path);

private:
    std::string ffmpeg_;
    std::string container_;
    int width_ = 0;
    int height_ = 0;
    int pipe_ = -1;
    pid_t child_ = -1;
    std::vector<unsigned char> rgb_;
};

}  // namespace render
