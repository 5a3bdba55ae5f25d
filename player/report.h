// What a show carries on over, told with the script line it came from:
// pictures and sounds that fail to load, missing files, lines the
// interpreter ignores.  Nothing is told unless a sink listens; --verbose
// makes standard error the sink.  Telling never changes what the show does.
#pragma once

#include <cstdint>

namespace player {

// Receives one report a call, without a line end.
using ReportSink = void (*)(const char* text);

// The sink (null: nobody listens).  It stays set across StartUp.
void SetReportSink(ReportSink sink);
bool Reporting();

// Tells "line N: subject: reason", or "subject: reason" for line 0.
void ReportProblem(std::int32_t line, const char* subject, const char* reason);

// The sink of --verbose: "rodazaro: " + text + a line end on standard error.
void ReportToStandardError(const char* text);

}  // namespace player
