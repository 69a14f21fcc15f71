// Lowering: the entry function. Binds the interface's uniforms and inputs, gives the
// static globals their values, runs the body and writes the results.
#include "interface.h"
#include "lower.h"

namespace vela::cg {

void Lowering::run(const Interface &in, std::vector<ParameterInfo> &parameters) {
    entry_ = in.entry;
    const Function &entry = *entry_;
    st_.vars.resize(module_.vars.size());
    uniformOf_ = in.uniformOf;
    unbound_ = &in.unbound;
    uniformRows_ = in.uniformRows;
    for (size_t id = 0; id < uniformOf_.size(); ++id)
        if (uniformOf_[id] >= 0) st_.vars[id] = uniformRows_[size_t(uniformOf_[id])];

    // ---- Static and constant globals, in order.
    Frame top;
    top.alive = top.aliveIteration = Builder::constant(1);
    top.function = &entry;
    frames_.push_back(top);
    for (const Var *g : module_.globals) {
        b_.where = g->offset;
        if (!g->isUniform) st_.vars[size_t(g->id)] = g->init ? aggregate(g->init) : zero(g->type, Comp::Const);
    }

    // ---- Varying inputs; results start undefined.
    for (const Var *p : entry.params)
        if (!p->isUniform && !p->isIn) st_.vars[size_t(p->id)] = zero(p->type, Comp::Undef);
    for (const auto &[p, rows] : in.inputs) st_.vars[size_t(p->id)] = rows;
    Frame &frame = frames_.back();
    frame.resultSlot = newSlot();
    if (entry.result.kind != Type::Void) st_.vars[frame.resultSlot] = zero(entry.result, Comp::Undef);

    // ---- The body.
    lastReturn_ = entry.body->endOffset;
    statements(entry.body->body);
    Frame last = std::move(frames_.back());
    frames_.pop_back();
    finish(last);
    if (!st_.dead) {
        for (const OutputLeaf &o : in.outputs) {
            size_t slot = o.var ? size_t(o.var->id) : last.resultSlot;
            Val v = st_.vars[slot][size_t(o.row)];
            if (v.hasUndef()) {
                // Left unwritten (or its missing components 0), as the language allows.
                std::string missing;
                for (int i = 0; i < v.n; ++i)
                    if (v.c[i].kind == Comp::Undef) missing += "xyzw"[i];
                std::string owner = o.owner.empty() ? returnedName_ : o.owner;
                std::string name = o.member.empty() ? owner : owner.empty() ? o.member : owner + "." + o.member;
                bool none = int(missing.size()) == v.n;
                if (!none && !name.empty()) name += "." + missing;
                std::string what = name.empty() ? "the result of " + quoted(entry.name) : quoted(name);
                diagnostics_.warn(lastReturn_, what + (none ? " is never written: the " + semanticName(o.semantic) +
                                                                   " result is left unwritten"
                                                            : " is not written: those components of " +
                                                                  semanticName(o.semantic) + " are 0"));
                if (none) continue;
                for (int i = 0; i < v.n; ++i)
                    if (v.c[i].kind == Comp::Undef) v.c[i] = Comp::constant(0);
            }
            if (o.semantic.kind == Semantic::Color && v.n == 3) {
                v.n = 4;
                v.c[3] = Comp::constant(1);
            }
            b_.where = lastReturn_;
            b_.output(semanticRegister(o.semantic), v);
        }
    }

    // ---- A uniform's initial value: the rows of a constant.
    parameters = in.parameters;
    for (const auto &[first, v] : in.defaults) {
        b_.where = v->init->offset;
        Agg init = aggregate(v->init);
        std::vector<float> values;
        for (const Val &r : init) {
            for (int c = 0; c < 4; ++c) {
                const Comp &x = r.c[c < r.n ? c : 0];
                if (c < r.n && x.kind != Comp::Const)
                    fail(v->init->offset, "the initial value of uniform " + quoted(v->name) + " must be a constant");
                values.push_back(c < r.n ? x.k : 0);
            }
        }
        parameters[first].defaults = std::move(values);
    }
}

void lower(const Source &source, const Module &module, std::string_view entry, const ProfileDesc &profile, IrProgram &ir,
           std::vector<ParameterInfo> &parameters, Diagnostics &diagnostics) {
    Interface in;
    buildInterface(source, module, entry, profile, ir, in, diagnostics);
    Lowering(source, module, profile, ir, diagnostics).run(in, parameters);
}

}  // namespace vela::cg
