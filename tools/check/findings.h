// What the checker found, one finding a line of the script.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace check {

enum class Severity { Info, Warning, Error };

struct Finding {
    int line;  // script line, 1 for the title; 0 for the script as a whole
    Severity severity;
    std::string message;
};

class Report {
public:
    void Add(int line, Severity severity, std::string message);
    void Error(int line, std::string message) { Add(line, Severity::Error, std::move(message)); }
    void Warning(int line, std::string message) { Add(line, Severity::Warning, std::move(message)); }
    void Info(int line, std::string message) { Add(line, Severity::Info, std::move(message)); }

    // Findings in line order (those about the whole script last), each
    // line's in the order they were found.
    std::vector<Finding> Sorted() const;
    int Count(Severity severity) const;
    // 0 when there is neither an error nor a warning, else 1.
    int ExitCode() const;
    // "vuze.kel:12: error: ...", one a line.
    void Print(std::FILE* out) const;

private:
    std::vector<Finding> findings_;
};

// A byte of the script as a reader sees it in a message: 'x', a space,
// a tab, or its hexadecimal code.
std::string DescribeChar(char c);
// Text quoted for a message, non-printing bytes as \xNN.
std::string Quote(std::string_view text);

}  // namespace check
