// The program's interface, worked out before its body is lowered: the uniforms (their rows
// and texture units), the varying inputs bound to the profile's registers, the results,
// and the tree of parameters the runtime shows. Slots come later (assignSlots), once the
// optimised code says which uniforms are read.
#pragma once

#include "ir.h"

namespace vela::cg {

// A result register and where its value is found when the entry function returns.
struct OutputLeaf {
    Semantic semantic;
    const Var *var;  // the out parameter; null for the entry's result
    int row;         // within it
    std::string owner, member;  // an out parameter's name ("" for the result) and the struct member
};

struct Interface {
    const Function *entry = nullptr;
    std::vector<Agg> uniformRows;  // by uniform (index into IrProgram::uniforms)
    std::vector<int> uniformOf;    // by Var::id: its uniform, -1
    std::vector<std::pair<const Var *, Agg>> inputs;  // varying in parameters and their registers
    std::vector<OutputLeaf> outputs;
    // Why an input without a register cannot be read; its components are Undef with
    // ref {File::Input, index into this}, so that only a read of one is an error.
    std::vector<std::pair<uint32_t, std::string>> unbound;  // at the declaration
    std::vector<ParameterInfo> parameters;
    // Uniforms with an initial value: the parameter that holds it, computed with the body.
    std::vector<std::pair<size_t, const Var *>> defaults;
};

// Fills `out` and the uniforms of `ir`; throws CompileError for an interface the profile
// cannot have.
void buildInterface(const Source &source, const Module &module, std::string_view entryName,
                    const ProfileDesc &profile, IrProgram &ir, Interface &out, Diagnostics &diagnostics);

// "the <profile> profile cannot <what>"
[[noreturn]] void refuse(const ProfileDesc &profile, uint32_t offset, const std::string &what);

// Program.local slots for the uniforms the final code reads, in declaration order; the
// parameters' slots and whether the program references them.
// With `pack`, scalars and vectors of up to three components share slots.
void assignSlots(IrProgram &ir, std::vector<ParameterInfo> &parameters, bool pack = false);

}  // namespace vela::cg
