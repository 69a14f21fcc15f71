// The random program generator of the differential test (see random_program.h): the
// program, its statements and functions. Expressions are in random_expressions.cpp.
#include <algorithm>
#include <cmath>

#include "cg/random_generator.h"

namespace vela::test {


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
        {"unitRange", 1, 2, {0, 1}},
        {"uf", 1, 1, {0.625f}},
        {"u3", 1, 3, {-0.75f, 0.25f, 1.375f}},
        {"ub[0]", 4, 4, {0.5f, 0, 0.25f, 0, 0, 1, 0, -0.5f, 0.25f, 0.125f, 0.75f, 0, 0, 0, 0.5f, 1}},
        {"ub[1]", 4, 4, {-1, 0.5f, 0, 0.25f, 0.125f, 0.5f, 0.25f, 0, 0, -0.25f, 1, 0.5f, 0.75f, 0, 0, 0.5f}},
    };
    return values;
}

namespace generator {

// A struct from a list or from its constructor: the language has both.
std::string Generator::structValue(const std::string &a, const std::string &b) {
    return chance(0.5) ? "{" + a + ", " + b + "}" : "S(" + a + ", " + b + ")";
}

RandomProgram Generator::run() {
    header();
    // Shipped files hold functions for other profiles and stages that the entry never
    // calls: they must not keep the program from compiling.
    if (chance(0.3)) line("float4 otherStage(float4 v) { return v * notDeclaredHere; }", "");
    if (chance(0.2)) line("ps_3_0 float4 otherProfile(float4 v) { return tex2Dlod(nothing, v); }", "");
    int helpers = below(3);
    for (int i = 0; i < helpers; ++i) helper(i);
    mainFunction();
    RandomProgram p;
    p.cg = cg_;
    p.glsl = gl_;
    p.lines = lines_;
    return p;
}

void Generator::line(const std::string &cg, const std::string &gl) {
    std::string pad(size_t(indent_ * 2), ' ');
    cg_ += pad + cg + "\n";
    gl_ += pad + gl + "\n";
    ++lines_;
}

void Generator::header() {
    gl_ += "#version 150 compatibility\n";
    // saturate's bounds, GLSL side only: Mesa 22.3 rewrites min(clamp(a, 0, 1), c) as
    // clamp(min(a, c), 0, 1) when only some components of a constant c lie in [0, 1] (and
    // max alike), which is wrong for the others. Bounds it cannot see keep it from that.
    gl_ += "uniform vec2 unitRange;\n";
    line("struct S { float4 a; float2 b; };", "struct S { vec4 a; vec2 b; };");
    // Bound to constant registers or not: the tests set uniforms by name either way.
    line(chance(0.3) ? "uniform float4 u0 : register(c7);" : "uniform float4 u0;", "uniform vec4 u0;");
    line(chance(0.3) ? "uniform float4 u1 : C5;" : "uniform float4 u1;", "uniform vec4 u1;");
    line("uniform float uf;", "uniform float uf;");
    line("uniform float3 u3;", "uniform vec3 u3;");
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
    globals_ = {{"u0", F(4), u, false}, {"u1", F(4), u, false}, {"uf", F(1), u, false}, {"u3", F(3), u, false}, {"um3", M(3, 3), u, false},
                {"um4", M(4, 4), u, false}, {"um23", M(2, 3), u, false}, {"ua", F(4), u, false, 4},
                {"us.a", F(4), u, false}, {"us.b", F(2), u, false}, {"us", St(), u, false},
                {"ub", M(4, 4), u, false, 2}, {"K", F(4), u, false, 3}};
}

std::vector<Generator::Var *> Generator::visible(const std::function<bool(const Var &)> &accept) {
    std::vector<Var *> out;
    for (Var &g : globals_)
        if (accept(g)) out.push_back(&g);
    for (auto &scope : scopes_)
        for (Var &v : scope)
            if (accept(v)) out.push_back(&v);
    return out;
}

Type Generator::randomType() {
    int k = below(10);
    if (k < 6) return F(1 + below(4));
    if (k < 7) return I();
    if (k < 8) return B();
    static const Type matrices[] = {M(2, 2), M(3, 3), M(4, 4), M(2, 3), M(3, 2)};
    return matrices[below(5)];
}

void Generator::declaration() {
    Type t = randomType();
    std::string name = fresh();
    if (chance(0.08)) {
        // A struct, from a list.
        E a = expr(F(4), 1, false), b = expr(F(2), 1, false);
        line("S " + name + " = " + structValue(a.cg, b.cg) + ";", "S " + name + " = S(" + a.gl + ", " + b.gl + ");");
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

void Generator::arrayDeclaration() {
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

void Generator::assignment() {
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
    if (loops_) return keepBounded(v);
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

// In a loop a statement runs up to 64 times (loops nest): what it multiplies or adds to
// itself could grow past what a float holds, and the two sides overflow differently. So a
// variable written in a loop is clamped right after, every time.
void Generator::keepBounded(Var &v) {
    auto clampLine = [&](const std::string &target, int n) {
        line(target + " = clamp(" + target + ", -16, 16);",
             target + " = clamp(" + target + ", " + glSplat(n, "-16.0") + ", " + glSplat(n, "16.0") + ");");
    };
    if (v.t.kind == Type::Float && v.length) {
        for (int k = 0; k < v.length; ++k) clampLine(v.name + "[" + std::to_string(k) + "]", 4);
    } else if (v.t.kind == Type::Float) {
        clampLine(v.name, v.t.n);
    } else if (v.t.kind == Type::Int) {
        line(v.name + " = clamp(" + v.name + ", -16, 16);", v.name + " = clamp(" + v.name + ", -16, 16);");
    } else if (v.t.kind == Type::Matrix) {
        for (int r = 0; r < v.t.n; ++r) clampLine(v.name + "[" + std::to_string(r) + "]", v.t.m);
    } else if (v.t.kind == Type::Struct) {
        for (Var *m : visible([&](const Var &x) { return x.name.rfind(v.name + ".", 0) == 0; })) keepBounded(*m);
    }
    v.a.mag = std::min(v.a.mag, 16.0);
    v.a.b = std::min(v.a.b, 5 + v.a.f);
}

void Generator::block(int statements, int depth) {
    line("{", "{");
    ++indent_;
    scopes_.emplace_back();
    for (int i = 0; i < statements && budget_ > 0; ++i) statement(depth + 1);
    scopes_.pop_back();
    --indent_;
    line("}", "}");
}

// Every variable written in a branch ends up no better known than before or after it.
std::vector<Attr> Generator::attrs() {
    std::vector<Attr> out;
    for (auto &scope : scopes_)
        for (Var &v : scope) out.push_back(v.a);
    return out;
}

void Generator::restore(const std::vector<Attr> &saved) {
    size_t i = 0;
    for (auto &scope : scopes_)
        for (Var &v : scope)
            if (i < saved.size()) v.a = saved[i++];
}

void Generator::mergeInto(const std::vector<Attr> &other) {
    size_t i = 0;
    for (auto &scope : scopes_)
        for (Var &v : scope)
            if (i < other.size()) v.a = worst(v.a, other[i++]);
}

void Generator::ifStatement(int depth) {
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
void Generator::forgetWritable() {
    for (auto &scope : scopes_)
        for (Var &v : scope)
            if (v.writable && v.name.rfind("i", 0) != 0) v.a.exact = false;
}

void Generator::loop(int depth) {
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

void Generator::loopBody(int depth, const std::string &step) {
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

void Generator::callStatement() {
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
                    line("S " + name + " = " + structValue(x.cg, y.cg) + ";", "S " + name + " = S(" + x.gl + ", " + y.gl + ");");
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
        if (loops_) keepBounded(*v);
    }
}

// sincos and modf, which answer through out parameters.
void Generator::outIntrinsic() {
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

void Generator::statement(int depth) {
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
            std::string zero = glSplat(n, "0.0");
            std::string less = n == 1 ? "(" + x.gl + " < 0.0)" : "any(lessThan(" + x.gl + ", " + zero + "))";
            line("clip(" + x.cg + ");", "if (" + less + ") discard;");
        }
        return;
    }
    declaration();
}

void Generator::helper(int index) {
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
void Generator::earlyReturn() {
    E c = boolExpr(1, 2);
    E r = expr(helper_->result, 1, false);
    line("if (" + c.cg + ") return " + r.cg + ";", "if (" + c.gl + ") return " + r.gl + ";");
    helper_->resultAttr = early_ ? worst(helper_->resultAttr, r.a) : r.a;
    early_ = true;
}

void Generator::mainFunction() {
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

}  // namespace generator

RandomProgram randomProgram(unsigned seed, bool fragment, int size) {
    return generator::Generator(seed, fragment, size).run();
}

}  // namespace vela::test
