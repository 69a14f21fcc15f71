// Preprocessor: tokens -> tokens, as a shader author expects of C's: #define with and
// without arguments (# and ## included), #undef, #if/#ifdef/#ifndef/#elif/#else/#endif,
// #line, #error, #include and #pragma (once; any other is ignored); options define macros
// before the text. An included file's tokens take the directive's place, their offsets
// counting on after the texts before them (Preprocessed::text). Expansion follows
// Prosser's algorithm: every token carries the set of macros it came through, which are
// not expanded again in it. Tokens of a macro's body are reported where the macro is used,
// so every position still points into the text the user wrote.
#include <charconv>
#include <climits>
#include <filesystem>
#include <fstream>
#include <set>
#include <unordered_map>

#include "syntax.h"

namespace vela::cg {
namespace {

struct Macro {
    std::string_view name;
    bool function = false, variadic = false;
    std::vector<std::string_view> params;
    std::vector<Token> body;
    uint32_t offset = 0;
    bool fromOptions = false;
};

// A hideset is a list of macro indices in `nodes`; 0 is the empty set.
struct HideNode {
    uint32_t macro;
    uint32_t next;
};

bool is(const Token &t, std::string_view text) {
    return (t.kind == TokenKind::Punct || t.kind == TokenKind::Ident) && t.text == text;
}

std::string describe(const Token &t) { return t.kind == TokenKind::End ? "end of text" : cg::quoted(t.text); }

class Preprocessor;

// Expands macros in a stream of tokens: the program text (with directives) or a list.
class Expander {
public:
    Expander(Preprocessor &pp, const std::vector<Token> *list, int depth) : pp_(pp), list_(list), depth_(depth) {}
    void run(std::vector<Token> &out);

private:
    bool next(Token &t);
    bool peekIsParen();
    void expandFunction(const Macro &m, uint32_t index, const Token &name);
    std::vector<Token> expandList(const std::vector<Token> &tokens);
    Token stringize(const std::vector<Token> &arg, uint32_t offset);
    void paste(std::vector<Token> &out, const Token &right, const Token &use);

    Preprocessor &pp_;
    const std::vector<Token> *list_;  // null: the program text
    size_t pos_ = 0;
    std::vector<Token> pending_;      // expanded tokens still to read, the next one last
    int depth_;
};

class Preprocessor {
public:
    Preprocessor(std::string_view text, const SourceFiles &files, Preprocessed &out, Diagnostics &diagnostics)
        : text_(text), files_(files), out_(out), diagnostics_(diagnostics) {
        out_.files.push_back(FileSpan{0, files.name});
        nextBase_ = uint64_t(text.size()) + 1;
    }

    void run(const std::vector<Define> &defines) {
        LexResult lexed = tokenize(text_);
        input_ = std::move(lexed.tokens);
        problems_ = std::move(lexed.problems);
        for (const Define &d : defines) option(d);
        Expander(*this, nullptr, 0).run(out_.tokens);
        if (!conditions_.empty())
            diagnostics_.add(conditions_.back().offset, "'#if' without '#endif'");
        Token end = input_.back();
        out_.tokens.push_back(end);
        finishText();
    }

    // The texts one after another, as the offsets count them.
    void finishText() {
        if (included_.empty() || !out_.text.empty()) return;
        out_.text.reserve(size_t(nextBase_));
        out_.text.append(text_);
        out_.text += '\n';
        for (std::string_view t : included_) {
            out_.text.append(t);
            out_.text += '\n';
        }
    }

    // The next token of the program text after directives and left-out blocks; false at its end.
    bool nextInput(Token &t) {
        for (;;) {
            const Token &in = input_[pos_];
            if (in.kind == TokenKind::End) return false;
            if (in.lineStart && is(in, "#")) {
                directive();
                continue;
            }
            ++pos_;
            if (skipping()) continue;
            t = in;
            return true;
        }
    }
    bool peekInput(Token &t) {
        size_t mark = pos_;
        // A directive cannot sit between a macro's name and its '(' without being obeyed.
        if (input_[mark].kind == TokenKind::End || (input_[mark].lineStart && is(input_[mark], "#")) || skipping())
            return false;
        t = input_[mark];
        return true;
    }

    const Macro *find(const Token &t, uint32_t &index) const {
        if (t.kind != TokenKind::Ident) return nullptr;
        auto it = defined_.find(t.text);
        if (it == defined_.end()) return nullptr;
        index = it->second;
        return &macros_[index];
    }

    bool hidden(uint32_t set, uint32_t macro) const {
        for (uint32_t n = set; n; n = hides_[n].next)
            if (hides_[n].macro == macro) return true;
        return false;
    }
    uint32_t hide(uint32_t set, uint32_t macro) {
        hides_.push_back(HideNode{macro, set});
        return uint32_t(hides_.size() - 1);
    }
    uint32_t unite(uint32_t a, uint32_t b) {
        if (a == 0) return b;
        // The same pairs come back for every token of an expansion.
        uint64_t key = uint64_t(a) << 32 | b;
        if (auto it = united_.find(key); it != united_.end()) return it->second;
        uint32_t out = b;
        for (uint32_t n = a; n; n = hides_[n].next)
            if (!hidden(out, hides_[n].macro)) out = hide(out, hides_[n].macro);
        united_.emplace(key, out);
        return out;
    }
    uint32_t intersect(uint32_t a, uint32_t b) {
        uint32_t out = 0;
        for (uint32_t n = a; n; n = hides_[n].next)
            if (hidden(b, hides_[n].macro)) out = hide(out, hides_[n].macro);
        return out;
    }

    // Every token made counts, so that self-multiplying macros end in an error.
    void spend(size_t tokens, uint32_t offset) {
        made_ += tokens;
        if (made_ <= limits::tokens) return;
        diagnostics_.add(offset, "the text is too long once its macros are expanded (more than " +
                                     std::to_string(limits::tokens) + " tokens)");
        throw Stop{};
    }

    std::string_view keep(std::string text) { return out_.arena.emplace_back(std::move(text)); }
    Diagnostics &diagnostics() { return diagnostics_; }
    const std::string &problem(const Token &t) const { return problems_[size_t(t.value)]; }

private:
    bool skipping() const { return !conditions_.empty() && !conditions_.back().active; }

    // The tokens of the current directive line after the '#'.
    std::vector<Token> line(Token &hash) {
        hash = input_[pos_++];
        std::vector<Token> tokens;
        while (input_[pos_].kind != TokenKind::End && !input_[pos_].lineStart) tokens.push_back(input_[pos_++]);
        return tokens;
    }

    void option(const Define &d) {
        if (d.undefine) {
            defined_.erase(d.name);
            return;
        }
        Macro m;
        m.name = keep(d.name);
        m.fromOptions = true;
        // The value is a text of its own, so that a fault in it is reported as the option.
        std::string_view value = keep(d.value);
        uint32_t base = uint32_t(nextBase_);
        nextBase_ += value.size() + 1;
        included_.push_back(value);
        out_.files.push_back(FileSpan{base, "option '-D" + d.name + "=" + d.value + "'"});
        LexResult lexed = tokenize(value, base);
        for (Token &t : lexed.tokens) {
            if (t.kind == TokenKind::End) break;
            if (t.kind == TokenKind::Invalid) t.value += double(problems_.size());
            m.body.push_back(t);
        }
        for (std::string &p : lexed.problems) problems_.push_back(std::move(p));
        macros_.push_back(std::move(m));
        defined_[macros_.back().name] = uint32_t(macros_.size() - 1);
    }

    struct Condition {
        uint32_t offset;
        bool active, taken, seenElse;
    };

    // directive = "#" [ name tokens ] newline
    void directive() {
        Token hash;
        std::vector<Token> tokens = line(hash);
        try {
            obey(hash, tokens);
        } catch (const CompileError &e) {
            diagnostics_.add(e);
        }
    }

    void obey(const Token &hash, std::vector<Token> &tokens) {
        if (tokens.empty()) return;  // the null directive
        const Token &name = tokens[0];
        std::string_view word = name.kind == TokenKind::Ident ? name.text : "";
        bool active = !skipping();
        if (word == "if" || word == "ifdef" || word == "ifndef") {
            if (int(conditions_.size()) >= limits::nesting) fail(name.offset, "'#if' nested too deeply");
            bool value = false;
            try {
                value = active && (word == "if" ? evaluate(tokens, name) : definedTest(tokens, word == "ifdef"));
            } catch (const CompileError &) {
                // The group stands, skipped whole, so that its "#else" and "#endif" still match.
                conditions_.push_back(Condition{hash.offset, false, true, false});
                throw;
            }
            conditions_.push_back(Condition{hash.offset, value, value || !active, false});
            return;
        }
        if (word == "elif" || word == "else" || word == "endif") {
            if (conditions_.empty()) fail(name.offset, "'#" + std::string(word) + "' without '#if'");
            Condition &c = conditions_.back();
            if (word == "endif") {
                conditions_.pop_back();
                return;
            }
            if (c.seenElse) fail(name.offset, "'#" + std::string(word) + "' after '#else'");
            if (word == "else") {
                c.seenElse = true;
                c.active = !c.taken;
                c.taken = true;
                return;
            }
            c.active = false;
            if (c.taken) return;
            c.taken = true;  // stays so when the condition fails: the rest of the group is skipped
            c.active = c.taken = evaluate(tokens, name);
            return;
        }
        if (!active) return;
        if (word == "define") return define(tokens);
        if (word == "undef") {
            if (tokens.size() < 2 || tokens[1].kind != TokenKind::Ident)
                fail(tokens.size() < 2 ? name.offset : tokens[1].offset, "macro name expected after '#undef'");
            defined_.erase(tokens[1].text);
            return;
        }
        if (word == "line") return lineDirective(tokens, name);
        if (word == "error") {
            std::string message = "#error";
            for (size_t i = 1; i < tokens.size(); ++i) {
                message += ' ';
                message += tokens[i].text;
            }
            fail(name.offset, message);
        }
        if (word == "pragma") {
            if (tokens.size() == 2 && is(tokens[1], "once")) once_.insert(fileName(hash.offset));
            return;  // any other pragma is a hint for some other compiler or tool
        }
        if (word == "include") return include(tokens, name);
        fail(name.offset, "unknown preprocessor directive " + cg::quoted("#" + std::string(name.text)));
    }

    // The text of the file an offset is in, and where its offsets begin.
    std::pair<uint32_t, std::string_view> fileText(uint32_t offset) const {
        size_t i = 0;
        while (i + 1 < out_.files.size() && out_.files[i + 1].offset <= offset) ++i;
        return {out_.files[i].offset, i == 0 ? text_ : included_[i - 1]};
    }

    std::string where(uint32_t offset) {
        finishText();
        Source source{out_.text.empty() ? text_ : std::string_view(out_.text), out_.marks, out_.files};
        std::string at = source.where(offset);
        out_.text.clear();
        return at;
    }

    // The name of the file an offset is in.
    const std::string &fileName(uint32_t offset) const {
        size_t i = 0;
        while (i + 1 < out_.files.size() && out_.files[i + 1].offset <= offset) ++i;
        return out_.files[i].name;
    }

    static bool readFile(const std::string &path, std::string &text) {
        std::error_code ec;
        // Only regular files: a FIFO or a device would block or never end.
        if (!std::filesystem::is_regular_file(path, ec)) return false;
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        text.clear();
        char buffer[65536];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            text.append(buffer, size_t(in.gcount()));
            if (text.size() > limits::textBytes) return false;
        }
        return true;
    }

    // include = "#include" ( string | "<" name ">" ): relative to the including file's
    // folder (for "..."), then the include paths; the application's callback first.
    void include(const std::vector<Token> &tokens, const Token &name) {
        std::vector<Token> rest(tokens.begin() + 1, tokens.end());
        std::vector<Token> spelled;
        if (!rest.empty() && (rest[0].kind == TokenKind::String || is(rest[0], "<"))) spelled = rest;
        else Expander(*this, &rest, 1).run(spelled);
        std::string file;
        bool angled = false;
        if (spelled.size() == 1 && spelled[0].kind == TokenKind::String && spelled[0].text.size() >= 2) {
            file = std::string(spelled[0].text.substr(1, spelled[0].text.size() - 2));
        } else if (spelled.size() >= 3 && is(spelled[0], "<") && is(spelled.back(), ">")) {
            angled = true;
            for (size_t i = 1; i + 1 < spelled.size(); ++i) {
                if (i > 1 && spelled[i].spaceBefore) file += ' ';
                file += spelled[i].text;
            }
        } else {
            fail(name.offset, "'#include' needs a file name in quotes or in '<' '>'");
        }
        uint32_t at = spelled[0].offset;
        if (file.empty()) fail(at, "'#include' needs a file name");
        const std::string &from = fileName(name.offset);
        std::string path, text;
        bool found = files_.open && files_.open(file, from, path, text);
        if (found && path.empty()) path = file;
        std::vector<std::string> tried;
        namespace fs = std::filesystem;
        if (!found) {
            if (fs::path(file).is_absolute()) tried.push_back(file);
            else {
                if (!angled) tried.push_back((fs::path(from).parent_path() / file).lexically_normal().string());
                for (const std::string &dir : files_.includePaths) tried.push_back((fs::path(dir) / file).lexically_normal().string());
                if (angled && files_.includePaths.empty()) tried.push_back(file);
            }
            for (const std::string &candidate : tried)
                if (readFile(candidate, text)) {
                    path = candidate;
                    found = true;
                    break;
                }
        }
        if (!found) {
            std::string where;
            for (const std::string &t : tried) where += (where.empty() ? "" : ", ") + cg::quoted(t);
            fail(at, "cannot open the included file " + cg::quoted(file) + (where.empty() ? "" : " (looked for " + where + ")"));
        }
        if (once_.count(path)) return;
        if (++includes_ > limits::includes)
            fail(at, "too many '#include's (more than " + std::to_string(limits::includes) + "): does a file include itself?");
        if (nextBase_ + text.size() + 1 > limits::includedBytes)
            fail(at, "the program and its included files are too long (more than " +
                         std::to_string(limits::includedBytes >> 20) + " MiB)");
        uint32_t base = uint32_t(nextBase_);
        nextBase_ += text.size() + 1;
        std::string_view kept = keep(std::move(text));
        included_.push_back(kept);
        out_.files.push_back(FileSpan{base, path});
        LexResult lexed = tokenize(kept, base);
        for (Token &t : lexed.tokens)
            if (t.kind == TokenKind::Invalid) t.value += double(problems_.size());
        for (std::string &p : lexed.problems) problems_.push_back(std::move(p));
        lexed.tokens.pop_back();  // its End
        if (!lexed.tokens.empty()) lexed.tokens.front().lineStart = true;
        input_.insert(input_.begin() + long(pos_), lexed.tokens.begin(), lexed.tokens.end());
    }

    // define = "#define" name [ "(" [ param { "," param } ] ")" ] tokens
    void define(std::vector<Token> &tokens) {
        if (tokens.size() < 2 || tokens[1].kind != TokenKind::Ident)
            fail(tokens.size() < 2 ? tokens[0].offset : tokens[1].offset, "macro name expected after '#define'");
        Macro m;
        m.name = tokens[1].text;
        m.offset = tokens[1].offset;
        if (m.name == "defined") fail(m.offset, "'defined' cannot be a macro name");
        size_t i = 2;
        if (i < tokens.size() && is(tokens[i], "(") && !tokens[i].spaceBefore) {
            m.function = true;
            ++i;
            while (i < tokens.size() && !is(tokens[i], ")")) {
                if (is(tokens[i], "...")) {
                    m.variadic = true;
                    ++i;
                    break;
                }
                if (tokens[i].kind != TokenKind::Ident) fail(tokens[i].offset, "parameter name expected in '#define'");
                for (std::string_view p : m.params)
                    if (p == tokens[i].text) fail(tokens[i].offset, "duplicate macro parameter " + cg::quoted(p));
                m.params.push_back(tokens[i++].text);
                if (i < tokens.size() && is(tokens[i], ",")) ++i;
                else break;
            }
            if (i >= tokens.size() || !is(tokens[i], ")"))
                fail(i < tokens.size() ? tokens[i].offset : tokens.back().offset, "')' expected in the macro's parameters");
            ++i;
        }
        m.body.assign(tokens.begin() + long(i), tokens.end());
        if (!m.body.empty() && (is(m.body.front(), "##") || is(m.body.back(), "##")))
            fail(is(m.body.front(), "##") ? m.body.front().offset : m.body.back().offset,
                 "'##' cannot begin or end a macro");
        if (auto it = defined_.find(m.name); it != defined_.end()) {
            const Macro &old = macros_[it->second];
            bool same = !old.fromOptions && old.function == m.function && old.params == m.params &&
                        old.body.size() == m.body.size();
            for (size_t k = 0; same && k < m.body.size(); ++k) same = old.body[k].text == m.body[k].text;
            if (!same && !old.fromOptions)
                fail(m.offset, "macro " + cg::quoted(m.name) + " redefined differently (first defined at " +
                                   where(old.offset) + ")");
        }
        macros_.push_back(std::move(m));
        defined_[macros_.back().name] = uint32_t(macros_.size() - 1);
    }

    bool definedTest(const std::vector<Token> &tokens, bool wanted) {
        if (tokens.size() < 2 || tokens[1].kind != TokenKind::Ident)
            fail(tokens.size() < 2 ? tokens[0].offset : tokens[1].offset,
                 "macro name expected after " + cg::quoted("#" + std::string(tokens[0].text)));
        return defined_.count(tokens[1].text) == size_t(wanted);
    }

    // line = "#line" number [ string ]
    void lineDirective(const std::vector<Token> &tokens, const Token &name) {
        std::vector<Token> rest(tokens.begin() + 1, tokens.end());
        std::vector<Token> expanded;
        Expander(*this, &rest, 1).run(expanded);
        if (expanded.empty() || expanded[0].kind != TokenKind::Number || !expanded[0].integer || expanded[0].value < 1 ||
            expanded[0].value > 1e9 || (expanded.size() > 1 && expanded[1].kind != TokenKind::String) ||
            expanded.size() > 2)
            fail(expanded.empty() ? name.offset : expanded[0].offset, "'#line' needs a line number (and a file name)");
        auto [base, text] = fileText(tokens.back().offset);
        size_t next = text.find('\n', tokens.back().offset - base);
        uint32_t start = base + uint32_t(next == std::string_view::npos ? text.size() : next + 1);
        std::string file;
        if (expanded.size() > 1 && expanded[1].text.size() >= 2) file = std::string(expanded[1].text.substr(1, expanded[1].text.size() - 2));
        out_.marks.push_back(LineMark{start, int(expanded[0].value), file});

    }

    // The value of an "#if" or "#elif" line.
    bool evaluate(const std::vector<Token> &tokens, const Token &name) {
        std::vector<Token> raw;
        for (size_t i = 1; i < tokens.size(); ++i) {
            if (!is(tokens[i], "defined")) {
                raw.push_back(tokens[i]);
                continue;
            }
            bool paren = i + 1 < tokens.size() && is(tokens[i + 1], "(");
            size_t at = i + (paren ? 2 : 1);
            if (at >= tokens.size() || tokens[at].kind != TokenKind::Ident ||
                (paren && (at + 1 >= tokens.size() || !is(tokens[at + 1], ")"))))
                fail(tokens[i].offset, "'defined' needs a macro name");
            Token value = tokens[i];
            value.kind = TokenKind::Number;
            value.integer = true;
            value.value = defined_.count(tokens[at].text) ? 1 : 0;
            value.text = value.value ? "1" : "0";
            raw.push_back(value);
            i = at + (paren ? 1 : 0);
        }
        std::vector<Token> expanded;
        Expander(*this, &raw, 1).run(expanded);
        if (expanded.empty()) fail(name.offset, cg::quoted("#" + std::string(name.text)) + " needs an expression");
        Token end;
        end.offset = expanded.back().offset;
        expanded.push_back(end);
        size_t pos = 0;
        long long value = conditional(expanded, pos, 0);
        if (expanded[pos].kind != TokenKind::End)
            fail(expanded[pos].offset, "unexpected " + describe(expanded[pos]) + " in " + cg::quoted("#" + std::string(name.text)));
        return value != 0;
    }

    // The "#if" expression grammar is C's, over integers: ?: || && | ^ & == != < > <= >= << >> + - * / %
    // and the unary - + ! ~. Names that are no macros read as 0.
    long long conditional(const std::vector<Token> &t, size_t &pos, int depth) {
        long long c = binary(t, pos, 0, depth);
        if (!is(t[pos], "?")) return c;
        ++pos;
        long long a = conditional(t, pos, depth + 1);
        if (!is(t[pos], ":")) fail(t[pos].offset, "':' expected in '#if', found " + describe(t[pos]));
        ++pos;
        long long b = conditional(t, pos, depth + 1);
        return c ? a : b;
    }

    static int precedence(const Token &t) {
        static const std::pair<std::string_view, int> table[] = {
            {"||", 1}, {"&&", 2}, {"|", 3}, {"^", 4}, {"&", 5}, {"==", 6}, {"!=", 6}, {"<", 7}, {">", 7},
            {"<=", 7}, {">=", 7}, {"<<", 8}, {">>", 8}, {"+", 9}, {"-", 9}, {"*", 10}, {"/", 10}, {"%", 10},
        };
        if (t.kind != TokenKind::Punct) return -1;
        for (const auto &[text, level] : table)
            if (t.text == text) return level;
        return -1;
    }

    long long binary(const std::vector<Token> &t, size_t &pos, int minLevel, int depth) {
        long long left = unary(t, pos, depth);
        for (;;) {
            int level = precedence(t[pos]);
            if (level < 0 || level < minLevel) return left;
            const Token &op = t[pos++];
            long long right = binary(t, pos, level + 1, depth + 1);
            left = apply(op, left, right);
        }
    }

    static long long apply(const Token &op, long long a, long long b) {
        std::string_view o = op.text;
        using U = unsigned long long;
        if (o == "||") return a || b;
        if (o == "&&") return a && b;
        if (o == "|") return a | b;
        if (o == "^") return a ^ b;
        if (o == "&") return a & b;
        if (o == "==") return a == b;
        if (o == "!=") return a != b;
        if (o == "<") return a < b;
        if (o == ">") return a > b;
        if (o == "<=") return a <= b;
        if (o == ">=") return a >= b;
        if (o == "<<") return b < 0 || b > 63 ? 0 : (long long)(U(a) << b);
        if (o == ">>") return b < 0 || b > 63 ? (a < 0 ? -1 : 0) : a >> b;
        if (o == "+") return (long long)(U(a) + U(b));
        if (o == "-") return (long long)(U(a) - U(b));
        if (o == "*") return (long long)(U(a) * U(b));
        if (b == 0) fail(op.offset, "division by zero in '#if'");
        if (b == -1) return o == "/" ? (long long)(U(0) - U(a)) : 0;
        return o == "/" ? a / b : a % b;
    }

    long long unary(const std::vector<Token> &t, size_t &pos, int depth) {
        if (depth > limits::nesting) fail(t[pos].offset, "'#if' expression nested too deeply");
        const Token &tok = t[pos];
        if (is(tok, "-") || is(tok, "+") || is(tok, "!") || is(tok, "~")) {
            ++pos;
            long long v = unary(t, pos, depth + 1);
            return tok.text == "-" ? (long long)(0ULL - (unsigned long long)v) : tok.text == "+" ? v : tok.text == "!" ? !v : ~v;
        }
        if (is(tok, "(")) {
            ++pos;
            long long v = conditional(t, pos, depth + 1);
            if (!is(t[pos], ")")) fail(t[pos].offset, "')' expected in '#if', found " + describe(t[pos]));
            ++pos;
            return v;
        }
        ++pos;
        if (tok.kind == TokenKind::Number && tok.integer) {
            // From the text: the token's value is a float, which rounds large integers.
            std::string_view digits = tok.text;
            int base = digits.size() > 2 && (digits[1] == 'x' || digits[1] == 'X') ? 16 : 10;
            if (base == 16) digits.remove_prefix(2);
            unsigned long long v = 0;
            auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
            if (ec != std::errc() || end != digits.data() + digits.size() || v > (unsigned long long)LLONG_MAX)
                fail(tok.offset, "integer " + cg::quoted(tok.text) + " is too large for '#if'");
            return (long long)v;
        }
        if (tok.kind == TokenKind::Ident) return tok.text == "true" ? 1 : 0;
        if (tok.kind == TokenKind::Invalid) fail(tok.offset, problem(tok));
        fail(tok.offset, "integer expected in '#if', found " + describe(tok));
    }

    std::string_view text_;
    const SourceFiles &files_;
    uint64_t nextBase_ = 0;                  // where the next included file's offsets begin
    std::vector<std::string_view> included_;  // their texts, in that order
    std::set<std::string> once_;              // files with "#pragma once"
    int includes_ = 0;
    Preprocessed &out_;
    Diagnostics &diagnostics_;
    std::vector<Token> input_;
    std::vector<std::string> problems_;
    size_t pos_ = 0;
    std::vector<Condition> conditions_;
    std::deque<Macro> macros_;
    std::unordered_map<std::string_view, uint32_t> defined_;
    std::vector<HideNode> hides_{HideNode{0, 0}};
    std::unordered_map<uint64_t, uint32_t> united_;
    size_t made_ = 0;

    friend class Expander;
};

bool Expander::next(Token &t) {
    if (!pending_.empty()) {
        t = pending_.back();
        pending_.pop_back();
        return true;
    }
    if (!list_) return pp_.nextInput(t);
    if (pos_ >= list_->size()) return false;
    t = (*list_)[pos_++];
    return true;
}

bool Expander::peekIsParen() {
    if (!pending_.empty()) return is(pending_.back(), "(");
    if (list_) return pos_ < list_->size() && is((*list_)[pos_], "(");
    Token t;
    return pp_.peekInput(t) && is(t, "(");
}

void Expander::run(std::vector<Token> &out) {
    Token t;
    while (next(t)) {
        uint32_t index = 0;
        const Macro *m = pp_.find(t, index);
        if (!m || pp_.hidden(t.hideset, index)) {
            if (t.kind == TokenKind::Invalid) {
                // Reported once, where it is used; the token is dropped.
                try {
                    fail(t.offset, pp_.problem(t));
                } catch (const CompileError &e) {
                    pp_.diagnostics().add(e);
                }
                continue;
            }
            pp_.spend(1, t.offset);
            out.push_back(t);
            continue;
        }
        if (!m->function) {
            uint32_t hs = pp_.hide(t.hideset, index);
            pp_.spend(m->body.size(), t.offset);
            std::vector<Token> pasted;
            for (size_t i = 0; i < m->body.size(); ++i) {
                Token copy = m->body[i];
                copy.offset = t.offset;
                copy.hideset = pp_.unite(copy.hideset, hs);
                copy.lineStart = false;
                if (is(copy, "##") && i + 1 < m->body.size()) {
                    Token right = m->body[++i];
                    right.offset = t.offset;
                    right.hideset = pp_.unite(right.hideset, hs);
                    paste(pasted, right, t);
                    continue;
                }
                pasted.push_back(copy);
            }
            if (!pasted.empty()) pasted.front().spaceBefore = t.spaceBefore;
            pending_.insert(pending_.end(), pasted.rbegin(), pasted.rend());
            continue;
        }
        if (!peekIsParen()) {
            pp_.spend(1, t.offset);
            out.push_back(t);
            continue;
        }
        try {
            expandFunction(*m, index, t);
        } catch (const CompileError &e) {
            pp_.diagnostics().add(e);
        }
    }
}

std::vector<Token> Expander::expandList(const std::vector<Token> &tokens) {
    std::vector<Token> out;
    Expander(pp_, &tokens, depth_ + 1).run(out);
    return out;
}

Token Expander::stringize(const std::vector<Token> &arg, uint32_t offset) {
    std::string text = "\"";
    for (size_t i = 0; i < arg.size(); ++i) {
        if (i && arg[i].spaceBefore) text += ' ';
        for (char c : arg[i].text) {
            if (c == '"' || c == '\\') text += '\\';
            text += c;
        }
    }
    text += '"';
    Token t;
    t.kind = TokenKind::String;
    t.offset = offset;
    t.text = pp_.keep(std::move(text));
    return t;
}

void Expander::paste(std::vector<Token> &out, const Token &right, const Token &use) {
    if (out.empty()) {
        out.push_back(right);
        return;
    }
    Token left = out.back();
    std::string text = std::string(left.text) + std::string(right.text);
    std::string_view kept = pp_.keep(text);
    LexResult lexed = tokenize(kept);
    if (lexed.tokens.size() != 2 || lexed.tokens[0].kind == TokenKind::Invalid)
        fail(use.offset, "pasting " + cg::quoted(left.text) + " and " + cg::quoted(right.text) + " does not make one token");
    Token t = lexed.tokens[0];
    t.offset = use.offset;
    t.hideset = left.hideset;
    t.spaceBefore = left.spaceBefore;
    t.lineStart = false;
    out.back() = t;
}

// expansion of F(args): each argument macro-expanded on its own (but not beside # or ##),
// substituted, pasted, then read again with F hidden.
void Expander::expandFunction(const Macro &m, uint32_t index, const Token &name) {
    if (depth_ > limits::nesting) fail(name.offset, "macro arguments nested too deeply");
    Token t;
    next(t);  // '('
    std::vector<std::vector<Token>> args(1);
    int level = 0;
    Token close;
    for (;;) {
        if (!next(t)) fail(name.offset, "unterminated argument list of macro " + cg::quoted(m.name));
        if (level == 0 && is(t, ")")) {
            close = t;
            break;
        }
        if (is(t, "(")) ++level;
        if (is(t, ")")) --level;
        if (level == 0 && is(t, ",") && !(m.variadic && args.size() > m.params.size())) {
            args.emplace_back();
            continue;
        }
        args.back().push_back(t);
        pp_.spend(1, name.offset);
    }
    size_t wanted = m.params.size() + (m.variadic ? 1 : 0);
    if (args.size() == 1 && args[0].empty() && wanted == 0) args.clear();
    if (m.variadic && args.size() == m.params.size()) args.emplace_back();
    if (args.size() != wanted)
        fail(name.offset, "macro " + cg::quoted(m.name) + " takes " + std::to_string(wanted) + " argument" +
                              (wanted == 1 ? "" : "s") + ", " + std::to_string(args.size()) + " given");

    auto param = [&](const Token &b) -> int {
        if (b.kind != TokenKind::Ident) return -1;
        for (size_t i = 0; i < m.params.size(); ++i)
            if (m.params[i] == b.text) return int(i);
        if (m.variadic && b.text == "__VA_ARGS__") return int(m.params.size());
        return -1;
    };
    uint32_t hs = pp_.hide(pp_.intersect(name.hideset, close.hideset), index);
    std::vector<std::vector<Token>> expanded(args.size());
    std::vector<bool> done(args.size(), false);
    std::vector<Token> body;
    const std::vector<Token> &b = m.body;
    for (size_t i = 0; i < b.size(); ++i) {
        bool pasteAfter = i + 1 < b.size() && is(b[i + 1], "##");
        if (is(b[i], "#") && m.function && i + 1 < b.size() && param(b[i + 1]) >= 0) {
            body.push_back(stringize(args[size_t(param(b[i + 1]))], name.offset));
            ++i;
            continue;
        }
        if (is(b[i], "##") && i + 1 < b.size()) {
            int p = param(b[i + 1]);
            ++i;
            if (p >= 0) {
                const std::vector<Token> &arg = args[size_t(p)];
                if (arg.empty()) continue;
                Token first = arg[0];
                first.offset = name.offset;
                paste(body, first, name);
                for (size_t k = 1; k < arg.size(); ++k) body.push_back(arg[k]);
            } else {
                Token right = b[i];
                right.offset = name.offset;
                paste(body, right, name);
            }
            continue;
        }
        int p = param(b[i]);
        if (p < 0) {
            body.push_back(b[i]);
            continue;
        }
        if (pasteAfter) {
            const std::vector<Token> &arg = args[size_t(p)];
            body.insert(body.end(), arg.begin(), arg.end());
            continue;
        }
        if (!done[size_t(p)]) {
            expanded[size_t(p)] = expandList(args[size_t(p)]);
            done[size_t(p)] = true;
        }
        const std::vector<Token> &arg = expanded[size_t(p)];
        body.insert(body.end(), arg.begin(), arg.end());
    }
    pp_.spend(body.size(), name.offset);
    for (Token &x : body) {
        x.offset = name.offset;
        x.hideset = pp_.unite(x.hideset, hs);
        x.lineStart = false;
    }
    if (!body.empty()) body.front().spaceBefore = name.spaceBefore;
    pending_.insert(pending_.end(), body.rbegin(), body.rend());
}

}  // namespace

void preprocess(std::string_view text, const std::vector<Define> &defines, const SourceFiles &files, Preprocessed &out,
                Diagnostics &diagnostics) {
    Preprocessor pp(text, files, out, diagnostics);
    try {
        pp.run(defines);
    } catch (const CompileError &e) {
        diagnostics.add(e);
        pp.finishText();  // for the positions of what was reported
        Token end;
        end.offset = uint32_t(text.size());
        out.tokens.push_back(end);
    } catch (const Stop &) {
        pp.finishText();
        throw;
    }
}

}  // namespace vela::cg
