// Lowering: statements and control flow (see lower.h for how branches, loops and exits
// become straight-line code).
#include "interface.h"
#include "lower.h"

namespace vela::cg {

void Lowering::refuse(uint32_t offset, const std::string &what) { cg::refuse(profile_, offset, what); }

void Lowering::spend(size_t work, uint32_t offset) {
    work_ += work;
    if (work_ > limits::work)
        fail(offset, "the program is too large once its loops are unrolled and its functions inlined (more than " +
                         std::to_string(limits::work) + " steps)");
}

size_t Lowering::newSlot() {
    size_t slot = module_.vars.size() + size_t(callDepth_);
    if (st_.vars.size() <= slot) st_.vars.resize(slot + 1);
    return slot;
}

// ---- Statements ---------------------------------------------------------------------------

void Lowering::statements(const std::vector<Stmt *> &list) {
    for (const Stmt *s : list) {
        if (st_.dead) return;
        statement(s);
    }
}

void Lowering::statement(const Stmt *s) {
    spend(1, s->offset);
    b_.where = s->offset;
    switch (s->kind) {
    case Stmt::Block: statements(s->body); return;
    case Stmt::Decl:
        for (const Var *v : s->vars) {
            Agg rows = v->init ? aggregate(v->init) : zero(v->type, Comp::Undef);
            st_.vars[size_t(v->id)] = std::move(rows);
        }
        return;
    case Stmt::Expression: aggregate(s->expr); return;
    case Stmt::If: ifStatement(s); return;
    case Stmt::For:
    case Stmt::While:
    case Stmt::Do: loop(s); return;
    case Stmt::Break:
    case Stmt::Continue:
    case Stmt::Return: leave(s); return;
    case Stmt::Discard: discard(s->offset, nullptr); return;
    }
}

void Lowering::ifStatement(const Stmt *s) {
    Val c = boolValue(s->cond);
    if (c.isConst()) {
        if (c.c[0].k != 0) statement(s->then);
        else if (s->otherwise) statement(s->otherwise);
        return;
    }
    spend(st_.vars.size(), s->offset);
    State before = st_;
    conds_.push_back(Cond{c, false});
    statement(s->then);
    conds_.pop_back();
    State taken = std::move(st_);
    st_ = std::move(before);
    if (s->otherwise) {
        conds_.push_back(Cond{c, true});
        statement(s->otherwise);
        conds_.pop_back();
    }
    st_ = merge(c, taken, st_);
}

// Every exit of `list` and the state reached, selected into one: the earliest exit taken wins.
static Lowering::State mergeExits(Lowering &l, std::vector<Lowering::Exit> &list, Lowering::State current) {
    if (list.empty()) return current;
    size_t last = list.size();
    Lowering::State acc;
    if (!current.dead) {
        acc = std::move(current);
    } else {
        acc = std::move(list.back().state);
        --last;
    }
    for (size_t i = last; i-- > 0;) acc = l.merge(list[i].pred, list[i].state, acc);
    acc.dead = false;
    list.clear();
    return acc;
}

void Lowering::finish(Frame &frame) {
    if (frame.exits.empty()) return;
    st_ = mergeExits(*this, frame.exits, std::move(st_));
}

void Lowering::loop(const Stmt *s) {
    if (s->kind == Stmt::For && s->init) statement(s->init);
    Frame frame;
    frame.loop = true;
    frame.condBase = conds_.size();
    frame.alive = frame.aliveIteration = Builder::constant(1);
    frames_.push_back(std::move(frame));
    int iterations = 0;
    for (bool first = true;; first = false) {
        if (st_.dead) break;
        if (s->cond && !(s->kind == Stmt::Do && first)) {
            b_.where = s->cond->offset;
            Val c = boolValue(s->cond);
            if (!c.isConst()) refuse(s->cond->offset, "run a loop whose end depends on a value computed at run time");
            if (c.c[0].k == 0) break;
        }
        if (++iterations > limits::loopIterations) {
            if (!frames_.back().exits.empty())
                refuse(s->offset, "run a loop whose end depends on a value computed at run time");
            fail(s->offset, "the loop runs more than " + std::to_string(limits::loopIterations) +
                                " times (loops are unrolled)");
        }
        statement(s->then);
        Frame &f = frames_.back();
        if (!f.continues.empty()) {
            st_ = mergeExits(*this, f.continues, std::move(st_));
            f.aliveIteration = Builder::constant(1);
        }
        if (st_.dead) break;
        if (s->kind == Stmt::For && s->expr) {
            b_.where = s->expr->offset;
            aggregate(s->expr);
        }
    }
    Frame done = std::move(frames_.back());
    frames_.pop_back();
    finish(done);
}

void Lowering::leave(const Stmt *s) {
    // The result first: the calls in it push frames, which may move the target.
    Agg result;
    if (s->kind == Stmt::Return && s->expr) result = aggregate(s->expr);
    Frame *target = nullptr;
    for (auto f = frames_.rbegin(); f != frames_.rend() && !target; ++f)
        if (f->loop == (s->kind != Stmt::Return)) target = &*f;
    if (!target) fail(s->offset, "internal compiler error: no frame to leave");
    if (s->kind == Stmt::Return) {
        if (s->expr) st_.vars[target->resultSlot] = std::move(result);
        if (target->function == entry_) {
            lastReturn_ = s->expr ? s->expr->offset : s->offset;
            const Expr *e = s->expr;
            while (e && e->kind == Expr::Convert) e = e->args[0];
            returnedName_ = e && e->kind == Expr::Name ? std::string(e->name) : "";
        }
    }
    // Taken when the branches lead here and nothing between the target's start and here has
    // left already: an inner loop's break or continue, or (for a break) this iteration's continue.
    Val pred = predicate(target->condBase);
    bool inner = false;
    for (const Frame &f : frames_) {
        if (&f == target) {
            inner = true;
            if (s->kind == Stmt::Break) pred = mul(pred, f.aliveIteration);
            continue;
        }
        if (inner) pred = mul(mul(pred, f.alive), f.aliveIteration);
    }
    Val notTaken = notBool(pred);
    if (s->kind == Stmt::Continue) {
        target->continues.push_back(Exit{pred, st_});
        target->aliveIteration = mul(target->aliveIteration, notTaken);
    } else {
        target->exits.push_back(Exit{pred, st_});
        target->alive = mul(target->alive, notTaken);
    }
    spend(st_.vars.size(), s->offset);
    st_.dead = true;
}

void Lowering::discard(uint32_t offset, const Val *clipValue) {
    if (!profile_.kill) refuse(offset, clipValue ? "clip: a vertex cannot be discarded" : "discard a vertex");
    Val p = killPredicate();
    if (clipValue) {
        b_.kil(p.isConst(1) ? *clipValue : select(p, *clipValue, Builder::constant(0, clipValue->n), offset));
        return;
    }
    b_.kil(negate(p));
    if (p.isConst(1)) st_.dead = true;
}

// ---- Conditions and selection ------------------------------------------------------------

Val Lowering::predicate(size_t from) {
    Val p = Builder::constant(1);
    for (size_t i = from; i < conds_.size(); ++i) p = mul(p, conds_[i].negate ? notBool(conds_[i].c) : conds_[i].c);
    return p;
}

Val Lowering::killPredicate() {
    Val p = predicate(0);
    for (const Frame &f : frames_) p = mul(mul(p, f.alive), f.aliveIteration);
    return p;
}

// pred ? a : b for values of one size, where they differ.
Val Lowering::select(const Val &pred, const Val &a, const Val &b, uint32_t offset) {
    Val out = b;
    Val x, y;
    int where[4];
    for (int i = 0; i < b.n; ++i) {
        const Comp &ca = a.c[i], &cb = b.c[i];
        if (ca == cb || ca.kind == Comp::Undef) continue;
        if (cb.kind == Comp::Undef) {
            out.c[i] = ca;
            continue;
        }
        if (ca.kind == Comp::Sampler || cb.kind == Comp::Sampler)
            refuse(offset, "choose a sampler with a value computed at run time");
        where[x.n] = i;
        x.c[x.n++] = ca;
        y.c[y.n++] = cb;
    }
    if (x.n == 0) return out;
    // A vector condition selects lane by lane: its lanes where the values differ.
    Val p = pred;
    if (pred.n > 1) {
        p.n = x.n;
        for (int i = 0; i < x.n; ++i) p.c[i] = pred.c[where[i]];
    }
    if (p.isConst()) {
        for (int i = 0; i < x.n; ++i) out.c[where[i]] = p.c[p.n == 1 ? 0 : i].k != 0 ? x.c[i] : y.c[i];
        return out;
    }
    if (profile_.cmp) {
        // One CMP for each pair of places the two sides read from: no gathering first.
        auto place = [](const Comp &c) { return c.kind == Comp::Reg ? std::make_pair(int(c.ref.file), c.ref.index) : std::make_pair(-1, 0u); };
        bool done[4] = {};
        for (int i = 0; i < x.n; ++i) {
            if (done[i]) continue;
            Val gx, gy, gp;
            int lanes[4];
            for (int j = i; j < x.n; ++j) {
                if (done[j] || place(x.c[j]) != place(x.c[i]) || place(y.c[j]) != place(y.c[i]) ||
                    (p.n > 1 && place(p.c[j]) != place(p.c[i])))
                    continue;
                done[j] = true;
                lanes[gx.n] = j;
                gp.c[gp.n++] = p.c[p.n == 1 ? 0 : j];
                gx.c[gx.n++] = x.c[j];
                gy.c[gy.n++] = y.c[j];
            }
            if (p.n == 1) gp.n = 1;
            Val s = b_.emit(Op::Cmp, {negate(gp), gx, gy}, gx.n);
            for (int k = 0; k < gx.n; ++k) out.c[where[lanes[k]]] = s.c[s.n == 1 ? 0 : k];
        }
        return out;
    }
    Val s;
    if (y.isConst(0)) s = mul(x, p);
    else if (x.isConst(0)) s = mul(y, notBool(p));
    else s = mad(y, notBool(p), mul(x, p));
    for (int i = 0; i < x.n; ++i) out.c[where[i]] = s.c[s.n == 1 ? 0 : i];
    return out;
}

Lowering::State Lowering::merge(const Val &pred, const State &a, const State &b) {
    if (a.dead) return b;
    if (b.dead) return a;
    State out;
    out.vars = b.vars;
    for (size_t v = out.vars.size(); v < a.vars.size(); ++v) out.vars.push_back(a.vars[v]);
    size_t common = std::min(a.vars.size(), b.vars.size());
    for (size_t v = 0; v < common; ++v) {
        const Agg &ra = a.vars[v], &rb = b.vars[v];
        if (ra.size() != rb.size()) continue;  // declared on one side only
        for (size_t r = 0; r < ra.size(); ++r) {
            bool same = ra[r].n == rb[r].n;
            for (int i = 0; same && i < ra[r].n; ++i) same = ra[r].c[i] == rb[r].c[i];
            if (!same) out.vars[v][r] = select(pred, ra[r], rb[r], b_.where);
        }
    }
    spend(common, b_.where);
    return out;
}

}  // namespace vela::cg
