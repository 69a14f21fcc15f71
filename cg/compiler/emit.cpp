// Emitter: the allocated instructions as ARB_vertex_program / ARB_fragment_program text.
// Constants are packed into as few PARAM vectors as their swizzles allow (an operand reads
// its constants through one swizzle of one vector); a gather becomes one MOV per source,
// or a single SWZ where the other components are 0 or 1.
#include <algorithm>
#include <charconv>
#include <set>

#include "ir.h"

namespace vela::cg {
namespace {

const char letters[] = "xyzw";

// " + 2" or " - 1" after A0.x in a relative address, nothing for 0.
std::string relativeOffset(int32_t rel) {
    if (rel == 0) return "";
    return (rel < 0 ? " - " : " + ") + std::to_string(rel < 0 ? -int64_t(rel) : int64_t(rel));
}

// Plain decimal notation with the fewest digits that read back as the same float: the
// assembly grammar has no use for exponents.
std::string formatFloat(float value) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    return std::string(buf, end);
}

std::string maskSuffix(uint8_t mask) {
    if (mask == 0xF) return {};
    std::string out = ".";
    for (int c = 0; c < 4; ++c)
        if (mask & (1u << c)) out += letters[c];
    return out;
}

std::string swizzleSuffix(const uint8_t *s, bool scalar) {
    if (scalar || (s[0] == s[1] && s[1] == s[2] && s[2] == s[3])) return {'.', letters[s[0]]};
    if (s[0] == 0 && s[1] == 1 && s[2] == 2 && s[3] == 3) return {};
    return {'.', letters[s[0]], letters[s[1]], letters[s[2]], letters[s[3]]};
}

int lowestSlot(uint8_t mask) {
    for (int s = 0; s < 4; ++s)
        if (mask & (1u << s)) return s;
    return 0;
}

int outputSlot(uint32_t reg, int lane) { return registerSemantic(reg).kind == Semantic::Depth ? 2 : lane; }

std::string inputName(const ProfileDesc &p, const Semantic &s) {
    std::string n = std::to_string(s.index);
    std::string stage = p.stageName;
    switch (s.kind) {
    case Semantic::Position: return "vertex.position";
    case Semantic::Normal: return "vertex.normal";
    case Semantic::Color: return stage + (s.index ? ".color.secondary" : ".color");
    case Semantic::TexCoord: return stage + ".texcoord[" + n + "]";
    case Semantic::Fog: return stage + ".fogcoord";
    // NOTE: vertex.weight needs ARB_vertex_blend; the weight is generic attribute 1.
    case Semantic::BlendWeight: return "vertex.attrib[1]";
    case Semantic::Attr: return "vertex.attrib[" + n + "]";
    case Semantic::Wpos: return "fragment.position";
    default: return "?";
    }
}

std::string outputName(const ProfileDesc &p, const Semantic &s) {
    switch (s.kind) {
    case Semantic::Position: return "result.position";
    case Semantic::Color:
        if (p.drawBuffers && s.index) return "result.color[" + std::to_string(s.index) + "]";
        return s.index ? "result.color.secondary" : "result.color";
    case Semantic::TexCoord: return "result.texcoord[" + std::to_string(s.index) + "]";
    case Semantic::Fog: return "result.fogcoord";
    case Semantic::PSize: return "result.pointsize";
    case Semantic::Depth: return "result.depth";
    default: return "?";
    }
}

// A letter and a number, appended rather than prefixed: GCC 12 misreports "R" + string
// (-Wrestrict) once inlined.
std::string numbered(char letter, size_t index) {
    std::string name(1, letter);
    name += std::to_string(index);
    return name;
}

class ArbEmitter {
public:
    ArbEmitter(const IrProgram &ir, const Allocation &a, ProgramStats &stats) : ir_(ir), a_(a), stats_(stats) {}

    std::string run() {
        collectReads();
        collecting_ = true;
        for (size_t at = 0; at < ir_.code.size(); ++at) instruction(at);
        packConstants();
        collecting_ = false;
        startBody();
        for (size_t at = 0; at < ir_.code.size(); ++at) instruction(at);
        ConstantPrologue prologue;
        bool wanted = constantsInTemporaries();
        if (wanted && !buildPrologue(prologue)) {
            stats_.constantsOutOfRoom = true;
        } else if (wanted) {
            // Again, with the constants in temporaries of their own that instructions fill.
            startBody();
            for (const std::string &text : prologue.lines) {
                line(text);
                if (ir_.profile->countsAluAndTex) ++stats_.aluInstructions;
                ++stats_.constantInstructions;
            }
            for (size_t at = 0; at < ir_.code.size(); ++at) instruction(at);
        }
        std::string out = std::string(ir_.profile->header) + "\n";
        if (ir_.profile->drawBuffers) out += "OPTION ARB_draw_buffers;\n";
        for (const Instr &i : ir_.code)
            if (!i.dead && isTexture(i.op) && i.target >= shadowTarget) {
                out += "OPTION ARB_fragment_program_shadow;\n";
                break;
            }
        out += declarations();
        out += body_;
        out += "END\n";
        stats_.temporaries = a_.temporaries + extraTemps_;
        stats_.attributes = int(inputs_.size());
        return out;
    }

private:
    // ---- Uniforms and constants ----------------------------------------------------------

    // Whether a program's constants come from instructions into temporaries of their own
    // (build_constants.cpp) rather than from literal PARAMs, and not where a texture lookup
    // or KIL reads a constant:
    // - all 0 and +-1, from one SWZ: the GL's compiler folds the swizzle's 0 and 1 as
    //   immediates where it loads a PARAM like a parameter, per pixel or vertex, and then
    //   folds the arithmetic on them too, negations included;
    // - any that come out exactly, where the program reads uniforms: the GL lays literal
    //   PARAMs out ahead of the uniforms, and llvmpipe loads the parameter at the very start
    //   of that buffer once per group of pixels but any other lane by lane; with no literal
    //   PARAM the first uniform is that one. The text is longer, the work per pixel no more.
    bool constantsInTemporaries() const {
        if (pool_.empty() || !tablesUsed_.empty() || readRegister().empty()) return false;
        bool readsUniform = false;
        for (const Instr &i : ir_.code)
            if (!i.dead)
                for (int s = 0; s < i.nsrc; ++s) {
                    readsUniform = readsUniform || i.src[s].ref.file == File::Uniform;
                    if ((isTexture(i.op) || i.op == Op::Kil) && i.src[s].isConst()) return false;
                }
        if (readsUniform) return true;
        if (pool_.size() != 1) return false;
        for (int c = 0; c < pool_[0].used; ++c)
            if (pool_[0].k[c] != 0 && pool_[0].k[c] != 1 && pool_[0].k[c] != -1) return false;
        return true;
    }

    // The instructions that fill the constants' temporaries, if the program stays within the
    // least every implementation offers with them (a fragment program 16 temporaries and 72
    // instructions, 48 of them ALU; a vertex program 12 and 128); sets where the constants
    // live.
    bool buildPrologue(ConstantPrologue &prologue) {
        int pool = int(pool_.size()), before = a_.temporaries;
        std::vector<std::array<float, 4>> vectors;
        std::vector<int> used;
        std::vector<std::string> registers, scratch;
        for (int v = 0; v < pool; ++v) {
            vectors.push_back({pool_[size_t(v)].k[0], pool_[size_t(v)].k[1], pool_[size_t(v)].k[2], pool_[size_t(v)].k[3]});
            used.push_back(pool_[size_t(v)].used);
            registers.push_back(numbered('R', size_t(before + v)));
        }
        const bool vertex = ir_.profile->stage == Stage::Vertex;
        const int temporaries = vertex ? 12 : 16;
        // No temporary of the program holds anything yet where the constants are made.
        for (int r = 0; r < temporaries; ++r)
            if (r < before || r >= before + pool) scratch.push_back(numbered('R', size_t(r)));
        int room = (vertex ? 128 : 72) - stats_.instructions;
        if (ir_.profile->countsAluAndTex) room = std::min(room, 48 - stats_.aluInstructions);
        if (!buildConstants(vectors, used, registers, scratch, readRegister(), room, prologue)) return false;
        int extra = pool + std::max(0, (prologue.scratchUsed + 3) / 4 - before);
        if (before + extra > temporaries) return false;
        constantTemp_ = before;
        extraTemps_ = extra;
        return true;
    }

    std::string constantName(int vector) const {
        return constantTemp_ >= 0 ? numbered('R', size_t(constantTemp_ + vector)) : numbered('c', size_t(vector));
    }

    void collectReads() {
        for (const Instr &i : ir_.code) {
            if (i.dead) continue;
            for (int s = 0; s < i.nsrc; ++s) {
                const Operand &o = i.src[s];
                if (o.ref.file == File::Table) tablesUsed_.insert(o.ref.index);
                if (o.ref.file == File::Input) inputs_.insert(o.ref.index);
            }
        }
    }

    // The instructions from the first again, and what they count.
    void startBody() {
        body_.clear();
        next_ = 0;
        aluWritten_.clear();
        stats_ = ProgramStats{};
        stats_.addressRegisters = ir_.addressValues > 0 && ir_.profile->relativeAddressing ? 1 : 0;
        stats_.localParameters = stats_.parameters = ir_.localSlots;
    }

    // The constants an operand needs, in one vector.
    struct Request {
        std::vector<float> values;
        int vector = -1;
    };

    // Records a request (first pass) or returns where it was placed (second pass).
    const Request &constants(std::vector<float> values) {
        if (collecting_) {
            std::vector<float> distinct;
            for (float k : values)
                if (std::find(distinct.begin(), distinct.end(), k) == distinct.end()) distinct.push_back(k);
            values = std::move(distinct);
            requests_.push_back(Request{std::move(values), -1});
            return requests_.back();
        }
        return requests_[next_++];
    }

    int slotOf(int vector, float value) const {
        for (int s = 0; s < 4; ++s)
            if (pool_[size_t(vector)].used > s && pool_[size_t(vector)].k[s] == value) return s;
        return 0;
    }

    void packConstants() {
        std::vector<size_t> order(requests_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
            return requests_[x].values.size() > requests_[y].values.size();
        });
        for (size_t index : order) {
            Request &r = requests_[index];
            int best = -1, bestMissing = 5;
            for (size_t v = 0; v < pool_.size(); ++v) {
                int missing = 0;
                for (float k : r.values) {
                    bool present = false;
                    for (int s = 0; s < pool_[v].used; ++s) present = present || pool_[v].k[s] == k;
                    missing += present ? 0 : 1;
                }
                if (pool_[v].used + missing <= 4 && missing < bestMissing) {
                    best = int(v);
                    bestMissing = missing;
                }
            }
            if (best < 0) {
                pool_.push_back(Vec{});
                best = int(pool_.size() - 1);
            }
            Vec &vec = pool_[size_t(best)];
            for (float k : r.values) {
                bool present = false;
                for (int s = 0; s < vec.used; ++s) present = present || vec.k[s] == k;
                if (!present) vec.k[vec.used++] = k;
            }
            r.vector = best;
        }
    }

    std::string declarations() {
        std::string out;
        if (stats_.addressRegisters) out += "ADDRESS A0;\n";
        std::set<int> packedSlots;
        out += derivedSteps();
        for (const UniformVar &u : ir_.uniforms) {
            if (u.firstSlot < 0) continue;
            std::string first = std::to_string(u.firstSlot);
            if (u.component >= 0) {
                if (packedSlots.insert(u.firstSlot).second) out += "PARAM packed" + first + " = program.local[" + first + "];\n";
                continue;
            }
            if (u.derived >= 0)
                out += "PARAM " + numbered('d', size_t(u.derived)) + " = program.local[" + first + "];\n";
            else if (u.rowCount == 1 && !u.relative)
                out += "PARAM u_" + u.name + " = program.local[" + first + "];\n";
            else
                out += "PARAM u_" + u.name + "[" + std::to_string(u.rowCount) + "] = { program.local[" + first + ".." +
                       std::to_string(u.firstSlot + u.rowCount - 1) + "] };\n";
        }
        for (uint32_t t : tablesUsed_) {
            const auto &rows = ir_.tables[t];
            out += "PARAM t" + std::to_string(t) + "[" + std::to_string(rows.size()) + "] = {";
            for (size_t r = 0; r < rows.size(); ++r) {
                out += r ? ", { " : " { ";
                for (int c = 0; c < 4; ++c) out += formatFloat(rows[r][size_t(c)]) + (c < 3 ? ", " : " }");
            }
            out += " };\n";
            stats_.parameters += int(rows.size());
        }
        for (size_t i = 0; i < pool_.size() && constantTemp_ < 0; ++i) {
            const Vec &v = pool_[i];
            out += "PARAM c" + std::to_string(i) + " = { ";
            for (int c = 0; c < 4; ++c) out += formatFloat(c < v.used ? v.k[c] : 0) + (c < 3 ? ", " : " };\n");
        }
        if (constantTemp_ < 0) stats_.parameters += int(pool_.size());
        if (int temporaries = a_.temporaries + extraTemps_; temporaries > 0) {
            out += "TEMP R0";
            for (int i = 1; i < temporaries; ++i) out += ", R" + std::to_string(i);
            out += ";\n";
        }
        return out;
    }

    // What the runtime computes into the d slots, as comments: a host that loads the text
    // itself computes the same.
    std::string derivedSteps() const {
        if (ir_.derived.empty()) return {};
        // Appended piece by piece: GCC 12 misreports "literal" + string (-Wrestrict).
        std::string out = "# computed from the uniforms whenever one is set:\n";
        for (size_t i = 0; i < ir_.derived.size(); ++i) {
            const DerivedStep &step = ir_.derived[i];
            Op op = Op(step.op);
            int lanes = isScalarOp(op) ? 1 : operandLanes(op, step.lanes);
            out += "#   ";
            out += numbered('d', i);
            out += maskSuffix(uint8_t((1u << step.lanes) - 1));
            out += " = ";
            out += op == Op::Build ? "BUILD" : opName(op);
            if (step.saturate) out += "_SAT";
            for (int s = 0; s < step.nsrc; ++s) {
                const DerivedStep::Source &src = step.src[s];
                out += s ? ", " : " ";
                if (src.neg) out += '-';
                if (src.row < 0 && src.step < 0) {
                    out += '{';
                    for (int l = 0; l < lanes; ++l) {
                        if (l) out += ", ";
                        out += formatFloat(src.k[l]);
                    }
                    out += '}';
                    continue;
                }
                if (src.row >= 0) {
                    const UniformVar &u = ir_.uniforms[size_t(ir_.rowVar[size_t(src.row)])];
                    out += "u_";
                    out += u.name;
                    if (u.rowCount > 1) {
                        out += '[';
                        out += std::to_string(src.row - u.firstRow);
                        out += ']';
                    }
                } else {
                    out += numbered('d', size_t(src.step));
                }
                uint8_t swz[4];
                for (int l = 0; l < 4; ++l) swz[l] = src.swz[std::min(l, lanes - 1)];
                out += swizzleSuffix(swz, lanes == 1);
            }
            out += '\n';
        }
        return out;
    }

    // ---- Operands -------------------------------------------------------------------------

    std::string registerName(const Operand &o) const {
        switch (o.ref.file) {
        case File::Temp: return numbered('R', a_.place[o.ref.index].index);
        case File::Input: return inputName(*ir_.profile, registerSemantic(o.ref.index));
        case File::Uniform: {
            const UniformVar &u = ir_.uniforms[size_t(ir_.rowVar[o.ref.index])];
            if (u.component >= 0) return "packed" + std::to_string(u.firstSlot);
            if (u.derived >= 0) return numbered('d', size_t(u.derived));
            std::string name = "u_" + u.name;
            if (o.addr) return name + "[A0.x" + relativeOffset(o.rel) + "]";
            if (u.rowCount == 1 && !u.relative) return name;
            return name + "[" + std::to_string(int(o.ref.index) - u.firstRow) + "]";
        }
        case File::Table: return "t" + std::to_string(o.ref.index) + "[A0.x" + relativeOffset(o.rel) + "]";
        default: return "?";
        }
    }

    // The register component that holds component c of the operand's register.
    int physical(const Operand &o, int c) const {
        if (o.ref.file == File::Temp) return lowestSlot(a_.place[o.ref.index].slots[c]);
        if (o.ref.file == File::Uniform) {
            const UniformVar &u = ir_.uniforms[size_t(ir_.rowVar[o.ref.index])];
            if (u.component >= 0) return std::min(c + u.component, 3);
        }
        return c;
    }

    // An operand read in `lanes` (the register component each lane of the instruction reads).
    std::string operand(const Operand &o, const int *laneOfSlot, bool scalar, bool keepSign = false) {
        uint8_t s[4];
        std::string name;
        bool negate = o.neg;
        if (o.isConst()) {
            // Negative constants read positive ones negated: -c0 shares c0's vector. A factor
            // keeps its sign: where the constants are made in temporaries, a GL would otherwise
            // negate the product, an operation more for each pixel.
            std::vector<float> values;
            bool negative = !keepSign, zero = true;
            for (int slot = 0; slot < 4; ++slot) {
                float k = o.k[laneOfSlot[slot]] * (o.neg ? -1.0f : 1.0f);
                values.push_back(k);
                negative = negative && k <= 0;
                zero = zero && k == 0;
            }
            negate = negative && !zero;
            if (negate)
                for (float &k : values) k = -k;
            const Request &r = constants(values);
            if (collecting_) return {};
            for (int slot = 0; slot < 4; ++slot) s[slot] = uint8_t(slotOf(r.vector, values[size_t(slot)]));
            name = constantName(r.vector);
        } else {
            for (int slot = 0; slot < 4; ++slot) s[slot] = uint8_t(physical(o, o.swz[laneOfSlot[slot]]));
            name = registerName(o);
        }
        return (negate ? "-" : "") + name + swizzleSuffix(s, scalar);
    }

    void line(const std::string &text) {
        if (collecting_) return;
        body_ += text;
        body_ += ";\n";
        ++stats_.instructions;
    }

    // ---- Instructions ----------------------------------------------------------------------

    void instruction(size_t at) {
        const Instr &i = ir_.code[at];
        if (i.dead) return;
        switch (i.op) {
        case Op::Build: gather(at, a_.place[i.dst], false); return;
        case Op::Output: gather(at, Placement{File::Output, i.dst, {}}, true); return;
        case Op::Kil: {
            int lanes[4] = {0, 1, 2, 3};
            std::string src = operand(i.src[0], lanes, false);
            line("KIL " + src);
            countTexture(i);
            return;
        }
        case Op::Arl: {
            int lanes[4] = {0, 0, 0, 0};
            line("ARL A0.x, " + operand(i.src[0], lanes, true));
            return;
        }
        default: break;
        }
        const Placement &p = a_.place[i.dst];
        uint8_t mask = 0;
        int laneOfSlot[4] = {0, 0, 0, 0};
        bool inOrder = !isComponentwise(i.op);  // operands read lane i in component i
        int lastLane = 0;
        for (int s = 0; s < 4; ++s) {
            int lane = -1;
            for (int l = 0; l < i.n && lane < 0; ++l)
                if (p.slots[l] & (1u << s)) lane = l;
            if (lane >= 0) {
                mask |= uint8_t(1u << s);
                lastLane = lane;
            }
            laneOfSlot[s] = lane >= 0 ? lane : lastLane;
        }
        if (!mask) return;
        // Unwritten components repeat the last written lane, so that swizzles print short.
        int first = -1;
        for (int s = 0; s < 4; ++s)
            if (mask & (1u << s)) {
                if (first < 0) {
                    first = s;
                    for (int t = 0; t < s; ++t) laneOfSlot[t] = laneOfSlot[s];
                }
            }
        int ordered[4] = {0, 1, 2, 3};
        const int *lanes = inOrder ? ordered : laneOfSlot;
        bool scalar = isScalarOp(i.op);
        std::string dst = (p.file == File::Output ? outputName(*ir_.profile, registerSemantic(p.index)) : numbered('R', p.index)) +
                          maskSuffix(mask);
        Op op = i.op;
        std::vector<Operand> operands(i.src, i.src + i.nsrc);
        std::string name = opName(op);
        if (op == Op::Add && operands[1].neg && !operands[0].neg && !operands[1].isConst()) {
            operands[1].neg = false;
            name = "SUB";
        }
        std::string text = name + (i.sat ? "_SAT " : " ") + dst;
        for (size_t j = 0; j < operands.size(); ++j) {
            bool factor = op == Op::Mul || (op == Op::Mad && j < 2) || op == Op::Dp3 || op == Op::Dp4;
            text += ", " + operand(operands[j], lanes, scalar, factor && ir_.profile->stage == Stage::Fragment);
        }
        if (isTexture(op)) {
            text += ", texture[" + std::to_string(i.unit) + "], " + targetName(i.target);
            countTexture(i);
        } else if (ir_.profile->countsAluAndTex && !collecting_) {  // counted once, when emitting
            ++stats_.aluInstructions;
            if (p.file == File::Temp) aluWritten_.insert(p.index);
        }
        line(text);
    }

    // A gather: the lanes not already in place, one MOV a source register (or one SWZ).
    void gather(size_t at, const Placement &p, bool output) {
        const Instr &i = ir_.code[at];
        auto target = [&](int lane) -> uint8_t {
            return output ? uint8_t(1u << outputSlot(p.index, lane)) : p.slots[lane];
        };
        std::string dstName = output ? outputName(*ir_.profile, registerSemantic(p.index)) : numbered('R', p.index);
        struct Source {
            Operand o;
            uint8_t mask = 0;
            int comp[4] = {0, 0, 0, 0};  // by destination component
            bool neg[4] = {};
        };
        std::vector<Source> sources;
        uint8_t constMask = 0;
        float constOf[4] = {};
        bool simpleConstants = true;
        for (int l = 0; l < i.n; ++l) {
            if (a_.coalesced[at][size_t(l)]) continue;
            uint8_t m = target(l);
            if (!m) continue;
            const Operand &o = i.src[l];
            if (o.isConst()) {
                float k = o.neg ? -o.k[0] : o.k[0];
                for (int s = 0; s < 4; ++s)
                    if (m & (1u << s)) {
                        constMask |= uint8_t(1u << s);
                        constOf[s] = k;
                    }
                simpleConstants = simpleConstants && (k == 0 || k == 1 || k == -1);
                continue;
            }
            // Values that share a temporary are one source.
            auto same = std::find_if(sources.begin(), sources.end(), [&](const Source &x) {
                if (x.o.ref.file == File::Temp && o.ref.file == File::Temp)
                    return a_.place[x.o.ref.index].index == a_.place[o.ref.index].index;
                if (x.o.ref.file == File::Uniform && o.ref.file == File::Uniform && !x.o.addr && !o.addr) {
                    const UniformVar &a = ir_.uniforms[size_t(ir_.rowVar[x.o.ref.index])];
                    const UniformVar &b = ir_.uniforms[size_t(ir_.rowVar[o.ref.index])];
                    if (a.component >= 0 && b.component >= 0) return a.firstSlot == b.firstSlot;
                }
                return x.o.ref == o.ref && x.o.addr == o.addr && x.o.rel == o.rel;
            });
            if (same == sources.end()) {
                sources.push_back(Source{o, 0, {}, {}});
                same = sources.end() - 1;
            }
            for (int s = 0; s < 4; ++s)
                if (m & (1u << s)) {
                    same->mask |= uint8_t(1u << s);
                    same->comp[s] = physical(o, o.swz[0]);
                    same->neg[s] = o.neg;
                }
        }
        // Unwritten components repeat a written one, so that swizzles print short.
        auto fill = [](uint8_t mask, int *values) {
            int last = values[lowestSlot(mask)];
            for (int s = 0; s < 4; ++s) {
                if (mask & (1u << s)) last = values[s];
                else values[s] = last;
            }
        };
        // Constants 0 and +-1 alone: one SWZ of any register the program already reads, since
        // a literal PARAM costs a parameter load where an extended swizzle's 0 and 1 do not.
        if (sources.empty() && constMask && simpleConstants) {
            if (std::string any = readRegister(); !any.empty()) {
                std::string text = "SWZ " + dstName + maskSuffix(constMask) + ", " + any;
                for (int s = 0; s < 4; ++s)
                    text += std::string(", ") + (!(constMask & (1u << s)) || constOf[s] == 0 ? "0" : constOf[s] == 1 ? "1" : "-1");
                line(text);
                countAlu(p, output);
                return;
            }
        }
        // One SWZ: one source (any signs) and constants 0 and +-1.
        if (sources.size() == 1 && !sources[0].o.addr && simpleConstants &&
            (constMask || std::count(sources[0].neg, sources[0].neg + 4, true) % 4 != 0)) {
            const Source &src = sources[0];
            bool mixedSigns = false;
            for (int s = 0; s < 4; ++s)
                if ((src.mask & (1u << s)) && src.neg[s] != src.neg[lowestSlot(src.mask)]) mixedSigns = true;
            if (constMask || mixedSigns) {
                std::string text = "SWZ " + dstName + maskSuffix(uint8_t(src.mask | constMask)) + ", " + registerName(src.o);
                for (int s = 0; s < 4; ++s) {
                    text += ", ";
                    if (src.mask & (1u << s)) text += std::string(src.neg[s] ? "-" : "") + letters[src.comp[s]];
                    else if (constMask & (1u << s)) text += constOf[s] == -1 ? "-1" : constOf[s] == 1 ? "1" : "0";
                    else text += "0";
                }
                line(text);
                countAlu(p, output);
                return;
            }
        }
        for (Source &src : sources) {
            // Lanes of both signs from one register: one MOV each.
            for (int sign = 0; sign < 2; ++sign) {
                uint8_t mask = 0;
                for (int s = 0; s < 4; ++s)
                    if ((src.mask & (1u << s)) && src.neg[s] == bool(sign)) mask |= uint8_t(1u << s);
                if (!mask) continue;
                int comps[4];
                std::copy(src.comp, src.comp + 4, comps);
                fill(mask, comps);
                uint8_t swz[4] = {uint8_t(comps[0]), uint8_t(comps[1]), uint8_t(comps[2]), uint8_t(comps[3])};
                line("MOV " + dstName + maskSuffix(mask) + ", " + (sign ? "-" : "") + registerName(src.o) +
                     swizzleSuffix(swz, false));
                countAlu(p, output);
            }
        }
        if (constMask) {
            std::vector<float> values;
            for (int s = 0; s < 4; ++s) values.push_back(constMask & (1u << s) ? constOf[s] : constOf[lowestSlot(constMask)]);
            const Request &r = constants(values);
            if (!collecting_) {
                uint8_t swz[4];
                for (int s = 0; s < 4; ++s) swz[s] = uint8_t(slotOf(r.vector, values[size_t(s)]));
                line("MOV " + dstName + maskSuffix(constMask) + ", " + constantName(r.vector) + swizzleSuffix(swz, false));
                countAlu(p, output);
            }
        }
    }

    // A register whose value an all-constant SWZ ignores: an input the program reads anyway
    // (a new one would be interpolated for nothing), else a temporary.
    std::string readRegister() const {
        if (!inputs_.empty()) return inputName(*ir_.profile, registerSemantic(*inputs_.begin()));
        return a_.temporaries > 0 ? "R0" : std::string();
    }

    void countAlu(const Placement &p, bool output) {
        if (collecting_ || !ir_.profile->countsAluAndTex) return;
        ++stats_.aluInstructions;
        if (!output) aluWritten_.insert(p.index);
    }

    // A texture instruction (KIL counts as one) that reads a temporary written since the last
    // indirection starts a new one.
    void countTexture(const Instr &i) {
        if (collecting_) return;
        ++stats_.texInstructions;
        bool dependent = i.src[0].ref.file == File::Temp && aluWritten_.count(a_.place[i.src[0].ref.index].index);
        if (dependent || stats_.texIndirections == 0) {
            ++stats_.texIndirections;
            aluWritten_.clear();
        }
        if (i.op != Op::Kil) aluWritten_.insert(a_.place[i.dst].index);
    }

    struct Vec {
        float k[4] = {};
        int used = 0;
    };

    const IrProgram &ir_;
    const Allocation &a_;
    ProgramStats &stats_;
    std::string body_;
    bool collecting_ = true;
    std::vector<Request> requests_;
    size_t next_ = 0;
    std::vector<Vec> pool_;
    int constantTemp_ = -1;  // the first temporary that holds the constants, or -1: PARAMs
    int extraTemps_ = 0;     // temporaries past the allocation's: the constants' and scratch
    std::set<uint32_t> tablesUsed_, inputs_;
    std::set<uint32_t> aluWritten_;
};

}  // namespace

std::string emit(const IrProgram &ir, const Allocation &allocation, ProgramStats &stats) {
    stats = ProgramStats{};
    return ArbEmitter(ir, allocation, stats).run();
}

}  // namespace vela::cg
