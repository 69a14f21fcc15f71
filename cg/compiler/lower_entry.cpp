// Lowering: the entry function. Lays out the uniforms (program.local rows and texture
// units), binds the varying inputs to the profile's registers, runs the body and writes
// the results; describes every parameter for the runtime.
#include <algorithm>

#include "lower.h"

namespace vela::cg {
namespace {

ParameterInfo::Kind kindOf(const Type &t) {
    switch (t.kind) {
    case Type::Vector: return ParameterInfo::Vector;
    case Type::Matrix: return ParameterInfo::Matrix;
    case Type::Sampler: return ParameterInfo::Sampler;
    case Type::Struct: return ParameterInfo::Struct;
    case Type::Array: return ParameterInfo::Array;
    default: return ParameterInfo::Scalar;
    }
}

struct OutputLeaf {
    Semantic semantic;
    size_t slot;
    int row;
    std::string owner, member;  // an out parameter's name ("" for the result) and the struct member
};

}  // namespace

void Lowering::run(std::string_view entryName, std::vector<ParameterInfo> &parameters) {
    ir_.profile = &profile_;
    for (const Function &f : module_.functions) {
        if (f.name != entryName || !f.body) continue;
        if (entry_)
            fail(f.offset, "the entry function " + quoted(f.name) + " is defined more than once (also at " +
                               source_.where(entry_->offset) + ")");
        entry_ = &f;
    }
    if (!entry_) {
        if (module_.functions.empty())
            fail(module_.endOffset, "no entry function " + quoted(entryName) + " in the program");
        fail(module_.functions[0].offset, "no entry function " + quoted(entryName) + " (found " +
                                              quoted(module_.functions[0].name) + " instead)");
    }
    const Function &entry = *entry_;
    st_.vars.resize(module_.vars.size());
    uniformOf_.assign(module_.vars.size(), -1);

    // ---- Uniforms: globals in the order of the text, then the entry's uniform parameters.
    std::vector<const Var *> uniforms;
    for (const Var *g : module_.globals)
        if (g->isUniform) uniforms.push_back(g);
    for (const Var *p : entry.params) {
        if (!p->isUniform) continue;
        if (p->semantic.kind != Semantic::None && p->semantic.kind != Semantic::TexUnit)
            fail(p->semantic.offset, "uniform " + quoted(p->name) + " cannot have the semantic " + semanticName(p->semantic));
        if (p->semantic.kind == Semantic::TexUnit && p->type.kind != Type::Sampler)
            fail(p->semantic.offset, semanticName(p->semantic) + " applies to samplers only");
        uniforms.push_back(p);
    }
    constexpr int units = 16;
    std::vector<const Var *> unitOwner(units, nullptr);
    for (const Var *u : uniforms) {
        if (u->semantic.kind != Semantic::TexUnit) continue;
        if (const Var *owner = unitOwner[u->semantic.index])
            fail(u->semantic.offset, "texture unit " + std::to_string(u->semantic.index) + " is already taken by " +
                                         quoted(owner->name));
        unitOwner[u->semantic.index] = u;
    }
    int row = 0;
    for (const Var *u : uniforms) {
        UniformVar info;
        info.name = std::string(u->name);
        info.firstRow = row;
        info.rowCount = rowCount(u->type);
        uniformOf_[size_t(u->id)] = int(ir_.uniforms.size());
        Agg rows;
        // Rows in order; a sampler row takes a texture unit instead of a slot.
        std::vector<const Type *> todo{&u->type};
        std::vector<const Type *> leaves;
        while (!todo.empty()) {
            const Type *t = todo.back();
            todo.pop_back();
            if (t->kind == Type::Struct) {
                for (auto m = t->decl->members.rbegin(); m != t->decl->members.rend(); ++m) todo.push_back(&m->type);
            } else if (t->kind == Type::Array) {
                for (int i = 0; i < t->array->length; ++i) todo.push_back(&t->array->element);
            } else {
                leaves.push_back(t);
            }
        }
        for (const Type *t : leaves) {
            int count = t->kind == Type::Matrix ? t->rows : 1;
            for (int r = 0; r < count; ++r, ++row) {
                ir_.rowVar.push_back(int(ir_.uniforms.size()));
                if (t->kind != Type::Sampler) {
                    rows.push_back(Builder::reg(Ref{File::Uniform, uint32_t(row)}, t->kind == Type::Matrix ? t->cols : t->size()));
                    continue;
                }
                int unit = u->semantic.kind == Semantic::TexUnit ? u->semantic.index : -1;
                if (unit < 0) {
                    auto free = std::find(unitOwner.begin(), unitOwner.end(), nullptr);
                    if (free == unitOwner.end()) refuse(u->offset, "sample more than " + std::to_string(units) + " textures");
                    *free = u;
                    unit = int(free - unitOwner.begin());
                }
                Val s;
                s.n = 1;
                s.c[0].kind = Comp::Sampler;
                s.c[0].ref.index = uint32_t(unit);
                rows.push_back(s);
            }
        }
        ir_.uniforms.push_back(info);
        uniformRows_.push_back(rows);
        st_.vars[size_t(u->id)] = std::move(rows);
    }

    // ---- Static and constant globals, in order.
    Frame top;
    top.alive = top.aliveIteration = Builder::constant(1);
    top.function = &entry;
    frames_.push_back(top);
    for (const Var *g : module_.globals) {
        b_.where = g->offset;
        if (!g->isUniform) st_.vars[size_t(g->id)] = g->init ? aggregate(g->init) : zero(g->type, Comp::Const);
    }

    // ---- Varying inputs and results.
    std::vector<OutputLeaf> outputs;
    auto addOutput = [&](const Semantic &s, const Type &t, uint32_t offset, size_t slot, int r, const std::string &owner,
                         const std::string &member) {
        std::string name = member.empty() ? (owner.empty() ? "of " + quoted(entry.name) : quoted(owner))
                                          : quoted(owner.empty() ? member : owner + "." + member);
        if (!profile_.isOutput(s))
            refuse(s.offset, "write a " + semanticName(s) + " result (its results: " + profile_.outputList + ")");
        if ((s.kind == Semantic::Position || s.kind == Semantic::Color) && !(t.isVectorLike() && t.size() == 4))
            fail(offset, "the " + std::string(s.kind == Semantic::Position ? "POSITION" : "COLOR") + " result " + name +
                             " must be float4, not " + typeName(t));
        if ((s.kind == Semantic::Depth || s.kind == Semantic::Fog || s.kind == Semantic::PSize) && t.kind != Type::Scalar)
            fail(offset, "the " + semanticName(s) + " result " + name + " must be float, not " + typeName(t));
        if (!t.isVectorLike()) fail(offset, "the result " + name + " must be a scalar or a vector, not " + typeName(t));
        for (const OutputLeaf &o : outputs)
            if (o.semantic.sameRegister(s))
                fail(s.offset, "result semantic " + semanticName(s) + " is used twice (first at " +
                                   source_.where(o.semantic.offset) + ")");
        outputs.push_back(OutputLeaf{s, slot, r, owner, member});
    };
    // The results of a value of type t in `slot`: a struct's members by their semantics.
    auto results = [&](const Type &t, const Semantic &s, uint32_t offset, size_t slot, const std::string &name,
                       const char *what) {
        if (t.kind == Type::Struct) {
            if (s.kind != Semantic::None) fail(s.offset, "a struct " + std::string(what) + " takes its semantics from its members");
            int r = 0;
            for (const Member &m : t.decl->members) {
                if (m.semantic.kind == Semantic::None)
                    fail(m.offset, "member " + quoted(m.name) + " of struct " + quoted(t.decl->name) +
                                       " needs a semantic to be a result");
                addOutput(m.semantic, m.type, m.offset, slot, r, name, std::string(m.name));
                r += rowCount(m.type);
            }
        } else if (s.kind == Semantic::None) {
            fail(offset, "the " + std::string(what) + " needs a semantic (for example ': " +
                             profile_.requiredOutputName + "')");
        } else {
            addOutput(s, t, offset, slot, 0, name, "");
        }
    };
    for (const Var *p : entry.params) {
        if (p->isUniform) continue;
        if (p->isOut) results(p->type, p->semantic, p->offset, size_t(p->id), std::string(p->name), "out parameter");
        if (!p->isIn) {
            st_.vars[size_t(p->id)] = zero(p->type, Comp::Undef);
            continue;
        }
        auto input = [&](const Semantic &s, const Type &t, uint32_t offset, const std::string &name) -> Val {
            if (s.kind == Semantic::None) {
                if (name.find('.') != std::string::npos)
                    fail(offset, "member " + quoted(name.substr(name.find('.') + 1)) + " of struct " +
                                     quoted(p->type.decl->name) + " needs a semantic to be a varying input");
                fail(offset, "varying parameter " + quoted(name) + " needs a semantic (or 'uniform')");
            }
            if (!t.isVectorLike()) fail(offset, "the varying input " + quoted(name) + " must be a scalar or a vector");
            if (!profile_.isInput(s))
                refuse(s.offset, "read a " + semanticName(s) + " input (its inputs: " + profile_.inputList + ")");
            return Builder::reg(Ref{File::Input, semanticRegister(s)}, t.size());
        };
        Agg rows;
        if (p->type.kind == Type::Struct) {
            if (p->semantic.kind != Semantic::None)
                fail(p->semantic.offset, "struct parameter " + quoted(p->name) + " takes its semantics from its members");
            for (const Member &m : p->type.decl->members)
                rows.push_back(input(m.semantic, m.type, m.offset, std::string(p->name) + "." + std::string(m.name)));
        } else if (p->type.kind == Type::Sampler) {
            fail(p->offset, "sampler parameter " + quoted(p->name) + " of the entry function must be uniform");
        } else if (p->type.isVectorLike()) {
            rows.push_back(input(p->semantic, p->type, p->offset, std::string(p->name)));
        } else {
            fail(p->offset, "parameter " + quoted(p->name) + " of type " + typeName(p->type) + " must be uniform");
        }
        st_.vars[size_t(p->id)] = std::move(rows);
    }
    Frame &frame = frames_.back();
    frame.resultSlot = newSlot();
    if (entry.result.kind != Type::Void) {
        results(entry.result, entry.resultSemantic, entry.offset, frame.resultSlot, "", "result of the entry function");
        st_.vars[frame.resultSlot] = zero(entry.result, Comp::Undef);
    } else if (entry.resultSemantic.kind != Semantic::None) {
        fail(entry.resultSemantic.offset, "a void function has no result to give a semantic");
    }
    Semantic::Kind required = profile_.requiredOutput;
    if (std::none_of(outputs.begin(), outputs.end(), [&](const OutputLeaf &o) { return o.semantic.kind == required; }))
        fail(entry.offset, std::string("a ") + profile_.stageName + " program must write a " + profile_.requiredOutputName +
                               " result");

    // ---- The body.
    lastReturn_ = entry.body->endOffset;
    statements(entry.body->body);
    Frame last = std::move(frames_.back());
    frames_.pop_back();
    finish(last);
    if (!st_.dead) {
        for (const OutputLeaf &o : outputs) {
            Val v = st_.vars[o.slot][size_t(o.row)];
            if (v.hasUndef()) {
                std::string missing;
                for (int i = 0; i < v.n; ++i)
                    if (v.c[i].kind == Comp::Undef) missing += "xyzw"[i];
                std::string owner = o.owner.empty() ? returnedName_ : o.owner;
                std::string name = o.member.empty() ? owner : owner.empty() ? o.member : owner + "." + o.member;
                if (int(missing.size()) < v.n && !name.empty()) name += "." + missing;
                fail(lastReturn_, (name.empty() ? "the result of " + quoted(entry.name) : quoted(name)) +
                                      " is used before it is set");
            }
            b_.where = lastReturn_;
            b_.output(semanticRegister(o.semantic), v);
        }
    }

    // ---- What the runtime shows of the parameters.
    struct Walk {
        std::vector<ParameterInfo> &out;
        const Lowering &l;
        void add(int parent, const std::string &name, const Type &t, const Var *v, const Semantic &s, int &row,
                 const Agg *rows) {
            ParameterInfo p;
            p.name = name;
            p.kind = kindOf(t);
            const Type *leaf = &t;
            p.base = leaf->base;
            p.rows = t.kind == Type::Matrix ? t.rows : 1;
            p.cols = t.kind == Type::Matrix ? t.cols : uint8_t(t.size());
            p.sampler = t.kind == Type::Sampler ? SamplerKind(t.cols) : SamplerKind::S1D;
            p.length = t.kind == Type::Array ? t.array->length : 0;
            p.typeName = typeName(t);
            p.direction = v->isUniform || !v->isOut ? ParameterInfo::In : v->isIn ? ParameterInfo::InOut : ParameterInfo::Out;
            p.uniform = v->isUniform;
            p.global = v->storage == Storage::Global;
            p.parent = parent;
            if (s.kind != Semantic::None) {
                p.semantic = semanticName(s);
                p.reg = s;
            }
            if (v->isUniform) {
                p.row = row;
                p.slotCount = rowCount(t);
                if (t.kind == Type::Sampler && rows && size_t(row) < rows->size()) {
                    p.textureUnit = int((*rows)[size_t(row)].c[0].ref.index);
                    p.slotCount = 0;
                }
            }
            out.push_back(p);
            int index = int(out.size() - 1);
            if (parent >= 0) out[size_t(parent)].children.push_back(index);
            if (t.kind == Type::Struct) {
                for (const Member &m : t.decl->members)
                    add(index, name + "." + std::string(m.name), m.type, v, m.semantic, row, rows);
            } else if (t.kind == Type::Array) {
                for (int i = 0; i < t.array->length; ++i)
                    add(index, name + "[" + std::to_string(i) + "]", t.array->element, v, {}, row, rows);
            } else {
                row += rowCount(t);
            }
        }
    };
    Walk walk{parameters, *this};
    auto describeVar = [&](const Var *v) {
        int local = 0;
        int u = uniformOf_[size_t(v->id)];
        const Agg *rows = u >= 0 ? &uniformRows_[size_t(u)] : nullptr;
        size_t first = parameters.size();
        walk.add(-1, std::string(v->name), v->type, v, v->semantic, local, rows);
        if (u < 0) return;
        // Rows within the variable -> rows of all uniforms.
        for (size_t i = first; i < parameters.size(); ++i)
            if (parameters[i].row >= 0) parameters[i].row += ir_.uniforms[size_t(u)].firstRow;
        if (v->init) {
            // A uniform's initial value: the rows of a constant.
            b_.where = v->init->offset;
            Agg init = const_cast<Lowering *>(this)->aggregate(v->init);
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
    };
    for (const Var *g : module_.globals)
        if (g->isUniform) describeVar(g);
    for (const Var *p : entry.params) describeVar(p);
}

void lower(const Source &source, const Module &module, std::string_view entry, const ProfileDesc &profile, IrProgram &ir,
           std::vector<ParameterInfo> &parameters) {
    Lowering(source, module, profile, ir).run(entry, parameters);
}

}  // namespace vela::cg
