#include "player/report.h"

#include <cstdio>
#include <string>

namespace player {

namespace {
ReportSink gSink = nullptr;
}  // namespace

void SetReportSink(ReportSink sink) { gSink = sink; }

bool Reporting() { return gSink != nullptr; }

void ReportProblem(std::int32_t line, const char* subject, const char* reason) {
    if (gSink == nullptr) return;
    std::string text = line > 0 ? "line " + std::to_string(line) + ": " : "";
    text += std::string(subject != nullptr ? subject : "") + ": " + (reason != nullptr ? reason : "");
    gSink(text.c_str());
}

void ReportToStandardError(const char* text) { std::fprintf(stderr, "rodazaro: %s\n", text); }

}  // namespace player
