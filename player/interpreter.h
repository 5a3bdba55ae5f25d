// The script's command interpreter: one fixed-column line per call.
#pragma once

namespace player {

void ExecuteScriptLine();

}  // namespace player
