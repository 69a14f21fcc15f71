// Checker: calls of user functions (chosen among overloads), constructors, the signatures
// of the standard library's functions, and constant values.
#include <algorithm>
#include <cmath>

#include "checker.h"

namespace vela::cg {
namespace {

bool isLvalue(const Expr *e) {
    switch (e->kind) {
    case Expr::Name: return !e->var->isConst && e->var->type.kind != Type::Sampler;
    case Expr::Member:
    case Expr::Index:
    case Expr::Swizzle: return isLvalue(e->args[0]);
    default: return false;
    }
}

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
        if (a->type.kind == Type::Error) throw AlreadyReported{};
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
    for (Expr *&a : e->args) a = value(a);
    for (Expr *a : e->args)
        if (a->type.kind == Type::Error) throw AlreadyReported{};
    if (t.kind == Type::Struct) fail(e->offset, typeName(t) + " has no constructor (give it a '{...}' list)");
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

// ---- The standard library ----------------------------------------------------------------

Expr *Checker::intrinsic(Expr *e, Intrinsic f) {
    e->intrinsic = f;
    std::string name(e->name);
    auto &args = e->args;
    for (Expr *a : args)
        if (a->type.kind == Type::Error) throw AlreadyReported{};
    auto arity = [&](size_t n) {
        if (args.size() != n)
            fail(e->offset, quoted(name) + " takes " + std::to_string(n) + " argument" + (n == 1 ? "" : "s") + ", " +
                                std::to_string(args.size()) + " given");
    };
    auto vectorArg = [&](size_t i) -> const Type & {
        const Type &t = args[i]->type;
        if (!t.isVectorLike())
            fail(args[i]->offset, quoted(name) + " needs scalars or vectors, not " + typeName(t));
        return t;
    };
    // All arguments the same vector (scalars spread), converted to `base`; the size.
    auto componentwise = [&](size_t n, Base base) {
        arity(n);
        int size = 1;
        for (size_t i = 0; i < n; ++i) size = std::max(size, vectorArg(i).size());
        for (size_t i = 0; i < n; ++i)
            if (args[i]->type.size() != size && args[i]->type.size() != 1)
                fail(e->offset, "type mismatch: " + name + argumentTypes(args) + " (vector sizes differ)");
        for (size_t i = 0; i < n; ++i) args[i] = convert(args[i], Type::vector(size, base), "%s");
        return size;
    };
    auto allInt = [&] {
        return std::all_of(args.begin(), args.end(), [](Expr *a) { return a->type.base == Base::Int; });
    };
    auto sameVectors = [&](size_t n) {
        arity(n);
        int size = vectorArg(0).size();
        for (size_t i = 1; i < n; ++i)
            if (vectorArg(i).size() != size)
                fail(e->offset, "type mismatch: " + name + argumentTypes(args) + " (sizes differ)");
        for (size_t i = 0; i < n; ++i) args[i] = convert(args[i], Type::vector(size), "%s");
        return size;
    };
    auto outArg = [&](size_t i, const Type &t) {
        if (!isLvalue(args[i])) fail(args[i]->offset, "argument " + std::to_string(i + 1) + " of " + quoted(name) + " must be a variable");
        if (!args[i]->type.sameShape(t))
            fail(args[i]->offset, "type mismatch: argument " + std::to_string(i + 1) + " of " + quoted(name) +
                                      " must be " + typeName(t) + ", not " + typeName(args[i]->type));
    };

    TextureForm form;
    if (textureForm(f, form)) {
        static const char *const samplers[] = {"sampler1D", "sampler2D", "sampler3D", "samplerCUBE", "samplerRECT"};
        if (args.size() < 2) arity(2);
        const Type &s = args[0]->type;
        if (s.kind != Type::Sampler || s.cols != uint8_t(form.sampler))
            fail(args[0]->offset, quoted(name) + " needs a " + samplers[int(form.sampler)] +
                                      " as its first argument, not " + typeName(s));
        int n = vectorArg(1).size();
        bool derivatives = form.kind == TextureForm::Plain && args.size() == 4;
        if (!derivatives) arity(2);
        bool fits = form.kind == TextureForm::Plain ? n == form.coordinates || n == form.coordinates + 1
                    : form.kind == TextureForm::Proj ? n == form.coordinates + 1 || n == 4
                                                     : n == 4;
        if (!fits) fail(args[1]->offset, quoted(name) + " does not take " + typeName(args[1]->type) + " coordinates");
        for (size_t i = 1; i < args.size(); ++i) args[i] = convert(args[i], Type::vector(vectorArg(i).size()), "%s");
        e->type = Type::vector(4);
        return e;
    }

    switch (f) {
    case Intrinsic::Abs:
    case Intrinsic::Sign: {
        arity(1);
        Base b = allInt() ? Base::Int : Base::Float;
        e->type = Type::vector(componentwise(1, b), b);
        break;
    }
    case Intrinsic::Max:
    case Intrinsic::Min:
    case Intrinsic::Clamp: {
        size_t n = f == Intrinsic::Clamp ? 3 : 2;
        arity(n);
        Base b = allInt() ? Base::Int : Base::Float;
        e->type = Type::vector(componentwise(n, b), b);
        break;
    }
    case Intrinsic::IsFinite:
    case Intrinsic::IsInf:
    case Intrinsic::IsNan: e->type = Type::vector(componentwise(1, Base::Float), Base::Bool); break;
    case Intrinsic::Atan2:
    case Intrinsic::Fmod:
    case Intrinsic::Pow:
    case Intrinsic::Step:
    case Intrinsic::Ldexp: e->type = Type::vector(componentwise(2, Base::Float)); break;
    case Intrinsic::Lerp:
    case Intrinsic::Smoothstep: e->type = Type::vector(componentwise(3, Base::Float)); break;
    case Intrinsic::All:
    case Intrinsic::Any:
        arity(1);
        args[0] = toBool(args[0], "the argument of " + quoted(name));
        e->type = Type::scalar(Base::Bool);
        break;
    case Intrinsic::Dot:
    case Intrinsic::Distance:
        sameVectors(2);
        e->type = Type::scalar();
        break;
    case Intrinsic::Length:
        sameVectors(1);
        e->type = Type::scalar();
        break;
    case Intrinsic::Normalize: e->type = Type::vector(sameVectors(1)); break;
    case Intrinsic::Reflect: e->type = Type::vector(sameVectors(2)); break;
    case Intrinsic::Faceforward: e->type = Type::vector(sameVectors(3)); break;
    case Intrinsic::Cross:
        if (sameVectors(2) != 3) fail(e->offset, "cross needs float3 arguments, not " + typeName(args[0]->type));
        e->type = Type::vector(3);
        break;
    case Intrinsic::Refract: {
        arity(3);
        int n = vectorArg(0).size();
        if (vectorArg(1).size() != n || vectorArg(2).size() != 1)
            fail(e->offset, "type mismatch: refract" + argumentTypes(args) + " (a vector, a vector of its size and a scalar)");
        args[0] = convert(args[0], Type::vector(n), "%s");
        args[1] = convert(args[1], Type::vector(n), "%s");
        args[2] = convert(args[2], Type::scalar(), "%s");
        e->type = Type::vector(n);
        break;
    }
    case Intrinsic::Lit:
        arity(3);
        for (int i = 0; i < 3; ++i) args[size_t(i)] = convert(args[size_t(i)], Type::scalar(), "lit needs scalars, not %s");
        e->type = Type::vector(4);
        break;
    case Intrinsic::Mul: {
        arity(2);
        Type a = args[0]->type, b = args[1]->type;
        if (!a.isNumeric() || !b.isNumeric()) fail(e->offset, "type mismatch: mul" + argumentTypes(args));
        std::string sig = "type mismatch: mul" + argumentTypes(args);
        auto floats = [](Type t) {
            t.base = Base::Float;
            return t;
        };
        if (a.kind == Type::Scalar || b.kind == Type::Scalar) {
            e->type = floats(a.kind == Type::Scalar ? b : a);
        } else if (a.kind == Type::Vector && b.kind == Type::Vector) {
            if (a.cols != b.cols) fail(e->offset, sig + " (sizes differ)");
            e->type = Type::scalar();
        } else if (a.kind == Type::Vector) {
            if (a.cols != b.rows) fail(e->offset, sig);
            e->type = Type::vector(b.cols);
        } else if (b.kind == Type::Vector) {
            if (a.cols != b.cols) fail(e->offset, sig);
            e->type = Type::vector(a.rows);
        } else {
            if (a.cols != b.rows) fail(e->offset, sig);
            e->type = Type::matrix(a.rows, b.cols);
        }
        args[0] = convert(args[0], floats(a), "%s");
        args[1] = convert(args[1], floats(b), "%s");
        break;
    }
    case Intrinsic::Transpose:
    case Intrinsic::Determinant: {
        arity(1);
        const Type &m = args[0]->type;
        if (m.kind != Type::Matrix) fail(args[0]->offset, quoted(name) + " needs a matrix, not " + typeName(m));
        if (f == Intrinsic::Determinant && m.rows != m.cols)
            fail(args[0]->offset, "determinant needs a square matrix, not " + typeName(m));
        args[0] = convert(args[0], Type::matrix(m.rows, m.cols), "%s");
        e->type = f == Intrinsic::Transpose ? Type::matrix(m.cols, m.rows) : Type::scalar();
        break;
    }
    case Intrinsic::Modf:
    case Intrinsic::Frexp: {
        arity(2);
        int n = vectorArg(0).size();
        args[0] = convert(args[0], Type::vector(n), "%s");
        outArg(1, Type::vector(n));
        e->type = Type::vector(n);
        break;
    }
    case Intrinsic::Sincos: {
        arity(3);
        int n = vectorArg(0).size();
        args[0] = convert(args[0], Type::vector(n), "%s");
        outArg(1, Type::vector(n));
        outArg(2, Type::vector(n));
        e->type = Type{};
        break;
    }
    case Intrinsic::Clip:
        componentwise(1, Base::Float);
        e->type = Type{};
        break;
    case Intrinsic::Noise:
        arity(1);
        args[0] = convert(args[0], Type::vector(vectorArg(0).size()), "%s");
        e->type = Type::scalar();
        break;
    default: e->type = Type::vector(componentwise(1, Base::Float)); break;
    }
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
