// The IR as text, for `vela-cgc -dump` and the tests of single passes: one instruction a
// line, values as %n, dead instructions left out.
//   %4 = MAD 3 %1.xyz, u2.xxx, {0.5}
//   out.COLOR0 = %4.x, %4.y, %4.z, {1}
#include <cstdio>

#include "ir.h"

namespace vela::cg {
namespace {

std::string number(float k) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", double(k));
    return buffer;
}

std::string registerName(const IrProgram &ir, const Ref &r) {
    switch (r.file) {
    case File::Temp: return joined("%", std::to_string(r.index));
    case File::Input: return joined("in.", semanticName(registerSemantic(r.index)));
    case File::Output: return joined("out.", semanticName(registerSemantic(r.index)));
    case File::Uniform: {
        std::string s = joined("u", std::to_string(r.index));
        if (r.index < ir.rowVar.size()) (s += "(") += ir.uniforms[size_t(ir.rowVar[r.index])].name + ")";
        return s;
    }
    case File::Table: return joined("t", std::to_string(r.index));
    case File::None: break;
    }
    return "?";
}

std::string operandText(const IrProgram &ir, const Operand &o, int lanes) {
    std::string s = o.neg ? "-" : "";
    if (o.isConst()) {
        s += "{";
        for (int l = 0; l < lanes; ++l) s += (l ? ", " : "") + number(o.k[l]);
        return s + "}";
    }
    s += registerName(ir, o.ref);
    if (o.addr) ((s += "[%") += std::to_string(o.addr - 1)) += (o.rel ? joined(" + ", std::to_string(o.rel)) : std::string()) + "]";
    s += ".";
    for (int l = 0; l < lanes; ++l) s += "xyzw"[o.swz[l] & 3];
    return s;
}

std::string placement(const IrProgram &ir, const Placement &p) {
    std::string s = p.file == File::Output ? registerName(ir, Ref{File::Output, p.index}) : joined("R", std::to_string(p.index));
    s += ".";
    for (int c = 0; c < 4; ++c) {
        if (!p.slots[c]) {
            s += '_';
            continue;
        }
        for (int j = 0; j < 4; ++j)
            if (p.slots[c] & (1u << j)) s += "xyzw"[j];
    }
    return s;
}

}  // namespace

std::string printIr(const IrProgram &ir, const Allocation *allocation) {
    std::string out = std::string("; ") + (ir.profile ? ir.profile->name : "?") + "\n";
    for (const UniformVar &u : ir.uniforms)
        ((out += "; uniform ") += u.name) += ": rows " + std::to_string(u.firstRow) + "+" + std::to_string(u.rowCount) +
                                       (u.firstSlot >= 0 ? joined(", slot ", std::to_string(u.firstSlot)) : std::string()) +
                                       (u.relative ? ", relative" : "") + "\n";
    for (const Instr &i : ir.code) {
        if (i.dead) continue;
        bool defines = i.op != Op::Output && i.op != Op::Kil;
        std::string line;
        if (i.op == Op::Output) {
            line = registerName(ir, Ref{File::Output, i.dst}) + " =";
        } else {
            if (defines) line = joined("%", std::to_string(i.dst)) + " = ";
            line += i.op == Op::Build ? "BUILD" : opName(i.op);
            if (i.sat) line += ".sat";
            if (defines) (line += " ") += std::to_string(i.n);
        }
        int lanes = operandLanes(i.op, i.n);
        for (int s = 0; s < i.nsrc; ++s) line += (s ? ", " : " ") + operandText(ir, i.src[s], lanes);
        if (isTexture(i.op)) {
            ((line += ", unit ") += std::to_string(i.unit)) += joined(" ", targetName(i.target));
        }
        if (allocation && defines && i.dst < allocation->place.size() && !ir.values[i.dst].address)
            (line += "  -> ") += placement(ir, allocation->place[i.dst]);
        out += line + "\n";
    }
    return out;
}

}  // namespace vela::cg
