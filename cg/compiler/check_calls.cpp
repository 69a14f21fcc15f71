// Checker: calls of user functions (chosen among overloads), constructors and constant
// values.
#include <algorithm>
#include <cmath>

#include "checker.h"

namespace vela::cg {

bool isLvalue(const Expr *e) {
    switch (e->kind) {
    case Expr::Name: return !e->var->isConst && e->var->type.kind != Type::Sampler;
    case Expr::Member:
    case Expr::Index:
    case Expr::Swizzle: return isLvalue(e->args[0]);
    default: return false;
    }
}

namespace {

int components(const Type &t) { return t.kind == Type::Matrix ? t.rows * t.cols : t.size(); }

}  // namespace

// ---- User functions -------------------------------------------------------------------

Expr *Checker::call(Expr *e) {
    for (Expr *&a : e->args) a = value(a);
    auto found = functions_.find(e->name);
    if (found == functions_.end()) {
        Intrinsic f = findIntrinsic(e->name);
        if (f != Intrinsic::None) return intrinsic(e, f);
        if (lookup(e->name)) fail(e->offset, quoted(e->name) + " is not a function");
        fail(e->offset, "undeclared function " + quoted(e->name));
    }
    for (Expr *a : e->args)
        if (a->type.kind == Type::Error) failReported();
    // The cheapest candidate: exact types cost nothing, a change of base 1, a scalar spread
    // over a vector 2. Declarations of a defined function are the same candidate.
    std::vector<Function *> candidates;
    for (Function *f : found->second)
        if (!f->definition) candidates.push_back(f);
    Function *best = nullptr;
    int bestCost = 1 << 30;
    bool ambiguous = false;
    for (Function *f : candidates) {
        if (f->params.size() != e->args.size()) continue;
        int cost = 0;
        bool viable = true;
        for (size_t i = 0; viable && i < e->args.size(); ++i) {
            const Type &p = f->params[i]->type, &a = e->args[i]->type;
            if (f->params[i]->isOut) {
                viable = isLvalue(e->args[i]) && a.sameShape(p);
                cost += a == p ? 0 : 1;
            } else if (a == p) {
            } else if (implicitlyConvertible(a, p)) {
                cost += a.sameShape(p) ? 1 : 2;
            } else if (truncates(a, p)) {
                cost += 16;
            } else {
                viable = false;
            }
        }
        if (!viable) continue;
        if (cost < bestCost) {
            best = f;
            bestCost = cost;
            ambiguous = false;
        } else if (cost == bestCost) {
            ambiguous = true;
        }
    }
    if (!best) {
        std::vector<Function *> sameArity;
        for (Function *f : candidates)
            if (f->params.size() == e->args.size()) sameArity.push_back(f);
        if (sameArity.size() == 1) {
            // Say which argument does not fit.
            Function *f = sameArity[0];
            for (size_t i = 0; i < e->args.size(); ++i) {
                Var *p = f->params[i];
                std::string which = "argument " + std::to_string(i + 1) + " of " + quoted(f->name);
                if (p->isOut && !isLvalue(e->args[i]))
                    fail(e->args[i]->offset, which + " must be a variable (the parameter " + quoted(p->name) + " is out)");
                if (p->isOut && !e->args[i]->type.sameShape(p->type))
                    fail(e->args[i]->offset, "type mismatch: " + which + " is " + typeName(e->args[i]->type) +
                                                 ", the out parameter " + typeName(p->type));
                convert(e->args[i], p->type, which + ": cannot convert %s to " + typeName(p->type));
            }
        }
        if (candidates.size() == 1 && sameArity.empty())
            fail(e->offset, quoted(e->name) + " takes " + std::to_string(candidates[0]->params.size()) + " argument" +
                                (candidates[0]->params.size() == 1 ? "" : "s") + ", " + std::to_string(e->args.size()) +
                                " given");
        fail(e->offset, "no function " + quoted(e->name) + " takes " + argumentTypes(e->args));
    }
    if (ambiguous) fail(e->offset, "the call " + std::string(e->name) + argumentTypes(e->args) + " is ambiguous");
    if (!best->body) fail(e->offset, quoted(best->name) + " is declared but never defined");
    for (size_t i = 0; i < e->args.size(); ++i)
        if (!best->params[i]->isOut) e->args[i] = convert(e->args[i], best->params[i]->type, "%s");
    e->callee = best;
    e->type = best->result;
    if (current_) calls_[current_].push_back({best, e});
    return e;
}

// ---- Constructors ------------------------------------------------------------------------

// constructor = type "(" args ")": the components of the arguments in order, one scalar
// for all of a vector's, or a matrix of at least the size made.
Expr *Checker::construct(Expr *e) {
    const Type &t = e->written;
    resolveType(t, e->offset);
    if (t.kind == Type::Struct) {
        // S(a, b): its members in order, as a '{a, b}' list gives them.
        e->kind = Expr::InitList;
        return initialiser(e, t, "cannot construct " + typeName(t) + " from %s", e->offset);
    }
    for (Expr *&a : e->args) a = value(a);
    for (Expr *a : e->args)
        if (a->type.kind == Type::Error) failReported();
    if (!t.isNumeric()) fail(e->offset, quoted(typeName(t)) + " cannot be constructed");
    e->type = t;
    int wanted = components(t);
    if (e->args.size() == 1 && e->args[0]->type.kind == Type::Matrix && t.kind == Type::Matrix) {
        const Type &from = e->args[0]->type;
        if (from.rows < t.rows || from.cols < t.cols)
            fail(e->offset, typeName(t) + " cannot be made from the smaller " + typeName(from));
        return e;
    }
    if (e->args.size() == 1 && e->args[0]->type.kind == Type::Scalar && t.kind != Type::Matrix) {
        Type s = Type::scalar(t.base);
        if (!(e->args[0]->type == s)) e->args[0] = makeConvert(e->args[0], s);
        return e;
    }
    int total = 0;
    for (Expr *&a : e->args) {
        if (!a->type.isNumeric())
            fail(a->offset, typeName(a->type) + " cannot be used to construct " + typeName(t));
        total += components(a->type);
        Type same = a->type;
        same.base = t.base;
        if (!(same == a->type)) a = makeConvert(a, same);
    }
    if (total != wanted)
        fail(e->offset, typeName(t) + " constructor needs " + std::to_string(wanted) + " component" +
                            (wanted == 1 ? "" : "s") + ", " + std::to_string(total) + " given");
    return e;
}

// ---- Constants ------------------------------------------------------------------------------

bool constantValue(const Expr *e, double &value, int depth) {
    if (depth > 64) return false;
    double a = 0, b = 0;
    switch (e->kind) {
    case Expr::Literal: value = e->value; return true;
    case Expr::Name:
        if (!e->var || !e->var->isConst || !e->var->init || !e->var->type.isVectorLike() || e->var->type.size() != 1)
            return false;
        return constantValue(e->var->init, value, depth + 1);
    case Expr::Convert:
        if (e->type.kind != Type::Scalar || !constantValue(e->args[0], a, depth + 1)) return false;
        value = e->type.base == Base::Int ? std::trunc(a) : e->type.base == Base::Bool ? (a != 0) : a;
        return true;
    case Expr::Construct:
        if (e->args.size() != 1 || e->type.kind != Type::Scalar) return false;
        return constantValue(e->args[0], value, depth + 1);
    case Expr::Unary:
        if (!constantValue(e->args[0], a, depth + 1)) return false;
        if (e->op == OpNeg) value = -a;
        else if (e->op == OpPlus) value = a;
        else if (e->op == OpNot) value = a == 0;
        else return false;
        return true;
    case Expr::Binary: {
        if (!constantValue(e->args[0], a, depth + 1) || !constantValue(e->args[1], b, depth + 1)) return false;
        bool integer = e->type.base == Base::Int;
        switch (e->op) {
        case OpAdd: value = a + b; break;
        case OpSub: value = a - b; break;
        case OpMul: value = a * b; break;
        case OpDiv:
            if (b == 0) return false;
            value = integer ? std::trunc(a / b) : a / b;
            break;
        case OpMod:
            if (b == 0) return false;
            value = std::fmod(a, b);
            break;
        case OpLess: value = a < b; break;
        case OpGreater: value = a > b; break;
        case OpLessEq: value = a <= b; break;
        case OpGreaterEq: value = a >= b; break;
        case OpEq: value = a == b; break;
        case OpNotEq: value = a != b; break;
        case OpAnd: value = a != 0 && b != 0; break;
        case OpOr: value = a != 0 || b != 0; break;
        default: return false;
        }
        return std::isfinite(value);
    }
    case Expr::Conditional:
        if (!constantValue(e->args[0], a, depth + 1)) return false;
        return constantValue(e->args[a != 0 ? 1 : 2], value, depth + 1);
    default: return false;
    }
}

}  // namespace vela::cg
