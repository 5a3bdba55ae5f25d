#include "player/player.h"
#include "player/player_state.h"
#include "screen/screen.h"

namespace player {

// Until the mode window exists the screen opens in the first mode it offers.
void RunLauncher() {
    gPlayer.screenWidth = 1024;
    gPlayer.screenHeight = 768;
    screen::OpenScreen(gPlayer.screenWidth, gPlayer.screenHeight, 32, gPlayer.programTitle);
    gPlayer.screenOpen = 1;
}

}  // namespace player
