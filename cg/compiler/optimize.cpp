// Optimiser over the instruction list. The lowering already folds constants, propagates
// copies (a copy is no instruction at all) and shares equal instructions; here:
//   - constants are gathered across a sum or product that reads another with constants
//     ((x + a) + b is x + (a + b), (x + a) * b and (x * a + b) * c are MADs), as unrolled loops make;
//   - a sum of two multiples of one value is one product (x * a + x * b is x * (a + b));
//   - 1 / (a * (1 / b)) is b * (1 / a), one reciprocal fewer;
//   - a MUL read only by an ADD becomes part of a MAD;
//   - a LRP whose weight is 0 or 1 is a CMP, and a scalar added to a LRP from a scalar joins
//     its scalar part;
//   - a product by a scalar that only a dot product reads comes after the dot, and two scalar
//     factors of a vector are multiplied together first;
//   - gathered products with a factor in common take a constant scaling on that factor once;
//   - saturating a value read nowhere else moves onto the instruction that makes it (_SAT);
//   - a relatively addressed load read by later instructions is read by them directly, when
//     no other ARL comes between;
//   - instructions whose results no result register or KIL needs are dropped;
//   - two instructions of one kind over lanes of the same registers become one;
//   - texture lookups at the same given coordinates are put side by side, and one just after
//     a power, exponential, logarithm, sine or cosine goes before it.
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <optional>

#include "ir.h"

namespace vela::cg {

Operand through(const Operand &inner, const Operand &outer) {
    Operand o = inner;
    for (int l = 0; l < 4; ++l) {
        if (inner.isConst()) o.k[l] = inner.k[outer.swz[l]];
        else o.swz[l] = inner.swz[outer.swz[l]];
    }
    o.neg = inner.neg != outer.neg;
    return o;
}

bool relative(const Instr &i) {
    for (int s = 0; s < i.nsrc; ++s)
        if (i.src[s].addr) return true;
    return false;
}

void renumberDefinitions(IrProgram &ir) {
    for (uint32_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (i.op != Op::Output && i.op != Op::Kil) ir.values[i.dst].def = at;
    }
}

void insertInstructions(IrProgram &ir, const std::vector<std::optional<Instr>> &extra, bool after) {
    std::vector<Instr> code;
    code.reserve(ir.code.size() + extra.size());
    for (size_t at = 0; at < ir.code.size(); ++at) {
        bool has = at < extra.size() && extra[at];
        if (has && !after) code.push_back(*extra[at]);
        code.push_back(ir.code[at]);
        if (has && after) code.push_back(*extra[at]);
    }
    ir.code = std::move(code);
    renumberDefinitions(ir);
}

void insertInstructions(IrProgram &ir, const std::vector<std::vector<Instr>> &before) {
    std::vector<Instr> code;
    for (size_t at = 0; at < ir.code.size(); ++at) {
        if (at < before.size()) code.insert(code.end(), before[at].begin(), before[at].end());
        code.push_back(ir.code[at]);
    }
    ir.code = std::move(code);
    renumberDefinitions(ir);
}

// Whether o reads one component (or one constant) in its first n lanes. A constant's lanes
// are its k; its swizzle means nothing.
bool scalar(const Operand &o, int n) {
    for (int l = 1; l < n; ++l)
        if (o.isConst() ? o.k[l] != o.k[0] : o.swz[l] != o.swz[0]) return false;
    return !o.addr;
}

Operand lane0(Operand o) {  // the scalar o reads, in every lane
    std::fill(o.k + 1, o.k + 4, o.k[0]);
    std::fill(o.swz + 1, o.swz + 4, o.swz[0]);
    return o;
}

std::vector<int> useCounts(const IrProgram &ir) {
    std::vector<int> count(ir.values.size(), 0);
    for (const Instr &i : ir.code) {
        if (i.dead) continue;
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            if (o.ref.file == File::Temp) ++count[o.ref.index];
            if (o.addr) ++count[o.addr - 1];
        }
    }
    return count;
}

namespace {

// Lane l of constant operand c as an instruction reading it through `outer` sees it.
float constantLane(const Operand &c, const Operand &outer, int l, bool withOuterSign) {
    float k = c.k[outer.swz[l]] * (c.neg ? -1.0f : 1.0f);
    return withOuterSign && outer.neg ? -k : k;
}

// (x * f) * k + y with constants f and k is x * fk + y.
void scaleMadFactor(IrProgram &ir, Instr &a) {
    int k = a.src[1].isConst() ? 1 : a.src[0].isConst() ? 0 : -1;
    if (k < 0) return;
    const Operand o = a.src[1 - k];
    if (o.ref.file != File::Temp || o.addr) return;
    const Instr &m = ir.code[ir.values[o.ref.index].def];
    int f = m.src[1].isConst() ? 1 : m.src[0].isConst() ? 0 : -1;
    if (m.dead || m.op != Op::Mul || m.sat || relative(m) || f < 0) return;
    Operand factor;
    for (int l = 0; l < 4; ++l) {
        int at = std::min(l, a.n - 1);
        factor.k[l] = constantLane(m.src[f], o, at, false) * (a.src[k].neg ? -a.src[k].k[at] : a.src[k].k[at]);
        if (!std::isfinite(factor.k[l])) return;
    }
    a.src[0] = through(m.src[1 - f], o);
    a.src[1] = factor;
}

// The readers of a's value read x instead, and a goes: a copy is no instruction.
void forwardCopy(IrProgram &ir, Instr &a, const Operand &x) {
    for (size_t at = size_t(ir.values[a.dst].def) + 1; at < ir.code.size(); ++at) {
        Instr &r = ir.code[at];
        for (int s = 0; s < r.nsrc; ++s)
            if (r.src[s].ref.file == File::Temp && r.src[s].ref.index == a.dst && !r.src[s].addr)
                r.src[s] = through(x, r.src[s]);
    }
    a.dead = true;
}

// An ADD or MUL with a constant operand whose other operand is an ADD, MUL or MAD with
// constants reads that one's operands instead; the inner instruction stays for its other
// readers (or goes as dead code), so no instruction is added. Where the constants cancel
// (1 - (1 - b), as not of a not gives), the outer one is a copy and goes. (x + c) * k
// becomes a MAD only where nothing else reads x + c: beside an ADD that stays, a MAD is
// one operation more to Mesa than the MUL (cb - 0.5 and cr - 0.5 each in two products).
void gatherConstants(IrProgram &ir) {
    std::vector<int> uses = useCounts(ir);
    for (Instr &a : ir.code) {
        if (!a.dead && a.op == Op::Mad && !relative(a)) scaleMadFactor(ir, a);
        if (a.dead || (a.op != Op::Add && a.op != Op::Mul) || relative(a)) continue;
        for (int s = 0; s < 2; ++s) {
            const Operand o = a.src[s], other = a.src[1 - s];
            if (o.ref.file != File::Temp || o.addr || !other.isConst()) continue;
            const Instr &in = ir.code[ir.values[o.ref.index].def];
            if (in.dead || in.sat || relative(in) || !isComponentwise(in.op)) continue;
            auto otherLane = [&](int l) { return other.neg ? -other.k[l] : other.k[l]; };
            int t = in.src[1].isConst() ? 1 : in.src[0].isConst() ? 0 : -1;  // a constant factor or term of `in`
            float factor[4] = {}, term[4] = {};
            Operand x, y;
            int nsrc = 2;
            if (a.op == Op::Add && in.op == Op::Add && t >= 0) {
                x = through(in.src[1 - t], o);
                for (int l = 0; l < a.n; ++l) factor[l] = constantLane(in.src[t], o, l, true) + otherLane(l);
            } else if (a.op == Op::Mul && in.op == Op::Mul && t >= 0) {
                x = through(in.src[1 - t], o);
                for (int l = 0; l < a.n; ++l) factor[l] = constantLane(in.src[t], o, l, false) * otherLane(l);
            } else if (a.op == Op::Mul && in.op == Op::Add && t >= 0 && uses[o.ref.index] == 1) {
                // (x + c) * k is x * k + ck
                nsrc = 3;
                x = through(in.src[1 - t], o);
                for (int l = 0; l < a.n; ++l) {
                    factor[l] = otherLane(l);
                    term[l] = constantLane(in.src[t], o, l, true) * otherLane(l);
                }
            } else if (a.op == Op::Add && in.op == Op::Mad && in.src[2].isConst()) {
                // sign * (x * y + c) + k: the sign goes on x alone.
                nsrc = 3;
                x = through(in.src[0], o);
                y = through(in.src[1], o);
                y.neg = in.src[1].neg;
                for (int l = 0; l < a.n; ++l) term[l] = constantLane(in.src[2], o, l, true) + otherLane(l);
            } else if (a.op == Op::Mul && in.op == Op::Mad && in.src[2].isConst() && t >= 0) {
                nsrc = 3;
                x = through(in.src[1 - t], o);
                for (int l = 0; l < a.n; ++l) {
                    factor[l] = constantLane(in.src[t], o, l, false) * otherLane(l);
                    term[l] = constantLane(in.src[2], o, l, true) * otherLane(l);
                }
            } else {
                continue;
            }
            bool finite = true;
            for (int l = 0; l < a.n; ++l) finite = finite && std::isfinite(factor[l]) && std::isfinite(term[l]);
            if (!finite) continue;
            auto constant = [&](const float *values) {
                Operand c;
                for (int l = 0; l < 4; ++l) c.k[l] = values[std::min(l, a.n - 1)];
                return c;
            };
            bool identity = nsrc == 2 && !a.sat && !x.addr && !x.isConst();
            for (int l = 0; l < a.n; ++l) identity = identity && factor[l] == (a.op == Op::Add ? 0 : 1);
            if (identity) {
                forwardCopy(ir, a, x);
                break;
            }
            a.src[0] = x;
            if (nsrc == 2) {
                a.src[1] = constant(factor);
            } else {
                bool scaled = a.op == Op::Mul;  // (x * f + t) * k: f and t scaled; else x * y + t
                a.op = Op::Mad;
                a.nsrc = 3;
                a.src[1] = scaled ? constant(factor) : y;
                a.src[2] = constant(term);
            }
            break;
        }
    }
}

// Two reads of the same register in the first `lanes` lanes.
bool sameRead(const Operand &a, const Operand &b, int lanes) {
    if (!(a.ref == b.ref) || a.neg != b.neg || a.addr != b.addr || a.rel != b.rel || a.isConst()) return false;
    for (int l = 0; l < lanes; ++l)
        if (a.swz[l] != b.swz[l]) return false;
    return true;
}

// An ADD of two multiples of one value, x * a + x * b (or x + x, x - x * a, as repeated sums
// in unrolled loops give) becomes x * (a + b); an ADD of two values times one constant,
// x * k + y * k (taps averaged, or lerped with 0.5), becomes (x + y) * k where nothing else
// reads the products: the later product's instruction adds, and the ADD scales. Not
// x * k - y * k: Mesa keeps the negation, and the products often share a MUL with other lanes.
void combineLikeTerms(IrProgram &ir) {
    std::vector<int> uses = useCounts(ir);
    for (Instr &a : ir.code) {
        if (a.dead || a.op != Op::Add || relative(a)) continue;
        Operand base[2];
        float coef[2][4];
        long product[2] = {-1, -1};  // the MUL each term is, with a single reader
        bool ok = true;
        for (int s = 0; s < 2 && ok; ++s) {
            const Operand &o = a.src[s];
            base[s] = o;
            for (float &k : coef[s]) k = 1;
            if (o.isConst() || o.addr) ok = false;
            else if (o.ref.file == File::Temp) {
                uint32_t at = ir.values[o.ref.index].def;
                const Instr &m = ir.code[at];
                int t = m.src[1].isConst() ? 1 : m.src[0].isConst() ? 0 : -1;
                if (!m.dead && m.op == Op::Mul && !m.sat && !relative(m) && t >= 0) {
                    base[s] = through(m.src[1 - t], o);
                    for (int l = 0; l < a.n; ++l) coef[s][l] = constantLane(m.src[t], o, l, false);
                    if (uses[o.ref.index] == 1) product[s] = at;
                }
            }
            if (base[s].neg) {  // -x * k as x * -k, so that x and -x meet
                base[s].neg = false;
                for (float &k : coef[s]) k = -k;
            }
        }
        if (!ok) continue;
        if (!sameRead(base[0], base[1], a.n)) {
            if (product[0] < 0 || product[1] < 0 || product[0] == product[1]) continue;
            bool same = true;
            for (int l = 0; l < a.n; ++l) same = same && coef[0][l] == coef[1][l];
            if (!same) continue;
            Instr &later = ir.code[size_t(std::max(product[0], product[1]))];
            ir.code[size_t(std::min(product[0], product[1]))].dead = true;
            later.op = Op::Add;
            later.n = a.n;
            later.src[0] = base[0];
            later.src[1] = base[1];
            ir.values[later.dst].n = a.n;
            a.op = Op::Mul;
            a.src[0] = Operand{};
            a.src[0].ref = {File::Temp, later.dst};
            a.src[1] = Operand{};
            for (int l = 0; l < 4; ++l) a.src[1].k[l] = coef[0][std::min(l, a.n - 1)];
            continue;
        }
        Operand sum;
        bool finite = true;
        for (int l = 0; l < 4; ++l) {
            sum.k[l] = coef[0][std::min(l, a.n - 1)] + coef[1][std::min(l, a.n - 1)];
            finite = finite && std::isfinite(sum.k[l]);
        }
        if (!finite) continue;
        a.op = Op::Mul;
        a.src[0] = base[0];
        a.src[1] = sum;
    }
}

void formMads(IrProgram &ir) {
    std::vector<int> uses = useCounts(ir);
    for (Instr &a : ir.code) {
        if (a.dead || a.op != Op::Add) continue;
        for (int s = 0; s < 2; ++s) {
            const Operand &o = a.src[s];
            if (o.ref.file != File::Temp || o.addr || uses[o.ref.index] != 1) continue;
            Instr &m = ir.code[ir.values[o.ref.index].def];
            if (m.op != Op::Mul || m.sat || m.dead || relative(m)) continue;
            Operand x = through(m.src[0], o), y = through(m.src[1], o);
            y.neg = m.src[1].neg;
            Operand c = a.src[1 - s];
            a.op = Op::Mad;
            a.nsrc = 3;
            a.src[0] = x;
            a.src[1] = y;
            a.src[2] = c;
            m.dead = true;
            break;
        }
    }
}

void foldSaturates(IrProgram &ir) {
    std::vector<int> uses = useCounts(ir);
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &mov = ir.code[at];
        if (mov.dead || mov.op != Op::Mov || !mov.sat) continue;
        const Operand &o = mov.src[0];
        if (o.ref.file != File::Temp || o.neg || o.addr || uses[o.ref.index] != 1) continue;
        Instr &def = ir.code[ir.values[o.ref.index].def];
        if (def.sat || def.dead || def.op == Op::Build || def.op == Op::Arl) continue;
        def.sat = true;
        uint32_t from = mov.dst;
        for (Instr &i : ir.code) {
            if (i.dead) continue;
            for (int s = 0; s < i.nsrc; ++s) {
                Operand &use = i.src[s];
                if (use.ref.file != File::Temp || use.ref.index != from) continue;
                Operand moved = through(o, use);
                use = moved;
            }
        }
        mov.dead = true;
    }
}

void foldRelativeLoads(IrProgram &ir) {
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &load = ir.code[at];
        if (load.dead || load.op != Op::Mov || load.sat || !load.src[0].addr) continue;
        bool all = true;
        bool arl = false;
        for (size_t u = at + 1; u < ir.code.size(); ++u) {
            Instr &i = ir.code[u];
            if (i.dead) continue;
            if (i.op == Op::Arl) arl = true;
            for (int s = 0; s < i.nsrc; ++s) {
                Operand &use = i.src[s];
                if (use.ref.file != File::Temp || use.ref.index != load.dst) continue;
                if (arl || i.op == Op::Build || i.op == Op::Output) {
                    all = false;
                    continue;
                }
                use = through(load.src[0], use);
            }
        }
        if (all) load.dead = true;
    }
}

// Backwards, lane by lane: an instruction none of whose lanes is read is dropped, and the
// lanes of a live one that nobody reads read nothing (a componentwise operand repeats a
// live lane's component; a gathered lane becomes 0), so that what only they needed goes too
// and the register allocator writes only the live lanes.
void removeDeadCode(IrProgram &ir) {
    std::vector<uint8_t> live(ir.values.size(), 0);
    auto read = [&](const Operand &o, int lanes, uint8_t mask) {
        if (o.addr) live[o.addr - 1] |= 1;
        if (o.ref.file != File::Temp) return;
        for (int l = 0; l < lanes; ++l)
            if (mask & (1u << l)) live[o.ref.index] |= uint8_t(1u << o.swz[l]);
    };
    for (size_t at = ir.code.size(); at-- > 0;) {
        Instr &i = ir.code[at];
        if (i.dead) continue;
        bool sink = i.op == Op::Output || i.op == Op::Kil;
        uint8_t mask = sink ? 0xF : uint8_t(live[i.dst] & ((1u << i.n) - 1));
        if (!mask) {
            i.dead = true;
            continue;
        }
        if (i.op == Op::Build || i.op == Op::Output) {
            for (int l = 0; l < i.nsrc; ++l) {
                if (mask & (1u << l)) read(i.src[l], 1, 1);
                else i.src[l] = Operand{};
            }
            continue;
        }
        int lanes = operandLanes(i.op, i.n);
        bool narrow = isComponentwise(i.op) && mask != (1u << i.n) - 1;
        int first = 0;
        while (!(mask & (1u << first))) ++first;
        for (int s = 0; s < i.nsrc; ++s) {
            Operand &o = i.src[s];
            if (narrow)
                for (int l = 0; l < i.n; ++l)
                    if (!(mask & (1u << l))) {
                        o.swz[l] = o.swz[first];
                        o.k[l] = o.k[first];
                    }
            read(o, lanes, narrow ? mask : 0xF);
        }
    }
}

// A lookup at the coordinates of an earlier lookup, both given to the program (not
// computed), moves up to just after it: llvmpipe runs lookups that share coordinates
// faster side by side (a normal map over a texture: 9% in cg_render_bench), and nothing
// else moves, so the texture indirections stay as they were.
void groupTextureLookups(IrProgram &ir) {
    auto given = [](const Instr &i) {
        return !i.dead && isTexture(i.op) && i.src[0].ref.file != File::Temp && !i.src[0].addr;
    };
    auto sameCoordinates = [](const Instr &a, const Instr &b) {
        const Operand &x = a.src[0], &y = b.src[0];
        return x.ref == y.ref && x.neg == y.neg && std::equal(x.swz, x.swz + 4, y.swz) && a.op == b.op;
    };
    bool moved = false;
    for (size_t at = 0; at < ir.code.size(); ++at) {
        if (!given(ir.code[at])) continue;
        size_t last = at;  // the last of the group so far
        for (size_t next = at + 1; next < ir.code.size(); ++next) {
            if (!given(ir.code[next]) || !sameCoordinates(ir.code[at], ir.code[next])) continue;
            if (next != last + 1) {
                std::rotate(ir.code.begin() + long(last + 1), ir.code.begin() + long(next), ir.code.begin() + long(next + 1));
                moved = true;
            }
            ++last;
        }
        at = last;
    }
    if (moved) renumberDefinitions(ir);
}

// A fragment program's lookup at given coordinates that follows a long step (POW, EX2, LG2,
// SIN, COS) with at most two instructions between goes before that step: llvmpipe then
// samples while the step is computed, where after it the sampler's loads run on their own
// (fresnel mix 16%, exp2 fog 5%, Phong with a struct input 10% in cg_render_bench --more).
// Further down, the texels would stay live across more of the program.
void lookupsBeforeLongSteps(IrProgram &ir) {
    if (ir.profile->stage != Stage::Fragment) return;
    auto longStep = [](const Instr &i) {
        return !i.dead && (i.op == Op::Pow || i.op == Op::Ex2 || i.op == Op::Lg2 || i.op == Op::Sin || i.op == Op::Cos);
    };
    bool moved = false;
    for (size_t at = 0; at < ir.code.size(); ++at) {
        const Instr &t = ir.code[at];
        if (t.dead || !isTexture(t.op) || t.src[0].ref.file == File::Temp || t.src[0].addr) continue;
        for (size_t back = at, between = 0; back-- > 0 && between <= 2;) {
            const Instr &b = ir.code[back];
            if (b.dead) continue;
            if (isTexture(b.op) || b.op == Op::Kil) break;  // lookups keep their order
            if (longStep(b)) {
                std::rotate(ir.code.begin() + long(back), ir.code.begin() + long(at), ir.code.begin() + long(at + 1));
                moved = true;
                break;
            }
            ++between;
        }
    }
    if (moved) renumberDefinitions(ir);
}

// A new instruction defining a new value of n components; its operands are the caller's.
Instr fresh(IrProgram &ir, Op op, int n, int nsrc) {
    Instr i;
    i.op = op;
    i.n = uint8_t(n);
    i.nsrc = uint8_t(nsrc);
    i.dst = uint32_t(ir.values.size());
    ir.values.push_back(ValueInfo{uint8_t(n), 0, false});
    return i;
}

// (v * s) * t, with s and t scalars, is v * (s * t): one lane for the product of the
// scalars where there were as many as v has (a direction divided by a length, times a wave,
// times an amplitude); (v * s) * t + y likewise. Two constants are gatherConstants' case.
void gatherScalarFactors(IrProgram &ir) {
    std::vector<int> uses = useCounts(ir);
    std::vector<bool> fixed = uniformOnly(ir);  // those stay whole: the runtime may compute them
    std::vector<std::optional<Instr>> before(ir.code.size());
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &a = ir.code[at];
        if (a.dead || (a.op != Op::Mul && a.op != Op::Mad) || a.n < 2 || relative(a)) continue;
        for (int f = 0; f < 2; ++f) {
            const Operand o = a.src[f], t = a.src[1 - f];
            if (!scalar(t, a.n) || o.ref.file != File::Temp || o.addr || uses[o.ref.index] != 1 || fixed[o.ref.index])
                continue;
            Instr &m = ir.code[ir.values[o.ref.index].def];
            if (m.dead || m.op != Op::Mul || m.sat || relative(m)) continue;
            int u = -1;  // the operand of m that is one scalar in the lanes a reads
            for (int k = 0; k < 2 && u < 0; ++k)
                if (scalar(through(m.src[k], o), a.n)) u = k;
            if (u < 0) continue;
            Operand s = through(m.src[u], o);
            s.neg = m.src[u].neg;  // o's sign stays with v
            if (s.isConst() && t.isConst()) continue;
            Instr p = fresh(ir, Op::Mul, 1, 2);
            p.src[0] = lane0(s);
            p.src[1] = lane0(t);
            before[at] = p;
            a.src[f] = through(m.src[1 - u], o);
            a.src[1 - f] = Operand{};
            a.src[1 - f].ref = Ref{File::Temp, p.dst};
            std::fill(a.src[1 - f].swz, a.src[1 - f].swz + 4, uint8_t(0));
            m.dead = true;
            break;
        }
    }
    insertInstructions(ir, before, false);
}

// 1 / (a * (1 / b)) is b * (1 / a): one reciprocal where there were two, when nothing else
// reads the product or the inner reciprocal (a ratio of two rational curves, x / (p / q)).
// At a or b = 0 both sides are infinite or 0 alike.
void invertQuotients(IrProgram &ir) {
    std::vector<int> uses = useCounts(ir);
    std::vector<std::optional<Instr>> before(ir.code.size());
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &r = ir.code[at];
        const Operand o = r.src[0];
        if (r.dead || r.op != Op::Rcp || o.ref.file != File::Temp || o.addr || uses[o.ref.index] != 1) continue;
        Instr &m = ir.code[ir.values[o.ref.index].def];
        if (m.dead || m.op != Op::Mul || m.sat || relative(m)) continue;
        for (int u = 0; u < 2; ++u) {
            const Operand &qo = m.src[u];
            if (qo.ref.file != File::Temp || qo.addr || uses[qo.ref.index] != 1) continue;
            Instr &q = ir.code[ir.values[qo.ref.index].def];
            if (q.dead || q.op != Op::Rcp || q.sat || q.src[0].addr) continue;
            Instr p = fresh(ir, Op::Rcp, 1, 1);
            p.src[0] = lane0(through(m.src[1 - u], o));  // the outer sign goes with a
            before[at] = p;
            r.op = Op::Mul;
            r.nsrc = 2;
            r.src[0] = lane0(q.src[0]);
            r.src[0].neg = q.src[0].neg != qo.neg;
            r.src[1] = Operand{};
            r.src[1].ref = Ref{File::Temp, p.dst};
            std::fill(r.src[1].swz, r.src[1].swz + 4, uint8_t(0));
            m.dead = q.dead = true;
            break;
        }
    }
    insertInstructions(ir, before, false);
}

// float3(y, ch * cos, ch * sin) * w: lanes of a gather that are products with one factor in
// common, times one constant, are that factor times the constant once, times each lane's
// other factor (ch * w, then * cos and * sin): one product fewer for each lane past the first
// (a composite signal's taps). The constant's lanes become 1, which the GL's compiler drops.
void shareFactorsAcrossLanes(IrProgram &ir) {
    if (!ir.shareFactors) return;
    std::vector<int> uses = useCounts(ir);
    std::vector<std::vector<Instr>> before(ir.code.size());
    auto readOnce = [&](const Operand &o) {
        return o.ref.file == File::Temp && !o.addr && o.ref.index < uses.size() && uses[o.ref.index] == 1;
    };
    for (size_t at = 0; at < ir.code.size(); ++at) {
        if (ir.code[at].dead || (ir.code[at].op != Op::Mul && ir.code[at].op != Op::Mad) || ir.code[at].n < 2 ||
            relative(ir.code[at]))
            continue;
        for (int f = 0; f < 2; ++f) {
            Instr &a = ir.code[at];
            const Operand o = a.src[f], t = a.src[1 - f];
            if (!t.isConst() || !readOnce(o)) continue;
            const Instr &gather = ir.code[ir.values[o.ref.index].def];
            if (gather.dead || gather.op != Op::Build) continue;
            // Lane l of o is lane[l] (the gather's member, o's sign on it); where that is a
            // product read nowhere else, its factors.
            Operand lane[4], factor[4][2];
            bool product[4] = {};
            for (int l = 0; l < a.n; ++l) {
                lane[l] = gather.src[o.swz[l]];
                lane[l].neg = lane[l].neg != o.neg;
                if (lane[l].isConst() || lane[l].ref.file != File::Temp || lane[l].addr) continue;
                int here = 0;  // a product of several lanes may be gathered whole
                for (int k = 0; k < gather.nsrc; ++k)
                    here += gather.src[k].ref.file == File::Temp && gather.src[k].ref.index == lane[l].ref.index;
                if (uses[lane[l].ref.index] != here) continue;
                const Instr &m = ir.code[ir.values[lane[l].ref.index].def];
                if (m.dead || m.op != Op::Mul || m.sat || relative(m)) continue;
                for (int k = 0; k < 2; ++k) {
                    factor[l][k] = lane0(through(m.src[k], lane[l]));
                    factor[l][k].neg = m.src[k].neg;
                }
                factor[l][1].neg = factor[l][1].neg != lane[l].neg;  // the lane's sign on one factor
                product[l] = true;
            }
            auto value = [&](int l) { return t.neg ? -t.k[l] : t.k[l]; };
            auto same = [](Operand x, Operand y) {
                x.neg = y.neg = false;
                return x.isConst() ? y.isConst() && x.k[0] == y.k[0] : sameRead(x, y, 1);
            };
            // The largest group of lanes with a factor in common and one constant.
            int best = 0, bestLane = -1, bestFactor = 0;
            for (int l = 0; l < a.n; ++l)
                for (int k = 0; k < 2 && product[l]; ++k) {
                    int size = 0;
                    for (int j = 0; j < a.n; ++j)
                        size += product[j] && value(j) == value(l) &&
                                (same(factor[j][0], factor[l][k]) || same(factor[j][1], factor[l][k]));
                    if (size > best) best = size, bestLane = l, bestFactor = k;
                }
            if (best < 2) continue;
            const Operand common = factor[bestLane][bestFactor];
            Instr p = fresh(ir, Op::Mul, 1, 2);
            p.src[0] = common;
            p.src[0].neg = false;
            p.src[1] = lane0(t);
            p.src[1].k[0] = value(bestLane);
            p.src[1].neg = false;
            std::fill(p.src[1].k + 1, p.src[1].k + 4, p.src[1].k[0]);
            before[at].push_back(p);
            Instr b = fresh(ir, Op::Build, a.n, a.n);
            Operand scale = t;
            for (int l = 0; l < a.n; ++l) {
                b.src[l] = lane[l];
                int k = !product[l] || value(l) != value(bestLane) ? -1
                        : same(factor[l][0], common)                ? 0
                        : same(factor[l][1], common)                ? 1
                                                                    : -1;
                if (k < 0) continue;
                Instr q = fresh(ir, Op::Mul, 1, 2);
                q.src[0].ref = Ref{File::Temp, p.dst};
                std::fill(q.src[0].swz, q.src[0].swz + 4, uint8_t(0));
                q.src[1] = factor[l][1 - k];
                q.src[1].neg = factor[l][1 - k].neg != factor[l][k].neg;  // p has no sign
                before[at].push_back(q);
                b.src[l] = Operand{};
                b.src[l].ref = Ref{File::Temp, q.dst};
                scale.k[l] = t.neg ? -1.0f : 1.0f;
            }
            before[at].push_back(b);
            Instr &r = ir.code[at];
            r.src[f] = Operand{};
            r.src[f].ref = Ref{File::Temp, b.dst};
            for (int l = 0; l < 4; ++l) r.src[f].swz[l] = uint8_t(std::min(l, r.n - 1));
            r.src[1 - f] = scale;
            ++ir.sharedFactors;
            break;
        }
    }
    insertInstructions(ir, before);
}

// A product by a scalar that only a dot product reads is applied after it: dot(x * s, y)
// is dot(x, y) * s, one lane to multiply where there were three or four (a dot with a
// normalised vector: 1.5% of a normal map in cg_render_bench).
void scaleAfterDots(IrProgram &ir) {
    std::vector<int> uses = useCounts(ir);
    std::vector<bool> fixed = uniformOnly(ir);  // those stay whole: the runtime may compute them
    std::vector<std::optional<Instr>> after(ir.code.size());  // an instruction to put after each
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &d = ir.code[at];
        if (d.dead || (d.op != Op::Dp3 && d.op != Op::Dp4) || relative(d)) continue;
        int lanes = operandLanes(d.op, d.n);
        for (int s = 0; s < 2; ++s) {
            const Operand o = d.src[s];
            if (o.ref.file != File::Temp || o.addr || uses[o.ref.index] != 1 || fixed[o.ref.index]) continue;
            Instr &m = ir.code[ir.values[o.ref.index].def];
            if (m.dead || m.op != Op::Mul || m.sat || relative(m)) continue;
            int t = -1;  // the operand of m that is one scalar in the lanes the dot reads
            for (int u = 0; u < 2 && t < 0; ++u) {
                const Operand &k = m.src[u];
                bool one = true;
                for (int l = 1; l < lanes; ++l)
                    one = one && (k.isConst() ? k.k[o.swz[l]] == k.k[o.swz[0]] : k.swz[o.swz[l]] == k.swz[o.swz[0]]);
                if (one) t = u;
            }
            if (t < 0) continue;
            // One lane: every lane of a dot product is the same, so its readers read lane 0.
            for (Instr &r : ir.code)
                for (int u = 0; u < r.nsrc && !r.dead; ++u)
                    if (r.src[u].ref.file == File::Temp && r.src[u].ref.index == d.dst)
                        for (uint8_t &c : r.src[u].swz) c = 0;
            ir.values[d.dst].n = 1;
            d.n = 1;
            Instr mul;
            mul.op = Op::Mul;
            mul.n = 1;
            mul.nsrc = 2;
            mul.sat = d.sat;
            mul.dst = d.dst;
            Operand scalar = through(m.src[t], o);
            scalar.neg = m.src[t].neg;  // the sign once, on x
            for (int l = 1; l < 4; ++l) {
                scalar.swz[l] = scalar.swz[0];
                scalar.k[l] = scalar.k[0];
            }
            mul.src[1] = scalar;
            d.src[s] = through(m.src[1 - t], o);
            d.sat = false;
            d.dst = uint32_t(ir.values.size());
            ir.values.push_back(ValueInfo{d.n, 0, false});
            mul.src[0].ref = Ref{File::Temp, d.dst};
            for (uint8_t &c : mul.src[0].swz) c = 0;
            m.dead = true;
            after[at] = mul;
            break;
        }
    }
    insertInstructions(ir, after, true);
}

// lerp(l, a, t) + k, with l, t and k scalars, is a * t + (l * (1 - t) + k): the GL expands
// the LRP into that sum anyway, and k then joins its scalar part instead of every lane
// (saturation towards a luminance, then "- 0.5" for a contrast). Only for a weight of
// uniforms and constants: 1 - t is then the runtime's with -packuniforms.
void addIntoLerps(IrProgram &ir) {
    std::vector<int> uses = useCounts(ir);
    Fixed fixed(ir);
    std::vector<std::optional<Instr>> before(ir.code.size());
    for (size_t at = 0; at < ir.code.size(); ++at) {
        Instr &add = ir.code[at];
        if (add.dead || add.op != Op::Add || add.n < 2 || relative(add)) continue;
        for (int f = 0; f < 2; ++f) {
            const Operand &o = add.src[f], &k = add.src[1 - f];
            if (o.ref.file != File::Temp || o.neg || o.addr || uses[o.ref.index] != 1 || !scalar(k, add.n)) continue;
            uint32_t lrpAt = ir.values[o.ref.index].def;
            Instr &lrp = ir.code[lrpAt];
            if (lrp.dead || lrp.op != Op::Lrp || lrp.sat || relative(lrp)) continue;
            Operand t = through(lrp.src[0], o), a = through(lrp.src[1], o), l = through(lrp.src[2], o);
            if (!fixed(t) || !scalar(t, add.n) || !scalar(l, add.n)) continue;
            Instr part = fresh(ir, Op::Mad, 1, 3);  // l * (1 - t) + k
            part.src[0] = lane0(l);
            part.src[2] = lane0(k);
            if (t.isConst()) {
                float weight = t.neg ? -t.k[0] : t.k[0];
                std::fill(part.src[1].k, part.src[1].k + 4, 1 - weight);
                lrp.dead = true;
            } else {  // 1 - t, where the LRP was
                Instr rest;
                rest.op = Op::Add;
                rest.n = 1;
                rest.nsrc = 2;
                rest.dst = lrp.dst;
                rest.src[0].k[0] = 1;
                rest.src[1] = lane0(t);
                rest.src[1].neg = !t.neg;
                ir.values[lrp.dst].n = 1;
                part.src[1].ref = Ref{File::Temp, lrp.dst};
                lrp = rest;
            }
            before[at] = part;
            add.op = Op::Mad;
            add.nsrc = 3;
            add.src[0] = a;
            add.src[1] = t;
            add.src[2] = Operand{};
            add.src[2].ref = Ref{File::Temp, part.dst};
            std::fill(add.src[2].swz, add.src[2].swz + 4, uint8_t(0));
            break;
        }
    }
    insertInstructions(ir, before, false);
}

// CMP -(x < 0), a, b is CMP x, a, b: the comparison goes if nothing else reads it (x < 0 ?
// a : b, the sign tests of acos and atan2). A NaN picks b either way. Not 0 < y as CMP -y:
// Mesa keeps that negation.
void testSignDirectly(IrProgram &ir, Instr &cmp) {
    Operand &c = cmp.src[0];
    if (c.ref.file != File::Temp || c.addr || !c.neg) return;
    const Instr &d = ir.code[ir.values[c.ref.index].def];
    if (d.dead || d.op != Op::Slt || d.dst != c.ref.index || d.sat || relative(d) || !d.src[1].isConst()) return;
    for (int l = 0; l < cmp.n; ++l)
        if (d.src[1].k[c.swz[l]] != 0) return;
    Operand x = through(d.src[0], c);
    x.neg = d.src[0].neg;
    c = x;
}

// A LRP whose weight is 0 or 1 in every lane (a step, a comparison, |step - step|, 1 - step,
// a product of such) picks one operand: CMP -t, a, b, a select where LRP is arithmetic
// (4% of a checkerboard in cg_render_bench). Which lanes hold only 0 or 1 (`bits`), or only
// -1, 0 or 1 (`signs`), is followed from the comparisons that make them.
void selectByFlags(IrProgram &ir) {
    std::vector<uint8_t> bits(ir.values.size(), 0), signs(ir.values.size(), 0);
    auto lane = [](const std::vector<uint8_t> &m, const Operand &o, int l) {
        return o.ref.file == File::Temp && !o.addr && (m[o.ref.index] >> o.swz[l] & 1);
    };
    auto constant = [](const Operand &o, int l) { return o.isConst() ? (o.neg ? -o.k[l] : o.k[l]) : 2.0f; };
    auto bit = [&](const Operand &o, int l) {  // reads 0 or 1
        float k = constant(o, l);
        return k == 0 || k == 1 || (!o.neg && lane(bits, o, l));
    };
    auto sign = [&](const Operand &o, int l) {  // reads -1, 0 or 1
        float k = constant(o, l);
        return k == 0 || k == 1 || k == -1 || lane(bits, o, l) || lane(signs, o, l);
    };
    auto negatedBit = [&](const Operand &o, int l) {  // reads 0 or -1
        float k = constant(o, l);
        return k == 0 || k == -1 || (o.neg && lane(bits, o, l));
    };
    // A value that is one of its operands where that operand holds flags: |b|, 0 < b, b >= 1.
    // Its readers read the operand (any(step(a, b) * step(c, d)) takes no ABS and SLT).
    std::vector<std::optional<Operand>> same(ir.values.size());
    auto identity = [&](const Instr &i) -> std::optional<Operand> {
        if (i.sat || relative(i)) return std::nullopt;
        auto all = [&](auto f) {
            for (int l = 0; l < i.n; ++l)
                if (!f(l)) return false;
            return true;
        };
        const Operand *o = i.src;
        if (i.op == Op::Abs && all([&](int l) { return bit(o[0], l); })) return o[0];
        if (i.op == Op::Slt && all([&](int l) { return constant(o[0], l) == 0 && bit(o[1], l); })) return o[1];
        if (i.op == Op::Sge && all([&](int l) { return bit(o[0], l) && constant(o[1], l) == 1; })) return o[0];
        return std::nullopt;
    };
    for (Instr &i : ir.code) {
        if (i.dead) continue;
        for (int s = 0; s < i.nsrc; ++s)
            if (Operand &o = i.src[s]; o.ref.file == File::Temp && !o.addr && same[o.ref.index])
                o = through(*same[o.ref.index], o);
        if (i.op == Op::Output || i.op == Op::Kil || i.op == Op::Arl) continue;
        if (auto o = identity(i)) same[i.dst] = *o;
        uint8_t b = 0, t = 0;
        for (int l = 0; l < i.n; ++l) {
            const Operand *o = i.src;
            bool isBit = false, isSign = false;
            switch (i.op) {
            case Op::Slt:
            case Op::Sge: isBit = true; break;
            case Op::Mov: isBit = bit(o[0], l), isSign = sign(o[0], l); break;
            case Op::Build: isBit = bit(o[l], 0), isSign = sign(o[l], 0); break;
            case Op::Abs: isBit = sign(o[0], l); break;
            case Op::Mul:
            case Op::Min:
            case Op::Max:
                isBit = bit(o[0], l) && bit(o[1], l);
                isSign = sign(o[0], l) && sign(o[1], l) && i.op == Op::Mul;
                break;
            case Op::Add:
                for (int s = 0; s < 2; ++s) {
                    isSign = isSign || (bit(o[s], l) && negatedBit(o[1 - s], l));
                    isBit = isBit || (negatedBit(o[s], l) && constant(o[1 - s], l) == 1);  // 1 - b
                }
                break;
            case Op::Cmp:
            case Op::Lrp: isBit = bit(o[1], l) && bit(o[2], l) && (i.op == Op::Cmp || bit(o[0], l)); break;
            default: break;
            }
            if (isBit || (i.sat && isSign)) b |= uint8_t(1u << l);  // saturated, -1 is 0
            if (isSign && !i.sat) t |= uint8_t(1u << l);
        }
        bits[i.dst] = b;
        signs[i.dst] = t;
        if (i.op == Op::Lrp && ir.profile->cmp) {
            bool flags = true;
            for (int l = 0; l < i.n; ++l) flags = flags && bit(i.src[0], l);
            if (!flags) continue;
            i.op = Op::Cmp;
            i.src[0].neg = !i.src[0].neg;
        }
        if (i.op == Op::Cmp) testSignDirectly(ir, i);
    }
}

// Two componentwise instructions of one kind become one over the lanes of both (x.xy = a * k
// and x.z = b * k + c, or FLR of two index components), when each operand pair is one
// register read through two swizzles, or two constants. The merged instruction goes where the
// later one was, if nobody reads the earlier result up to there, or where the earlier one
// was, if the later one's operands are ready by then. A MUL joins a MAD as x * k + 0. The
// instruction in place keeps its lanes first; the other's readers read the lanes after them.
// Pairs whose results one gather reads merge at any distance, others only close together, so
// that no value lives much longer than it did.
class PartialWrites {
public:
    explicit PartialWrites(IrProgram &ir) : ir_(ir) {}

    void run() {
        for (size_t g = 0; g < ir_.code.size(); ++g) {
            const Instr &gather = ir_.code[g];
            if (gather.dead || (gather.op != Op::Build && gather.op != Op::Output)) continue;
            for (int l1 = 0; l1 < gather.nsrc; ++l1)
                for (int l2 = 0; l2 < gather.nsrc; ++l2) {
                    long x = definer(ir_.code[g].src[l1]), y = definer(ir_.code[g].src[l2]);
                    if (x >= 0 && y >= 0 && x < y) merge(size_t(x), size_t(y));
                }
        }
        const int window = 8;  // live instructions
        for (size_t x = 0; x < ir_.code.size(); ++x)
            for (size_t y = x + 1, seen = 0; y < ir_.code.size() && seen < window && !ir_.code[x].dead; ++y) {
                if (ir_.code[y].dead) continue;
                ++seen;
                if (eligible(y)) merge(x, y);
            }
    }

private:
    bool eligible(size_t at) const {
        const Instr &i = ir_.code[at];
        return !i.dead && isComponentwise(i.op) && !relative(i);
    }

    long definer(const Operand &o) const {
        if (o.ref.file != File::Temp || o.addr) return -1;
        uint32_t at = ir_.values[o.ref.index].def;
        return eligible(at) && ir_.code[at].dst == o.ref.index ? long(at) : -1;
    }

    bool readIn(uint32_t value, size_t from, size_t to) const {
        for (size_t at = from; at <= to; ++at) {
            const Instr &i = ir_.code[at];
            for (int s = 0; s < i.nsrc && !i.dead; ++s)
                if ((i.src[s].ref.file == File::Temp && i.src[s].ref.index == value) || i.src[s].addr == value + 1) return true;
        }
        return false;
    }

    bool readyBy(const Instr &i, size_t at) const {
        for (int s = 0; s < i.nsrc; ++s)
            if (i.src[s].ref.file == File::Temp && ir_.values[i.src[s].ref.index].def >= at) return false;
        return true;
    }

    static void asMad(Instr &i) {
        if (i.op != Op::Mul) return;
        i.op = Op::Mad;
        i.nsrc = 3;
        i.src[2] = Operand{};  // + 0
    }

    static bool combinable(const Operand &a, const Operand &b) {
        if (a.isConst() || b.isConst()) return a.isConst() && b.isConst();
        return a.ref == b.ref && a.neg == b.neg && !a.addr && !b.addr;
    }

    void merge(size_t px, size_t py) {
        Instr &x = ir_.code[px], &y = ir_.code[py];
        if (!eligible(px) || !eligible(py) || x.n + y.n > 4 || x.sat != y.sat) return;
        bool mixed = (x.op == Op::Mul && y.op == Op::Mad) || (x.op == Op::Mad && y.op == Op::Mul);
        if (x.op != y.op && !mixed) return;
        bool late = !readIn(x.dst, px + 1, py);
        if (!late && !readyBy(y, px)) return;
        Instr base = late ? y : x, other = late ? x : y;
        if (mixed) {
            asMad(base);
            asMad(other);
        }
        for (int s = 0; s < base.nsrc; ++s)
            if (!combinable(base.src[s], other.src[s])) return;
        int first = base.n;
        for (int s = 0; s < base.nsrc; ++s)
            for (int l = 0; l < other.n; ++l) {
                Operand &o = base.src[s];
                o.swz[first + l] = other.src[s].swz[l];
                o.k[first + l] = other.src[s].k[l] * (other.src[s].neg != o.neg ? -1.0f : 1.0f);
            }
        base.n = uint8_t(first + other.n);
        Instr &kept = late ? y : x, &gone = late ? x : y;
        uint32_t from = gone.dst;
        int otherLanes = other.n;
        kept = base;
        ir_.values[kept.dst].n = kept.n;
        gone.dead = true;
        for (Instr &i : ir_.code) {
            if (i.dead) continue;
            for (int s = 0; s < i.nsrc; ++s) {
                Operand &o = i.src[s];
                if (o.ref.file != File::Temp || o.ref.index != from) continue;
                o.ref.index = kept.dst;
                for (uint8_t &c : o.swz) c = uint8_t(std::min<int>(c, otherLanes - 1) + first);
            }
        }
    }

    IrProgram &ir_;
};

// An ARL of what the one before it loaded already: the address register holds that still
// (bones[i], bones[i + 1] and bones[i + 2] after another bone's ARL, each read again).
void shareAddresses(IrProgram &ir) {
    std::vector<uint32_t> same(ir.values.size());
    std::iota(same.begin(), same.end(), 0u);
    const Instr *last = nullptr;
    bool any = false;
    for (Instr &i : ir.code) {
        if (i.dead || i.op != Op::Arl) continue;
        if (last && sameRead(i.src[0], last->src[0], 1)) {
            same[i.dst] = last->dst;
            i.dead = any = true;
            continue;
        }
        last = &i;
    }
    if (!any) return;
    for (Instr &i : ir.code)
        for (int s = 0; s < i.nsrc && !i.dead; ++s)
            if (i.src[s].addr) i.src[s].addr = same[i.src[s].addr - 1] + 1;
}

// An instruction that repeats an earlier one, operands and all, goes and its readers read the
// earlier result: the rewrites above can make the same product twice ((c * d) * k beside
// d * k'), which the builder's sharing never sees.
void removeRepeats(IrProgram &ir) {
    std::vector<uint32_t> same(ir.values.size());
    std::iota(same.begin(), same.end(), 0u);
    std::map<std::string, uint32_t> seen;
    auto append = [](std::string &key, const void *p, size_t n) { key.append(static_cast<const char *>(p), n); };
    for (Instr &i : ir.code) {
        if (i.dead) continue;
        for (int s = 0; s < i.nsrc; ++s)
            if (Operand &o = i.src[s]; o.ref.file == File::Temp) o.ref.index = same[o.ref.index];
        if (i.op == Op::Output || i.op == Op::Kil || i.op == Op::Arl || relative(i)) continue;
        int lanes = isComponentwise(i.op) ? i.n : isScalarOp(i.op) ? 1 : 4;
        std::string key;
        uint8_t head[] = {uint8_t(i.op), i.sat, i.n, i.nsrc, i.unit, i.target};
        append(key, head, sizeof head);
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            uint8_t file = uint8_t(o.ref.file), neg = o.neg;
            append(key, &file, 1);
            append(key, &o.ref.index, sizeof o.ref.index);
            append(key, &neg, 1);
            for (int l = 0; l < (i.op == Op::Build ? 1 : lanes); ++l) {
                if (o.isConst()) append(key, &o.k[l], sizeof o.k[l]);  // bits: 0 and -0 differ
                else append(key, &o.swz[l], 1);
            }
        }
        auto [at, fresh] = seen.emplace(key, i.dst);
        if (fresh) continue;
        same[i.dst] = at->second;
        i.dead = true;
    }
}

}  // namespace

void optimize(IrProgram &ir) {
    removeDeadCode(ir);
    selectByFlags(ir);
    addIntoLerps(ir);
    combineLikeTerms(ir);
    gatherConstants(ir);
    removeDeadCode(ir);
    invertQuotients(ir);
    gatherScalarFactors(ir);
    shareFactorsAcrossLanes(ir);
    removeDeadCode(ir);
    formMads(ir);
    gatherConstants(ir);  // again over the MADs just made: (x * a + b) * c
    removeDeadCode(ir);
    if (ir.profile->saturate) foldSaturates(ir);
    foldRelativeLoads(ir);
    shareAddresses(ir);
    scaleAfterDots(ir);
    removeDeadCode(ir);
    removeRepeats(ir);
    PartialWrites(ir).run();
    groupTextureLookups(ir);
    lookupsBeforeLongSteps(ir);
}

// llvmpipe fetches each uniform component a fragment program reads lane by lane, a long
// chain of loads; an instruction that reads one moves up to just after what else it reads
// is computed, so that the fetch runs beside the work that follows instead of ahead of the
// result (three lights 11%, two-sided lighting 8%, a checkerboard 3% in cg_render_bench).
// Not above a texture lookup, though: the fetched values would be live across the sampler's
// long code (colour grading 4% slower so); nor more than a few instructions up, where they
// would be live across much of the program (three lights' positions less the pixel's, all
// read at the start: 13% slower).
bool readUniformsEarly(IrProgram &ir, std::vector<Instr> &before) {
    if (ir.profile->stage != Stage::Fragment) return false;
    const size_t reach = 8;
    std::vector<Instr> code;
    code.reserve(ir.code.size());
    std::vector<long> placed(ir.values.size(), -1);  // where each value's definition went
    bool moved = false;
    size_t lookups = 0;  // just past the last texture lookup placed
    for (const Instr &i : ir.code) {
        bool reads = false;
        size_t after = lookups;  // the new place: after every definition it reads
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            reads = reads || (o.ref.file == File::Uniform && !o.addr);
            if (o.ref.file == File::Temp) after = std::max(after, size_t(placed[o.ref.index] + 1));
            if (o.addr) after = std::max(after, size_t(placed[o.addr - 1] + 1));
        }
        bool movable = reads && !i.dead && !relative(i) && !isTexture(i.op) && i.op != Op::Output && i.op != Op::Kil;
        if (code.size() > reach) after = std::max(after, code.size() - reach);
        size_t at = movable ? after : code.size();
        moved = moved || at != code.size();
        code.insert(code.begin() + long(at), i);
        if (at + 1 != code.size())
            for (long &p : placed)
                if (p >= long(at)) ++p;
        if (i.op != Op::Output && i.op != Op::Kil) placed[i.dst] = long(at);
        if (isTexture(i.op)) lookups = at + 1;
    }
    if (!moved) return false;
    before = std::move(ir.code);
    ir.code = std::move(code);
    renumberDefinitions(ir);
    return true;
}

}  // namespace vela::cg
