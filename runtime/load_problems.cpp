#include "runtime/load_problems.h"

namespace runtime {

namespace {
LoadProblem gLastLoadProblem = LoadProblem::kNone;
}  // namespace

void NoteLoadProblem(LoadProblem problem) { gLastLoadProblem = problem; }

LoadProblem LastLoadProblem() { return gLastLoadProblem; }

}  // namespace runtime
