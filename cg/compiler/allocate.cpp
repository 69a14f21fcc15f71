// Register allocation. A value read only by a gather (Build) or a result write (Output) is
// computed straight into the components where the gather would put it, so neither copy is
// made: four DP4s write result.position.x to .w, a MAD result.color.xyz. Everything else
// gets components of a temporary by linear scan; small values share a temporary, and a
// component is reused as soon as its value is dead (an instruction reads its operands
// before it writes).
#include <algorithm>

#include "compiler.h"

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

}  // namespace

void allocate(const IrProgram &ir, Allocation &a) {
    size_t n = ir.values.size();
    a.place.assign(n, Placement{});
    a.usedLanes.assign(n, 0);
    a.coalesced.assign(ir.code.size(), {false, false, false, false});
    std::vector<uint32_t> lastUse(n, 0);
    std::vector<int> readers(n, 0);
    std::vector<uint32_t> reader(n, 0);
    for (uint32_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (i.dead) continue;
        int lanes = operandLanes(i.op, i.n);
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            if (o.addr) lastUse[o.addr - 1] = at;
            if (o.ref.file != File::Temp) continue;
            uint32_t v = o.ref.index;
            for (int l = 0; l < lanes; ++l) a.usedLanes[v] |= uint8_t(1u << o.swz[l]);
            lastUse[v] = at;
            if (readers[v] == 0 || reader[v] != at) ++readers[v];
            reader[v] = at;
        }
    }

    // Coalescing: each value's root and, for each of its components, the root's lanes
    // (or the output register's components) that hold it.
    std::vector<uint32_t> root(n);
    std::vector<std::array<uint8_t, 4>> lanesOf(n);  // component -> mask of root lanes
    std::vector<bool> toOutput(n, false);
    for (uint32_t v = 0; v < n; ++v) {
        root[v] = v;
        for (int c = 0; c < 4; ++c) lanesOf[v][size_t(c)] = uint8_t(1u << c);
    }
    std::vector<std::vector<uint32_t>> membersOf(n);
    std::vector<std::array<int, 4>> forced(n, {-1, -1, -1, -1});
    for (uint32_t v = 0; v < n; ++v)
        if (ir.values[v].n && !ir.values[v].address && isFixedLayout(ir.code[ir.values[v].def].op))
            for (int c = 0; c < 4; ++c) forced[v][size_t(c)] = c;

    for (uint32_t at = 0; at < ir.code.size(); ++at) {
        const Instr &b = ir.code[at];
        if (b.dead || (b.op != Op::Build && b.op != Op::Output)) continue;
        for (int l = 0; l < b.n; ++l) {
            const Operand &o = b.src[l];
            if (o.ref.file != File::Temp || o.neg || o.addr) continue;
            uint32_t w = o.ref.index;
            if (readers[w] != 1 || root[w] != w || ir.values[w].address || toOutput[w]) continue;
            // Every lane of b that reads w: where it lands, and whether w's fixed components can land there.
            uint8_t lanes[4] = {};
            int wanted[4] = {-1, -1, -1, -1};  // b's lanes (or output components) -> the slot w needs there
            bool ok = true;
            for (int m = 0; m < b.n && ok; ++m) {
                const Operand &x = b.src[m];
                if (x.ref.file != File::Temp || x.ref.index != w) continue;
                if (x.neg || x.addr) ok = false;
                int target = b.op == Op::Output ? outputSlot(b.dst, m) : m;
                int need = forced[w][x.swz[0]];
                if (need >= 0) {
                    if (b.op == Op::Output ? target != need : forced[b.dst][size_t(m)] >= 0 && forced[b.dst][size_t(m)] != need)
                        ok = false;
                    wanted[m] = need;
                }
                lanes[x.swz[0]] |= uint8_t(1u << target);
            }
            if (b.op == Op::Build)
                for (int m = 0; m < 4 && ok; ++m)
                    for (int j = 0; j < 4 && ok && wanted[m] >= 0; ++j)
                        if (j != m && (forced[b.dst][size_t(j)] == wanted[m] || wanted[j] == wanted[m])) ok = false;
            if (!ok) continue;
            // A member's own members follow it.
            std::vector<uint32_t> moved = membersOf[w];
            moved.push_back(w);
            for (uint32_t m : moved) {
                for (int c = 0; c < 4; ++c) {
                    uint8_t via = 0, mask = lanesOf[m][size_t(c)];
                    for (int j = 0; j < 4; ++j)
                        if (mask & (1u << j)) via |= lanes[j];
                    lanesOf[m][size_t(c)] = via;
                }
                if (b.op == Op::Output) toOutput[m] = true;
                else root[m] = b.dst;
            }
            if (b.op == Op::Build) {
                for (uint32_t m : moved) membersOf[b.dst].push_back(m);
                for (int m = 0; m < 4; ++m)
                    if (wanted[m] >= 0) forced[b.dst][size_t(m)] = wanted[m];
            } else {
                for (uint32_t m : moved) {
                    a.place[m].file = File::Output;
                    a.place[m].index = b.dst;
                    for (int c = 0; c < 4; ++c) a.place[m].slots[c] = lanesOf[m][size_t(c)];
                }
            }
            membersOf[w].clear();
            for (int m = 0; m < b.n; ++m)
                if (b.src[m].ref.file == File::Temp && b.src[m].ref.index == w) a.coalesced[at][size_t(m)] = true;
        }
    }

    // Linear scan over the groups that live in temporaries, by where they start.
    std::vector<Group> groups;
    for (uint32_t v = 0; v < n; ++v) {
        if (root[v] != v || toOutput[v] || ir.values[v].address || ir.values[v].n == 0) continue;
        if (ir.code[ir.values[v].def].dead) continue;
        Group g;
        g.root = v;
        g.members = membersOf[v];
        g.start = ir.values[v].def;
        for (uint32_t m : g.members) g.start = std::min(g.start, ir.values[m].def);
        g.end = std::max(lastUse[v], ir.values[v].def);
        for (int c = 0; c < 4; ++c) g.forced[c] = forced[v][size_t(c)];
        groups.push_back(std::move(g));
    }
    std::sort(groups.begin(), groups.end(), [](const Group &x, const Group &y) { return x.start < y.start; });

    // Every way to give k lanes distinct components, in increasing order first.
    std::vector<std::array<int, 4>> layouts[5];
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
        layouts[k] = increasing;
        layouts[k].insert(layouts[k].end(), other.begin(), other.end());
    }

    std::vector<std::array<int64_t, 4>> busyUntil;  // per temporary and component: last position in use
    for (const Group &g : groups) {
        // Only the lanes someone reads need a home.
        int lanes = 0, laneOf[4];
        for (int l = 0; l < ir.values[g.root].n; ++l)
            if (a.usedLanes[g.root] & (1u << l)) laneOf[lanes++] = l;
        if (lanes == 0) continue;
        bool single = !multiInstruction(ir.code[g.start]);
        auto freeAt = [&](size_t r, int slot) {
            int64_t until = busyUntil[r][size_t(slot)];
            return until < int64_t(g.start) || (until == int64_t(g.start) && single);
        };
        int chosenReg = -1;
        int layout[4] = {};
        for (size_t r = 0; chosenReg < 0; ++r) {
            if (r == busyUntil.size()) busyUntil.push_back({-1, -1, -1, -1});
            if (r > 4096) fail(0, "internal compiler error: no register layout fits");
            for (const auto &candidate : layouts[lanes]) {
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
            if (layout[l] >= 0) busyUntil[size_t(chosenReg)][size_t(layout[l])] = g.end;
        a.temporaries = std::max(a.temporaries, chosenReg + 1);
        Placement &p = a.place[g.root];
        p.file = File::Temp;
        p.index = uint32_t(chosenReg);
        for (int l = 0; l < 4; ++l) p.slots[l] = layout[l] >= 0 ? uint8_t(1u << layout[l]) : 0;
        for (uint32_t m : g.members) {
            Placement &q = a.place[m];
            q.file = File::Temp;
            q.index = uint32_t(chosenReg);
            for (int c = 0; c < 4; ++c) {
                uint8_t mask = 0;
                for (int l = 0; l < 4; ++l)
                    if ((lanesOf[m][size_t(c)] & (1u << l)) && layout[l] >= 0) mask |= uint8_t(1u << layout[l]);
                q.slots[c] = mask;
            }
        }
    }
}

}  // namespace vela::cg
