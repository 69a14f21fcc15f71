// Emitter for the arbfp1 profile: ARB_fragment_program 1.0 text.
//
// Inputs: COLOR0-1, TEXCOORD0-7, WPOS. Results: COLOR, DEPTH. LRP, _SAT and TEX are
// native; a sampler2D is the texture unit the checker gave it.
#include "compiler.h"

namespace vela::cg {
namespace {

std::string inputName(const Semantic &s) {
    switch (s.kind) {
    case Semantic::Color: return s.index ? "fragment.color.secondary" : "fragment.color";
    case Semantic::TexCoord: return "fragment.texcoord[" + std::to_string(s.index) + "]";
    case Semantic::Wpos: return "fragment.position";
    default: return "?";
    }
}

std::string outputName(const Semantic &s) {
    switch (s.kind) {
    case Semantic::Color: return "result.color";
    case Semantic::Depth: return "result.depth";
    default: return "?";
    }
}

class Arbfp1 {
public:
    explicit Arbfp1(IrProgram &ir) : ir_(ir) {}

    std::string run() {
        out_ = "!!ARBfp1.0\n";
        out_ += declarations(ir_, ir_.temps);
        for (const Instr &i : ir_.code) instruction(i);
        out_ += "END\n";
        return std::move(out_);
    }

private:
    std::string name(Reg reg) const {
        if (reg.file == File::Input) return inputName(registerSemantic(reg.index));
        if (reg.file == File::Output) return outputName(registerSemantic(reg.index));
        return commonRegisterName(ir_, reg);
    }

    void instruction(const Instr &i) {
        out_ += opName(i.op);
        if (i.saturate) out_ += "_SAT";
        out_ += ' ';
        out_ += name(i.dst.reg) + maskSuffix(i.dst.mask);
        for (int k = 0; k < i.srcCount; ++k) {
            out_ += ", ";
            if (i.src[k].negate) out_ += '-';
            out_ += name(i.src[k].reg) + swizzleSuffix(i.src[k], isScalarOp(i.op));
        }
        if (i.op == Op::Tex) out_ += ", texture[" + std::to_string(i.textureUnit) + "], 2D";
        out_ += ";\n";
    }

    IrProgram &ir_;
    std::string out_;
};

}  // namespace

std::string emitArbfp1(IrProgram &ir) { return Arbfp1(ir).run(); }

}  // namespace vela::cg
