// Why the last load of a picture or a sound failed.  The loaders note it on
// each of their failure paths, and whoever reports failed loads reads it
// after a load answered 0; the loads themselves answer as they always have.
#pragma once

namespace runtime {

enum class LoadProblem {
    kNone,        // nothing noted
    kNoSuchFile,  // the file does not open
    kUnreadable,  // it opened but could not be read whole
    kNoMemory,    // no room to read, decode or keep it
    kNotDecoded,  // no decoder made anything of its bytes
    kNoDevice,    // the device has no surface or buffer for it
};

void NoteLoadProblem(LoadProblem problem);
LoadProblem LastLoadProblem();

}  // namespace runtime
