// Checker: expressions. Every expression gets its type; implicit conversions become Convert
// nodes, members and swizzles Member and Swizzle nodes, so the lowering reads a tree where
// each operator's operands have the shapes it needs (a scalar may still stand for a vector
// in arithmetic: the instructions broadcast it for free).
#include <algorithm>

#include "checker.h"

namespace vela::cg {
namespace {

Base promoted(Base b) { return b == Base::Bool ? Base::Int : b; }

std::string format(const std::string &what, const Type &from) {
    std::string out = what;
    size_t at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, typeName(from));
    return out;
}

bool isComparison(uint8_t op) { return op >= OpLess && op <= OpNotEq; }
bool isBitwise(uint8_t op) { return op == OpBitAnd || op == OpBitOr || op == OpBitXor || op == OpShl || op == OpShr; }

const char componentSets[2][5] = {"xyzw", "rgba"};

}  // namespace

// ---- Conversions -------------------------------------------------------------------------

Expr *Checker::makeConvert(Expr *e, const Type &to) {
    Expr &c = module_.exprs.emplace_back();
    c.kind = Expr::Convert;
    c.offset = e->offset;
    c.depth = uint16_t(e->depth + 1);
    c.args = {e};
    c.type = to;
    return &c;
}

bool Checker::implicitlyConvertible(const Type &from, const Type &to) const {
    if (from.kind == Type::Error || to.kind == Type::Error || from == to) return true;
    if (from.isNumeric() && to.isNumeric()) return from.sameShape(to) || from.kind == Type::Scalar || vectorMatrix(from, to);
    return false;
}

Expr *Checker::convert(Expr *e, const Type &to, const std::string &what, uint32_t at) {
    if (e->type.kind == Type::Error || to.kind == Type::Error) failReported();
    if (e->type == to) return e;
    if (truncates(e->type, to)) {
        // The language drops the extra components, as C drops a fraction: worth a word.
        diagnostics_.warn(at == UINT32_MAX ? e->offset : at,
                          "implicit truncation of " + typeName(e->type) + " to " + typeName(to));
        return makeConvert(e, to);
    }
    if (!implicitlyConvertible(e->type, to))
        fail(at == UINT32_MAX ? e->offset : at, "type mismatch: " + format(what, e->type));
    return makeConvert(e, to);
}

Expr *Checker::convertExplicit(Expr *e, const Type &to, uint32_t offset) {
    const Type &from = e->type;
    if (from.kind == Type::Error) failReported();
    if (from == to) return e;
    bool ok = implicitlyConvertible(from, to);
    // (S)0: every member of a struct (or element of an array) from one number.
    if (!ok && from.kind == Type::Scalar && (to.kind == Type::Struct || to.kind == Type::Array)) ok = to.isNumericTree();
    if (!ok && from.isVectorLike() && to.isVectorLike()) ok = to.size() <= from.size();
    if (!ok && from.kind == Type::Matrix && to.kind == Type::Matrix) ok = to.rows <= from.rows && to.cols <= from.cols;
    if (!ok) fail(offset, "cannot convert " + typeName(from) + " to " + typeName(to));
    return makeConvert(e, to);
}

Expr *Checker::toBool(Expr *e, const std::string &what) {
    const Type &t = e->type;
    if (t.kind == Type::Error) failReported();
    if (!t.isVectorLike()) fail(e->offset, what + " must be a number or a bool, not " + typeName(t));
    if (t.base == Base::Bool) return e;
    return makeConvert(e, Type::vector(t.size(), Base::Bool));
}

// ---- Lvalues -------------------------------------------------------------------------------

void Checker::requireLvalue(Expr *e, uint32_t offset) {
    switch (e->kind) {
    case Expr::Name:
        if (e->var->isConst) fail(offset, "cannot assign to " + quoted(e->var->name) + ": it is const");
        if (e->var->type.kind == Type::Sampler) fail(offset, "cannot assign to the sampler " + quoted(e->var->name));
        return;
    case Expr::Member:
    case Expr::Index: requireLvalue(e->args[0], offset); return;
    case Expr::Swizzle:
        for (int i = 0; i < e->count; ++i)
            for (int j = 0; j < i; ++j)
                if (e->rows[i] == e->rows[j] && e->lanes[i] == e->lanes[j])
                    fail(e->offset, "swizzle " + quoted(joined(".", e->name)) +
                                        " repeats a component and cannot be assigned");
        requireLvalue(e->args[0], offset);
        return;
    default: fail(offset, "the left side of an assignment must be a variable, a member or an element");
    }
}

// ---- Operators -------------------------------------------------------------------------

Type Checker::arithmeticType(uint32_t offset, uint8_t op, const Type &a, const Type &b) {
    if (a.kind == Type::Error || b.kind == Type::Error) failReported();
    std::string sig = typeName(a) + " " + opText(op) + " " + typeName(b);
    if (!a.isNumeric() || !b.isNumeric()) fail(offset, "type mismatch: " + sig);
    Base base = std::max(promoted(a.base), promoted(b.base));
    if (isBitwise(op) && base != Base::Int) fail(offset, quoted(opText(op)) + " needs integers: " + sig);
    if (a.sameShape(b) || b.kind == Type::Scalar) {
        Type t = a;
        t.base = base;
        return t;
    }
    if (a.kind == Type::Scalar) {
        Type t = b;
        t.base = base;
        return t;
    }
    if (a.kind == Type::Vector && b.kind == Type::Vector) fail(offset, "type mismatch: " + sig + " (vector sizes differ)");
    if (a.kind == Type::Matrix && b.kind == Type::Matrix) fail(offset, "type mismatch: " + sig + " (matrix sizes differ)");
    fail(offset, "type mismatch: " + sig + (op == OpMul ? " (use mul for the product of a matrix and a vector)" : ""));
}

// ---- Members and swizzles --------------------------------------------------------------

namespace {

// ".xyz" on a vector or scalar of `size` components.
void vectorSwizzle(Expr *e, const Type &bt) {
    std::string_view s = e->name;
    std::string dotted = quoted(joined(".", s));
    int set = -1;
    for (char c : s) {
        int in = std::string_view(componentSets[0]).find(c) != std::string_view::npos ? 0
                 : std::string_view(componentSets[1]).find(c) != std::string_view::npos ? 1
                                                                                        : -1;
        if (in < 0)
            fail(e->offset, "unknown member " + quoted(s) + " of " + typeName(bt) + " (a swizzle uses xyzw or rgba)");
        if (set >= 0 && in != set) fail(e->offset, "swizzle " + dotted + " mixes xyzw and rgba components");
        set = in;
    }
    if (s.size() > 4) fail(e->offset, "swizzle " + dotted + " has more than four components");
    for (size_t i = 0; i < s.size(); ++i) {
        int c = int(std::string_view(componentSets[set]).find(s[i]));
        if (c >= bt.size())
            fail(e->offset, "swizzle " + dotted + " is wider than " + typeName(bt) + " (it has no " +
                                quoted(std::string(1, s[i])) + ")");
        e->lanes[i] = uint8_t(c);
        e->rows[i] = 0;
    }
    e->count = uint8_t(s.size());
    e->kind = Expr::Swizzle;
    e->type = Type::vector(int(s.size()), bt.base);
}

// "._m01_m10" (from 0) or "._12_21" (from 1) on a matrix.
void matrixSwizzle(Expr *e, const Type &bt) {
    std::string_view s = e->name;
    int count = 0;
    size_t i = 0;
    auto bad = [&] {
        fail(e->offset, "unknown member " + quoted(s) + " of " + typeName(bt) + " (elements are named _m00 or _11)");
    };
    while (i < s.size()) {
        if (s[i] != '_') bad();
        ++i;
        bool zeroBased = i < s.size() && s[i] == 'm';
        if (zeroBased) ++i;
        if (i + 2 > s.size() || s[i] < '0' || s[i] > '9' || s[i + 1] < '0' || s[i + 1] > '9') bad();
        int r = s[i] - '0' - (zeroBased ? 0 : 1), c = s[i + 1] - '0' - (zeroBased ? 0 : 1);
        i += 2;
        if (r < 0 || c < 0 || r >= bt.rows || c >= bt.cols)
            fail(e->offset, "element " + quoted(s) + " is outside " + typeName(bt));
        if (count == 4) fail(e->offset, quoted(s) + " names more than four elements");
        e->rows[count] = uint8_t(r);
        e->lanes[count] = uint8_t(c);
        ++count;
    }
    e->count = uint8_t(count);
    e->kind = Expr::Swizzle;
    e->type = Type::vector(count, bt.base);
}

}  // namespace

// ---- Expressions -------------------------------------------------------------------------

Expr *Checker::value(Expr *e) {
    switch (e->kind) {
    case Expr::Literal: e->type = e->written; return e;
    case Expr::Name: {
        Var *v = lookup(e->name);
        if (!v) {
            if (functions_.count(e->name)) fail(e->offset, quoted(e->name) + " is a function, not a value");
            if (std::find(reportedUndeclared_.begin(), reportedUndeclared_.end(), e->name) != reportedUndeclared_.end())
                failReported();
            reportedUndeclared_.push_back(e->name);
            fail(e->offset, "undeclared name " + quoted(e->name));
        }
        if (v->type.kind == Type::Error) failReported();
        // A variable whose type could not be resolved (a bad array size) was reported.
        for (const Type *t = &v->type; t->kind == Type::Array; t = &t->array->element)
            if (t->array->length < 0) failReported();
        e->var = v;
        e->type = v->type;
        return e;
    }
    case Expr::Field: {
        e->args[0] = value(e->args[0]);
        const Type &bt = e->args[0]->type;
        if (bt.kind == Type::Struct) {
            int m = bt.decl->find(e->name);
            if (m < 0) fail(e->offset, "struct " + quoted(bt.decl->name) + " has no member " + quoted(e->name));
            e->kind = Expr::Member;
            e->member = m;
            e->type = bt.decl->members[size_t(m)].type;
            return e;
        }
        if (bt.isVectorLike()) vectorSwizzle(e, bt);
        else if (bt.kind == Type::Matrix) matrixSwizzle(e, bt);
        else fail(e->offset, typeName(bt) + " has no members");
        return e;
    }
    case Expr::Index: {
        e->args[0] = value(e->args[0]);
        Expr *index = value(e->args[1]);
        const Type &bt = e->args[0]->type;
        if (index->type.kind != Type::Scalar)
            fail(index->offset, "an index must be an integer, not " + typeName(index->type));
        e->args[1] = index->type.base == Base::Int ? index : makeConvert(index, Type::scalar(Base::Int));
        int length = 0;
        if (bt.kind == Type::Array) {
            e->type = bt.array->element;
            length = bt.array->length;
        } else if (bt.kind == Type::Matrix) {
            e->type = Type::vector(bt.cols, bt.base);
            length = bt.rows;
        } else if (bt.kind == Type::Vector) {
            e->type = Type::scalar(bt.base);
            length = bt.cols;
        } else {
            fail(e->offset, "'[]' needs an array, a matrix or a vector, not " + typeName(bt));
        }
        double k;
        if (constantValue(e->args[1], k) && (k < 0 || k >= length))
            fail(e->args[1]->offset, "index " + std::to_string(int64_t(k)) + " is outside " + typeName(bt));
        return e;
    }
    case Expr::Call: return call(e);
    case Expr::Construct: return construct(e);
    case Expr::Cast: {
        e->args[0] = value(e->args[0]);
        resolveType(e->written, e->offset);
        Expr *c = convertExplicit(e->args[0], e->written, e->offset);
        if (c == e->args[0]) return c;
        c->offset = e->offset;
        return c;
    }
    case Expr::Unary:
    case Expr::Postfix: {
        e->args[0] = value(e->args[0]);
        const Type &t = e->args[0]->type;
        if (t.kind == Type::Error) failReported();
        if (e->op == OpNot) {
            e->args[0] = toBool(e->args[0], "the operand of '!'");
            e->type = e->args[0]->type;
            return e;
        }
        if (!t.isNumeric()) fail(e->offset, quoted(opText(e->op)) + " needs a number, not " + typeName(t));
        e->type = t;
        if (e->op == OpInc || e->op == OpDec) {
            requireLvalue(e->args[0], e->offset);
            if (t.base == Base::Bool) fail(e->offset, quoted(opText(e->op)) + " needs a number, not " + typeName(t));
        } else if (e->op == OpBitNot) {
            if (promoted(t.base) != Base::Int) fail(e->offset, "'~' needs an integer, not " + typeName(t));
            e->type.base = Base::Int;
        } else {
            e->type.base = promoted(t.base);
        }
        return e;
    }
    case Expr::Binary: {
        e->args[0] = value(e->args[0]);
        e->args[1] = value(e->args[1]);
        const Type &a = e->args[0]->type, &b = e->args[1]->type;
        if (e->op == OpAnd || e->op == OpOr) {
            e->args[0] = toBool(e->args[0], "an operand of " + quoted(opText(e->op)));
            e->args[1] = toBool(e->args[1], "an operand of " + quoted(opText(e->op)));
            Type t = arithmeticType(e->offset, e->op, e->args[0]->type, e->args[1]->type);
            e->type = Type::vector(t.size(), Base::Bool);
            return e;
        }
        Type t = arithmeticType(e->offset, e->op, a, b);
        if (isComparison(e->op)) {
            if (t.kind == Type::Matrix) fail(e->offset, "matrices cannot be compared: " + typeName(a) + " " + opText(e->op) + " " + typeName(b));
            e->type = Type::vector(t.size(), Base::Bool);
            return e;
        }
        e->type = t;
        return e;
    }
    case Expr::Assign: {
        e->args[0] = value(e->args[0]);
        Expr *target = e->args[0];
        requireLvalue(target, e->offset);
        Expr *v = value(e->args[1]);
        const Type &tt = target->type;
        if (e->op == OpAssign) {
            e->args[1] = convert(v, tt, "cannot assign %s to " + typeName(tt), e->offset);
        } else {
            Type combined = arithmeticType(e->offset, e->op, tt, v->type);
            if (!combined.sameShape(tt))
                fail(e->offset, "type mismatch: " + typeName(tt) + " " + opText(e->op) + "= " + typeName(v->type));
            e->args[1] = v;
        }
        e->type = tt;
        return e;
    }
    case Expr::Conditional: {
        Expr *c = value(e->args[0]);
        e->args[1] = value(e->args[1]);
        e->args[2] = value(e->args[2]);
        const Type &a = e->args[1]->type, &b = e->args[2]->type;
        if (c->type.kind == Type::Error) failReported();
        e->args[0] = toBool(c, "the condition of '?:'");
        int n = e->args[0]->type.size();
        Type t;
        if (a == b && (n == 1 || a.size() == n)) {
            t = a;
        } else {
            t = arithmeticType(e->offset, OpNone, a, b);
            if (n > 1 && t.size() == 1) t = Type::vector(n, t.base);
        }
        if (n > 1 && (!t.isVectorLike() || t.size() != n))
            fail(e->offset, "type mismatch: a " + typeName(e->args[0]->type) + " condition selects between " +
                                typeName(a) + " and " + typeName(b));
        e->args[1] = convert(e->args[1], t, "cannot select between %s and " + typeName(b));
        e->args[2] = convert(e->args[2], t, "cannot select between " + typeName(a) + " and %s");
        e->type = t;
        return e;
    }
    case Expr::Comma:
        e->args[0] = value(e->args[0]);
        e->args[1] = value(e->args[1]);
        e->type = e->args[1]->type;
        return e;
    case Expr::InitList: fail(e->offset, "a '{...}' list can only give a declared variable its value");
    case Expr::Member:
    case Expr::Swizzle:
    case Expr::Convert: return e;  // checked already
    }
    return e;
}

// initialiser = expr | "{" list "}" for an array, a struct, a vector or a matrix.
Expr *Checker::initialiser(Expr *e, const Type &to, const std::string &what, uint32_t at) {
    if (e->kind != Expr::InitList) return convert(value(e), to, what, at);
    if (to.kind == Type::Array) {
        auto *array = const_cast<ArrayType *>(to.array);
        // { -0.3, -0.4, ... } for an array of vectors: their components, flattened.
        const Type &element = array->element;
        size_t k = element.kind == Type::Vector ? size_t(element.size()) : 0;
        bool flat = k > 1 && std::none_of(e->args.begin(), e->args.end(), [](const Expr *a) { return a->kind == Expr::InitList; }) &&
                    e->args.size() % k == 0 && (array->length < 0 ? true : e->args.size() == k * size_t(array->length)) &&
                    e->args.size() != size_t(array->length);
        if (flat) {
            std::vector<Expr *> groups;
            for (size_t i = 0; i < e->args.size(); i += k) {
                Expr &g = module_.exprs.emplace_back();
                g.kind = Expr::InitList;
                g.offset = e->args[i]->offset;
                g.depth = uint16_t(e->depth + 1);
                g.args.assign(e->args.begin() + long(i), e->args.begin() + long(i + k));
                groups.push_back(&g);
            }
            e->args = std::move(groups);
        }
        if (array->length < 0) array->length = int(e->args.size());
        if (int(e->args.size()) != array->length)
            fail(e->offset, std::to_string(e->args.size()) + " initialisers for " + typeName(to));
        for (Expr *&a : e->args) a = initialiser(a, array->element, what);
    } else if (to.kind == Type::Struct) {
        const auto &members = to.decl->members;
        if (e->args.size() != members.size())
            fail(e->offset, std::to_string(e->args.size()) + " initialisers for " + typeName(to) + ", which has " +
                                std::to_string(members.size()) + " members");
        for (size_t i = 0; i < members.size(); ++i) e->args[i] = initialiser(e->args[i], members[i].type, what);
    } else if (to.isNumeric()) {
        // The components in order, as a constructor has them.
        std::vector<Expr *> flat;
        std::vector<Expr *> todo(e->args.rbegin(), e->args.rend());
        while (!todo.empty()) {
            Expr *a = todo.back();
            todo.pop_back();
            if (a->kind == Expr::InitList) todo.insert(todo.end(), a->args.rbegin(), a->args.rend());
            else flat.push_back(a);
        }
        e->kind = Expr::Construct;
        e->args = std::move(flat);
        e->written = to;
        return construct(e);
    } else {
        fail(e->offset, "a " + typeName(to) + " cannot be initialised from a list");
    }
    e->type = to;
    return e;
}

}  // namespace vela::cg
