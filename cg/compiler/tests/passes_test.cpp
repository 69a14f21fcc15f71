// The passes after the lowering, one at a time, on IR built here or lowered from generated
// programs: what the optimiser may and may not merge, and an independent check of every
// register allocation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <regex>
#include <set>

#include "cg/random_program.h"
#include "ir.h"

namespace vela::cg {
namespace {

Val input(int texcoord) { return Builder::reg(Ref{File::Input, semanticRegister(Semantic{{Semantic::TexCoord, uint8_t(texcoord)}, 0})}, 4); }
uint32_t colorOutput(int i) { return semanticRegister(Semantic{{Semantic::Color, uint8_t(i)}, 0}); }

int live(const IrProgram &ir, Op op) {
    int n = 0;
    for (const Instr &i : ir.code) n += !i.dead && i.op == op;
    return n;
}

TEST(Optimizer, MergesAProductIntoTheOneSumThatReadsIt) {
    IrProgram ir;
    ir.profile = &describe(Profile::Arbfp1);
    Builder b(ir);
    Val product = b.emit(Op::Mul, {input(0), input(1)}, 4);
    b.output(colorOutput(0), b.emit(Op::Add, {product, input(2)}, 4));
    optimize(ir);
    EXPECT_EQ(live(ir, Op::Mad), 1);
    EXPECT_EQ(live(ir, Op::Mul) + live(ir, Op::Add), 0) << printIr(ir);

    // Read twice, the product stays: a MAD would compute it twice.
    IrProgram twice;
    twice.profile = &describe(Profile::Arbfp1);
    Builder c(twice);
    Val p = c.emit(Op::Mul, {input(0), input(1)}, 4);
    c.output(colorOutput(0), c.emit(Op::Add, {p, input(2)}, 4));
    c.output(colorOutput(1), p);
    optimize(twice);
    EXPECT_EQ(live(twice, Op::Mad), 0) << printIr(twice);
    EXPECT_EQ(live(twice, Op::Mul), 1);
}

// The constant operand of the one live instruction of `op`, lane `l`.
float constantOf(const IrProgram &ir, Op op, int operand, int l) {
    for (const Instr &i : ir.code)
        if (!i.dead && i.op == op) return i.src[operand].neg ? -i.src[operand].k[l] : i.src[operand].k[l];
    return NAN;
}

TEST(Optimizer, GathersConstantsAcrossSumsAndProducts) {
    auto k = [](float x) { return Builder::constant(x, 4); };
    {  // (x + 0.05) - 0.1, the first sum also read elsewhere: still one ADD each
        IrProgram ir;
        ir.profile = &describe(Profile::Arbfp1);
        Builder b(ir);
        Val first = b.emit(Op::Add, {input(0), k(0.05f)}, 4);
        b.output(colorOutput(0), b.emit(Op::Add, {first, k(-0.1f)}, 4));
        b.output(colorOutput(1), first);
        optimize(ir);
        EXPECT_EQ(live(ir, Op::Add), 2) << printIr(ir);
        for (const Instr &i : ir.code) {
            if (!i.dead && i.op == Op::Add) {
                EXPECT_EQ(i.src[0].ref.file, File::Input) << printIr(ir);
            }
        }
    }
    {  // -(x * 0.5 + 0.5) * 4 is x * -2 - 2; x * 3 * 0.5 is x * 1.5
        IrProgram ir;
        ir.profile = &describe(Profile::Arbfp1);
        Builder b(ir);
        Val mad = b.emit(Op::Mad, {input(0), k(0.5f), k(0.5f)}, 4);
        Val negated = b.emit(Op::Mul, {mad, k(-1)}, 4);
        b.output(colorOutput(0), b.emit(Op::Mul, {negated, k(4)}, 4));
        b.output(colorOutput(1), b.emit(Op::Mul, {b.emit(Op::Mul, {input(1), k(3)}, 4), k(0.5f)}, 4));
        optimize(ir);
        EXPECT_EQ(live(ir, Op::Mad), 1);
        EXPECT_EQ(live(ir, Op::Mul), 1) << printIr(ir);
        bool xNegated = false;
        for (const Instr &i : ir.code) xNegated = xNegated || (!i.dead && i.op == Op::Mad && i.src[0].neg);
        EXPECT_FLOAT_EQ(constantOf(ir, Op::Mad, 1, 0) * (xNegated ? -1 : 1), -2);
        EXPECT_FLOAT_EQ(constantOf(ir, Op::Mad, 2, 0), -2);
        EXPECT_FLOAT_EQ(constantOf(ir, Op::Mul, 1, 0), 1.5f);
    }
    {  // y * z + 1, plus 2: one MAD adding 3, the product's signs kept
        IrProgram ir;
        ir.profile = &describe(Profile::Arbfp1);
        Builder b(ir);
        Val mad = b.emit(Op::Mad, {input(0), input(1), k(1)}, 4);
        b.output(colorOutput(0), b.emit(Op::Add, {mad, k(2)}, 4));
        optimize(ir);
        EXPECT_EQ(live(ir, Op::Mad), 1) << printIr(ir);
        EXPECT_EQ(live(ir, Op::Add), 0);
        EXPECT_FLOAT_EQ(constantOf(ir, Op::Mad, 2, 0), 3);
    }
    {  // (x - 0.5) * 2 alone is one MAD; (x - 0.5) read by two products stays one ADD before
        // them: two MADs would be four operations to Mesa, where these are three
        IrProgram ir;
        ir.profile = &describe(Profile::Arbfp1);
        Builder b(ir);
        Val centred = b.emit(Op::Add, {input(0), k(-0.5f)}, 4);
        b.output(colorOutput(0), b.emit(Op::Mul, {centred, k(2)}, 4));
        b.output(colorOutput(1), b.emit(Op::Mul, {centred, k(3)}, 4));
        b.output(colorOutput(2), b.emit(Op::Mul, {b.emit(Op::Add, {input(1), k(-0.5f)}, 4), k(2)}, 4));
        optimize(ir);
        EXPECT_EQ(live(ir, Op::Mad), 1) << printIr(ir);
        EXPECT_EQ(live(ir, Op::Add), 1) << printIr(ir);
        EXPECT_EQ(live(ir, Op::Mul), 2) << printIr(ir);
    }
}

TEST(Optimizer, LanesWithAFactorInCommonTakeTheConstantOnItOnce) {
    // float3(y, c * u, -c * v) * 0.3: c * 0.3 once, then times u and -v, and y * 0.3; the
    // constant's lanes 1 there, which the GL's compiler drops. Four lanes of products where
    // there were five.
    IrProgram ir;
    ir.profile = &describe(Profile::Arbfp1);
    Builder b(ir);
    Val t = input(0), uv = input(1);
    auto lane = [](const Val &v, int l) { return Val{1, {v.c[l]}}; };
    Val u = b.emit(Op::Mul, {lane(t, 1), lane(uv, 0)}, 1), v = b.emit(Op::Mul, {lane(t, 1), lane(uv, 1)}, 1);
    Val parts{3, {t.c[0], u.c[0], v.c[0]}};
    parts.c[2].neg = true;
    b.output(colorOutput(0), b.emit(Op::Mul, {parts, Builder::constant(0.3f, 3)}, 3));
    optimize(ir);
    int lanes = 0;
    for (const Instr &i : ir.code) {
        if (i.dead || i.op != Op::Mul) continue;
        for (int l = 0; l < i.n; ++l) lanes += !(i.src[1].isConst() && i.src[1].k[l] == 1);
    }
    EXPECT_EQ(lanes, 4) << printIr(ir);
    EXPECT_EQ(live(ir, Op::Mul), 4) << printIr(ir);
}

std::string verifyAllocation(const IrProgram &ir, const Allocation &a);

// Live instructions but the result writes.
int computed(const IrProgram &ir) {
    int n = 0;
    for (const Instr &i : ir.code) n += !i.dead && i.op != Op::Output;
    return n;
}

TEST(Optimizer, FoldsRepeatedSumsAndScaledSumsIntoOneInstruction) {
    struct Case {
        const char *body;  // of main(float4 tc : TEXCOORD0, float4 c : COLOR0) : COLOR
        Op op;             // what is left
        int count;
    } cases[] = {
        // an unrolled loop of equal terms: tc * 0.5
        {"float4 a = 0; for (int i = 0; i < 4; i++) a += tc * 0.125; return a;", Op::Mul, 1},
        {"return tc + tc - tc * 0.5;", Op::Mul, 1},
        {"return -tc + tc * 3;", Op::Mul, 1},
        // (x + c) * k and (x * f + g) * k: one MAD
        {"return (tc + 0.25) * 3;", Op::Mad, 1},
        {"return (tc.x * 0.5 + 0.5) * 4;", Op::Mad, 1},
        {"float d = dot(tc, c); return (d * 0.5 + 0.5) * 4;", Op::Mad, 1},
    };
    for (const Case &c : cases) {
        std::string text = std::string("float4 main(float4 tc : TEXCOORD0, float4 c : COLOR0) : COLOR { ") + c.body + " }";
        IrProgram ir;
        ASSERT_TRUE(lowerText(text, Profile::Arbfp1, ir)) << text;
        optimize(ir);
        EXPECT_EQ(live(ir, c.op), c.count) << text << "\n" << printIr(ir);
        EXPECT_EQ(computed(ir), c.count + (c.op == Op::Mad && std::string(c.body).find("dot") != std::string::npos))
            << text << "\n" << printIr(ir);
    }
}

TEST(Optimizer, LanesNobodyReadsAreNotComputed) {
    // 2 / x per component, scaled as a vector, and only .z shown: one RCP, one lane wide.
    IrProgram ir;
    ir.profile = &describe(Profile::Arbfp1);
    Builder b(ir);
    Val x = input(0), quotients;
    quotients.n = 4;
    for (int l = 0; l < 4; ++l) quotients.c[l] = b.emit(Op::Rcp, {Val{1, {x.c[l]}}}, 1).c[0];
    Val scaled = b.emit(Op::Mul, {quotients, Builder::constant(2, 4)}, 4);
    Val z;
    z.n = 1;
    z.c[0] = scaled.c[2];
    b.output(colorOutput(0), b.emit(Op::Add, {z, input(1)}, 4));
    optimize(ir);
    EXPECT_EQ(live(ir, Op::Rcp), 1) << printIr(ir);
    Allocation a;
    allocate(ir, a);
    for (const Instr &i : ir.code) {
        if (!i.dead && i.op == Op::Mul) {
            EXPECT_EQ(a.usedLanes[i.dst], 1u << 2) << printIr(ir, &a);
        }
    }
    EXPECT_EQ(verifyAllocation(ir, a), "");
}

TEST(Optimizer, WritesToLanesOfOneRegisterAreOneInstruction) {
    struct Case {
        Profile profile;
        const char *text;
        Op op;
        int count, computed;  // of op; live instructions but the result writes
    } cases[] = {
        // .xy then .z of one result: one MAD, the MUL's lanes adding 0
        {Profile::Arbfp1,
         "float4 main(float2 uv : TEXCOORD0) : COLOR { float3 c = 0;\n"
         "  for (int i = 0; i < 4; i++) c.xy += uv * 0.125;\n"
         "  for (int j = 1; j <= 3; j++) c.z += 0.05 * j;\n"
         "  c.z += uv.x * 0.5; return float4(c, 1); }",
         Op::Mad, 1, 1},
        // two index components, each for its own ARL, close together
        {Profile::Arbvp1,
         "uniform float4 rows[8];\n"
         "float4 main(float4 i : TEXCOORD1, out float4 p : POSITION) : COLOR {\n"
         "  p = i; return rows[i.x] + rows[i.y]; }",
         Op::Flr, 1, 5},
        // the second product reads what the first one's reader makes: nowhere to merge
        {Profile::Arbfp1,
         "float4 main(float2 uv : TEXCOORD0) : COLOR { float a = uv.x * 3;\n"
         "  float b = rsqrt(a) * 5; return float4(a, b, 0, 1); }",
         Op::Mul, 2, 3},
    };
    for (const Case &c : cases) {
        IrProgram ir;
        ASSERT_TRUE(lowerText(c.text, c.profile, ir)) << c.text;
        optimize(ir);
        EXPECT_EQ(live(ir, c.op), c.count) << c.text << "\n" << printIr(ir);
        EXPECT_EQ(computed(ir), c.computed) << c.text << "\n" << printIr(ir);
        Allocation a;
        allocate(ir, a);
        EXPECT_EQ(verifyAllocation(ir, a), "") << printIr(ir, &a);
    }
}

TEST(Optimizer, LerpByAWeightOfZerosAndOnesIsASelect) {
    struct Case {
        const char *weight;  // of lerp(tc, c, weight)
        bool select;
    } cases[] = {
        {"abs(step(0.5, tc.x) - step(0.5, tc.y))", true},
        {"float4(1 - step(tc.xy, c.xy), step(tc.z, c.z) * (tc.w < c.w), 0)", true},
        {"saturate(step(0.5, tc) - step(0.5, c))", true},
        {"step(0.5, tc) + step(0.5, c)", false},  // 0, 1 or 2
        {"saturate(tc)", false},
    };
    for (const Case &c : cases) {
        std::string text = std::string("float4 main(float4 tc : TEXCOORD0, float4 c : COLOR0) : COLOR { return lerp(tc, c, ") +
                           c.weight + "); }";
        IrProgram ir;
        ASSERT_TRUE(lowerText(text, Profile::Arbfp1, ir)) << text;
        optimize(ir);
        EXPECT_EQ(live(ir, Op::Lrp), c.select ? 0 : 1) << text << "\n" << printIr(ir);
        EXPECT_EQ(live(ir, Op::Cmp), c.select ? 1 : 0) << text << "\n" << printIr(ir);
    }
}

TEST(Optimizer, WorkOfUniformsAloneIsTheRuntimesWithPacking) {
    const char *text = "uniform float contrast; uniform float3 lift, dir;\n"
                       "float4 main(float3 c : TEXCOORD0) : COLOR {\n"
                       "  return float4((c - 0.5) * contrast + 0.5 + lift, dot(c, normalize(dir))); }";
    CompileResult plain = compile(text, Profile::Arbfp1), packed = compile(text, Profile::Arbfp1, "main", {"-packuniforms"});
    ASSERT_TRUE(plain.ok && packed.ok) << plain.listing << packed.listing;
    EXPECT_TRUE(plain.derived.empty());
    EXPECT_EQ(plain.stats.instructions - plain.stats.constantInstructions, 7) << plain.assembly;
    EXPECT_EQ(packed.stats.instructions, 2) << packed.assembly;  // MAD, DP3
    // The runtime's values for contrast 0.25, lift (0.5, 0, -1), dir (0, 3, 4).
    std::map<int, std::array<float, 4>> rows;
    for (const ParameterInfo &p : packed.parameters) {
        if (p.name == "contrast") rows[p.row] = {0.25f, 0, 0, 0};
        if (p.name == "lift") rows[p.row] = {0.5f, 0, -1, 0};
        if (p.name == "dir") rows[p.row] = {0, 3, 4, 0};
    }
    auto values = evaluateDerived(packed.derived, [&](int row) { return rows[row]; });
    std::vector<std::array<float, 4>> slots;
    for (size_t i = 0; i < values.size(); ++i)
        if (packed.derived[i].slot >= 0) slots.push_back(values[i]);
    ASSERT_EQ(slots.size(), 2u);
    auto near = [](const std::array<float, 4> &v, std::array<float, 3> want) {
        return std::fabs(v[0] - want[0]) < 1e-6f && std::fabs(v[1] - want[1]) < 1e-6f && std::fabs(v[2] - want[2]) < 1e-6f;
    };
    // 0.5 - 0.5 * contrast + lift, and dir / |dir|, in either order
    std::array<float, 3> addend = {0.875f, 0.375f, -0.625f}, unit = {0, 0.6f, 0.8f};
    EXPECT_TRUE((near(slots[0], addend) && near(slots[1], unit)) || (near(slots[0], unit) && near(slots[1], addend)))
        << packed.assembly;
    // A vector's reciprocal is RCP by RCP, gathered: the runtime's as well, and what is made of it.
    CompileResult scaled = compile("uniform float2 video, output;\nfloat4 main(float3 c : TEXCOORD0) : COLOR {\n"
                                   "  return (c.xy * floor(output / video)).xyxy; }",
                                   Profile::Arbfp1, "main", {"-packuniforms"});
    ASSERT_TRUE(scaled.ok) << scaled.listing;
    EXPECT_EQ(scaled.stats.instructions, 1) << scaled.assembly;
    rows.clear();
    for (const ParameterInfo &p : scaled.parameters) {
        if (p.name == "video") rows[p.row] = {256, 224, 0, 0};
        if (p.name == "output") rows[p.row] = {1024, 900, 0, 0};
    }
    values = evaluateDerived(scaled.derived, [&](int row) { return rows[row]; });
    slots.clear();
    for (size_t i = 0; i < values.size(); ++i)
        if (scaled.derived[i].slot >= 0) slots.push_back(values[i]);
    ASSERT_EQ(slots.size(), 1u) << scaled.assembly;
    EXPECT_EQ(slots[0][0], 4);
    EXPECT_EQ(slots[0][1], 4);
    // 1 + k * (1 - s) as a LRP's weight: (1 + k) - k * s would read no fewer components, so
    // the fragment program keeps its own shape (where the GL's compiler finds 1 - weight).
    const char *weight = "uniform float k;\nfloat4 main(float4 c : TEXCOORD0) : COLOR {\n"
                         "  return lerp(c.wwww, c, 1 + k * (1 - max(c.x, c.y))); }";
    CompileResult kept = compile(weight, Profile::Arbfp1), keptPacked = compile(weight, Profile::Arbfp1, "main", {"-packuniforms"});
    ASSERT_TRUE(kept.ok && keptPacked.ok) << kept.listing << keptPacked.listing;
    std::string renamed = keptPacked.assembly;
    for (size_t at; (at = renamed.find("packed0")) != std::string::npos;) renamed.replace(at, 7, "u_k");
    EXPECT_EQ(renamed, kept.assembly);
    // Gathered with constants, (-d.x, 0, d.x, 0), the lanes are the program's moves: the
    // runtime's rows hold d.x and d.y alone, not the zeros too for the GL to fetch and add.
    CompileResult taps = compile("uniform float2 size;\nvoid main(float2 uv : TEXCOORD0, out float4 p : POSITION,\n"
                                 "  out float4 a : TEXCOORD0, out float4 b : TEXCOORD1) {\n  float2 d = 1.0 / size;\n"
                                 "  p = uv.xyxy; a = uv.xyxy + float4(-d.x, 0, d.x, 0); b = uv.xyxy + float4(0, -d.y, 0, d.y); }",
                                 Profile::Arbvp1, "main", {"-packuniforms"});
    ASSERT_TRUE(taps.ok) << taps.listing;
    int lanes = 0;
    for (const DerivedStep &step : taps.derived) {
        EXPECT_NE(step.op, int(Op::Build)) << taps.assembly;
        if (step.slot >= 0) lanes += step.lanes;
    }
    EXPECT_EQ(lanes, 2) << taps.assembly;
}

// Scalar factors of uniforms carried through a linear chain into the runtime's products: an
// exposure, a saturation towards the luminance and a contrast are two MADs after the dot.
// And the slot read last sits first, where llvmpipe fetches its first component for nothing.
TEST(Optimizer, FactorsOfUniformsAloneJoinTheRuntimesProducts) {
    const char *text = "uniform float power; uniform float4 rim; uniform float exposure, saturation, contrast;\n"
                       "uniform float3 lift;\n"
                       "float4 main(float3 t : TEXCOORD0, float3 n : TEXCOORD1) : COLOR {\n"
                       "  float3 c = t * exposure; float l = dot(c, float3(0.25, 0.5, 0.25));\n"
                       "  c = lerp(float3(l, l, l), c, saturation);\n"
                       "  return float4((c - 0.5) * contrast + 0.5 + lift, 1) + rim * pow(n.x, power); }";
    CompileResult plain = compile(text, Profile::Arbfp1), packed = compile(text, Profile::Arbfp1, "main", {"-packuniforms"});
    ASSERT_TRUE(plain.ok && packed.ok) << plain.listing << packed.listing;
    auto body = [](const std::string &assembly) {  // the instructions after the constants are made
        std::set<std::string> ops;
        size_t from = std::min(assembly.find("\nPOW"), assembly.find("\nDP3")) + 1;
        for (size_t at = from; at < assembly.size(); at = assembly.find('\n', at) + 1)
            if (assembly.compare(at, 3, "END") != 0) ops.insert(assembly.substr(at, assembly.find(' ', at) - at));
        return ops;
    };
    EXPECT_EQ(body(packed.assembly), (std::set<std::string>{"POW", "DP3", "MAD", "SWZ"})) << packed.assembly;
    std::map<int, std::array<float, 4>> rows;
    int rimSlot[2] = {-1, -1};
    for (int v = 0; v < 2; ++v)
        for (const ParameterInfo &p : (v ? packed : plain).parameters) {
            if (p.name == "rim") rimSlot[v] = p.firstSlot;
            if (!v) continue;
            if (p.name == "exposure") rows[p.row] = {2, 0, 0, 0};
            if (p.name == "saturation") rows[p.row] = {0.25f, 0, 0, 0};
            if (p.name == "contrast") rows[p.row] = {1.5f, 0, 0, 0};
            if (p.name == "lift") rows[p.row] = {0.5f, 0, -1, 0};
        }
    EXPECT_EQ(rimSlot[0], 1);
    EXPECT_EQ(rimSlot[1], 0) << packed.assembly;
    // Not into the register of a bound uniform, even one the program does not read.
    CompileResult bound = compile("uniform float4 unused : register(c0); uniform float power; uniform float4 rim;\n"
                                  "float4 main(float3 n : TEXCOORD1) : COLOR { return rim * pow(n.x, power); }",
                                  Profile::Arbfp1, "main", {"-packuniforms"});
    ASSERT_TRUE(bound.ok) << bound.listing;
    EXPECT_EQ(bound.assembly.find("program.local[0]"), std::string::npos) << bound.assembly;
    // A vertex program's slot read first sits first: here its matrix, before the light, which
    // shares no slot.
    CompileResult vertex = compile("uniform float3 light; uniform float4x4 mvp;\n"
                                   "float4 main(float4 p : POSITION, float3 n : NORMAL, out float4 c : COLOR0) : POSITION {\n"
                                   "  float4 o = mul(mvp, p); c = max(dot(n, light), 0); return o; }",
                                   Profile::Arbvp1, "main", {"-packuniforms"});
    ASSERT_TRUE(vertex.ok) << vertex.listing;
    EXPECT_NE(vertex.assembly.find("u_mvp[4] = { program.local[0..3] }"), std::string::npos) << vertex.assembly;
    EXPECT_NE(vertex.assembly.find("u_light = program.local[4]"), std::string::npos) << vertex.assembly;
    // t * (exposure * saturation * contrast) + l * (exposure * (1 - saturation) * contrast)
    // + (0.5 - 0.5 * contrast + lift), whatever the order of the slots.
    auto values = evaluateDerived(packed.derived, [&](int row) { return rows[row]; });
    std::multiset<float> got, want = {0.75f, 2.25f, 0.25f, -0.25f, -1.25f};
    for (size_t i = 0; i < values.size(); ++i)
        if (packed.derived[i].slot >= 0)
            for (int l = 0; l < packed.derived[i].lanes; ++l) got.insert(values[i][size_t(l)]);
    EXPECT_EQ(got, want) << packed.assembly;
}

TEST(Optimizer, WorkOfUniformsAloneStaysWhereItWouldCostAFragmentProgramMoreReads) {
    struct Case {
        const char *body;  // of main(float4 c : TEXCOORD0), with uniforms t, u and v
        int derived;       // the runtime's values the fragment program reads
        int components;    // uniform components it reads
        int vertexDerived = 1;
    } cases[] = {
        {"return c * (1 - t);", 1, 1},          // 1 - t instead of t
        {"return c * t + (1 - t);", 0, 1},      // t read anyway: 1 - t stays an instruction
        {"return c * (t * u) + v.x;", 1, 2},    // t * u: one component instead of two
        {"return c * t + (t * u) * v;", 1, 5},  // t * u * v: four components instead of five
        {"return c * (v + 0.5);", 1, 4},        // as many
        {"return lerp(t, u, c.x);", 1, 2},      // u - t beside t
        // dot(c, c) / (1 + t) + t / (1 + t): two values of one uniform, judged together
        {"return (dot(c, c) + t) / (1 + t);", 0, 1, 2},
        {"return c * cos(t) + sin(t);", 2, 2, 2},  // worth the fetch more
        {"return t > 0.5 ? c : v;", 0, 5, 2},  // selected by: compared where it is read
        {"return t > u ? c : v;", 1, 5, 2},    // one component instead of two
    };
    auto slotsOf = [](const CompileResult &r) {
        int slots = 0;
        for (const DerivedStep &step : r.derived) slots += step.slot >= 0;
        return slots;
    };
    for (const Case &c : cases) {
        std::string uniforms = "uniform float t, u; uniform float4 v;\n";
        CompileResult fp = compile(uniforms + "float4 main(float4 c : TEXCOORD0) : COLOR { " + c.body + " }", Profile::Arbfp1,
                                   "main", {"-packuniforms"});
        CompileResult vp = compile(uniforms + "float4 main(float4 c : POSITION) : POSITION { " + c.body + " }",
                                   Profile::Arbvp1, "main", {"-packuniforms"});
        ASSERT_TRUE(fp.ok && vp.ok) << c.body << fp.listing << vp.listing;
        EXPECT_EQ(slotsOf(fp), c.derived) << c.body << "\n" << fp.assembly;
        EXPECT_EQ(slotsOf(vp), c.vertexDerived) << c.body << "\n" << vp.assembly;  // a vertex program's loads cost no more
        // Components read: each "name.swizzle" outside the declarations (a swizzle's letters,
        // each once).
        std::set<std::string> read;
        std::string code = std::regex_replace(fp.assembly, std::regex(R"((^|\n)(PARAM|#)[^\n]*)"), "");
        std::regex operand(R"(\b(packed\d+|d\d+|u_\w+)(\.([xyzw]+))?)");
        for (auto m = std::sregex_iterator(code.begin(), code.end(), operand); m != std::sregex_iterator(); ++m)
            for (char k : (*m)[3].matched ? (*m)[3].str() : std::string("xyzw")) read.insert((*m)[1].str() + "." + k);
        EXPECT_EQ(int(read.size()), c.components) << c.body << "\n" << fp.assembly;
    }
}

TEST(Optimizer, AFragmentProgramReadsItsUniformsAsSoonAsItCan) {
    const char *text = "uniform float4 a, b;\n"
                       "float4 main(float4 c : TEXCOORD0) : %s {\n"
                       "  float s = sin(c.x * c.z);\n  return lerp(a, b, c.y) * s; }";
    auto order = [](const std::string &assembly) {  // the opcodes, in order
        std::string ops;
        for (size_t at = 0; (at = assembly.find(";\n", at)) != std::string::npos; ++at) {
            size_t line = assembly.rfind('\n', at) + 1;
            std::string op = assembly.substr(line, assembly.find_first_of(" _;", line) - line);
            if (op != "PARAM" && op != "TEMP") ops += op + " ";
        }
        return ops;
    };
    char fragment[256], vertex[256];
    std::snprintf(fragment, sizeof fragment, text, "COLOR");
    std::snprintf(vertex, sizeof vertex, text, "POSITION");
    CompileResult fp = compile(fragment, Profile::Arbfp1), vp = compile(vertex, Profile::Arbvp1);
    ASSERT_TRUE(fp.ok && vp.ok) << fp.listing << vp.listing;
    // The blend of the two uniforms needs nothing the sine does: it goes first. A vertex
    // program keeps the order of the text.
    EXPECT_EQ(order(fp.assembly), "LRP MUL SIN MUL ") << fp.assembly;
    EXPECT_EQ(order(vp.assembly).rfind("MUL MAD FRC", 0), 0u) << vp.assembly;
    // Nor above a texture lookup the text has first.
    CompileResult textured = compile("uniform sampler2D t;\nuniform float4 a, b;\n"
                                     "float4 main(float4 c : TEXCOORD0) : COLOR {\n"
                                     "  float4 x = tex2D(t, c.xy);\n  return x * c.z + lerp(a, b, c.w); }",
                                     Profile::Arbfp1);
    ASSERT_TRUE(textured.ok) << textured.listing;
    EXPECT_EQ(order(textured.assembly).rfind("TEX ", 0), 0u) << textured.assembly;
    // 24 such blends all first would hold 24 temporaries at once, more than every GL offers:
    // the program keeps the text's order.
    std::string many = "uniform float4 u[25];\nfloat4 main(float4 tc : TEXCOORD0, float4 c : COLOR0) : COLOR {\n"
                       "  float4 s = 0;\n";
    for (int i = 0; i < 24; ++i)
        many += "  s = s * tc + sin(c * " + std::to_string(i + 1) + ") * lerp(u[" + std::to_string(i) + "], u[" +
                std::to_string(i + 1) + "], tc.x);\n";
    CompileResult big = compile(many + "  return s; }", Profile::Arbfp1);
    ASSERT_TRUE(big.ok) << big.listing;
    EXPECT_LE(big.stats.temporaries, 16) << big.assembly;
    // Nor far up, where the value would be live across much of the program: pos - p, read by
    // the last instruction, goes a few instructions up, not to the start.
    CompileResult far = compile("uniform float3 pos;\nfloat4 main(float4 t : TEXCOORD0, float3 p : TEXCOORD3) : COLOR {\n"
                                "  float4 x = t;\n  for (int i = 0; i < 12; i++) x = frac(x * 1.7 + 0.3);\n"
                                "  return x + float4(pos - p, 0); }",
                                Profile::Arbfp1);
    ASSERT_TRUE(far.ok) << far.listing;
    std::string tail = far.assembly.substr(far.assembly.find("u_pos.xyzz"));
    EXPECT_LE(std::count(tail.begin(), tail.end(), '\n'), 10) << far.assembly;
}

// The values the instructions buildConstants writes leave in each register, worked out in
// single precision as a GL's compiler folds them.
std::map<std::string, std::array<float, 4>> runPrologue(const std::vector<std::string> &lines) {
    std::map<std::string, std::array<float, 4>> regs;
    auto read = [&](std::string operand) {
        bool negative = operand[0] == '-';
        if (negative) operand.erase(0, 1);
        size_t dot = operand.find('.');
        float v = regs.at(operand.substr(0, dot))[size_t(std::string("xyzw").find(operand[dot + 1]))];
        return negative ? -v : v;
    };
    for (const std::string &line : lines) {
        std::smatch m;
        EXPECT_TRUE(std::regex_match(line, m, std::regex(R"((\w+) (R\d+)(?:\.(\w+))?, (.*))"))) << line;
        std::vector<std::string> src;
        std::string rest = m[4];
        for (size_t at = 0; at <= rest.size();) {
            size_t end = std::min(rest.find(", ", at), rest.size());
            src.push_back(rest.substr(at, end - at));
            at = end + 2;
        }
        std::string mask = m[3].matched ? std::string(m[3]) : "xyzw";
        std::array<float, 4> &dst = regs[m[2]];
        for (char c : mask) {
            size_t lane = std::string("xyzw").find(c);
            std::string op = m[1];
            float v = op == "SWZ"   ? std::stof(src.at(1 + lane))
                      : op == "MOV" ? read(src.at(0))
                      : op == "RCP" ? 1.0f / read(src.at(0))
                      : op == "ADD" ? read(src.at(0)) + read(src.at(1))
                      : op == "MUL" ? read(src.at(0)) * read(src.at(1))
                      : op == "MAD" ? read(src.at(0)) * read(src.at(1)) + read(src.at(2))
                                    : NAN;
            dst[lane] = v;
        }
    }
    return regs;
}

TEST(Emitter, AFragmentProgramThatReadsAUniformMakesItsConstantsExactly) {
    // Integers, powers of two, reciprocals, their products, sums and differences of two
    // (0.8 + 0.1 as the compiler folds it, 1 - 0.1), negatives, and the SWZ's own +-0 and +-1;
    // decimal fractions whose digits times 1 / 10^k round to them (0.587) or to the float next
    // to them (0.299, 0.114).
    std::vector<std::array<float, 4>> vectors = {{8, 40, 0.5f, 0.1f},        {0.8f + 0.1f, -3, 0.75f, 0.001f},
                                                 {-2.5f, 1024, 0.0625f, 1},  {-0.0f, -1, 0.9f, 6.5f},
                                                 {0.299f, 0.587f, -0.114f, 0}, {1.442695f, 0.0722f, 0, 0},
                                                 {3.1415927f, 6.2831855f, -1.5707964f, 3}};
    std::vector<int> used = {4, 4, 4, 4, 3, 2, 4};
    ConstantPrologue prologue;
    std::vector<std::string> scratch = {"R0",  "R1",  "R2",  "R3",  "R8",  "R9",  "R10", "R11",
                                        "R14", "R15", "R17", "R18", "R19", "R20", "R21"};
    std::vector<std::string> registers = {"R4", "R5", "R6", "R7", "R12", "R13", "R16"};
    ASSERT_TRUE(buildConstants(vectors, used, registers, scratch, "fragment.texcoord[0]", 100, prologue));
    auto regs = runPrologue(prologue.lines);
    for (size_t v = 0; v < vectors.size(); ++v)
        for (size_t c = 0; c < size_t(used[v]); ++c) {
            const std::string &r = registers[v];
            float got = regs[r][c];
            EXPECT_EQ(std::memcmp(&got, &vectors[v][c], sizeof got), 0) << r << "." << "xyzw"[c] << " = " << got << ", not "
                                                                          << vectors[v][c];
        }
    EXPECT_LE(prologue.lines.size(), 75u) << prologue.lines.size();
    // Constants a power of two apart cost one step more than the first: pi, 2 pi, -pi / 2.
    std::vector<std::string> six = {"R0", "R2", "R3", "R4", "R5", "R6"};
    ASSERT_TRUE(buildConstants({{3.1415927f, 0, 0, 0}}, {1}, {"R1"}, six, "R0", 72, prologue));
    size_t alone = prologue.lines.size();
    ASSERT_TRUE(buildConstants({{3.1415927f, 6.2831855f, -1.5707964f, 0}}, {3}, {"R1"}, six, "R0", 72, prologue));
    EXPECT_LE(prologue.lines.size(), alone + 3) << alone;
    // Too little room for a value's steps, for the steps between or for the instructions:
    // no prologue.
    EXPECT_FALSE(buildConstants({{0.2126f, 1, 0, 0}}, {2}, {"R1"}, {"R0", "R2"}, "R0", 4, prologue));
    EXPECT_TRUE(buildConstants({{0.1f, 40, 0, 0}}, {2}, {"R1"}, {"R0", "R2"}, "R0", 72, prologue));
    EXPECT_FALSE(buildConstants({{0.1f, 40, 0, 0}}, {2}, {"R1"}, {}, "R0", 72, prologue));
    EXPECT_FALSE(buildConstants({{0.1f, 40, 0, 0}}, {2}, {"R1"}, {"R0", "R2"}, "R0", 5, prologue));

    // In a compiled program that reads a uniform, packed or not, no literal PARAM is left and
    // the uniform takes the first parameter; without one, the literals stay.
    const char *text = "uniform float k;\nfloat4 main(float4 c : TEXCOORD0) : COLOR {\n"
                       "  return float4(c.x * 8 + k, c.y * 0.1 + 0.9, frac(c.z * 40) - k, 0.5); }";
    for (const std::vector<std::string> &options : {std::vector<std::string>{"-packuniforms"}, std::vector<std::string>{}}) {
        CompileResult r = compile(text, Profile::Arbfp1, "main", options);
        ASSERT_TRUE(r.ok) << r.listing;
        EXPECT_EQ(r.assembly.find("PARAM c"), std::string::npos) << r.assembly;
        EXPECT_NE(r.assembly.find("= program.local[0];"), std::string::npos) << r.assembly;
        EXPECT_GT(r.stats.constantInstructions, 0) << r.assembly;
    }
    CompileResult none = compile("float4 main(float4 c : TEXCOORD0) : COLOR {\n"
                                 "  return float4(c.x * 8, c.y * 0.1 + 0.9, frac(c.z * 40), 0.5); }",
                                 Profile::Arbfp1);
    ASSERT_TRUE(none.ok) << none.listing;
    EXPECT_NE(none.assembly.find("PARAM c0"), std::string::npos) << none.assembly;
    EXPECT_EQ(none.stats.constantInstructions, 0);
    CompileResult luma = compile("uniform float k;\nfloat4 main(float4 c : TEXCOORD0) : COLOR {\n"
                                 "  return dot(c.xyz, float3(0.2126, 0.7152, 0.0722)) * k; }",
                                 Profile::Arbfp1, "main", {"-packuniforms"});
    ASSERT_TRUE(luma.ok) << luma.listing;
    EXPECT_EQ(luma.assembly.find("PARAM c0"), std::string::npos) << luma.assembly;
    // A vertex program's too, where its GL would otherwise negate a loaded -0.5 per vertex.
    CompileResult vertex = compile("uniform float4x4 m;\nuniform float k;\n"
                                   "float4 main(float4 p : POSITION, out float4 c : COLOR0) : POSITION {\n"
                                   "  c = frac(p * 1.5 - 0.5) * k;\n  return mul(m, p); }",
                                   Profile::Arbvp1);
    ASSERT_TRUE(vertex.ok) << vertex.listing;
    EXPECT_EQ(vertex.assembly.find("PARAM c0"), std::string::npos) << vertex.assembly;
    EXPECT_NE(vertex.assembly.find("= { program.local[0..3] };"), std::string::npos) << vertex.assembly;
}

int count(const std::string &assembly, const std::string &op) {
    int n = 0;
    for (size_t at = assembly.find("\n" + op + " "); at != std::string::npos; at = assembly.find("\n" + op + " ", at + 1)) ++n;
    return n;
}

TEST(Optimizer, AProductOfANegatedValueIsTheNegatedProduct) {
    // dot(n, -l) beside dot(n, l), -v * l beside v * l, reflect(-l, n): one instruction each.
    CompileResult r = compile("uniform float3 l;\nfloat4 main(float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n"
                              "  return float4(dot(n, -l), dot(n, l), (-v * l).x, (v * l).y); }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(count(r.assembly, "DP3"), 1) << r.assembly;
    EXPECT_EQ(count(r.assembly, "MUL"), 1) << r.assembly;
    CompileResult reflected = compile("uniform float3 l;\nfloat4 main(float3 n : TEXCOORD1) : COLOR {\n"
                                      "  return float4(reflect(-l, n), max(dot(n, l), 0)); }",
                                      Profile::Arbfp1);
    ASSERT_TRUE(reflected.ok) << reflected.listing;
    EXPECT_EQ(count(reflected.assembly, "DP3"), 1) << reflected.assembly;
}

TEST(Optimizer, AQuotientByASquareRootIsAProductByItsReciprocalRoot) {
    // L / length(L) and x / (2 * sqrt(y)): RSQ and products, no RCP; 1 / (3 / x) is x / 3.
    CompileResult r = compile("float4 main(float3 l : TEXCOORD1, float2 v : TEXCOORD0) : COLOR {\n"
                              "  return float4((l / length(l)).xy, v.x / (2 * sqrt(v.y)), 1 / (3 / v.x)); }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(count(r.assembly, "RCP"), 0) << r.assembly;
    EXPECT_EQ(count(r.assembly, "RSQ"), 2) << r.assembly;
}

TEST(Optimizer, FmodIsTheFractionOfTheQuotientWithTheDividendsSign) {
    // fmod(x, 3): FRC, a product and one CMP for the sign, no FLR of |x / 3| to subtract.
    CompileResult r = compile("float4 main(float2 v : TEXCOORD0) : COLOR {\n  return fmod(v.x, 3).xxxx; }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(count(r.assembly, "FLR"), 0) << r.assembly;
    EXPECT_EQ(count(r.assembly, "FRC") + count(r.assembly, "CMP"), 2) << r.assembly;
}

TEST(Optimizer, NotOfAComparisonIsTheOppositeComparison) {
    // !l for l = c.x < 0.5 is c.x >= 0.5, a boolean to the GL's compiler, not 1 - l.
    CompileResult r = compile("float4 main(float4 c : TEXCOORD0) : COLOR {\n  bool l = c.x < 0.5;\n"
                              "  return !l && c.z < 0.25 ? c : c.zzzz; }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(count(r.assembly, "ADD") + count(r.assembly, "SUB"), 0) << r.assembly;
    EXPECT_EQ(count(r.assembly, "SGE"), 1) << r.assembly;
    // Not where a NaN matters: not isfinite(NaN) is true, its opposite comparison false.
    for (const char *test : {"isfinite", "isinf"}) {
        CompileResult n = compile(std::string("float4 main(float4 c : TEXCOORD0) : COLOR { return (!") + test +
                                      "(c.x)).xxxx; }",
                                  Profile::Arbfp1);
        ASSERT_TRUE(n.ok) << n.listing;
        EXPECT_EQ(count(n.assembly, "ADD") + count(n.assembly, "SUB"), 1) << n.assembly;
    }
    // Nor is x >= x known to be 1: isnan compares x with itself, and not isnan is that
    // comparison alone (1 - (1 - b) cancels).
    for (const char *test : {"isnan", "!isnan"}) {
        CompileResult nan = compile(std::string("float4 main(float4 c : TEXCOORD0) : COLOR { return ") + test +
                                        "(c.x) ? c : c.yxzw; }",
                                    Profile::Arbfp1);
        ASSERT_TRUE(nan.ok) << nan.listing;
        EXPECT_EQ(count(nan.assembly, "SGE"), 1) << nan.assembly;
        EXPECT_EQ(count(nan.assembly, "ADD") + count(nan.assembly, "SUB"), test[0] == '!' ? 0 : 1) << nan.assembly;
    }
}

TEST(Optimizer, AQuotientByAQuotientTakesOneReciprocal) {
    // c / (p / q) is c * (q * (1 / p)): one RCP, where it took two. Where p / q or 1 / q
    // is read elsewhere too, nothing changes: both stay, and the readers see their values.
    const char *head = "float4 main(float4 c : TEXCOORD0, float4 d : TEXCOORD1) : COLOR {\n"
                       "  float p = d.x * d.y + 0.5, q = d.z - d.w, r = p / q;\n";
    CompileResult once = compile(std::string(head) + "  return -c / r; }", Profile::Arbfp1);
    ASSERT_TRUE(once.ok) << once.listing;
    EXPECT_EQ(count(once.assembly, "RCP"), 1) << once.assembly;
    for (const char *tail : {"  return c / r + r; }", "  return c / r + 1 / q; }"}) {
        CompileResult shared = compile(std::string(head) + tail, Profile::Arbfp1);
        ASSERT_TRUE(shared.ok) << shared.listing;
        EXPECT_EQ(count(shared.assembly, "RCP"), 2) << shared.assembly;
    }
}

TEST(Optimizer, SumsAndSelectsTakeNoStepMesaWouldNotFold) {
    // a * k + b * k adds first and scales once; x < 0 ? a : b is one CMP of x; the same
    // product made twice by the rewrites (d * k for tanh(c * d) and for tanh(d)) is made once.
    CompileResult r = compile("uniform float d;\n"
                              "float4 main(float4 a : TEXCOORD0, float4 b : TEXCOORD1, float4 c : TEXCOORD2) : COLOR {\n"
                              "  return float4(a.xy * 0.25 + b.xy * 0.25, c.x < 0 ? a.z : b.z, 1); }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(count(r.assembly, "SLT") + count(r.assembly, "MAD"), 0) << r.assembly;
    EXPECT_EQ(count(r.assembly, "ADD") + count(r.assembly, "MUL"), 2) << r.assembly;
    CompileResult tanh = compile("uniform float d;\nfloat4 main(float4 c : TEXCOORD0) : COLOR {\n"
                                 "  return float4(tanh(c.rgb * d) / tanh(d), 1); }",
                                 Profile::Arbfp1);
    ASSERT_TRUE(tanh.ok) << tanh.listing;
    size_t first = tanh.assembly.find("u_d.x");
    EXPECT_EQ(tanh.assembly.find("u_d.x", first + 1), std::string::npos) << tanh.assembly;
    // Where a product or the comparison is read again, both stay.
    CompileResult shared = compile("float4 main(float4 a : TEXCOORD0, float4 b : TEXCOORD1, float4 c : TEXCOORD2) : COLOR {\n"
                                   "  float4 p = a * 0.25; float f = c.x < 0;\n"
                                   "  return float4(p.x + b.x * 0.25, p.y, f ? a.z : b.z, f); }",
                                   Profile::Arbfp1);
    ASSERT_TRUE(shared.ok) << shared.listing;
    EXPECT_EQ(count(shared.assembly, "SLT"), 1) << shared.assembly;
    EXPECT_EQ(count(shared.assembly, "ADD"), 0) << shared.assembly;
}

TEST(Optimizer, AnyOrAllOfAComparisonWithOneValueComparesTheLargestOrLeast) {
    // any(c.xyz > 0.9) is max(c.x, c.y, c.z) > 0.9, two MAX where a sum of the lanes' flags
    // and its comparison were; sign is one CMP of one comparison.
    CompileResult r = compile("uniform float t;\nfloat4 main(float4 c : TEXCOORD0) : COLOR {\n"
                              "  return float4(any(c.xyz > 0.9), all(c.xy <= t), any(t < c), sign(c.w)); }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(count(r.assembly, "DP3") + count(r.assembly, "DP4"), 0) << r.assembly;
    EXPECT_LE(count(r.assembly, "MAX"), 4) << r.assembly;
    EXPECT_EQ(count(r.assembly, "SLT") + count(r.assembly, "SGE"), 4) << r.assembly;
    EXPECT_EQ(count(r.assembly, "CMP"), 1) << r.assembly;
}

TEST(Optimizer, AnyOrAllOfFlagsIsTheirLargestOrLeast) {
    // A product of steps holds 0 or 1 already, so its any is MAX alone: no ABS, no
    // comparison with 0, no sum; a bool3 variable's all is MIN.
    CompileResult r = compile("float4 main(float4 c : TEXCOORD0) : COLOR {\n"
                              "  float4 f = step(0.5, c) * step(c, 0.9); bool3 b = c.xyz < c.w;\n"
                              "  return float4(any(f), all(b), f.x, 0); }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(count(r.assembly, "ABS") + count(r.assembly, "DP3") + count(r.assembly, "DP4"), 0) << r.assembly;
    EXPECT_EQ(count(r.assembly, "SLT") + count(r.assembly, "SGE"), 3) << r.assembly;
    EXPECT_EQ(count(r.assembly, "MAX"), 2) << r.assembly;
    EXPECT_EQ(count(r.assembly, "MIN"), 2) << r.assembly;
}

// A GL loads a uniform slot where the program first reads any of its components.
TEST(Optimizer, PackedUniformsFirstReadOnEitherSideOfALookupShareNoSlot) {
    CompileResult r = compile("uniform sampler2D s; uniform float a, b, c, d;\n"
                              "float4 main(float2 t : TEXCOORD0) : COLOR { return tex2D(s, t * a + b) * c + d; }",
                              Profile::Arbfp1, "main", {"-packuniforms"});
    ASSERT_TRUE(r.ok) << r.listing;
    std::map<std::string, int> slot;
    for (const ParameterInfo &p : r.parameters) slot[p.name] = p.firstSlot;
    EXPECT_EQ(slot["a"], slot["b"]) << r.assembly;
    EXPECT_EQ(slot["c"], slot["d"]) << r.assembly;
    EXPECT_NE(slot["a"], slot["c"]) << r.assembly;
}

TEST(Optimizer, AScalarFactorOfAVectorCostsOneLane) {
    struct Case {
        const char *body;  // of main(float4 n : TEXCOORD1, float4 l : TEXCOORD2) : COLOR
        int wide;          // products (MUL, MAD) of more than one lane left
    } cases[] = {
        // after a dot product
        {"return saturate(dot(normalize(n.xyz), l.xyz));", 0},
        {"float3 m = n.xyz * rsqrt(dot(n.xyz, n.xyz)); return dot(m, l.xyz) + m.x;", 1},  // m read twice
        {"return dot(n * l.x, l) + dot(n * l, l);", 2},  // l is no scalar; lane x is the first product's
        // two of them, multiplied together first
        {"return n * l.x * l.y;", 1},
        {"return n / (l.x + 1) * sin(l.y) * l.z + l;", 1},
        {"return -(n.xyzx * -l.w) * 3;", 1},
        {"float4 m = n * l.x; return m * l.y + m;", 2},  // m read twice
        {"return n * l * l.y;", 2},
        {"return n * float4(0.5, 0.5, 0.125, 1) * l.y;", 2},  // the constant is no scalar
    };
    for (const Case &c : cases) {
        std::string text = std::string("float4 main(float4 n : TEXCOORD1, float4 l : TEXCOORD2) : COLOR { ") + c.body + " }";
        IrProgram ir;
        ASSERT_TRUE(lowerText(text, Profile::Arbfp1, ir)) << text;
        optimize(ir);
        int wide = 0;
        for (const Instr &i : ir.code) wide += !i.dead && (i.op == Op::Mul || i.op == Op::Mad) && i.n > 1;
        EXPECT_EQ(wide, c.wide) << text << "\n" << printIr(ir);
        Allocation a;
        allocate(ir, a);
        EXPECT_EQ(verifyAllocation(ir, a), "") << printIr(ir, &a);
    }
}

TEST(Optimizer, TapsOnAGridComputeEachColumnAndRowOnce) {
    // (base + float2(i, j)) / size for a 2x2 grid: the columns' x and the rows' y are computed
    // once each, not once a tap: 2 + 2 lanes of products by 1 / size where there were 8.
    std::string text = "uniform sampler2D s; uniform float2 size;\n"
                       "float4 main(float2 t : TEXCOORD0) : COLOR {\n  float2 base = floor(t * size);\n  float4 sum = 0;\n"
                       "  for (int j = 0; j < 2; j++)\n    for (int i = 0; i < 2; i++)\n"
                       "      sum += tex2D(s, (base + float2(i, j)) / size);\n  return sum;\n}";
    IrProgram ir;
    ASSERT_TRUE(lowerText(text, Profile::Arbfp1, ir)) << text;
    optimize(ir);
    std::map<Op, int> lanes;
    for (const Instr &i : ir.code)
        if (!i.dead) lanes[i.op] += i.n;
    EXPECT_EQ(lanes[Op::Mul] + lanes[Op::Mad], 2 + 4) << printIr(ir);  // t * size, then the grid's
    Allocation a;
    allocate(ir, a);
    EXPECT_EQ(verifyAllocation(ir, a), "") << printIr(ir, &a);
}

TEST(Optimizer, WorkOnAScalarSpreadOverLanesIsOneLane) {
    // w.xxx and float3(w): every lane computes the same, so one does (the GL's compiler
    // computes each lane an instruction writes).
    IrProgram ir;
    ASSERT_TRUE(lowerText("uniform float w; uniform float3 v;\n"
                          "float4 main() : COLOR {\n  float3 x = w.xxx, y = float3(w, w, w);\n"
                          "  return float4(x * (x * 1.5 + 0.25) / (y + 2) + v, 1);\n}\n",
                          Profile::Arbfp1, ir));
    optimize(ir);
    std::map<Op, int> lanes;
    for (const Instr &i : ir.code)
        if (!i.dead) lanes[i.op] += i.n;
    EXPECT_EQ(lanes[Op::Rcp], 1) << printIr(ir);
    // One lane each for the curve; + v is the only work over three.
    EXPECT_EQ(lanes[Op::Mul] + lanes[Op::Mad] + lanes[Op::Add], 1 + 1 + 1 + 3) << printIr(ir);
}

TEST(Optimizer, AProjectedLookupReadsCoordinatesDividedAlready) {
    // The compare divides by w; the lookup then needs no divide of its own.
    IrProgram ir;
    ASSERT_TRUE(lowerText("uniform sampler2D s;\nfloat4 main(float4 t : TEXCOORD0) : COLOR {\n"
                          "  float3 p = t.xyz / t.w;\n  return tex2Dproj(s, t.xyw) * (p.z < 0.5 ? 1 : 0.5);\n}\n",
                          Profile::Arbfp1, ir));
    optimize(ir);
    EXPECT_EQ(live(ir, Op::Txp), 0) << printIr(ir);
    EXPECT_EQ(live(ir, Op::Tex), 1) << printIr(ir);
    EXPECT_EQ(live(ir, Op::Rcp), 1) << printIr(ir);
    // Where nothing divides by w, TXP divides.
    IrProgram alone;
    ASSERT_TRUE(lowerText("uniform sampler2D s;\nfloat4 main(float4 t : TEXCOORD0) : COLOR { return tex2Dproj(s, t.xyw); }\n",
                          Profile::Arbfp1, alone));
    optimize(alone);
    EXPECT_EQ(live(alone, Op::Txp), 1) << printIr(alone);
    EXPECT_EQ(live(alone, Op::Rcp), 0) << printIr(alone);
}

TEST(Optimizer, AMaxIsAtLeastEachOfItsOperands) {
    // hi == c.g is c.g >= hi alone: hi >= c.g holds whatever c is (and lo <= c.b).
    IrProgram ir;
    ASSERT_TRUE(lowerText("float4 main(float4 c : COLOR0) : COLOR {\n"
                          "  float hi = max(c.r, max(c.g, c.b)), lo = min(min(c.r, c.g), c.b);\n"
                          "  return float4(hi == c.g, lo == c.b, hi < c.r, c.g < lo);\n}\n",
                          Profile::Arbfp1, ir));
    optimize(ir);
    int lanes = 0;
    for (const Instr &i : ir.code)
        if (!i.dead && (i.op == Op::Sge || i.op == Op::Slt)) lanes += i.n;
    EXPECT_EQ(lanes, 2) << printIr(ir);
    EXPECT_EQ(live(ir, Op::Mul), 0) << printIr(ir);
}

TEST(Optimizer, SharingGivesWayWhereItCrowdsOutTheConstants) {
    // Eight taps around the pixel: shared columns and rows need MOVs to gather each lookup's
    // coordinates, and with them the constants no longer fit the 48 ALU instructions as
    // instructions. Unshared, they do, and the GL's compiler finds the equal lanes itself.
    std::string text = "uniform sampler2D s; uniform float2 px; uniform float gain;\n"
                       "float g(float2 p) { return dot(tex2D(s, p).rgb, float3(0.3, 0.59, 0.11)); }\n"
                       "float4 main(float2 t : TEXCOORD0) : COLOR {\n"
                       "  float a = g(t + px * float2(-1, -1)), b = g(t + px * float2(1, -1));\n"
                       "  float c = g(t + px * float2(-1, 1)), d = g(t + px * float2(1, 1));\n"
                       "  float e = g(t + px * float2(0, -1)), f = g(t + px * float2(-1, 0));\n"
                       "  float h = g(t + px * float2(1, 0)), k = g(t + px * float2(0, 1));\n"
                       "  float gx = b + 2 * h + d - a - 2 * f - c, gy = c + 2 * k + d - a - 2 * e - b;\n"
                       "  return float4(saturate(length(float2(gx, gy)) * gain).xxx, 1);\n}\n";
    CompileResult r = compile(text, Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_FALSE(r.stats.constantsOutOfRoom);
    EXPECT_EQ(r.assembly.find("PARAM c"), std::string::npos) << r.assembly;
    EXPECT_LE(r.stats.aluInstructions, 48);
    EXPECT_EQ(r.stats.texInstructions, 8);
    IrProgram shared;  // the first lowering did share lanes

    ASSERT_TRUE(lowerText(text, Profile::Arbfp1, shared));
    EXPECT_GT(shared.sharedLanes, 0);

    // Likewise a factor shared across lanes, which takes an instruction a tap: six taps of
    // float3(c.r, k * c.g, k * c.b) * w.
    std::string taps = "uniform sampler2D s; uniform float2 d;\nfloat4 main(float2 uv : TEXCOORD0) : COLOR {\n"
                       "  float3 acc = 0;\n  for (int i = 0; i < 6; i++) {\n    float3 c = tex2D(s, uv + d * i).rgb;\n"
                       "    float k = dot(c, float3(0.3, 0.6, 0.1));\n"
                       "    acc += float3(c.r, k * c.g, k * c.b) * (0.1 + 0.05 * i);\n  }\n  return float4(acc, 1);\n}\n";
    CompileResult t = compile(taps, Profile::Arbfp1);
    ASSERT_TRUE(t.ok) << t.listing;
    EXPECT_FALSE(t.stats.constantsOutOfRoom) << t.assembly;
    IrProgram factors;
    ASSERT_TRUE(lowerText(taps, Profile::Arbfp1, factors));
    optimize(factors);
    EXPECT_GT(factors.sharedFactors, 0);
}

TEST(Optimizer, LookupsAtTheSameGivenCoordinatesAreSideBySide) {
    IrProgram ir;
    ASSERT_TRUE(lowerText("uniform sampler2D a, b, c;\n"
                          "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
                          "  float3 n = normalize(tex2D(a, uv).xyz * 2 - 1);\n"
                          "  float4 d = tex2D(c, n.xy);\n"  // computed coordinates: stays where it is
                          "  return tex2D(b, uv) * n.z + d;\n}\n",
                          Profile::Arbfp1, ir));
    optimize(ir);
    std::vector<int> lookups;
    for (size_t at = 0, live = 0; at < ir.code.size(); ++at) {
        if (ir.code[at].dead) continue;
        if (isTexture(ir.code[at].op)) lookups.push_back(int(live));
        ++live;
    }
    ASSERT_EQ(lookups.size(), 3u) << printIr(ir);
    EXPECT_EQ(lookups[1], lookups[0] + 1) << printIr(ir);
    EXPECT_GT(lookups[2], lookups[1] + 1) << printIr(ir);
    for (uint32_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (!i.dead && i.op != Op::Output && i.op != Op::Kil) {
            EXPECT_EQ(ir.values[i.dst].def, at);
        }
    }
    Allocation a;
    allocate(ir, a);
    EXPECT_EQ(verifyAllocation(ir, a), "");
}

TEST(Optimizer, ALookupJustAfterAPowerGoesBeforeIt) {
    // Both lookups at given coordinates move above the POW and keep their order; the one whose
    // coordinates are computed after it stays where it is.
    CompileResult r = compile("uniform sampler2D a, b;\nuniform float p;\n"
                              "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1) : COLOR {\n"
                              "  float f = saturate(pow(1 + n.z, p) * 0.5 + 0.25);\n"
                              "  float4 c = lerp(tex2D(a, uv), tex2D(b, uv.yx), f);\n"
                              "  return c + tex2D(a, c.xy * f); }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    size_t pow = r.assembly.find("\nPOW "), first = r.assembly.find("texture[0]"), second = r.assembly.find("texture[1]");
    ASSERT_NE(pow, std::string::npos) << r.assembly;
    EXPECT_LT(first, second) << r.assembly;
    EXPECT_LT(second, pow) << r.assembly;
    EXPECT_GT(r.assembly.rfind("texture[0]"), pow) << r.assembly;
}

TEST(Optimizer, MovesASaturateOntoItsValueOnlyWhereTheProfileHasOne) {
    for (Profile profile : {Profile::Arbfp1, Profile::Arbvp1}) {
        IrProgram ir;
        ir.profile = &describe(profile);
        Builder b(ir);
        Val sum = b.emit(Op::Add, {input(0), input(1)}, 4);
        b.output(colorOutput(0), b.emit(Op::Mov, {sum}, 4, true));
        optimize(ir);
        bool merged = live(ir, Op::Mov) == 0;
        EXPECT_EQ(merged, describe(profile).saturate) << printIr(ir);
    }
}

TEST(Optimizer, DropsWhatNoResultNeedsButKeepsKill) {
    IrProgram ir;
    ir.profile = &describe(Profile::Arbfp1);
    Builder b(ir);
    b.emit(Op::Rcp, {input(3)}, 1);  // read by nothing
    Val d = b.emit(Op::Dp4, {input(0), input(1)}, 1);
    b.kil(d);
    b.output(colorOutput(0), input(2));
    optimize(ir);
    EXPECT_EQ(live(ir, Op::Rcp), 0);
    EXPECT_EQ(live(ir, Op::Dp4), 1);
    EXPECT_EQ(live(ir, Op::Kil), 1) << printIr(ir);
}

// Runs the allocated program symbolically: each register component stands for a set of
// (value, component) pairs, and every read must find the pair it reads where the
// allocation says it lives. Returns the first fault, "" when there is none.
std::string verifyAllocation(const IrProgram &ir, const Allocation &a) {
    using Id = std::pair<uint32_t, int>;
    std::map<std::pair<uint32_t, int>, std::set<Id>> holds;
    auto slotsOf = [](uint8_t mask) {
        std::vector<int> out;
        for (int j = 0; j < 4; ++j)
            if (mask & (1u << j)) out.push_back(j);
        return out;
    };
    for (uint32_t at = 0; at < ir.code.size(); ++at) {
        const Instr &i = ir.code[at];
        if (i.dead) continue;
        bool gather = i.op == Op::Build || i.op == Op::Output;
        int lanes = operandLanes(i.op, i.n);
        for (int s = 0; s < i.nsrc; ++s) {
            const Operand &o = i.src[s];
            if (o.ref.file != File::Temp || ir.values[o.ref.index].address) continue;
            if (gather && a.coalesced[at][size_t(s)]) continue;
            const Placement &p = a.place[o.ref.index];
            for (int l = 0; l < lanes; ++l) {
                int c = o.swz[l];
                std::string what = "instruction " + std::to_string(at) + " reads %" + std::to_string(o.ref.index) + "." + "xyzw"[c];
                if (p.file != File::Temp) return what + " from a result register";
                std::vector<int> slots = slotsOf(p.slots[c]);
                if (slots.empty()) return what + ", which has no home";
                if (!holds[{p.index, slots[0]}].count({o.ref.index, c})) return what + ", overwritten in R" + std::to_string(p.index);
            }
        }
        if (i.op == Op::Output || i.op == Op::Kil || ir.values[i.dst].address) continue;
        const Placement &p = a.place[i.dst];
        if (p.file != File::Temp) continue;
        for (int c = 0; c < 4; ++c)
            for (int j : slotsOf(p.slots[c])) {
                auto &set = holds[{p.index, j}];
                if (!(i.op == Op::Build && a.coalesced[at][size_t(c)])) set.clear();
                set.insert({i.dst, c});
            }
    }
    return "";
}

TEST(Allocator, NoValueIsOverwrittenBeforeItsLastRead) {
    int checked = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        for (bool fragment : {false, true}) {
            test::RandomProgram program = test::randomProgram(seed, fragment, 8 + int(seed % 48));
            IrProgram ir;
            if (!lowerText(program.cg, fragment ? Profile::Arbfp1 : Profile::Arbvp1, ir)) continue;
            optimize(ir);
            Allocation a;
            allocate(ir, a);
            std::string fault = verifyAllocation(ir, a);
            ASSERT_EQ(fault, "") << "seed " << seed << "\n" << program.cg << "\n" << printIr(ir, &a);
            ++checked;
        }
    }
    EXPECT_GT(checked, 700);
}

TEST(Allocator, ReusesAComponentOnlyOnceItsValueIsDead) {
    // Eight scalars alive at once need two temporaries; consumed as they are made, one.
    for (bool together : {true, false}) {
        IrProgram ir;
        ir.profile = &describe(Profile::Arbfp1);
        Builder b(ir);
        std::vector<Val> v;
        Val sum = Builder::constant(0, 1);
        for (int k = 0; k < 8; ++k) {
            v.push_back(b.emit(Op::Rcp, {input(k)}, 1));
            v.back() = b.emit(Op::Add, {v.back(), Builder::constant(float(k), 1)}, 1);
            if (!together) sum = b.emit(Op::Mad, {v.back(), v.back(), sum}, 1);
        }
        if (together)
            for (const Val &x : v) sum = b.emit(Op::Mad, {x, x, sum}, 1);
        b.output(colorOutput(0), b.emit(Op::Mov, {sum, sum, sum, sum}, 4));
        optimize(ir);
        Allocation a;
        allocate(ir, a);
        EXPECT_EQ(verifyAllocation(ir, a), "");
        EXPECT_EQ(a.temporaries, together ? 2 : 1) << printIr(ir, &a);
    }
}

}  // namespace
}  // namespace vela::cg
