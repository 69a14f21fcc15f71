// Lexer: program text -> tokens. Identifiers and keywords alike are Ident tokens; numbers
// carry their value and whether they are integers. White space includes tabs and CR, so
// CRLF texts read like LF texts; both comment forms and backslash-newline are skipped. A
// character or number that makes no token becomes an Invalid token carrying its message:
// inside a block that "#if 0" leaves out it is no error.
#include <cfloat>
#include <charconv>
#include <cstdio>

#include "syntax.h"

namespace vela::cg {
namespace {

bool isIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c); }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Longest first, so "<<=" is one token.
const std::string_view punctuators[] = {
    "<<=", ">>=", "...", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "++", "--", "==", "!=", "<=", ">=",
    "&&",  "||",  "<<",  ">>", "->", "::", "##", "(",  ")",  "{",  "}",  "[",  "]",  ";",  ",",  ".",  ":",
    "=",   "+",   "-",   "*",  "/",  "%",  "<",  ">",  "!",  "~",  "?",  "&",  "|",  "^",  "#",
};

std::string describeChar(unsigned char c) {
    char buf[32];
    if (c >= 0x20 && c < 0x7f)
        std::snprintf(buf, sizeof buf, "character '%c'", c);
    else
        std::snprintf(buf, sizeof buf, "byte 0x%02x", c);
    return buf;
}

class Lexer {
public:
    Lexer(std::string_view text, uint32_t base) : text_(text), base_(base) {}

    LexResult run() {
        result_.tokens.reserve(text_.size() / 3 + 4);
        uint32_t end = 0;
        for (;;) {
            skipSpaceAndComments();
            if (pos_ >= text_.size()) break;
            Token t = next();
            t.lineStart = lineStart_;
            t.spaceBefore = space_;
            lineStart_ = space_ = false;
            result_.tokens.push_back(t);
            end = uint32_t(pos_);
        }
        // The end of the text is reported just after its last token, on that token's line.
        Token last;
        last.offset = base_ + end;
        last.lineStart = true;
        result_.tokens.push_back(last);
        return std::move(result_);
    }

private:
    char peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

    void skipSpaceAndComments() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == '\n' || (c == '\r' && peek(1) != '\n')) {  // a lone CR ends a line too (old Mac files)
                lineStart_ = space_ = true;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
                space_ = true;
                ++pos_;
            } else if (c == '\\' && (peek(1) == '\n' || (peek(1) == '\r' && peek(2) == '\n'))) {
                pos_ += peek(1) == '\n' ? 2 : 3;
            } else if (c == '/' && peek(1) == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
            } else if (c == '/' && peek(1) == '*') {
                size_t close = text_.find("*/", pos_ + 2);
                if (close == std::string_view::npos) fail(base_ + uint32_t(pos_), "unterminated comment");
                for (size_t i = pos_; i < close; ++i)
                    if (text_[i] == '\n' || text_[i] == '\r') lineStart_ = true;
                space_ = true;
                pos_ = close + 2;
            } else {
                break;
            }
        }
    }

    Token make(TokenKind kind, size_t start) {
        Token t;
        t.kind = kind;
        t.offset = base_ + uint32_t(start);
        t.text = text_.substr(start, pos_ - start);
        return t;
    }

    Token invalid(size_t start, size_t at, std::string message) {
        Token t = make(TokenKind::Invalid, start);
        t.offset = base_ + uint32_t(at);
        t.value = double(result_.problems.size());
        result_.problems.push_back(std::move(message));
        return t;
    }

    Token next() {
        size_t start = pos_;
        char c = text_[pos_];
        if (isIdentStart(c)) {
            while (pos_ < text_.size() && isIdentChar(text_[pos_])) ++pos_;
            return make(TokenKind::Ident, start);
        }
        if (isDigit(c) || (c == '.' && isDigit(peek(1)))) return number();
        if (c == '"') {
            size_t close = text_.find('"', pos_ + 1);
            size_t newline = text_.find('\n', pos_ + 1);
            if (close == std::string_view::npos || close > newline) {
                ++pos_;
                return invalid(start, start, "unterminated string");
            }
            pos_ = close + 1;
            return make(TokenKind::String, start);
        }
        for (std::string_view punct : punctuators) {
            if (text_.substr(pos_, punct.size()) == punct) {
                pos_ += punct.size();
                return make(TokenKind::Punct, start);
            }
        }
        ++pos_;
        if (c == '\'') return invalid(start, start, "character literals are not part of the language");
        return invalid(start, start, "unexpected " + describeChar(static_cast<unsigned char>(c)));
    }

    // number = digits [ "." digits ] [ exponent ] [ suffix ] | "." digits [ exponent ] [ suffix ]
    //        | "0x" hexdigits
    // suffix = "f" | "F" | "h" | "H"
    Token number() {
        size_t start = pos_;
        double value = 0;
        bool hex = false, integer = true;
        if (peek() == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
            hex = true;
            pos_ += 2;
            if (!isHexDigit(peek())) return invalid(start, start, "hexadecimal number without digits");
            while (isHexDigit(peek())) {
                char d = text_[pos_++];
                value = value * 16 + (isDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10);
            }
        } else {
            while (isDigit(peek())) ++pos_;
            if (peek() == '.') {
                integer = false;
                ++pos_;
                while (isDigit(peek())) ++pos_;
            }
            bool negativeExponent = false;
            if (peek() == 'e' || peek() == 'E') {
                integer = false;
                size_t mark = pos_++;
                if (peek() == '+' || peek() == '-') negativeExponent = text_[pos_++] == '-';
                if (!isDigit(peek())) return invalid(start, mark, "exponent without digits in number");
                while (isDigit(peek())) ++pos_;
            }
            const char *first = text_.data() + start;
            auto [ptr, ec] = std::from_chars(first, text_.data() + pos_, value);
            if (ec == std::errc::result_out_of_range) {
                if (!negativeExponent) return invalid(start, start, "number out of range for float");
                value = 0;  // underflow
            } else if (ec != std::errc() || ptr != text_.data() + pos_) {
                return invalid(start, start, "malformed number");
            }
        }
        bool half = false;
        if (!hex && (peek() == 'f' || peek() == 'F' || peek() == 'h' || peek() == 'H')) {
            half = peek() == 'h' || peek() == 'H';
            integer = false;
            ++pos_;
        }
        if (isIdentChar(peek()) || peek() == '.') {
            size_t suffix = pos_;
            while (isIdentChar(peek()) || peek() == '.') ++pos_;
            return invalid(start, suffix, "invalid suffix '" + std::string(text_.substr(suffix, pos_ - suffix)) + "' on number");
        }
        if (value > FLT_MAX) return invalid(start, start, "number out of range for float");
        Token t = make(TokenKind::Number, start);
        t.value = value;
        t.integer = integer;
        t.halfSuffix = half;
        return t;
    }

    std::string_view text_;
    uint32_t base_;
    size_t pos_ = 0;
    bool lineStart_ = true, space_ = false;
    LexResult result_;
};

}  // namespace

LexResult tokenize(std::string_view text, uint32_t baseOffset) { return Lexer(text, baseOffset).run(); }

}  // namespace vela::cg
