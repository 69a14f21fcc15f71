// Lexer: program text -> tokens. Identifiers and keywords alike are Ident tokens; numbers
// carry their value (integers are floats in these profiles). White space includes tabs and
// CR, so CRLF texts read like LF texts; both comment forms are skipped.
#include <cfloat>
#include <charconv>
#include <cstdio>

#include "compiler.h"

namespace vela::cg {
namespace {

bool isIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c); }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Longest first, so "+=" is one token.
const std::string_view punctuators[] = {
    "+=", "-=", "*=", "/=", "%=", "++", "--", "==", "!=", "<=", ">=", "&&", "||", "<<", ">>",
    "->", "::", "(",  ")",  "{",  "}",  "[",  "]",  ";",  ",",  ".",  ":",  "=",  "+",  "-",
    "*",  "/",  "%",  "<",  ">",  "!",  "~",  "?",  "&",  "|",  "^",
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
    explicit Lexer(std::string_view text) : text_(text) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        tokens.reserve(text_.size() / 3 + 4);
        uint32_t end = 0;
        for (;;) {
            skipSpaceAndComments();
            if (pos_ >= text_.size()) break;
            tokens.push_back(next());
            end = uint32_t(pos_);
        }
        // The end of the text is reported just after its last token, on that token's line.
        tokens.push_back(Token{TokenKind::End, end, {}, 0});
        return tokens;
    }

private:
    char peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

    void skipSpaceAndComments() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
                ++pos_;
            } else if (c == '/' && peek(1) == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else if (c == '/' && peek(1) == '*') {
                size_t close = text_.find("*/", pos_ + 2);
                if (close == std::string_view::npos) fail(uint32_t(pos_), "unterminated comment");
                pos_ = close + 2;
            } else {
                break;
            }
        }
    }

    Token next() {
        uint32_t start = uint32_t(pos_);
        char c = text_[pos_];
        if (isIdentStart(c)) {
            while (pos_ < text_.size() && isIdentChar(text_[pos_])) ++pos_;
            return Token{TokenKind::Ident, start, text_.substr(start, pos_ - start), 0};
        }
        if (isDigit(c) || (c == '.' && isDigit(peek(1)))) return number();
        for (std::string_view punct : punctuators) {
            if (text_.substr(pos_, punct.size()) == punct) {
                pos_ += punct.size();
                return Token{TokenKind::Punct, start, text_.substr(start, punct.size()), 0};
            }
        }
        if (c == '#') fail(start, "preprocessor directives are not supported");
        if (c == '"' || c == '\'') fail(start, "string and character literals are not supported");
        fail(start, "unexpected " + describeChar(static_cast<unsigned char>(c)));
    }

    // number = digits [ "." digits ] [ exponent ] [ suffix ] | "." digits [ exponent ] [ suffix ]
    //        | "0x" hexdigits
    // suffix = "f" | "F" | "h" | "H"
    Token number() {
        uint32_t start = uint32_t(pos_);
        double value = 0;
        bool hex = false;
        if (peek() == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
            hex = true;
            pos_ += 2;
            if (!isHexDigit(peek())) fail(start, "hexadecimal number without digits");
            while (isHexDigit(peek())) {
                char d = text_[pos_++];
                value = value * 16 + (isDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10);
            }
        } else {
            while (isDigit(peek())) ++pos_;
            if (peek() == '.') {
                ++pos_;
                while (isDigit(peek())) ++pos_;
            }
            bool negativeExponent = false;
            if (peek() == 'e' || peek() == 'E') {
                size_t mark = pos_++;
                if (peek() == '+' || peek() == '-') negativeExponent = text_[pos_++] == '-';
                if (!isDigit(peek())) fail(uint32_t(mark), "exponent without digits in number");
                while (isDigit(peek())) ++pos_;
            }
            const char *first = text_.data() + start;
            auto [ptr, ec] = std::from_chars(first, text_.data() + pos_, value);
            if (ec == std::errc::result_out_of_range) {
                if (!negativeExponent) fail(start, "number out of range for float");
                value = 0;  // underflow
            } else if (ec != std::errc() || ptr != text_.data() + pos_) {
                fail(start, "malformed number");
            }
        }
        if (!hex && (peek() == 'f' || peek() == 'F' || peek() == 'h' || peek() == 'H')) ++pos_;
        if (isIdentChar(peek()) || peek() == '.') {
            size_t suffix = pos_;
            while (isIdentChar(peek()) || peek() == '.') ++pos_;
            fail(uint32_t(suffix),
                 "invalid suffix '" + std::string(text_.substr(suffix, pos_ - suffix)) + "' on number");
        }
        if (value > FLT_MAX) fail(start, "number out of range for float");
        return Token{TokenKind::Number, start, text_.substr(start, pos_ - start), float(value)};
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

std::vector<Token> tokenize(std::string_view source) { return Lexer(source).run(); }

}  // namespace vela::cg
