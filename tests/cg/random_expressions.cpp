// The random program generator: expressions of every type, each written in both languages
// with what is known of its value.
#include <algorithm>
#include <cmath>

#include "cg/random_generator.h"

namespace vela::test::generator {

E Generator::bounded(E e) {
    // Values grow with products; a clamp keeps them where both sides stay close.
    if (e.t.kind != Type::Float || (e.a.mag <= 64 && (!e.a.exact || e.a.b <= 16))) return e;
    e.cg = "clamp(" + e.cg + ", -16, 16)";
    e.gl = "clamp(" + e.gl + ", " + glSplat(e.t.n, "-16.0") + ", " + glSplat(e.t.n, "16.0") + ")";
    e.a.mag = 16;
    e.a.b = std::min(e.a.b, 4 + e.a.f);
    e.a.exact = e.a.exact && e.a.b <= maxBits;
    return e;
}

E Generator::literal(const Type &t) {
    if (t.kind == Type::Int) {
        int k = below(7) - 2;
        return E{std::to_string(k), std::to_string(k), t, Attr{true, 0, 3, 3}};
    }
    if (t.kind == Type::Bool) {
        std::string v = chance(0.5) ? "true" : "false";
        if (t.n == 1) return E{v, v, t, {}};
        return E{cgType(t) + "(" + v + ")", glType(t) + "(" + v + ")", t, {}};
    }
    auto value = [&] {
        static const char *const ks[] = {"0.5", "-0.25", "1.5", "2.0", "-1.0", "0.125", "0.75", "3.0", "-0.375"};
        return std::string(ks[below(9)]);
    };
    Attr a{true, 3, 5, 3};
    if (t.kind == Type::Matrix) {
        std::string args;
        for (int i = 0; i < t.n * t.m; ++i) args += (i ? ", " : "") + value();
        return E{cgType(t) + "(" + args + ")", glType(t) + "(" + args + ")", t, a};
    }
    if (t.n == 1) {
        std::string v = chance(0.1) ? "HALF" : value();
        return E{v, v, t, a};
    }
    std::string args;
    for (int i = 0; i < t.n; ++i) args += (i ? ", " : "") + value();
    if (chance(0.3)) {
        // One value for all components.
        std::string v = value();
        return E{cgType(t) + "(" + v + ")", glType(t) + "(" + v + ")", t, a};
    }
    return E{cgType(t) + "(" + args + ")", glType(t) + "(" + args + ")", t, a};
}

// A variable (or a swizzle of one) of type t, or nothing.
bool Generator::variable(const Type &t, bool exact, E &out) {
    std::vector<Var *> vars = visible([&](const Var &v) {
        if (exact && !v.a.exact) return false;
        if (t.kind == Type::Float) return v.t.kind == Type::Float;
        return v.t == t;
    });
    if (vars.empty()) return false;
    Var &v = *vars[size_t(below(int(vars.size())))];
    std::string cg = v.name, gl = v.name;
    Type vt = v.t;
    if (v.length) {
        // An element: a constant, a loop counter, or (vertex programs) a computed index.
        E index = arrayIndex(v.length, !v.writable);
        cg += "[" + index.cg + "]";
        gl += "[" + index.gl + "]";
    }
    out = E{cg, gl, vt, v.a};
    if (t.kind != Type::Float || vt.n == t.n) return true;
    // A swizzle to the size wanted; a scalar spreads.
    if (vt.n == 1) {
        out.cg = cg + "." + std::string(size_t(t.n), 'x');
        out.gl = glType(t) + "(" + gl + ")";
    } else {
        std::string s;
        bool rgba = vt.n == 4 && chance(0.2);
        for (int i = 0; i < t.n; ++i) s += (rgba ? "rgba" : letters)[below(vt.n)];
        out.cg = cg + "." + s;
        out.gl = gl + "." + s;
    }
    out.t = t;
    return true;
}

// Computed indices only into uniform arrays, in vertex programs: the one place the
// profiles can take them.
E Generator::arrayIndex(int length, bool uniform) {
    std::vector<Var *> counters = visible([&](const Var &v) { return v.name.rfind("i", 0) == 0 && v.t == I(); });
    if (!counters.empty() && chance(0.5)) {
        Var &c = *counters[size_t(below(int(counters.size())))];
        // Counters run below 4, and arrays hold at least 2.
        std::string k = std::to_string(length - 1);
        return E{"min(" + c.name + ", " + k + ")", "min(" + c.name + ", " + k + ")", I(), c.a};
    }
    if (!fragment_ && uniform && chance(0.3)) {
        E x = expr(F(1), 3, true);
        std::string k = std::to_string(length - 1);
        return E{"(int)clamp(" + x.cg + ", 0, " + k + ")", "int(clamp(" + x.gl + ", 0.0, " + k + ".0))", I(), {}};
    }
    std::string k = std::to_string(below(length));
    return E{k, k, I(), {}};
}

E Generator::leaf(const Type &t, bool exact) {
    E e;
    if (chance(0.7) && variable(t, exact, e)) return e;
    return literal(t);
}

E Generator::expr(const Type &t, int depth, bool exact) {
    if (t.kind == Type::Struct) {
        E e;
        if (!variable(t, exact, e)) e = E{"us", "us", t, Attr{true, 3, 5, 2}};
        return e;
    }
    if (depth >= 4 || chance(0.25)) return leaf(t, exact);
    switch (t.kind) {
    case Type::Int: return intExpr(depth, exact);
    case Type::Bool: return boolExpr(t.n, depth);
    case Type::Matrix: return matrixExpr(t, depth, exact);
    default: break;
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        E e;
        if (floatExpr(t.n, depth, exact, e) && (!exact || e.a.exact)) return bounded(e);
    }
    return leaf(t, exact);
}

E Generator::intExpr(int depth, bool exact) {
    (void)exact;
    switch (below(4)) {
    case 0: {
        E x = expr(F(1), depth + 1, true);
        return E{"(int)(" + x.cg + ")", "int(" + x.gl + ")", I(), Attr{true, 0, std::max(1, x.a.b - x.a.f), x.a.mag}};
    }
    case 1: {
        E a = intExpr(depth + 1, true), b = intExpr(depth + 1, true);
        const char *op = chance(0.5) ? " + " : chance(0.5) ? " - " : " * ";
        Attr r = op[1] == '*' ? productOf(a.a, b.a) : sumOf(a.a, b.a);
        if (!r.exact || r.mag > 1000) return a;
        return E{"(" + a.cg + op + b.cg + ")", "(" + a.gl + op + b.gl + ")", I(), r};
    }
    case 2: {
        E a = intExpr(depth + 1, true);
        return E{"(" + a.cg + " / 2)", "(" + a.gl + " / 2)", I(), a.a};
    }
    default: return leaf(I(), true);
    }
}

// A comparison of exact values (componentwise for vectors), or a combination of bools.
E Generator::boolExpr(int n, int depth) {
    if (n == 1 && depth < 3 && chance(0.3)) {
        E a = boolExpr(1, depth + 1), b = boolExpr(1, depth + 1);
        if (chance(0.3)) return E{"!(" + a.cg + ")", "!(" + a.gl + ")", B(), {}};
        const char *op = chance(0.5) ? " && " : " || ";
        return E{"(" + a.cg + op + b.cg + ")", "(" + a.gl + op + b.gl + ")", B(), {}};
    }
    if (n == 1 && chance(0.2)) {
        int k = 2 + below(3);
        const char *f = chance(0.5) ? "any" : "all";
        if (chance(0.3)) {  // of numbers, each true where it is not 0
            E v = expr(F(k), depth + 1, true);
            return E{std::string(f) + "(" + v.cg + ")",
                     std::string(f) + "(notEqual(" + v.gl + ", " + glSplat(k, "0.0") + "))", B(), {}};
        }
        E v = boolExpr(k, depth + 1);
        return E{std::string(f) + "(" + v.cg + ")", std::string(f) + "(" + v.gl + ")", B(), {}};
    }
    Type ft = chance(0.2) && n == 1 ? I() : F(n);
    E a = expr(ft, depth + 1, true), b = expr(ft, depth + 1, true);
    static const char *const ops[] = {"<", ">", "<=", ">=", "==", "!="};
    static const char *const fns[] = {"lessThan", "greaterThan", "lessThanEqual", "greaterThanEqual", "equal",
                                      "notEqual"};
    int k = below(6);
    if (ft == F(n) && chance(0.15)) {  // against a max or min of itself: an order known before
        E c = expr(ft, depth + 1, true);
        const char *m = chance(0.5) ? "max(" : "min(";
        bool first = chance(0.5);
        b = E{m + (first ? a.cg + ", " + c.cg : c.cg + ", " + a.cg) + ")",
              m + (first ? a.gl + ", " + c.gl : c.gl + ", " + a.gl) + ")", ft, a.a};
        if (chance(0.5)) std::swap(a, b);
    } else if (ft == F(n) && chance(0.1)) {  // against 0, a sign test (a uniform 0 in GLSL, as
        // for lit)
        b = E{"0", glSplat(n, "unitRange.x"), ft, a.a};
        if (chance(0.5)) std::swap(a, b);
    } else if (n > 1 && chance(0.3)) {  // a vector against one value, on either side
        b = expr(F(1), depth + 1, true);
        b.gl = "vec" + std::to_string(n) + "(" + b.gl + ")";
        if (chance(0.5)) std::swap(a, b);
    }
    std::string cg = "(" + a.cg + " " + ops[k] + " " + b.cg + ")";
    std::string gl = n == 1 ? "(" + a.gl + " " + ops[k] + " " + b.gl + ")" : std::string(fns[k]) + "(" + a.gl + ", " + b.gl + ")";
    return E{cg, gl, B(n), {}};
}

E Generator::matrixExpr(const Type &t, int depth, bool exact) {
    if (t == M(4, 4) && chance(0.3)) {
        E index = arrayIndex(2, true);
        return E{"ub[" + index.cg + "]", "ub[" + index.gl + "]", t, Attr{true, 3, 5, 2}};
    }
    switch (below(4)) {
    case 0: {
        // A product: (t.n x k) times (k x t.m).
        int k = 2 + below(3);
        E a = expr(M(t.n, k), depth + 1, exact), b = expr(M(k, t.m), depth + 1, exact);
        Attr r = productOf(a.a, b.a);
        r.b += 2;
        r.mag *= k;
        r.exact = r.exact && r.b <= maxBits;
        return E{"mul(" + a.cg + ", " + b.cg + ")", "(" + b.gl + " * " + a.gl + ")", t, r};
    }
    case 1: {
        E a = expr(M(t.m, t.n), depth + 1, exact);
        return E{"transpose(" + a.cg + ")", "transpose(" + a.gl + ")", t, a.a};
    }
    case 2: {
        E a = expr(t, depth + 1, exact), s = expr(F(1), depth + 1, exact);
        return E{"(" + a.cg + " * " + s.cg + ")", "(" + a.gl + " * " + s.gl + ")", t, productOf(a.a, s.a)};
    }
    default: {
        // Built from rows.
        std::string cg = cgType(t) + "(", gl = glType(t) + "(";
        Attr a;
        for (int r = 0; r < t.n; ++r) {
            E row = expr(F(t.m), depth + 1, exact);
            cg += (r ? ", " : "") + row.cg;
            gl += (r ? ", " : "") + row.gl;
            a = worst(a, row.a);
        }
        return E{cg + ")", gl + ")", t, a};
    }
    }
}

// Wraps a float expression of n components in f(...) for both languages.
E Generator::call1(const char *cgName, const char *glName, const E &x, Attr a) {
    return E{std::string(cgName) + "(" + x.cg + ")", std::string(glName) + "(" + x.gl + ")", x.t, a};
}

bool Generator::floatExpr(int n, int depth, bool exact, E &out) {
    Type t = F(n);
    int choice = below(26);
    switch (choice) {
    case 0:
    case 1:
    case 2: {  // + - *
        E a = expr(t, depth + 1, exact), b = expr(chance(0.3) ? F(1) : t, depth + 1, exact);
        int op = below(3);
        const char *s = op == 0 ? " + " : op == 1 ? " - " : " * ";
        out = E{"(" + a.cg + s + b.cg + ")", "(" + a.gl + s + b.gl + ")", t,
                op == 2 ? productOf(a.a, b.a) : sumOf(a.a, b.a)};
        return true;
    }
    case 3: {  // unary minus, and division by a power of two
        E a = expr(t, depth + 1, exact);
        if (chance(0.5)) {
            out = E{"-(" + a.cg + ")", "-(" + a.gl + ")", t, a.a};
            return true;
        }
        // Or quarters of two values, which may be added before the one product.
        bool two = chance(0.3);
        E b = two ? expr(t, depth + 1, exact) : E{};
        Attr r = two ? sumOf(a.a, b.a) : a.a;
        r.f += 2;
        r.exact = r.exact && r.b + 2 <= maxBits;
        r.b += 2;
        out = two ? E{"(" + a.cg + " / 4 + " + b.cg + " / 4)", "(" + a.gl + " / 4.0 + " + b.gl + " / 4.0)", t, r}
                  : E{"(" + a.cg + " / 4)", "(" + a.gl + " / 4.0)", t, r};
        return true;
    }
    case 4: {  // a constructor from parts
        if (n == 1) return false;
        std::string cg = cgType(t) + "(", gl = glType(t) + "(";
        Attr a;
        // Sometimes scalar parts share a factor, and the whole is scaled: float3(x * s, -s * y, z) / 4.
        bool shared = chance(0.3);
        E s = shared ? expr(F(1), depth + 1, exact) : E{};
        for (int left = n, k = 0; left > 0; ++k) {
            int part = 1 + below(left);
            E p = expr(F(part), depth + 1, exact);
            if (shared && part == 1 && chance(0.7)) {
                bool swapped = chance(0.5);
                p = swapped ? E{"(-(" + s.cg + ") * " + p.cg + ")", "(-(" + s.gl + ") * " + p.gl + ")", p.t, productOf(s.a, p.a)}
                            : E{"(" + p.cg + " * " + s.cg + ")", "(" + p.gl + " * " + s.gl + ")", p.t, productOf(p.a, s.a)};
            }
            cg += (k ? ", " : "") + p.cg;
            gl += (k ? ", " : "") + p.gl;
            a = worst(a, p.a);
            left -= part;
        }
        out = E{cg + ")", gl + ")", t, a};
        if (shared) {
            out.a.f += 2;
            out.a.exact = out.a.exact && out.a.b + 2 <= maxBits;
            out.a.b += 2;
            out = E{"(" + out.cg + " / 4)", "(" + out.gl + " / 4.0)", t, out.a};
        }
        return true;
    }
    case 5: {  // min, max, abs, clamp, saturate
        E a = expr(t, depth + 1, exact);
        int k = below(5);
        if (k == 0) out = call1("abs", "abs", a, a.a);
        else if (k == 1) out = call1("saturate", "", a, a.a), out.gl = "clamp(" + a.gl + ", unitRange.x, unitRange.y)";
        else if (k == 4) {
            out = E{"clamp(" + a.cg + ", -1.5, 1.25)", "clamp(" + a.gl + ", " + glSplat(n, "-1.5") + ", " + glSplat(n, "1.25") + ")", t, a.a};
        } else {
            E b = expr(chance(0.3) ? F(1) : t, depth + 1, exact);
            std::string f = k == 2 ? "min" : "max";
            std::string bg = b.t.n == n ? b.gl : glSplat(n, b.gl);
            out = E{f + "(" + a.cg + ", " + b.cg + ")", f + "(" + a.gl + ", " + bg + ")", t, worst(a.a, b.a)};
        }
        return true;
    }
    case 6: {  // floor, ceil, frac, round, step, sign, fmod: only of exact values
        E a = expr(t, depth + 1, true);
        if (!a.a.exact) return false;
        Attr whole{true, 0, std::max(1, a.a.b - a.a.f + 1), a.a.mag + 1};
        switch (below(7)) {
        case 0: out = call1("floor", "floor", a, whole); break;
        case 1: out = call1("ceil", "ceil", a, whole); break;
        case 2: out = call1("frac", "fract", a, Attr{true, a.a.f, a.a.f + 1, 1}); break;
        case 3: out = E{"round(" + a.cg + ")", "floor(" + a.gl + " + 0.5)", t, whole}; break;
        case 4: {
            E e = expr(t, depth + 1, true);
            if (!e.a.exact) return false;
            out = E{"step(" + e.cg + ", " + a.cg + ")", "step(" + e.gl + ", " + a.gl + ")", t, Attr{true, 0, 1, 1}};
            break;
        }
        case 5: out = call1("sign", "sign", a, Attr{true, 0, 1, 1}); break;
        default: {
            const char *d = below(3) == 0 ? "-2.0" : below(2) ? "0.5" : "2.0";
            out = E{"fmod(" + a.cg + ", " + d + ")", "(" + a.gl + " - " + d + " * trunc(" + a.gl + " / " + d + "))", t, a.a};
            break;
        }
        }
        return true;
    }
    case 7: {  // roots, logarithms, powers
        if (exact) return false;
        E a = expr(t, depth + 1, false);
        switch (below(7)) {
        case 0: out = call1("sqrt", "sqrt", call1("abs", "abs", a, a.a), inexact(std::sqrt(a.a.mag) + 1)); break;
        case 1:
            out = E{"rsqrt(abs(" + a.cg + ") + 0.25)", "inversesqrt(abs(" + a.gl + ") + 0.25)", t, inexact(2)};
            break;
        case 2: out = E{"log(abs(" + a.cg + ") + 0.25)", "log(abs(" + a.gl + ") + 0.25)", t, inexact(std::log(a.a.mag + 1) + 2)}; break;
        case 3: out = E{"log2(abs(" + a.cg + ") + 0.5)", "log2(abs(" + a.gl + ") + 0.5)", t, inexact(std::log2(a.a.mag + 1) + 1)}; break;
        case 4: {
            const char *f = chance(0.5) ? "exp" : "exp2";
            out = E{std::string(f) + "(clamp(" + a.cg + ", -3, 3))",
                    std::string(f) + "(clamp(" + a.gl + ", " + glSplat(n, "-3.0") + ", " + glSplat(n, "3.0") + "))", t,
                    inexact(21)};
            break;
        }
        case 5: {  // a quotient, or a quotient by a quotient, by values at least 0.5
            Type bt = chance(0.5) ? F(1) : t;  // a vector by a scalar quotient, as curve(c) / curve(white)
            E b = expr(bt, depth + 1, false), c = expr(chance(0.5) ? F(1) : bt, depth + 1, false);
            std::string cg = "(abs(" + b.cg + ") + 0.5)", gl = "(abs(" + b.gl + ") + 0.5)";
            double mag = 2 * a.a.mag;
            if (chance(0.6)) {
                cg = "(" + cg + " / (abs(" + c.cg + ") + 0.5))";
                gl = "(" + gl + " / (abs(" + c.gl + ") + 0.5))";
                mag *= c.a.mag + 0.5;
            }
            out = E{"(" + a.cg + " / " + cg + ")", "(" + a.gl + " / " + gl + ")", t, inexact(mag)};
            break;
        }
        default: {
            E b = expr(t, depth + 1, false);
            out = E{"pow(abs(" + a.cg + ") + 0.25, clamp(" + b.cg + ", -2, 2))",
                    "pow(abs(" + a.gl + ") + 0.25, clamp(" + b.gl + ", " + glSplat(n, "-2.0") + ", " + glSplat(n, "2.0") + "))",
                    t, inexact(16 + a.a.mag * a.a.mag)};
            break;
        }
        }
        return true;
    }
    case 8: {  // trigonometry
        if (exact) return false;
        E a = expr(t, depth + 1, false);
        switch (below(6)) {
        case 0: out = call1("sin", "sin", a, inexact(1)); break;
        case 1: out = call1("cos", "cos", a, inexact(1)); break;
        case 2: out = call1("atan", "atan", a, inexact(1.6)); break;
        case 3: {
            const char *f = chance(0.5) ? "asin" : "acos";
            out = E{std::string(f) + "(clamp(" + a.cg + ", -0.9, 0.9))",
                    std::string(f) + "(clamp(" + a.gl + ", " + glSplat(n, "-0.9") + ", " + glSplat(n, "0.9") + "))", t,
                    inexact(3.2)};
            break;
        }
        case 4: {
            E y = expr(t, depth + 1, false);
            out = E{"atan2(abs(" + y.cg + ") + 0.125, " + a.cg + ")", "atan(abs(" + y.gl + ") + 0.125, " + a.gl + ")", t,
                    inexact(3.2)};
            break;
        }
        default: {
            const char *f = below(3) == 0 ? "tanh" : chance(0.5) ? "sinh" : "cosh";
            out = E{std::string(f) + "(clamp(" + a.cg + ", -2, 2))",
                    std::string(f) + "(clamp(" + a.gl + ", " + glSplat(n, "-2.0") + ", " + glSplat(n, "2.0") + "))", t,
                    inexact(4)};
            break;
        }
        }
        return true;
    }
    case 9: {  // lerp, smoothstep
        E a = expr(t, depth + 1, exact), b = expr(t, depth + 1, exact);
        if (chance(0.3)) {
            // Shapes of post-processing and lighting code: a blend by a uniform towards a
            // multiple of where it starts, a smoothstep scaled by a uniform, and one value
            // saturated both ways.
            Attr u{true, 3, 5, 2}, two{true, 0, 2, 2};
            switch (below(3)) {
            case 0:
                out = E{"lerp(" + a.cg + ", " + a.cg + " * " + b.cg + " * 2, uf)",
                        "mix(" + a.gl + ", " + a.gl + " * " + b.gl + " * 2.0, uf)", t,
                        sumOf(productOf(u, sumOf(productOf(productOf(a.a, b.a), two), a.a)), a.a)};
                break;
            case 1: {
                E x = expr(t, depth + 1, false);
                out = E{"(1 - smoothstep(-1, 2, " + x.cg + ") * uf)",
                        "(1.0 - smoothstep(" + glSplat(n, "-1.0") + ", " + glSplat(n, "2.0") + ", " + x.gl + ") * uf)", t, inexact(3)};
                break;
            }
            default: {
                Attr saturated = productOf(a.a, b.a);
                saturated.mag = 1;
                std::string p = "(" + a.cg + " * " + b.cg + ")", pg = "(" + a.gl + " * " + b.gl + ")";
                out = E{"(saturate(" + p + ") + saturate(-" + p + ") * uf)",
                        "(clamp(" + pg + ", unitRange.x, unitRange.y) + clamp(-" + pg + ", unitRange.x, unitRange.y) * uf)", t,
                        sumOf(saturated, productOf(saturated, u))};
            }
            }
            return true;
        }
        if (chance(0.5) && !exact) {
            E x = expr(t, depth + 1, false);
            out = E{"smoothstep(-1, 2, " + x.cg + ")", "smoothstep(" + glSplat(n, "-1.0") + ", " + glSplat(n, "2.0") + ", " + x.gl + ")",
                    t, inexact(1)};
            return true;
        }
        E w = expr(chance(0.5) ? F(1) : t, depth + 1, exact);
        Attr r = sumOf(productOf(w.a, sumOf(a.a, b.a)), a.a);
        out = E{"lerp(" + a.cg + ", " + b.cg + ", " + w.cg + ")", "mix(" + a.gl + ", " + b.gl + ", " + w.gl + ")", t, r};
        return true;
    }
    case 10: {  // dot, length, distance, determinant
        if (n != 1) return false;
        int k = 2 + below(3);
        E a = expr(F(k), depth + 1, exact), b = expr(F(k), depth + 1, exact);
        int which = below(4);
        if (which == 0) {
            Attr r = productOf(a.a, b.a);
            r.b += 2;
            r.mag *= k;
            r.exact = r.exact && r.b <= maxBits;
            out = E{"dot(" + a.cg + ", " + b.cg + ")", "dot(" + a.gl + ", " + b.gl + ")", t, r};
        } else if (which == 3) {
            E m = expr(M(k, k), depth + 1, exact);
            Attr r{m.a.exact, m.a.f * k, m.a.b * k + 5, std::pow(m.a.mag, k) * 24};
            r.exact = r.exact && r.b <= maxBits;
            // Its terms cancel: rounding in large ones would be all that is left.
            if (!r.exact && r.mag > 1000) return false;
            out = E{"determinant(" + m.cg + ")", "determinant(" + m.gl + ")", t, r};
        } else {
            if (exact) return false;
            out = which == 1 ? E{"length(" + a.cg + ")", "length(" + a.gl + ")", t, inexact(a.a.mag * k)}
                             : E{"distance(" + a.cg + ", " + b.cg + ")", "distance(" + a.gl + ", " + b.gl + ")", t,
                                 inexact((a.a.mag + b.a.mag) * k)};
        }
        return true;
    }
    case 11: {  // geometry
        if (n == 1) return false;
        if (n == 3 && chance(0.4)) {
            E a = expr(t, depth + 1, exact), b = expr(t, depth + 1, exact);
            Attr r = productOf(a.a, b.a);
            r.b += 1;
            r.mag *= 2;
            r.exact = r.exact && r.b <= maxBits;
            out = E{"cross(" + a.cg + ", " + b.cg + ")", "cross(" + a.gl + ", " + b.gl + ")", t, r};
            return true;
        }
        if (exact) return false;
        // Never a zero vector to normalize.
        E a = expr(t, depth + 1, false);
        std::string body = a.cg + ".", lead;
        std::string nz = cgType(F(n - 1)) == "float" ? "" : "";
        (void)nz;
        std::string cgv = "normalize(" + cgType(t) + "(" + a.cg + "." + std::string("xyzw").substr(0, size_t(n - 1)) +
                          ", abs(" + a.cg + "." + letters[n - 1] + ") + 0.5))";
        std::string glv = "normalize(" + glType(t) + "(" + a.gl + "." + std::string("xyzw").substr(0, size_t(n - 1)) +
                          ", abs(" + a.gl + "." + letters[n - 1] + ") + 0.5))";
        switch (below(3)) {
        case 0: out = E{cgv, glv, t, inexact(1)}; break;
        case 1: {
            E i = expr(t, depth + 1, false);
            out = E{"reflect(" + i.cg + ", " + cgv + ")", "reflect(" + i.gl + ", " + glv + ")", t, inexact(i.a.mag * 3)};
            break;
        }
        default: {
            E i = expr(t, depth + 1, false);
            const char *eta = chance(0.5) ? "0.5" : "0.75";
            out = E{"refract(" + cgv + ", " + cgv + ", " + eta + ")", "refract(" + glv + ", " + glv + ", " + eta + ")", t,
                    inexact(3)};
            break;
        }
        }
        return true;
    }
    case 12: {  // faceforward: the sign of an exact dot product
        if (n == 1) return false;
        E a = expr(t, depth + 1, exact), i = expr(t, depth + 1, true), g = expr(t, depth + 1, true);
        if (!i.a.exact || !g.a.exact || !productOf(i.a, g.a).exact) return false;
        out = E{"faceforward(" + a.cg + ", " + i.cg + ", " + g.cg + ")", "faceforward(" + a.gl + ", " + i.gl + ", " + g.gl + ")",
                t, a.a};
        return true;
    }
    case 13: {  // mul of a matrix and a vector, both orders
        int k = 2 + below(3);
        bool left = chance(0.5);
        Type mt = left ? M(n, k) : M(k, n);
        if (n == 1) return false;
        E m = expr(mt, depth + 1, exact), v = expr(F(k), depth + 1, exact);
        Attr r = productOf(m.a, v.a);
        r.b += 2;
        r.mag *= k;
        r.exact = r.exact && r.b <= maxBits;
        if (left) out = E{"mul(" + m.cg + ", " + v.cg + ")", "(" + v.gl + " * " + m.gl + ")", t, r};
        else out = E{"mul(" + v.cg + ", " + m.cg + ")", "(" + m.gl + " * " + v.gl + ")", t, r};
        return true;
    }
    case 14: {  // a matrix's row or element
        int r = 2 + below(3);
        if (n == 1) {
            Type mt = M(r, 2 + below(3));
            E m = expr(mt, depth + 1, exact);
            int i = below(mt.n), j = below(mt.m);
            if (chance(0.5))
                out = E{m.cg + "._m" + std::to_string(i) + std::to_string(j), m.gl + "[" + std::to_string(i) + "][" + std::to_string(j) + "]", t, m.a};
            else
                out = E{m.cg + "[" + std::to_string(i) + "][" + std::to_string(j) + "]",
                        m.gl + "[" + std::to_string(i) + "][" + std::to_string(j) + "]", t, m.a};
            return true;
        }
        E m = expr(M(r, n), depth + 1, exact);
        std::string i = std::to_string(below(r));
        out = E{m.cg + "[" + i + "]", m.gl + "[" + i + "]", t, m.a};
        return true;
    }
    case 15: {  // ?: on an exact condition
        E c = boolExpr(chance(0.7) ? 1 : n, depth + 1);
        E a = expr(t, depth + 1, exact), b = expr(t, depth + 1, exact);
        if (c.t.n == 1)
            out = E{"(" + c.cg + " ? " + a.cg + " : " + b.cg + ")", "(" + c.gl + " ? " + a.gl + " : " + b.gl + ")", t, worst(a.a, b.a)};
        else
            out = E{"(" + c.cg + " ? " + a.cg + " : " + b.cg + ")", "mix(" + b.gl + ", " + a.gl + ", " + c.gl + ")", t, worst(a.a, b.a)};
        return true;
    }
    case 16: {  // a call of a helper without out parameters
        std::vector<const Helper *> fits;
        for (const Helper &h : helpers_) {
            bool pure = h.returns && h.result == t && (!exact || h.resultAttr.exact);
            for (const Param &p : h.params) pure = pure && p.dir == 0;
            if (pure) fits.push_back(&h);
        }
        if (fits.empty()) return false;
        const Helper &h = *fits[size_t(below(int(fits.size())))];
        std::string cg = h.name + "(", gl = h.name + "(";
        for (size_t i = 0; i < h.params.size(); ++i) {
            E a = argument(h.params[i], depth + 1);
            cg += (i ? ", " : "") + a.cg;
            gl += (i ? ", " : "") + a.gl;
        }
        out = E{cg + ")", gl + ")", t, h.resultAttr};
        return true;
    }
    case 17: {  // textures (fragment programs)
        if (!fragment_ || exact) return false;
        E uv = expr(F(2), depth + 1, false);
        E tx;
        switch (below(3)) {
        case 0: tx = E{"tex2D(tex, " + uv.cg + ")", "texture2D(tex, " + uv.gl + ")", F(4), inexact(1)}; break;
        case 1: {
            E w = expr(F(1), depth + 1, false);
            std::string qc = "(abs(" + w.cg + ") + 0.5)", qg = "(abs(" + w.gl + ") + 0.5)";
            tx = E{"tex2Dproj(tex, float3(" + uv.cg + ", " + qc + "))", "texture2DProj(tex, vec3(" + uv.gl + ", " + qg + "))",
                   F(4), inexact(1)};
            if (below(2))  // the coordinates divided before, as a shadow map's compare does
                tx = E{"((" + uv.cg + " / " + qc + ").xyxy + " + tx.cg + ")",
                       "((" + uv.gl + " / " + qg + ").xyxy + " + tx.gl + ")", F(4), inexact(1)};
            break;
        }
        default:
            tx = E{"tex2Dbias(tex, float4(" + uv.cg + ", 0, 1))", "texture2D(tex, " + uv.gl + ", 1.0)", F(4), inexact(1)};
            break;
        }
        if (n == 4) out = tx;
        else {
            std::string s;
            for (int i = 0; i < n; ++i) s += letters[below(4)];
            out = E{tx.cg + "." + s, tx.gl + "." + s, t, tx.a};
        }
        return true;
    }
    case 18: {  // lit
        if (n != 4) return false;
        E a = expr(F(1), depth + 1, true), b = expr(F(1), depth + 1, false);
        if (!a.a.exact) return false;
        const char *m = chance(0.5) ? "2.0" : "5.0";
        // A uniform 0 in the test: this Mesa takes -(x) * y > 0.0 as false where it is true.
        out = E{"lit(" + a.cg + ", " + b.cg + ", " + m + ")",
                "vec4(1.0, max(" + a.gl + ", 0.0), (" + a.gl + " > unitRange.x) ? pow(max(" + b.gl + ", 0.0), " + m + ") : 0.0, 1.0)",
                t, inexact(1 + std::pow(std::max(b.a.mag, 1.0), 5) + a.a.mag)};
        return true;
    }
    case 19: {  // an int, converted
        if (n != 1) return false;
        E i = intExpr(depth + 1, exact);
        // Explicit: our language (as C) would divide the int as an int in (i / 4).
        out = E{"(float)(" + i.cg + ")", "float(" + i.gl + ")", t, i.a};
        return true;
    }
    case 22: {  // a macro with an argument, and a cast that drops components
        E a = expr(t, depth + 1, exact);
        if (chance(0.5)) {
            out = E{"SQ(" + a.cg + ")", "SQ(" + a.gl + ")", t, productOf(a.a, a.a)};
            return true;
        }
        E w = expr(F(4), depth + 1, exact);
        out = E{"((" + cgType(t) + ")" + w.cg + ")", glType(t) + "(" + w.gl + ")", t, w.a};
        return true;
    }
    case 23: {  // degrees, radians, log10, ldexp, tan
        if (exact) return false;
        E a = expr(t, depth + 1, false);
        switch (below(5)) {
        case 0: out = call1("degrees", "degrees", a, inexact(a.a.mag * 58)); break;
        case 1: out = call1("radians", "radians", a, inexact(a.a.mag / 50)); break;
        case 2: out = E{"log10(abs(" + a.cg + ") + 0.5)", "(log2(abs(" + a.gl + ") + 0.5) * 0.30103)", t, inexact(2)}; break;
        case 3: {
            E e = expr(t, depth + 1, false);
            out = E{"ldexp(" + a.cg + ", clamp(" + e.cg + ", -2, 2))",
                    "(" + a.gl + " * exp2(clamp(" + e.gl + ", " + glSplat(n, "-2.0") + ", " + glSplat(n, "2.0") + ")))", t,
                    inexact(a.a.mag * 4)};
            break;
        }
        default:
            out = E{"tan(clamp(" + a.cg + ", -1, 1))", "tan(clamp(" + a.gl + ", " + glSplat(n, "-1.0") + ", " + glSplat(n, "1.0") + "))",
                    t, inexact(1.6)};
            break;
        }
        return true;
    }
    case 24: {  // the other texture targets (fragment programs)
        if (!fragment_ || exact || n != 4) return false;
        switch (below(5)) {
        case 0: {
            E x = expr(F(1), depth + 1, false);
            out = E{"tex1D(t1, " + x.cg + ")", "texture(t1, " + x.gl + ")", t, inexact(1)};
            break;
        }
        case 1: {
            E c = expr(F(3), depth + 1, false);
            out = E{"tex3D(t3, " + c.cg + ")", "texture(t3, " + c.gl + ")", t, inexact(1)};
            break;
        }
        case 2: {
            // Which face is sampled jumps: only exact directions, never zero.
            E c = expr(F(3), depth + 1, true);
            if (!c.a.exact) return false;
            out = E{"texCUBE(tcube, " + c.cg + " + float3(0.0625, 0.125, 0.1875))",
                    "texture(tcube, " + c.gl + " + vec3(0.0625, 0.125, 0.1875))", t, inexact(1)};
            break;
        }
        case 3: {
            E c = expr(F(2), depth + 1, false);
            out = E{"texRECT(tr, " + c.cg + ")", "texture(tr, " + c.gl + ")", t, inexact(1)};
            break;
        }
        default: {
            E c = expr(F(2), depth + 1, false);
            out = E{"tex1Dproj(t1, float2(" + c.cg + ".x, abs(" + c.cg + ".y) + 0.5))",
                    "textureProj(t1, vec2(" + c.gl + ".x, abs(" + c.gl + ".y) + 0.5))", t, inexact(1)};
            break;
        }
        }
        return true;
    }
    case 25: {  // a struct's member, from a struct value
        std::vector<Var *> structs = visible([&](const Var &v) { return v.t.kind == Type::Struct && (!exact || v.a.exact); });
        if (structs.empty()) return false;
        const Var &v = *structs[size_t(below(int(structs.size())))];
        std::string member = chance(0.5) ? ".a" : ".b";
        int size = member == ".a" ? 4 : 2;
        std::string sw;
        for (int i = 0; i < n; ++i) sw += letters[below(size)];
        out = E{v.name + member + "." + sw, v.name + member + "." + sw, t, v.a};
        if (n == 1) out.gl = v.name + member + "." + sw;
        return true;
    }
    case 20: {  // division by something never near zero, or by a multiple of its square root
        if (exact) return false;
        E a = expr(t, depth + 1, false), b = expr(chance(0.5) ? F(1) : t, depth + 1, false);
        std::string cg = b.cg + " * " + b.cg + " + 0.5", gl = b.gl + " * " + b.gl + " + 0.5";
        if (chance(0.4)) {
            static const char *const scales[][2] = {{"2", "2.0"}, {"-0.5", "-0.5"}, {"3", "3.0"}};
            const auto &k = scales[below(3)];
            cg = std::string(k[0]) + " * sqrt(" + cg + ")";
            gl = std::string(k[1]) + " * sqrt(" + gl + ")";
        }
        out = E{"(" + a.cg + " / (" + cg + "))", "(" + a.gl + " / (" + gl + "))", t, inexact(a.a.mag * 3)};
        return true;
    }
    default: {  // modf's fraction
        if (exact) return false;
        E a = expr(t, depth + 1, true);
        if (!a.a.exact) return false;
        out = E{"frac(abs(" + a.cg + "))", "fract(abs(" + a.gl + "))", t, Attr{true, a.a.f, a.a.f + 1, 1}};
        return true;
    }
    }
}

E Generator::argument(const Param &p, int depth) {
    for (int attempt = 0; attempt < 6; ++attempt) {
        E a = expr(p.t, depth, p.a.exact);
        if (!p.a.exact || (a.a.exact && a.a.f <= p.a.f && a.a.b <= p.a.b)) return a;
    }
    return literal(p.t);
}

}  // namespace vela::test::generator
