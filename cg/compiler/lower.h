// The lowering's state, shared by its files: lower.cpp (the entry function, statements and
// control flow), lower_expr.cpp (expressions, places, calls) and lower_intrinsics.cpp (the
// standard library).
//
// Lowering runs the program symbolically. Every variable holds rows of components, each a
// constant or a component of a register, so copies, swizzles and constructors cost nothing.
// Functions are inlined at each call and loops unrolled, which needs every loop condition
// to be known at compile time. A branch on a value known only at run time lowers both
// sides from the same state and selects, component by component, what differs. A 'return',
// 'break' or 'continue' under such a branch keeps the state it leaves with and its
// condition ("exits"); lowering goes on in the world where it was not taken, and where the
// function or loop ends the exits are selected back in, first taken first.
#pragma once

#include <algorithm>
#include <unordered_map>

#include "ir.h"

namespace vela::cg {

struct Interface;

class Lowering {
public:
    Lowering(const Source &source, const Module &module, const ProfileDesc &profile, IrProgram &ir,
             Diagnostics &diagnostics)
        : source_(source), module_(module), profile_(profile), ir_(ir), b_(ir), diagnostics_(diagnostics) {}
    void run(const Interface &in, std::vector<ParameterInfo> &parameters);

    // ---- State (lower.cpp) ------------------------------------------------------------
    struct State {
        std::vector<Agg> vars;  // by Var::id, then the result slots of the calls under way
        bool dead = false;      // every way here has left (return, break, continue, discard)
    };
    struct Exit {
        Val pred;  // taken when this is 1, relative to its frame's start
        State state;
    };
    struct Frame {
        bool loop = false;
        size_t condBase = 0;  // conds_ at the frame's start
        std::vector<Exit> exits;      // return (function) or break (loop)
        std::vector<Exit> continues;  // this iteration's
        Val alive, aliveIteration;    // 1 while nothing has left: what KIL must respect
        size_t resultSlot = 0;
        const Function *function = nullptr;
    };
    struct Cond {
        Val c;
        bool negate;
    };

    void statement(const Stmt *s);
    void statements(const std::vector<Stmt *> &list);
    void ifStatement(const Stmt *s);
    void loop(const Stmt *s);
    void leave(const Stmt *s);  // return, break, continue
    void discard(uint32_t offset, const Val *clipValue);
    State merge(const Val &pred, const State &a, const State &b);
    Val select(const Val &pred, const Val &a, const Val &b, uint32_t offset);
    Val predicate(size_t from);
    Val killPredicate();
    void finish(Frame &frame);
    void spend(size_t work, uint32_t offset);
    size_t newSlot();

    // ---- Expressions (lower_expr.cpp) -----------------------------------------------------
    struct Place {
        const Var *var = nullptr;
        int first = 0, count = 0;  // rows of the variable
        bool vector = false;       // lanes of rows, not whole rows
        int n = 0;
        uint16_t row[4] = {};
        uint8_t comp[4] = {};
        bool dynamic = false;      // plus a row offset computed at run time
        Val offset;
        std::string text;          // as messages name it: "OUT.col", "c.w"
    };
    Val value(const Expr *e);
    Agg aggregate(const Expr *e);
    Val boolValue(const Expr *e);
    bool isPlace(const Expr *e) const;
    Place place(const Expr *e);
    Agg read(const Place &p, uint32_t offset);
    int knownIndex(const Expr *index, const Type &base, const Val &i);
    void write(const Place &p, const Agg &rows, uint32_t offset);
    Agg assign(const Expr *e);
    Agg call(const Expr *e);
    Agg convert(const Agg &rows, const Type &from, const Type &to, uint32_t offset);
    Val arithmetic(uint8_t op, const Val &a, const Val &b, Base base, uint32_t offset);
    Agg binary(const Expr *e);
    Agg conditional(const Expr *e);
    Agg sideEffectsUnder(const Expr *cond, bool negate, const Expr *e);
    Agg zero(const Type &t, Comp::Kind kind);
    [[noreturn]] void refuse(uint32_t offset, const std::string &what);  // the profile cannot ...

    // ---- Arithmetic helpers (lower_expr.cpp)
    Val add(const Val &a, const Val &b) { return b_.emit(Op::Add, {a, b}, std::max(a.n, b.n)); }
    Val sub(const Val &a, const Val &b);
    Val mul(const Val &a, const Val &b) { return b_.emit(Op::Mul, {a, b}, std::max(a.n, b.n)); }
    Val mad(const Val &a, const Val &b, const Val &c) {
        return b_.emit(Op::Mad, {a, b, c}, std::max({a.n, b.n, c.n}));
    }
    Val op1(Op op, const Val &a) { return b_.emit(op, {a}, a.n); }
    Val op2(Op op, const Val &a, const Val &b) { return b_.emit(op, {a, b}, std::max(a.n, b.n)); }
    Val perComponent(Op op, const Val &a, const Val *b = nullptr);  // a scalar instruction a component
    Val notBool(const Val &a);
    static Val valueOf(const Operand &o, int n);
    Val nonZero(const Val &a);
    Val trunc(const Val &a);
    Val divide(const Val &a, const Val &b, Base base, uint32_t offset);
    Val dot(const Val &a, const Val &b);
    Val saturate(const Val &a);
    static Val negate(Val v);
    static Val component(const Val &v, int i);
    static Val concat(const Val &a, const Val &b);

    // ---- The standard library (lower_intrinsics.cpp)
    Agg intrinsic(const Expr *e);
    Val sinCos(const Val &x, bool cosine);
    Val texture(const Expr *e);
    Agg mulMatrix(const Expr *e, const Agg &a, const Agg &b);

    const Source &source_;
    const Module &module_;
    const ProfileDesc &profile_;
    IrProgram &ir_;
    Builder b_;
    Diagnostics &diagnostics_;  // for warnings
    State st_;
    std::vector<Frame> frames_;
    std::vector<Cond> conds_;
    std::vector<Agg> uniformRows_;  // by uniform var id: the rows as first given
    std::set<uint32_t> nanExact_;   // comparisons isnan, isfinite and isinf make: not flipped by notBool
    std::vector<int> uniformOf_;    // by Var::id: index into ir_.uniforms, -1
    const std::vector<std::pair<uint32_t, std::string>> *unbound_ = nullptr;  // Interface::unbound
    size_t work_ = 0;
    int callDepth_ = 0;
    uint32_t lastReturn_ = 0;
    std::string returnedName_;  // the entry's returned variable, as messages name it
    const Function *entry_ = nullptr;
    std::unordered_map<const Function *, std::vector<const Var *>> locals_;
};

}  // namespace vela::cg
