// Lowering: the checked entry function -> a straight list of four-component instructions,
// shared by both profiles. Values live in the registers they were read from as long as
// possible (inputs, uniforms, constants: a swizzle or a sign costs nothing); a result is
// computed straight into the variable or result register that receives it when nothing in
// the expression reads that variable, else into a temporary.
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "compiler.h"

namespace vela::cg {

namespace {

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Repeats the last component; a value has one to four.
void padSwizzle(uint8_t *swizzle, int size) {
    if (size < 1 || size > 4) return;
    for (int i = size; i < 4; ++i) swizzle[i] = swizzle[size - 1];
}

}  // namespace

Src IrProgram::constant(const float *values, int n) {
    Src s;
    s.reg.file = File::Const;
    bool scalar = true;
    for (int i = 1; i < n; ++i) scalar = scalar && sameBits(values[i], values[0]);
    if (scalar) {
        for (size_t e = 0; e < constants.size(); ++e)
            for (int c = 0; c < constantUsed[e]; ++c)
                if (sameBits(constants[e][c], values[0])) {
                    s.reg.index = uint16_t(e);
                    std::memset(s.swizzle, c, 4);
                    return s;
                }
        size_t e = 0;
        while (e < constants.size() && constantUsed[e] == 4) ++e;
        if (e == constants.size()) {
            constants.push_back({0, 0, 0, 0});
            constantUsed.push_back(0);
        }
        int c = constantUsed[e]++;
        constants[e][c] = values[0];
        s.reg.index = uint16_t(e);
        std::memset(s.swizzle, c, 4);
        return s;
    }
    size_t e = 0;
    for (; e < constants.size(); ++e) {
        if (constantUsed[e] < n) continue;
        bool match = true;
        for (int i = 0; i < n; ++i) match = match && sameBits(constants[e][i], values[i]);
        if (match) break;
    }
    if (e == constants.size()) {
        constants.push_back({0, 0, 0, 0});
        constantUsed.push_back(uint8_t(n));
        for (int i = 0; i < n; ++i) constants[e][i] = values[i];
    }
    s.reg.index = uint16_t(e);
    padSwizzle(s.swizzle, n);
    return s;
}

namespace {

// An operand of `size` components: a register read through a swizzle (positions past the
// size repeat the last component), or a constant not yet placed in the constant table.
struct Value {
    Src src;
    int size = 1;
    bool isConst = false;
    float k[4] = {};
    int ownedTemp = -1;  // a temporary that holds only this value
};

// Where a result goes: component i of the value lands on component comps[i] of reg.
struct Target {
    Reg reg;
    uint8_t comps[4] = {0, 1, 2, 3};
    int count = 4;
    uint8_t mask() const {
        uint8_t m = 0;
        for (int i = 0; i < count; ++i) m |= uint8_t(1u << comps[i]);
        return m;
    }
};

Value regValue(Reg reg, int size) {
    Value v;
    v.src.reg = reg;
    v.size = size;
    padSwizzle(v.src.swizzle, size);
    return v;
}

// A componentwise operand for target t: value component i is read on t.comps[i] (a scalar
// value on all of them).
Src remap(const Src &s, int size, const Target &t) {
    Src r = s;
    if (t.count < 1) return r;
    for (int i = 0; i < t.count; ++i) r.swizzle[t.comps[i]] = s.swizzle[size == 1 ? 0 : i];
    uint8_t fill = r.swizzle[t.comps[t.count - 1]];
    uint8_t mask = t.mask();
    for (int c = 0; c < 4; ++c)
        if (!(mask & (1u << c))) r.swizzle[c] = fill;
    return r;
}

// Component i of a value as a scalar operand.
Src component(const Src &s, int i) {
    Src r = s;
    std::memset(r.swizzle, s.swizzle[i], 4);
    return r;
}

[[noreturn]] void internalError(uint32_t offset, const char *what) {
    fail(offset, std::string("internal compiler error: ") + what);
}

bool isConstExpr(const Expr *e) {
    switch (e->kind) {
    case Expr::Literal: return true;
    case Expr::Negate:
    case Expr::Swizzle: return isConstExpr(e->args[0]);
    case Expr::Binary: return isConstExpr(e->args[0]) && isConstExpr(e->args[1]);
    case Expr::Call:
        if (e->builtin != Builtin::Construct) return false;
        for (const Expr *a : e->args)
            if (!isConstExpr(a)) return false;
        return true;
    default: return false;
    }
}

bool references(const Expr *e, const Var *v) {
    if (e->kind == Expr::Name && e->var == v) return true;
    for (const Expr *a : e->args)
        if (references(a, v)) return true;
    return false;
}

class Lowering {
public:
    Lowering(const CheckedProgram &program, IrProgram &ir) : program_(program), ir_(ir) {}

    void run() {
        ir_.profile = program_.profile;
        ir_.uniforms = program_.uniforms;
        scopes_.emplace_back();
        statements(program_.entry->body->body);
        ir_.temps = tempCount_;
    }

private:
    struct Home {
        Reg reg;
        bool set = false;
    };

    // ---- Registers -------------------------------------------------------------------------

    int allocTemp() {
        for (size_t i = 0; i < tempUsed_.size(); ++i)
            if (!tempUsed_[i]) {
                tempUsed_[i] = true;
                return int(i);
            }
        tempUsed_.push_back(true);
        tempCount_ = int(tempUsed_.size());
        return tempCount_ - 1;
    }
    void freeTemp(int t) { tempUsed_[size_t(t)] = false; }
    void release(Value &v) {
        if (v.ownedTemp >= 0) freeTemp(v.ownedTemp);
        v.ownedTemp = -1;
    }

    Target newTemp(int size, Value &owner) {
        Target t;
        t.reg = Reg{File::Temp, uint16_t(allocTemp())};
        t.count = size;
        owner = regValue(t.reg, size);
        owner.ownedTemp = t.reg.index;
        return t;
    }

    static Value targetValue(const Target &t) {
        Value v;
        v.src.reg = t.reg;
        v.size = t.count;
        for (int i = 0; i < t.count; ++i) v.src.swizzle[i] = t.comps[i];
        padSwizzle(v.src.swizzle, t.count);
        return v;
    }

    std::vector<Home> &homes(const Var *v) {
        auto [it, added] = homes_.try_emplace(v);
        if (!added) return it->second;
        std::vector<Home> &h = it->second;
        h.resize(v->leaves.size());
        for (size_t i = 0; i < h.size(); ++i) {
            const Leaf &leaf = v->leaves[i];
            if (v->storage == Var::Input) {
                h[i] = Home{Reg{File::Input, semanticRegister(leaf.semantic)}, true};
            } else if (v->storage == Var::Uniform) {
                const UniformInfo &u = program_.uniforms[size_t(v->uniform)];
                if (u.firstSlot >= 0) h[i] = Home{Reg{File::Uniform, uint16_t(u.firstSlot)}, true};
            } else if (v->toOutputs) {
                h[i] = Home{Reg{File::Output, semanticRegister(program_.outputs[i].semantic)}, true};
            }
        }
        return h;
    }

    Value leafValue(const Var *v, int leaf, uint32_t offset) {
        Home &h = homes(v)[size_t(leaf)];
        if (!h.set || h.reg.file == File::Output) internalError(offset, "read of a variable without a value");
        return regValue(h.reg, v->leaves[size_t(leaf)].type.size);
    }

    // The register a write to these components of a leaf goes to. Inputs and uniforms are
    // copied to a temporary on their first write.
    Target leafTarget(const Var *v, int leaf, const uint8_t *comps, int count) {
        Home &h = homes(v)[size_t(leaf)];
        int size = v->leaves[size_t(leaf)].type.size;
        if (!h.set) {
            // Freed when the block that declared the variable ends.
            h = Home{Reg{File::Temp, uint16_t(allocTemp())}, true};
            auto scope = declaredIn_.find(v);
            scopes_[scope == declaredIn_.end() ? 0 : scope->second].push_back(h.reg.index);
        } else if (h.reg.file == File::Input || h.reg.file == File::Uniform) {
            Reg copy{File::Temp, uint16_t(allocTemp())};
            if (count < size) {
                Target whole;
                whole.reg = copy;
                whole.count = size;
                emitMov(whole, regValue(h.reg, size));
            }
            h.reg = copy;
            scopes_.front().push_back(copy.index);
        }
        Target t;
        t.reg = h.reg;
        t.count = count;
        for (int i = 0; i < count; ++i) t.comps[i] = comps[i];
        return t;
    }

    Target outputTarget(size_t i) const {
        const Leaf &o = program_.outputs[i];
        Target t;
        t.reg = Reg{File::Output, semanticRegister(o.semantic)};
        if (o.semantic.kind == Semantic::Depth) {
            t.comps[0] = 2;  // the depth result is read from .z
            t.count = 1;
        } else {
            t.count = o.type.size;
        }
        return t;
    }

    Src srcOf(const Value &v) { return v.isConst ? ir_.constant(v.k, v.size) : v.src; }

    // ---- Instructions --------------------------------------------------------------------------

    Instr &emit(Op op, Dst dst, std::initializer_list<Src> srcs) {
        Instr &i = ir_.code.emplace_back();
        i.op = op;
        i.dst = dst;
        for (const Src &s : srcs) i.src[i.srcCount++] = s;
        return i;
    }
    static Dst dstOf(const Target &t) { return Dst{t.reg, t.mask()}; }

    void emitMov(const Target &t, const Value &v) { emit(Op::Mov, dstOf(t), {remap(srcOf(v), v.size, t)}); }

    // Componentwise op of values with scalar broadcast.
    Instr &emitOp(Op op, const Target &t, std::initializer_list<const Value *> values) {
        Instr &i = emit(op, dstOf(t), {});
        for (const Value *v : values) i.src[i.srcCount++] = remap(srcOf(*v), v->size, t);
        return i;
    }

    Value deliver(Value v, const Target *into) {
        if (!into) return v;
        emitMov(*into, v);
        release(v);
        return targetValue(*into);
    }

    // ---- Statements ----------------------------------------------------------------------------

    void statements(const std::vector<Stmt *> &list) {
        for (const Stmt *s : list) statement(s);
    }

    void statement(const Stmt *s) {
        switch (s->kind) {
        case Stmt::Block:
            scopes_.emplace_back();
            statements(s->body);
            for (int t : scopes_.back()) freeTemp(t);
            scopes_.pop_back();
            break;
        case Stmt::Decl:
            declaredIn_[s->var] = scopes_.size() - 1;
            if (s->value) assign(s->var, -1, nullptr, 0, '=', s->value, s->offset);
            break;
        case Stmt::Assign: assignment(s); break;
        case Stmt::Return: returnStatement(s); break;
        }
    }

    void assignment(const Stmt *s) {
        // Walk the target down to its variable, composing swizzles on the way.
        const Expr *e = s->target;
        uint8_t comps[4] = {0, 1, 2, 3};
        int count = -1;
        while (e->kind == Expr::Swizzle) {
            uint8_t composed[4];
            int n = e->type.size;
            for (int i = 0; i < n; ++i) composed[i] = e->swizzle[count < 0 ? i : comps[i]];
            std::memcpy(comps, composed, sizeof comps);
            count = n;
            e = e->args[0];
        }
        int leaf = -1;
        if (e->kind == Expr::Member) {
            leaf = e->member;
            e = e->args[0];
        }
        if (e->kind != Expr::Name) internalError(s->offset, "unexpected assignment target");
        const Var *v = e->var;
        if (leaf < 0 && v->type.kind != Type::Struct) leaf = 0;
        if (count < 0 && leaf >= 0) count = v->leaves[size_t(leaf)].type.size;
        assign(v, leaf, comps, count, s->op, s->value, s->opOffset);
    }

    // var (leaf: -1 for all of a struct) components comps[0..count) op= value.
    void assign(const Var *v, int leaf, const uint8_t *comps, int count, char op, const Expr *value, uint32_t offset) {
        static const uint8_t identity[4] = {0, 1, 2, 3};
        if (leaf < 0 && v->type.kind == Type::Struct) {
            const Var *from = value->var;
            for (size_t i = 0; i < v->leaves.size(); ++i) {
                Value lv = leafValue(from, int(i), value->offset);
                emitMov(leafTarget(v, int(i), identity, v->leaves[i].type.size), lv);
            }
            return;
        }
        if (leaf < 0) leaf = 0;
        if (!comps) {
            comps = identity;
            count = v->leaves[size_t(leaf)].type.size;
        }
        if (op == '=') {
            if (!references(value, v)) {
                Target t = leafTarget(v, leaf, comps, count);
                gen(value, &t);
            } else {
                Value r = gen(value, nullptr);
                Target t = leafTarget(v, leaf, comps, count);
                emitMov(t, r);
                release(r);
            }
            return;
        }
        Value current = leafValue(v, leaf, offset);
        Src read = current.src;
        for (int i = 0; i < count; ++i) current.src.swizzle[i] = read.swizzle[comps[i]];
        current.size = count;
        padSwizzle(current.src.swizzle, count);
        Value r = gen(value, nullptr);
        Target t = leafTarget(v, leaf, comps, count);
        combine(op, current, r, offset, &t);
    }

    void returnStatement(const Stmt *s) {
        const Expr *e = s->value;
        if (e->kind == Expr::Name && e->var->toOutputs) return;
        if (program_.entry->result.kind == Type::Struct) {
            for (size_t i = 0; i < program_.outputs.size(); ++i) emitMov(outputTarget(i), leafValue(e->var, int(i), e->offset));
            return;
        }
        Target t = outputTarget(0);
        gen(e, &t);
    }

    // ---- Expressions ---------------------------------------------------------------------------

    // Evaluates e. With `into` the result is written there (and returned as a view of it);
    // without, constants and plain reads come back as they are, anything else in a new temp.
    Value gen(const Expr *e, const Target *into) {
        if (into && into->count != e->type.size) {  // a scalar spread over a vector
            Value v = gen(e, nullptr);
            return deliver(v, into);
        }
        switch (e->kind) {
        case Expr::Literal: {
            Value v;
            v.isConst = true;
            v.k[0] = e->value;
            return deliver(v, into);
        }
        case Expr::Name: return deliver(leafValue(e->var, 0, e->offset), into);
        case Expr::Member: return deliver(leafValue(e->args[0]->var, e->member, e->offset), into);
        case Expr::Swizzle: {
            Value base = gen(e->args[0], nullptr);
            Value v = base;
            v.size = e->type.size;
            for (int i = 0; i < v.size; ++i) {
                v.src.swizzle[i] = base.src.swizzle[e->swizzle[i]];
                v.k[i] = base.k[e->swizzle[i]];
            }
            padSwizzle(v.src.swizzle, v.size);
            return deliver(v, into);
        }
        case Expr::Negate: {
            Value v = gen(e->args[0], nullptr);
            if (v.isConst) {
                for (float &k : v.k) k = -k;
            } else {
                v.src.negate = !v.src.negate;
            }
            return deliver(v, into);
        }
        case Expr::Binary: return binary(e, into);
        case Expr::Call: return call(e, into);
        case Expr::Field: break;
        }
        internalError(e->offset, "unchecked expression");
    }

    static bool isProduct(const Expr *e) { return e->kind == Expr::Binary && e->op == '*'; }

    Value binary(const Expr *e, const Target *into) {
        const Expr *l = e->args[0], *r = e->args[1];
        if ((e->op == '+' || e->op == '-') && (isProduct(l) || isProduct(r))) {
            // a*b + c, a*b - c, c + a*b, c - a*b: one MAD.
            bool productLeft = isProduct(l);
            const Expr *product = productLeft ? l : r;
            Value c;
            if (!productLeft) c = gen(l, nullptr);
            Value x = gen(product->args[0], nullptr);
            Value y = gen(product->args[1], nullptr);
            if (productLeft) c = gen(r, nullptr);
            if (x.isConst && y.isConst) {
                Value p = combine('*', x, y, product->offset, nullptr);
                return productLeft ? combine(e->op, p, c, e->offset, into) : combine(e->op, c, p, e->offset, into);
            }
            if (e->op == '-') negate(productLeft ? c : x);
            Value result;
            Target t = into ? *into : newTemp(e->type.size, result);
            emitOp(Op::Mad, t, {&x, &y, &c});
            release(x);
            release(y);
            release(c);
            return into ? targetValue(t) : result;
        }
        Value a = gen(l, nullptr);
        Value b = gen(r, nullptr);
        return combine(e->op, a, b, e->offset, into);
    }

    static void negate(Value &v) {
        if (v.isConst) {
            for (float &k : v.k) k = -k;
        } else {
            v.src.negate = !v.src.negate;
        }
    }

    // a op b, componentwise with scalar broadcast; consumes a and b.
    Value combine(char op, Value a, Value b, uint32_t offset, const Target *into) {
        int n = std::max(a.size, b.size);
        if (op == '/' && b.isConst) {
            for (int i = 0; i < b.size; ++i) {
                if (b.k[i] == 0) fail(offset, "division by zero");
                b.k[i] = 1 / b.k[i];
                if (!std::isfinite(b.k[i])) fail(offset, "constant arithmetic overflows float");
            }
            op = '*';
        }
        if (a.isConst && b.isConst) {
            Value c;
            c.isConst = true;
            c.size = n;
            for (int i = 0; i < n; ++i) {
                float x = a.k[a.size == 1 ? 0 : i], y = b.k[b.size == 1 ? 0 : i];
                c.k[i] = op == '+' ? x + y : op == '-' ? x - y : x * y;
                if (!std::isfinite(c.k[i])) fail(offset, "constant arithmetic overflows float");
            }
            return deliver(c, into);
        }
        Value result;
        Target t = into ? *into : newTemp(n, result);
        if (op == '/') {
            Value inverse;
            Target s = newTemp(b.size, inverse);
            for (int i = 0; i < b.size; ++i)
                emit(Op::Rcp, Dst{s.reg, uint8_t(1u << i)}, {component(srcOf(b), i)});
            emitOp(Op::Mul, t, {&a, &inverse});
            release(inverse);
        } else {
            emitOp(op == '+' ? Op::Add : op == '-' ? Op::Sub : Op::Mul, t, {&a, &b});
        }
        release(a);
        release(b);
        return into ? targetValue(t) : result;
    }

    Value call(const Expr *e, const Target *into) {
        if (e->builtin == Builtin::Construct) return construct(e, into);
        if (e->builtin == Builtin::Mul) return mul(e, into);
        if (e->builtin == Builtin::Tex2D) return tex2D(e, into);

        Value args[3];
        for (size_t i = 0; i < e->args.size(); ++i) args[i] = gen(e->args[i], nullptr);
        Value result;
        Target t = into ? *into : newTemp(e->type.size, result);
        switch (e->builtin) {
        case Builtin::Dot: dot(args[0], args[1], t); break;
        case Builtin::Normalize: {
            Value scratch;
            Target s = newTemp(1, scratch);
            Value square = dotInto(args[0], args[0], s);
            emit(Op::Rsq, Dst{s.reg, 1}, {component(srcOf(square), 0)});
            emitOp(Op::Mul, t, {&args[0], &scratch});
            release(scratch);
            break;
        }
        case Builtin::Saturate: emitOp(Op::Mov, t, {&args[0]}).saturate = true; break;
        case Builtin::Abs: emitOp(Op::Abs, t, {&args[0]}); break;
        case Builtin::Min: emitOp(Op::Min, t, {&args[0], &args[1]}); break;
        case Builtin::Max: emitOp(Op::Max, t, {&args[0], &args[1]}); break;
        case Builtin::Lerp: emitOp(Op::Lrp, t, {&args[2], &args[1], &args[0]}); break;
        default: internalError(e->offset, "unknown intrinsic");
        }
        for (size_t i = 0; i < e->args.size(); ++i) release(args[i]);
        return into ? targetValue(t) : result;
    }

    // dot(a, b) into the one component of t.
    void dot(const Value &a, const Value &b, const Target &t) {
        if (a.size >= 3) {
            emit(a.size == 4 ? Op::Dp4 : Op::Dp3, dstOf(t), {srcOf(a), srcOf(b)});
        } else if (a.size == 2) {
            Value partial;
            Target s = newTemp(2, partial);
            emitOp(Op::Mul, s, {&a, &b});
            Src p = srcOf(partial);
            emit(Op::Add, dstOf(t), {component(p, 0), component(p, 1)});
            release(partial);
        } else {
            emitOp(Op::Mul, t, {&a, &b});
        }
    }
    Value dotInto(const Value &a, const Value &b, const Target &t) {
        dot(a, b, t);
        return targetValue(t);
    }

    Value construct(const Expr *e, const Target *into) {
        int n = e->type.size;
        if (e->args.size() == 1 && e->args[0]->type.size == 1) {
            Value v = gen(e->args[0], into && n == 1 ? into : nullptr);
            if (into && n == 1) return v;
            if (v.isConst)
                for (int i = 1; i < n; ++i) v.k[i] = v.k[0];
            v.size = n;  // a scalar's swizzle already repeats its component
            return deliver(v, into);
        }
        bool allConst = true;
        for (const Expr *a : e->args) allConst = allConst && isConstExpr(a);
        if (allConst) {
            Value c;
            c.isConst = true;
            c.size = n;
            int pos = 0;
            for (const Expr *a : e->args) {
                Value v = gen(a, nullptr);
                for (int i = 0; i < v.size; ++i) c.k[pos++] = v.k[i];
            }
            return deliver(c, into);
        }
        Value result;
        Target t = into ? *into : newTemp(n, result);
        Value constants;
        constants.isConst = true;
        Target constantTarget;
        constantTarget.reg = t.reg;
        constantTarget.count = 0;
        int pos = 0;
        for (const Expr *a : e->args) {
            int m = a->type.size;
            if (isConstExpr(a)) {
                Value v = gen(a, nullptr);
                for (int i = 0; i < m; ++i) {
                    constants.k[constantTarget.count] = v.k[i];
                    constantTarget.comps[constantTarget.count++] = t.comps[pos + i];
                }
            } else {
                Target part;
                part.reg = t.reg;
                part.count = m;
                for (int i = 0; i < m; ++i) part.comps[i] = t.comps[pos + i];
                gen(a, &part);
            }
            pos += m;
        }
        if (constantTarget.count > 0) {
            constants.size = constantTarget.count;
            emitMov(constantTarget, constants);
        }
        return into ? targetValue(t) : result;
    }

    Reg matrixBase(const Expr *e) {
        if (e->kind != Expr::Name || e->var->storage != Var::Uniform) internalError(e->offset, "matrix operand");
        return Reg{File::Uniform, uint16_t(program_.uniforms[size_t(e->var->uniform)].firstSlot)};
    }

    Value mul(const Expr *e, const Target *into) {
        const Expr *a = e->args[0], *b = e->args[1];
        Value result;
        if (a->type.kind == Type::Matrix) {
            // mul(M, v): row i of M dotted with v.
            Reg m = matrixBase(a);
            Value v = gen(b, nullptr);
            Target t = into ? *into : newTemp(e->type.size, result);
            Op dp = a->type.cols == 4 ? Op::Dp4 : Op::Dp3;
            for (int i = 0; i < a->type.size; ++i) {
                Src row;
                row.reg = Reg{File::Uniform, uint16_t(m.index + i)};
                emit(dp, Dst{t.reg, uint8_t(1u << t.comps[i])}, {row, srcOf(v)});
            }
            release(v);
            return into ? targetValue(t) : result;
        }
        // mul(v, M): the rows of M weighted by the components of v, summed in place,
        // so the sum must live in a register that can be read back.
        Value v = gen(a, nullptr);
        Reg m = matrixBase(b);
        int rows = b->type.size, cols = b->type.cols;
        bool direct = into && into->reg.file == File::Temp;
        Target sum = direct ? *into : newTemp(cols, result);
        Value sumValue = targetValue(sum);
        for (int i = 0; i < rows; ++i) {
            Value row = regValue(Reg{File::Uniform, uint16_t(m.index + i)}, cols);
            Value weight;
            weight.src = component(srcOf(v), i);
            if (i == 0)
                emitOp(Op::Mul, sum, {&row, &weight});
            else
                emitOp(Op::Mad, sum, {&row, &weight, &sumValue});
        }
        release(v);
        if (into && !direct) {
            emitMov(*into, result);
            release(result);
            return targetValue(*into);
        }
        return direct ? targetValue(sum) : result;
    }

    Value tex2D(const Expr *e, const Target *into) {
        const Expr *sampler = e->args[0];
        if (sampler->kind != Expr::Name) internalError(e->offset, "sampler operand");
        int unit = program_.uniforms[size_t(sampler->var->uniform)].textureUnit;
        Value coord = gen(e->args[1], nullptr);
        // The texel's components cannot be rearranged on the way into the destination.
        bool direct = into && into->count == 4 && into->mask() == 0xF;
        for (int i = 0; direct && i < 4; ++i) direct = into->comps[i] == i;
        Value result;
        Target t = direct ? *into : newTemp(4, result);
        Instr &tex = emit(Op::Tex, Dst{t.reg, 0xF}, {srcOf(coord)});
        tex.textureUnit = uint8_t(unit);
        release(coord);
        if (direct) return targetValue(t);
        return deliver(result, into);
    }

    const CheckedProgram &program_;
    IrProgram &ir_;
    std::unordered_map<const Var *, std::vector<Home>> homes_;
    std::vector<bool> tempUsed_;
    int tempCount_ = 0;
    std::vector<std::vector<int>> scopes_;  // temporaries of the locals of each open block
    std::unordered_map<const Var *, size_t> declaredIn_;
};

}  // namespace

void lower(const CheckedProgram &program, IrProgram &ir) { Lowering(program, ir).run(); }

}  // namespace vela::cg
