// The random program generator of the differential test (see random_program.h).
#include "cg/random_program.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <random>

namespace vela::test {
namespace {

struct Type {
    enum Kind { Float, Int, Bool, Matrix, Struct };
    Kind kind = Float;
    int n = 1, m = 1;  // Float, Bool: components; Matrix: rows x columns
    bool operator==(const Type &) const = default;
};
Type F(int n) { return {Type::Float, n, 1}; }
Type I() { return {Type::Int, 1, 1}; }
Type B(int n = 1) { return {Type::Bool, n, 1}; }
Type M(int r, int c) { return {Type::Matrix, r, c}; }
Type St() { return {Type::Struct, 1, 1}; }

std::string cgType(const Type &t) {
    std::string n = std::to_string(t.n);
    switch (t.kind) {
    case Type::Float: return t.n == 1 ? "float" : "float" + n;
    case Type::Int: return "int";
    case Type::Bool: return t.n == 1 ? "bool" : "bool" + n;
    case Type::Matrix: return "float" + n + "x" + std::to_string(t.m);
    case Type::Struct: return "S";
    }
    return "?";
}

// A matrix of R rows is, in GLSL, R columns: the same numbers in the same order.
std::string glType(const Type &t) {
    std::string n = std::to_string(t.n);
    switch (t.kind) {
    case Type::Float: return t.n == 1 ? "float" : "vec" + n;
    case Type::Int: return "int";
    case Type::Bool: return t.n == 1 ? "bool" : "bvec" + n;
    case Type::Matrix: return t.n == t.m ? "mat" + n : "mat" + n + "x" + std::to_string(t.m);
    case Type::Struct: return "S";
    }
    return "?";
}

// What is known of a value: exact means an integer times 2^-f, the integer below 2^b.
struct Attr {
    bool exact = true;
    int f = 0, b = 1;
    double mag = 1;
};
constexpr int maxBits = 20;

Attr inexact(double mag) { return Attr{false, 0, 1, mag}; }
Attr worst(const Attr &a, const Attr &c) {
    int f = std::max(a.f, c.f);
    return Attr{a.exact && c.exact, f, std::max(a.b + f - a.f, c.b + f - c.f), std::max(a.mag, c.mag)};
}
Attr sumOf(const Attr &a, const Attr &c) {
    Attr r = worst(a, c);
    r.b += 1;
    r.mag = a.mag + c.mag;
    r.exact = r.exact && r.b <= maxBits;
    return r;
}
Attr productOf(const Attr &a, const Attr &c) {
    Attr r{a.exact && c.exact, a.f + c.f, a.b + c.b, a.mag * c.mag};
    r.exact = r.exact && r.b <= maxBits;
    return r;
}

struct E {
    std::string cg, gl;
    Type t;
    Attr a;
};

const char *const letters = "xyzw";

}  // namespace

const std::vector<UniformValue> &uniformValues() {
    static const std::vector<UniformValue> values = {
        {"u0", 1, 4, {0.5f, -0.25f, 1.5f, 0.75f}},
        {"u1", 1, 4, {-1.125f, 0.375f, 0.625f, -0.5f}},
        {"um3", 3, 3, {0.5f, -0.25f, 0, 0.125f, 0.75f, 0.5f, -0.5f, 0.25f, 1}},
        {"um4", 4, 4, {0.5f, 0.25f, 0, -0.125f, 0, 0.75f, 0.5f, 0.25f, -0.25f, 0, 1, 0.5f, 0.125f, -0.5f, 0.25f, 0.75f}},
        {"um23", 2, 3, {1.25f, -0.5f, 0.25f, 0.375f, 0.5f, -1}},
        {"ua[0]", 1, 4, {0.25f, 0.5f, 0.75f, 1}},
        {"ua[1]", 1, 4, {-0.5f, 1.5f, 0.125f, 0.25f}},
        {"ua[2]", 1, 4, {1, -1, 0.5f, -0.25f}},
        {"ua[3]", 1, 4, {0.375f, 0.625f, -0.875f, 2}},
        {"us.a", 1, 4, {0.75f, -0.375f, 0.5f, 1.25f}},
        {"us.b", 1, 2, {-0.625f, 0.875f}},
        {"ub[0]", 4, 4, {0.5f, 0, 0.25f, 0, 0, 1, 0, -0.5f, 0.25f, 0.125f, 0.75f, 0, 0, 0, 0.5f, 1}},
        {"ub[1]", 4, 4, {-1, 0.5f, 0, 0.25f, 0.125f, 0.5f, 0.25f, 0, 0, -0.25f, 1, 0.5f, 0.75f, 0, 0, 0.5f}},
    };
    return values;
}

namespace {

class Generator {
public:
    Generator(unsigned seed, bool fragment, int size) : rng_(seed), fragment_(fragment), budget_(size) {}

    RandomProgram run() {
        header();
        int helpers = below(3);
        for (int i = 0; i < helpers; ++i) helper(i);
        mainFunction();
        RandomProgram p;
        p.cg = cg_;
        p.glsl = gl_;
        p.lines = lines_;
        return p;
    }

private:
    struct Var {
        std::string name;
        Type t;
        Attr a;
        bool writable = true;
        int length = 0;  // an array of float4
    };
    struct Param {
        Type t;
        int dir;  // 0 in, 1 out, 2 inout
        Attr a;   // in: what the caller must give; out: what the helper leaves
    };
    struct Helper {
        std::string name;
        Type result;
        bool returns;
        Attr resultAttr;
        std::vector<Param> params;
    };

    // ---- Randomness --------------------------------------------------------------------

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

    // ---- Output --------------------------------------------------------------------------

    void line(const std::string &cg, const std::string &gl) {
        std::string pad(size_t(indent_ * 2), ' ');
        cg_ += pad + cg + "\n";
        gl_ += pad + gl + "\n";
        ++lines_;
    }

    void header() {
        gl_ += "#version 150 compatibility\n";
        line("struct S { float4 a; float2 b; };", "struct S { vec4 a; vec2 b; };");
        line("uniform float4 u0;", "uniform vec4 u0;");
        line("uniform float4 u1;", "uniform vec4 u1;");
        line("uniform float3x3 um3;", "uniform mat3 um3;");
        line("uniform float4x4 um4;", "uniform mat4 um4;");
        line("uniform float2x3 um23;", "uniform mat2x3 um23;");
        line("uniform float4 ua[4];", "uniform vec4 ua[4];");
        line("uniform S us;", "uniform S us;");
        line("uniform float4x4 ub[2];", "uniform mat4 ub[2];");
        if (fragment_) {
            line("uniform sampler2D tex;", "uniform sampler2D tex;");
            line("uniform sampler1D t1 : TEXUNIT1;", "uniform sampler1D t1;");
            line("uniform sampler3D t3 : TEXUNIT2;", "uniform sampler3D t3;");
            line("uniform samplerCUBE tcube : TEXUNIT3;", "uniform samplerCube tcube;");
            line("uniform samplerRECT tr : TEXUNIT4;", "uniform sampler2DRect tr;");
        }
        // The same macros in both languages: their preprocessors are alike.
        line("#define HALF 0.5", "#define HALF 0.5");
        line("#define SQ(x) ((x) * (x))", "#define SQ(x) ((x) * (x))");
        line("static const float4 K[3] = {float4(0.5, -1.0, 0.25, 2.0), float4(1.5, 0.125, -0.75, 1.0), float4(-0.5, 0.375, 1.0, -2.0)};",
             "const vec4 K[3] = vec4[3](vec4(0.5, -1.0, 0.25, 2.0), vec4(1.5, 0.125, -0.75, 1.0), vec4(-0.5, 0.375, 1.0, -2.0));");
        Attr u{true, 3, 5, 2};
        globals_ = {{"u0", F(4), u, false}, {"u1", F(4), u, false}, {"um3", M(3, 3), u, false},
                    {"um4", M(4, 4), u, false}, {"um23", M(2, 3), u, false}, {"ua", F(4), u, false, 4},
                    {"us.a", F(4), u, false}, {"us.b", F(2), u, false}, {"us", St(), u, false},
                    {"ub", M(4, 4), u, false, 2}, {"K", F(4), u, false, 3}};
    }

    // ---- Variables -------------------------------------------------------------------------

    std::vector<Var *> visible(const std::function<bool(const Var &)> &accept) {
        std::vector<Var *> out;
        for (Var &g : globals_)
            if (accept(g)) out.push_back(&g);
        for (auto &scope : scopes_)
            for (Var &v : scope)
                if (accept(v)) out.push_back(&v);
        return out;
    }

    std::string fresh() { return "v" + std::to_string(next_++); }

    void declare(const Var &v) { scopes_.back().push_back(v); }

    // ---- Expressions -------------------------------------------------------------------------

    static E bounded(E e) {
        // Values grow with products; a clamp keeps them where both sides stay close.
        if (e.t.kind != Type::Float || (e.a.mag <= 64 && (!e.a.exact || e.a.b <= 16))) return e;
        std::string lo = e.t.n == 1 ? "-16.0" : "vec" + std::to_string(e.t.n) + "(-16.0)";
        std::string hi = e.t.n == 1 ? "16.0" : "vec" + std::to_string(e.t.n) + "(16.0)";
        e.cg = "clamp(" + e.cg + ", -16, 16)";
        e.gl = "clamp(" + e.gl + ", " + lo + ", " + hi + ")";
        e.a.mag = 16;
        e.a.b = std::min(e.a.b, 4 + e.a.f);
        e.a.exact = e.a.exact && e.a.b <= maxBits;
        return e;
    }

    E literal(const Type &t) {
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
    bool variable(const Type &t, bool exact, E &out) {
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
    E arrayIndex(int length, bool uniform) {
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

    E leaf(const Type &t, bool exact) {
        E e;
        if (chance(0.7) && variable(t, exact, e)) return e;
        return literal(t);
    }

    E expr(const Type &t, int depth, bool exact) {
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

    E intExpr(int depth, bool exact) {
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
    E boolExpr(int n, int depth) {
        if (n == 1 && depth < 3 && chance(0.3)) {
            E a = boolExpr(1, depth + 1), b = boolExpr(1, depth + 1);
            if (chance(0.3)) return E{"!(" + a.cg + ")", "!(" + a.gl + ")", B(), {}};
            const char *op = chance(0.5) ? " && " : " || ";
            return E{"(" + a.cg + op + b.cg + ")", "(" + a.gl + op + b.gl + ")", B(), {}};
        }
        if (n == 1 && chance(0.2)) {
            int k = 2 + below(3);
            E v = boolExpr(k, depth + 1);
            const char *f = chance(0.5) ? "any" : "all";
            return E{std::string(f) + "(" + v.cg + ")", std::string(f) + "(" + v.gl + ")", B(), {}};
        }
        Type ft = chance(0.2) && n == 1 ? I() : F(n);
        E a = expr(ft, depth + 1, true), b = expr(ft, depth + 1, true);
        static const char *const ops[] = {"<", ">", "<=", ">=", "==", "!="};
        static const char *const fns[] = {"lessThan", "greaterThan", "lessThanEqual", "greaterThanEqual", "equal",
                                          "notEqual"};
        int k = below(6);
        std::string cg = "(" + a.cg + " " + ops[k] + " " + b.cg + ")";
        std::string gl = n == 1 ? "(" + a.gl + " " + ops[k] + " " + b.gl + ")" : std::string(fns[k]) + "(" + a.gl + ", " + b.gl + ")";
        return E{cg, gl, B(n), {}};
    }

    E matrixExpr(const Type &t, int depth, bool exact) {
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
    static E call1(const char *cgName, const char *glName, const E &x, Attr a) {
        return E{std::string(cgName) + "(" + x.cg + ")", std::string(glName) + "(" + x.gl + ")", x.t, a};
    }

    std::string glSplat(int n, const std::string &v) const { return n == 1 ? v : "vec" + std::to_string(n) + "(" + v + ")"; }

    bool floatExpr(int n, int depth, bool exact, E &out) {
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
            Attr r = a.a;
            r.f += 2;
            r.exact = r.exact && r.b + 2 <= maxBits;
            r.b += 2;
            out = E{"(" + a.cg + " / 4)", "(" + a.gl + " / 4.0)", t, r};
            return true;
        }
        case 4: {  // a constructor from parts
            if (n == 1) return false;
            std::string cg = cgType(t) + "(", gl = glType(t) + "(";
            Attr a;
            for (int left = n, k = 0; left > 0; ++k) {
                int part = 1 + below(left);
                E p = expr(F(part), depth + 1, exact);
                cg += (k ? ", " : "") + p.cg;
                gl += (k ? ", " : "") + p.gl;
                a = worst(a, p.a);
                left -= part;
            }
            out = E{cg + ")", gl + ")", t, a};
            return true;
        }
        case 5: {  // min, max, abs, clamp, saturate
            E a = expr(t, depth + 1, exact);
            int k = below(5);
            if (k == 0) out = call1("abs", "abs", a, a.a);
            else if (k == 1) out = call1("saturate", "", a, a.a), out.gl = "clamp(" + a.gl + ", 0.0, 1.0)";
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
            default:
                out = E{"fmod(" + a.cg + ", 2)", "(" + a.gl + " - 2.0 * trunc(" + a.gl + " / 2.0))", t, a.a};
                break;
            }
            return true;
        }
        case 7: {  // roots, logarithms, powers
            if (exact) return false;
            E a = expr(t, depth + 1, false);
            switch (below(6)) {
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
                tx = E{"tex2Dproj(tex, float3(" + uv.cg + ", abs(" + w.cg + ") + 0.5))",
                       "texture2DProj(tex, vec3(" + uv.gl + ", abs(" + w.gl + ") + 0.5))", F(4), inexact(1)};
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
            out = E{"lit(" + a.cg + ", " + b.cg + ", " + m + ")",
                    "vec4(1.0, max(" + a.gl + ", 0.0), (" + a.gl + " > 0.0) ? pow(max(" + b.gl + ", 0.0), " + m + ") : 0.0, 1.0)",
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
        case 20: {  // division by something never near zero
            if (exact) return false;
            E a = expr(t, depth + 1, false), b = expr(chance(0.5) ? F(1) : t, depth + 1, false);
            out = E{"(" + a.cg + " / (" + b.cg + " * " + b.cg + " + 0.5))", "(" + a.gl + " / (" + b.gl + " * " + b.gl + " + 0.5))", t,
                    inexact(a.a.mag * 2)};
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

    E argument(const Param &p, int depth) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            E a = expr(p.t, depth, p.a.exact);
            if (!p.a.exact || (a.a.exact && a.a.f <= p.a.f && a.a.b <= p.a.b)) return a;
        }
        return literal(p.t);
    }

    // ---- Statements ----------------------------------------------------------------------

    Type randomType() {
        int k = below(10);
        if (k < 6) return F(1 + below(4));
        if (k < 7) return I();
        if (k < 8) return B();
        static const Type matrices[] = {M(2, 2), M(3, 3), M(4, 4), M(2, 3), M(3, 2)};
        return matrices[below(5)];
    }

    void declaration() {
        Type t = randomType();
        std::string name = fresh();
        if (chance(0.08)) {
            // A struct, from a list.
            E a = expr(F(4), 1, false), b = expr(F(2), 1, false);
            line("S " + name + " = {" + a.cg + ", " + b.cg + "};", "S " + name + " = S(" + a.gl + ", " + b.gl + ");");
            Attr w = worst(a.a, b.a);
            declare(Var{name, St(), w, true});
            declare(Var{name + ".a", F(4), a.a, true});
            declare(Var{name + ".b", F(2), b.a, true});
            return;
        }
        E init = expr(t, 0, false);
        if (t.kind == Type::Float && chance(0.2)) {
            // half is float here: the profiles know no other.
            std::string cgName = "half" + cgType(t).substr(5);
            line(cgName + " " + name + " = " + init.cg + ";", glType(t) + " " + name + " = " + init.gl + ";");
            declare(Var{name, t, init.a, true});
            return;
        }
        if (t.kind == Type::Float && t.n > 1 && chance(0.15)) {
            // A scalar spread over the vector.
            E s = expr(F(1), 0, false);
            line(cgType(t) + " " + name + " = " + s.cg + ";", glType(t) + " " + name + " = " + glType(t) + "(" + s.gl + ");");
            declare(Var{name, t, s.a, true});
            return;
        }
        line(cgType(t) + " " + name + " = " + init.cg + ";", glType(t) + " " + name + " = " + init.gl + ";");
        declare(Var{name, t, init.a, true});
    }

    void arrayDeclaration() {
        int n = 2 + below(3);
        std::string name = fresh();
        std::string cg = "float4 " + name + "[" + std::to_string(n) + "] = {", gl = "vec4 " + name + "[" + std::to_string(n) + "] = vec4[" + std::to_string(n) + "](";
        Attr a;
        for (int i = 0; i < n; ++i) {
            E e = expr(F(4), 1, false);
            cg += (i ? ", " : "") + e.cg;
            gl += (i ? ", " : "") + e.gl;
            a = worst(a, e.a);
        }
        line(cg + "};", gl + ");");
        declare(Var{name, F(4), a, true, n});
    }

    void assignment() {
        std::vector<Var *> targets = visible([](const Var &v) {
            return v.writable && v.t.kind != Type::Bool && v.t.kind != Type::Struct;
        });
        if (targets.empty()) return declaration();
        Var &v = *targets[size_t(below(int(targets.size())))];
        std::string cg = v.name, gl = v.name;
        Type t = v.t;
        if (!v.length && t.kind == Type::Float && chance(0.08)) {
            const char *op = chance(0.5) ? "++" : "--";
            line(cg + op + ";", gl + op + ";");
            v.a = sumOf(v.a, Attr{true, 0, 1, 1});
            return;
        }
        if (!v.length && chance(0.15) && (t.kind == Type::Matrix || (t.kind == Type::Float && t.n > 1))) {
            // One element: v[i], a matrix's row m[i] or element m._mij.
            int i = below(t.n);
            if (t.kind == Type::Float) {
                cg += "[" + std::to_string(i) + "]";
                gl += "[" + std::to_string(i) + "]";
                t = F(1);
            } else if (chance(0.5)) {
                cg += "[" + std::to_string(i) + "]";
                gl += "[" + std::to_string(i) + "]";
                t = F(t.m);
            } else {
                int j = below(t.m);
                cg += "._m" + std::to_string(i) + std::to_string(j);
                gl += "[" + std::to_string(i) + "][" + std::to_string(j) + "]";
                t = F(1);
            }
        }
        if (v.length) {
            E index = arrayIndex(v.length, false);
            cg += "[" + index.cg + "]";
            gl += "[" + index.gl + "]";
            t = F(4);
        }
        if (t.kind == Type::Float && t.n > 1 && cg == v.name && chance(0.5)) {
            // A write mask: distinct components in any order.
            std::string all = std::string(letters).substr(0, size_t(t.n));
            std::shuffle(all.begin(), all.end(), rng_);
            std::string mask = all.substr(0, size_t(1 + below(t.n)));
            cg += "." + mask;
            gl += "." + mask;
            t = F(int(mask.size()));
        }
        const char *ops[] = {" = ", " += ", " -= ", " *= "};
        int op = t.kind == Type::Matrix ? below(3) : below(4);
        E value = expr(chance(0.3) && t.kind == Type::Float ? F(1) : t, 0, false);
        std::string valueGl = value.gl;
        if (value.t.kind == Type::Float && value.t.n == 1 && t.kind == Type::Float && t.n > 1 && op == 0)
            valueGl = glType(t) + "(" + value.gl + ")";
        line(cg + ops[op] + value.cg + ";", gl + ops[op] + valueGl + ";");
        Attr r = op == 0 ? value.a : op == 3 ? productOf(v.a, value.a) : sumOf(v.a, value.a);
        v.a = v.length || t.kind == Type::Matrix || t.n != v.t.n ? worst(v.a, r) : r;
        if (v.a.mag > 64 || (v.a.exact && v.a.b > 16)) {
            if (v.t.kind == Type::Float && !v.length) {
                E c = bounded(E{v.name, v.name, v.t, v.a});
                line(v.name + " = " + c.cg + ";", v.name + " = " + c.gl + ";");
                v.a = c.a;
            } else {
                v.a = inexact(v.a.mag);
            }
        }
    }

    void block(int statements, int depth) {
        line("{", "{");
        ++indent_;
        scopes_.emplace_back();
        for (int i = 0; i < statements && budget_ > 0; ++i) statement(depth + 1);
        scopes_.pop_back();
        --indent_;
        line("}", "}");
    }

    // Every variable written in a branch ends up no better known than before or after it.
    std::vector<Attr> attrs() {
        std::vector<Attr> out;
        for (auto &scope : scopes_)
            for (Var &v : scope) out.push_back(v.a);
        return out;
    }
    void restore(const std::vector<Attr> &saved) {
        size_t i = 0;
        for (auto &scope : scopes_)
            for (Var &v : scope)
                if (i < saved.size()) v.a = saved[i++];
    }
    void mergeInto(const std::vector<Attr> &other) {
        size_t i = 0;
        for (auto &scope : scopes_)
            for (Var &v : scope)
                if (i < other.size()) v.a = worst(v.a, other[i++]);
    }

    void ifStatement(int depth) {
        E c = boolExpr(1, 1);
        line("if (" + c.cg + ")", "if (" + c.gl + ")");
        std::vector<Attr> before = attrs();
        block(1 + below(3), depth);
        if (chance(0.5)) {
            std::vector<Attr> taken = attrs();
            restore(before);
            line("else", "else");
            block(1 + below(3), depth);
            mergeInto(taken);
        } else {
            mergeInto(before);
        }
    }

    // Whatever a loop body writes changes from one iteration to the next: nothing written
    // outside the loop stays exact.
    void forgetWritable() {
        for (auto &scope : scopes_)
            for (Var &v : scope)
                if (v.writable && v.name.rfind("i", 0) != 0) v.a.exact = false;
    }

    void loop(int depth) {
        forgetWritable();
        std::string i = "i" + std::to_string(next_++);
        int n = 1 + below(4);
        std::string count = std::to_string(n);
        ++loops_;
        int kind = below(3);
        if (kind == 0) {
            line("for (int " + i + " = 0; " + i + " < " + count + "; " + i + "++)",
                 "for (int " + i + " = 0; " + i + " < " + count + "; " + i + "++)");
            scopes_.emplace_back();
            declare(Var{i, I(), Attr{true, 0, 3, 4}, false});
            loopBody(depth);
            scopes_.pop_back();
        } else if (kind == 1) {
            line("int " + i + " = 0;", "int " + i + " = 0;");
            declare(Var{i, I(), Attr{true, 0, 3, 4}, false});
            line("while (" + i + " < " + count + ")", "while (" + i + " < " + count + ")");
            loopBody(depth, i + "++;");
        } else {
            line("int " + i + " = " + count + ";", "int " + i + " = " + count + ";");
            declare(Var{i, I(), Attr{true, 0, 3, 4}, false});
            line("do", "do");
            loopBody(depth, i + " -= 1;");
            cg_.pop_back();
            gl_.pop_back();
            cg_ += " while (" + i + " > 0);\n";
            gl_ += " while (" + i + " > 0);\n";
        }
        --loops_;
        forgetWritable();
    }

    void loopBody(int depth, const std::string &step = "") {
        line("{", "{");
        ++indent_;
        scopes_.emplace_back();
        int n = 1 + below(3);
        for (int k = 0; k < n && budget_ > 0; ++k) {
            if (helper_ && helper_->returns && chance(0.15)) earlyReturn();
            if (chance(0.25) && step.empty()) {
                E c = boolExpr(1, 2);
                const char *jump = chance(0.5) ? "break;" : "continue;";
                line("if (" + c.cg + ") " + jump, "if (" + c.gl + ") " + jump);
            }
            statement(depth + 1);
        }
        if (!step.empty()) line(step, step);
        scopes_.pop_back();
        --indent_;
        line("}", "}");
    }

    void callStatement() {
        std::vector<const Helper *> withOut;
        for (const Helper &h : helpers_) withOut.push_back(&h);
        if (withOut.empty()) return assignment();
        const Helper &h = *withOut[size_t(below(int(withOut.size())))];
        std::string cg = h.name + "(", gl = h.name + "(";
        std::vector<std::pair<Var *, Attr>> written;
        std::vector<Var *> used;
        for (size_t i = 0; i < h.params.size(); ++i) {
            const Param &p = h.params[i];
            std::string a, b;
            if (p.dir == 0) {
                E e = argument(p, 1);
                a = e.cg;
                b = e.gl;
            } else {
                // A variable of the parameter's type that overlaps none passed already (the order
                // results are copied back in is GLSL's choice).
                auto overlaps = [](const Var &x, const Var *y) {
                    const std::string &a = x.name.size() < y->name.size() ? x.name : y->name;
                    const std::string &b = x.name.size() < y->name.size() ? y->name : x.name;
                    return b.rfind(a, 0) == 0 && (b.size() == a.size() || b[a.size()] == '.');
                };
                std::vector<Var *> vars = visible([&](const Var &v) {
                    return v.writable && !v.length && v.t == p.t &&
                           std::none_of(used.begin(), used.end(), [&](const Var *u) { return overlaps(v, u); }) &&
                           (p.dir == 1 || !p.a.exact || (v.a.exact && v.a.f <= p.a.f && v.a.b <= p.a.b));
                });
                if (vars.empty()) {
                    std::string name = fresh();
                    if (p.t.kind == Type::Struct) {
                        E x = expr(F(4), 1, false), y = expr(F(2), 1, false);
                        line("S " + name + " = {" + x.cg + ", " + y.cg + "};", "S " + name + " = S(" + x.gl + ", " + y.gl + ");");
                        declare(Var{name, p.t, worst(x.a, y.a), true});
                    } else {
                        E init = p.dir == 2 ? argument(p, 1) : literal(p.t);
                        line(cgType(p.t) + " " + name + " = " + init.cg + ";", glType(p.t) + " " + name + " = " + init.gl + ";");
                        declare(Var{name, p.t, init.a, true});
                    }
                    vars.push_back(&scopes_.back().back());
                }
                Var *v = vars[size_t(below(int(vars.size())))];
                used.push_back(v);
                written.emplace_back(v, p.a);
                a = b = v->name;
            }
            cg += (i ? ", " : "") + a;
            gl += (i ? ", " : "") + b;
        }
        line(cg + ");", gl + ");");
        for (auto &[v, a] : written) {
            v->a = a;
            // A struct's members change with it.
            for (Var *m : visible([&](const Var &x) { return x.name.rfind(v->name + ".", 0) == 0; })) m->a = a;
        }
    }

    // sincos and modf, which answer through out parameters.
    void outIntrinsic() {
        int n = 1 + below(4);
        Type t = F(n);
        std::string a = fresh(), b = fresh();
        line(cgType(t) + " " + a + ";", glType(t) + " " + a + ";");
        line(cgType(t) + " " + b + ";", glType(t) + " " + b + ";");
        if (chance(0.5)) {
            E x = expr(t, 1, false);
            line("sincos(" + x.cg + ", " + a + ", " + b + ");", a + " = sin(" + x.gl + "); " + b + " = cos(" + x.gl + ");");
            declare(Var{a, t, inexact(1), true});
            declare(Var{b, t, inexact(1), true});
        } else {
            E x = expr(t, 1, true);
            if (!x.a.exact) x = literal(t);
            line(a + " = modf(" + x.cg + ", " + b + ");", a + " = modf(" + x.gl + ", " + b + ");");
            declare(Var{a, t, Attr{true, x.a.f, x.a.f + 1, 1}, true});
            declare(Var{b, t, Attr{true, 0, std::max(1, x.a.b - x.a.f), x.a.mag}, true});
        }
    }

    void statement(int depth) {
        --budget_;
        int k = below(100);
        if (depth > 3 && k >= 60) k = below(60);
        if (k < 30) return declaration();
        if (k < 55) return assignment();
        if (k < 60) return arrayDeclaration();
        if (k < 72) return ifStatement(depth);
        if (k < 82 && loops_ < 2) return loop(depth);
        if (k < 86) return callStatement();
        if (k < 90) return outIntrinsic();
        if (k < 95 && fragment_ && !helper_) {
            if (chance(0.5)) {
                E c = boolExpr(1, 2);
                line("if (" + c.cg + ") discard;", "if (" + c.gl + ") discard;");
            } else {
                int n = 1 + below(4);
                E x = expr(F(n), 1, true);
                if (!x.a.exact) return;
                std::string zero = n == 1 ? "0.0" : "vec" + std::to_string(n) + "(0.0)";
                std::string less = n == 1 ? "(" + x.gl + " < 0.0)" : "any(lessThan(" + x.gl + ", " + zero + "))";
                line("clip(" + x.cg + ");", "if (" + less + ") discard;");
            }
            return;
        }
        declaration();
    }

    // ---- Functions -------------------------------------------------------------------------

    void helper(int index) {
        Helper h;
        h.name = "f" + std::to_string(index);
        h.returns = chance(0.8);
        h.result = F(1 + below(4));
        int count = 1 + below(3);
        for (int i = 0; i < count; ++i) {
            Param p;
            p.t = chance(0.12) ? St() : randomType();
            if (p.t.kind == Type::Bool) p.t = F(2);
            p.dir = below(5) < 3 ? 0 : below(2) + 1;
            p.a = chance(0.5) && p.t.kind != Type::Struct ? Attr{true, 4, 10, 64} : inexact(64);
            h.params.push_back(p);
        }
        // Sometimes an overload of an earlier helper: the same name, another first parameter.
        for (const Helper &other : helpers_) {
            bool differs = true;
            for (const Helper &same : helpers_)
                if (same.name == other.name && same.params[0].t == h.params[0].t) differs = false;
            if (differs && chance(0.3)) {
                h.name = other.name;
                break;
            }
        }
        static const char *const dirs[] = {"", "out ", "inout "};
        std::string cg = (h.returns ? cgType(h.result) : "void") + " " + h.name + "(";
        std::string gl = (h.returns ? glType(h.result) : "void") + " " + h.name + "(";
        scopes_.emplace_back();
        auto declareParam = [&](const std::string &name, const Param &p, const Attr &a) {
            declare(Var{name, p.t, a, true});
            if (p.t.kind == Type::Struct) {
                declare(Var{name + ".a", F(4), a, true});
                declare(Var{name + ".b", F(2), a, true});
            }
        };
        for (size_t i = 0; i < h.params.size(); ++i) {
            const Param &p = h.params[i];
            std::string name = "p" + std::to_string(i);
            cg += (i ? ", " : "") + std::string(dirs[p.dir]) + cgType(p.t) + " " + name;
            gl += (i ? ", " : "") + std::string(dirs[p.dir]) + glType(p.t) + " " + name;
            // An out parameter has no value until the body gives it one.
            if (p.dir != 1) declareParam(name, p, p.a);
        }
        line(cg + ")", gl + ")");
        line("{", "{");
        ++indent_;
        helper_ = &h;
        early_ = false;
        for (size_t i = 0; i < h.params.size(); ++i) {
            const Param &p = h.params[i];
            if (p.dir != 1) continue;
            std::string name = "p" + std::to_string(i);
            if (p.t.kind == Type::Struct) {
                E a = expr(F(4), 1, false), b = expr(F(2), 1, false);
                line(name + ".a = " + a.cg + "; " + name + ".b = " + b.cg + ";", name + ".a = " + a.gl + "; " + name + ".b = " + b.gl + ";");
                declareParam(name, p, worst(a.a, b.a));
                continue;
            }
            E init = expr(p.t, 1, false);
            line(name + " = " + init.cg + ";", name + " = " + init.gl + ";");
            declareParam(name, p, init.a);
        }
        scopes_.emplace_back();
        int statements = 1 + below(4);
        for (int i = 0; i < statements && budget_ > 0; ++i) {
            if (h.returns && chance(0.15)) earlyReturn();
            statement(1);
        }
        if (h.returns) {
            E r = expr(h.result, 1, false);
            line("return " + r.cg + ";", "return " + r.gl + ";");
            h.resultAttr = early_ ? inexact(std::max(h.resultAttr.mag, r.a.mag)) : r.a;
        }
        scopes_.pop_back();
        for (size_t i = 0; i < h.params.size(); ++i)
            for (Var &v : scopes_.back())
                if (v.name == "p" + std::to_string(i) && h.params[i].dir != 0) h.params[i].a = early_ ? inexact(v.a.mag) : v.a;
        helper_ = nullptr;
        scopes_.pop_back();
        --indent_;
        line("}", "}");
        helpers_.push_back(h);
    }

    // "if (c) return r;" in a helper, at any depth: what it returns counts too.
    void earlyReturn() {
        E c = boolExpr(1, 2);
        E r = expr(helper_->result, 1, false);
        line("if (" + c.cg + ") return " + r.cg + ";", "if (" + c.gl + ") return " + r.gl + ";");
        helper_->resultAttr = early_ ? worst(helper_->resultAttr, r.a) : r.a;
        early_ = true;
    }

    void mainFunction() {
        scopes_.emplace_back();
        if (fragment_) {
            line("float4 main(float4 wpos : WPOS, float4 tc : TEXCOORD0) : COLOR", "void main()");
            line("{", "{");
            ++indent_;
            line("", "vec4 wpos = gl_FragCoord;");
            line("", "vec4 tc = gl_TexCoord[0];");
            // From the pixel centres (x + 1/2): exact binary fractions.
            line("float4 in0 = float4((wpos.x - 8) * 0.25, (wpos.y - 8) * 0.25, wpos.x * wpos.y * 0.015625, 0.75);",
                 "vec4 in0 = vec4((wpos.x - 8.0) * 0.25, (wpos.y - 8.0) * 0.25, wpos.x * wpos.y * 0.015625, 0.75);");
            declare(Var{"in0", F(4), Attr{true, 8, 12, 4}, true});
            declare(Var{"tc", F(4), inexact(2), false});
        } else {
            line("void main(float4 pos : POSITION, float4 in0 : TEXCOORD0, float4 in1 : TEXCOORD1, out float4 opos : POSITION, "
                 "out float4 ocol : COLOR0)",
                 "void main()");
            line("{", "{");
            ++indent_;
            line("", "vec4 in0 = gl_MultiTexCoord0;");
            line("", "vec4 in1 = gl_MultiTexCoord1;");
            line("opos = pos;", "gl_Position = gl_Vertex;");
            declare(Var{"in0", F(4), Attr{true, 3, 6, 4}, true});
            declare(Var{"in1", F(4), Attr{true, 3, 6, 4}, true});
        }
        while (budget_ > 0) statement(1);
        // E: several variables together, so that most of what was computed shows.
        std::vector<Var *> floats = visible([](const Var &v) { return v.t.kind == Type::Float && !v.length; });
        std::string cg = "float4(0)", gl = "vec4(0.0)";
        int terms = std::min<int>(int(floats.size()), 5);
        std::shuffle(floats.begin(), floats.end(), rng_);
        for (int i = 0; i < terms; ++i) {
            E e;
            const Var &v = *floats[size_t(i)];
            std::string s = v.t.n == 1 ? "" : ".";
            if (v.t.n > 1)
                for (int k = 0; k < 4; ++k) s += letters[below(v.t.n)];
            cg += " + " + v.name + (v.t.n == 1 ? "" : s);
            gl += " + " + (v.t.n == 1 ? "vec4(" + v.name + ")" : v.name + s);
        }
        E extra = expr(F(4), 1, false);
        line("float4 E = " + cg + " + " + extra.cg + ";", "vec4 E = " + gl + " + " + extra.gl + ";");
        if (fragment_) line("return E / (1 + abs(E)) * 0.5 + 0.5;", "gl_FragColor = E / (1.0 + abs(E)) * 0.5 + 0.5;");
        else line("ocol = E / (1 + abs(E)) * 0.5 + 0.5;", "gl_FrontColor = E / (1.0 + abs(E)) * 0.5 + 0.5;");
        --indent_;
        line("}", "}");
        scopes_.pop_back();
    }

    std::mt19937 rng_;
    bool fragment_;
    int budget_;
    std::string cg_, gl_;
    int lines_ = 0, indent_ = 0, next_ = 0, loops_ = 0;
    Helper *helper_ = nullptr;  // the helper being written
    bool early_ = false;
    std::vector<Var> globals_;
    std::vector<std::deque<Var>> scopes_;  // deques: a declaration keeps the others where they are
    std::vector<Helper> helpers_;
};

}  // namespace

RandomProgram randomProgram(unsigned seed, bool fragment, int size) { return Generator(seed, fragment, size).run(); }

}  // namespace vela::test
