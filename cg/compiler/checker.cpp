// Checker: declarations, functions and statements. Gives every name its variable or
// function and every expression its type (check_expr.cpp, check_calls.cpp). An error drops
// the statement it is in and the checker goes on with the next, so that independent
// mistakes are reported together; an expression that depends on one already reported is
// dropped silently. Whether a profile can express what the text says is the lowering's
// question, asked only of the code the entry function reaches.
#include <algorithm>
#include <functional>

#include "checker.h"

namespace vela::cg {

std::string argumentTypes(const std::vector<Expr *> &args) {
    std::string out = "(";
    for (size_t i = 0; i < args.size(); ++i) out += (i ? ", " : "") + typeName(args[i]->type);
    return out + ")";
}

namespace {

void callsIn(const Expr *e, std::vector<std::string_view> &out) {
    if (!e) return;
    if (e->kind == Expr::Call) out.push_back(e->name);
    for (const Expr *a : e->args) callsIn(a, out);
}

void callsIn(const Stmt *s, std::vector<std::string_view> &out) {
    if (!s) return;
    for (const Stmt *b : s->body) callsIn(b, out);
    for (const Var *v : s->vars) callsIn(v->init, out);
    callsIn(s->init, out);
    callsIn(s->then, out);
    callsIn(s->otherwise, out);
    callsIn(s->cond, out);
    callsIn(s->expr, out);
}

}  // namespace

bool holdsSampler(const Type &t) {
    if (t.kind == Type::Sampler) return true;
    if (t.kind == Type::Array) return holdsSampler(t.array->element);
    if (t.kind == Type::Struct)
        for (const Member &m : t.decl->members)
            if (holdsSampler(m.type)) return true;
    return false;
}

bool Checker::forProfile(const Function &f) const { return f.profile.empty() || f.profile == profile_.name; }

// The names of the functions the entry and the globals' initialisers call, directly or not.
std::unordered_set<std::string_view> Checker::reachable() const {
    std::unordered_set<std::string_view> seen{entry_};
    std::vector<std::string_view> todo{entry_};
    for (const Var *g : module_.globals) callsIn(g->init, todo);
    while (!todo.empty()) {
        std::string_view name = todo.back();
        todo.pop_back();
        seen.insert(name);
        for (const Function &f : module_.functions) {
            if (f.name != name || !forProfile(f)) continue;
            std::vector<std::string_view> calls;
            callsIn(f.body, calls);
            for (std::string_view c : calls)
                if (!seen.count(c)) {
                    seen.insert(c);
                    todo.push_back(c);
                }
        }
    }
    return seen;
}

void Checker::run() {
    int id = 0;
    for (Var &v : module_.vars) v.id = id++;
    for (const Module::ArraySize &a : module_.arraySizes) sizes_[a.array] = {a.size, a.offset};
    scopes_.emplace_back();
    for (Function &f : module_.functions)
        if (forProfile(f)) functions_[f.name].push_back(&f);
    std::unordered_set<std::string_view> reached = reachable();
    // A struct holding a sampler, passed to the entry, can only be uniform.
    for (Function &f : module_.functions)
        if (f.name == entry_ && forProfile(f))
            for (Var *p : f.params)
                if (!p->isOut && !p->isUniform && p->type.kind == Type::Struct && holdsSampler(p->type)) p->isUniform = true;

    // Struct members first: their array sizes are constants of the global scope.
    for (StructDecl &s : module_.structs)
        for (Member &m : s.members) {
            try {
                resolveType(m.type, m.offset);
            } catch (const CompileError &e) {
                diagnostics_.add(e);
            }
        }
    // Globals and functions in the order of the text, so that a function sees the globals
    // declared before it (as C has it) and a global the constants before it.
    std::vector<std::pair<uint32_t, std::function<void()>>> items;
    for (Var *v : module_.globals) items.emplace_back(v->offset, [this, v] { declareGlobal(v); });
    for (Function &f : module_.functions)
        if (forProfile(f) && reached.count(f.name)) items.emplace_back(f.offset, [this, &f] { checkFunction(f); });
    std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &[offset, check] : items) check();
    findRecursion();
}

// ---- Names ------------------------------------------------------------------------------

Var *Checker::lookup(std::string_view name) {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
        if (auto it = scope->find(name); it != scope->end()) return it->second.latest;
    return nullptr;
}

void Checker::declare(Var *v) {
    if (auto it = scopes_.back().find(v->name); it != scopes_.back().end())
        fail(v->offset, "redefinition of " + quoted(v->name) + " (first declared at " +
                            source_.where(it->second.first->offset) + ")");
    scopes_.back().emplace(v->name, Named{v, v});
}

// A variable whose declaration failed is still known, so its uses do not fail again.
void Checker::keep(Var *v) {
    Named &n = scopes_.back().try_emplace(v->name, Named{v, v}).first->second;
    n.latest = v;
}

// ---- Types -----------------------------------------------------------------------------

void Checker::resolveType(const Type &type, uint32_t offset) {
    if (type.kind == Type::Struct) {
        for (const Member &m : type.decl->members) resolveType(m.type, m.offset);
        if (size_t(rowCount(type)) > limits::typeRows)
            fail(offset, typeName(type) + " is too large (more than " + std::to_string(limits::typeRows) + " rows)");
        return;
    }
    if (type.kind != Type::Array || type.array->length >= 0) return;
    auto *array = const_cast<ArrayType *>(type.array);
    resolveType(array->element, offset);
    auto it = sizes_.find(array);
    if (it == sizes_.end() || !it->second.first) return;  // from the initialiser
    Expr *size = value(it->second.first);
    double n = 0;
    if (!constantValue(size, n) || n != double(int64_t(n)))
        fail(size->offset, "the size of an array must be a constant integer");
    if (n < 1 || n > 65536) fail(size->offset, "array size " + std::to_string(int64_t(n)) + " is out of range (1 to 65536)");
    array->length = int(n);
    if (size_t(rowCount(type)) > limits::typeRows)
        fail(offset, "the array is too large (more than " + std::to_string(limits::typeRows) + " rows)");
}

// ---- Declarations -----------------------------------------------------------------------

void Checker::declareGlobal(Var *v) {
    try {
        resolveType(v->type, v->offset);
        if (!v->isStatic && !v->isConst) v->isUniform = true;
        if (v->type.kind == Type::Sampler && !v->isUniform)
            fail(v->offset, "sampler " + quoted(v->name) + " must be uniform");
        const Semantic &s = v->semantic;
        if (s.kind == Semantic::TexUnit && v->type.kind != Type::Sampler)
            fail(s.offset, semanticName(s) + " applies to samplers only");
        if (s.kind == Semantic::Constant && (v->type.kind == Type::Sampler || !v->isUniform))
            fail(s.offset, "a constant register (" + semanticName(s) + ") binds uniforms that are no samplers");
        if (s.kind != Semantic::None && s.kind != Semantic::TexUnit && s.kind != Semantic::Constant)
            fail(s.offset, "global variable " + quoted(v->name) + " cannot have the semantic " + semanticName(s));
        declare(v);
        if (v->isConst && !v->init) fail(v->offset, "constant " + quoted(v->name) + " needs a value");
        if (v->init) {
            if (v->type.kind == Type::Sampler) fail(v->init->offset, "a sampler cannot have an initial value");
            v->init = initialiser(v->init, v->type,
                                  "cannot initialise " + typeName(v->type) + " " + quoted(v->name) + " with %s", v->initOffset);
            if (v->type.kind == Type::Array && v->type.array->length < 0)
                fail(v->offset, "the size of " + quoted(v->name) + " cannot be taken from its initialiser");
        }
    } catch (const CompileError &e) {
        if (e.reported) return;
        diagnostics_.add(e);
        keep(v);
    }
}

void Checker::declaration(Var *v) {
    resolveType(v->type, v->offset);
    declare(v);
    if (v->isConst && !v->init) fail(v->offset, "constant " + quoted(v->name) + " needs a value");
    if (!v->init) {
        if (v->type.kind == Type::Array && v->type.array->length < 0)
            fail(v->offset, "array " + quoted(v->name) + " needs a size or an initialiser");
        return;
    }
    v->init = initialiser(v->init, v->type, "cannot initialise " + typeName(v->type) + " " + quoted(v->name) + " with %s",
                          v->initOffset);
    // An array sized by its initialiser takes the size now.
    if (v->type.kind == Type::Array && v->type.array->length < 0)
        fail(v->offset, "array " + quoted(v->name) + " needs a size or an initialiser");
}

// ---- Functions ----------------------------------------------------------------------------

namespace {

bool sameSignature(const Function &a, const Function &b) {
    if (a.params.size() != b.params.size()) return false;
    for (size_t i = 0; i < a.params.size(); ++i)
        if (!(a.params[i]->type == b.params[i]->type) || a.params[i]->isOut != b.params[i]->isOut) return false;
    return true;
}

// Whether running the statement can reach the statement after it.
bool completes(const Stmt *s) {
    if (!s) return true;
    switch (s->kind) {
    case Stmt::Return:
    case Stmt::Discard:
    case Stmt::Break:
    case Stmt::Continue: return false;
    case Stmt::Block:
        for (const Stmt *b : s->body)
            if (!completes(b)) return false;
        return true;
    case Stmt::If: return !s->otherwise || completes(s->then) || completes(s->otherwise);
    default: return true;
    }
}

}  // namespace

void Checker::checkFunction(Function &f) {
    current_ = &f;
    try {
        resolveType(f.result, f.offset);
        for (Var *p : f.params) resolveType(p->type, p->offset);
        if (f.result.kind == Type::Array) fail(f.offset, "a function cannot return an array");
        // Another function of the same signature: the declaration of this definition, or a second definition.
        for (Function *other : functions_[f.name]) {
            if (other == &f || !sameSignature(*other, f)) continue;
            if (!(other->result == f.result))
                fail(f.offset, quoted(f.name) + " was declared at " + source_.where(other->offset) + " returning " +
                                   typeName(other->result) + ", not " + typeName(f.result));
            if (other->body && f.body && other->offset < f.offset)
                fail(f.offset, "redefinition of function " + quoted(f.name) + " (first defined at " +
                                   source_.where(other->offset) + ")");
            if (!f.body && other->body) f.definition = other;
        }
    } catch (const CompileError &e) {
        diagnostics_.add(e);
        current_ = nullptr;
        return;
    }
    if (!f.body) {
        current_ = nullptr;
        return;
    }
    scopes_.emplace_back();
    for (Var *p : f.params) {
        try {
            declare(p);
        } catch (const CompileError &e) {
            diagnostics_.add(e);
        }
    }
    for (Stmt *s : f.body->body) statement(s);
    if (f.result.kind != Type::Void && completes(f.body))
        diagnostics_.add(f.body->endOffset, "missing return statement at the end of " + quoted(f.name));
    scopes_.pop_back();
    current_ = nullptr;
}

void Checker::findRecursion() {
    // Depth-first over the calls; a call back into a function on the path closes a cycle.
    std::unordered_map<const Function *, int> state;  // 1 on the path, 2 done
    std::vector<const Function *> path;
    std::function<void(const Function *)> visit = [&](const Function *f) {
        state[f] = 1;
        path.push_back(f);
        for (const auto &[callee, at] : calls_[f]) {
            if (state[callee] == 1) {
                std::string cycle;
                auto start = std::find(path.begin(), path.end(), callee);
                for (auto it = start; it != path.end(); ++it) cycle += quoted((*it)->name) + " calls ";
                cycle += quoted(callee->name);
                diagnostics_.add(at->offset, "recursion is not possible (functions are inlined): " + cycle);
            } else if (state[callee] == 0) {
                visit(callee);
            }
        }
        path.pop_back();
        state[f] = 2;
    };
    for (const Function &f : module_.functions)
        if (f.body && state[&f] == 0) visit(&f);
}

// ---- Statements ----------------------------------------------------------------------------

// The body of an if or a loop is a scope even when it is not a block: "if (c) float4 v = c;"
// declares nothing after it.
void Checker::scoped(Stmt *s) {
    scopes_.emplace_back();
    statement(s);
    scopes_.pop_back();
}

void Checker::statement(Stmt *s) {
    auto guarded = [&](auto work) {
        try {
            work();
        } catch (const CompileError &e) {
            diagnostics_.add(e);
        }
    };
    switch (s->kind) {
    case Stmt::Block:
        scopes_.emplace_back();
        for (Stmt *b : s->body) statement(b);
        scopes_.pop_back();
        return;
    case Stmt::Decl:
        for (Var *v : s->vars) guarded([&] { declaration(v); });
        for (Var *v : s->vars) keep(v);
        return;
    case Stmt::Expression: guarded([&] { s->expr = value(s->expr); }); return;
    case Stmt::If:
        guarded([&] { s->cond = toBool(value(s->cond), "an 'if' condition"); });
        scoped(s->then);
        if (s->otherwise) scoped(s->otherwise);
        return;
    case Stmt::For:
        scopes_.emplace_back();
        if (s->init) statement(s->init);
        if (s->cond) guarded([&] { s->cond = toBool(value(s->cond), "a loop condition"); });
        if (s->expr) guarded([&] { s->expr = value(s->expr); });
        ++loops_;
        scoped(s->then);
        --loops_;
        scopes_.pop_back();
        return;
    case Stmt::While:
    case Stmt::Do:
        guarded([&] { s->cond = toBool(value(s->cond), "a loop condition"); });
        ++loops_;
        scoped(s->then);
        --loops_;
        return;
    case Stmt::Break:
    case Stmt::Continue:
        if (!loops_)
            diagnostics_.add(s->offset, quoted(s->kind == Stmt::Break ? "break" : "continue") + " outside a loop");
        return;
    case Stmt::Discard: return;
    case Stmt::Return:
        guarded([&] {
            const Type &rt = current_->result;
            if (!s->expr) {
                if (rt.kind != Type::Void) fail(s->offset, "'return' needs a value of type " + typeName(rt));
                return;
            }
            if (rt.kind == Type::Void) fail(s->expr->offset, quoted(current_->name) + " returns void, not a value");
            s->expr = convert(value(s->expr), rt,
                              "returning %s from " + quoted(current_->name) + ", which returns " + typeName(rt));
        });
        return;
    }
}

void check(const Source &source, Module &module, std::string_view entry, const ProfileDesc &profile,
           Diagnostics &diagnostics) {
    Checker(source, module, entry, profile, diagnostics).run();
}

}  // namespace vela::cg
