// Values of uniforms alone (normalize(lightDir), 1 - strength, a product of two matrices)
// are the same for every vertex and pixel: with -packuniforms the runtime computes them when
// a uniform is set, and the program reads them from slots of their own.
#include <algorithm>
#include <set>

#include "ir.h"

namespace vela::cg {

void deriveFromUniforms(IrProgram &ir) {
    std::vector<DerivedStep> &steps = ir.derived;
    std::vector<int> stepOf(ir.values.size(), -1);
    std::vector<bool> derived(ir.code.size(), false);
    auto fromUniforms = [&](const Operand &o) {
        if (o.addr) return false;
        return o.isConst() || o.ref.file == File::Uniform || (o.ref.file == File::Temp && stepOf[o.ref.index] >= 0);
    };
    std::set<uint32_t> read;  // uniform rows the program reads itself
    for (size_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (i.dead) continue;
        bool all = isFoldable(i.op) && !isTexture(i.op) && i.nsrc > 0, uniform = false;
        for (int s = 0; s < i.nsrc; ++s) {
            all = all && fromUniforms(i.src[s]);
            uniform = uniform || !i.src[s].isConst();
        }
        if (!all || !uniform) continue;  // constants alone the lowering folds, or leaves to the GL
        DerivedStep step;
        step.op = int(i.op);
        step.lanes = i.n;
        step.saturate = i.sat;
        step.nsrc = i.nsrc;
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            DerivedStep::Source &src = step.src[s];
            std::copy(o.swz, o.swz + 4, src.swz);
            std::copy(o.k, o.k + 4, src.k);
            src.neg = o.neg;
            if (o.ref.file == File::Uniform) src.row = int(o.ref.index);
            if (o.ref.file == File::Temp) src.step = stepOf[o.ref.index];
        }
        stepOf[i.dst] = int(steps.size());
        steps.push_back(step);
        derived[at] = true;
    }
    if (steps.empty()) return;
    // The values the rest reads become rows of their own, as many as the least slots every
    // implementation offers allow (24 program.local slots for fragment programs, 96 for
    // vertex programs); past that, nothing is derived.
    std::vector<int> rowOf(steps.size(), -1);
    int rows = 0;
    for (size_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (i.dead || derived[at]) continue;
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            if (o.ref.file == File::Uniform) read.insert(o.ref.index);
            if (o.ref.file == File::Temp && stepOf[o.ref.index] >= 0 && rowOf[size_t(stepOf[o.ref.index])] < 0)
                rowOf[size_t(stepOf[o.ref.index])] = rows++;
        }
    }
    int limit = ir.profile->stage == Stage::Fragment ? 24 : 96;
    std::set<int> vars;
    for (uint32_t r : read) vars.insert(ir.rowVar[r]);
    int slots = rows;
    for (int v : vars) slots += ir.uniforms[size_t(v)].rowCount;
    if (slots > limit) {
        steps.clear();
        return;
    }
    for (size_t st = 0; st < steps.size(); ++st) {
        if (rowOf[st] < 0) continue;
        UniformVar var;
        var.name = "derived" + std::to_string(st);
        var.firstRow = int(ir.rowVar.size());
        var.rowCount = 1;
        var.derived = int(st);
        rowOf[st] = var.firstRow;
        ir.rowVar.push_back(int(ir.uniforms.size()));
        ir.uniforms.push_back(var);
    }
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &i = ir.code[at];
        if (i.dead) continue;
        if (derived[at]) {
            i.dead = true;
            continue;
        }
        for (int s = 0; s < i.nsrc; ++s) {
            Operand &o = i.src[s];
            if (o.ref.file == File::Temp && stepOf[o.ref.index] >= 0)
                o.ref = Ref{File::Uniform, uint32_t(rowOf[size_t(stepOf[o.ref.index])])};
        }
    }
    for (const DerivedStep &step : steps)
        for (int s = 0; s < step.nsrc; ++s)
            if (step.src[s].row >= 0) ir.runtimeRows.insert(step.src[s].row);
}

void setDerivedSlots(IrProgram &ir) {
    for (const UniformVar &u : ir.uniforms)
        if (u.derived >= 0 && size_t(u.derived) < ir.derived.size()) ir.derived[size_t(u.derived)].slot = u.firstSlot;
}

std::vector<std::array<float, 4>> evaluateDerived(const std::vector<DerivedStep> &steps,
                                                  const std::function<std::array<float, 4>(int row)> &row) {
    std::vector<std::array<float, 4>> values(steps.size(), std::array<float, 4>{});
    for (size_t i = 0; i < steps.size(); ++i) {
        const DerivedStep &step = steps[i];
        if (step.op < 0 || step.op > int(Op::Output) || step.nsrc < 0 || step.nsrc > 3 || step.lanes < 0 || step.lanes > 4)
            continue;
        float k[3][4] = {};
        for (int s = 0; s < step.nsrc; ++s) {
            const DerivedStep::Source &src = step.src[s];
            std::array<float, 4> from = {};
            if (src.row >= 0) from = row(src.row);
            else if (src.step >= 0 && size_t(src.step) < i) from = values[size_t(src.step)];
            for (int l = 0; l < 4; ++l) {
                float v = src.row >= 0 || src.step >= 0 ? from[size_t(src.swz[l] & 3)] : src.k[l];
                k[s][l] = src.neg ? -v : v;
            }
        }
        float out[4] = {};
        if (!evaluate(Op(step.op), k, step.nsrc, step.lanes, out)) continue;
        for (int l = 0; l < step.lanes; ++l) {
            float v = out[l];
            if (step.saturate) v = v > 0 ? (v < 1 ? v : 1) : 0;  // NaN as 0
            values[i][size_t(l)] = v;
        }
    }
    return values;
}

}  // namespace vela::cg
