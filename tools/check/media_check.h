// Graphic and sound files as the player will load them: found the way the
// player opens files, read by the player's own decoders.
#pragma once

#include <string>
#include <vector>

#include "tools/check/findings.h"

namespace check {

struct MediaNote {
    Severity severity;
    std::string message;
};

struct MediaResult {
    bool loads = false;  // the player ends up with a sprite or a sound
    int width = 0;       // a picture's size, once it loads
    int height = 0;
    std::vector<MediaNote> notes;
    // Notes that matter only to a 3D sprite (LGFX), which leaves out black.
    std::vector<MediaNote> textureNotes;
};

// name: the file name as the script gives it (everything from nameColumn on).
MediaResult CheckGraphicFile(const std::string& name, int nameColumn);
MediaResult CheckSoundFile(const std::string& name, int nameColumn);

// Why the player ends up without a sound for a WAV image: its loader or the
// sound device refuses it.  Empty when the sound plays.
std::string CheckWavImage(const unsigned char* image, std::size_t size);

}  // namespace check
