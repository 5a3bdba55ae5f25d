// Reads data\vuze.kel of the current directory the way the player does and
// reports what an author should know before a show.
#pragma once

#include "tools/check/findings.h"

namespace check {

// The runtime modules the checker reads with: heaps, files, strings and the
// player's image and sound decoders.  Once per process, before CheckScript.
void StartRuntime();
void StopRuntime();

// Checks the presentation in the current directory into report.
void CheckScript(Report& report);

}  // namespace check
