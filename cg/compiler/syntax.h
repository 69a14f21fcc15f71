// The front end's data: tokens, types, the syntax tree and the symbols the checker binds
// names to. The parser builds the tree; the checker annotates it in place (types, the
// variable or function a name means, implicit conversions) for the lowering stage.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"

namespace vela::cg {

// ---- Tokens ---------------------------------------------------------------------------

enum class TokenKind : uint8_t { Ident, Number, Punct, String, Invalid, End };

struct Token {
    TokenKind kind = TokenKind::End;
    bool lineStart = false;  // first token of its line (directives start so)
    bool spaceBefore = false;
    bool integer = false;    // Number: no '.', exponent or float suffix
    bool halfSuffix = false;
    uint32_t offset = 0;     // in the program text; a macro's tokens carry the offset of its use
    uint32_t hideset = 0;    // macros not to expand again in this token (preprocessor)
    std::string_view text;
    double value = 0;        // Number; Invalid: index of its message in LexResult::problems
};

struct LexResult {
    std::vector<Token> tokens;  // ends with an End token
    std::vector<std::string> problems;
};
// Never throws for a bad character or number (they become Invalid tokens, which only count
// when they are not skipped by the preprocessor); an unterminated comment is fatal.
LexResult tokenize(std::string_view text, uint32_t baseOffset = 0);

// The tokens the parser reads: macros expanded, directives obeyed. Texts of tokens made
// here (pasted, stringized, from options) live in `arena`.
struct Preprocessed {
    std::vector<Token> tokens;  // ends with an End token
    std::vector<LineMark> marks;
    std::deque<std::string> arena;
    // With includes: the program text and each file it included, one after another, as the
    // tokens' offsets count them; empty when it included nothing.
    std::string text;
    std::vector<FileSpan> files;
};
struct Define {
    std::string name, value;
    bool undefine = false;
};
// Errors go to `diagnostics`; the text is read to its end whatever they are.
void preprocess(std::string_view text, const std::vector<Define> &defines, const SourceFiles &files,
                Preprocessed &out, Diagnostics &diagnostics);

// ---- Types ------------------------------------------------------------------------------

struct StructDecl;
struct ArrayType;


struct Type {
    enum Kind : uint8_t { Error, Void, Scalar, Vector, Matrix, Sampler, Struct, Array };
    Kind kind = Void;
    Base base = Base::Float;
    uint8_t rows = 1;  // Matrix
    uint8_t cols = 1;  // Vector: its size; Matrix: columns; Sampler: its SamplerKind
    const StructDecl *decl = nullptr;
    const ArrayType *array = nullptr;

    static Type scalar(Base b = Base::Float) { return {Scalar, b, 1, 1, nullptr, nullptr}; }
    static Type vector(int n, Base b = Base::Float) {
        return n == 1 ? scalar(b) : Type{Vector, b, 1, uint8_t(n), nullptr, nullptr};
    }
    static Type matrix(int r, int c, Base b = Base::Float) { return {Matrix, b, uint8_t(r), uint8_t(c), nullptr, nullptr}; }
    static Type error() { return {Error, Base::Float, 1, 1, nullptr, nullptr}; }
    bool isNumeric() const { return kind == Scalar || kind == Vector || kind == Matrix; }
    bool isNumericTree() const;  // numeric, or a struct or array of numeric leaves only
    bool isVectorLike() const { return kind == Scalar || kind == Vector; }  // a value of one register
    int size() const { return kind == Vector ? cols : 1; }                 // components of a scalar or vector
    bool sameShape(const Type &o) const;
    bool operator==(const Type &o) const;
};

struct ArrayType {
    Type element;
    int length;
};

std::string typeName(const Type &type);
// A built-in type name (float3, half4x4, int, bool2, sampler2D, void ...).
bool builtinType(std::string_view name, Type &type);
// A word of the language that cannot name anything else.
bool isKeyword(std::string_view word);

// Values are laid out as rows: a scalar or vector is one row, a matrix one row each,
// structs and arrays the rows of their parts in order, a sampler one row.
int rowCount(const Type &type);

// ---- Semantics --------------------------------------------------------------------------

struct Semantic : SemanticRegister {
    uint32_t offset = 0;
    bool sameRegister(const Semantic &o) const { return kind == o.kind && index == o.index; }
};
std::string semanticName(const Semantic &semantic);
// NAME or NAMEn as written (any case); false when it is no semantic of the language.
bool parseSemantic(std::string_view text, Semantic &out);

// A vector converted to a smaller vector or a scalar: allowed, with a warning.
bool truncates(const Type &from, const Type &to);
// A 1xN or Nx1 matrix and a vector of N: the same numbers.
bool vectorMatrix(const Type &a, const Type &b);

// ---- Syntax tree ------------------------------------------------------------------------

struct Var;
struct Function;

struct Member {
    std::string_view name;
    Type type;
    Semantic semantic;
    uint32_t offset;
};

struct StructDecl {
    std::string_view name;
    uint32_t offset;
    std::vector<Member> members;
    int find(std::string_view member) const;
    int rowOffset(int member) const;  // the first row of a member within the struct
};

enum class Intrinsic : uint8_t;

struct Expr {
    enum Kind : uint8_t {
        Literal, Name, Field, Index, Call, Construct, Cast, Unary, Postfix, Binary, Assign, Conditional, InitList,
        Comma,
        // Made by the checker:
        Member,   // a struct member: member
        Swizzle,  // components of a vector, or matrix elements (rows/lanes)
        Convert,  // an implicit conversion of args[0] to type
    };
    Kind kind;
    uint8_t op = 0;        // Unary, Postfix, Binary, Assign: an Op* code below
    uint16_t depth = 1;
    uint32_t offset = 0;   // where the construct is reported (an operator at its operator)
    std::string_view name; // Name; Field (the text after '.'); Call (the callee)
    double value = 0;      // Literal
    std::vector<Expr *> args;
    Type written;          // Construct, Cast: the type named in the text; Literal: its type

    // Filled in by the checker.
    Type type;
    Var *var = nullptr;                 // Name
    const Function *callee = nullptr;   // Call of a user function
    Intrinsic intrinsic{};              // Call of an intrinsic
    int member = -1;                    // Member
    uint8_t count = 0;                  // Swizzle: components
    uint8_t rows[4] = {};               // Swizzle of a matrix: the row of each element
    uint8_t lanes[4] = {};              // Swizzle: the component (column) of each element
};

// Operator codes of Expr::op.
enum : uint8_t {
    OpNone, OpAdd, OpSub, OpMul, OpDiv, OpMod, OpLess, OpGreater, OpLessEq, OpGreaterEq, OpEq, OpNotEq,
    OpAnd, OpOr, OpBitAnd, OpBitOr, OpBitXor, OpShl, OpShr, OpNot, OpBitNot, OpNeg, OpPlus, OpInc, OpDec,
    OpAssign,
};
const char *opText(uint8_t op);

struct Stmt {
    enum Kind : uint8_t { Block, Decl, Expression, If, For, While, Do, Break, Continue, Return, Discard };
    Kind kind;
    uint32_t offset = 0;
    uint32_t endOffset = 0;       // Block: its closing brace
    std::vector<Stmt *> body;     // Block
    std::vector<Var *> vars;      // Decl
    Stmt *init = nullptr;         // For
    Stmt *then = nullptr;         // If; the body of loops
    Stmt *otherwise = nullptr;    // If
    Expr *cond = nullptr;         // If, loops
    Expr *expr = nullptr;         // Expression; For: the step; Return: the value
};

enum class Storage : uint8_t { Local, Param, Global };

struct Var {
    std::string_view name;
    uint32_t offset = 0;
    Type type;
    Storage storage = Storage::Local;
    bool isConst = false, isStatic = false, isUniform = false, isIn = true, isOut = false;
    Semantic semantic;
    Expr *init = nullptr;
    uint32_t initOffset = 0;  // its '='
    int id = -1;                      // dense, for the lowering's state
    const Function *function = nullptr;  // Param: its function
};

struct Function {
    Type result;
    std::string_view name;
    uint32_t offset = 0;
    std::vector<Var *> params;
    Semantic resultSemantic;
    Stmt *body = nullptr;  // null for a declaration without a body
    std::string_view profile;  // "arbfp1 float f(...)": defined for that profile only; "" for all
    const Function *definition = nullptr;  // filled in by the checker for declarations
};

struct Module {
    std::deque<StructDecl> structs;
    std::deque<ArrayType> arrays;
    std::deque<Function> functions;  // in the order of the text, declarations included
    std::vector<Var *> globals;      // in the order of the text
    std::deque<Var> vars;
    std::deque<Expr> exprs;
    std::deque<Stmt> stmts;
    uint32_t endOffset = 0;
    // The size written for each array type (null: taken from the initialiser); the checker
    // fills in ArrayType::length, -1 until then.
    struct ArraySize {
        ArrayType *array;
        Expr *size;
        uint32_t offset;
    };
    std::vector<ArraySize> arraySizes;

    Type arrayOf(const Type &element, int length);
};

// Parses the preprocessed tokens; errors go to `diagnostics` (the parser recovers at the
// next statement or declaration).
void parse(const Source &source, const std::vector<Token> &tokens, Module &module, Diagnostics &diagnostics);

// Checks every function and binds every name; errors go to `diagnostics`.
// Only the functions the entry (and the globals' initialisers) can reach are checked;
// definitions qualified for another profile are left out.
void check(const Source &source, Module &module, std::string_view entry, const ProfileDesc &profile,
           Diagnostics &diagnostics);
// The profile names programs qualify functions with, ours or not.
bool isProfileWord(std::string_view word);

// ---- Constant expressions ------------------------------------------------------------

// The value of a checked scalar expression made of literals, const variables with constant
// initialisers and arithmetic; false when it is not one.
bool constantValue(const Expr *e, double &value, int depth = 0);

}  // namespace vela::cg
