// Positions and messages of rejected texts, shared by the compiler and the GL loader.
#include "compiler.h"

namespace vela::cg {

void fail(uint32_t offset, std::string message) { throw CompileError{offset, std::move(message)}; }

namespace {

struct Place {
    size_t lineStart, lineEnd;
    int line, column;
};

Place locate(std::string_view text, uint32_t offset) {
    size_t at = offset > text.size() ? text.size() : offset;
    Place place{0, 0, 1, 1};
    for (size_t i = 0; i < at; ++i) {
        if (text[i] == '\n') {
            ++place.line;
            place.lineStart = i + 1;
        }
    }
    place.column = int(at - place.lineStart) + 1;
    place.lineEnd = text.find('\n', place.lineStart);
    if (place.lineEnd == std::string_view::npos) place.lineEnd = text.size();
    if (place.lineEnd > place.lineStart && text[place.lineEnd - 1] == '\r') --place.lineEnd;
    return place;
}

}  // namespace

std::string lineColumn(std::string_view text, uint32_t offset) {
    Place place = locate(text, offset);
    return std::to_string(place.line) + ":" + std::to_string(place.column);
}

std::string formatDiagnostic(std::string_view text, uint32_t offset, std::string_view message) {
    Place place = locate(text, offset);
    std::string out = std::to_string(place.line) + ":" + std::to_string(place.column) + ": error: ";
    out += message;
    out += '\n';
    std::string_view line = text.substr(place.lineStart, place.lineEnd - place.lineStart);
    out += line;
    out += '\n';
    // Tabs are copied so that the caret lines up however the reader's terminal shows them.
    for (size_t i = 0; i + 1 < size_t(place.column) && i < line.size(); ++i) out += line[i] == '\t' ? '\t' : ' ';
    out += "^\n";
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
