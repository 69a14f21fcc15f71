// Values of uniforms alone (normalize(lightDir), 1 - strength, a product of two matrices)
// are the same for every vertex and pixel: with -packuniforms the runtime computes them when
// a uniform is set, and the program reads them from slots of their own.
#include <algorithm>
#include <bit>
#include <map>
#include <numeric>
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
    Fixed fixed(ir);
    std::vector<bool> &only = fixed.only;
    std::vector<int> uses = useCounts(ir);
    std::vector<std::optional<Instr>> before(ir.code.size());  // an instruction to put before each
    // Whether the value of instruction `at` is read once, by an ADD of something of uniforms
    // alone.
    std::vector<bool> sumFollows(ir.code.size(), false);
    for (const Instr &i : ir.code)
        for (int s = 0; s < 2 && !i.dead && i.op == Op::Add; ++s) {
            const Operand &o = i.src[s];
            if (o.ref.file == File::Temp && !o.addr && uses[o.ref.index] == 1 && fixed(i.src[1 - s]))
                sumFollows[ir.values[o.ref.index].def] = true;
        }
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
            // c * b + d of constants and b, which x * b reads anyway, is no fewer components
            // to fetch: a fragment program would compute it itself, in the shape that hides
            // 1 - t from the GL's compiler (1 + k * (1 - s) as a LRP's weight). Unless a sum
            // with another uniform follows, which the second form below takes.
            if (ir.profile->stage == Stage::Fragment && add.src[c].isConst() &&
                (m.op != Op::Mad || m.src[2].isConst()) && !sumFollows[at])
                continue;
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

// New instructions, put before the instructions that read them: `before[at]` goes just ahead
// of instruction at.
struct Additions {
    IrProgram &ir;
    std::vector<bool> &only;
    std::vector<std::vector<Instr>> before;

    Additions(IrProgram &program, std::vector<bool> &fixedValues)
        : ir(program), only(fixedValues), before(program.code.size()) {}

    // An instruction over operands read in n lanes, of uniforms alone unless `fixed` is
    // false: one lane when every operand is a scalar there, so that the runtime's value is
    // one component to fetch. Returns the operand that reads it in those n lanes.
    Operand add(size_t at, Op op, std::initializer_list<Operand> operands, int n, bool fixed = true) {
        bool one = true;
        for (const Operand &o : operands) one = one && scalar(o, n);
        Instr e;
        e.op = op;
        e.n = uint8_t(one ? 1 : n);
        e.nsrc = uint8_t(operands.size());
        int s = 0;
        for (const Operand &o : operands) e.src[s++] = one ? lane0(o) : o;
        e.dst = uint32_t(ir.values.size());
        ir.values.push_back(ValueInfo{e.n, 0, false});
        only.push_back(fixed);
        before[at].push_back(e);
        Operand r;
        r.ref = Ref{File::Temp, e.dst};
        if (one) std::fill(r.swz, r.swz + 4, uint8_t(0));
        return r;
    }

    void insert() { insertInstructions(ir, before); }
};

bool factorOp(const Instr &i) { return !i.dead && (i.op == Op::Mul || i.op == Op::Mad) && !relative(i); }

// x = y * s, with s a scalar of uniforms alone, read only as a factor beside another of
// uniforms alone, directly or through a dot product (dot(x, w) * f): s joins each such
// factor, which the runtime computes, and x goes (exposure before a saturation and its
// luminance: three lanes and a fetch fewer).
void carryScalarFactors(IrProgram &ir) {
    Fixed fixed(ir);
    std::vector<bool> &only = fixed.only;
    auto reads = [](const Operand &o, uint32_t v) { return o.ref.file == File::Temp && o.ref.index == v; };
    std::vector<std::vector<std::pair<uint32_t, int>>> readers(ir.values.size());  // (instruction, operand)
    for (uint32_t at = 0; at < ir.code.size(); ++at)
        for (int s = 0; s < ir.code[at].nsrc && !ir.code[at].dead; ++s) {
            const Operand &o = ir.code[at].src[s];
            if (o.ref.file == File::Temp) readers[o.ref.index].push_back({at, o.addr ? -1 : s});
            if (o.addr) readers[o.addr - 1].push_back({at, -1});
        }
    Additions added(ir, only);
    std::vector<bool> touched(ir.code.size(), false);  // rewritten once already
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &x = ir.code[at];
        if (!factorOp(x) || x.op != Op::Mul || x.sat || only[x.dst]) continue;
        int f = fixed(x.src[1]) ? 1 : fixed(x.src[0]) ? 0 : -1;
        if (f < 0 || readers[x.dst].empty()) continue;
        struct Use {
            uint32_t reader, factor;  // the instruction that reads x; the one whose factor takes s
            int operand, other;       // reader's operand that reads x; factor's operand that takes s
        };
        std::vector<Use> plan;
        bool ok = true;
        for (auto [r, u] : readers[x.dst]) {
            const Instr &i = ir.code[r];
            ok = ok && u >= 0 && u < 2 && !touched[r] && !relative(i) && !reads(i.src[1 - u], x.dst);
            if (!ok) break;
            const Operand &o = i.src[u];
            if (factorOp(i) && fixed(i.src[1 - u]) && scalar(through(x.src[f], o), i.n)) {
                plan.push_back({r, r, u, 1 - u});
                continue;
            }
            ok = (i.op == Op::Dp3 || i.op == Op::Dp4) && scalar(through(x.src[f], o), operandLanes(i.op, i.n)) &&
                 readers[i.dst].size() == 1;
            if (!ok) break;
            auto [q, v] = readers[i.dst][0];
            const Instr &m = ir.code[q];
            ok = v >= 0 && v < 2 && factorOp(m) && !touched[q] && fixed(m.src[1 - v]);
            if (ok) plan.push_back({r, q, u, 1 - v});
        }
        if (!ok) continue;
        for (const Use &use : plan) {
            Instr &r = ir.code[use.reader];
            Operand sc = through(x.src[f], r.src[use.operand]);
            sc.neg = x.src[f].neg;  // the reader's sign stays with y
            r.src[use.operand] = through(x.src[1 - f], r.src[use.operand]);
            Instr &m = ir.code[use.factor];
            m.src[use.other] = added.add(use.factor, Op::Mul, {m.src[use.other], lane0(sc)}, m.n);
            touched[use.reader] = touched[use.factor] = true;
        }
        x.dead = true;
    }
    added.insert();
}

// (x * b + k) * c + e, with b, c and e of uniforms alone, c a scalar, is x * (b * c) + K,
// where K = k * c + e is the runtime's for a k of uniforms alone, and for k = l * g + h
// (g and h of uniforms alone) l * (g * c) + (h * c + e): one product and sum a lane where
// there were two, and the factors fetched as one (a contrast after a saturation).
void carryIntoSums(IrProgram &ir) {
    Fixed fixed(ir);
    std::vector<bool> &only = fixed.only;
    std::vector<int> uses = useCounts(ir);
    // The MAD that defines what o reads, with o's sign moved onto `sign` (o then read plain),
    // and which of its factors varies; null if none such.
    auto mad = [&](Operand &o, Operand &sign, int &varies) -> Instr * {
        // (values made here are read once, by what they were made for)
        if (o.ref.file != File::Temp || o.addr || o.ref.index >= uses.size() || uses[o.ref.index] != 1 ||
            only[o.ref.index])
            return nullptr;
        Instr &i = ir.code[ir.values[o.ref.index].def];
        if (i.dead || i.op != Op::Mad || i.sat || relative(i)) return nullptr;
        varies = fixed(i.src[1]) ? 0 : fixed(i.src[0]) ? 1 : -1;
        if (varies < 0) return nullptr;
        sign.neg = sign.neg != o.neg;
        o.neg = false;
        return &i;
    };
    Additions added(ir, only);
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &m = ir.code[at];
        if (!factorOp(m) || (m.op == Op::Mad && !fixed(m.src[2]))) continue;
        for (int f = 0; f < 2; ++f) {
            Operand a = m.src[f], c = m.src[1 - f];
            int xi = -1;
            if (!fixed(c) || !scalar(c, m.n)) continue;
            Instr *inner = mad(a, c, xi);
            if (!inner) continue;
            Operand x = through(inner->src[xi], a), b = through(inner->src[1 - xi], a), k = through(inner->src[2], a);
            bool sum = m.op == Op::Mad;
            Operand e = m.src[2];
            Operand kc = lane0(c), K;
            int li = -1;
            if (fixed(k)) {
                K = sum ? added.add(at, Op::Mad, {k, kc, e}, m.n) : added.add(at, Op::Mul, {k, kc}, m.n);
            } else if (Instr *kd = mad(k, kc, li); kd && fixed(kd->src[2])) {
                Operand l = through(kd->src[li], k), g = through(kd->src[1 - li], k), h = through(kd->src[2], k);
                Operand gc = added.add(at, Op::Mul, {g, kc}, m.n);
                Operand hc = sum ? added.add(at, Op::Mad, {h, kc, e}, m.n) : added.add(at, Op::Mul, {h, kc}, m.n);
                K = added.add(at, Op::Mad, {l, gc, hc}, m.n, false);
                kd->dead = true;
            } else {
                continue;
            }
            Operand bc = added.add(at, Op::Mul, {b, lane0(c)}, m.n);
            inner->dead = true;
            m.op = Op::Mad;
            m.nsrc = 3;
            m.src[0] = x;
            m.src[1] = bc;
            m.src[2] = K;
            break;
        }
    }
    added.insert();
}

// The components (row * 4 + component) of uniform rows an operand of `i` reads.
void readComponents(const Instr &i, const Operand &o, std::set<int> &into) {
    if (o.ref.file != File::Uniform || o.addr) return;
    int lanes = isScalarOp(i.op) ? 1 : operandLanes(i.op, i.n);
    for (int l = 0; l < lanes; ++l) into.insert(int(o.ref.index) * 4 + (o.swz[l] & 3));
}

}  // namespace

void deriveFromUniforms(IrProgram &ir) {
    carryScalarFactors(ir);
    distribute(ir);
    carryIntoSums(ir);
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
        // A BUILD gathers lanes (a vector's reciprocal, RCP by RCP): the runtime's too.
        bool all = (isFoldable(i.op) || i.op == Op::Build) && !isTexture(i.op) && i.nsrc > 0, uniform = false;
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
    std::vector<bool> onlySelects(steps.size(), true);  // read only as what a CMP selects by
    for (size_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (i.dead || derived[at]) continue;
        int lanes = isScalarOp(i.op) ? 1 : operandLanes(i.op, i.n);
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            readComponents(i, o, have);
            if (o.ref.file == File::Temp && stepOf[o.ref.index] >= 0) {
                for (int l = 0; l < lanes; ++l) rootLanes[size_t(stepOf[o.ref.index])] |= uint8_t(1u << (o.swz[l] & 3));
                if (i.op != Op::Cmp || s != 0) onlySelects[size_t(stepOf[o.ref.index])] = false;
            }
        }
    }
    // A fragment program fetches each uniform component it reads for every group of pixels
    // (llvmpipe gathers it lane by lane), which costs about as much as a sine: roots that
    // would have the program read more components than their inputs would, to save an
    // instruction or two (1 - strength, with strength read too), stay the program's work;
    // cos(hue) and sin(hue) for hue are worth their fetch. Roots that share an input not read
    // otherwise are judged together: 1 / (1 + w) and w / (1 + w) are two components where w
    // was one.
    auto perPixel = [&](const DerivedStep &step) {  // in additions
        switch (Op(step.op)) {
        case Op::Ex2: case Op::Lg2: case Op::Pow: case Op::Sin: case Op::Cos: return 24;
        case Op::Rcp: case Op::Rsq: return 4;
        case Op::Build: return 0;  // moves the GL folds away
        default: return step.lanes;
        }
    };
    const int fetch = 22;
    std::vector<bool> inCode(steps.size(), false);
    // A gather with constant lanes, or one component in two lanes, stays the program's: moves,
    // which the GL's compiler folds, where a row of its own would be fetched lane by lane, its
    // constants too (a texel's offsets, (-d.x, 0, d.x, 0)). What it gathers is read instead.
    for (size_t st = steps.size(); st-- > 0;) {
        const DerivedStep &b = steps[st];
        if (!rootLanes[st] || Op(b.op) != Op::Build) continue;
        bool wasteful = false;
        for (int k = 0; k < b.nsrc; ++k) {
            const DerivedStep::Source &x = b.src[k];
            wasteful = wasteful || (x.row < 0 && x.step < 0);
            for (int j = 0; j < k; ++j) {
                const DerivedStep::Source &y = b.src[j];
                wasteful = wasteful || (x.row == y.row && x.step == y.step && x.swz[0] == y.swz[0] && (x.row >= 0 || x.step >= 0));
            }
        }
        if (!wasteful) continue;
        inCode[st] = true;
        for (int k = 0; k < b.nsrc; ++k) {
            const DerivedStep::Source &x = b.src[k];
            if (x.step >= 0) {
                rootLanes[size_t(x.step)] |= uint8_t(1u << (x.swz[0] & 3));
                onlySelects[size_t(x.step)] = false;
            } else if (x.row >= 0) {
                have.insert(x.row * 4 + (x.swz[0] & 3));
            }
        }
    }
    // A step and those it is made from, each once, but none the program computes already.
    auto madeFrom = [&](int st, std::set<int> &seen) {
        for (std::vector<int> todo = {st}; !todo.empty();) {
            int x = todo.back();
            todo.pop_back();
            if (inCode[size_t(x)] || !seen.insert(x).second) continue;
            for (int k = 0; k < steps[size_t(x)].nsrc; ++k)
                if (steps[size_t(x)].src[k].step >= 0) todo.push_back(steps[size_t(x)].src[k].step);
        }
    };
    for (bool changed = ir.profile->stage == Stage::Fragment; changed;) {
        changed = false;
        std::vector<size_t> group(steps.size());
        std::iota(group.begin(), group.end(), size_t(0));
        auto find = [&](size_t x) {
            while (group[x] != x) x = group[x] = group[group[x]];
            return x;
        };
        std::map<int, size_t> firstReader;  // by input component
        for (size_t st = 0; st < steps.size(); ++st)
            if (rootLanes[st] && !inCode[st])
                for (int c : inputs[st])
                    if (!have.count(c) && !firstReader.emplace(c, st).second) group[find(st)] = find(firstReader[c]);
        struct Judged {
            int lanes = 0;           // of the group's roots
            std::set<int> more;      // inputs not read otherwise
            std::set<int> work;      // the steps the program would do instead
        };
        std::map<size_t, Judged> judged;  // by group
        for (size_t st = 0; st < steps.size(); ++st)
            if (rootLanes[st] && !inCode[st]) {
                Judged &g = judged[find(st)];
                g.lanes += std::popcount(unsigned(rootLanes[st]));
                for (int c : inputs[st])
                    if (!have.count(c)) g.more.insert(c);
                madeFrom(int(st), g.work);
            }
        for (size_t st = 0; st < steps.size(); ++st) {
            if (!rootLanes[st] || inCode[st]) continue;
            const Judged &g = judged[find(st)];
            int extra = g.lanes - int(g.more.size()), saved = 0;
            for (int x : g.work) saved += perPixel(steps[size_t(x)]);
            // A comparison of inputs the program selects by is no work for a GL that selects by
            // the comparison itself, and a value to compare again where it is fetched.
            bool select = onlySelects[st] && g.work.size() == 1 &&
                          (Op(steps[st].op) == Op::Slt || Op(steps[st].op) == Op::Sge);
            if (!(select && extra >= 0) && (extra <= 0 || saved >= fetch * extra)) continue;
            // It and what it comes from stay instructions.
            std::set<int> staying;
            madeFrom(int(st), staying);
            for (int x : staying) inCode[size_t(x)] = true;
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
        if (step.op < 0 || step.op > int(Op::Output) || step.nsrc < 0 || step.nsrc > 4 || step.lanes < 0 || step.lanes > 4 ||
            (step.nsrc > 3 && Op(step.op) != Op::Build))
            continue;
        float k[4][4] = {};
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
