// Emitter for the arbvp1 profile: ARB_vertex_program 1.0 text.
//
// Inputs: POSITION, NORMAL, COLOR0-1, TEXCOORD0-7. Results: POSITION, COLOR0-1,
// TEXCOORD0-7. The instruction set has no LRP and no _SAT: both are expanded through one
// scratch temporary.
#include "compiler.h"

namespace vela::cg {
namespace {

std::string inputName(const Semantic &s) {
    switch (s.kind) {
    case Semantic::Position: return "vertex.position";
    case Semantic::Normal: return "vertex.normal";
    case Semantic::Color: return s.index ? "vertex.color.secondary" : "vertex.color";
    case Semantic::TexCoord: return "vertex.texcoord[" + std::to_string(s.index) + "]";
    default: return "?";
    }
}

std::string outputName(const Semantic &s) {
    switch (s.kind) {
    case Semantic::Position: return "result.position";
    case Semantic::Color: return s.index ? "result.color.secondary" : "result.color";
    case Semantic::TexCoord: return "result.texcoord[" + std::to_string(s.index) + "]";
    default: return "?";
    }
}

class Arbvp1 {
public:
    explicit Arbvp1(IrProgram &ir) : ir_(ir) {}

    std::string run() {
        bool expands = false, saturates = false;
        for (const Instr &i : ir_.code) {
            expands = expands || i.saturate || i.op == Op::Lrp;
            saturates = saturates || i.saturate;
        }
        scratch_ = Src{Reg{File::Temp, uint16_t(ir_.temps)}};
        if (saturates) {
            const float zero = 0, one = 1;
            zero_ = ir_.constant(&zero, 1);
            one_ = ir_.constant(&one, 1);
        }
        out_ = "!!ARBvp1.0\n";
        out_ += declarations(ir_, ir_.temps + (expands ? 1 : 0));
        for (const Instr &i : ir_.code) instruction(i);
        out_ += "END\n";
        return std::move(out_);
    }

private:
    void instruction(const Instr &i) {
        if (i.op != Op::Lrp && !i.saturate) {
            print(i.op, i.dst, i.src, i.srcCount);
            return;
        }
        Dst scratchDst{scratch_.reg, i.dst.mask};
        Dst result = i.saturate ? scratchDst : i.dst;
        if (i.op == Op::Lrp) {
            // lerp: a0*a1 + (1-a0)*a2 = a0*(a1-a2) + a2
            Src diff[] = {i.src[1], i.src[2]};
            print(Op::Sub, Dst{scratch_.reg, i.dst.mask}, diff, 2);
            Src mad[] = {i.src[0], scratch_, i.src[2]};
            print(Op::Mad, result, mad, 3);
        } else {
            print(i.op, result, i.src, i.srcCount);
        }
        if (i.saturate) {
            Src low[] = {scratch_, zero_};
            print(Op::Max, scratchDst, low, 2);
            Src high[] = {scratch_, one_};
            print(Op::Min, i.dst, high, 2);
        }
    }

    std::string name(Reg reg) const {
        if (reg.file == File::Input) return inputName(registerSemantic(reg.index));
        if (reg.file == File::Output) return outputName(registerSemantic(reg.index));
        return commonRegisterName(ir_, reg);
    }

    void print(Op op, const Dst &dst, const Src *src, int count) {
        out_ += opName(op);
        out_ += ' ';
        out_ += name(dst.reg) + maskSuffix(dst.mask);
        for (int k = 0; k < count; ++k) {
            out_ += ", ";
            if (src[k].negate) out_ += '-';
            out_ += name(src[k].reg) + swizzleSuffix(src[k], isScalarOp(op));
        }
        out_ += ";\n";
    }

    IrProgram &ir_;
    std::string out_;
    Src scratch_, zero_, one_;
};

}  // namespace

std::string emitArbvp1(IrProgram &ir) { return Arbvp1(ir).run(); }

}  // namespace vela::cg
