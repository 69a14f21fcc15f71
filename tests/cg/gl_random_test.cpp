// Random programs from a fixed seed, each run on the GL and compared with the same
// arithmetic done here. This catches code the GL accepts that computes the wrong thing: a
// register overwritten while still needed, a swizzle or write mask misplaced.
#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "cg/gl_fixture.h"

namespace vela::test {
namespace {

using Values = std::vector<double>;

const Values t0Values = {0.1, 0.2, 0.3, 0.4}, t1Values = {0.8, 0.6, 0.25, 0.5}, u0Values = {0.3, -0.7, 1.5, 0.9};
const double m4[4][4] = {{0.1, 0.2, 0.3, 0.4}, {-0.5, 0.6, 0.7, 0.8}, {0.9, 1.0, -1.1, 1.2}, {0.2, 0.1, 0.0, -0.1}};
const double m3[3][3] = {{0.5, -0.25, 0}, {0.1, 0.2, 0.3}, {1, 0, -1}};

struct Expression {
    std::string text;
    Values values;
};

Values spread(const Values &v, size_t n) { return v.size() == 1 ? Values(n, v[0]) : v; }
std::string floatType(size_t n) { return n == 1 ? "float" : "float" + std::to_string(n); }

// Generates a program whose colour is (E) * 0.1 + 0.5 for a random float4 E, and E's value.
class Generator {
public:
    Generator(unsigned seed, const std::string &t0, const std::string &t1) : rng_(seed) {
        vars_ = {{t0, t0Values}, {t1, t1Values}, {"u0", u0Values}};
    }

    // The statements, and the expression of the result.
    std::string body(Expression &result) {
        std::string out;
        int locals = below(7);
        for (int i = 0; i < locals; ++i) {
            size_t n = size_t(1 + below(4));
            std::string name = "v" + std::to_string(i);
            if (chance(0.2)) {
                // A block with a local of its own that dies at its end.
                Expression e = expr(4, 1);
                std::string target = pickAssignable();
                Values &tv = vars_[target];
                size_t c = size_t(below(int(tv.size())));
                out += "  { float4 b = " + e.text + "; " + target + "." + "xyzw"[c] + " += b.y; }\n";
                tv[c] += e.values[1];
            }
            Expression e = expr(n, 0);
            out += "  " + floatType(n) + " " + name + " = " + e.text + ";\n";
            vars_[name] = e.values;
            for (int k = below(3); k > 0; --k) out += assignment();
        }
        result = expr(4, 0);
        return out;
    }

private:
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    template <class T> const T &pick(const std::vector<T> &v) { return v[size_t(below(int(v.size())))]; }

    std::string pickAssignable() {
        std::vector<std::string> names;
        for (const auto &[name, values] : vars_) names.push_back(name);
        return pick(names);
    }

    std::string assignment() {
        std::string target = pickAssignable();
        Values &tv = vars_[target];
        std::vector<size_t> comps;
        std::string mask;
        if (tv.size() > 1 && chance(0.7)) {
            std::vector<size_t> all = {0, 1, 2, 3};
            all.resize(tv.size());
            std::shuffle(all.begin(), all.end(), rng_);
            comps.assign(all.begin(), all.begin() + 1 + below(int(tv.size())));
            mask = ".";
            for (size_t c : comps) mask += "xyzw"[c];
        } else {
            for (size_t c = 0; c < tv.size(); ++c) comps.push_back(c);
        }
        const char *ops[] = {"=", "+=", "-=", "*=", "/="};
        std::string op = ops[below(5)];
        Expression e = expr(chance(0.5) ? 1 : comps.size(), 1);
        Values r = spread(e.values, comps.size());
        if (op == "/=") {
            e.text = "(" + e.text + " * " + e.text + " + 1)";
            for (double &x : r) x = x * x + 1;
        }
        Values updated = tv;
        for (size_t j = 0; j < comps.size(); ++j) {
            double a = tv[comps[j]], b = r[j];
            updated[comps[j]] = op == "=" ? b : op == "+=" ? a + b : op == "-=" ? a - b : op == "*=" ? a * b : a / b;
        }
        tv = updated;
        return "  " + target + mask + " " + op + " " + e.text + ";\n";
    }

    Expression read(size_t n) {
        std::string name = pickAssignable();
        const Values &v = vars_[name];
        if (v.size() == n && chance(0.4)) return {name, v};
        if (v.size() == 1) return {n == 1 ? name : floatType(n) + "(" + name + ")", Values(n, v[0])};
        const char *letters = v.size() == 4 && chance(0.3) ? "rgba" : "xyzw";
        Expression e{name + ".", {}};
        for (size_t i = 0; i < n; ++i) {
            size_t c = size_t(below(int(v.size())));
            e.text += letters[c];
            e.values.push_back(v[c]);
        }
        return e;
    }

    Expression expr(size_t n, int depth) {
        int choice = depth > 3 ? below(2) : below(8);
        switch (choice) {
        case 0:
        case 1: return read(n);
        case 2: {
            static const std::pair<const char *, double> literals[] = {
                {"0.5", 0.5}, {"2", 2}, {"1.5f", 1.5}, {"0.25h", 0.25}, {".125", 0.125}, {"3", 3}};
            auto [text, value] = literals[below(6)];
            return {n == 1 ? text : floatType(n) + "(" + text + ")", Values(n, value)};
        }
        case 3:
        case 4: {
            char op = "+-*/"[below(4)];
            size_t rn = chance(0.5) ? 1 : n, ln = rn == 1 || chance(0.7) ? n : 1;
            Expression l = expr(ln, depth + 1), r = expr(rn, depth + 1);
            Values a = spread(l.values, n), b = spread(r.values, n), v(n);
            if (op == '/') {
                r.text = "(" + r.text + " * " + r.text + " + 2)";
                for (double &x : b) x = x * x + 2;
            }
            for (size_t i = 0; i < n; ++i)
                v[i] = op == '+' ? a[i] + b[i] : op == '-' ? a[i] - b[i] : op == '*' ? a[i] * b[i] : a[i] / b[i];
            return {"(" + l.text + " " + op + " " + r.text + ")", v};
        }
        case 5: {
            Expression e = expr(n, depth + 1);
            for (double &x : e.values) x = -x;
            return {"-(" + e.text + ")", e.values};
        }
        case 6: {
            Expression e{floatType(n) + "(", {}};
            for (size_t left = n; left > 0;) {
                size_t k = size_t(1 + below(int(left)));
                Expression part = expr(k, depth + 1);
                e.text += (e.values.empty() ? "" : ", ") + part.text;
                e.values.insert(e.values.end(), part.values.begin(), part.values.end());
                left -= k;
            }
            e.text += ")";
            return e;
        }
        default: return intrinsic(n, depth);
        }
    }

    Expression intrinsic(size_t n, int depth) {
        std::vector<std::string> names = {"saturate", "abs", "min", "max", "lerp", "dot"};
        if (n >= 2) names.push_back("normalize");
        if (n >= 3) names.insert(names.end(), {"mul", "mulv"});
        std::string f = pick(names);
        Values v(n);
        if (f == "saturate" || f == "abs") {
            Expression e = expr(n, depth + 1);
            for (size_t i = 0; i < n; ++i) v[i] = f == "abs" ? std::fabs(e.values[i]) : std::clamp(e.values[i], 0.0, 1.0);
            return {f + "(" + e.text + ")", v};
        }
        if (f == "min" || f == "max") {
            Expression a = expr(n, depth + 1), b = expr(chance(0.5) ? 1 : n, depth + 1);
            Values bv = spread(b.values, n);
            for (size_t i = 0; i < n; ++i) v[i] = f == "min" ? std::min(a.values[i], bv[i]) : std::max(a.values[i], bv[i]);
            return {f + "(" + a.text + ", " + b.text + ")", v};
        }
        if (f == "lerp") {
            Expression a = expr(n, depth + 1), b = expr(n, depth + 1), t = expr(chance(0.5) ? 1 : n, depth + 1);
            Values tv = spread(t.values, n);
            for (size_t i = 0; i < n; ++i) v[i] = a.values[i] + tv[i] * (b.values[i] - a.values[i]);
            return {"lerp(" + a.text + ", " + b.text + ", " + t.text + ")", v};
        }
        if (f == "dot") {
            size_t k = size_t(1 + below(4));
            Expression a = expr(k, depth + 1), b = expr(k, depth + 1);
            double d = 0;
            for (size_t i = 0; i < k; ++i) d += a.values[i] * b.values[i];
            std::string text = "dot(" + a.text + ", " + b.text + ")";
            return {n == 1 ? text : floatType(n) + "(" + text + ")", Values(n, d)};
        }
        if (f == "normalize") {
            Expression e = expr(n, depth + 1);
            double length = 0;
            for (double &x : e.values) length += (std::fabs(x) + 0.5) * (std::fabs(x) + 0.5);
            for (size_t i = 0; i < n; ++i) v[i] = (std::fabs(e.values[i]) + 0.5) / std::sqrt(length);
            return {"normalize(abs(" + e.text + ") + 0.5)", v};
        }
        Expression e = expr(n, depth + 1);
        auto m = [&](size_t i, size_t j) { return n == 4 ? m4[i][j] : m3[i][j]; };
        for (size_t i = 0; i < n; ++i)
            for (size_t k = 0; k < n; ++k) v[i] += f == "mul" ? m(i, k) * e.values[k] : e.values[k] * m(k, i);
        std::string matrix = n == 4 ? "m4" : "m3";
        return {f == "mul" ? "mul(" + matrix + ", " + e.text + ")" : "mul(" + e.text + ", " + matrix + ")", v};
    }

    std::mt19937 rng_;
    std::map<std::string, Values> vars_;
};

const char *const uniforms = ", uniform float4 u0, uniform float4x4 m4, uniform float3x3 m3";

void setUniforms(CGprogram p) {
    cgGLSetParameter4f(cgGetNamedParameter(p, "u0"), float(u0Values[0]), float(u0Values[1]), float(u0Values[2]),
                       float(u0Values[3]));
    float rows4[16], rows3[9];
    for (int i = 0; i < 16; ++i) rows4[i] = float(m4[i / 4][i % 4]);
    for (int i = 0; i < 9; ++i) rows3[i] = float(m3[i / 3][i % 3]);
    cgGLSetMatrixParameterfr(cgGetNamedParameter(p, "m4"), rows4);
    cgGLSetMatrixParameterfr(cgGetNamedParameter(p, "m3"), rows3);
}

Rgb3 shown(const Values &v) {
    Rgb3 c;
    for (int i = 0; i < 3; ++i) c[i] = float(std::clamp(v[size_t(i)] * 0.1 + 0.5, 0.0, 1.0));
    return c;
}

constexpr unsigned programs = 150;

using RandomPrograms = GlTest;

TEST_F(RandomPrograms, FragmentProgramsComputeWhatTheySay) {
    for (unsigned seed = 1; seed <= programs; ++seed) {
        Generator g(seed, "t0", "t1");
        Expression result;
        std::string body = g.body(result);
        std::string text = "float4 main(float4 t0 : TEXCOORD0, float4 t1 : TEXCOORD1" + std::string(uniforms) +
                           ") : COLOR {\n" + body + "  return (" + result.text + ") * 0.1 + 0.5;\n}\n";
        Rgb3 got = shadeFragment(text, {0.1f, 0.2f, 0.3f, 0.4f}, {0.8f, 0.6f, 0.25f, 0.5f}, setUniforms);
        ASSERT_TRUE(nearColour(got, shown(result.values), 3.0f / 255)) << "seed " << seed << "\n" << text;
    }
}

TEST_F(RandomPrograms, VertexProgramsComputeWhatTheySay) {
    for (unsigned seed = 1001; seed <= 1000 + programs; ++seed) {
        Generator g(seed, "IN.t0", "IN.t1");
        Expression result;
        std::string body = g.body(result) + "  OUT.c = (" + result.text + ") * 0.1 + 0.5;";
        Rgb3 got = shadeVertex(uniforms, body, {0.1f, 0.2f, 0.3f, 0.4f}, {0.8f, 0.6f, 0.25f, 0.5f}, setUniforms);
        ASSERT_TRUE(nearColour(got, shown(result.values), 3.0f / 255)) << "seed " << seed << "\n" << body;
    }
}

}  // namespace
}  // namespace vela::test
