// Lowering: expressions. A value is rows of components (see ir.h); reading a variable,
// taking a member, a swizzle or a constant element costs nothing. Function calls are
// inlined here.
#include <cmath>
#include <functional>
#include <unordered_map>

#include "lower.h"

namespace vela::cg {
namespace {

bool sideEffects(const Expr *e) {
    switch (e->kind) {
    case Expr::Assign:
    case Expr::Postfix: return true;
    case Expr::Unary:
        if (e->op == OpInc || e->op == OpDec) return true;
        break;
    case Expr::Call:
        if (e->callee || e->intrinsic == Intrinsic::Clip || e->intrinsic == Intrinsic::Modf ||
            e->intrinsic == Intrinsic::Sincos || e->intrinsic == Intrinsic::Frexp)
            return true;
        break;
    default: break;
    }
    for (const Expr *a : e->args)
        if (sideEffects(a)) return true;
    return false;
}

// The locals and parameters of a function, to forget after each call.
void localsOf(const Stmt *s, std::vector<const Var *> &out) {
    if (!s) return;
    for (const Var *v : s->vars) out.push_back(v);
    for (const Stmt *b : s->body) localsOf(b, out);
    localsOf(s->init, out);
    localsOf(s->then, out);
    localsOf(s->otherwise, out);
}

}  // namespace

// ---- Helpers --------------------------------------------------------------------------------

Val Lowering::negate(Val v) {
    for (int i = 0; i < v.n; ++i) {
        if (v.c[i].kind == Comp::Const) v.c[i].k = -v.c[i].k;
        else if (v.c[i].kind == Comp::Reg) v.c[i].neg = !v.c[i].neg;
    }
    return v;
}

Val Lowering::component(const Val &v, int i) {
    Val out;
    out.n = 1;
    out.c[0] = v.c[v.n == 1 ? 0 : i];
    return out;
}

Val Lowering::concat(const Val &a, const Val &b) {
    Val out = a;
    for (int i = 0; i < b.n && out.n < 4; ++i) out.c[out.n++] = b.c[i];
    return out;
}

Val Lowering::sub(const Val &a, const Val &b) { return add(a, negate(b)); }

Val Lowering::perComponent(Op op, const Val &a, const Val *b) {
    int n = std::max(a.n, b ? b->n : uint8_t(1));
    Val out;
    out.n = uint8_t(n);
    for (int i = 0; i < n; ++i) {
        // Equal components (a scalar spread) need one instruction.
        int same = -1;
        for (int j = 0; j < i && same < 0; ++j)
            if (component(a, j).c[0] == component(a, i).c[0] && (!b || component(*b, j).c[0] == component(*b, i).c[0]))
                same = j;
        if (same >= 0) {
            out.c[i] = out.c[same];
            continue;
        }
        Val r = b ? b_.emit(op, {component(a, i), component(*b, i)}, 1) : b_.emit(op, {component(a, i)}, 1);
        out.c[i] = r.c[0];
    }
    return out;
}

// What operand o reads in its first n lanes.
Val Lowering::valueOf(const Operand &o, int n) {
    Val v;
    v.n = uint8_t(n);
    for (int l = 0; l < n; ++l) {
        Comp &c = v.c[l];
        if (o.isConst()) {
            c = Comp::constant(o.neg ? -o.k[l] : o.k[l]);
        } else {
            c.kind = Comp::Reg;
            c.ref = o.ref;
            c.c = o.swz[l];
            c.neg = o.neg;
        }
    }
    return v;
}

// The opposite comparison where a is one's result, lane for lane: a GL's compiler keeps that
// a boolean (its ANDs and the selects by it fold into its own), where 1 - (x < y) is
// arithmetic. A NaN then compares false both ways, as the GL's comparisons have it.
Val Lowering::notBool(const Val &a) {
    const Comp &first = a.c[0];
    bool one = first.kind == Comp::Reg && first.ref.file == File::Temp && first.ref.index < ir_.values.size() &&
               !nanExact_.count(first.ref.index);
    for (int l = 0; l < a.n && one; ++l) one = a.c[l].kind == Comp::Reg && !a.c[l].neg && a.c[l].ref == first.ref;
    if (one) {
        const Instr &d = ir_.code[ir_.values[first.ref.index].def];
        if ((d.op == Op::Slt || d.op == Op::Sge) && !d.sat && !d.src[0].addr && !d.src[1].addr) {
            Val opposite = b_.emit(d.op == Op::Slt ? Op::Sge : Op::Slt, {valueOf(d.src[0], d.n), valueOf(d.src[1], d.n)}, d.n), out;
            out.n = a.n;
            for (int l = 0; l < a.n; ++l) out.c[l] = opposite.c[a.c[l].c];
            return out;
        }
    }
    return sub(Builder::constant(1), a);
}

Val Lowering::nonZero(const Val &a) { return op2(Op::Slt, Builder::constant(0), op1(Op::Abs, a)); }

Val Lowering::trunc(const Val &a) {
    Val magnitude = op1(Op::Flr, op1(Op::Abs, a));
    if (profile_.cmp) return b_.emit(Op::Cmp, {a, negate(magnitude), magnitude}, a.n);
    Val sign = mad(op2(Op::Slt, a, Builder::constant(0)), Builder::constant(-2), Builder::constant(1));
    return mul(magnitude, sign);
}

Val Lowering::divide(const Val &a, const Val &b, Base base, uint32_t offset) {
    int n = std::max(a.n, b.n);
    if (b.isConst()) {
        for (int i = 0; i < b.n; ++i)
            if (b.c[i].k == 0) fail(offset, "division by zero");
    }
    if (base == Base::Int) {
        if (a.isConst() && b.isConst()) {
            Val q;
            q.n = uint8_t(n);
            for (int i = 0; i < n; ++i) q.c[i] = Comp::constant(std::trunc(component(a, i).c[0].k / component(b, i).c[0].k));
            return q;
        }
        // The quotient nudged away from zero, so that an exact one survives RCP's rounding.
        Val q = mul(a, perComponent(Op::Rcp, b));
        return trunc(mul(q, Builder::constant(1.0f + 1.0f / (1 << 20))));
    }
    if (b.isConst()) {
        Val r = b;
        for (int i = 0; i < r.n; ++i) {
            r.c[i].k = 1 / r.c[i].k;
            if (!std::isfinite(r.c[i].k)) fail(offset, "constant arithmetic overflows float");
        }
        return mul(a, r);
    }
    return mul(a, perComponent(Op::Rcp, b));
}

Val Lowering::dot(const Val &a, const Val &b) {
    switch (std::max(a.n, b.n)) {
    case 4: return b_.emit(Op::Dp4, {a, b}, 1);
    case 3: return b_.emit(Op::Dp3, {a, b}, 1);
    case 2: return mad(component(a, 0), component(b, 0), mul(component(a, 1), component(b, 1)));
    default: return mul(a, b);
    }
}

Val Lowering::saturate(const Val &a) {
    if (profile_.saturate) return b_.emit(Op::Mov, {a}, a.n, true);
    return op2(Op::Min, op2(Op::Max, a, Builder::constant(0)), Builder::constant(1));
}

Agg Lowering::zero(const Type &t, Comp::Kind kind) {
    Agg rows;
    std::function<void(const Type &)> walk = [&](const Type &x) {
        if (x.kind == Type::Struct) {
            for (const Member &m : x.decl->members) walk(m.type);
        } else if (x.kind == Type::Array) {
            for (int i = 0; i < x.array->length; ++i) walk(x.array->element);
        } else {
            int count = x.kind == Type::Matrix ? x.rows : 1;
            Val v;
            v.n = uint8_t(x.kind == Type::Matrix ? x.cols : x.size());
            for (int i = 0; i < v.n; ++i) v.c[i] = kind == Comp::Const && x.kind != Type::Sampler ? Comp::constant(0) : Comp{};
            for (int r = 0; r < count; ++r) rows.push_back(v);
        }
    };
    walk(t);
    return rows;
}

// ---- Conversions -----------------------------------------------------------------------------

Agg Lowering::convert(const Agg &rows, const Type &from, const Type &to, uint32_t offset) {
    if (from.kind == Type::Scalar && (to.kind == Type::Struct || to.kind == Type::Array)) {
        // (S)x: every leaf from the one number.
        Agg out;
        auto fill = [&](auto &&self, const Type &t) -> void {
            if (t.kind == Type::Struct) {
                for (const Member &m : t.decl->members) self(self, m.type);
            } else if (t.kind == Type::Array) {
                for (int i = 0; i < t.array->length; ++i) self(self, t.array->element);
            } else {
                Agg leaf = convert(rows, from, t, offset);
                out.insert(out.end(), leaf.begin(), leaf.end());
            }
        };
        fill(fill, to);
        return out;
    }
    if (from == to || !to.isNumeric() || !from.isNumeric()) return rows;
    if (vectorMatrix(from, to)) {
        // Between a vector and a one-row or one-column matrix: the same numbers in order.
        std::vector<Comp> numbers;
        for (const Val &r : rows)
            for (int c = 0; c < r.n; ++c) numbers.push_back(r.c[c]);
        Agg out;
        int outRows = to.kind == Type::Matrix ? to.rows : 1;
        int outCols = to.kind == Type::Matrix ? to.cols : to.size();
        for (int r = 0; r < outRows; ++r) {
            Val v;
            v.n = uint8_t(outCols);
            for (int c = 0; c < outCols; ++c) v.c[c] = numbers[size_t(r * outCols + c)];
            if (to.base == Base::Bool && from.base != Base::Bool) v = nonZero(v);
            else if (to.base == Base::Int && from.base != Base::Int && from.base != Base::Bool) v = trunc(v);
            out.push_back(v);
        }
        return out;
    }
    Agg out;
    int outRows = to.kind == Type::Matrix ? to.rows : 1;
    int outCols = to.kind == Type::Matrix ? to.cols : to.size();
    for (int r = 0; r < outRows; ++r) {
        Val v;
        v.n = uint8_t(outCols);
        for (int c = 0; c < outCols; ++c) {
            if (from.kind == Type::Scalar) v.c[c] = rows[0].c[0];
            else v.c[c] = rows[size_t(r)].c[c];
        }
        if (to.base == Base::Bool && from.base != Base::Bool) v = nonZero(v);
        else if (to.base == Base::Int && from.base != Base::Int && from.base != Base::Bool) v = trunc(v);
        out.push_back(v);
    }
    (void)offset;
    return out;
}

Val Lowering::boolValue(const Expr *e) { return value(e); }

Val Lowering::value(const Expr *e) {
    Agg rows = aggregate(e);
    return rows.empty() ? Val{} : rows[0];
}

// ---- Places -------------------------------------------------------------------------------------

bool Lowering::isPlace(const Expr *e) const {
    switch (e->kind) {
    case Expr::Name: return true;
    case Expr::Member:
    case Expr::Index:
    case Expr::Swizzle: return isPlace(e->args[0]);
    default: return false;
    }
}

Lowering::Place Lowering::place(const Expr *e) {
    Place p;
    switch (e->kind) {
    case Expr::Name:
        p.var = e->var;
        p.count = rowCount(e->type);
        p.text = std::string(e->name);
        break;
    case Expr::Member: {
        p = place(e->args[0]);
        const StructDecl *decl = e->args[0]->type.decl;
        p.first += decl->rowOffset(e->member);
        p.count = rowCount(e->type);
        p.text += joined(".", decl->members[size_t(e->member)].name);
        break;
    }
    case Expr::Index: {
        p = place(e->args[0]);
        const Type &bt = e->args[0]->type;
        // An index made an int only for the language is floored rather than truncated: one
        // instruction, not five, and the two differ only for negative indices, which are
        // outside the array anyway.
        const Expr *index = e->args[1];
        bool floating = index->kind == Expr::Convert && index->args[0]->type.kind == Type::Scalar &&
                        index->args[0]->type.base != Base::Int && index->args[0]->type.base != Base::Bool;
        Val i = value(floating ? index->args[0] : index);
        if (floating) i = i.isConst() ? trunc(i) : op1(Op::Flr, i);
        bool known = i.isConst();
        int k = known ? knownIndex(e->args[1], bt, i) : 0;
        if (p.vector) {
            if (!known) refuse(e->args[1]->offset, "index the components of a vector with a value computed at run time");
            Place lane = p;
            lane.n = 1;
            lane.row[0] = p.row[k];
            lane.comp[0] = p.comp[k];
            lane.text += joined("[", std::to_string(k)) + "]";
            return lane;
        }
        int stride = bt.kind == Type::Array ? rowCount(bt.array->element) : 1;
        if (known) {
            p.first += k * stride;
            p.text += joined("[", std::to_string(k)) + "]";
        } else {
            p.offset = p.dynamic ? mad(i, Builder::constant(float(stride)), p.offset)
                                 : mul(i, Builder::constant(float(stride)));
            p.dynamic = true;
            p.text += "[...]";
        }
        p.count = rowCount(e->type);
        break;
    }
    case Expr::Swizzle: {
        Place base = place(e->args[0]);
        p = base;
        p.vector = true;
        p.n = e->count;
        for (int i = 0; i < e->count; ++i) {
            if (base.vector) {
                p.row[i] = base.row[e->lanes[i]];
                p.comp[i] = base.comp[e->lanes[i]];
            } else {
                p.row[i] = uint16_t(base.first + e->rows[i]);
                p.comp[i] = e->lanes[i];
            }
        }
        p.text += joined(".", e->name);
        return p;
    }
    default: fail(e->offset, "internal compiler error: not a place");
    }
    if (e->type.isVectorLike() && !p.vector) {
        p.vector = true;
        p.n = e->type.size();
        for (int i = 0; i < p.n; ++i) {
            p.row[i] = uint16_t(p.first);
            p.comp[i] = uint8_t(i);
        }
    }
    return p;
}

// An index known only once loops are unrolled and constants folded: the checker could not
// see it, so its range is checked here.
int Lowering::knownIndex(const Expr *index, const Type &base, const Val &i) {
    int length = base.kind == Type::Array ? base.array->length : base.kind == Type::Matrix ? base.rows : base.cols;
    double k = i.c[0].k;
    if (!(k >= 0 && k < length))
        fail(index->offset, "index " + (std::fabs(k) < 1e9 ? std::to_string(int64_t(k)) : std::to_string(k)) +
                                " is outside " + typeName(base));
    return int(k);
}

Agg Lowering::read(const Place &p, uint32_t offset) {
    const Agg *rows = &st_.vars[size_t(p.var->id)];
    Agg loaded;
    int base = p.first;
    if (p.dynamic) {
        if (!profile_.relativeAddressing) refuse(offset, "index an array with a value computed at run time");
        int u = uniformOf_[size_t(p.var->id)];
        Ref array;
        bool uniform = u >= 0 && *rows == uniformRows_[size_t(u)];
        if (uniform) {
            ir_.uniforms[size_t(u)].relative = true;
            array = Ref{File::Uniform, uint32_t(ir_.uniforms[size_t(u)].firstRow)};
        } else {
            std::vector<std::array<float, 4>> table;
            for (const Val &r : *rows) {
                std::array<float, 4> t{};
                for (int c = 0; c < r.n; ++c) {
                    if (r.c[c].kind != Comp::Const)
                        refuse(offset, "index a variable array with a value computed at run time (only uniform and constant arrays)");
                    t[size_t(c)] = r.c[c].k;
                }
                table.push_back(t);
            }
            size_t id = 0;
            while (id < ir_.tables.size() && ir_.tables[id] != table) ++id;
            if (id == ir_.tables.size()) ir_.tables.push_back(std::move(table));
            array = Ref{File::Table, uint32_t(id)};
        }
        // A constant part of the index is the load's own offset (bones[i + 1] is
        // bones[A0.x + 1] after the ARL of i): the loads of i, i + 1 and i + 2 share one
        // address, which the GL's compiler converts to an integer once.
        Val index = add(p.offset, Builder::constant(float(p.first)));
        int extra = 0;
        for (bool peeled = true; peeled;) {
            peeled = false;
            const Comp c = index.c[0];
            if (c.kind != Comp::Reg || c.neg || c.ref.file != File::Temp) break;
            const Instr &d = ir_.code[ir_.values[c.ref.index].def];
            for (int s = 0; s < 2 && d.op == Op::Add && !d.sat && !peeled; ++s) {
                const Operand &k = d.src[s], &x = d.src[1 - s];
                float v = k.isConst() ? (k.neg ? -k.k[c.c] : k.k[c.c]) : 0.5f;
                if (v != std::floor(v) || std::fabs(extra + v) > 32 || x.isConst() || x.addr) continue;
                index = component(valueOf(x, 4), c.c);
                extra += int(v);
                peeled = true;
            }
        }
        uint32_t address = b_.arl(index);
        for (int r = 0; r < p.count; ++r)
            loaded.push_back(b_.loadRelative(array, r + extra, address, (*rows)[size_t(p.first + r)].n));
        rows = &loaded;
        base = 0;
    }
    auto undefined = [&](const std::string &what) { fail(offset, quoted(what) + " is used before it is set"); };
    if (p.vector) {
        Val v;
        v.n = uint8_t(p.n);
        std::string missing;
        for (int i = 0; i < p.n; ++i) {
            v.c[i] = (*rows)[size_t(p.row[i] - p.first + base)].c[p.comp[i]];
            if (v.c[i].kind == Comp::Undef && v.c[i].ref.file == File::Input && unbound_)
                fail((*unbound_)[v.c[i].ref.index].first, (*unbound_)[v.c[i].ref.index].second);
            if (v.c[i].kind == Comp::Undef) missing += "xyzw"[i];
            if (profile_.positionInputUnreadable && v.c[i].kind == Comp::Reg && v.c[i].ref.file == File::Input &&
                registerSemantic(v.c[i].ref.index).kind == Semantic::Position)
                fail(offset, "the POSITION input " + quoted(p.text) +
                                 " cannot be read in a fragment program (WPOS is the window position)");
        }
        if (int(missing.size()) == p.n) undefined(p.text);
        if (!missing.empty()) undefined(p.text + "." + missing);
        return {v};
    }
    return Agg(rows->begin() + base, rows->begin() + (base + p.count));
}

void Lowering::write(const Place &p, const Agg &rows, uint32_t offset) {
    if (p.dynamic) refuse(offset, "write to an array element chosen at run time");
    Agg &var = st_.vars[size_t(p.var->id)];
    if (p.vector) {
        const Val &v = rows[0];
        for (int i = 0; i < p.n; ++i) var[p.row[i]].c[p.comp[i]] = v.c[v.n == 1 ? 0 : i];
        return;
    }
    for (int r = 0; r < p.count; ++r) var[size_t(p.first + r)] = rows[size_t(r)];
}

// ---- Expressions ------------------------------------------------------------------------------

Agg Lowering::aggregate(const Expr *e) {
    spend(1, e->offset);
    switch (e->kind) {
    case Expr::Literal: return {Builder::constant(float(e->value))};
    case Expr::Name:
    case Expr::Member:
    case Expr::Index:
    case Expr::Swizzle: {
        if (isPlace(e)) return read(place(e), e->offset);
        Agg base = aggregate(e->args[0]);
        const Type &bt = e->args[0]->type;
        if (e->kind == Expr::Member) {
            int first = bt.decl->rowOffset(e->member);
            return Agg(base.begin() + first, base.begin() + first + rowCount(e->type));
        }
        if (e->kind == Expr::Swizzle) {
            Val v;
            v.n = e->count;
            for (int i = 0; i < e->count; ++i) v.c[i] = base[bt.kind == Type::Matrix ? e->rows[i] : 0].c[e->lanes[i]];
            return {v};
        }
        Val i = value(e->args[1]);
        if (!i.isConst()) refuse(e->args[1]->offset, "index a computed value with an index computed at run time");
        int k = knownIndex(e->args[1], bt, i);
        if (bt.kind == Type::Vector) return {component(base[0], k)};
        int stride = bt.kind == Type::Array ? rowCount(bt.array->element) : 1;
        return Agg(base.begin() + k * stride, base.begin() + (k + 1) * stride);
    }
    case Expr::Convert: return convert(aggregate(e->args[0]), e->args[0]->type, e->type, e->offset);
    case Expr::Construct: {
        const Type &t = e->type;
        if (e->args.size() == 1 && e->args[0]->type.kind == Type::Matrix && t.kind == Type::Matrix) {
            Agg m = aggregate(e->args[0]);
            Agg out;
            for (int r = 0; r < t.rows; ++r) {
                Val v = m[size_t(r)];
                v.n = t.cols;
                out.push_back(v);
            }
            return out;
        }
        std::vector<Comp> comps;
        for (const Expr *a : e->args)
            for (const Val &r : aggregate(a))
                for (int c = 0; c < r.n; ++c) comps.push_back(r.c[c]);
        int rows = t.kind == Type::Matrix ? t.rows : 1, cols = t.kind == Type::Matrix ? t.cols : t.size();
        if (comps.size() == 1) comps.assign(size_t(rows * cols), comps[0]);
        Agg out;
        for (int r = 0; r < rows; ++r) {
            Val v;
            v.n = uint8_t(cols);
            for (int c = 0; c < cols; ++c) v.c[c] = comps[size_t(r * cols + c)];
            out.push_back(v);
        }
        return out;
    }
    case Expr::InitList: {
        Agg out;
        for (const Expr *a : e->args) {
            Agg part = aggregate(a);
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    }
    case Expr::Unary:
    case Expr::Postfix: {
        if (e->op == OpInc || e->op == OpDec) {
            Place p = place(e->args[0]);
            Agg old = read(p, e->offset);
            Agg updated;
            for (const Val &r : old) updated.push_back(add(r, Builder::constant(e->op == OpInc ? 1.0f : -1.0f)));
            write(p, updated, e->offset);
            return e->kind == Expr::Postfix ? old : updated;
        }
        Agg a = aggregate(e->args[0]);
        if (e->op == OpBitNot) refuse(e->offset, "perform the bitwise operation '~' (it has no integer instructions)");
        for (Val &r : a) {
            if (e->op == OpNeg) r = negate(r);
            else if (e->op == OpNot) r = notBool(r);
        }
        return a;
    }
    case Expr::Binary: return binary(e);
    case Expr::Assign: return assign(e);
    case Expr::Conditional: return conditional(e);
    case Expr::Comma:
        aggregate(e->args[0]);
        return aggregate(e->args[1]);
    case Expr::Call: return e->callee ? call(e) : intrinsic(e);
    case Expr::Field:
    case Expr::Cast: break;
    }
    fail(e->offset, "internal compiler error: unchecked expression");
}

Val Lowering::arithmetic(uint8_t op, const Val &a, const Val &b, Base base, uint32_t offset) {
    switch (op) {
    case OpAdd: return add(a, b);
    case OpSub: return sub(a, b);
    case OpMul: return mul(a, b);
    case OpDiv: return divide(a, b, base, offset);
    case OpMod: {
        Val q = base == Base::Int ? divide(a, b, base, offset) : trunc(divide(a, b, base, offset));
        return mad(negate(b), q, a);
    }
    case OpLess: return op2(Op::Slt, a, b);
    case OpGreater: return op2(Op::Slt, b, a);
    case OpLessEq: return op2(Op::Sge, b, a);
    case OpGreaterEq: return op2(Op::Sge, a, b);
    case OpEq: return mul(op2(Op::Sge, a, b), op2(Op::Sge, b, a));
    case OpNotEq: return op2(Op::Max, op2(Op::Slt, a, b), op2(Op::Slt, b, a));
    case OpAnd: return mul(a, b);
    case OpOr: return op2(Op::Max, a, b);
    default: refuse(offset, "perform the bitwise operation " + quoted(opText(op)) + " (it has no integer instructions)");
    }
}

Agg Lowering::binary(const Expr *e) {
    const Expr *l = e->args[0], *r = e->args[1];
    if (e->op == OpAnd || e->op == OpOr) {
        Val a = value(l);
        bool isAnd = e->op == OpAnd;
        if (a.isConst() && a.n == 1 && (a.c[0].k != 0) != isAnd) return {a};  // decided: the right side is not run
        if (sideEffects(r) && a.n == 1 && !a.isConst()) {
            // Runs the right side only where it decides, as C's && and || do.
            Agg rb = sideEffectsUnder(l, !isAnd, r);
            return {isAnd ? mul(a, rb[0]) : op2(Op::Max, a, rb[0])};
        }
        Val b = value(r);
        return {isAnd ? mul(a, b) : op2(Op::Max, a, b)};
    }
    Agg a = aggregate(l), b = aggregate(r);
    Base base = e->type.base;
    if (e->op >= OpLess && e->op <= OpNotEq) base = std::max(l->type.base, r->type.base);
    Agg out;
    size_t rows = std::max(a.size(), b.size());
    for (size_t i = 0; i < rows; ++i)
        out.push_back(arithmetic(e->op, a[a.size() == 1 ? 0 : i], b[b.size() == 1 ? 0 : i], base, e->offset));
    return out;
}

Agg Lowering::assign(const Expr *e) {
    Place p = place(e->args[0]);
    Agg v = aggregate(e->args[1]);
    if (e->op != OpAssign) {
        Agg old = read(p, e->offset);
        // Computed in the wider type of the two, then converted back (int i; i *= 1.5).
        Type wide = e->type;
        wide.base = std::max({e->type.base, e->args[1]->type.base, Base::Int});
        Agg combined;
        for (size_t i = 0; i < old.size(); ++i)
            combined.push_back(arithmetic(e->op, old[i], v[v.size() == 1 ? 0 : i], wide.base, e->offset));
        v = convert(combined, wide, e->type, e->offset);
    }
    write(p, v, e->offset);
    return v;
}

// `e` lowered only where `cond` is true (or false), as a branch of an 'if'.
Agg Lowering::sideEffectsUnder(const Expr *cond, bool negate, const Expr *e) {
    Val c = value(cond);
    State before = st_;
    conds_.push_back(Cond{c, negate});
    Agg result = aggregate(e);
    conds_.pop_back();
    State taken = std::move(st_);
    st_ = merge(negate ? notBool(c) : c, taken, before);
    return result;
}

Agg Lowering::conditional(const Expr *e) {
    Val c = value(e->args[0]);
    if (c.isConst() && c.n == 1) return aggregate(e->args[c.c[0].k != 0 ? 1 : 2]);
    Agg a, b;
    if (c.n == 1 && (sideEffects(e->args[1]) || sideEffects(e->args[2]))) {
        a = sideEffectsUnder(e->args[0], false, e->args[1]);
        b = sideEffectsUnder(e->args[0], true, e->args[2]);
    } else {
        a = aggregate(e->args[1]);
        b = aggregate(e->args[2]);
    }
    Agg out;
    for (size_t i = 0; i < a.size(); ++i) out.push_back(select(c, a[i], b[i], e->offset));
    return out;
}

// ---- Calls ---------------------------------------------------------------------------------

Agg Lowering::call(const Expr *e) {
    const Function *f = e->callee;
    if (callDepth_ >= limits::callDepth)
        fail(e->offset, "calls nested too deeply (more than " + std::to_string(limits::callDepth) + " levels)");
    std::vector<Place> outs(e->args.size());
    std::vector<Agg> values(e->args.size());
    for (size_t i = 0; i < e->args.size(); ++i) {
        const Var *p = f->params[i];
        if (p->isOut) {
            outs[i] = place(e->args[i]);
            if (p->isIn) values[i] = read(outs[i], e->args[i]->offset);
        } else {
            values[i] = aggregate(e->args[i]);
        }
    }
    for (size_t i = 0; i < e->args.size(); ++i) {
        const Var *p = f->params[i];
        st_.vars[size_t(p->id)] = p->isIn ? convert(values[i], e->args[i]->type, p->type, e->offset)
                                          : zero(p->type, Comp::Undef);
    }
    ++callDepth_;
    Frame frame;
    frame.function = f;
    frame.condBase = conds_.size();
    frame.alive = frame.aliveIteration = Builder::constant(1);
    frame.resultSlot = newSlot();
    st_.vars[frame.resultSlot] = zero(f->result, Comp::Undef);
    frames_.push_back(std::move(frame));
    statements(f->body->body);
    Frame done = std::move(frames_.back());
    frames_.pop_back();
    finish(done);
    --callDepth_;
    Agg result = std::move(st_.vars[done.resultSlot]);
    st_.vars[done.resultSlot].clear();
    for (size_t i = 0; i < e->args.size(); ++i) {
        const Var *p = f->params[i];
        if (p->isOut && !st_.dead)
            write(outs[i], convert(st_.vars[size_t(p->id)], p->type, e->args[i]->type, e->offset), e->offset);
    }
    // The callee's variables mean nothing once it has returned.
    auto it = locals_.find(f);
    if (it == locals_.end()) {
        std::vector<const Var *> list(f->params.begin(), f->params.end());
        localsOf(f->body, list);
        it = locals_.emplace(f, std::move(list)).first;
    }
    for (const Var *v : it->second) st_.vars[size_t(v->id)].clear();
    return result;
}

}  // namespace vela::cg
