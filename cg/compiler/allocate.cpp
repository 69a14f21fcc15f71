// Register allocation. A value read only by a gather (Build) or a result write (Output) is
// computed straight into the components where the gather would put it, so neither copy is
// made: four DP4s write result.position.x to .w, a MAD result.color.xyz. Everything else
// gets components of a temporary by linear scan; small values share a temporary, and a
// component is reused as soon as its value is dead (an instruction reads its operands
// before it writes).
#include <algorithm>

#include "ir.h"

namespace vela::cg {
namespace {

// The register component a result register's lane i goes to.
int outputSlot(uint32_t reg, int lane) {
    Semantic s = registerSemantic(reg);
    if (s.kind == Semantic::Depth) return 2;
    return lane;
}

bool multiInstruction(const Instr &i) { return i.op == Op::Build || i.op == Op::Output; }

struct Group {
    uint32_t root;
    std::vector<uint32_t> members;
    int forced[4] = {-1, -1, -1, -1};  // root lane -> slot it must take
    uint32_t start = 0, end = 0;
};

// Every way to give k lanes distinct components, in increasing order first.
struct Layouts {
    std::vector<std::array<int, 4>> of[5];
    Layouts() {
        for (int k = 1; k <= 4; ++k) {
            std::array<int, 4> p = {0, 1, 2, 3};
            std::vector<std::array<int, 4>> increasing, other;
            do {
                std::array<int, 4> l = {p[0], p[1], p[2], p[3]};
                bool seen = false;
                auto &list = std::is_sorted(p.begin(), p.begin() + k) ? increasing : other;
                for (const auto &x : list) seen = seen || std::equal(x.begin(), x.begin() + k, l.begin());
                if (!seen) list.push_back(l);
            } while (std::next_permutation(p.begin(), p.end()));
            of[k] = increasing;
            of[k].insert(of[k].end(), other.begin(), other.end());
        }
    }
};

class Allocator {
public:
    Allocator(const IrProgram &ir, Allocation &a) : ir_(ir), a_(a), n_(ir.values.size()) {}

    void run() {
        uses();
        coalesce();
        std::vector<Group> groups = temporaryGroups();
        static const Layouts layouts;
        for (const Group &g : groups) assign(g, layouts);
    }

private:
    // Which lanes of each value are read, by how many instructions, and until where.
    void uses() {
        a_.place.assign(n_, Placement{});
        a_.usedLanes.assign(n_, 0);
        a_.coalesced.assign(ir_.code.size(), {false, false, false, false});
        lastUse_.assign(n_, 0);
        readers_.assign(n_, 0);
        std::vector<uint32_t> reader(n_, 0);
        for (uint32_t at = 0; at < ir_.code.size(); ++at) {
            const Instr &i = ir_.code[at];
            if (i.dead) continue;
            int lanes = operandLanes(i.op, i.n);
            for (int s = 0; s < i.nsrc; ++s) {
                const Operand &o = i.src[s];
                if (o.addr) lastUse_[o.addr - 1] = at;
                if (o.ref.file != File::Temp) continue;
                uint32_t v = o.ref.index;
                for (int l = 0; l < lanes; ++l) a_.usedLanes[v] |= uint8_t(1u << o.swz[l]);
                lastUse_[v] = at;
                if (readers_[v] == 0 || reader[v] != at) ++readers_[v];
                reader[v] = at;
            }
        }
    }

    // Coalescing: each value's root and, for each of its components, the root's lanes
    // (or the output register's components) that hold it.
    void coalesce() {
        root_.resize(n_);
        lanesOf_.resize(n_);
        toOutput_.assign(n_, false);
        membersOf_.assign(n_, {});
        forced_.assign(n_, {-1, -1, -1, -1});
        for (uint32_t v = 0; v < n_; ++v) {
            root_[v] = v;
            for (int c = 0; c < 4; ++c) lanesOf_[v][size_t(c)] = uint8_t(1u << c);
        }
        for (uint32_t v = 0; v < n_; ++v)
            if (ir_.values[v].n && !ir_.values[v].address && isFixedLayout(ir_.code[ir_.values[v].def].op))
                for (int c = 0; c < 4; ++c) forced_[v][size_t(c)] = c;
        for (uint32_t at = 0; at < ir_.code.size(); ++at) {
            const Instr &b = ir_.code[at];
            if (b.dead || !multiInstruction(b)) continue;
            for (int l = 0; l < b.n; ++l) coalesceOperand(at, l);
        }
    }

    // Computes the value b reads in lane l straight into place, when it can.
    void coalesceOperand(uint32_t at, int l) {
        const Instr &b = ir_.code[at];
        const Operand &o = b.src[l];
        if (o.ref.file != File::Temp || o.neg || o.addr) return;
        uint32_t w = o.ref.index;
        if (readers_[w] != 1 || root_[w] != w || ir_.values[w].address || toOutput_[w]) return;
        // Every lane of b that reads w: where it lands, and whether w's fixed components can land there.
        uint8_t lanes[4] = {};
        int wanted[4] = {-1, -1, -1, -1};  // b's lanes (or output components) -> the slot w needs there
        bool ok = true;
        for (int m = 0; m < b.n && ok; ++m) {
            const Operand &x = b.src[m];
            if (x.ref.file != File::Temp || x.ref.index != w) continue;
            if (x.neg || x.addr) ok = false;
            int target = b.op == Op::Output ? outputSlot(b.dst, m) : m;
            int need = forced_[w][x.swz[0]];
            if (need >= 0) {
                if (b.op == Op::Output ? target != need : forced_[b.dst][size_t(m)] >= 0 && forced_[b.dst][size_t(m)] != need)
                    ok = false;
                wanted[m] = need;
            }
            lanes[x.swz[0]] |= uint8_t(1u << target);
        }
        if (b.op == Op::Build)
            for (int m = 0; m < 4 && ok; ++m)
                for (int j = 0; j < 4 && ok && wanted[m] >= 0; ++j)
                    if (j != m && (forced_[b.dst][size_t(j)] == wanted[m] || wanted[j] == wanted[m])) ok = false;
        if (!ok) return;
        // A member's own members follow it.
        std::vector<uint32_t> moved = membersOf_[w];
        moved.push_back(w);
        for (uint32_t m : moved) {
            for (int c = 0; c < 4; ++c) {
                uint8_t via = 0, mask = lanesOf_[m][size_t(c)];
                for (int j = 0; j < 4; ++j)
                    if (mask & (1u << j)) via |= lanes[j];
                lanesOf_[m][size_t(c)] = via;
            }
            if (b.op == Op::Output) toOutput_[m] = true;
            else root_[m] = b.dst;
        }
        if (b.op == Op::Build) {
            for (uint32_t m : moved) membersOf_[b.dst].push_back(m);
            for (int m = 0; m < 4; ++m)
                if (wanted[m] >= 0) forced_[b.dst][size_t(m)] = wanted[m];
        } else {
            for (uint32_t m : moved) {
                a_.place[m].file = File::Output;
                a_.place[m].index = b.dst;
                for (int c = 0; c < 4; ++c) a_.place[m].slots[c] = lanesOf_[m][size_t(c)];
            }
        }
        membersOf_[w].clear();
        for (int m = 0; m < b.n; ++m)
            if (b.src[m].ref.file == File::Temp && b.src[m].ref.index == w) a_.coalesced[at][size_t(m)] = true;
    }

    // The groups that live in temporaries, by where they start.
    std::vector<Group> temporaryGroups() const {
        std::vector<Group> groups;
        for (uint32_t v = 0; v < n_; ++v) {
            if (root_[v] != v || toOutput_[v] || ir_.values[v].address || ir_.values[v].n == 0) continue;
            if (ir_.code[ir_.values[v].def].dead) continue;
            Group g;
            g.root = v;
            g.members = membersOf_[v];
            g.start = ir_.values[v].def;
            for (uint32_t m : g.members) g.start = std::min(g.start, ir_.values[m].def);
            g.end = std::max(lastUse_[v], ir_.values[v].def);
            for (int c = 0; c < 4; ++c) g.forced[c] = forced_[v][size_t(c)];
            groups.push_back(std::move(g));
        }
        std::sort(groups.begin(), groups.end(), [](const Group &x, const Group &y) { return x.start < y.start; });
        return groups;
    }

    // Linear scan: the first temporary with free components in a layout the group takes.
    void assign(const Group &g, const Layouts &layouts) {
        // Only the lanes someone reads need a home.
        int lanes = 0, laneOf[4];
        for (int l = 0; l < ir_.values[g.root].n; ++l)
            if (a_.usedLanes[g.root] & (1u << l)) laneOf[lanes++] = l;
        if (lanes == 0) return;
        bool single = !multiInstruction(ir_.code[g.start]);
        auto freeAt = [&](size_t r, int slot) {
            int64_t until = busyUntil_[r][size_t(slot)];
            return until < int64_t(g.start) || (until == int64_t(g.start) && single);
        };
        int chosenReg = -1;
        int layout[4] = {};
        for (size_t r = 0; chosenReg < 0; ++r) {
            if (r == busyUntil_.size()) busyUntil_.push_back({-1, -1, -1, -1});
            if (r > 4096) fail(0, "internal compiler error: no register layout fits");
            for (const auto &candidate : layouts.of[lanes]) {
                bool fits = true;
                for (int l = 0; l < lanes && fits; ++l)
                    fits = freeAt(r, candidate[size_t(l)]) &&
                           (g.forced[laneOf[l]] < 0 || g.forced[laneOf[l]] == candidate[size_t(l)]);
                if (!fits) continue;
                chosenReg = int(r);
                for (int l = 0; l < 4; ++l) layout[l] = -1;
                for (int l = 0; l < lanes; ++l) layout[laneOf[l]] = candidate[size_t(l)];
                break;
            }
        }
        for (int l = 0; l < 4; ++l)
            if (layout[l] >= 0) busyUntil_[size_t(chosenReg)][size_t(layout[l])] = g.end;
        a_.temporaries = std::max(a_.temporaries, chosenReg + 1);
        Placement &p = a_.place[g.root];
        p.file = File::Temp;
        p.index = uint32_t(chosenReg);
        for (int l = 0; l < 4; ++l) p.slots[l] = layout[l] >= 0 ? uint8_t(1u << layout[l]) : 0;
        for (uint32_t m : g.members) {
            Placement &q = a_.place[m];
            q.file = File::Temp;
            q.index = uint32_t(chosenReg);
            for (int c = 0; c < 4; ++c) {
                uint8_t mask = 0;
                for (int l = 0; l < 4; ++l)
                    if ((lanesOf_[m][size_t(c)] & (1u << l)) && layout[l] >= 0) mask |= uint8_t(1u << layout[l]);
                q.slots[c] = mask;
            }
        }
    }

    const IrProgram &ir_;
    Allocation &a_;
    size_t n_;
    std::vector<uint32_t> lastUse_;
    std::vector<int> readers_;
    std::vector<uint32_t> root_;
    std::vector<std::array<uint8_t, 4>> lanesOf_;  // component -> mask of root lanes
    std::vector<bool> toOutput_;
    std::vector<std::vector<uint32_t>> membersOf_;
    std::vector<std::array<int, 4>> forced_;
    std::vector<std::array<int64_t, 4>> busyUntil_;  // per temporary and component: last position in use
};

}  // namespace

void allocate(const IrProgram &ir, Allocation &a) { Allocator(ir, a).run(); }

}  // namespace vela::cg
