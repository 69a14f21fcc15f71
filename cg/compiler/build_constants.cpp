// A fragment program's literal constants as instructions: one SWZ gives 0 and 1, and
// integers, powers of two, reciprocals, their products and sums or differences of two give the
// rest; a decimal fraction is its digits times 1/10^k, plus the step to the next float where
// that product rounds the other way. A GL's compiler folds the lot back into immediates, and
// the program then has no literal PARAM at all, which is what lets its first uniform sit at
// the start of the parameters the GL hands its shader (see emit.cpp). Each value is checked to
// come out as the very float of the literal when the steps are done in IEEE single precision,
// as the folding does; a GL that ran them per pixel instead would have a reciprocal within
// RCP's precision.
#include <cmath>
#include <cstring>
#include <map>

#include "ir.h"

namespace vela::cg {
namespace {

const char letters[] = "xyzw";

uint32_t bitsOf(float v) {
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

std::string negated(const std::string &operand) {
    return operand[0] == '-' ? operand.substr(1) : "-" + operand;
}

bool isInteger(float v) {
    // Below 2^24 every step of the doubling chain is exact; past it only powers of two are.
    if (v < 1 || v != std::floor(v)) return false;
    int e;
    return v < 16777216.0f || std::frexp(v, &e) == 0.5f;
}

// What SWZ writes itself: +-0 and +-1.
bool fromSwizzle(float k) { return k == 0 || k == 1 || k == -1; }

std::string swizzleText(float k) { return std::string(std::signbit(k) ? "-" : "") + (k == 0 ? "0" : "1"); }

bool isPowerOfTwo(float v) {
    int e;
    return v > 0 && std::frexp(v, &e) == 0.5f && std::abs(e) < 120;
}

// How a positive value is made, the top step only; its operands are made the same way.
struct Recipe {
    enum Kind { Fail, One, Double, DoublePlusOne, Reciprocal, Product, Decimal, Sum, Difference, Scaled } kind = Fail;
    float a = 0, b = 0, c = 0;  // Decimal: the digits a (by tens) times b = 1 / 10^k, plus c
    int cost = 1 << 20;  // instructions, not counting what other values share
};

// What a recipe at each depth may use: anything; nothing made from another of the program's
// constants (what is scaled); no sum (a sum's terms); only integers, their reciprocals and
// powers of two (a product's factors).
enum Depth { Any, Base, NoSum, Plain };

class ConstantBuilder {
public:
    ConstantBuilder(const std::vector<float> &wanted, std::vector<std::string> &lines, std::vector<std::string> scratch)
        : wanted_(wanted), lines_(lines), scratch_(std::move(scratch)) {}

    // Whether v is made from another of the program's constants, best made first.
    bool fromAnother(float v) {
        Recipe::Kind kind = plan(v, Any).kind;
        return kind == Recipe::Sum || kind == Recipe::Difference || kind == Recipe::Scaled;
    }

    // Puts `sign * v` (v > 0) into `into`; false if v cannot be made.
    bool place(float v, bool negative, const std::string &into) {
        if (plan(v, Any).kind == Recipe::Fail) return false;
        make(v, into, negative, Any);
        return true;
    }

    void knowOne(const std::string &operand) { have_[bitsOf(1.0f)] = operand; }
    bool knowsOne() const { return have_.count(bitsOf(1.0f)) != 0; }
    int scratchUsed() const { return int(nextScratch_); }
    bool outOfScratch() const { return outOfScratch_; }

    std::string takeScratch() {
        if (nextScratch_ >= scratch_.size() * 4) {
            outOfScratch_ = true;
            return "R0.x";  // refused by outOfScratch()
        }
        std::string r = scratch_[nextScratch_ / 4] + "." + letters[nextScratch_ % 4];
        ++nextScratch_;
        return r;
    }

private:
    // The cheapest way to make v.
    Recipe plan(float v, Depth depth) {
        if (!(v > 0) || !std::isfinite(v) || v < 1e-30f) return {};
        auto key = std::make_pair(bitsOf(v), int(depth));
        if (auto it = plans_.find(key); it != plans_.end()) return it->second;
        Recipe best;
        auto consider = [&](Recipe::Kind kind, float a, float b, int cost, float c = 0) {
            if (cost < best.cost) best = Recipe{kind, a, b, c, cost};
        };
        if (v == 1) {
            best = {Recipe::One, 0, 0, 0, 0};
        } else if (isInteger(v)) {
            if (std::fmod(v, 2.0f) == 0) consider(Recipe::Double, v / 2, 0, 1 + plan(v / 2, Plain).cost);
            else consider(Recipe::DoublePlusOne, (v - 1) / 2, 0, 1 + plan((v - 1) / 2, Plain).cost);
            int e;
            std::frexp(v, &e);  // v = 2^(e - 1) when a power of two
            if (isPowerOfTwo(v) && e % 2 == 1 && e > 4) {  // 2^2j = 2^j * 2^j
                float half = std::ldexp(1.0f, (e - 1) / 2);
                consider(Recipe::Product, half, half, 1 + plan(half, Plain).cost);
            }
            for (float power = 100; power <= 1e8f; power *= 10) {
                if (v != power) continue;  // 10^k: 10^(k-1) * 10, or the square of 10^(k/2)
                consider(Recipe::Product, v / 10, 10, 1 + plan(v / 10, Plain).cost);
                if (float root = std::round(std::sqrt(v)); root * root == v)
                    consider(Recipe::Product, root, root, 1 + plan(root, Plain).cost);
            }
        } else {
            // 1/q, correctly rounded as the folding computes it.
            if (float q = std::round(1 / v); isInteger(q) && 1.0f / q == v)
                consider(Recipe::Reciprocal, q, 0, 1 + plan(q, Plain).cost);
            // w * 2^k, w an integer or a reciprocal: scaling by a power of two is exact.
            int e;
            float m = std::frexp(v, &e);
            for (int shift = -24; shift <= 24 && depth != Plain; ++shift) {
                float w = std::ldexp(m, shift), scale = std::ldexp(1.0f, e - shift);
                if (w == 1 || !isPowerOfTwo(scale)) continue;
                consider(Recipe::Product, w, scale, 1 + plan(w, Plain).cost + plan(scale, Plain).cost);
            }
            // n * (1 / 10^k), the digits of a decimal fraction, one MAD for each after the
            // first (ten and the digits are made once for all the program's numbers, so not
            // counted); where the product rounds to the float next to v, plus the step to it.
            for (int k = 1; k <= 8 && depth != Plain; ++k) {
                double n = std::round(double(v) * std::pow(10.0, k));
                if (n < 1 || n >= 16777216.0 || std::fmod(n, 10.0) == 0) continue;
                float scale = 1.0f / float(std::pow(10.0, k)), product = float(n) * scale, step = v - product;
                int cost = 1 + int(std::log10(n)) + plan(scale, Plain).cost;
                if (product == v) {
                    consider(Recipe::Decimal, float(n), scale, cost);
                    break;
                }
                if (depth <= Base && isPowerOfTwo(std::fabs(step)) && product + step == v)
                    consider(Recipe::Decimal, float(n), scale, cost + 1 + plan(std::fabs(step), Plain).cost, step);
            }
            // a + b or b - a with a another of the program's constants: 0.8 + 0.1 as the
            // compiler added them, 1 - 0.1; or a times a power of two, as pi from 2 pi.
            for (float a : wanted_) {
                a = std::fabs(a);
                if (depth != Any || !(a > 0) || a == v) continue;
                // Of two constants a power of two apart, the one cheaper to make is the base
                // (the larger where they cost the same), so neither waits on the other.
                if (float r = v / a; isPowerOfTwo(r) && a * r == v) {
                    int base = plan(a, Base).cost, own = plan(v, Base).cost;
                    if (base < own || (base == own && a > v))
                        consider(Recipe::Scaled, a, r, 1 + (r == 2 ? 0 : plan(r, Plain).cost));
                }
                if (plan(a, NoSum).kind == Recipe::Fail) continue;
                if (float b = v - a; a < v && b > 0 && a + b == v) consider(Recipe::Sum, a, b, 1 + plan(b, NoSum).cost);
                if (float b = v + a; b - a == v) consider(Recipe::Difference, a, b, 1 + plan(b, NoSum).cost);
            }
        }
        if (best.cost >= 1 << 20) best = Recipe{};
        plans_[key] = best;
        return best;
    }

    // The operand that holds v, made into scratch if it is not there yet.
    std::string operand(float v, Depth depth) {
        auto it = have_.find(bitsOf(v));
        if (it != have_.end()) return it->second;
        return make(v, takeScratch(), false, depth);
    }

    std::string make(float v, const std::string &into, bool negative, Depth depth) {
        auto it = have_.find(bitsOf(v));
        // -v is its last step again, negated, where that step adds: a GL's optimiser can move
        // the negation of a MOV (or of a product) onto what multiplies the value before it
        // folds the constant, and then negates each pixel's product.
        Recipe::Kind last = it == have_.end() || !negative ? Recipe::Fail : plan(v, depth).kind;
        bool redo = last == Recipe::Double || last == Recipe::DoublePlusOne || last == Recipe::Sum ||
                    last == Recipe::Difference;
        if (it != have_.end() && !redo) {
            lines_.push_back("MOV " + into + ", " + (negative ? negated(it->second) : it->second));
        } else {
            Recipe r = plan(v, depth);
            std::string a, b;
            switch (r.kind) {
            case Recipe::Double:
                a = operand(r.a, Plain);
                lines_.push_back("ADD " + into + ", " + wrap(a, negative) + ", " + wrap(a, negative));
                break;
            case Recipe::DoublePlusOne:
                a = operand(r.a, Plain), b = operand(2, Plain);
                lines_.push_back("MAD " + into + ", " + wrap(a, negative) + ", " + b + ", " + wrap(operand(1, Plain), negative));
                break;
            case Recipe::Reciprocal:
                a = operand(r.a, Plain);
                lines_.push_back("RCP " + into + ", " + wrap(a, negative));
                break;
            case Recipe::Product:
                a = operand(r.a, Plain), b = operand(r.b, Plain);
                lines_.push_back("MUL " + into + ", " + wrap(a, negative) + ", " + b);
                break;
            case Recipe::Decimal:
                a = digits(r.a), b = operand(r.b, Plain);
                if (r.c == 0) {
                    lines_.push_back("MUL " + into + ", " + wrap(a, negative) + ", " + b);
                } else {
                    std::string product = takeScratch(), step = operand(std::fabs(r.c), Plain);
                    lines_.push_back("MUL " + product + ", " + a + ", " + b);
                    have_[bitsOf(r.a * r.b)] = product;
                    lines_.push_back("ADD " + into + ", " + wrap(product, negative) + ", " + wrap(step, negative != (r.c < 0)));
                }
                break;
            case Recipe::Scaled:
                a = operand(r.a, Base);
                b = r.b == 2 ? a : operand(r.b, Plain);
                lines_.push_back(std::string(r.b == 2 ? "ADD " : "MUL ") + into + ", " + wrap(a, negative) + ", " +
                                 wrap(b, negative && r.b == 2));
                break;
            case Recipe::Sum:
            case Recipe::Difference:
                a = operand(r.a, NoSum), b = operand(r.b, NoSum);
                if (r.kind == Recipe::Difference) a = negated(a);
                lines_.push_back("ADD " + into + ", " + wrap(a, negative) + ", " + wrap(b, negative));
                break;
            default:  // One is known before anything is made; Fail was refused by place()
                lines_.push_back("MOV " + into + ", " + wrap(operand(1, Plain), negative));
                break;
            }
        }
        return have_.emplace(bitsOf(v), negative ? negated(into) : into).first->second;
    }

    // The operand that holds integer n, made from its decimal digits: (tens) * 10 + digit.
    std::string digits(float n) {
        auto it = have_.find(bitsOf(n));
        if (it != have_.end()) return it->second;
        if (n < 10) return operand(n, Plain);
        float tens = std::floor(n / 10), digit = n - tens * 10;
        std::string t = digits(tens), ten = operand(10, Plain), into = takeScratch();
        if (digit == 0) lines_.push_back("MUL " + into + ", " + t + ", " + ten);
        else lines_.push_back("MAD " + into + ", " + t + ", " + ten + ", " + operand(digit, Plain));
        have_[bitsOf(n)] = into;
        return into;
    }

    static std::string wrap(const std::string &operand, bool negative) { return negative ? negated(operand) : operand; }

private:
    const std::vector<float> &wanted_;
    std::vector<std::string> &lines_;
    std::vector<std::string> scratch_;
    size_t nextScratch_ = 0;
    bool outOfScratch_ = false;
    std::map<uint32_t, std::string> have_;  // by the float's bits: an operand that holds it
    std::map<std::pair<uint32_t, int>, Recipe> plans_;
};

}  // namespace

bool buildConstants(const std::vector<std::array<float, 4>> &vectors, const std::vector<int> &used,
                    const std::vector<std::string> &registers, const std::vector<std::string> &scratch,
                    const std::string &anyRegister, int room, ConstantPrologue &out) {
    out = ConstantPrologue{};
    std::vector<float> wanted;
    int made = 0;  // values that take an instruction at least
    for (size_t v = 0; v < vectors.size(); ++v)
        for (int c = 0; c < used[v]; ++c) {
            wanted.push_back(vectors[v][size_t(c)]);
            made += !fromSwizzle(wanted.back());
        }
    if (made > room) return false;
    ConstantBuilder builder(wanted, out.lines, scratch);
    // 0 and +-1 straight from one SWZ a vector; the other lanes are written after.
    for (size_t v = 0; v < vectors.size(); ++v) {
        std::string mask;
        for (int c = 0; c < used[v]; ++c) {
            float k = vectors[v][size_t(c)];
            if (!fromSwizzle(k)) continue;
            mask += letters[c];
            if (k != 0) builder.knowOne((k == 1 ? "" : "-") + registers[v] + "." + letters[c]);
        }
        if (mask.empty()) continue;
        std::string whole = int(mask.size()) == used[v] ? "" : "." + mask;
        std::string text = "SWZ " + registers[v] + whole + ", " + anyRegister;
        for (int c = 0; c < 4; ++c) {  // SWZ takes four; the masked-off ones are 0
            float k = c < used[v] ? vectors[v][size_t(c)] : 0;
            text += ", " + swizzleText(fromSwizzle(k) ? k : 0);
        }
        out.lines.push_back(text);
    }
    if (made > 0 && !builder.knowsOne()) {
        std::string one = builder.takeScratch();
        out.lines.push_back("SWZ " + one + ", " + anyRegister + ", 1, 1, 1, 1");
        builder.knowOne(one);
    }
    for (int pass = 0; pass < 2; ++pass)
        for (size_t v = 0; v < vectors.size(); ++v)
            for (int c = 0; c < used[v]; ++c) {
                float k = vectors[v][size_t(c)];
                if (fromSwizzle(k) || builder.fromAnother(std::fabs(k)) != (pass == 1)) continue;
                if (!builder.place(std::fabs(k), k < 0, registers[v] + "." + letters[c])) return false;
            }
    if (builder.outOfScratch() || int(out.lines.size()) > room) return false;
    out.scratchUsed = builder.scratchUsed();
    return true;
}

}  // namespace vela::cg
