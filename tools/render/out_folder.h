// The folder of --out: the renderer writes its frames there together with a
// list of them, `.rodazaro-render`, so that a later render knows which
// frames are its own and never mixes its frames with stale ones.
#pragma once

#include <cstdio>
#include <string>

namespace render {

// frame_ followed by five or more digits and .png: the renderer's naming.
bool IsFrameName(const std::string& name);

// Makes the folder ready for a render's frames (a folder that does not
// exist yet is ready; the caller makes it). A folder that holds frames
// of an earlier render is refused unless force is set; with force, the
// frames listed in its .rodazaro-render are removed, and nothing else. Frame
// files that no list names are never removed: the folder is refused. Returns
// why the folder was refused, or empty when it is ready.
std::string PrepareOutFolder(const std::string& dir, bool force);

// The list of the frames written, kept up to date frame by frame.
class FrameList {
public:
    ~FrameList();
    bool Open(const std::string& dir);
    bool Add(const std::string& name);
    bool Close();

private:
    std::FILE* file_ = nullptr;
    bool ok_ = true;
};

}  // namespace render
