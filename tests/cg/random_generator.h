// The random program generator behind randomProgram(): what it knows of each value and
// how it writes the two texts. Shared by its two source files only.
#pragma once

#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "cg/random_program.h"

namespace vela::test::generator {

struct Type {
    enum Kind { Float, Int, Bool, Matrix, Struct };
    Kind kind = Float;
    int n = 1, m = 1;  // Float, Bool: components; Matrix: rows x columns
    bool operator==(const Type &) const = default;
};
inline Type F(int n) { return {Type::Float, n, 1}; }
inline Type I() { return {Type::Int, 1, 1}; }
inline Type B(int n = 1) { return {Type::Bool, n, 1}; }
inline Type M(int r, int c) { return {Type::Matrix, r, c}; }
inline Type St() { return {Type::Struct, 1, 1}; }

inline std::string cgType(const Type &t) {
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
inline std::string glType(const Type &t) {
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

inline Attr inexact(double mag) { return Attr{false, 0, 1, mag}; }
inline Attr worst(const Attr &a, const Attr &c) {
    int f = std::max(a.f, c.f);
    return Attr{a.exact && c.exact, f, std::max(a.b + f - a.f, c.b + f - c.f), std::max(a.mag, c.mag)};
}
inline Attr sumOf(const Attr &a, const Attr &c) {
    Attr r = worst(a, c);
    r.b += 1;
    r.mag = a.mag + c.mag;
    r.exact = r.exact && r.b <= maxBits;
    return r;
}
inline Attr productOf(const Attr &a, const Attr &c) {
    Attr r{a.exact && c.exact, a.f + c.f, a.b + c.b, a.mag * c.mag};
    r.exact = r.exact && r.b <= maxBits;
    return r;
}

struct E {
    std::string cg, gl;
    Type t;
    Attr a;
};

inline const char *const letters = "xyzw";

class Generator {
public:
    Generator(unsigned seed, bool fragment, int size) : rng_(seed), fragment_(fragment), budget_(size) {}
    RandomProgram run();

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
    std::string structValue(const std::string &a, const std::string &b);
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

    // ---- Output --------------------------------------------------------------------------

    void line(const std::string &cg, const std::string &gl);
    void header();

    // ---- Variables -------------------------------------------------------------------------

    std::vector<Var *> visible(const std::function<bool(const Var &)> &accept);
    std::string fresh() { return "v" + std::to_string(next_++); }
    void declare(const Var &v) { scopes_.back().push_back(v); }

    // ---- Expressions -------------------------------------------------------------------------

    static E bounded(E e);
    E literal(const Type &t);
    bool variable(const Type &t, bool exact, E &out);
    E arrayIndex(int length, bool uniform);
    E leaf(const Type &t, bool exact);
    E expr(const Type &t, int depth, bool exact);
    E intExpr(int depth, bool exact);
    E boolExpr(int n, int depth);
    E matrixExpr(const Type &t, int depth, bool exact);
    static E call1(const char *cgName, const char *glName, const E &x, Attr a);
    static std::string glSplat(int n, const std::string &v) { return n == 1 ? v : "vec" + std::to_string(n) + "(" + v + ")"; }
    bool floatExpr(int n, int depth, bool exact, E &out);
    E argument(const Param &p, int depth);

    // ---- Statements ----------------------------------------------------------------------

    Type randomType();
    void declaration();
    void arrayDeclaration();
    void assignment();
    void keepBounded(Var &v);
    void block(int statements, int depth);
    std::vector<Attr> attrs();
    void restore(const std::vector<Attr> &saved);
    void mergeInto(const std::vector<Attr> &other);
    void ifStatement(int depth);
    void forgetWritable();
    void loop(int depth);
    void loopBody(int depth, const std::string &step = "");
    void callStatement();
    void outIntrinsic();
    void statement(int depth);

    // ---- Functions -------------------------------------------------------------------------

    void helper(int index);
    void earlyReturn();
    void mainFunction();

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

}  // namespace vela::test::generator
