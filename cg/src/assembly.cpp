// Text shared by the two emitters: operands, write masks, numbers and declarations of
// ARB program assembly.
#include <charconv>

#include "compiler.h"

namespace vela::cg {

const char *opName(Op op) {
    static const char *const names[] = {"MOV", "ADD", "SUB", "MUL", "MAD", "DP3", "DP4",
                                        "MIN", "MAX", "ABS", "RCP", "RSQ", "LRP", "TEX"};
    return names[int(op)];
}

bool isScalarOp(Op op) { return op == Op::Rcp || op == Op::Rsq; }

// Plain decimal notation with the fewest digits that read back as the same float: the
// assembly grammar has no use for exponents.
std::string formatFloat(float value) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    return std::string(buf, end);
}

std::string swizzleSuffix(const Src &src, bool scalar) {
    static const char letters[] = "xyzw";
    const uint8_t *s = src.swizzle;
    if (scalar || (s[0] == s[1] && s[1] == s[2] && s[2] == s[3])) return {'.', letters[s[0]]};
    if (s[0] == 0 && s[1] == 1 && s[2] == 2 && s[3] == 3) return {};
    return {'.', letters[s[0]], letters[s[1]], letters[s[2]], letters[s[3]]};
}

std::string maskSuffix(uint8_t mask) {
    if (mask == 0xF) return {};
    std::string out = ".";
    for (int c = 0; c < 4; ++c)
        if (mask & (1u << c)) out += "xyzw"[c];
    return out;
}

namespace {

// A letter and a number, appended rather than prefixed: GCC 12 misreports "R" + string
// (-Wrestrict) once inlined.
std::string numbered(char letter, int index) {
    std::string name(1, letter);
    name += std::to_string(index);
    return name;
}

}  // namespace

std::string commonRegisterName(const IrProgram &ir, Reg reg) {
    switch (reg.file) {
    case File::Temp: return numbered('R', reg.index);
    case File::Const: return numbered('c', reg.index);
    case File::Uniform:
        for (const UniformInfo &u : ir.uniforms) {
            if (reg.index < u.firstSlot || reg.index >= u.firstSlot + u.slotCount) continue;
            if (u.type.kind == Type::Matrix) return "u_" + u.name + "[" + std::to_string(reg.index - u.firstSlot) + "]";
            return "u_" + u.name;
        }
        break;
    case File::Input:
    case File::Output: break;
    }
    return "?";
}

std::string declarations(const IrProgram &ir, int temps) {
    std::string out;
    for (const UniformInfo &u : ir.uniforms) {
        if (u.slotCount == 0) continue;
        if (u.type.kind == Type::Matrix)
            out += "PARAM u_" + u.name + "[" + std::to_string(u.slotCount) + "] = { program.local[" +
                   std::to_string(u.firstSlot) + ".." + std::to_string(u.firstSlot + u.slotCount - 1) + "] };\n";
        else
            out += "PARAM u_" + u.name + " = program.local[" + std::to_string(u.firstSlot) + "];\n";
    }
    for (size_t i = 0; i < ir.constants.size(); ++i) {
        const auto &k = ir.constants[i];
        out += "PARAM c" + std::to_string(i) + " = { " + formatFloat(k[0]) + ", " + formatFloat(k[1]) + ", " +
               formatFloat(k[2]) + ", " + formatFloat(k[3]) + " };\n";
    }
    if (temps > 0) {
        out += "TEMP R0";
        for (int i = 1; i < temps; ++i) out += ", R" + std::to_string(i);
        out += ";\n";
    }
    return out;
}

}  // namespace vela::cg
