// --stats: the real time each main-loop turn takes on the main thread, as
// a steady clock measures it, and the script line of the slowest turn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

class TurnStats {
public:
    // One turn: its real duration and the script line it read last.
    void Add(double milliseconds, std::int32_t line);
    std::size_t Count() const { return turns_.size(); }
    // "N turns: median M ms, 99th percentile P ms, worst W ms (script line L)".
    std::string Summary() const;

private:
    struct Turn {
        double milliseconds;
        std::int32_t line;
    };
    std::vector<Turn> turns_;
};

}  // namespace render
