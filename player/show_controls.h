// The show's own controls: the keys that switch between full screen and
// window, save the frame shown, pause and mute, and the volume the command
// line set.  None of them is visible to the script: a pause holds the
// script clock, so every wait ends as if the paused time had not passed.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/screen_window.h"
#include "player/show_options.h"

namespace player {

// Applies the command line's window, volume and mute, and has the message
// pump hand the show keys to OnShowKey.  Before the screen opens.
void InstallShowControls(const ShowOptions& options);
// Notes a show key; the main loop acts on it after the turn's frame.
void OnShowKey(platform::ShowKey key);
// Acts on the show keys noted since the last call, in order.
void ApplyShowKeys();
bool ShowPaused();
bool ShowMuted();
// Back to a show that runs, unmuted, at full volume, with no keys noted.
void ResetShowControls();

// Where saved frames go: picturesDir/RodaZaro when picturesDir is set,
// else home/Pictures/RodaZaro; empty when neither is set.
std::string FrameFolder(const char* picturesDir, const char* home);
// The file name of a frame saved at a local time: the title with every
// character but letters, digits, '-', '_' and '.' made '_' (no leading dot;
// "RodaZaro" for an empty title), then "-YYYY-MM-DD-hhmmss.png".
std::string FrameFileName(const char* title, const std::tm& when);

}  // namespace player
