// Checker: finds the entry function, gives every name its variable and every expression
// its type, checks semantics against the profile, follows the straight-line body so that
// nothing is read before it is set, and lays out the uniforms. It annotates the tree in
// place (Expr::type, var, member, swizzle, builtin) for the lowering stage.
#include <algorithm>

#include "compiler.h"

namespace vela::cg {
namespace {

// Local parameter slots and texture units each profile guarantees on every implementation.
int slotLimit(Profile p) { return p == Profile::Arbvp1 ? 96 : 24; }
constexpr int textureUnitLimit = 16;

const char *stageName(Profile p) { return p == Profile::Arbvp1 ? "vertex" : "fragment"; }

bool validInput(Profile p, const Semantic &s) {
    if (p == Profile::Arbvp1)
        return s.kind == Semantic::Position || s.kind == Semantic::Normal || s.kind == Semantic::Color ||
               s.kind == Semantic::TexCoord;
    // NOTE: a fragment program may declare the POSITION it receives from the vertex
    // program (one struct serves both); reading it is refused (WPOS is the window position).
    return s.kind == Semantic::Color || s.kind == Semantic::TexCoord || s.kind == Semantic::Wpos ||
           s.kind == Semantic::Position;
}

bool validOutput(Profile p, const Semantic &s) {
    if (p == Profile::Arbvp1)
        return s.kind == Semantic::Position || s.kind == Semantic::Color || s.kind == Semantic::TexCoord;
    return (s.kind == Semantic::Color && s.index == 0) || s.kind == Semantic::Depth;
}

uint8_t fullMask(const Type &t) { return t.kind == Type::Float ? uint8_t((1u << t.size) - 1) : 0xF; }

const char componentLetters[] = "xyzw";

// A variable, one of its leaves (-1: all of them) and the components reached.
struct Access {
    Var *var = nullptr;
    int leaf = -1;
    uint8_t comps[4] = {0, 1, 2, 3};
    int count = 0;
    Type type;
    bool swizzled = false;
};

struct Intrinsic {
    const char *name;
    Builtin builtin;
    int args;
};
const Intrinsic intrinsics[] = {
    {"mul", Builtin::Mul, 2},       {"dot", Builtin::Dot, 2}, {"normalize", Builtin::Normalize, 1},
    {"saturate", Builtin::Saturate, 1}, {"min", Builtin::Min, 2}, {"max", Builtin::Max, 2},
    {"abs", Builtin::Abs, 1},       {"lerp", Builtin::Lerp, 3}, {"tex2D", Builtin::Tex2D, 2},
};

class Checker {
public:
    Checker(std::string_view source, Module &module, Profile profile, std::string_view entry, CheckedProgram &out)
        : source_(source), module_(module), profile_(profile), entryName_(entry), out_(out) {}

    void run() {
        out_.profile = profile_;
        const Function *entry = findEntry();
        out_.entry = entry;
        scopes_.emplace_back();
        uniforms(*entry);
        scopes_.emplace_back();
        size_t nextUniform = 0;
        for (const Param &p : entry->params)
            declare(p.uniform ? pendingUniformParams_[nextUniform++] : varyingParam(p), p.offset);
        result(*entry);
        statements(entry->body->body);
        if (!returnStmt_)
            fail(entry->body->endOffset, "missing return statement at the end of " + quoted(entry->name));
        bindOutputs();
    }

private:
    // ---- Entry, uniforms, varyings and the result ----------------------------------------

    const Function *findEntry() {
        const Function *entry = nullptr;
        for (const Function &f : module_.functions) {
            if (f.name != entryName_) continue;
            if (entry)
                fail(f.offset, "redefinition of function " + quoted(f.name) + " (first defined at " +
                                   lineColumn(source_, entry->offset) + ")");
            entry = &f;
        }
        if (!entry) {
            if (module_.functions.empty())
                fail(module_.endOffset, "no entry function " + quoted(entryName_) + " in the program");
            fail(module_.functions[0].offset, "no entry function " + quoted(entryName_) + " (found " +
                                                  quoted(module_.functions[0].name) + " instead)");
        }
        for (const Function &f : module_.functions)
            if (&f != entry)
                fail(f.offset, "user functions are not supported (" + quoted(f.name) + " is not the entry function " +
                                   quoted(entryName_) + ")");
        return entry;
    }

    Var *newVar(Var::Storage storage, std::string_view name, const Type &type, uint32_t offset) {
        Var &v = out_.vars.emplace_back();
        v.storage = storage;
        v.name = name;
        v.type = type;
        v.offset = offset;
        if (type.kind == Type::Struct) {
            for (const Member &m : type.decl->members) v.leaves.push_back(Leaf{m.type, m.semantic, 0, false});
        } else {
            v.leaves.push_back(Leaf{type, {}, 0, false});
        }
        return &v;
    }

    Var *uniformVar(std::string_view name, const Type &type, const Semantic &semantic, uint32_t offset) {
        if (type.kind == Type::Struct) fail(offset, "uniform structs are not supported (" + quoted(name) + ")");
        if (type.kind == Type::Void) fail(offset, quoted(name) + " cannot be void");
        if (semantic.kind == Semantic::TexUnit && type.kind != Type::Sampler2D)
            fail(semantic.offset, semanticName(semantic) + " applies to sampler2D uniforms only");
        if (semantic.kind != Semantic::None && semantic.kind != Semantic::TexUnit)
            fail(semantic.offset, "uniform " + quoted(name) + " cannot have the semantic " + semanticName(semantic));
        Var *v = newVar(Var::Uniform, name, type, offset);
        v->leaves[0].written = 0xF;
        v->uniform = int(out_.uniforms.size());
        UniformInfo info;
        info.name = std::string(name);
        info.type = type;
        if (semantic.kind == Semantic::TexUnit) info.textureUnit = semantic.index;
        out_.uniforms.push_back(info);
        uniformOffsets_.push_back(offset);
        uniformSemantics_.push_back(semantic);
        return v;
    }

    // Globals and the entry's uniform parameters, in the order of the text.
    void uniforms(const Function &entry) {
        for (const Global &g : module_.globals) declare(uniformVar(g.name, g.type, g.semantic, g.offset), g.offset);
        for (const Param &p : entry.params)
            if (p.uniform) pendingUniformParams_.push_back(uniformVar(p.name, p.type, p.semantic, p.offset));

        int slot = 0;
        std::vector<int> unitOwner(textureUnitLimit, -1);
        for (size_t i = 0; i < out_.uniforms.size(); ++i) {
            UniformInfo &u = out_.uniforms[i];
            if (u.type.kind == Type::Sampler2D) {
                if (u.textureUnit < 0) continue;
                if (int owner = unitOwner[u.textureUnit]; owner >= 0)
                    fail(uniformSemantics_[i].offset, "texture unit " + std::to_string(u.textureUnit) +
                                                          " is already taken by " + quoted(out_.uniforms[owner].name));
                unitOwner[u.textureUnit] = int(i);
                continue;
            }
            u.firstSlot = slot;
            u.slotCount = u.type.kind == Type::Matrix ? u.type.size : 1;
            slot += u.slotCount;
            if (slot > slotLimit(profile_))
                fail(uniformOffsets_[i], "uniform " + quoted(u.name) + " does not fit: " + profileName(profile_) +
                                             " programs have " + std::to_string(slotLimit(profile_)) +
                                             " parameter slots (a float4x4 takes 4)");
        }
        for (size_t i = 0; i < out_.uniforms.size(); ++i) {
            UniformInfo &u = out_.uniforms[i];
            if (u.type.kind != Type::Sampler2D || u.textureUnit >= 0) continue;
            auto free = std::find(unitOwner.begin(), unitOwner.end(), -1);
            if (free == unitOwner.end())
                fail(uniformOffsets_[i], "too many samplers (" + std::to_string(textureUnitLimit) + " texture units)");
            *free = int(i);
            u.textureUnit = int(free - unitOwner.begin());
        }
        out_.slotCount = slot;
    }

    Var *varyingParam(const Param &p) {
        if (p.type.kind == Type::Struct) {
            if (p.semantic.kind != Semantic::None)
                fail(p.semantic.offset, "struct parameter " + quoted(p.name) + " takes its semantics from its members");
            for (const Member &m : p.type.decl->members) {
                if (m.semantic.kind == Semantic::None)
                    fail(m.offset, "member " + quoted(m.name) + " of struct " + quoted(p.type.decl->name) +
                                       " needs a semantic to be a varying input");
                checkInputSemantic(m.semantic);
            }
        } else if (p.type.kind == Type::Float) {
            if (p.semantic.kind == Semantic::None)
                fail(p.offset, "varying parameter " + quoted(p.name) + " needs a semantic (or 'uniform')");
            checkInputSemantic(p.semantic);
        } else if (p.type.kind == Type::Void) {
            fail(p.offset, "parameter " + quoted(p.name) + " cannot be void");
        } else {
            fail(p.offset, "parameter " + quoted(p.name) + " of type " + typeName(p.type) + " must be uniform");
        }
        Var *v = newVar(Var::Input, p.name, p.type, p.offset);
        for (Leaf &l : v->leaves) l.written = fullMask(l.type);
        if (p.type.kind != Type::Struct) v->leaves[0].semantic = p.semantic;
        return v;
    }

    void checkInputSemantic(const Semantic &s) {
        if (!validInput(profile_, s))
            fail(s.offset, semanticName(s) + " is not an input of " + stageName(profile_) + " programs (" +
                               profileName(profile_) + ")");
    }

    void checkOutput(const Semantic &s, const Type &t, uint32_t offset, std::string_view what) {
        if (!validOutput(profile_, s))
            fail(s.offset, semanticName(s) + " is not a result of " + stageName(profile_) + " programs (" +
                               profileName(profile_) + ")");
        // A shorter POSITION or COLOR would leave w (the alpha) undefined.
        if ((s.kind == Semantic::Position || s.kind == Semantic::Color) && t != Type::vector(4))
            fail(offset, "the " + std::string(s.kind == Semantic::Position ? "POSITION" : "COLOR") + " result " +
                             std::string(what) + " must be float4, not " + typeName(t));
        if (s.kind == Semantic::Depth && t != Type::scalar())
            fail(offset, "the DEPTH result " + std::string(what) + " must be float, not " + typeName(t));
        for (const Leaf &o : out_.outputs)
            if (o.semantic.sameRegister(s))
                fail(s.offset, "result semantic " + semanticName(s) + " is used twice (first at " +
                                   lineColumn(source_, o.semantic.offset) + ")");
        out_.outputs.push_back(Leaf{t, s, 0, false});
    }

    void result(const Function &f) {
        const Type &t = f.result;
        if (t.kind == Type::Struct) {
            if (f.resultSemantic.kind != Semantic::None)
                fail(f.resultSemantic.offset, "a struct result takes its semantics from its members");
            for (const Member &m : t.decl->members) {
                if (m.semantic.kind == Semantic::None)
                    fail(m.offset, "member " + quoted(m.name) + " of struct " + quoted(t.decl->name) +
                                       " needs a semantic to be a result");
                checkOutput(m.semantic, m.type, m.offset, "member " + quoted(m.name));
            }
        } else if (t.kind == Type::Float) {
            if (f.resultSemantic.kind == Semantic::None)
                fail(f.offset, "the result of " + quoted(f.name) + " needs a semantic (for example ': COLOR')");
            checkOutput(f.resultSemantic, t, f.resultSemantic.offset, "of " + quoted(f.name));
        } else if (t.kind == Type::Void) {
            fail(f.offset, "the entry function must return a value (it returns void)");
        } else {
            fail(f.offset, "the entry function cannot return " + typeName(t));
        }
        Semantic::Kind required = profile_ == Profile::Arbvp1 ? Semantic::Position : Semantic::Color;
        bool found = std::any_of(out_.outputs.begin(), out_.outputs.end(),
                                 [&](const Leaf &o) { return o.semantic.kind == required; });
        if (!found)
            fail(f.offset, std::string("a ") + stageName(profile_) + " program must return a " +
                               (required == Semantic::Position ? "POSITION" : "COLOR") + " result");
    }

    // The local returned as a whole, never read otherwise, is computed in the result
    // registers themselves (which can only be written).
    void bindOutputs() {
        Var *v = returnedVar_;
        if (!v || v->storage != Var::Local) return;
        for (const Leaf &l : v->leaves)
            if (l.read) return;
        for (const Leaf &o : out_.outputs)
            if (o.semantic.kind == Semantic::Depth) return;  // DEPTH lives in .z, not .x
        v->toOutputs = true;
    }

    // ---- Names and scopes ------------------------------------------------------------------

    void declare(Var *v, uint32_t offset) {
        for (Var *other : scopes_.back())
            if (other->name == v->name)
                fail(offset, "redefinition of " + quoted(v->name) + " (first declared at " +
                                 lineColumn(source_, other->offset) + ")");
        scopes_.back().push_back(v);
    }

    Var *lookup(const Expr *e) {
        for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
            for (auto v = scope->rbegin(); v != scope->rend(); ++v)
                if ((*v)->name == e->name) return *v;
        for (const StructDecl &s : module_.structs)
            if (s.name == e->name) fail(e->offset, quoted(e->name) + " is a type, not a value");
        for (const Function &f : module_.functions)
            if (f.name == e->name) fail(e->offset, quoted(e->name) + " is a function, not a value");
        fail(e->offset, "undeclared name " + quoted(e->name));
    }

    // ---- Statements --------------------------------------------------------------------------

    void statements(const std::vector<Stmt *> &list) {
        for (Stmt *s : list) {
            if (returnStmt_) fail(s->offset, "statement after 'return' is never reached");
            statement(s);
        }
    }

    void statement(Stmt *s) {
        switch (s->kind) {
        case Stmt::Block:
            scopes_.emplace_back();
            statements(s->body);
            scopes_.pop_back();
            break;
        case Stmt::Decl: declaration(s); break;
        case Stmt::Assign: assignment(s); break;
        case Stmt::Return: returnStatement(s); break;
        }
    }

    void declaration(Stmt *s) {
        const Type &t = s->declType;
        if (t.kind == Type::Void) fail(s->offset, "variable " + quoted(s->name) + " cannot be void");
        if (t.kind == Type::Matrix) fail(s->offset, "local variables of type " + typeName(t) + " are not supported");
        if (t.kind == Type::Sampler2D) fail(s->offset, "local sampler2D variables are not supported");
        if (s->value) {
            Type vt = value(s->value);
            if (!assignable(t, vt))
                fail(s->opOffset, "type mismatch: cannot initialise " + typeName(t) + " " + quoted(s->name) +
                                           " with " + typeName(vt));
        }
        Var *v = newVar(Var::Local, s->name, t, s->offset);
        if (s->value)
            for (Leaf &l : v->leaves) l.written = fullMask(l.type);
        s->var = v;
        declare(v, s->offset);
    }

    static bool isAccessChain(const Expr *e) {
        while (e->kind == Expr::Field || e->kind == Expr::Member || e->kind == Expr::Swizzle) e = e->args[0];
        return e->kind == Expr::Name;
    }

    void assignment(Stmt *s) {
        Expr *target = s->target;
        if (!isAccessChain(target))
            fail(target->offset, "this expression cannot be assigned (assign to a variable, a member or a swizzle)");
        Access a = resolve(target);
        if (a.type.kind == Type::Matrix || a.type.kind == Type::Sampler2D)
            fail(target->offset, "cannot assign to " + quoted(a.var->name) + " of type " + typeName(a.type));
        if (a.swizzled) {
            uint8_t seen = 0;
            for (int i = 0; i < a.count; ++i) {
                if (seen & (1u << a.comps[i]))
                    fail(target->offset, "swizzle " + quoted("." + std::string(target->name)) +
                                             " repeats a component and cannot be assigned");
                seen |= uint8_t(1u << a.comps[i]);
            }
        }
        Type vt = value(s->value);
        if (s->op != '=') {
            markRead(a, target, true);
            Type combined = binaryType(s->opOffset, s->op, a.type, vt);
            if (combined != a.type)
                fail(s->opOffset, "type mismatch: " + typeName(a.type) + " " + s->op + "= " + typeName(vt));
        } else if (!assignable(a.type, vt)) {
            fail(s->opOffset, "type mismatch: cannot assign " + typeName(vt) + " to " + typeName(a.type));
        }
        markWritten(a);
    }

    void returnStatement(Stmt *s) {
        const Type &rt = out_.entry->result;
        if (!s->value) fail(s->offset, "'return' needs a value of type " + typeName(rt));
        Expr *e = s->value;
        Type vt;
        if (e->kind == Expr::Name) {
            Access a = resolve(e);
            markRead(a, e, false);  // the final return does not keep a local out of the result registers
            vt = a.type;
            returnedVar_ = a.var;
        } else {
            vt = value(e);
        }
        if (!assignable(rt, vt))
            fail(e->offset, "type mismatch: returning " + typeName(vt) + " from " + quoted(out_.entry->name) +
                                ", which returns " + typeName(rt));
        returnStmt_ = s;
    }

    static bool assignable(const Type &target, const Type &value) {
        if (target == value) return target.kind == Type::Float || target.kind == Type::Struct;
        return target.kind == Type::Float && value.kind == Type::Float && value.size == 1;
    }

    // ---- Reads and writes ------------------------------------------------------------------

    std::string leafName(const Access &a, int leaf) const {
        std::string n(a.var->name);
        if (a.var->type.kind == Type::Struct) n += "." + std::string(a.var->type.decl->members[leaf].name);
        return n;
    }

    void markRead(const Access &a, const Expr *at, bool counts) {
        Var *v = a.var;
        int first = a.leaf < 0 ? 0 : a.leaf;
        int last = a.leaf < 0 ? int(v->leaves.size()) : a.leaf + 1;
        for (int i = first; i < last; ++i) {
            Leaf &l = v->leaves[i];
            if (v->storage == Var::Input && profile_ == Profile::Arbfp1 && l.semantic.kind == Semantic::Position)
                fail(at->offset, "the POSITION input " + quoted(leafName(a, i)) +
                                     " cannot be read in a fragment program (WPOS is the window position)");
            uint8_t needed = 0;
            if (a.leaf < 0) {
                needed = fullMask(l.type);
            } else {
                for (int c = 0; c < a.count; ++c) needed |= uint8_t(1u << a.comps[c]);
            }
            uint8_t missing = needed & ~l.written;
            if (missing) {
                std::string n = leafName(a, i);
                if (l.written && l.type.size > 1) {
                    n += '.';
                    for (int c = 0; c < 4; ++c)
                        if (missing & (1u << c)) n += componentLetters[c];
                }
                fail(at->offset, quoted(n) + " is used before it is set");
            }
            if (counts) l.read = true;
        }
    }

    void markWritten(const Access &a) {
        Var *v = a.var;
        if (a.leaf < 0) {
            for (Leaf &l : v->leaves) l.written = fullMask(l.type);
            return;
        }
        for (int c = 0; c < a.count; ++c) v->leaves[a.leaf].written |= uint8_t(1u << a.comps[c]);
    }

    // Resolves a chain of names, members and swizzles to the variable it reaches.
    Access resolve(Expr *e) {
        Access a;
        if (e->kind == Expr::Name) {
            Var *v = lookup(e);
            e->var = v;
            e->type = v->type;
            a.var = v;
            a.type = v->type;
            a.leaf = v->type.kind == Type::Struct ? -1 : 0;
            a.count = v->type.kind == Type::Float ? v->type.size : 4;
            return a;
        }
        Access base = resolve(e->args[0]);
        const Type &bt = e->args[0]->type;
        if (bt.kind == Type::Struct) {
            int m = bt.decl->find(e->name);
            if (m < 0) fail(e->offset, "struct " + quoted(bt.decl->name) + " has no member " + quoted(e->name));
            e->kind = Expr::Member;
            e->member = m;
            e->type = bt.decl->members[m].type;
            a.var = base.var;
            a.leaf = m;
            a.type = e->type;
            a.count = e->type.size;
            return a;
        }
        swizzle(e, bt);
        a = base;
        for (int i = 0; i < e->type.size; ++i) a.comps[i] = base.comps[e->swizzle[i]];
        a.count = e->type.size;
        a.type = e->type;
        a.swizzled = true;
        return a;
    }

    void swizzle(Expr *e, const Type &bt) {
        if (bt.kind == Type::Matrix) fail(e->offset, "members and swizzles of " + typeName(bt) + " values are not supported");
        if (bt.kind == Type::Sampler2D) fail(e->offset, "a sampler2D has no members");
        if (bt.kind != Type::Float) fail(e->offset, typeName(bt) + " has no members");
        std::string_view s = e->name;
        std::string dotted = quoted("." + std::string(s));
        bool xyzw = false, rgba = false;
        for (char c : s) {
            if (std::string_view("xyzw").find(c) != std::string_view::npos)
                xyzw = true;
            else if (std::string_view("rgba").find(c) != std::string_view::npos)
                rgba = true;
            else
                fail(e->offset, "unknown member " + quoted(s) + " of " + typeName(bt) + " (a swizzle uses xyzw or rgba)");
        }
        if (xyzw && rgba) fail(e->offset, "swizzle " + dotted + " mixes xyzw and rgba components");
        if (s.size() > 4) fail(e->offset, "swizzle " + dotted + " has more than four components");
        std::string_view set = xyzw ? "xyzw" : "rgba";
        for (size_t i = 0; i < s.size(); ++i) {
            size_t c = set.find(s[i]);
            if (int(c) >= bt.size)
                fail(e->offset, "swizzle " + dotted + " is wider than " + typeName(bt) + " (it has no " +
                                    quoted(std::string(1, s[i])) + ")");
            e->swizzle[i] = uint8_t(c);
        }
        e->kind = Expr::Swizzle;
        e->type = Type::vector(int(s.size()));
    }

    // ---- Expressions ---------------------------------------------------------------------------

    // Checks an expression that is read, and returns its type.
    Type value(Expr *e) {
        switch (e->kind) {
        case Expr::Literal: e->type = Type::scalar(); break;
        case Expr::Name:
        case Expr::Field:
        case Expr::Member:
        case Expr::Swizzle:
            if (isAccessChain(e)) {
                Access a = resolve(e);
                markRead(a, e, true);
            } else {
                swizzle(e, value(e->args[0]));
            }
            break;
        case Expr::Negate: {
            Type t = value(e->args[0]);
            if (t.kind != Type::Float) fail(e->offset, "unary '-' needs a number or a vector, not " + typeName(t));
            e->type = t;
            break;
        }
        case Expr::Binary: {
            Type a = value(e->args[0]);
            Type b = value(e->args[1]);
            e->type = binaryType(e->offset, e->op, a, b);
            break;
        }
        case Expr::Call: call(e); break;
        }
        return e->type;
    }

    static Type binaryType(uint32_t offset, char op, const Type &a, const Type &b) {
        std::string o(1, op);
        if (a.kind == Type::Matrix || b.kind == Type::Matrix)
            fail(offset, quoted(o) + " on " + typeName(a.kind == Type::Matrix ? a : b) + " values is not supported" +
                             (op == '*' ? " (use mul)" : ""));
        if (a.kind != Type::Float || b.kind != Type::Float)
            fail(offset, "type mismatch: " + typeName(a) + " " + o + " " + typeName(b));
        if (a.size != b.size && a.size != 1 && b.size != 1)
            fail(offset, "type mismatch: " + typeName(a) + " " + o + " " + typeName(b) + " (vector sizes differ)");
        return Type::vector(std::max(a.size, b.size));
    }

    Type numericArg(Expr *call, size_t i) {
        Type t = value(call->args[i]);
        if (t.kind != Type::Float)
            fail(call->args[i]->offset, quoted(call->name) + " needs numbers or vectors, not " + typeName(t));
        return t;
    }

    void call(Expr *e) {
        Type made;
        if (builtinType(e->name, made) || unsupportedTypeName(e->name)) {
            construct(e);
            return;
        }
        const Intrinsic *in = nullptr;
        for (const Intrinsic &i : intrinsics)
            if (e->name == i.name) in = &i;
        if (!in) {
            for (const Function &f : module_.functions)
                if (f.name == e->name) fail(e->offset, "calls to user functions are not supported (" + quoted(e->name) + ")");
            if (isUnsupportedIntrinsic(e->name)) fail(e->offset, "intrinsic " + quoted(e->name) + " is not supported");
            for (auto &scope : scopes_)
                for (Var *v : scope)
                    if (v->name == e->name) fail(e->offset, quoted(e->name) + " is not a function");
            fail(e->offset, "undeclared function " + quoted(e->name));
        }
        if (int(e->args.size()) != in->args)
            fail(e->offset, quoted(e->name) + " takes " + std::to_string(in->args) + " argument" +
                                (in->args == 1 ? "" : "s") + ", " + std::to_string(e->args.size()) + " given");
        e->builtin = in->builtin;
        switch (in->builtin) {
        case Builtin::Mul: {
            Type a = value(e->args[0]);
            Type b = value(e->args[1]);
            std::string sig = "mul(" + typeName(a) + ", " + typeName(b) + ")";
            if (a.kind == Type::Matrix && b.kind == Type::Matrix) fail(e->offset, "mul of two matrices is not supported");
            if (a.kind == Type::Matrix && b.kind == Type::Float && b.size == a.cols) {
                e->type = Type::vector(a.size);
            } else if (a.kind == Type::Float && b.kind == Type::Matrix && a.size == b.size) {
                e->type = Type::vector(b.cols);
            } else if (a.kind == Type::Float && b.kind == Type::Float) {
                fail(e->offset, "mul needs a matrix operand (use '*' for componentwise products)");
            } else {
                fail(e->offset, "type mismatch: " + sig);
            }
            break;
        }
        case Builtin::Dot: {
            Type a = numericArg(e, 0), b = numericArg(e, 1);
            if (a.size != b.size)
                fail(e->offset, "type mismatch: dot(" + typeName(a) + ", " + typeName(b) + ") (sizes differ)");
            e->type = Type::scalar();
            break;
        }
        case Builtin::Normalize: {
            Type a = numericArg(e, 0);
            if (a.size < 2) fail(e->args[0]->offset, "normalize needs a vector, not float");
            e->type = a;
            break;
        }
        case Builtin::Saturate:
        case Builtin::Abs: e->type = numericArg(e, 0); break;
        case Builtin::Min:
        case Builtin::Max: {
            Type a = numericArg(e, 0), b = numericArg(e, 1);
            if (a.size != b.size && a.size != 1 && b.size != 1)
                fail(e->offset, "type mismatch: " + std::string(e->name) + "(" + typeName(a) + ", " + typeName(b) +
                                    ") (vector sizes differ)");
            e->type = Type::vector(std::max(a.size, b.size));
            break;
        }
        case Builtin::Lerp: {
            Type a = numericArg(e, 0), b = numericArg(e, 1), t = numericArg(e, 2);
            int n = std::max({a.size, b.size, t.size});
            for (const Type *x : {&a, &b, &t})
                if (x->size != n && x->size != 1)
                    fail(e->offset, "type mismatch: lerp(" + typeName(a) + ", " + typeName(b) + ", " + typeName(t) +
                                        ") (vector sizes differ)");
            e->type = Type::vector(n);
            break;
        }
        case Builtin::Tex2D: {
            if (profile_ != Profile::Arbfp1)
                fail(e->offset, "tex2D is not available in vertex programs (" + std::string(profileName(profile_)) + ")");
            Type s = value(e->args[0]);
            if (s.kind != Type::Sampler2D)
                fail(e->args[0]->offset, "tex2D needs a sampler2D as its first argument, not " + typeName(s));
            Type c = value(e->args[1]);
            if (c != Type::vector(2))
                fail(e->args[1]->offset, "tex2D needs float2 texture coordinates, not " + typeName(c));
            e->type = Type::vector(4);
            break;
        }
        case Builtin::None:
        case Builtin::Construct: break;
        }
    }

    // constructor = float | floatN "(" args ")": the arguments' components in order, or one scalar
    void construct(Expr *e) {
        Type t;
        if (!builtinType(e->name, t)) fail(e->offset, "type " + quoted(e->name) + " is not supported");
        if (t.kind == Type::Matrix) fail(e->offset, "matrix constructors are not supported");
        if (t.kind != Type::Float) fail(e->offset, quoted(e->name) + " cannot be constructed");
        int total = 0;
        for (size_t i = 0; i < e->args.size(); ++i) {
            Type a = value(e->args[i]);
            if (a.kind != Type::Float)
                fail(e->args[i]->offset, typeName(a) + " cannot be used to construct " + typeName(t));
            total += a.size;
        }
        bool broadcast = e->args.size() == 1 && total == 1;
        if (total != t.size && !broadcast)
            fail(e->offset, typeName(t) + " constructor needs " + std::to_string(t.size) + " component" +
                                (t.size == 1 ? "" : "s") + ", " + std::to_string(total) + " given");
        e->builtin = Builtin::Construct;
        e->type = t;
    }

    std::string_view source_;
    Module &module_;
    Profile profile_;
    std::string_view entryName_;
    CheckedProgram &out_;
    std::vector<std::vector<Var *>> scopes_;
    std::vector<Var *> pendingUniformParams_;
    std::vector<uint32_t> uniformOffsets_;
    std::vector<Semantic> uniformSemantics_;
    const Stmt *returnStmt_ = nullptr;
    Var *returnedVar_ = nullptr;
};

}  // namespace

void check(std::string_view source, Module &module, Profile profile, std::string_view entry, CheckedProgram &program) {
    Checker(source, module, profile, entry, program).run();
}

}  // namespace vela::cg
