#include "tools/check/findings.h"

#include <algorithm>

namespace check {

void Report::Add(int line, Severity severity, std::string message) {
    findings_.push_back(Finding{line, severity, std::move(message)});
}

std::vector<Finding> Report::Sorted() const {
    std::vector<Finding> sorted = findings_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) {
        // Line 0 stands for the whole script and goes after every line.
        const unsigned la = a.line == 0 ? ~0u : static_cast<unsigned>(a.line);
        const unsigned lb = b.line == 0 ? ~0u : static_cast<unsigned>(b.line);
        return la < lb;
    });
    return sorted;
}

int Report::Count(Severity severity) const {
    return static_cast<int>(std::count_if(findings_.begin(), findings_.end(),
                                          [severity](const Finding& f) { return f.severity == severity; }));
}

int Report::ExitCode() const { return Count(Severity::Error) + Count(Severity::Warning) > 0 ? 1 : 0; }

void Report::Print(std::FILE* out) const {
    for (const Finding& f : Sorted()) {
        const char* kind = f.severity == Severity::Error     ? "error"
                           : f.severity == Severity::Warning ? "warning"
                                                             : "info";
        if (f.line > 0) {
            std::fprintf(out, "vuze.kel:%d: %s: %s\n", f.line, kind, f.message.c_str());
        } else {
            std::fprintf(out, "vuze.kel: %s: %s\n", kind, f.message.c_str());
        }
    }
}

std::string DescribeChar(char c) {
    if (c == ' ') return "a space";
    if (c == '\t') return "a tab";
    return "'" + Quote(std::string_view(&c, 1)) + "'";
}

std::string Quote(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

}  // namespace check
