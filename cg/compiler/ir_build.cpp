// Making instructions: operands from values, constant folding, simple algebra and sharing
// of equal instructions (every instruction is pure but KIL, so an equal one computes the
// same value wherever it stands).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ir.h"

namespace vela::cg {

bool Comp::operator==(const Comp &o) const {
    if (kind != o.kind) return false;
    switch (kind) {
    case Undef: return true;
    case Const: return std::memcmp(&k, &o.k, sizeof k) == 0;
    case Reg: return ref == o.ref && c == o.c && neg == o.neg;
    case Sampler: return ref == o.ref;
    }
    return false;
}

bool Val::isConst() const {
    for (int i = 0; i < n; ++i)
        if (c[i].kind != Comp::Const) return false;
    return n > 0;
}

bool Val::isConst(float k) const {
    for (int i = 0; i < n; ++i)
        if (c[i].kind != Comp::Const || c[i].k != k) return false;
    return n > 0;
}

bool Val::hasUndef() const {
    for (int i = 0; i < n; ++i)
        if (c[i].kind == Comp::Undef) return true;
    return false;
}

const OpInfo opInfo[] = {
#define OP(id, name, operands, lanes, properties) \
    {name, operands, lanes, [] { using enum OpInfo::Property; return uint8_t(properties); }()},
#include "ops.def"
#undef OP
};

Val Builder::constant(float k, int n) {
    Val v;
    v.n = uint8_t(n);
    for (int i = 0; i < n; ++i) v.c[i] = Comp::constant(k);
    return v;
}

Val Builder::reg(Ref r, int n) {
    Val v;
    v.n = uint8_t(n);
    for (int i = 0; i < n; ++i) {
        v.c[i].kind = Comp::Reg;
        v.c[i].ref = r;
        v.c[i].c = uint8_t(i);
    }
    return v;
}

namespace {

const Comp &lane(const Val &v, int i) { return v.c[v.n <= 1 ? 0 : std::min(i, v.n - 1)]; }

Val spread(const Val &v, int n) {
    Val out;
    out.n = uint8_t(n);
    for (int i = 0; i < n; ++i) out.c[i] = lane(v, i);
    return out;
}

Comp negatedComp(Comp c) {
    if (c.kind == Comp::Const) c.k = -c.k;
    else c.neg = !c.neg;
    return c;
}

Val negated(Val v) {
    for (int i = 0; i < v.n; ++i) v.c[i] = negatedComp(v.c[i]);
    return v;
}

// The CSE key, field by field (never the raw structs: their padding is not part of a value).
template <class T> void appendField(std::string &key, T value) {
    key.append(reinterpret_cast<const char *>(&value), sizeof value);
}

// Floats by their bits: 0 and -0 are different constants.
uint32_t bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

bool sameOperand(const Operand &a, const Operand &b) {
    if (!(a.ref == b.ref) || a.neg != b.neg || a.addr != b.addr || a.rel != b.rel) return false;
    for (int i = 0; i < 4; ++i)
        if (a.swz[i] != b.swz[i] || bits(a.k[i]) != bits(b.k[i])) return false;
    return true;
}

// Lane l of an operand as a component.
Comp laneOf(const Operand &o, int l) {
    if (o.isConst()) return Comp::constant(o.neg ? -o.k[l] : o.k[l]);
    Comp c;
    c.kind = Comp::Reg;
    c.ref = o.ref;
    c.c = o.swz[l];
    c.neg = o.neg;
    return c;
}

}  // namespace

// Whether x >= y whatever the inputs: x is y, a MAX with an operand at least y, or y a MIN
// with an operand at most x (hi == c.r for hi = max(c.r, max(c.g, c.b)) needs one compare).
bool Builder::atLeast(const Comp &x, const Comp &y, int depth) const {
    if (x == y) return true;
    if (depth == 0) return false;
    auto maxOrMin = [&](const Comp &c, Op op) -> const Instr * {
        if (c.kind != Comp::Reg || c.neg || c.ref.file != File::Temp || c.ref.index >= ir_.values.size()) return nullptr;
        const Instr &d = ir_.code[ir_.values[c.ref.index].def];
        return d.op == op && !d.sat && !d.src[0].addr && !d.src[1].addr ? &d : nullptr;
    };
    if (const Instr *m = maxOrMin(x, Op::Max))
        for (int s = 0; s < 2; ++s)
            if (atLeast(laneOf(m->src[s], x.c), y, depth - 1)) return true;
    if (const Instr *m = maxOrMin(y, Op::Min))
        for (int s = 0; s < 2; ++s)
            if (atLeast(x, laneOf(m->src[s], y.c), depth - 1)) return true;
    return false;
}

Operand Builder::operand(const Val &v, int lanes) {
    Operand o;
    bool allConst = true, oneRegister = true;
    const Comp &first = lane(v, 0);
    for (int i = 0; i < lanes; ++i) {
        const Comp &c = lane(v, i);
        if (c.kind == Comp::Reg) allConst = false;
        if (c.kind != Comp::Reg || !(c.ref == first.ref) || c.neg != first.neg) oneRegister = false;
    }
    if (allConst) {
        for (int i = 0; i < lanes; ++i) o.k[i] = lane(v, i).kind == Comp::Const ? lane(v, i).k : 0;
        for (int i = lanes; i < 4 && lanes > 0; ++i) o.k[i] = o.k[lanes - 1];
        return o;
    }
    if (oneRegister) {
        o.ref = first.ref;
        o.neg = first.neg;
        for (int i = 0; i < 4; ++i) o.swz[i] = lane(v, std::min(i, lanes - 1)).c;
        return o;
    }
    // Components from several places: gathered into a new value first (negated as a whole
    // by the operand, so that -v shares v's gather).
    bool allNegated = true;
    for (int i = 0; i < v.n; ++i) allNegated = allNegated && v.c[i].kind == Comp::Reg && v.c[i].neg;
    if (allNegated) {
        Val positive = v;
        for (int i = 0; i < v.n; ++i) positive.c[i].neg = false;
        Operand o2 = operand(positive, lanes);
        o2.neg = true;
        return o2;
    }
    Instr b;
    b.op = Op::Build;
    b.n = v.n;
    b.nsrc = v.n;
    for (int i = 0; i < v.n; ++i) b.src[i] = operand(spread(Val{1, {v.c[i]}}, 1), 1);
    uint32_t value = append(b, true, true);
    return operand(reg(Ref{File::Temp, value}, v.n), lanes);
}

uint32_t Builder::append(Instr &i, bool shared, bool defines) {
    std::string key;
    if (shared) {
        key.reserve(64);
        for (uint8_t b : {uint8_t(i.op), uint8_t(i.sat), i.n, i.nsrc, i.unit, i.target}) appendField(key, b);
        int lanes = operandLanes(i.op, i.n);
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            appendField(key, uint8_t(o.ref.file));
            appendField(key, o.ref.index);
            appendField(key, uint8_t(o.neg));
            appendField(key, o.addr);
            appendField(key, o.rel);
            for (int l = 0; l < lanes; ++l)
                if (o.isConst()) appendField(key, bits(o.k[l]));
                else appendField(key, o.swz[l]);
        }
        if (auto it = seen_.find(key); it != seen_.end()) return it->second;
    }
    if (ir_.code.size() >= limits::instructions)
        fail(where, "the program is too large once its loops are unrolled and its functions inlined (more than " +
                    std::to_string(limits::instructions) + " instructions)");
    uint32_t value = uint32_t(ir_.values.size());
    if (defines) {
        i.dst = value;
        ir_.values.push_back(ValueInfo{i.n, uint32_t(ir_.code.size()), false});
    }
    ir_.code.push_back(i);
    if (shared) seen_.emplace(std::move(key), value);
    return value;
}

// The value of op over constant operands, lane by lane, as the GL computes it.
bool evaluate(Op op, const float (*k)[4], int nsrc, int n, float *out) {
    if (!isFoldable(op) && op != Op::Build) return false;
    for (int i = 0; i < n; ++i) {
        float a = k[0][i], b = nsrc > 1 ? k[1][i] : 0, c = nsrc > 2 ? k[2][i] : 0;
        float s = k[0][0], t = nsrc > 1 ? k[1][0] : 0;
        switch (op) {
        case Op::Mov: out[i] = a; break;
        case Op::Add: out[i] = a + b; break;
        case Op::Mul: out[i] = a * b; break;
        case Op::Mad: out[i] = a * b + c; break;
        case Op::Min: out[i] = a < b ? a : b; break;
        case Op::Max: out[i] = a > b ? a : b; break;
        case Op::Abs: out[i] = std::fabs(a); break;
        case Op::Flr: out[i] = std::floor(a); break;
        case Op::Frc: out[i] = a - std::floor(a); break;
        case Op::Slt: out[i] = a < b ? 1.0f : 0.0f; break;
        case Op::Sge: out[i] = a >= b ? 1.0f : 0.0f; break;
        case Op::Cmp: out[i] = a < 0 ? b : c; break;
        case Op::Lrp: out[i] = a * b + (1 - a) * c; break;
        case Op::Dp3: out[i] = k[0][0] * k[1][0] + k[0][1] * k[1][1] + k[0][2] * k[1][2]; break;
        case Op::Dp4: out[i] = k[0][0] * k[1][0] + k[0][1] * k[1][1] + k[0][2] * k[1][2] + k[0][3] * k[1][3]; break;
        case Op::Rcp: out[i] = 1 / s; break;
        case Op::Rsq: out[i] = 1 / std::sqrt(std::fabs(s)); break;
        case Op::Ex2: out[i] = std::exp2(s); break;
        case Op::Lg2: out[i] = std::log2(std::fabs(s)); break;
        case Op::Pow: out[i] = std::pow(s, t); break;
        case Op::Sin: out[i] = std::sin(s); break;
        case Op::Cos: out[i] = std::cos(s); break;
        case Op::Build: out[i] = i < nsrc ? k[i][0] : 0; break;  // k holds nsrc rows
        default: return false;
        }
    }
    return true;
}

bool Builder::fold(Op op, const std::vector<Operand> &ops, int n, float *out) {
    float k[3][4] = {};
    for (size_t s = 0; s < ops.size() && s < 3; ++s) std::copy(ops[s].k, ops[s].k + 4, k[s]);
    if (!evaluate(op, k, int(ops.size()), n, out)) return false;
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(out[i])) {
            bool arithmetic = op == Op::Add || op == Op::Mul || op == Op::Mad;
            bool finite = true;
            for (size_t s = 0; s < ops.size() && s < 3; ++s) finite = finite && std::isfinite(k[s][i]);
            if (arithmetic && finite) fail(where, "constant arithmetic overflows float");
            return false;  // left to the GL, which has its own rules
        }
    return true;
}

// 1 / x without an instruction where x is itself a reciprocal, or a constant times one:
// 1 / (1 / y) is y and 1 / (k / y) is y / k. A quotient by a length or a square root
// (L / length(L), 1 / (2 * sqrt(d))) then takes RSQ alone, where it took RSQ and two RCPs.
// At y = 0 and at infinity both sides agree (0, and infinite); elsewhere within RCP's rounding.
bool Builder::reciprocal(const Comp &x, Val &out) {
    if (x.kind != Comp::Reg || x.ref.file != File::Temp) return false;
    const Instr &d = ir_.code[ir_.values[x.ref.index].def];
    if (d.sat || d.dead) return false;
    if (d.op == Op::Rcp && !d.src[0].isConst() && !d.src[0].addr) {
        Comp y = laneOf(d.src[0], 0);
        y.neg = y.neg != x.neg;
        out = Val{1, {y}};
        return true;
    }
    if (d.op != Op::Mul) return false;
    for (int s = 0; s < 2; ++s) {
        const Operand &k = d.src[s], &r = d.src[1 - s];
        float scale = k.isConst() ? (k.neg ? -k.k[x.c] : k.k[x.c]) : 0;
        if (scale == 0 || !std::isfinite(1 / scale) || r.isConst() || r.addr) continue;
        Val y;
        if (!reciprocal(laneOf(r, x.c), y)) continue;
        out = emit(Op::Mul, {y, constant(x.neg ? -1 / scale : 1 / scale)}, 1);
        return true;
    }
    return false;
}

namespace {

bool commutative(Op op) { return op == Op::Add || op == Op::Mul || op == Op::Mad || op == Op::Min || op == Op::Max; }

// Lane l of op over v when it is one of the operands' components or a constant: x + 0,
// x * 1, x * -1, x * 0, 0 * y + z.
bool identityLane(Op op, bool sat, const std::vector<Val> &v, int l, Comp &out) {
    if (sat) return false;
    auto k = [&](size_t s, float x) { return lane(v[s], l).kind == Comp::Const && lane(v[s], l).k == x; };
    switch (op) {
    case Op::Add:
        for (size_t s = 0; s < 2; ++s)
            if (k(s, 0)) return out = lane(v[1 - s], l), true;
        return false;
    case Op::Mul:
        for (size_t s = 0; s < 2; ++s) {
            if (k(s, 1)) return out = lane(v[1 - s], l), true;
            if (k(s, -1)) return out = negatedComp(lane(v[1 - s], l)), true;
            if (k(s, 0)) return out = Comp::constant(0), true;
        }
        return false;
    case Op::Mad:
        if (k(0, 0) || k(1, 0)) return out = lane(v[2], l), true;
        return false;
    default: return false;
    }
}

}  // namespace

Comp Builder::canonical(Comp c) const {
    if (c.kind != Comp::Reg || c.ref.file != File::Temp) return c;
    auto it = same_.find(uint64_t(c.ref.index) << 2 | c.c);
    if (it == same_.end()) return c;
    return c.neg ? negatedComp(it->second) : it->second;
}

std::string Builder::laneKey(Op op, bool sat, const std::vector<Val> &v, int l) const {
    std::string parts[3];
    bool constants = true;  // such a lane folds instead
    for (size_t s = 0; s < v.size() && s < 3; ++s) {
        Comp c = canonical(lane(v[s], l));
        if (c.kind == Comp::Undef) return {};
        constants = constants && c.kind == Comp::Const;
        std::string &p = parts[s];
        appendField(p, uint8_t(c.kind));
        if (c.kind == Comp::Const) appendField(p, bits(c.k));
        else {
            appendField(p, uint8_t(c.ref.file));
            appendField(p, c.ref.index);
            appendField(p, c.c);
            appendField(p, uint8_t(c.neg));
        }
    }
    if (constants) return {};
    if (commutative(op) && parts[1] < parts[0]) std::swap(parts[0], parts[1]);
    std::string key;
    appendField(key, uint8_t(op));
    appendField(key, uint8_t(sat));
    for (size_t s = 0; s < v.size() && s < 3; ++s) key += parts[s];
    return key;
}

void Builder::recordLanes(Op op, bool sat, const std::vector<Val> &v, const Val &result) {
    for (int l = 0; l < result.n; ++l) {
        const Comp &r = result.c[l];
        if (r.kind != Comp::Reg || r.ref.file != File::Temp) continue;
        if (Comp c; identityLane(op, sat, v, l, c))
            same_.emplace(uint64_t(r.ref.index) << 2 | r.c, canonical(r.neg ? negatedComp(c) : c));
        else if (std::string key = laneKey(op, sat, v, l); !key.empty())
            laneSeen_.emplace(std::move(key), r);
    }
}

Val Builder::emit(Op op, std::initializer_list<Val> srcs, int n, bool sat) {
    return emitVals(op, std::vector<Val>(srcs), n, sat);
}

Val Builder::emitVals(Op op, std::vector<Val> v, int n, bool sat) {
    int lanes = operandLanes(op, n);
    // Algebra that needs no instruction.
    auto all = [&](size_t s, float k) { return spread(v[s], lanes).isConst(k); };
    if (!sat) {
        switch (op) {
        case Op::Mov: return spread(v[0], n);
        case Op::Add:
            if (all(1, 0)) return spread(v[0], n);
            if (all(0, 0)) return spread(v[1], n);
            break;
        case Op::Mul:
            for (size_t s = 0; s < 2; ++s) {
                if (all(s, 1)) return spread(v[1 - s], n);
                if (all(s, -1)) return negated(spread(v[1 - s], n));
                if (all(s, 0)) return constant(0, n);
            }
            break;
        case Op::Mad:
            if (all(0, 0) || all(1, 0)) return spread(v[2], n);
            if (all(0, 1)) return emit(Op::Add, {v[1], v[2]}, n);
            if (all(1, 1)) return emit(Op::Add, {v[0], v[2]}, n);
            if (all(2, 0)) return emit(Op::Mul, {v[0], v[1]}, n);
            break;
        case Op::Lrp:
            if (all(0, 1)) return spread(v[1], n);
            if (all(0, 0)) return spread(v[2], n);
            break;
        case Op::Rcp:
            if (Val r; reciprocal(v[0].c[0], r)) return spread(r, n);
            break;
        default: break;
        }
    }
    // Comparisons that the operands decide: 1 for x >= y, 0 for x < y. Not x against x
    // itself, which a NaN is not at least (isnan is not x >= x).
    if ((op == Op::Sge || op == Op::Slt) && !sat) {
        bool known = true;
        for (int l = 0; l < n && known; ++l) {
            const Comp &x = lane(v[0], l), &y = lane(v[1], l);
            known = !(x.kind == Comp::Reg && x == y) && atLeast(x, y, 4);
        }
        if (known) return constant(op == Op::Sge ? 1 : 0, n);
    }
    // The same in every lane (a scalar spread, white.xxx): one lane computes it. The GL's
    // compiler would compute every lane, as the instruction asks.
    if (isComponentwise(op) && n > 1) {
        bool same = true;
        for (const Val &x : v)
            for (int l = 1; l < n && same; ++l) same = lane(x, l) == lane(x, 0);
        if (same) {
            for (Val &x : v) x = spread(x, 1);
            return spread(emitVals(op, v, 1, sat), n);
        }
    }
    // Lanes that other instructions compute already: this one computes only the rest (the
    // taps of a filter share their columns' and rows' coordinates).
    if (isComponentwise(op) && ir_.shareLanes) {
        Comp got[4];
        bool have[4] = {};
        int hits = 0;
        for (int l = 0; l < n; ++l)
            if (std::string key = laneKey(op, sat, v, l); !key.empty())
                if (auto it = laneSeen_.find(key); it != laneSeen_.end()) got[l] = it->second, have[l] = true, ++hits;
        if (hits) {
            ir_.sharedLanes += hits;
            for (int l = 0; l < n; ++l)
                if (!have[l] && identityLane(op, sat, v, l, got[l])) have[l] = true;
            std::vector<Val> rest(v.size());
            int m = 0;
            for (int l = 0; l < n; ++l) {
                if (have[l]) continue;
                for (size_t s = 0; s < v.size(); ++s) rest[s].c[m] = lane(v[s], l);
                ++m;
            }
            if (m) {
                for (Val &r : rest) r.n = uint8_t(m);
                Val r = emitVals(op, rest, m, sat);
                for (int l = 0, j = 0; l < n; ++l)
                    if (!have[l]) got[l] = r.c[j++];
            }
            Val out;
            out.n = uint8_t(n);
            std::copy(got, got + n, out.c);
            return out;
        }
    }
    Instr i;
    i.op = op;
    i.sat = sat;
    i.n = uint8_t(n);
    i.nsrc = uint8_t(v.size());
    std::vector<Operand> ops;
    bool constants = true;
    for (size_t s = 0; s < v.size(); ++s) {
        ops.push_back(operand(v[s], lanes));
        constants = constants && ops.back().isConst();
    }
    if (op == Op::Min || op == Op::Max) {
        if (sameOperand(ops[0], ops[1]) && !sat) return spread(v[0], n);
    }
    if (op == Op::Cmp && sameOperand(ops[1], ops[2]) && !sat) return spread(v[1], n);
    float folded[4];
    if (constants && fold(op, ops, n, folded)) {
        Val out;
        out.n = uint8_t(n);
        for (int l = 0; l < n; ++l) {
            float x = folded[l];
            if (sat) x = x < 0 ? 0 : x > 1 ? 1 : x;
            out.c[l] = Comp::constant(x);
        }
        return out;
    }
    // A product or dot of negated registers is the negated product of the registers (or the
    // product by the negated constant): dot(n, -l) and dot(n, l) are then one instruction.
    bool flip = false;
    if (!sat && (op == Op::Mul || op == Op::Dp3 || op == Op::Dp4))
        for (Operand &o : ops)
            if (!o.isConst() && o.neg) {
                o.neg = false;
                flip = !flip;
            }
    if (flip)  // a constant factor takes the sign, if there is one
        for (Operand &o : ops)
            if (o.isConst() && flip) {
                for (float &k : o.k) k = -k;
                flip = false;
            }
    for (size_t s = 0; s < ops.size(); ++s) i.src[s] = ops[s];
    Val r = reg(Ref{File::Temp, append(i, true, true)}, n);
    if (flip) r = negated(r);
    if (isComponentwise(op) && ir_.shareLanes) recordLanes(op, sat, v, r);
    return r;
}

Val Builder::tex(Op op, int unit, int target, const Val &coord) {
    // A projected lookup whose divisor's reciprocal the program computes already (a shadow
    // map's depth compare divides by w too): the lookup reads the divided coordinates, and
    // the GL's compiler divides once instead of twice.
    static const uint8_t projected[] = {0x1, 0x3, 0x7, 0, 0x3, 0x5, 0x7, 0, 0, 0x7};  // lanes by target
    if (op == Op::Txp && size_t(target) < sizeof projected && projected[target]) {
        size_t before = ir_.code.size();
        Val q = emit(Op::Rcp, {Val{1, {coord.c[3]}}}, 1);
        if (ir_.code.size() == before) {
            Val lanes, divided = coord;
            for (int l = 0; l < 4; ++l)
                if (projected[target] >> l & 1) lanes.c[lanes.n++] = coord.c[l];
            Val r = emit(Op::Mul, {lanes, q}, lanes.n);
            for (int l = 0, j = 0; l < 4; ++l) divided.c[l] = r.c[projected[target] >> l & 1 ? j++ : 0];
            return tex(Op::Tex, unit, target, divided);
        }
    }
    Instr i;
    i.op = op;
    i.n = 4;
    i.nsrc = 1;
    i.unit = uint8_t(unit);
    i.target = uint8_t(target);
    i.src[0] = operand(coord, 4);
    return reg(Ref{File::Temp, append(i, true, true)}, 4);
}

void Builder::kil(const Val &v) {
    Instr i;
    i.op = Op::Kil;
    i.nsrc = 1;
    i.src[0] = operand(v, 4);
    append(i, true, false);
}

void Builder::output(uint32_t reg, const Val &v) {
    Instr i;
    i.op = Op::Output;
    i.n = v.n;
    i.nsrc = v.n;
    for (int l = 0; l < v.n; ++l) i.src[l] = operand(spread(Val{1, {v.c[l]}}, 1), 1);
    i.dst = reg;
    append(i, false, false);
}

uint32_t Builder::arl(const Val &index) {
    Instr i;
    i.op = Op::Arl;
    i.n = 1;
    i.nsrc = 1;
    i.src[0] = operand(index, 1);
    uint32_t value = append(i, false, true);
    ir_.values[value].address = true;
    ++ir_.addressValues;
    return value;
}

Val Builder::loadRelative(Ref array, int32_t rel, uint32_t address, int n) {
    Instr i;
    i.op = Op::Mov;
    i.n = uint8_t(n);
    i.nsrc = 1;
    i.src[0].ref = array;
    i.src[0].addr = address + 1;
    i.src[0].rel = rel;
    return reg(Ref{File::Temp, append(i, true, true)}, n);
}

}  // namespace vela::cg
