// The command an unknown word most likely meant: the nearest words of the
// command table by edit distance, offered only when they are close.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "player/commands.h"

namespace check {

// Letters, in upper case, as the player compares command words.
inline char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Edits that turn a into b: a letter inserted, deleted or replaced, or two
// neighbouring letters swapped, each counting one ("SFGX" is one from SGFX).
inline int EditDistance(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    // Three rows of the table: the row before last, the last one and this one.
    std::vector<int> older(m + 1), last(m + 1), row(m + 1);
    for (std::size_t j = 0; j <= m; ++j) last[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= n; ++i) {
        row[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= m; ++j) {
            const int replace = last[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                row[j] = std::min(row[j], older[j - 2] + 1);
            }
        }
        older.swap(last);
        last.swap(row);
    }
    return last[m];
}

// The furthest an unknown word may be from a command to be offered for it.
constexpr int kSuggestDistance = 1;
// More equally near commands than this and none is offered: the word says
// too little about which one was meant ("XGFX" is one letter from seven).
constexpr std::size_t kMaxSuggestions = 2;

inline std::string UpperWord(std::string_view text) {
    std::string word;
    for (const char c : text.substr(0, text.find_first_of(" \t"))) word += UpperLetter(c);
    return word;
}

// The commands nearest to the word that begins a line, when they are close;
// empty when none is.  The word is read two ways, in upper case: up to the
// first space or tab ("STICK"), and as the player reads it, its first four
// columns ("SGF0" of "SGF03").
inline std::vector<const char*> NearestCommands(std::string_view line) {
    const std::string whole = UpperWord(line);
    const std::string columns = UpperWord(line.substr(0, static_cast<std::size_t>(player::kWordLength)));
    std::vector<const char*> nearest;
    int best = kSuggestDistance + 1;
    for (const player::Command& command : player::kCommands) {
        const int distance = std::min(EditDistance(whole, command.word), EditDistance(columns, command.word));
        if (distance < best) {
            best = distance;
            nearest.clear();
        }
        if (distance == best && distance <= kSuggestDistance) nearest.push_back(command.word);
    }
    if (nearest.size() > kMaxSuggestions) nearest.clear();
    return nearest;
}

// " (did you mean SGFX?)", " (did you mean SGFX or SBMP?)", or nothing.
inline std::string Suggestion(std::string_view line) {
    const std::vector<const char*> nearest = NearestCommands(line);
    if (nearest.empty()) return {};
    std::string text = " (did you mean ";
    for (std::size_t i = 0; i < nearest.size(); ++i) {
        if (i > 0) text += " or ";
        text += nearest[i];
    }
    return text + "?)";
}

}  // namespace check
