// Parser: tokens -> syntax tree. One function a grammar rule, the rule above it. Constructs
// outside the supported language are recognised here and rejected by name rather than left
// to fall out as a puzzling syntax error.
#include <algorithm>
#include <cctype>

#include "compiler.h"

namespace vela::cg {
namespace {

// Nesting of blocks and parentheses, and the depth of an expression tree: later stages
// recurse over the tree, so a hostile text must not be able to exhaust the stack.
constexpr int maxNesting = 64;
constexpr int maxExprDepth = 128;

class Parser {
public:
    Parser(std::string_view source, const std::vector<Token> &tokens, Module &module)
        : source_(source), tokens_(tokens), module_(module) {}

    // program = { struct-decl | global-decl | function }
    void program() {
        while (peek().kind != TokenKind::End) {
            if (at("struct"))
                structDecl();
            else if (at(";"))
                advance();
            else
                globalOrFunction();
        }
        module_.endOffset = peek().offset;
    }

private:
    const Token &peek(size_t ahead = 0) const {
        size_t i = pos_ + ahead;
        return i < tokens_.size() ? tokens_[i] : tokens_.back();
    }
    static bool is(const Token &t, std::string_view text) {
        return (t.kind == TokenKind::Ident || t.kind == TokenKind::Punct) && t.text == text;
    }
    bool at(std::string_view text) const { return is(peek(), text); }
    const Token &advance() {
        const Token &t = tokens_[pos_];
        if (t.kind != TokenKind::End) ++pos_;
        return t;
    }
    bool accept(std::string_view text) {
        if (!at(text)) return false;
        advance();
        return true;
    }
    std::string describe(const Token &t) const {
        return t.kind == TokenKind::End ? "end of text" : quoted(t.text);
    }
    void expect(std::string_view text) {
        if (!accept(text)) fail(peek().offset, quoted(text) + " expected, found " + describe(peek()));
    }
    // Expects the token closing the one at `open`, naming the opener in the message.
    void expectClosing(std::string_view text, const Token &open) {
        if (!accept(text))
            fail(peek().offset, quoted(text) + " expected (to close " + quoted(open.text) + " at " +
                                    lineColumn(source_, open.offset) + "), found " + describe(peek()));
    }

    std::string_view name(const char *what) {
        const Token &t = peek();
        if (t.kind != TokenKind::Ident) fail(t.offset, std::string(what) + " expected, found " + describe(t));
        if (isKeyword(t.text)) fail(t.offset, std::string(what) + " expected, but " + quoted(t.text) + " is a keyword");
        advance();
        return t.text;
    }

    const StructDecl *findStruct(std::string_view name) const {
        for (const StructDecl &s : module_.structs)
            if (s.name == name) return &s;
        return nullptr;
    }

    bool isTypeName(const Token &t) const {
        if (t.kind != TokenKind::Ident) return false;
        Type ignored;
        return builtinType(t.text, ignored) || unsupportedTypeName(t.text) || findStruct(t.text);
    }

    void rejectQualifier() {
        if (at("out") || at("inout"))
            fail(peek().offset, quoted(peek().text) + " parameters are not supported (the entry function returns its results)");
        static const char *const qualifiers[] = {"const", "static", "extern", "inline", "typedef", "packed"};
        for (const char *q : qualifiers)
            if (at(q)) fail(peek().offset, quoted(q) + " is not supported");
    }

    // type = builtin-type-name | struct-name
    Type type() {
        rejectQualifier();
        const Token &t = peek();
        Type result;
        if (t.kind == TokenKind::Ident) {
            if (builtinType(t.text, result)) {
                advance();
                return result;
            }
            if (unsupportedTypeName(t.text)) fail(t.offset, "type " + quoted(t.text) + " is not supported");
            if (const StructDecl *s = findStruct(t.text)) {
                advance();
                return Type{Type::Struct, 1, 0, s};
            }
            if (t.text == "struct") fail(t.offset, "'struct' before a type name is not needed here");
            if (!isKeyword(t.text)) fail(t.offset, "unknown type " + quoted(t.text));
        }
        fail(t.offset, "type expected, found " + describe(t));
    }

    void rejectArray() {
        if (at("[")) fail(peek().offset, "arrays are not supported");
    }

    // semantic-clause = [ ":" semantic ]
    Semantic semanticClause() {
        if (!accept(":")) return {};
        const Token &t = peek();
        if (t.kind != TokenKind::Ident) fail(t.offset, "semantic expected, found " + describe(t));
        advance();
        if (t.text == "register") fail(t.offset, "register bindings are not supported");
        std::string upper(t.text);
        for (char &c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
        Semantic s;
        s.offset = t.offset;
        // COLOR, COLOR0..1, TEXCOORD0..7, TEXUNIT0..15 (an index is required for TEXCOORD/TEXUNIT).
        auto indexed = [&](std::string_view prefix, Semantic::Kind kind, int count, bool needIndex) {
            if (upper.compare(0, prefix.size(), prefix) != 0) return false;
            std::string_view rest = std::string_view(upper).substr(prefix.size());
            int index = 0;
            if (rest.size() == 1 && rest[0] >= '0' && rest[0] <= '9')
                index = rest[0] - '0';
            else if (rest.size() == 2 && rest[0] == '1' && rest[1] >= '0' && rest[1] <= '9')
                index = 10 + rest[1] - '0';
            else if (!rest.empty() || needIndex)
                return false;
            if (index >= count) return false;
            s.kind = kind;
            s.index = uint8_t(index);
            return true;
        };
        if (upper == "POSITION" || upper == "POSITION0")
            s.kind = Semantic::Position;
        else if (upper == "NORMAL" || upper == "NORMAL0")
            s.kind = Semantic::Normal;
        else if (upper == "DEPTH")
            s.kind = Semantic::Depth;
        else if (upper == "WPOS")
            s.kind = Semantic::Wpos;
        else if (!indexed("COLOR", Semantic::Color, 2, false) && !indexed("TEXCOORD", Semantic::TexCoord, 8, false) &&
                 !indexed("TEXUNIT", Semantic::TexUnit, 16, true))
            fail(t.offset, "unknown semantic " + quoted(t.text));
        return s;
    }

    // struct-decl = "struct" name "{" { member } "}" ";"
    // member = type name [ ":" semantic ] ";"
    void structDecl() {
        const Token &keyword = advance();
        uint32_t nameOffset = peek().offset;
        std::string_view structName = name("struct name");
        if (const StructDecl *previous = findStruct(structName))
            fail(nameOffset, "redefinition of struct " + quoted(structName) + " (first defined at " +
                                 lineColumn(source_, previous->offset) + ")");
        StructDecl decl{structName, keyword.offset, {}};
        const Token &open = peek();
        expect("{");
        while (!at("}") && peek().kind != TokenKind::End) {
            Member m;
            m.offset = peek().offset;
            m.type = type();
            if (m.type.kind == Type::Struct) fail(m.offset, "nested structs are not supported");
            if (m.type.kind != Type::Float)
                fail(m.offset, "a struct member cannot be of type " + quoted(typeName(m.type)));
            m.offset = peek().offset;
            m.name = name("member name");
            if (int previous = decl.find(m.name); previous >= 0)
                fail(m.offset, "duplicate member " + quoted(m.name) + " (first declared at " +
                                   lineColumn(source_, decl.members[previous].offset) + ")");
            rejectArray();
            m.semantic = semanticClause();
            if (at("=")) fail(peek().offset, "member initialisers are not supported");
            expect(";");
            decl.members.push_back(m);
        }
        expectClosing("}", open);
        if (!at(";")) fail(peek().offset, "';' expected after the struct definition, found " + describe(peek()));
        advance();
        module_.structs.push_back(std::move(decl));
    }

    // global-decl = [ "uniform" ] type name [ ":" semantic ] ";"
    // function = type name function-rest
    void globalOrFunction() {
        bool uniform = accept("uniform");
        uint32_t typeOffset = peek().offset;
        Type t = type();
        uint32_t nameOffset = peek().offset;
        std::string_view n = name("name");
        if (at("(")) {
            if (uniform) fail(typeOffset, "'uniform' cannot qualify a function");
            function(t, n, nameOffset);
            return;
        }
        rejectArray();
        Global g{n, t, semanticClause(), nameOffset};
        if (at("=")) fail(peek().offset, "initialised global variables are not supported");
        if (at(",")) fail(peek().offset, "declare one global variable at a time");
        expect(";");
        module_.globals.push_back(g);
    }

    // function-rest = "(" [ param { "," param } | "void" ] ")" [ ":" semantic ] block
    void function(Type result, std::string_view functionName, uint32_t offset) {
        Function f{result, functionName, offset, {}, {}, nullptr};
        const Token &open = advance();
        if (at("void") && is(peek(1), ")")) advance();
        if (!at(")")) {
            do f.params.push_back(param());
            while (accept(","));
        }
        expectClosing(")", open);
        f.resultSemantic = semanticClause();
        if (at(";")) fail(peek().offset, "function declarations without a body are not supported");
        if (!at("{")) fail(peek().offset, "'{' expected, found " + describe(peek()));
        f.body = block(0);
        module_.functions.push_back(std::move(f));
    }

    // param = [ "in" ] [ "uniform" ] type name [ ":" semantic ]
    Param param() {
        Param p;
        accept("in");
        p.uniform = accept("uniform");
        p.offset = peek().offset;
        p.type = type();
        p.offset = peek().offset;
        p.name = name("parameter name");
        rejectArray();
        p.semantic = semanticClause();
        if (at("=")) fail(peek().offset, "default parameter values are not supported");
        return p;
    }

    Stmt *newStmt(Stmt::Kind kind, uint32_t offset) {
        Stmt &s = module_.stmts.emplace_back();
        s.kind = kind;
        s.offset = offset;
        return &s;
    }

    Expr *newExpr(Expr::Kind kind, uint32_t offset, std::vector<Expr *> args = {}) {
        Expr &e = module_.exprs.emplace_back();
        e.kind = kind;
        e.offset = offset;
        for (Expr *a : args) e.depth = std::max<uint16_t>(e.depth, uint16_t(a->depth + 1));
        if (e.depth > maxExprDepth) fail(offset, "expression nested too deeply");
        e.args = std::move(args);
        return &e;
    }

    void enter(uint32_t offset, int depth) {
        if (depth > maxNesting) fail(offset, "nested too deeply");
    }

    // block = "{" { statement } "}"
    Stmt *block(int depth) {
        enter(peek().offset, depth);
        const Token &open = advance();
        Stmt *b = newStmt(Stmt::Block, open.offset);
        while (!at("}") && peek().kind != TokenKind::End) statement(b->body, depth + 1);
        b->endOffset = peek().offset;
        expectClosing("}", open);
        return b;
    }

    // statement = block | "return" [ expr ] ";" | declaration | assignment | ";"
    void statement(std::vector<Stmt *> &out, int depth) {
        const Token &t = peek();
        if (at("{")) {
            out.push_back(block(depth));
            return;
        }
        if (accept(";")) return;
        if (accept("return")) {
            Stmt *s = newStmt(Stmt::Return, t.offset);
            if (!at(";")) s->value = expr(depth);
            expect(";");
            out.push_back(s);
            return;
        }
        static const char *const statements[][2] = {
            {"if", "'if' statements are not supported"},
            {"else", "'else' without 'if' ('if' statements are not supported)"},
            {"for", "'for' loops are not supported"},
            {"while", "'while' loops are not supported"},
            {"do", "'do' loops are not supported"},
            {"switch", "'switch' statements are not supported"},
            {"case", "'case' labels are not supported"},
            {"default", "'default' labels are not supported"},
            {"break", "'break' is not supported"},
            {"continue", "'continue' is not supported"},
            {"discard", "'discard' is not supported"},
            {"goto", "'goto' is not supported"},
            {"struct", "struct definitions inside functions are not supported"},
            {"uniform", "'uniform' is not allowed inside a function"},
        };
        for (const auto &[word, message] : statements)
            if (at(word)) fail(t.offset, message);
        rejectQualifier();
        if (isTypeName(t) && peek(1).kind == TokenKind::Ident) {
            declaration(out, depth);
            return;
        }
        assignment(out, depth);
    }

    // declaration = type declarator { "," declarator } ";"
    // declarator = name [ "=" expr ]
    void declaration(std::vector<Stmt *> &out, int depth) {
        Type t = type();
        do {
            Stmt *s = newStmt(Stmt::Decl, peek().offset);
            s->declType = t;
            s->name = name("variable name");
            rejectArray();
            if (at(":")) fail(peek().offset, "local variables cannot have a semantic");
            if (at("=")) {
                s->opOffset = advance().offset;
                s->value = expr(depth);
            }
            out.push_back(s);
        } while (accept(","));
        expect(";");
    }

    // assignment = postfix ( "=" | "+=" | "-=" | "*=" | "/=" ) expr ";"
    void assignment(std::vector<Stmt *> &out, int depth) {
        uint32_t start = peek().offset;
        Expr *target = expr(depth);
        const Token &op = peek();
        Stmt *s = newStmt(Stmt::Assign, start);
        s->opOffset = op.offset;
        s->target = target;
        if (at("="))
            s->op = '=';
        else if (at("+=") || at("-=") || at("*=") || at("/="))
            s->op = op.text[0];
        else if (at("++") || at("--") || at("%="))
            fail(op.offset, "operator " + quoted(op.text) + " is not supported");
        else if (at(";"))
            fail(start, "statement has no effect (an assignment is expected)");
        else
            fail(op.offset, "';' expected, found " + describe(op));
        advance();
        s->value = expr(depth);
        if (at("=")) fail(peek().offset, "chained assignments are not supported");
        expect(";");
        out.push_back(s);
    }

    void rejectOperator() {
        const Token &t = peek();
        if (t.kind != TokenKind::Punct) return;
        static const char *const comparisons[] = {"<", ">", "<=", ">=", "==", "!="};
        for (const char *c : comparisons)
            if (t.text == c) fail(t.offset, "comparison operator " + quoted(t.text) + " is not supported");
        static const char *const others[] = {"&&", "||", "&", "|", "^", "<<", ">>", "%", "->", "::"};
        for (const char *o : others)
            if (t.text == o) fail(t.offset, "operator " + quoted(t.text) + " is not supported");
        if (t.text == "?") fail(t.offset, "the conditional operator '?:' is not supported");
    }

    // expr = additive     (comparison, logical, bitwise and conditional operators are rejected)
    Expr *expr(int depth) {
        enter(peek().offset, depth);
        Expr *e = additive(depth + 1);
        rejectOperator();
        return e;
    }

    // additive = multiplicative { ( "+" | "-" ) multiplicative }
    Expr *additive(int depth) {
        Expr *left = multiplicative(depth);
        while (at("+") || at("-")) {
            const Token &op = advance();
            Expr *right = multiplicative(depth);
            left = newExpr(Expr::Binary, op.offset, {left, right});
            left->op = op.text[0];
        }
        return left;
    }

    // multiplicative = unary { ( "*" | "/" ) unary }
    Expr *multiplicative(int depth) {
        Expr *left = unary(depth);
        while (at("*") || at("/") || at("%")) {
            if (at("%")) rejectOperator();
            const Token &op = advance();
            Expr *right = unary(depth);
            left = newExpr(Expr::Binary, op.offset, {left, right});
            left->op = op.text[0];
        }
        return left;
    }

    // unary = ( "-" | "+" ) unary | postfix
    Expr *unary(int depth) {
        enter(peek().offset, depth);
        const Token &t = peek();
        if (accept("+")) return unary(depth + 1);
        if (accept("-")) return newExpr(Expr::Negate, t.offset, {unary(depth + 1)});
        if (at("!") || at("~") || at("++") || at("--"))
            fail(t.offset, "operator " + quoted(t.text) + " is not supported");
        return postfix(depth);
    }

    // postfix = primary { "." name }
    Expr *postfix(int depth) {
        Expr *e = primary(depth);
        for (;;) {
            if (at("[")) fail(peek().offset, "indexing is not supported");
            if (at("++") || at("--")) fail(peek().offset, "operator " + quoted(peek().text) + " is not supported");
            if (!at(".")) return e;
            advance();
            const Token &field = peek();
            if (field.kind != TokenKind::Ident)
                fail(field.offset, "member name or swizzle expected after '.', found " + describe(field));
            advance();
            e = newExpr(Expr::Field, field.offset, {e});
            e->name = field.text;
        }
    }

    // primary = number | "(" expr ")" | name | name "(" args ")" | type "(" args ")"
    // args = [ expr { "," expr } ]
    Expr *primary(int depth) {
        const Token &t = peek();
        if (t.kind == TokenKind::Number) {
            advance();
            Expr *e = newExpr(Expr::Literal, t.offset);
            e->value = t.value;
            return e;
        }
        if (at("(")) {
            if (isTypeName(peek(1)) && is(peek(2), ")")) fail(t.offset, "casts are not supported");
            advance();
            Expr *e = expr(depth + 1);
            expectClosing(")", t);
            return e;
        }
        if (t.kind != TokenKind::Ident) fail(t.offset, "expression expected, found " + describe(t));
        if (t.text == "true" || t.text == "false") fail(t.offset, "boolean literals are not supported");
        if (findStruct(t.text) && is(peek(1), "(")) fail(t.offset, "struct constructors are not supported");
        Type ignored;
        bool typeName = builtinType(t.text, ignored) || unsupportedTypeName(t.text);
        if (typeName && !is(peek(1), "("))
            fail(t.offset, "expression expected, but " + quoted(t.text) + " is a type");
        if (!typeName && isKeyword(t.text))
            fail(t.offset, "expression expected, but " + quoted(t.text) + " is a keyword");
        advance();
        if (!at("(")) {
            Expr *e = newExpr(Expr::Name, t.offset);
            e->name = t.text;
            return e;
        }
        const Token &open = advance();
        std::vector<Expr *> args;
        if (!at(")")) {
            do args.push_back(expr(depth + 1));
            while (accept(","));
        }
        expectClosing(")", open);
        Expr *call = newExpr(Expr::Call, t.offset, std::move(args));
        call->name = t.text;
        return call;
    }

    std::string_view source_;
    const std::vector<Token> &tokens_;
    Module &module_;
    size_t pos_ = 0;
};

}  // namespace

void parse(std::string_view source, const std::vector<Token> &tokens, Module &module) {
    Parser(source, tokens, module).program();
}

}  // namespace vela::cg
