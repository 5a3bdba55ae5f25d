// The program takes no options, reads no configuration and writes no files:
// it plays data/vuze.kel from the current directory.

#include "player/player.h"

int main() { player::PlayerMain(); }
