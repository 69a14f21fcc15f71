// The compiler's own view of its messages: faults as they unwind, the program text with
// its "#line" marks, and the errors of one compilation.
#pragma once

#include "compiler.h"

namespace vela::cg {

// A fault in one construct: the stage that catches it reports it and goes on after the
// construct. `reported`: it follows from a fault already reported, and is dropped silently.
struct CompileError {
    uint32_t offset;
    std::string message;
    bool reported = false;
};
[[noreturn]] void fail(uint32_t offset, std::string message);
[[noreturn]] inline void failReported() { throw CompileError{0, {}, true}; }

// The compilation ends here (a limit, too many errors); what it found is in the
// Diagnostics. Only compile() catches it.
struct Stop {};

// The text with its "#line" directives: from `offset` on, lines count from `line` (and are
// lines of `file`, when the directive names one).
struct LineMark {
    uint32_t offset;
    int line;
    std::string file;
};
// Where each file's text begins in a text of several (the program and what it includes).
struct FileSpan {
    uint32_t offset;
    std::string name;
};
struct Source {
    std::string_view text;
    std::vector<LineMark> marks;
    std::vector<FileSpan> files;  // empty: the text is one file's, unnamed
    // "line:column" (both from 1) of a byte offset; "file:line:column" in another file.
    std::string where(uint32_t offset) const;
    // The message at that offset: its line, column and source line.
    Diagnostic diagnostic(uint32_t offset, std::string message) const;
};

// The errors of one compilation, in the order found; each stage adds to it and goes on
// where it can. Past `limit` errors the compilation stops.
class Diagnostics {
public:
    static constexpr size_t limit = limits::errors;
    // Records the error; throws Stop once the limit is reached.
    void add(uint32_t offset, std::string message);
    // A caught fault: recorded unless it was reported already.
    void add(const CompileError &e) {
        if (!e.reported) add(e.offset, e.message);
    }
    // A warning: the program compiles all the same. Past `limit` further ones are dropped.
    void warn(uint32_t offset, std::string message);
    bool empty() const { return errors_.empty(); }  // no errors (warnings do not count)
    size_t size() const { return errors_.size(); }
    // Every error, sorted by position, each once.
    std::vector<Diagnostic> records(const Source &source) const;

private:
    std::vector<CompileError> errors_, warnings_;
};

// A name or token as messages quote it: 'text'.
std::string quoted(std::string_view text);
// a then b, built by appending: GCC 12 misreports "x" + std::string (-Wrestrict) once inlined.
inline std::string joined(std::string_view a, std::string_view b) {
    std::string s(a);
    s += b;
    return s;
}

}  // namespace vela::cg
