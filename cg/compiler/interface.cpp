// The interface pass: uniforms, varyings, results and the parameter tree, before the body.
#include <algorithm>
#include <set>

#include "interface.h"

namespace vela::cg {

void refuse(const ProfileDesc &profile, uint32_t offset, const std::string &what) {
    fail(offset, std::string("the ") + profile.name + " profile cannot " + what);
}

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

class InterfaceBuilder {
public:
    InterfaceBuilder(const Source &source, const Module &module, const ProfileDesc &profile, IrProgram &ir, Interface &out,
                     Diagnostics &diagnostics)
        : source_(source), module_(module), profile_(profile), ir_(ir), out_(out), diagnostics_(diagnostics) {}

    void run(std::string_view entryName) {
        findEntry(entryName);
        uniforms();
        for (const Var *p : out_.entry->params) {
            if (p->isUniform) continue;
            if (p->isOut) results(p->type, p->semantic, p->offset, p, std::string(p->name), "out parameter");
            if (p->isIn) out_.inputs.emplace_back(p, inputs(*p));
        }
        const Function &entry = *out_.entry;
        if (entry.result.kind != Type::Void)
            results(entry.result, entry.resultSemantic, entry.offset, nullptr, "", "result of the entry function");
        else if (entry.resultSemantic.kind != Semantic::None)
            fail(entry.resultSemantic.offset, "a void function has no result to give a semantic");
        auto required = [&](const OutputLeaf &o) { return o.semantic.kind == profile_.requiredOutput; };
        if (std::none_of(out_.outputs.begin(), out_.outputs.end(), required))
            fail(entry.offset, std::string("a ") + profile_.stageName + " program must write a " +
                                   profile_.requiredOutputName + " result");
        for (const Var *g : module_.globals)
            if (g->isUniform) describe(g);
        for (const Var *p : entry.params) describe(p);
    }

private:
    void findEntry(std::string_view entryName) {
        for (const Function &f : module_.functions) {
            if (f.name != entryName || !f.body || (!f.profile.empty() && f.profile != profile_.name)) continue;
            if (out_.entry)
                fail(f.offset, "the entry function " + quoted(f.name) + " is defined more than once (also at " +
                                   source_.where(out_.entry->offset) + ")");
            out_.entry = &f;
        }
        if (out_.entry) return;
        for (const Function &f : module_.functions)
            if (f.name == entryName && (f.profile.empty() || f.profile == profile_.name))
                fail(f.offset, "the entry function " + quoted(f.name) + " is declared but never defined");
        if (module_.functions.empty()) fail(module_.endOffset, "no entry function " + quoted(entryName) + " in the program");
        fail(module_.functions[0].offset,
             "no entry function " + quoted(entryName) + " (found " + quoted(module_.functions[0].name) + " instead)");
    }

    // Globals in the order of the text, then the entry's uniform parameters: their rows,
    // and a texture unit for each sampler (TEXUNITn first, then the lowest free one).
    void uniforms() {
        out_.uniformOf.assign(module_.vars.size(), -1);
        std::vector<const Var *> uniforms;
        for (const Var *g : module_.globals)
            if (g->isUniform) uniforms.push_back(g);
        for (const Var *p : out_.entry->params) {
            if (!p->isUniform) continue;
            if (p->semantic.kind != Semantic::None && p->semantic.kind != Semantic::TexUnit && p->semantic.kind != Semantic::Constant)
                fail(p->semantic.offset, "uniform " + quoted(p->name) + " cannot have the semantic " + semanticName(p->semantic));
            if (p->semantic.kind == Semantic::TexUnit && p->type.kind != Type::Sampler)
                fail(p->semantic.offset, semanticName(p->semantic) + " applies to samplers only");
            if (p->semantic.kind == Semantic::Constant && p->type.kind == Type::Sampler)
                fail(p->semantic.offset, "a constant register (" + semanticName(p->semantic) + ") binds uniforms that are no samplers");
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
            if (size_t(row) + size_t(info.rowCount) > limits::uniformRows)
                fail(u->offset, "the uniforms are too large together (more than " + std::to_string(limits::uniformRows) + " rows)");
            if (u->semantic.kind == Semantic::Constant) info.fixedSlot = u->semantic.index;
            out_.uniformOf[size_t(u->id)] = int(ir_.uniforms.size());
            Agg rows;
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
                        if (free == unitOwner.end()) refuse(profile_, u->offset, "sample more than " + std::to_string(units) + " textures");
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
            out_.uniformRows.push_back(std::move(rows));
        }
    }

    void addOutput(const Semantic &s, const Type &t, uint32_t offset, const Var *var, int r, const std::string &owner,
                   const std::string &member) {
        std::string name = member.empty() ? (owner.empty() ? "of " + quoted(out_.entry->name) : quoted(owner))
                                          : quoted(owner.empty() ? member : owner + "." + member);
        if (!profile_.isOutput(s))
            refuse(profile_, s.offset, "write a " + semanticName(s) + " result (its results: " + profile_.outputList + ")");
        // A float3 COLOR is written with alpha 1.
        bool color3 = s.kind == Semantic::Color && t.isVectorLike() && t.size() == 3;
        if ((s.kind == Semantic::Position || s.kind == Semantic::Color) && !(t.isVectorLike() && t.size() == 4) && !color3)
            fail(offset, "the " + std::string(s.kind == Semantic::Position ? "POSITION" : "COLOR") + " result " + name +
                             " must be float4, not " + typeName(t));
        if ((s.kind == Semantic::Depth || s.kind == Semantic::Fog || s.kind == Semantic::PSize) && t.kind != Type::Scalar)
            fail(offset, "the " + semanticName(s) + " result " + name + " must be float, not " + typeName(t));
        if (!t.isVectorLike()) fail(offset, "the result " + name + " must be a scalar or a vector, not " + typeName(t));
        for (const OutputLeaf &o : out_.outputs)
            if (o.semantic.sameRegister(s))
                fail(s.offset, "result semantic " + semanticName(s) + " is used twice (first at " +
                                   source_.where(o.semantic.offset) + ")");
        out_.outputs.push_back(OutputLeaf{s, var, r, owner, member});
    }

    // The results of a value of type t: a struct's members by their semantics.
    void results(const Type &t, const Semantic &s, uint32_t offset, const Var *var, const std::string &name, const char *what) {
        if (t.kind == Type::Struct) {
            if (s.kind != Semantic::None) fail(s.offset, "a struct " + std::string(what) + " takes its semantics from its members");
            int r = 0;
            for (const Member &m : t.decl->members) {
                if (m.semantic.kind == Semantic::None)
                    fail(m.offset, "member " + quoted(m.name) + " of struct " + quoted(t.decl->name) +
                                       " needs a semantic to be a result");
                addOutput(m.semantic, m.type, m.offset, var, r, name, std::string(m.name));
                r += rowCount(m.type);
            }
        } else if (s.kind == Semantic::None) {
            fail(offset, "the " + std::string(what) + " needs a semantic (for example ': " + profile_.requiredOutputName + "')");
        } else {
            addOutput(s, t, offset, var, 0, name, "");
        }
    }

    // The rows of one input: its register, or (without a semantic) rows that say why
    // they cannot be read.
    void input(Agg &rows, const Var &p, const Semantic &s, const Type &t, uint32_t offset, const std::string &name) {
        if (s.kind == Semantic::None) {
            std::string why = name.find('.') != std::string::npos
                                  ? "member " + quoted(name.substr(name.find('.') + 1)) + " of struct " + quoted(p.type.decl->name) +
                                        " needs a semantic to be a varying input"
                                  : "varying parameter " + quoted(name) + " needs a semantic (or 'uniform')";
            Val v;
            v.n = uint8_t(t.isVectorLike() ? t.size() : 4);
            for (int i = 0; i < v.n; ++i) v.c[i].ref = Ref{File::Input, uint32_t(out_.unbound.size())};
            out_.unbound.emplace_back(offset, why);
            for (int r = 0; r < rowCount(t); ++r) rows.push_back(v);
            return;
        }
        if (!t.isVectorLike()) fail(offset, "the varying input " + quoted(name) + " must be a scalar or a vector");
        if (!profile_.isInput(s))
            refuse(profile_, s.offset, "read a " + semanticName(s) + " input (its inputs: " + profile_.inputList + ")");
        rows.push_back(Builder::reg(Ref{File::Input, semanticRegister(s)}, t.size()));
    }

    Agg inputs(const Var &p) {
        Agg rows;
        if (p.type.kind == Type::Struct) {
            // A semantic on the struct is the base its members without one count on from.
            Semantic next = p.semantic;
            for (const Member &m : p.type.decl->members) {
                Semantic s = m.semantic;
                if (s.kind == Semantic::None && next.kind != Semantic::None) {
                    s = next;
                    s.offset = p.semantic.offset;
                }
                if (next.kind != Semantic::None) next.index = uint8_t(s.index + rowCount(m.type));
                input(rows, p, s, m.type, m.offset, std::string(p.name) + "." + std::string(m.name));
            }
        } else if (p.type.kind == Type::Sampler) {
            fail(p.offset, "sampler parameter " + quoted(p.name) + " of the entry function must be uniform");
        } else if (p.type.isVectorLike()) {
            input(rows, p, p.semantic, p.type, p.offset, std::string(p.name));
        } else {
            fail(p.offset, "parameter " + quoted(p.name) + " of type " + typeName(p.type) + " must be uniform");
        }
        return rows;
    }

    // ---- What the runtime shows of the parameters.
    void add(int parent, const std::string &name, const Type &t, const Var *v, const Semantic &s, int &row, const Agg *rows) {
        std::vector<ParameterInfo> &out = out_.parameters;
        ParameterInfo p;
        p.name = name;
        p.kind = kindOf(t);
        p.base = t.base;
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
            for (const Member &m : t.decl->members) add(index, name + "." + std::string(m.name), m.type, v, m.semantic, row, rows);
        } else if (t.kind == Type::Array) {
            for (int i = 0; i < t.array->length; ++i)
                add(index, name + "[" + std::to_string(i) + "]", t.array->element, v, {}, row, rows);
        } else {
            row += rowCount(t);
        }
    }

    void describe(const Var *v) {
        std::vector<ParameterInfo> &out = out_.parameters;
        int local = 0;
        int u = out_.uniformOf[size_t(v->id)];
        const Agg *rows = u >= 0 ? &out_.uniformRows[size_t(u)] : nullptr;
        size_t first = out.size();
        add(-1, std::string(v->name), v->type, v, v->semantic, local, rows);
        if (u < 0) return;
        // Rows within the variable -> rows of all uniforms.
        for (size_t i = first; i < out.size(); ++i)
            if (out[i].row >= 0) out[i].row += ir_.uniforms[size_t(u)].firstRow;
        if (v->init) out_.defaults.emplace_back(first, v);
    }

    const Source &source_;
    const Module &module_;
    const ProfileDesc &profile_;
    IrProgram &ir_;
    Interface &out_;
    Diagnostics &diagnostics_;  // for warnings
};

}  // namespace

void buildInterface(const Source &source, const Module &module, std::string_view entryName, const ProfileDesc &profile,
                    IrProgram &ir, Interface &out, Diagnostics &diagnostics) {
    ir.profile = &profile;
    InterfaceBuilder(source, module, profile, ir, out, diagnostics).run(entryName);
}

namespace {

// llvmpipe fetches every uniform component a program reads, for each group of pixels or
// vertices, except the one at offset 0. In a fragment program the slot whose first component
// the program reads last goes first: that fetch is the one nothing comes after to hide it (a
// rim colour after its pow, read in the last instruction). In a vertex program the slot read
// first does, as it would unpacked, where a matrix's first row is read first (diffuse per
// vertex, packed: 0.95-1.00 of GLSL's time with its light direction first, 0.85-0.88 with
// the matrix, as unpacked). Slots move whole, so this is for packed programs without
// registers bound or arrays read with a computed index.
void putSlotFirst(IrProgram &ir) {
    const bool lastRead = ir.profile->stage == Stage::Fragment;
    std::vector<int> firstRead(ir.rowVar.size(), -1);  // by row: the first instruction to read its component 0
    for (size_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        int lanes = i.dead ? 0 : isScalarOp(i.op) ? 1 : operandLanes(i.op, i.n);
        for (int s = 0; s < i.nsrc && lanes; ++s) {
            const Operand &o = i.src[s];
            if (o.ref.file != File::Uniform || o.addr) continue;
            for (int l = 0; l < lanes; ++l)
                if ((o.swz[l] & 3) == 0 && firstRead[o.ref.index] < 0) firstRead[o.ref.index] = int(at);
        }
    }
    struct Unit {
        int start, count, read;
    };
    std::vector<Unit> units;
    for (const UniformVar &u : ir.uniforms) {
        if (u.fixedSlot >= 0) return;  // read or not, its register stays its own
        if (u.firstSlot < 0) continue;
        if (u.relative) return;
        if (std::none_of(units.begin(), units.end(), [&](const Unit &x) { return x.start == u.firstSlot; }))
            units.push_back({u.firstSlot, u.component >= 0 ? 1 : u.rowCount, -1});
        if (u.component <= 0)
            for (Unit &x : units)
                if (x.start == u.firstSlot) x.read = firstRead[size_t(u.firstRow)];
    }
    std::sort(units.begin(), units.end(), [](const Unit &a, const Unit &b) { return a.start < b.start; });
    if (units.empty()) return;
    // A slot whose component 0 nobody reads has nothing to gain there.
    auto earlier = [&](const Unit &a, const Unit &b) {
        return lastRead || (a.read >= 0 && b.read >= 0) ? a.read < b.read : a.read >= 0;
    };
    auto first = lastRead ? std::max_element(units.begin(), units.end(), earlier)
                          : std::min_element(units.begin(), units.end(), earlier);
    if (first == units.begin() || first->read == units.front().read) return;
    std::rotate(units.begin(), first, first + 1);
    std::vector<int> moved(size_t(ir.localSlots), 0);  // by old slot: the new one
    int slot = 0;
    for (const Unit &x : units)
        for (int r = 0; r < x.count; ++r) moved[size_t(x.start + r)] = slot++;
    for (UniformVar &u : ir.uniforms)
        if (u.firstSlot >= 0) u.firstSlot = moved[size_t(u.firstSlot)];
}

}  // namespace

void assignSlots(IrProgram &ir, std::vector<ParameterInfo> &parameters, bool pack) {
    std::vector<bool> used(ir.uniforms.size(), false);
    std::set<int> units;
    for (const Instr &i : ir.code) {
        if (i.dead) continue;
        for (int s = 0; s < i.nsrc; ++s)
            if (i.src[s].ref.file == File::Uniform) used[size_t(ir.rowVar[i.src[s].ref.index])] = true;
        if (isTexture(i.op)) units.insert(i.unit);
    }
    // Bound uniforms at their registers (kept free even when unread), the others in
    // declaration order around them.
    std::vector<bool> taken;
    auto free = [&](int from, int count) {
        for (int s = from; s < from + count; ++s)
            if (size_t(s) < taken.size() && taken[size_t(s)]) return false;
        return true;
    };
    auto take = [&](int from, int count) {
        if (taken.size() < size_t(from + count)) taken.resize(size_t(from + count), false);
        for (int s = from; s < from + count; ++s) taken[size_t(s)] = true;
    };
    for (size_t i = 0; i < ir.uniforms.size(); ++i) {
        UniformVar &u = ir.uniforms[i];
        if (u.fixedSlot < 0 || u.rowCount == 0) continue;
        if (!free(u.fixedSlot, u.rowCount))
            fail(0, "uniform " + quoted(u.name) + " at c" + std::to_string(u.fixedSlot) + " overlaps another bound uniform");
        if (used[i]) u.firstSlot = u.fixedSlot;
        take(u.fixedSlot, u.rowCount);
    }
    // Packed: the widest first, each in the first slot with room, components in order. Only
    // in a fragment program: llvmpipe loads just the components a program reads, so a vertex
    // program fetches no fewer for sharing, and a slot shared by values read far apart cost
    // one 10% (a light's position at the top, the shininess in the last POW).
    std::vector<int> width(ir.uniforms.size(), 0);
    if (pack && ir.profile->stage == Stage::Fragment)
        for (const ParameterInfo &p : parameters) {
            if (!p.uniform || p.parent >= 0 || p.row < 0 || (p.kind != ParameterInfo::Scalar && p.kind != ParameterInfo::Vector))
                continue;
            size_t u = size_t(ir.rowVar[size_t(p.row)]);
            const UniformVar &var = ir.uniforms[u];
            if (used[u] && var.rowCount == 1 && var.fixedSlot < 0 && !var.relative && p.cols < 4) width[u] = p.cols;
        }
    // A GL loads a slot where its first component is read, so values first read on either side
    // of a texture lookup share no slot: the later one would be live across the sampler's code
    // (an edge filter's texel step and its threshold: 3% on llvmpipe).
    std::vector<int> phase(ir.uniforms.size(), -1);  // texture lookups before a uniform's first read
    if (pack) {
        int lookups = 0;
        for (const Instr &i : ir.code) {
            if (i.dead) continue;
            for (int s = 0; s < i.nsrc; ++s)
                if (i.src[s].ref.file == File::Uniform && phase[size_t(ir.rowVar[i.src[s].ref.index])] < 0)
                    phase[size_t(ir.rowVar[i.src[s].ref.index])] = lookups;
            lookups += isTexture(i.op);
        }
    }
    struct Room {
        int slot, taken, phase;
    };
    std::vector<Room> room;  // packed slots
    for (int w = 3; w >= 1; --w)
        for (size_t u = 0; u < ir.uniforms.size(); ++u) {
            if (width[u] != w) continue;
            auto fits = std::find_if(room.begin(), room.end(),
                                     [&](const Room &r) { return r.taken + w <= 4 && r.phase == phase[u]; });
            if (fits == room.end()) {
                int s = 0;
                while (!free(s, 1)) ++s;
                take(s, 1);
                room.push_back({s, 0, phase[u]});
                fits = room.end() - 1;
            }
            ir.uniforms[u].firstSlot = fits->slot;
            ir.uniforms[u].component = fits->taken;
            fits->taken += w;
        }
    int slot = 0;
    for (size_t u = 0; u < ir.uniforms.size(); ++u) {
        if (!used[u] || ir.uniforms[u].fixedSlot >= 0 || width[u]) continue;
        while (!free(slot, ir.uniforms[u].rowCount)) ++slot;
        ir.uniforms[u].firstSlot = slot;
        take(slot, ir.uniforms[u].rowCount);
        slot += ir.uniforms[u].rowCount;
    }
    ir.localSlots = int(taken.size());
    if (pack) putSlotFirst(ir);

    for (ParameterInfo &p : parameters) {
        if (!p.uniform) {
            p.referenced = true;
            continue;
        }
        if (p.kind == ParameterInfo::Sampler) {
            p.referenced = units.count(p.textureUnit) > 0;
            p.firstSlot = -1;
            if (p.sampler == SamplerKind::Any) {
                p.sampler = SamplerKind::S2D;
                for (const Instr &i : ir.code)
                    if (!i.dead && isTexture(i.op) && i.unit == p.textureUnit) p.sampler = SamplerKind(i.target % shadowTarget);
            }
            continue;
        }
        if (p.row < 0 || p.slotCount == 0) continue;
        int row = p.row;
        const UniformVar &u = ir.uniforms[size_t(ir.rowVar[size_t(row)])];
        p.referenced = u.firstSlot >= 0;
        p.firstSlot = p.referenced ? u.firstSlot + (row - u.firstRow) : -1;
        p.firstComponent = p.referenced ? std::max(u.component, 0) : 0;
        p.packed = p.referenced && u.component >= 0;
        // Read by the runtime's derived steps only: referenced, without a slot.
        for (int r = row; r < row + p.slotCount && !p.referenced; ++r) p.referenced = ir.runtimeRows.count(r) > 0;
    }
    // A struct or array holding a sampler: referenced when one of its parts is.
    for (size_t i = parameters.size(); i-- > 0;)
        for (int child : parameters[i].children)
            parameters[i].referenced = parameters[i].referenced || parameters[size_t(child)].referenced;
}

}  // namespace vela::cg
