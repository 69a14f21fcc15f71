// Positions and messages of rejected texts, and how they are shown.
#include <algorithm>

#include "diagnostics.h"

namespace vela::cg {

void fail(uint32_t offset, std::string message) { throw CompileError{offset, std::move(message)}; }

namespace {

struct Place {
    size_t lineStart, lineEnd;
    int line, column;
};

// Lines end at LF, CR LF or a lone CR.
Place locate(std::string_view text, uint32_t offset) {
    size_t at = offset > text.size() ? text.size() : offset;
    Place place{0, 0, 1, 1};
    for (size_t i = 0; i < at; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++place.line;
            place.lineStart = i + 1;
        }
    }
    place.column = int(at - place.lineStart) + 1;
    place.lineEnd = text.find_first_of("\r\n", place.lineStart);
    if (place.lineEnd == std::string_view::npos) place.lineEnd = text.size();
    return place;
}

// Control bytes as \xHH, so that a text cannot drive the terminal it is shown on.
std::string shown(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        if ((c < 0x20 && c != '\t') || c == 0x7f) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

// The file of an offset: its span's index, its text and name.
struct InFile {
    uint32_t base;
    std::string_view text;
    std::string name;
};

InFile fileOf(const Source &source, uint32_t offset) {
    if (source.files.empty()) return {0, source.text, ""};
    size_t i = 0;
    while (i + 1 < source.files.size() && source.files[i + 1].offset <= offset) ++i;
    uint32_t base = std::min<uint32_t>(source.files[i].offset, uint32_t(source.text.size()));
    uint32_t end = i + 1 < source.files.size() ? source.files[i + 1].offset : uint32_t(source.text.size());
    end = std::max(base, std::min<uint32_t>(end, uint32_t(source.text.size())));
    return {base, source.text.substr(base, end - base), source.files[i].name};
}

// Line, column and file of an offset, after the "#line" directives of its file.
struct Position {
    Place place;
    InFile file;
    int line;
};

Position position(const Source &source, uint32_t offset) {
    InFile file = fileOf(source, offset);
    Place place = locate(file.text, offset - std::min(offset, file.base));
    Position p{place, file, place.line};
    const LineMark *mark = nullptr;
    for (const LineMark &m : source.marks)
        if (m.offset <= offset && m.offset >= file.base) mark = &m;
    if (mark) {
        p.line = mark->line + (place.line - locate(file.text, mark->offset - file.base).line);
        if (!mark->file.empty()) p.file.name = mark->file;
    }
    return p;
}

}  // namespace

std::string Source::where(uint32_t offset) const {
    Position p = position(*this, offset);
    std::string at = std::to_string(p.line) + ":" + std::to_string(p.place.column);
    bool elsewhere = !files.empty() && !p.file.name.empty() && p.file.name != files[0].name;
    return elsewhere ? p.file.name + ":" + at : at;
}

Diagnostic Source::diagnostic(uint32_t offset, std::string message) const {
    Position p = position(*this, offset);
    Diagnostic d;
    d.file = p.file.name;
    d.line = p.line;
    d.column = p.place.column;
    d.message = std::move(message);
    d.sourceLine = std::string(p.file.text.substr(p.place.lineStart, p.place.lineEnd - p.place.lineStart));
    return d;
}

Diagnostic diagnosticAt(std::string_view text, size_t offset, std::string message) {
    return Source{text, {}}.diagnostic(uint32_t(std::min(offset, text.size())), std::move(message));
}

std::string formatDiagnostic(const Diagnostic &d, std::string_view file) {
    std::string_view name = d.file.empty() ? file : std::string_view(d.file);
    std::string out;
    const char *severity = d.severity == Diagnostic::Warning ? "warning: " : "error: ";
    if (d.line <= 0) return out + severity + d.message + "\n";
    if (!name.empty()) {
        out += name;
        out += ':';
    }
    out += std::to_string(d.line) + ":" + std::to_string(d.column) + ": " + severity;
    out += shown(d.message);
    out += '\n';
    // A long line is shown as a window around the column.
    constexpr size_t whole = 240, half = 100;
    size_t column = size_t(std::max(d.column, 1)) - 1;
    bool window = d.sourceLine.size() > whole;
    size_t from = window && column > half ? column - half : 0;
    size_t to = window ? std::min(d.sourceLine.size(), column + half) : d.sourceLine.size();
    std::string before = from > 0 ? "..." : "";
    std::string prefix = before + shown(std::string_view(d.sourceLine).substr(from, std::min(column, d.sourceLine.size()) - std::min(from, d.sourceLine.size())));
    out += before + shown(std::string_view(d.sourceLine).substr(std::min(from, d.sourceLine.size()), to - std::min(from, to)));
    if (to < d.sourceLine.size()) out += "...";
    out += '\n';
    // Tabs are copied so that the caret lines up however the reader's terminal shows them.
    for (char c : prefix) out += c == '\t' ? '\t' : ' ';
    out += "^\n";
    return out;
}

std::string formatListing(const std::vector<Diagnostic> &diagnostics, std::string_view file) {
    constexpr size_t cap = 64 * 1024;
    std::string out;
    for (const Diagnostic &d : diagnostics) {
        std::string one = formatDiagnostic(d, file);
        if (out.size() + one.size() > cap) return out + "error: the listing is cut here (more than 64 KiB)\n";
        out += one;
    }
    return out;
}

void Diagnostics::add(uint32_t offset, std::string message) {
    for (const CompileError &e : errors_)
        if (e.offset == offset && e.message == message) return;
    errors_.push_back(CompileError{offset, std::move(message)});
    if (errors_.size() >= limit) throw Stop{};
}

void Diagnostics::warn(uint32_t offset, std::string message) {
    for (const CompileError &w : warnings_)
        if (w.offset == offset && w.message == message) return;
    if (warnings_.size() < limit) warnings_.push_back(CompileError{offset, std::move(message)});
}

std::vector<Diagnostic> Diagnostics::records(const Source &source) const {
    std::vector<std::pair<const CompileError *, Diagnostic::Severity>> sorted;
    for (const CompileError &e : errors_) sorted.push_back({&e, Diagnostic::Error});
    for (const CompileError &w : warnings_) sorted.push_back({&w, Diagnostic::Warning});
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.first->offset < b.first->offset; });
    std::vector<Diagnostic> out;
    for (const auto &[e, severity] : sorted) {
        out.push_back(source.diagnostic(e->offset, e->message));
        out.back().severity = severity;
    }
    if (errors_.size() >= limit) {
        Diagnostic d;
        d.message = "too many errors (" + std::to_string(limit) + "); stopping here";
        out.push_back(d);
    }
    return out;
}

std::string quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    out += text;
    out += '\'';
    return out;
}

}  // namespace vela::cg
