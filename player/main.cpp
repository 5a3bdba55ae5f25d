// The program takes no options, reads no configuration and writes no files:
// it plays data/vuze.kel from the current directory.

#include <exception>

#include "player/player.h"

int main() {
    try {
        player::PlayerMain();
    } catch (const std::exception&) {
        // Memory ran out inside the standard library: the program ends as
        // it always does, through its shutdown, and says nothing.
        player::Shutdown();
    }
}
