// The middle and back end: values as the lowering sees them (a vector is up to four
// independent scalars, each a constant or a component of some register), the instruction
// list they become (SSA: every instruction defines a new value), and the passes over it:
//   lower -> optimise -> allocate registers -> emit the profile's assembly.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "intrinsics.h"
#include "syntax.h"

namespace vela::cg {

// ---- Values -----------------------------------------------------------------------------

enum class File : uint8_t { None, Temp, Input, Output, Uniform, Table };

// Temp: a value (an instruction's result); Input, Output: a semantic's register number;
// Uniform: a row of the uniforms; Table: a constant table read with a computed index.
struct Ref {
    File file = File::None;
    uint32_t index = 0;
    bool operator==(const Ref &) const = default;
};

inline uint32_t semanticRegister(const Semantic &s) { return uint32_t(s.kind) * 16 + s.index; }
inline Semantic registerSemantic(uint32_t r) {
    Semantic s;
    s.kind = Semantic::Kind(r / 16);
    s.index = uint8_t(r % 16);
    return s;
}

// One scalar while lowering.
struct Comp {
    enum Kind : uint8_t { Undef, Const, Reg, Sampler };
    Kind kind = Undef;
    uint8_t c = 0;     // Reg: the component of `ref`
    bool neg = false;  // Reg: read negated
    Ref ref;           // Reg; Sampler: ref.index is the texture unit
    float k = 0;       // Const
    bool operator==(const Comp &o) const;
    static Comp constant(float k) {
        Comp c;
        c.kind = Const;
        c.k = k;
        return c;
    }
};

// A scalar or vector: n components.
struct Val {
    uint8_t n = 0;
    Comp c[4];
    bool isConst() const;
    bool isConst(float k) const;  // every component is k
    bool hasUndef() const;
    bool operator==(const Val &o) const {
        if (n != o.n) return false;
        for (int i = 0; i < n; ++i)
            if (!(c[i] == o.c[i])) return false;
        return true;
    }
};

// An aggregate as its rows (see rowCount): a matrix's rows, a struct's or array's rows in order.
using Agg = std::vector<Val>;

// ---- Instructions -------------------------------------------------------------------------

enum class Op : uint8_t {
#define OP(id, name, operands, lanes, properties) id,
#include "ops.def"
#undef OP
};

constexpr uint8_t shadowTarget = 5;
inline const char *targetName(uint8_t target) {
    static const char *const names[] = {"1D", "2D", "3D", "CUBE", "RECT", "SHADOW1D", "SHADOW2D", "SHADOW3D", "SHADOWCUBE", "SHADOWRECT"};
    return target < 10 ? names[target] : "?";
}

// What ops.def says of an operation.
struct OpInfo {
    enum Property : uint8_t { C = 1, S = 2, F = 4, K = 8, T = 16 };
    const char *name;
    uint8_t operands, lanes, properties;
};
extern const OpInfo opInfo[];
inline const char *opName(Op op) { return opInfo[int(op)].name; }
inline bool isScalarOp(Op op) { return opInfo[int(op)].properties & OpInfo::S; }
inline bool isComponentwise(Op op) { return opInfo[int(op)].properties & OpInfo::C; }
inline bool isFixedLayout(Op op) { return opInfo[int(op)].properties & OpInfo::F; }
inline bool isFoldable(Op op) { return opInfo[int(op)].properties & OpInfo::K; }
inline bool isTexture(Op op) { return opInfo[int(op)].properties & OpInfo::T; }
// The components each operand supplies to a result of n.
inline int operandLanes(Op op, int n) { return opInfo[int(op)].lanes ? opInfo[int(op)].lanes : n; }

struct Operand {
    Ref ref;                        // File::None: the constants k
    uint8_t swz[4] = {0, 1, 2, 3};  // the component read in each lane
    bool neg = false;
    float k[4] = {};
    uint32_t addr = 0;  // relative addressing: the address value + 1; ref.index is the array's first row
    int32_t rel = 0;    //   and rel the row within it
    bool isConst() const { return ref.file == File::None; }
};

struct Instr {
    Op op = Op::Mov;
    bool sat = false;
    uint8_t n = 0;      // components of the result
    uint8_t nsrc = 0;
    uint8_t unit = 0;   // texture lookups: the unit and the SamplerKind, + shadowTarget to compare
    uint8_t target = 0;
    uint32_t dst = 0;   // the value defined; Output: the result register; Arl: the address value
    Operand src[4];     // Build, Output: lane i from src[i]
    bool dead = false;
};

struct ValueInfo {
    uint8_t n = 0;
    uint32_t def = 0;  // the defining instruction
    bool address = false;
};

// A uniform variable: its rows and, once the code is final, the program.local slots.
struct UniformVar {
    std::string name;
    int firstRow = 0, rowCount = 0;
    int firstSlot = -1;
    int fixedSlot = -1;     // bound to a constant register ("register(c4)", ": C4")
    bool relative = false;  // read with a computed index
    int component = -1;     // packed with others into one slot: its first component there
    int derived = -1;       // no variable of the program's: the runtime's DerivedStep of this index
};

struct IrProgram {
    const ProfileDesc *profile = nullptr;
    std::vector<Instr> code;
    std::vector<ValueInfo> values;
    std::vector<UniformVar> uniforms;
    std::vector<int> rowVar;  // the uniform variable of each uniform row
    std::vector<std::vector<std::array<float, 4>>> tables;
    int addressValues = 0;
    int localSlots = 0;  // program.local slots the uniforms take (assignSlots)
    std::set<int> runtimeRows;  // uniform rows the runtime's derived steps read
    std::vector<DerivedStep> derived;  // what the runtime computes from the uniforms (deriveFromUniforms)
    bool shareLanes = true;  // a componentwise instruction reads lanes computed before (Builder)
    int sharedLanes = 0;     // lanes so read
    bool shareFactors = true;  // lanes with a factor in common take a constant on it once (optimize)
    int sharedFactors = 0;     // gathers so rewritten
};

// Makes instructions: folds constants, simplifies, shares equal instructions.
class Builder {
public:
    explicit Builder(IrProgram &ir) : ir_(ir) {}
    // op on `srcs` (a scalar operand spreads over n lanes), n components.
    Val emit(Op op, std::initializer_list<Val> srcs, int n, bool sat = false);
    Val tex(Op op, int unit, int target, const Val &coord);
    void kil(const Val &v);
    void output(uint32_t reg, const Val &v);
    // The value of row `rel` of an array of uniforms (or a constant table) at a computed index.
    Val loadRelative(Ref array, int32_t rel, uint32_t address, int n);
    uint32_t arl(const Val &index);
    Operand operand(const Val &v, int lanes);
    size_t size() const { return ir_.code.size(); }
    uint32_t where = 0;  // the construct being lowered, where a limit is reported

    static Val constant(float k, int n = 1);
    static Val reg(Ref r, int n);

private:
    Val emitVals(Op op, std::vector<Val> v, int n, bool sat);
    uint32_t append(Instr &i, bool shared, bool defines);
    bool fold(Op op, const std::vector<Operand> &ops, int n, float *out);
    bool reciprocal(const Comp &x, Val &out);
    bool atLeast(const Comp &x, const Comp &y, int depth) const;
    // Lanes: a componentwise instruction's lane is one scalar operation, which another
    // instruction's lane may already compute.
    Comp canonical(Comp c) const;
    std::string laneKey(Op op, bool sat, const std::vector<Val> &v, int l) const;
    void recordLanes(Op op, bool sat, const std::vector<Val> &v, const Val &result);
    IrProgram &ir_;
    std::unordered_map<std::string, uint32_t> seen_;
    std::unordered_map<std::string, Comp> laneSeen_;  // by laneKey: the component computing it
    std::unordered_map<uint64_t, Comp> same_;         // a value's component that is another's (x + 0)
};

// ---- Passes ----------------------------------------------------------------------------

// The entry function of the checked module as instructions; throws CompileError for what
// the profile cannot express.
void lower(const Source &source, const Module &module, std::string_view entry, const ProfileDesc &profile, IrProgram &ir,
           std::vector<ParameterInfo> &parameters, Diagnostics &diagnostics);

// The front end and the lowering alone, for the tests of the later passes: a text's "main"
// as IR, or false when it does not compile.
bool lowerText(std::string_view text, Profile profile, IrProgram &ir);

// Dead code, MAD and saturate forming, reads of relative addresses folded into their users.
void optimize(IrProgram &ir);

// `inner` as read through `outer`'s lanes (outer reads the value inner computes).
Operand through(const Operand &inner, const Operand &outer);
// Whether o reads one component (or one constant) in its first n lanes, and that one in all.
bool scalar(const Operand &o, int n);
Operand lane0(Operand o);
// Whether an instruction reads an operand at a computed index.
bool relative(const Instr &i);
// Each value's defining instruction (ValueInfo::def) after instructions moved.
void renumberDefinitions(IrProgram &ir);
// Puts extra[at], where set, just before instruction at (or just after it), and renumbers.
void insertInstructions(IrProgram &ir, const std::vector<std::optional<Instr>> &extra, bool after);
// before[at] goes just ahead of instruction at, in order.
void insertInstructions(IrProgram &ir, const std::vector<std::vector<Instr>> &before);
// By value: whether it comes from uniforms and constants alone.
std::vector<bool> uniformOnly(const IrProgram &ir);
// Which values come from uniforms and constants alone, and whether an operand reads one.
struct Fixed {
    std::vector<bool> only;
    explicit Fixed(const IrProgram &ir) : only(uniformOnly(ir)) {}
    bool operator()(const Operand &o) const {
        return !o.addr && (o.isConst() || o.ref.file == File::Uniform || (o.ref.file == File::Temp && only[o.ref.index]));
    }
};
// By value: the operands that read it, as a value or as an address.
std::vector<int> useCounts(const IrProgram &ir);

// Lanes 0..n-1 of op over the operands' values k[s][lane] (nsrc of them); false for an
// operation that does not fold.
bool evaluate(Op op, const float (*k)[4], int nsrc, int n, float *out);

// Instructions of uniforms and constants alone become the runtime's steps (ir.derived); the
// values the rest of the program reads become uniform rows of their own (UniformVar::derived).
// Their slots are known after assignSlots: setDerivedSlots.
void deriveFromUniforms(IrProgram &ir);
void setDerivedSlots(IrProgram &ir);
// Moves the instructions of a fragment program that read uniforms as early as they can go;
// true if any moved, the code as it was then in `before`.
bool readUniformsEarly(IrProgram &ir, std::vector<Instr> &before);

// Where each value lives: a register and, for each of its components, the register
// components (a bit mask: a component may be written to several) that hold it.
struct Placement {
    File file = File::Temp;  // Temp or Output
    uint32_t index = 0;      // physical temporary, or the output register
    uint8_t slots[4] = {};
};
struct Allocation {
    std::vector<Placement> place;        // by value
    std::vector<uint8_t> usedLanes;      // by value: components read by someone
    std::vector<std::array<bool, 4>> coalesced;  // by instruction (Build, Output): lanes already in place
    int temporaries = 0;
};
void allocate(const IrProgram &ir, Allocation &allocation);

// The IR as text, one instruction a line; with an allocation, where each value lives.
std::string printIr(const IrProgram &ir, const Allocation *allocation = nullptr);

// A fragment program's constants made by instructions into `registers` (one a vector of
// `vectors`, `used` lanes each), with `scratch` for the steps between; `anyRegister` is one
// the SWZ that gives 0 and 1 may name. False where a value cannot be made exactly, or not in
// `room` instructions.
struct ConstantPrologue {
    std::vector<std::string> lines;
    int scratchUsed = 0;  // components of `scratch`, in order
};
bool buildConstants(const std::vector<std::array<float, 4>> &vectors, const std::vector<int> &used,
                    const std::vector<std::string> &registers, const std::vector<std::string> &scratch,
                    const std::string &anyRegister, int room, ConstantPrologue &out);

// The program text in the profile's assembly, and what it uses.
std::string emit(const IrProgram &ir, const Allocation &allocation, ProgramStats &stats);

}  // namespace vela::cg
