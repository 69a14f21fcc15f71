// Lowering: the standard library, in each profile's instructions. Where a profile has no
// instruction for a function, a polynomial stands in; each was fitted (least squares
// weighted towards the largest error) on its interval, with the error of the polynomial
// itself:
//   sin(2 pi v), v in [-1/4, 1/4]:    v * P(v^2), degree 9    3.3e-9  (arbvp1 sin, cos)
//   acos(x), x in [0, 1]:     sqrt(1 - x) * P(x), degree 3    4.5e-5  (acos, asin)
//   atan(x), x in [0, 1]:             x * P(x^2), degree 11   1.7e-6  (atan, atan2)
// In single precision the range reductions add about 2e-7 (bench/cg measures them). The
// inverse functions are as close as the GL's own GLSL compiler makes them, and no closer:
// each further degree is one more MAD in every program that calls them. P(0) is pi/2 for
// acos, so that asin(0) is 0.
#include <cfloat>
#include <cmath>

#include "lower.h"

namespace vela::cg {
namespace {

constexpr float pi = 3.14159265358979f;

Val k(float value) { return Builder::constant(value); }

}  // namespace

// Horner's rule over `coefficients` (highest last) at x.
static Val polynomial(Lowering &l, const Val &x, const float *coefficients, int count) {
    Val p = k(coefficients[count - 1]);
    for (int i = count - 2; i >= 0; --i) p = l.mad(p, x, k(coefficients[i]));
    return p;
}

Val Lowering::sinCos(const Val &x, bool cosine) {
    if (profile_.sinCos) return perComponent(cosine ? Op::Cos : Op::Sin, x);
    // In turns, a triangle wave folds the angle onto w in [-1/4, 1/4], where
    // sin(2 pi t) = -sin(2 pi w) and the polynomial holds; its coefficients carry the sign.
    static const float coefficients[] = {-6.28318516f, 41.34165505f, -81.60100493f, 76.54979872f, -39.53681381f};
    Val u = op1(Op::Frc, mad(x, k(1 / (2 * pi)), k(cosine ? 0.5f : 0.25f)));
    Val w = add(op1(Op::Abs, add(u, k(-0.5f))), k(-0.25f));
    return mul(w, polynomial(*this, mul(w, w), coefficients, 5));
}

Agg Lowering::intrinsic(const Expr *e) {
    const IntrinsicInfo &info = intrinsicInfo(e->intrinsic);
    if (info.signature == Signature::Beyond) refuse(e->offset, std::string(info.what) + " (" + info.name + ")");
    const auto &args = e->args;
    uint32_t at = e->offset;
    auto arg = [&](size_t i) { return value(args[i]); };
    auto sqrtOf = [&](const Val &x) { return perComponent(Op::Rcp, perComponent(Op::Rsq, x)); };
    // acos and asin on [-1, 1] from the fit on [0, 1]: acos(-x) = pi - acos(x), and asin is
    // odd.
    auto acosUnit = [&](const Val &ax) {
        static const float c[] = {1.570796327f, -0.2133013191f, 0.07798137302f, -0.02164139807f};
        return mul(sqrtOf(sub(k(1), ax)), polynomial(*this, ax, c, 4));
    };
    auto acos = [&](const Val &x) {
        Val r = acosUnit(op1(Op::Abs, x));
        return select(op2(Op::Slt, x, k(0)), sub(k(pi), r), r, at);
    };
    auto asin = [&](const Val &x) {
        Val r = sub(k(pi / 2), acosUnit(op1(Op::Abs, x)));
        return select(op2(Op::Slt, x, k(0)), negate(r), r, at);
    };
    // atan of a ratio in [0, 1].
    auto atanUnit = [&](const Val &t) {
        static const float c[] = {0.9999772176f,  -0.3326227924f, 0.1935401412f,
                                  -0.1164258619f, 0.05264664796f, -0.01171884947f};
        return mul(t, polynomial(*this, mul(t, t), c, 6));
    };
    auto exp2 = [&](const Val &x) { return perComponent(Op::Ex2, x); };
    auto log2 = [&](const Val &x) { return perComponent(Op::Lg2, x); };
    auto less = [&](const Val &a, const Val &b) { return op2(Op::Slt, a, b); };
    auto length = [&](const Val &v) { return sqrtOf(dot(v, v)); };

    switch (e->intrinsic) {
    case Intrinsic::Abs: return {op1(Op::Abs, arg(0))};
    case Intrinsic::Acos: return {acos(arg(0))};
    case Intrinsic::Asin: return {asin(arg(0))};
    case Intrinsic::Atan: {
        Val x = arg(0), t = op1(Op::Abs, x);
        Val big = less(k(1), t);
        Val unit = mul(op2(Op::Min, t, k(1)), perComponent(Op::Rcp, op2(Op::Max, t, k(1))));
        Val a = atanUnit(unit);
        a = select(big, sub(k(pi / 2), a), a, at);
        return {select(less(x, k(0)), negate(a), a, at)};
    }
    case Intrinsic::Atan2: {
        Val y = arg(0), x = arg(1);
        Val ay = op1(Op::Abs, y), ax = op1(Op::Abs, x);
        Val unit = mul(op2(Op::Min, ax, ay), perComponent(Op::Rcp, op2(Op::Max, ax, ay)));
        Val a = atanUnit(unit);
        a = select(less(ax, ay), sub(k(pi / 2), a), a, at);
        a = select(less(x, k(0)), sub(k(pi), a), a, at);
        return {select(less(y, k(0)), negate(a), a, at)};
    }
    case Intrinsic::Ceil: return {negate(op1(Op::Flr, negate(arg(0))))};
    case Intrinsic::Clamp: return {op2(Op::Min, op2(Op::Max, arg(0), arg(1)), arg(2))};
    case Intrinsic::Cos: return {sinCos(arg(0), true)};
    case Intrinsic::Sin: return {sinCos(arg(0), false)};
    case Intrinsic::Tan: {
        Val x = arg(0);
        return {mul(sinCos(x, false), perComponent(Op::Rcp, sinCos(x, true)))};
    }
    case Intrinsic::Cosh:
    case Intrinsic::Sinh: {
        Val x = arg(0);
        Val a = exp2(mul(x, k(1.44269504f))), b = exp2(mul(x, k(-1.44269504f)));
        return {mul(e->intrinsic == Intrinsic::Cosh ? add(a, b) : sub(a, b), k(0.5f))};
    }
    case Intrinsic::Tanh: {
        // 1 - 2 / (e^2x + 1): no overflow to inf/inf for large x.
        Val e2 = exp2(mul(arg(0), k(2.88539008f)));
        return {sub(k(1), mul(k(2), perComponent(Op::Rcp, add(e2, k(1)))))};
    }
    case Intrinsic::Degrees: return {mul(arg(0), k(180 / pi))};
    case Intrinsic::Radians: return {mul(arg(0), k(pi / 180))};
    case Intrinsic::Exp: return {exp2(mul(arg(0), k(1.44269504f)))};
    case Intrinsic::Exp2: return {exp2(arg(0))};
    case Intrinsic::Log: return {mul(log2(arg(0)), k(0.693147181f))};
    case Intrinsic::Log2: return {log2(arg(0))};
    case Intrinsic::Log10: return {mul(log2(arg(0)), k(0.301029996f))};
    case Intrinsic::Floor: return {op1(Op::Flr, arg(0))};
    case Intrinsic::Frac: return {op1(Op::Frc, arg(0))};
    case Intrinsic::Round: return {op1(Op::Flr, add(arg(0), k(0.5f)))};
    case Intrinsic::Trunc: return {trunc(arg(0))};
    case Intrinsic::Rsqrt: return {perComponent(Op::Rsq, arg(0))};
    case Intrinsic::Sqrt: return {sqrtOf(arg(0))};
    case Intrinsic::Saturate: return {saturate(arg(0))};
    case Intrinsic::Sign: {
        Val x = arg(0);
        // x < 0 ? -1 : (0 < x): a GL's compiler reads SLT's operands as they stand, where the
        // CMP of -x had it negate x first.
        if (profile_.cmp) return {b_.emit(Op::Cmp, {x, k(-1), less(k(0), x)}, x.n)};
        return {sub(less(k(0), x), less(x, k(0)))};
    }
    case Intrinsic::IsFinite:
    case Intrinsic::IsInf:
    case Intrinsic::IsNan: {
        // Comparisons whose answer for a NaN is the point: not isfinite(NaN) is true, where
        // the opposite comparison is false, so notBool leaves them as they are. A NaN is not
        // even equal to itself, where the GL's comparisons follow IEEE.
        Val x = arg(0), r;
        if (e->intrinsic == Intrinsic::IsNan) r = op2(Op::Sge, x, x);
        else if (e->intrinsic == Intrinsic::IsFinite) r = op2(Op::Sge, k(FLT_MAX), op1(Op::Abs, x));
        else r = less(k(FLT_MAX), op1(Op::Abs, x));
        for (int l = 0; l < r.n; ++l)
            if (r.c[l].kind == Comp::Reg) nanExact_.insert(r.c[l].ref.index);
        return {e->intrinsic == Intrinsic::IsNan ? notBool(r) : r};
    }
    case Intrinsic::Ddx:
    case Intrinsic::Ddy:
    case Intrinsic::Fwidth: refuse(at, std::string("compute derivatives (") + intrinsicName(e->intrinsic) + ")");
    case Intrinsic::Noise: refuse(at, "compute noise");
    case Intrinsic::Fmod: {
        Val a = arg(0), b = arg(1);
        if (!profile_.cmp) return {mad(negate(b), trunc(divide(a, b, Base::Float, at)), a)};
        // |a| mod |b| with a's sign: frac(|a / b|) * |b|, where a - b * trunc(a / b) needs a
        // floor, a select and a product more (a GL's compiler has no trunc to read it as).
        Val size = b;
        if (b.isConst())
            for (int i = 0; i < size.n; ++i) size.c[i].k = std::fabs(size.c[i].k);
        else
            size = op1(Op::Abs, b);
        Val m = mul(op1(Op::Frc, op1(Op::Abs, divide(a, b, Base::Float, at))), size);
        return {b_.emit(Op::Cmp, {a, negate(m), m}, std::max(a.n, m.n))};
    }
    case Intrinsic::Max: return {op2(Op::Max, arg(0), arg(1))};
    case Intrinsic::Min: return {op2(Op::Min, arg(0), arg(1))};
    case Intrinsic::Pow: {
        Val a = arg(0), b = arg(1);
        return {perComponent(Op::Pow, a, &b)};
    }
    case Intrinsic::Step: return {op2(Op::Sge, arg(1), arg(0))};
    case Intrinsic::Ldexp: return {mul(arg(0), exp2(arg(1)))};
    case Intrinsic::Lerp: {
        Val a = arg(0), b = arg(1), t = arg(2);
        if (profile_.lrp) return {b_.emit(Op::Lrp, {t, b, a}, std::max({a.n, b.n, t.n}))};
        return {mad(t, sub(b, a), a)};
    }
    case Intrinsic::Smoothstep: {
        Val a = arg(0), b = arg(1), x = arg(2);
        Val t = saturate(divide(sub(x, a), sub(b, a), Base::Float, at));
        return {mul(mul(t, t), mad(t, k(-2), k(3)))};
    }
    case Intrinsic::All:
    case Intrinsic::Any: {
        bool all = e->intrinsic == Intrinsic::All;
        const Expr *c = args[0];
        // A bool's lanes are 0 or 1: any is their largest, all their least, MAX and MIN that
        // the GL's compiler reads as ORs and ANDs of the flags.
        auto reduce = [&](Op op, Val v) {
            if (v.n == 4)
                v = op2(op, concat(component(v, 0), component(v, 1)), concat(component(v, 2), component(v, 3)));
            Val m = component(v, 0);
            for (int i = 1; i < v.n; ++i) m = op2(op, m, component(v, i));
            return m;
        };
        if (c->kind == Expr::Binary && c->op >= OpLess && c->op <= OpGreaterEq && c->type.kind == Type::Vector) {
            // Against one value for every lane, the comparison of the vector's largest or
            // least decides: any(c > k) is max(c) > k.
            Val l = value(c->args[0]), r = value(c->args[1]);
            Base base = std::max(c->args[0]->type.base, c->args[1]->type.base);
            auto broadcast = [](const Val &v) {
                for (int i = 1; i < v.n; ++i)
                    if (!(v.c[i] == v.c[0])) return false;
                return true;
            };
            bool lOne = broadcast(l), rOne = broadcast(r);
            if (lOne != rOne) {
                bool greater = (c->op == OpGreater || c->op == OpGreaterEq) == rOne;  // the vector side's
                Op op = greater != all ? Op::Max : Op::Min;
                return {lOne ? arithmetic(c->op, component(l, 0), reduce(op, r), base, c->offset)
                             : arithmetic(c->op, reduce(op, l), component(r, 0), base, c->offset)};
            }
            return {reduce(all ? Op::Min : Op::Max, arithmetic(c->op, l, r, base, c->offset))};
        }
        return {reduce(all ? Op::Min : Op::Max, arg(0))};
    }
    case Intrinsic::Dot: return {dot(arg(0), arg(1))};
    case Intrinsic::Length: return {length(arg(0))};
    case Intrinsic::Distance: return {length(sub(arg(0), arg(1)))};
    case Intrinsic::Cross: return {b_.emit(Op::Xpd, {arg(0), arg(1)}, 3)};
    case Intrinsic::Normalize: {
        Val v = arg(0);
        return {mul(v, perComponent(Op::Rsq, dot(v, v)))};
    }
    case Intrinsic::Reflect: {
        Val i = arg(0), n = arg(1);
        return {mad(mul(dot(n, i), k(-2)), n, i)};
    }
    case Intrinsic::Refract: {
        Val i = arg(0), n = arg(1), eta = arg(2);
        Val c = dot(n, i);
        Val kk = mad(negate(mul(eta, eta)), mad(negate(c), c, k(1)), k(1));
        Val r = mad(negate(mad(eta, c, sqrtOf(kk))), n, mul(eta, i));
        return {select(less(kk, k(0)), Builder::constant(0, r.n), r, at)};
    }
    case Intrinsic::Faceforward: {
        Val n = arg(0), i = arg(1), ng = arg(2);
        return {select(less(dot(ng, i), k(0)), n, negate(n), at)};
    }
    case Intrinsic::Lit: {
        Val diffuse = arg(0), specular = arg(1), power = arg(2);
        if (profile_.exactLit) return {b_.emit(Op::Lit, {concat(concat(diffuse, specular), concat(k(0), power))}, 4)};
        Val raised = perComponent(Op::Pow, op2(Op::Max, specular, k(0)), &power);
        Val lit = concat(concat(k(1), op2(Op::Max, diffuse, k(0))), concat(mul(raised, less(k(0), diffuse)), k(1)));
        return {lit};
    }
    case Intrinsic::Mul: return mulMatrix(e, aggregate(args[0]), aggregate(args[1]));
    case Intrinsic::Transpose: {
        Agg m = aggregate(args[0]);
        const Type &t = args[0]->type;
        Agg out;
        for (int c = 0; c < t.cols; ++c) {
            Val row;
            row.n = t.rows;
            for (int r = 0; r < t.rows; ++r) row.c[r] = m[size_t(r)].c[c];
            out.push_back(row);
        }
        return out;
    }
    case Intrinsic::Determinant: {
        Agg m = aggregate(args[0]);
        int n = args[0]->type.rows;
        auto cell = [&](int r, int c) { return component(m[size_t(r)], c); };
        if (n == 1) return {cell(0, 0)};
        if (n == 2) return {sub(mul(cell(0, 0), cell(1, 1)), mul(cell(0, 1), cell(1, 0)))};
        if (n == 3) return {dot(m[0], b_.emit(Op::Xpd, {m[1], m[2]}, 3))};
        // Along the first row, each minor a 3x3 determinant of the other rows' columns.
        Val minors;
        for (int skip = 0; skip < 4; ++skip) {
            Val rows[3];
            for (int r = 0; r < 3; ++r) {
                rows[r].n = 3;
                for (int c = 0, j = 0; c < 4; ++c)
                    if (c != skip) rows[r].c[j++] = m[size_t(r + 1)].c[c];
            }
            Val minor = dot(rows[0], b_.emit(Op::Xpd, {rows[1], rows[2]}, 3));
            minors = concat(minors, skip % 2 ? negate(minor) : minor);
        }
        return {dot(m[0], minors)};
    }
    case Intrinsic::Modf:
    case Intrinsic::Frexp: {
        Val x = arg(0);
        Place out = place(args[1]);
        if (e->intrinsic == Intrinsic::Modf) {
            Val whole = trunc(x);
            write(out, {whole}, at);
            return {sub(x, whole)};
        }
        Val exponent = add(op1(Op::Flr, log2(x)), k(1));
        Val zero = less(op1(Op::Abs, x), k(FLT_MIN));
        exponent = select(zero, Builder::constant(0, x.n), exponent, at);
        write(out, {exponent}, at);
        return {mul(x, exp2(negate(exponent)))};
    }
    case Intrinsic::Sincos: {
        Val x = arg(0);
        Place s = place(args[1]), c = place(args[2]);
        write(s, {sinCos(x, false)}, at);
        write(c, {sinCos(x, true)}, at);
        return {};
    }
    case Intrinsic::Clip: {
        Val x = arg(0);
        discard(at, &x);
        return {};
    }
    default: return {texture(e)};
    }
}

Val Lowering::texture(const Expr *e) {
    std::string name = intrinsicName(e->intrinsic);
    if (!profile_.textures) refuse(e->offset, "sample textures (" + name + ")");
    TextureForm form;
    textureForm(e->intrinsic, form);
    Val sampler = value(e->args[0]);
    if (sampler.c[0].kind != Comp::Sampler) fail(e->args[0]->offset, "internal compiler error: no sampler");
    if (e->args.size() == 3) refuse(e->offset, "sample with a texel offset (" + name + " with three arguments)");
    if (e->args.size() >= 4) refuse(e->offset, "sample with explicit derivatives (" + name + " with " + std::to_string(e->args.size()) + " arguments)");
    if (form.kind == TextureForm::Lod) refuse(e->offset, "choose a texture's level of detail (" + name + ")");
    if (form.kind == TextureForm::Bias && form.sampler == SamplerKind::Rect)
        refuse(e->offset, "bias a lookup in a rectangle texture (" + name + ")");
    Val coord = value(e->args[1]);
    Op op = form.kind == TextureForm::Proj ? Op::Txp : form.kind == TextureForm::Bias ? Op::Txb : Op::Tex;
    // One more coordinate than the plain form: the depth to compare with (a shadow lookup).
    bool shadow = form.kind == TextureForm::Plain && coord.n > form.coordinates;
    bool comparable = form.sampler == SamplerKind::S1D || form.sampler == SamplerKind::S2D || form.sampler == SamplerKind::Rect;
    if (shadow && (!profile_.shadow || !comparable))
        refuse(e->offset, "compare against a depth texture (" + name + " with " + std::to_string(coord.n) + " coordinates)");
    if (form.kind == TextureForm::Proj && coord.n < 4) {
        // The divisor, last, goes to w, where TXP takes it.
        Val moved = coord;
        Comp q = coord.c[coord.n - 1];
        moved.n = 4;
        for (int i = std::max(coord.n - 1, 0); i < 3; ++i) moved.c[i] = Comp::constant(0);
        moved.c[3] = q;
        coord = moved;
    }
    return b_.tex(op, int(sampler.c[0].ref.index), int(form.sampler) + (shadow ? shadowTarget : 0), coord);
}

// mul in every shape: the rows of a matrix operand dotted with a vector, or the rows
// weighted by a vector's components and summed, whichever reads registers whole.
Agg Lowering::mulMatrix(const Expr *e, const Agg &a, const Agg &b) {
    const Type &ta = e->args[0]->type, &tb = e->args[1]->type;
    auto wholeRows = [](const Agg &m) {
        for (const Val &r : m)
            for (int i = 1; i < r.n; ++i)
                if (!(r.c[i].ref == r.c[0].ref) || r.c[i].kind != r.c[0].kind || r.c[i].neg != r.c[0].neg) return false;
        return true;
    };
    auto columns = [](const Agg &m, int cols) {
        Agg out;
        for (int c = 0; c < cols; ++c) {
            Val col;
            col.n = uint8_t(m.size());
            for (size_t r = 0; r < m.size(); ++r) col.c[r] = m[r].c[c];
            out.push_back(col);
        }
        return out;
    };
    // v (a row vector) times the matrix m of `rows` rows.
    auto vectorMatrix = [&](const Val &v, const Agg &m) {
        int cols = m[0].n;
        if (!wholeRows(m) && wholeRows(columns(m, cols))) {
            Agg cs = columns(m, cols);
            Val out;
            for (const Val &c : cs) out = concat(out, dot(v, c));
            return out;
        }
        Val sum = mul(m[0], component(v, 0));
        for (size_t r = 1; r < m.size(); ++r) sum = mad(m[r], component(v, int(r)), sum);
        return sum;
    };
    if (ta.kind == Type::Scalar || tb.kind == Type::Scalar) {
        const Agg &m = ta.kind == Type::Scalar ? b : a;
        const Val &s = ta.kind == Type::Scalar ? a[0] : b[0];
        Agg out;
        for (const Val &r : m) out.push_back(mul(r, s));
        return out;
    }
    if (ta.kind == Type::Vector && tb.kind == Type::Vector) return {dot(a[0], b[0])};
    if (ta.kind == Type::Vector) return {vectorMatrix(a[0], b)};
    if (tb.kind == Type::Vector) {
        if (!wholeRows(a) && wholeRows(columns(a, ta.cols))) return {vectorMatrix(b[0], columns(a, ta.cols))};
        Val out;
        for (const Val &row : a) out = concat(out, dot(row, b[0]));
        return {out};
    }
    Agg out;
    for (const Val &row : a) out.push_back(vectorMatrix(row, b));
    return out;
}

}  // namespace vela::cg
