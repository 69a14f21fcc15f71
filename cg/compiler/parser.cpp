// Parser: tokens -> syntax tree. One function a grammar rule, the rule above it. A syntax
// error is recorded and the parser goes on from the next statement or declaration, so that
// one text shows all its independent mistakes. Names of types (built-in, struct and
// typedef names) are known here, which is what tells a declaration from an expression.
#include <algorithm>
#include <unordered_map>

#include "syntax.h"

namespace vela::cg {
namespace {

struct Qualifiers {
    bool uniform = false, isConst = false, isStatic = false, in = false, out = false;
    uint32_t uniformOffset = 0, outOffset = 0;
};

class Parser {
public:
    Parser(const Source &source, const std::vector<Token> &tokens, Module &module, Diagnostics &diagnostics)
        : source_(source), tokens_(tokens), module_(module), diagnostics_(diagnostics) {
        scopes_.emplace_back();
    }

    // program = { ";" | typedef | struct-spec ";" | declaration | function }
    void program() {
        while (peek().kind != TokenKind::End) {
            size_t start = pos_;
            try {
                topLevel();
            } catch (const CompileError &e) {
                diagnostics_.add(e);
                recoverTopLevel(start);
            }
        }
        module_.endOffset = peek().offset;
    }

private:
    // ---- Tokens ------------------------------------------------------------------------

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
    static std::string describe(const Token &t) {
        if (t.kind == TokenKind::End) return "end of text";
        if (t.kind == TokenKind::String) return "a string";
        return quoted(t.text);
    }
    void expect(std::string_view text) {
        if (!accept(text)) fail(peek().offset, quoted(text) + " expected, found " + describe(peek()));
    }
    // Expects the token closing the one at `open`, naming the opener in the message.
    void expectClosing(std::string_view text, const Token &open) {
        if (!accept(text))
            fail(peek().offset, quoted(text) + " expected (to close " + quoted(open.text) + " at " +
                                    source_.where(open.offset) + "), found " + describe(peek()));
    }

    std::string_view name(const char *what) {
        const Token &t = peek();
        if (t.kind != TokenKind::Ident) fail(t.offset, std::string(what) + " expected, found " + describe(t));
        if (isKeyword(t.text)) fail(t.offset, std::string(what) + " expected, but " + quoted(t.text) + " is a keyword");
        advance();
        return t.text;
    }

    // Skips the rest of a failed top-level declaration: to its ';' or past its '{...}'.
    void recoverTopLevel(size_t start) {
        if (pos_ == start) advance();
        int depth = 0;
        while (peek().kind != TokenKind::End) {
            const Token &t = advance();
            if (is(t, "{")) ++depth;
            if (is(t, "}") && --depth <= 0) {
                accept(";");
                return;
            }
            if (is(t, ";") && depth == 0) return;
        }
    }

    // Skips the rest of a failed statement: to its ';' or to the '}' that ends its block.
    void recoverStatement(size_t start) {
        if (pos_ == start && !at("}")) advance();
        int depth = 0;
        while (peek().kind != TokenKind::End) {
            if (at("}") && depth == 0) return;
            const Token &t = advance();
            if (is(t, "{")) ++depth;
            if (is(t, "}") && --depth == 0) return;
            if (is(t, ";") && depth == 0) return;
        }
    }

    // ---- Types ---------------------------------------------------------------------------

    // A variable hides a type of its name from where it is declared on ("input input;"):
    // its scope holds an Error type for the name.
    const Type *findTypeName(std::string_view n) const {
        for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
            if (auto it = scope->find(n); it != scope->end()) return it->second.kind == Type::Error ? nullptr : &it->second;
        return nullptr;
    }
    void hideTypeName(std::string_view n) {
        if (findTypeName(n)) scopes_.back()[n] = Type{Type::Error, Base::Float, 1, 1, nullptr, nullptr};
    }

    bool isTypeName(const Token &t) const {
        if (t.kind != TokenKind::Ident) return false;
        Type ignored;
        return builtinType(t.text, ignored) || findTypeName(t.text) || t.text == "struct";
    }
    static bool isQualifier(const Token &t) {
        static const char *const words[] = {"uniform", "const", "static", "extern", "inline", "in", "out", "inout", "volatile"};
        for (const char *w : words)
            if (is(t, w)) return true;
        return false;
    }

    // qualifiers = { "uniform" | "const" | "static" | "extern" | "inline" | "in" | "out" | "inout" }
    Qualifiers qualifiers() {
        Qualifiers q;
        while (isQualifier(peek())) {
            const Token &t = advance();
            if (t.text == "uniform") {
                q.uniform = true;
                q.uniformOffset = t.offset;
            } else if (t.text == "const") {
                q.isConst = true;
            } else if (t.text == "static") {
                q.isStatic = true;
            } else if (t.text == "in") {
                q.in = true;
            } else if (t.text == "out" || t.text == "inout") {
                q.out = true;
                q.in = q.in || t.text == "inout";
                q.outOffset = t.offset;
            } else if (t.text == "volatile") {
                fail(t.offset, "'volatile' has no meaning in a shader");
            }
        }
        return q;
    }

    // type = builtin-type | struct-name | typedef-name | struct-spec
    Type type() {
        const Token &t = peek();
        if (at("struct")) return structSpec();
        if (t.kind == TokenKind::Ident) {
            Type result;
            if (builtinType(t.text, result)) {
                advance();
                return result;
            }
            if (const Type *named = findTypeName(t.text)) {
                advance();
                return *named;
            }
            static const char *const foreign[] = {"double", "string", "texture", "uint", "dword"};
            for (const char *f : foreign)
                if (t.text == f) fail(t.offset, "type " + quoted(t.text) + " is not part of the language");
            if (!isKeyword(t.text)) fail(t.offset, "unknown type " + quoted(t.text));
        }
        fail(t.offset, "type expected, found " + describe(t));
    }

    // array-suffix = { "[" [ expr ] "]" }   (an empty size is taken from the initialiser)
    Type arraySuffix(Type element, bool allowUnsized) {
        std::vector<std::pair<Expr *, uint32_t>> dims;
        while (at("[")) {
            const Token &open = advance();
            Expr *size = nullptr;
            if (!at("]")) size = expr(0);
            else if (!allowUnsized || !dims.empty()) fail(peek().offset, "array size expected");
            expectClosing("]", open);
            dims.emplace_back(size, open.offset);
        }
        for (size_t i = dims.size(); i-- > 0;) {
            element = module_.arrayOf(element, -1);
            pendingSizes_.push_back({&module_.arrays.back(), dims[i].first, dims[i].second});
        }
        return element;
    }

    // semantic-clause = [ ":" semantic ]
    Semantic semanticClause() {
        if (!accept(":")) return {};
        const Token &t = peek();
        if (t.kind != TokenKind::Ident) fail(t.offset, "semantic expected, found " + describe(t));
        advance();
        if (t.text == "register") return registerBinding(t);
        Semantic s;
        if (!parseSemantic(t.text, s)) fail(t.offset, "unknown semantic " + quoted(t.text));
        s.offset = t.offset;
        return s;
    }

    // binding = "register" "(" [ profile "," ] ( "s" n | "c" n ) ")": a sampler's texture
    // unit or a uniform's first constant slot.
    Semantic registerBinding(const Token &word) {
        expect("(");
        if (peek().kind == TokenKind::Ident && isProfileWord(peek().text) && peek(1).text == ",") {
            advance();
            advance();
        }
        const Token &r = peek();
        std::string_view text = r.kind == TokenKind::Ident ? r.text : "";
        auto number = [&](std::string_view digits, int max, int &out) {
            if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string_view::npos) return false;
            out = std::stoi(std::string(digits));
            return out <= max;
        };
        int index = 0;
        Semantic s;
        s.offset = word.offset;
        if (text.size() >= 2 && (text[0] == 's' || text[0] == 'S') && number(text.substr(1), 15, index)) {
            s.kind = Semantic::TexUnit;
        } else if (text.size() >= 2 && (text[0] == 'c' || text[0] == 'C') && number(text.substr(1), 255, index)) {
            s.kind = Semantic::Constant;
        } else {
            fail(r.offset, "register binding " + describe(r) +
                               " is none these profiles have (s0-s15 for samplers, c0-c255 for uniforms)");
        }
        s.index = uint8_t(index);
        advance();
        expect(")");
        return s;
    }

    // struct-spec = "struct" name [ "{" { type member { "," member } ";" } "}" ]
    // member = name array-suffix [ ":" semantic ]
    Type structSpec() {
        advance();
        uint32_t nameOffset = peek().offset;
        std::string_view structName = name("struct name");
        if (!at("{")) {
            const Type *known = findTypeName(structName);
            if (known && known->kind == Type::Struct) return *known;
            for (auto s = module_.structs.rbegin(); s != module_.structs.rend(); ++s)  // hidden by a variable
                if (s->name == structName) return Type{Type::Struct, Base::Float, 1, 1, &*s, nullptr};
            fail(nameOffset, "unknown struct " + quoted(structName));
        }
        if (auto it = scopes_.back().find(structName); it != scopes_.back().end())
            fail(nameOffset, "redefinition of " + quoted(structName) + " (first defined at " +
                                 source_.where(it->second.kind == Type::Struct ? it->second.decl->offset : nameOffset) + ")");
        StructDecl &decl = module_.structs.emplace_back();
        decl.name = structName;
        decl.offset = nameOffset;
        const Token &open = advance();
        while (!at("}") && peek().kind != TokenKind::End) {
            // 'uniform' on a member says what the struct's variable is; the variable decides.
            while (is(peek(), "uniform")) advance();
            if (isQualifier(peek())) fail(peek().offset, quoted(peek().text) + " cannot qualify a struct member");
            uint32_t typeOffset = peek().offset;
            Type t = type();
            if (t.kind == Type::Void) fail(typeOffset, "a struct member cannot be void");
            do {
                Member m;
                m.offset = peek().offset;
                m.name = name("member name");
                if (int previous = decl.find(m.name); previous >= 0)
                    fail(m.offset, "duplicate member " + quoted(m.name) + " (first declared at " +
                                       source_.where(decl.members[size_t(previous)].offset) + ")");
                m.type = arraySuffix(t, false);
                m.semantic = semanticClause();
                if (at("=")) fail(peek().offset, "struct members cannot have initialisers");
                decl.members.push_back(m);
            } while (accept(","));
            expect(";");
        }
        expectClosing("}", open);
        Type result{Type::Struct, Base::Float, 1, 1, &decl, nullptr};
        scopes_.back()[structName] = result;
        return result;
    }

    // typedef = "typedef" type name array-suffix ";"
    void typedefDecl() {
        advance();
        Type t = type();
        uint32_t offset = peek().offset;
        std::string_view n = name("type name");
        t = arraySuffix(t, false);
        if (scopes_.back().count(n)) fail(offset, "redefinition of type " + quoted(n));
        scopes_.back()[n] = t;
        expect(";");
    }

    // ---- Declarations ------------------------------------------------------------------------

    Var *newVar(std::string_view n, uint32_t offset, const Type &t, Storage storage, const Qualifiers &q) {
        Var &v = module_.vars.emplace_back();
        v.name = n;
        v.offset = offset;
        v.type = t;
        v.storage = storage;
        v.isConst = q.isConst;
        v.isStatic = q.isStatic;
        v.isUniform = q.uniform;
        v.isOut = q.out;
        v.isIn = q.in || !q.out;
        hideTypeName(n);
        return &v;
    }

    void topLevel() {
        if (accept(";")) return;
        if (at("typedef")) return typedefDecl();
        std::string_view profile;
        if (peek().kind == TokenKind::Ident && isProfileWord(peek().text)) profile = advance().text;
        Qualifiers q = qualifiers();
        Type t = type();
        if (at(";") && t.kind == Type::Struct) {  // a struct definition alone
            advance();
            return;
        }
        uint32_t nameOffset = peek().offset;
        std::string_view n = name("name");
        if (at("(")) {
            if (q.uniform) fail(q.uniformOffset, "'uniform' cannot qualify a function");
            function(t, n, nameOffset);
            module_.functions.back().profile = profile;
            return;
        }
        if (q.out) fail(q.outOffset, "'out' qualifies parameters, not global variables");
        declarators(t, n, nameOffset, Storage::Global, q, nullptr);
    }

    // declarators = declarator { "," name declarator } ";"
    // declarator = array-suffix [ ":" semantic ] [ "=" initialiser ]
    void declarators(const Type &t, std::string_view n, uint32_t nameOffset, Storage storage, const Qualifiers &q,
                     Stmt *decl) {
        for (;;) {
            Var *v = newVar(n, nameOffset, arraySuffix(t, true), storage, q);
            if (t.kind == Type::Void) fail(nameOffset, "variable " + quoted(n) + " cannot be void");
            v->semantic = semanticClause();
            if (v->semantic.kind != Semantic::None && storage == Storage::Local)
                fail(v->semantic.offset, "local variables cannot have a semantic");
            if (at("=")) {
                v->initOffset = advance().offset;
                v->init = initialiser(0);
            }
            if (storage == Storage::Global) module_.globals.push_back(v);
            else decl->vars.push_back(v);
            if (!accept(",")) break;
            nameOffset = peek().offset;
            n = name("variable name");
        }
        expect(";");
    }

    // initialiser = assignment | "{" initialiser { "," initialiser } [ "," ] "}"
    Expr *initialiser(int depth) {
        if (!at("{")) return assignment(depth);
        enter(peek().offset, depth);
        const Token &open = advance();
        std::vector<Expr *> items;
        while (!at("}")) {
            items.push_back(initialiser(depth + 1));
            if (!accept(",")) break;
        }
        expectClosing("}", open);
        return newExpr(Expr::InitList, open.offset, std::move(items));
    }

    // function = type name "(" [ param { "," param } | "void" ] ")" [ ":" semantic ] ( block | ";" )
    void function(Type result, std::string_view functionName, uint32_t offset) {
        Function &f = module_.functions.emplace_back();
        f.result = result;
        f.name = functionName;
        f.offset = offset;
        const Token &open = advance();
        scopes_.emplace_back();  // the parameters' names, and the body's
        struct Leave {
            std::vector<std::unordered_map<std::string_view, Type>> &scopes;
            ~Leave() { scopes.pop_back(); }
        } leave{scopes_};
        if (at("void") && is(peek(1), ")")) advance();
        if (!at(")")) {
            do f.params.push_back(param(f));
            while (accept(","));
        }
        expectClosing(")", open);
        f.resultSemantic = semanticClause();
        if (accept(";")) return;
        if (!at("{")) fail(peek().offset, "'{' expected, found " + describe(peek()));
        f.body = block(0);
    }

    // param = qualifiers type name array-suffix [ ":" semantic ]
    Var *param(Function &f) {
        Qualifiers q = qualifiers();
        Type t = type();
        uint32_t offset = peek().offset;
        std::string_view n = name("parameter name");
        if (q.uniform && q.out) fail(q.outOffset, "a uniform parameter cannot be 'out'");
        Var *v = newVar(n, offset, arraySuffix(t, false), Storage::Param, q);
        v->function = &f;
        if (t.kind == Type::Void) fail(offset, "parameter " + quoted(n) + " cannot be void");
        v->semantic = semanticClause();
        if (at("=")) fail(peek().offset, "parameters cannot have default values");
        return v;
    }

    // ---- Statements ------------------------------------------------------------------------

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
        if (e.depth > limits::expressionDepth) stop(offset, "expression nested too deeply");
        e.args = std::move(args);
        return &e;
    }

    void enter(uint32_t offset, int depth) {
        if (depth > limits::nesting) stop(offset, "nested too deeply (more than " + std::to_string(limits::nesting) + " levels)");
    }
    // A limit ends the parse: going on past it would only report what follows from it.
    [[noreturn]] void stop(uint32_t offset, std::string message) {
        diagnostics_.add(offset, std::move(message));
        throw Stop{};
    }

    // block = "{" { statement } "}"
    Stmt *block(int depth) {
        enter(peek().offset, depth);
        const Token &open = advance();
        Stmt *b = newStmt(Stmt::Block, open.offset);
        scopes_.emplace_back();
        while (!at("}") && peek().kind != TokenKind::End) {
            size_t start = pos_;
            try {
                if (Stmt *s = statement(depth + 1)) b->body.push_back(s);
            } catch (const CompileError &e) {
                diagnostics_.add(e);
                recoverStatement(start);
            }
        }
        scopes_.pop_back();
        b->endOffset = peek().offset;
        expectClosing("}", open);
        return b;
    }

    bool startsDeclaration() const {
        const Token &t = peek();
        if (isQualifier(t) || at("struct") || at("typedef")) return true;
        if (!isTypeName(t)) return false;
        return peek(1).kind == TokenKind::Ident;
    }

    // A statement in a scope of its own (the body of an if or a loop).
    Stmt *scoped(int depth) {
        scopes_.emplace_back();
        Stmt *s = statement(depth);
        scopes_.pop_back();
        if (!s) s = newStmt(Stmt::Block, peek().offset);
        return s;
    }

    // statement = block | ";" | if | for | while | do | "break" ";" | "continue" ";"
    //           | "return" [ expr ] ";" | "discard" ";" | declaration | expr ";"
    Stmt *statement(int depth) {
        enter(peek().offset, depth);
        const Token &t = peek();
        if (at("{")) return block(depth);
        if (accept(";")) return nullptr;
        if (at("if")) return ifStatement(depth);
        if (at("for")) return forStatement(depth);
        if (at("while")) return whileStatement(depth);
        if (at("do")) return doStatement(depth);
        if (at("break") || at("continue") || at("discard")) {
            advance();
            Stmt *s = newStmt(t.text == "break" ? Stmt::Break : t.text == "continue" ? Stmt::Continue : Stmt::Discard,
                              t.offset);
            expect(";");
            return s;
        }
        if (accept("return")) {
            Stmt *s = newStmt(Stmt::Return, t.offset);
            if (!at(";")) s->expr = expr(0);
            expect(";");
            return s;
        }
        static const char *const foreign[][2] = {
            {"switch", "'switch' statements are not part of the language (use 'if')"},
            {"case", "'case' outside a 'switch'"},
            {"default", "'default' outside a 'switch'"},
            {"goto", "'goto' is not part of the language"},
            {"else", "'else' without 'if'"},
        };
        for (const auto &[word, message] : foreign)
            if (at(word)) fail(t.offset, message);
        if (at("typedef")) {
            typedefDecl();
            return nullptr;
        }
        if (startsDeclaration()) return declaration(depth);
        if (t.kind == TokenKind::Ident && !isKeyword(t.text) && peek(1).kind == TokenKind::Ident)
            fail(t.offset, "unknown type " + quoted(t.text));
        Stmt *s = newStmt(Stmt::Expression, t.offset);
        s->expr = expr(0);
        if (!at(";")) fail(peek().offset, "';' expected, found " + describe(peek()));
        advance();
        return s;
    }

    // declaration = qualifiers type [ name declarators ] ";"
    Stmt *declaration(int) {
        Stmt *s = newStmt(Stmt::Decl, peek().offset);
        Qualifiers q = qualifiers();
        if (q.uniform) fail(q.uniformOffset, "'uniform' is not allowed inside a function");
        if (q.out) fail(q.outOffset, "'out' qualifies parameters, not local variables");
        Type t = type();
        if (t.kind == Type::Struct && accept(";")) return s;
        uint32_t nameOffset = peek().offset;
        std::string_view n = name("variable name");
        declarators(t, n, nameOffset, Storage::Local, q, s);
        return s;
    }

    // condition = "(" expr ")"
    Expr *condition() {
        const Token &open = peek();
        expect("(");
        Expr *e = expr(0);
        expectClosing(")", open);
        return e;
    }

    // if = "if" condition statement [ "else" statement ]
    Stmt *ifStatement(int depth) {
        Stmt *s = newStmt(Stmt::If, advance().offset);
        s->cond = condition();
        s->then = scoped(depth + 1);
        if (accept("else")) s->otherwise = scoped(depth + 1);
        return s;
    }

    // for = "for" "(" ( declaration | [ expr ] ";" ) [ expr ] ";" [ expr ] ")" statement
    Stmt *forStatement(int depth) {
        Stmt *s = newStmt(Stmt::For, advance().offset);
        const Token &open = peek();
        expect("(");
        scopes_.emplace_back();
        if (startsDeclaration()) {
            s->init = declaration(depth);
        } else if (!accept(";")) {
            s->init = newStmt(Stmt::Expression, peek().offset);
            s->init->expr = expr(0);
            expect(";");
        }
        if (!at(";")) s->cond = expr(0);
        expect(";");
        if (!at(")")) s->expr = expr(0);
        expectClosing(")", open);
        s->then = scoped(depth + 1);
        scopes_.pop_back();
        return s;
    }

    // while = "while" condition statement
    Stmt *whileStatement(int depth) {
        Stmt *s = newStmt(Stmt::While, advance().offset);
        s->cond = condition();
        s->then = scoped(depth + 1);
        return s;
    }

    // do = "do" statement "while" condition ";"
    Stmt *doStatement(int depth) {
        Stmt *s = newStmt(Stmt::Do, advance().offset);
        s->then = scoped(depth + 1);
        if (!at("while")) fail(peek().offset, "'while' expected after the body of 'do', found " + describe(peek()));
        advance();
        s->cond = condition();
        expect(";");
        return s;
    }

    // ---- Expressions -------------------------------------------------------------------------

    // expr = assignment { "," assignment }
    Expr *expr(int depth) {
        enter(peek().offset, depth);
        Expr *e = assignment(depth);
        while (at(",")) {
            const Token &comma = advance();
            e = newExpr(Expr::Comma, comma.offset, {e, assignment(depth)});
        }
        return e;
    }

    static uint8_t assignOp(const Token &t) {
        static const std::pair<std::string_view, uint8_t> table[] = {
            {"=", OpAssign}, {"+=", OpAdd}, {"-=", OpSub}, {"*=", OpMul}, {"/=", OpDiv}, {"%=", OpMod},
            {"&=", OpBitAnd}, {"|=", OpBitOr}, {"^=", OpBitXor}, {"<<=", OpShl}, {">>=", OpShr},
        };
        if (t.kind != TokenKind::Punct) return OpNone;
        for (const auto &[text, op] : table)
            if (t.text == text) return op;
        return OpNone;
    }

    // assignment = conditional [ ( "=" | "+=" | "-=" | "*=" | "/=" | "%=" | ... ) assignment ]
    Expr *assignment(int depth) {
        enter(peek().offset, depth);
        Expr *target = conditional(depth);
        uint8_t op = assignOp(peek());
        if (op == OpNone) return target;
        const Token &t = advance();
        Expr *value = assignment(depth + 1);
        Expr *e = newExpr(Expr::Assign, t.offset, {target, value});
        e->op = op;
        return e;
    }

    // conditional = binary [ "?" expr ":" assignment ]
    Expr *conditional(int depth) {
        Expr *c = binary(depth, 1);
        if (!at("?")) return c;
        const Token &q = advance();
        Expr *a = expr(depth + 1);
        if (!at(":")) fail(peek().offset, "':' expected in the conditional operator (its '?' is at " +
                                              source_.where(q.offset) + "), found " + describe(peek()));
        advance();
        Expr *b = assignment(depth + 1);
        return newExpr(Expr::Conditional, q.offset, {c, a, b});
    }

    static int precedence(const Token &t, uint8_t &op) {
        static const struct {
            std::string_view text;
            uint8_t op;
            int level;
        } table[] = {
            {"||", OpOr, 1},     {"&&", OpAnd, 2},   {"|", OpBitOr, 3},   {"^", OpBitXor, 4}, {"&", OpBitAnd, 5},
            {"==", OpEq, 6},     {"!=", OpNotEq, 6}, {"<", OpLess, 7},    {">", OpGreater, 7}, {"<=", OpLessEq, 7},
            {">=", OpGreaterEq, 7}, {"<<", OpShl, 8}, {">>", OpShr, 8},   {"+", OpAdd, 9},    {"-", OpSub, 9},
            {"*", OpMul, 10},    {"/", OpDiv, 10},   {"%", OpMod, 10},
        };
        if (t.kind != TokenKind::Punct) return -1;
        for (const auto &entry : table)
            if (t.text == entry.text) {
                op = entry.op;
                return entry.level;
            }
        return -1;
    }

    // binary = unary { binary-operator unary }, by C's precedence:
    //   || && | ^ & (== !=) (< > <= >=) (<< >>) (+ -) (* / %)
    Expr *binary(int depth, int minLevel) {
        Expr *left = unary(depth);
        for (;;) {
            uint8_t op = OpNone;
            int level = precedence(peek(), op);
            if (level < minLevel) return left;
            const Token &t = advance();
            Expr *right = binary(depth, level + 1);
            left = newExpr(Expr::Binary, t.offset, {left, right});
            left->op = op;
        }
    }

    // unary = ( "-" | "+" | "!" | "~" | "++" | "--" ) unary | "(" type ")" unary | postfix
    Expr *unary(int depth) {
        enter(peek().offset, depth);
        const Token &t = peek();
        static const std::pair<std::string_view, uint8_t> prefixes[] = {
            {"-", OpNeg}, {"+", OpPlus}, {"!", OpNot}, {"~", OpBitNot}, {"++", OpInc}, {"--", OpDec},
        };
        for (const auto &[text, op] : prefixes)
            if (at(text)) {
                advance();
                Expr *e = newExpr(Expr::Unary, t.offset, {unary(depth + 1)});
                e->op = op;
                return e;
            }
        if (at("(") && isTypeName(peek(1)) && !is(peek(2), "(")) {
            advance();
            Type castType = arraySuffix(type(), false);
            expectClosing(")", t);
            Expr *e = newExpr(Expr::Cast, t.offset, {unary(depth + 1)});
            e->written = castType;
            return e;
        }
        return postfix(depth);
    }

    // postfix = primary { "." name | "[" expr "]" | "++" | "--" }
    Expr *postfix(int depth) {
        Expr *e = primary(depth);
        for (;;) {
            if (at("++") || at("--")) {
                const Token &t = advance();
                e = newExpr(Expr::Postfix, t.offset, {e});
                e->op = t.text == "++" ? OpInc : OpDec;
                continue;
            }
            if (at("[")) {
                const Token &open = advance();
                Expr *index = expr(depth + 1);
                expectClosing("]", open);
                e = newExpr(Expr::Index, open.offset, {e, index});
                continue;
            }
            if (at("->")) fail(peek().offset, "'->' is not part of the language (there are no pointers; use '.')");
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

    // primary = number | "true" | "false" | "(" expr ")" | name | name "(" args ")" | type "(" args ")"
    // args = [ assignment { "," assignment } ]
    Expr *primary(int depth) {
        const Token &t = peek();
        if (t.kind == TokenKind::Number) {
            advance();
            Expr *e = newExpr(Expr::Literal, t.offset);
            e->value = t.value;
            e->written = Type::scalar(t.integer ? Base::Int : t.halfSuffix ? Base::Half : Base::Float);
            return e;
        }
        if (t.kind == TokenKind::String) fail(t.offset, "string literals are not part of the language");
        if (at("true") || at("false")) {
            advance();
            Expr *e = newExpr(Expr::Literal, t.offset);
            e->value = t.text == "true" ? 1 : 0;
            e->written = Type::scalar(Base::Bool);
            return e;
        }
        if (at("(")) {
            advance();
            Expr *e = expr(depth + 1);
            expectClosing(")", t);
            return e;
        }
        if (t.kind != TokenKind::Ident) fail(t.offset, "expression expected, found " + describe(t));
        if (isTypeName(t) && !at("struct")) {
            Type made = type();
            if (!at("(")) fail(t.offset, "expression expected, but " + quoted(t.text) + " is a type");
            Expr *e = newExpr(Expr::Construct, t.offset, arguments(depth));
            e->written = made;
            e->name = t.text;
            return e;
        }
        if (isKeyword(t.text)) fail(t.offset, "expression expected, but " + quoted(t.text) + " is a keyword");
        advance();
        if (!at("(")) {
            Expr *e = newExpr(Expr::Name, t.offset);
            e->name = t.text;
            return e;
        }
        Expr *call = newExpr(Expr::Call, t.offset, arguments(depth));
        call->name = t.text;
        return call;
    }

    std::vector<Expr *> arguments(int depth) {
        const Token &open = advance();
        std::vector<Expr *> args;
        if (!at(")")) {
            do args.push_back(assignment(depth + 1));
            while (accept(","));
        }
        expectClosing(")", open);
        return args;
    }

public:
    struct PendingSize {
        ArrayType *array;
        Expr *size;
        uint32_t offset;
    };
    std::vector<PendingSize> pendingSizes_;

private:
    const Source &source_;
    const std::vector<Token> &tokens_;
    Module &module_;
    Diagnostics &diagnostics_;
    size_t pos_ = 0;
    std::vector<std::unordered_map<std::string_view, Type>> scopes_;  // struct and typedef names
};

}  // namespace

void parse(const Source &source, const std::vector<Token> &tokens, Module &module, Diagnostics &diagnostics) {
    Parser parser(source, tokens, module, diagnostics);
    parser.program();
    for (const Parser::PendingSize &p : parser.pendingSizes_) module.arraySizes.push_back({p.array, p.size, p.offset});
}

}  // namespace vela::cg
