// The shader compiler's internal contract: tokens, syntax tree, checked program, the
// instruction list and the stages that produce them:
//   text -> tokenize -> parse -> check -> lower -> emit (one emitter a profile).
// Every stage reports a rejected text by throwing CompileError; compile() catches it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vela::cg {

enum class Profile : uint8_t { Arbvp1, Arbfp1 };
const char *profileName(Profile profile);

// A rejected text: byte offset of the fault in the text and what is wrong.
struct CompileError {
    uint32_t offset;
    std::string message;
};
[[noreturn]] void fail(uint32_t offset, std::string message);

// "line:column" (both from 1) of a byte offset.
std::string lineColumn(std::string_view text, uint32_t offset);
// "<line>:<column>: error: <message>", the text's line and a caret under the column.
std::string formatDiagnostic(std::string_view text, uint32_t offset, std::string_view message);
// A name or token as messages quote it: 'text'.
std::string quoted(std::string_view text);

// ---- Tokens -------------------------------------------------------------------------

enum class TokenKind : uint8_t { Ident, Number, Punct, End };

struct Token {
    TokenKind kind;
    uint32_t offset;
    std::string_view text;
    float value = 0;  // Number
};

std::vector<Token> tokenize(std::string_view source);

// ---- Types and semantics ------------------------------------------------------------

struct StructDecl;

struct Type {
    enum Kind : uint8_t { Void, Float, Matrix, Sampler2D, Struct };
    Kind kind = Void;
    uint8_t size = 1;  // Float: components (1 is a scalar); Matrix: rows
    uint8_t cols = 0;  // Matrix: columns
    const StructDecl *decl = nullptr;

    static Type scalar() { return {Float, 1, 0, nullptr}; }
    static Type vector(int n) { return {Float, uint8_t(n), 0, nullptr}; }
    bool isNumeric() const { return kind == Float; }
    bool operator==(const Type &) const = default;
};
std::string typeName(const Type &type);
// The type a built-in type name stands for (half, fixed and int read as float); false otherwise.
bool builtinType(std::string_view name, Type &type);
// A type name of the language that these profiles do not support (bool, double, sampler3D ...).
bool unsupportedTypeName(std::string_view name);
// Words that cannot name a variable, member, struct or function.
bool isKeyword(std::string_view word);
// Functions of the language's standard library that this compiler does not provide.
bool isUnsupportedIntrinsic(std::string_view name);

struct Semantic {
    enum Kind : uint8_t { None, Position, Normal, Color, TexCoord, Depth, Wpos, TexUnit };
    Kind kind = None;
    uint8_t index = 0;
    uint32_t offset = 0;
    bool sameRegister(const Semantic &o) const { return kind == o.kind && index == o.index; }
};
std::string semanticName(const Semantic &semantic);

// ---- Syntax tree --------------------------------------------------------------------

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
};

struct Var;

enum class Builtin : uint8_t { None, Construct, Mul, Dot, Normalize, Saturate, Min, Max, Abs, Lerp, Tex2D };

struct Expr {
    // Field is what the parser sees after '.'; the checker makes it a Member or a Swizzle.
    enum Kind : uint8_t { Literal, Name, Field, Member, Swizzle, Negate, Binary, Call };
    Kind kind;
    char op = 0;  // Binary: + - * /
    uint16_t depth = 1;
    uint32_t offset;
    std::string_view name;  // Name, Field/Member/Swizzle (the text after '.'), Call (callee)
    float value = 0;        // Literal
    std::vector<Expr *> args;

    // Filled in by the checker.
    Type type;
    Var *var = nullptr;               // Name
    int member = -1;                  // Member
    uint8_t swizzle[4] = {};          // Swizzle: source component of each result component
    Builtin builtin = Builtin::None;  // Call
};

struct Stmt {
    enum Kind : uint8_t { Block, Decl, Assign, Return };
    Kind kind;
    uint32_t offset;           // where the statement starts
    uint32_t opOffset = 0;     // Assign: its operator; Decl: its '='
    uint32_t endOffset = 0;    // Block: its closing brace
    std::vector<Stmt *> body;  // Block
    Type declType;             // Decl
    std::string_view name;     // Decl
    Expr *target = nullptr;    // Assign
    char op = '=';             // Assign: '=' or the operator of a compound assignment
    Expr *value = nullptr;     // Decl initialiser, Assign right-hand side, Return value
    Var *var = nullptr;        // Decl, filled in by the checker
};

struct Param {
    std::string_view name;
    Type type;
    Semantic semantic;
    bool uniform = false;
    uint32_t offset;
};

struct Function {
    Type result;
    std::string_view name;
    uint32_t offset;
    std::vector<Param> params;
    Semantic resultSemantic;
    Stmt *body = nullptr;
};

// A global declaration, which is a uniform parameter of the entry function.
struct Global {
    std::string_view name;
    Type type;
    Semantic semantic;
    uint32_t offset;
};

struct Module {
    std::deque<StructDecl> structs;
    std::vector<Function> functions;
    std::vector<Global> globals;
    std::deque<Expr> exprs;
    std::deque<Stmt> stmts;
    uint32_t endOffset = 0;
};

void parse(std::string_view source, const std::vector<Token> &tokens, Module &module);

// ---- Checked program ----------------------------------------------------------------

// One register-sized piece of a variable: the variable itself, or one member of a struct.
struct Leaf {
    Type type;
    Semantic semantic;    // inputs
    uint8_t written = 0;  // mask of the components set so far
    bool read = false;    // read other than by the final return
};

struct Var {
    enum Storage : uint8_t { Local, Input, Uniform };
    Storage storage;
    std::string_view name;
    Type type;
    uint32_t offset;
    int uniform = -1;         // index into CheckedProgram::uniforms
    bool toOutputs = false;   // the returned local, whose leaves live in the result registers
    std::vector<Leaf> leaves;
};

// A uniform as the runtime sees it: program local parameter slots, or a texture unit.
struct UniformInfo {
    std::string name;
    Type type;  // decl is not kept beyond compilation
    int firstSlot = -1;  // a matrix takes one slot a row
    int slotCount = 0;
    int textureUnit = -1;  // sampler2D
};

struct CheckedProgram {
    Profile profile = Profile::Arbvp1;
    const Function *entry = nullptr;
    std::deque<Var> vars;
    std::vector<UniformInfo> uniforms;
    std::vector<Leaf> outputs;  // the entry's result: one per leaf of the result type
    int slotCount = 0;
};

void check(std::string_view source, Module &module, Profile profile, std::string_view entry,
           CheckedProgram &program);

// ---- Instructions ---------------------------------------------------------------------

enum class Op : uint8_t { Mov, Add, Sub, Mul, Mad, Dp3, Dp4, Min, Max, Abs, Rcp, Rsq, Lrp, Tex };
const char *opName(Op op);

enum class File : uint8_t { Temp, Input, Output, Uniform, Const };

// Input/Output registers are numbered by semanticRegister(); Uniform by slot.
struct Reg {
    File file = File::Temp;
    uint16_t index = 0;
    bool operator==(const Reg &) const = default;
};
inline uint16_t semanticRegister(const Semantic &s) { return uint16_t(s.kind * 16 + s.index); }
inline Semantic registerSemantic(uint16_t index) {
    return Semantic{Semantic::Kind(index / 16), uint8_t(index % 16), 0};
}

struct Src {
    Reg reg;
    uint8_t swizzle[4] = {0, 1, 2, 3};
    bool negate = false;
};

struct Dst {
    Reg reg;
    uint8_t mask = 0xF;
};

struct Instr {
    Op op;
    bool saturate = false;
    Dst dst;
    Src src[3];
    uint8_t srcCount = 0;
    uint8_t textureUnit = 0;  // Tex
};

struct IrProgram {
    Profile profile = Profile::Arbvp1;
    std::vector<Instr> code;
    std::vector<std::array<float, 4>> constants;
    std::vector<uint8_t> constantUsed;  // components of each constant in use
    std::vector<UniformInfo> uniforms;
    int temps = 0;

    // A constant of n components (1: a scalar, shared where it can be) as an operand.
    Src constant(const float *values, int n);
};

void lower(const CheckedProgram &program, IrProgram &ir);

// Both emitters print through these.
std::string formatFloat(float value);
std::string swizzleSuffix(const Src &src, bool scalar);
std::string maskSuffix(uint8_t mask);
// "PARAM u_<name>..." for every uniform with slots, "PARAM c<n>..." for every constant,
// "TEMP R0, ..." for temps [0, temps).
std::string declarations(const IrProgram &ir, int temps);
// The name of a Temp, Uniform or Const register (Input/Output are the emitter's).
std::string commonRegisterName(const IrProgram &ir, Reg reg);
bool isScalarOp(Op op);

std::string emitArbvp1(IrProgram &ir);
std::string emitArbfp1(IrProgram &ir);

// ---- The whole pipeline ----------------------------------------------------------------

struct CompileResult {
    bool ok = false;
    std::string assembly;
    std::string listing;  // the diagnostic of a rejected text
    std::vector<UniformInfo> uniforms;
};
CompileResult compile(std::string_view source, Profile profile, std::string_view entry = "main");

}  // namespace vela::cg
