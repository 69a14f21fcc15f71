// Values of uniforms alone (normalize(lightDir), 1 - strength, a product of two matrices)
// are the same for every vertex and pixel: with -packuniforms the runtime computes them when
// a uniform is set, and the program reads them from slots of their own.
#include <algorithm>
#include <bit>
#include <optional>
#include <set>

#include "ir.h"

namespace vela::cg {

std::vector<bool> uniformOnly(const IrProgram &ir) {
    std::vector<bool> only(ir.values.size(), false);
    for (const Instr &i : ir.code) {
        if (i.dead || !isFoldable(i.op) || isTexture(i.op) || relative(i)) continue;
        bool all = i.nsrc > 0;
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            all = all && (o.isConst() || o.ref.file == File::Uniform || (o.ref.file == File::Temp && only[o.ref.index]));
        }
        only[i.dst] = all;
    }
    return only;
}

namespace {

// (x + c) * b + d, with c, b and d of uniforms alone, is x * b + (c * b + d), and
// (x * b + d) + e is x * b + (d + e): the parts in brackets are then the runtime's
// ((c - 0.5) * contrast + 0.5 + lift loses two instructions).
void distribute(IrProgram &ir) {
    std::vector<bool> only = uniformOnly(ir);
    auto fixed = [&](const Operand &o) {
        return !o.addr && (o.isConst() || o.ref.file == File::Uniform || (o.ref.file == File::Temp && only[o.ref.index]));
    };
    std::vector<int> uses(ir.values.size(), 0);
    for (const Instr &i : ir.code)
        for (int s = 0; s < i.nsrc && !i.dead; ++s)
            if (i.src[s].ref.file == File::Temp) ++uses[i.src[s].ref.index];
    std::vector<std::optional<Instr>> before(ir.code.size());  // an instruction to put before each
    // Instruction `at` becomes x * b + e (or x * e + b with `factor`), e (of uniforms alone)
    // computed just before it.
    auto rewrite = [&](size_t at, Instr e, Operand x, Operand b, bool factor = false) {  // by value: m's own
        Instr &m = ir.code[at];
        e.sat = false;
        e.dst = uint32_t(ir.values.size());
        ir.values.push_back(ValueInfo{m.n, 0, false});
        only.push_back(true);
        uses.push_back(1);
        m.op = Op::Mad;
        m.nsrc = 3;
        m.src[0] = x;
        m.src[factor ? 2 : 1] = b;
        m.src[factor ? 1 : 2] = Operand{};
        m.src[factor ? 1 : 2].ref = Ref{File::Temp, e.dst};
        before[at] = e;
    };
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &m = ir.code[at];
        if (m.dead || relative(m)) continue;
        // lerp(a, b, t) with a and b of uniforms alone is t * (b - a) + a, b - a the runtime's
        // (a gradient between two colours loses a subtraction a lane). Not for a and b of one
        // uniform, which the program would then read twice over.
        const Operand &b = m.src[1], &a = m.src[2];
        if (m.op == Op::Lrp && !fixed(m.src[0]) && fixed(b) && fixed(a) && !(b.isConst() && a.isConst()) &&
            !(b.ref.file == File::Uniform && b.ref == a.ref)) {
            Instr e = m;  // b - a
            e.op = Op::Add;
            e.nsrc = 2;
            e.src[0] = b;
            e.src[1] = a;
            e.src[1].neg = !a.neg;
            rewrite(at, e, m.src[0], a, true);
            continue;
        }
        for (int f = 0; f < 2 && (m.op == Op::Mul || m.op == Op::Mad); ++f) {
            const Operand a = m.src[f];
            if (a.ref.file != File::Temp || a.addr || uses[a.ref.index] != 1 || only[a.ref.index] || !fixed(m.src[1 - f]) ||
                (m.op == Op::Mad && !fixed(m.src[2])))
                continue;
            Instr &add = ir.code[ir.values[a.ref.index].def];
            if (add.dead || add.op != Op::Add || add.sat || relative(add)) continue;
            int c = fixed(add.src[1]) ? 1 : fixed(add.src[0]) ? 0 : -1;
            if (c < 0) continue;
            Instr e = m;  // c * b + d
            e.src[0] = through(add.src[c], a);
            e.src[1] = m.src[1 - f];
            add.dead = true;
            rewrite(at, e, through(add.src[1 - c], a), m.src[1 - f]);
            break;
        }
        // (x * b + d) + e is x * b + (d + e).
        for (int f = 0; f < 2 && m.op == Op::Add && !before[at]; ++f) {
            const Operand a = m.src[f];
            if (a.ref.file != File::Temp || a.addr || uses[a.ref.index] != 1 || only[a.ref.index] || !fixed(m.src[1 - f]))
                continue;
            Instr &mad = ir.code[ir.values[a.ref.index].def];
            if (mad.dead || mad.op != Op::Mad || mad.sat || relative(mad) || !fixed(mad.src[2])) continue;
            int k = fixed(mad.src[1]) ? 0 : fixed(mad.src[0]) ? 1 : -1;  // the factor that varies
            if (k < 0) continue;
            Instr e = m;  // d + e
            e.src[0] = through(mad.src[2], a);
            e.src[1] = m.src[1 - f];
            Operand b = through(mad.src[1 - k], a);
            b.neg = mad.src[1 - k].neg;  // the sign once, on x
            mad.dead = true;
            rewrite(at, e, through(mad.src[k], a), b);
            break;
        }
    }
    insertInstructions(ir, before, false);
}

// The components (row * 4 + component) of uniform rows an operand of `i` reads.
void readComponents(const Instr &i, const Operand &o, std::set<int> &into) {
    if (o.ref.file != File::Uniform || o.addr) return;
    int lanes = isScalarOp(i.op) ? 1 : operandLanes(i.op, i.n);
    for (int l = 0; l < lanes; ++l) into.insert(int(o.ref.index) * 4 + (o.swz[l] & 3));
}

}  // namespace

void deriveFromUniforms(IrProgram &ir) {
    distribute(ir);
    std::vector<DerivedStep> steps;
    std::vector<std::set<int>> inputs;      // the uniform components each step's value comes from
    std::vector<int> stepOf(ir.values.size(), -1);
    std::vector<bool> derived(ir.code.size(), false);
    auto fromUniforms = [&](const Operand &o) {
        if (o.addr) return false;
        return o.isConst() || o.ref.file == File::Uniform || (o.ref.file == File::Temp && stepOf[o.ref.index] >= 0);
    };
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
        std::set<int> from;
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            DerivedStep::Source &src = step.src[s];
            std::copy(o.swz, o.swz + 4, src.swz);
            std::copy(o.k, o.k + 4, src.k);
            src.neg = o.neg;
            if (o.ref.file == File::Uniform) src.row = int(o.ref.index);
            if (o.ref.file == File::Temp) src.step = stepOf[o.ref.index];
            readComponents(i, o, from);
            if (src.step >= 0) from.insert(inputs[size_t(src.step)].begin(), inputs[size_t(src.step)].end());
        }
        stepOf[i.dst] = int(steps.size());
        steps.push_back(step);
        inputs.push_back(std::move(from));
        derived[at] = true;
    }
    if (steps.empty()) return;
    // What the rest reads: uniform components, and the components of the steps' values
    // ("roots").
    std::set<int> have;
    std::vector<uint8_t> rootLanes(steps.size(), 0);
    for (size_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (i.dead || derived[at]) continue;
        int lanes = isScalarOp(i.op) ? 1 : operandLanes(i.op, i.n);
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            readComponents(i, o, have);
            if (o.ref.file == File::Temp && stepOf[o.ref.index] >= 0)
                for (int l = 0; l < lanes; ++l) rootLanes[size_t(stepOf[o.ref.index])] |= uint8_t(1u << (o.swz[l] & 3));
        }
    }
    // A fragment program fetches each uniform component it reads for every group of pixels
    // (llvmpipe gathers it lane by lane), which costs far more than an instruction: a root
    // that would have the program read more components than its inputs would, to save an
    // instruction or two (1 - strength, with strength read too), stays the program's work.
    std::vector<bool> inCode(steps.size(), false);
    for (bool changed = ir.profile->stage == Stage::Fragment; changed;) {
        changed = false;
        for (size_t st = 0; st < steps.size(); ++st) {
            if (!rootLanes[st] || inCode[st]) continue;
            int more = 0;
            for (int c : inputs[st]) more += !have.count(c);
            if (more >= std::popcount(unsigned(rootLanes[st]))) continue;
            // It and what it comes from stay instructions.
            std::vector<int> todo = {int(st)};
            while (!todo.empty()) {
                int x = todo.back();
                todo.pop_back();
                if (inCode[size_t(x)]) continue;
                inCode[size_t(x)] = true;
                for (int s = 0; s < steps[size_t(x)].nsrc; ++s)
                    if (steps[size_t(x)].src[s].step >= 0) todo.push_back(steps[size_t(x)].src[s].step);
            }
            have.insert(inputs[st].begin(), inputs[st].end());
            changed = true;
        }
    }
    // The steps the runtime still computes, renumbered; the roots among them become rows of
    // their own, as many as the least slots every implementation offers allow (24
    // program.local slots for fragment programs, 96 for vertex programs); past that,
    // nothing is derived.
    std::vector<bool> needed(steps.size(), false);
    for (size_t st = steps.size(); st-- > 0;) {
        needed[st] = needed[st] || (rootLanes[st] && !inCode[st]);
        if (needed[st])
            for (int s = 0; s < steps[st].nsrc; ++s)
                if (steps[st].src[s].step >= 0) needed[size_t(steps[st].src[s].step)] = true;
    }
    std::vector<int> renumbered(steps.size(), -1);
    std::vector<DerivedStep> kept;
    for (size_t st = 0; st < steps.size(); ++st) {
        if (!needed[st]) continue;
        renumbered[st] = int(kept.size());
        kept.push_back(steps[st]);
        for (int s = 0; s < kept.back().nsrc; ++s)
            if (int &from = kept.back().src[s].step; from >= 0) from = renumbered[size_t(from)];
    }
    std::set<uint32_t> read;  // uniform rows the program reads itself
    int rows = 0;
    for (size_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (i.dead || (derived[at] && !inCode[size_t(stepOf[i.dst])])) continue;
        for (int s = 0; s < i.nsrc; ++s)
            if (i.src[s].ref.file == File::Uniform) read.insert(i.src[s].ref.index);
    }
    for (size_t st = 0; st < steps.size(); ++st) rows += rootLanes[st] && !inCode[st];
    int limit = ir.profile->stage == Stage::Fragment ? 24 : 96;
    std::set<int> vars;
    for (uint32_t r : read) vars.insert(ir.rowVar[r]);
    int slots = rows;
    for (int v : vars) slots += ir.uniforms[size_t(v)].rowCount;
    if (slots > limit || kept.empty()) return;
    std::vector<int> rowOf(steps.size(), -1);
    for (size_t st = 0; st < steps.size(); ++st) {
        if (!rootLanes[st] || inCode[st]) continue;
        UniformVar var;
        var.name = "derived" + std::to_string(renumbered[st]);
        var.firstRow = int(ir.rowVar.size());
        var.rowCount = 1;
        var.derived = renumbered[st];
        rowOf[st] = var.firstRow;
        ir.rowVar.push_back(int(ir.uniforms.size()));
        ir.uniforms.push_back(var);
    }
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &i = ir.code[at];
        if (i.dead) continue;
        if (derived[at] && !inCode[size_t(stepOf[i.dst])]) {
            i.dead = true;
            continue;
        }
        for (int s = 0; s < i.nsrc; ++s) {
            Operand &o = i.src[s];
            if (o.ref.file == File::Temp && stepOf[o.ref.index] >= 0 && rowOf[size_t(stepOf[o.ref.index])] >= 0)
                o.ref = Ref{File::Uniform, uint32_t(rowOf[size_t(stepOf[o.ref.index])])};
        }
    }
    for (const DerivedStep &step : kept)
        for (int s = 0; s < step.nsrc; ++s)
            if (step.src[s].row >= 0) ir.runtimeRows.insert(step.src[s].row);
    ir.derived = std::move(kept);
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
