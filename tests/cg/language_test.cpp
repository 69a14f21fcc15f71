// What the compiler makes of the language's constructs, seen in the emitted assembly: each
// profile's own instructions and registers, and code as tight as a careful hand-written
// program. (That the code computes the right thing is the differential test's business.)
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "compiler.h"

using namespace vela::cg;

namespace {

std::string assemble(const std::string &text, Profile profile, const std::vector<std::string> &options = {}) {
    CompileResult r = compile(text, profile, "main", options);
    EXPECT_TRUE(r.ok) << text << "\n" << r.listing;
    return r.assembly;
}

// The instruction lines of an assembly text.
std::vector<std::string> instructions(const std::string &assembly) {
    std::vector<std::string> out;
    std::istringstream in(assembly);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("!!", 0) != 0 && line.rfind("PARAM", 0) != 0 && line.rfind("TEMP", 0) != 0 &&
            line.rfind("ADDRESS", 0) != 0 && line != "END")
            out.push_back(line);
    return out;
}

int count(const std::string &assembly, const std::string &what) {
    int n = 0;
    for (size_t at = assembly.find(what); at != std::string::npos; at = assembly.find(what, at + 1)) ++n;
    return n;
}

int temporaries(const std::string &assembly) {
    std::smatch m;
    if (!std::regex_search(assembly, m, std::regex("TEMP (.*);"))) return 0;
    return int(std::count(m[1].first, m[1].second, ',')) + 1;
}

const char *const vertexHead =
    "struct vin { float4 p : POSITION; float4 t : TEXCOORD0; };\n"
    "struct vout { float4 p : POSITION; float4 c : COLOR0; };\n";

TEST(Language, EachProfileItsOwnInstructions) {
    // lerp, saturate, sin, a select and lit have instructions of their own only in arbfp1.
    std::string body = "float4 r = saturate(lerp(c, k, k.w)) + sin(c.x) + lit(c.x, c.y, 8);\n"
                       "  if (c.z > k.z) r = -r;\n";
    std::string v = assemble(std::string(vertexHead) +
                                 "vout main(vin IN, uniform float4 k) { vout OUT; OUT.p = IN.p; float4 c = IN.t;\n  " + body +
                                 "  OUT.c = r; return OUT; }\n",
                             Profile::Arbvp1);
    for (const char *op : {"LRP", "_SAT", "SIN", "COS", "CMP", "LIT", "KIL", "TEX"}) EXPECT_EQ(count(v, op), 0) << op << "\n" << v;
    std::string f = assemble("float4 main(float4 c : COLOR0, uniform float4 k) : COLOR {\n  " + body + "  return r; }\n",
                             Profile::Arbfp1);
    for (const char *op : {"LRP", "_SAT", "SIN", "CMP", "LIT"}) EXPECT_EQ(count(f, op), 1) << op << "\n" << f;
}

TEST(Language, BranchesBecomeSelects) {
    // Both sides computed, one CMP (arbfp1) or a product and a MAD (arbvp1) chooses; a side
    // that writes only some components changes only those.
    std::string f = assemble("float4 main(float4 c : COLOR0, float4 d : COLOR1) : COLOR {\n"
                             "  float4 r = c;\n  if (c.x > 0.5) r.yz = d.zy; else r.w = 0;\n  return r; }\n",
                             Profile::Arbfp1);
    EXPECT_EQ(instructions(f), (std::vector<std::string>{
                                   "SLT R0.x, c0.x, fragment.color.x;",
                                   "CMP result.color.yz, -R0.x, fragment.color.secondary.zzyy, fragment.color.yyzz;",
                                   "CMP result.color.w, -R0.x, fragment.color.w, c0.y;",
                                   "MOV result.color.x, fragment.color.x;",
                               }))
        << f;
    std::string v = assemble(std::string(vertexHead) +
                                 "vout main(vin IN) { vout OUT; OUT.p = IN.p;\n"
                                 "  OUT.c = IN.t; if (IN.t.x > 0.5) OUT.c = IN.p; return OUT; }\n",
                             Profile::Arbvp1);
    EXPECT_EQ(count(v, "SLT"), 1) << v;
    EXPECT_EQ(instructions(v).size(), 5u) << v;
}

TEST(Language, LoopsUnrollAndFold) {
    // A constant trip count: no loop is left, and constant work is done here.
    CompileResult a = compile("uniform float4 k[4];\nfloat4 main() : COLOR {\n"
                              "  float4 s = 0;\n  for (int i = 0; i < 4; i++) s += k[i] * (i + 1);\n"
                              "  float w = 0;\n  int n = 3;\n  while (n > 0) { w += n; n--; }\n"
                              "  return s * w; }\n",
                              Profile::Arbfp1);
    ASSERT_TRUE(a.ok) << a.listing;
    // 3 MAD (k[0] * 1 costs nothing), MUL by 6; besides what makes the constants 2, 3, 4, 6
    EXPECT_EQ(a.stats.instructions - a.stats.constantInstructions, 4) << a.assembly;
    // break and continue on values known only when the program runs.
    std::string b = assemble("uniform float4 k[4];\nfloat4 main(float4 c : COLOR0) : COLOR {\n"
                             "  float4 s = 0;\n  for (int i = 0; i < 4; i++) {\n"
                             "    if (k[i].w < 0) break;\n    if (k[i].w > c.w) continue;\n    s += k[i];\n  }\n"
                             "  return s; }\n",
                             Profile::Arbfp1);
    EXPECT_EQ(count(b, "CMP"), 8) << b;
}

TEST(Language, FunctionsAreInlinedAndEqualWorkIsSharedAfterwards) {
    std::string a = assemble("float3 shade(float3 n, float3 l, out float d) { d = max(dot(n, l), 0); return d * n; }\n"
                             "float4 main(float3 n : TEXCOORD0, float3 l : TEXCOORD1) : COLOR {\n"
                             "  float d1, d2;\n  float3 a = shade(n, l, d1);\n  float3 b = shade(n, l, d2);\n"
                             "  return float4(a + b, d1 + d2); }\n",
                             Profile::Arbfp1);
    EXPECT_EQ(count(a, "DP3"), 1) << a;
    // A result that is itself a call, of a call made for nothing.
    std::string b = assemble("uniform float4 u;\nfloat3 g() { return u.zwy; }\nfloat3 f() { return g(); }\n"
                             "float4 main() : COLOR { f(); return u.x; }\n",
                             Profile::Arbfp1);
    EXPECT_EQ(instructions(b), std::vector<std::string>{"MOV result.color, u_u.x;"}) << b;
}

TEST(Language, MadAndSaturateFold) {
    std::string a = assemble("float4 main(float4 c : COLOR0, float4 d : COLOR1) : COLOR { return saturate(c * d + 0.5); }",
                             Profile::Arbfp1);
    EXPECT_EQ(instructions(a), (std::vector<std::string>{"MAD_SAT result.color, fragment.color, fragment.color.secondary, c0.x;"}))
        << a;
}

TEST(Language, ConstantsPackIntoFewVectors) {
    std::string a = assemble("float4 main(float4 c : COLOR0) : COLOR {\n"
                             "  return c * 0.5 + c.yzwx * 0.25 - float4(2, 0.5, 0.25, 3) + c.x * 3; }\n",
                             Profile::Arbfp1);
    EXPECT_EQ(count(a, "PARAM c"), 1) << a;  // 0.5, 0.25, 2, 3: one vector
}

TEST(Language, TemporariesOfDeadValuesAreReused) {
    std::string text = "float4 main(float4 c : COLOR0) : COLOR { float4 sum = c;\n";
    for (int i = 0; i < 100; ++i) text += "  { float4 t = c * " + std::to_string(i) + "; sum += t.wzyx * sum.x; }\n";
    text += "  return sum; }\n";
    EXPECT_LE(temporaries(assemble(text, Profile::Arbfp1)), 2);
}

TEST(Language, ResultsAreComputedInTheirRegisters) {
    // Gathered results need no copies: each DP4 writes its component, TEX the colour.
    std::string v = assemble(std::string(vertexHead) +
                                 "vout main(vin IN, uniform float4x4 m) { vout OUT; OUT.p = mul(m, IN.p); OUT.c = IN.t; "
                                 "return OUT; }\n",
                             Profile::Arbvp1);
    EXPECT_EQ(temporaries(v), 0) << v;
    std::string f = assemble("uniform sampler2D s : TEXUNIT3;\n"
                             "float4 main(float2 t : TEXCOORD0) : COLOR { return tex2D(s, t); }\n",
                             Profile::Arbfp1);
    EXPECT_EQ(instructions(f), (std::vector<std::string>{"TEX result.color, fragment.texcoord[0].xyyy, texture[3], 2D;"})) << f;
}

TEST(Language, ComputedIndicesUseTheAddressRegister) {
    std::string a = assemble("uniform float4x4 bones[20];\nstatic const float4 tint[2] = {float4(1, 0, 0, 1), float4(0, 1, 0, 1)};\n"
                             "struct vout { float4 p : POSITION; float4 c : COLOR0; };\n"
                             "vout main(float4 p : POSITION, float4 w : BLENDWEIGHT) {\n"
                             "  vout o; o.p = mul(bones[w.x], p); o.c = tint[w.y]; return o; }\n",
                             Profile::Arbvp1);
    EXPECT_NE(a.find("ADDRESS A0;"), std::string::npos) << a;
    EXPECT_NE(a.find("PARAM u_bones[80] = { program.local[0..79] };"), std::string::npos) << a;
    EXPECT_NE(a.find("PARAM t0[2] = { { 1, 0, 0, 1 }, { 0, 1, 0, 1 } };"), std::string::npos) << a;
    EXPECT_NE(a.find("DP4 result.position.w, u_bones[A0.x + 3], vertex.position;"), std::string::npos) << a;
    EXPECT_NE(a.find("MOV result.color, t0[A0.x];"), std::string::npos) << a;
    // A constant part of the index is the load's offset, and an ARL of what A0 holds already
    // goes: b[i + 1], [i + 2], [i - 1] of one ARL, then j's, then i's once more.
    std::string b = assemble("uniform float4 b[12];\n"
                             "float4 main(float4 p : POSITION, float4 w : BLENDWEIGHT, out float4 c : COLOR0) : POSITION {\n"
                             "  int i = (int)w.x * 3, j = (int)w.y * 3;\n"
                             "  c = float4(dot(b[i + 1], p), dot(b[i + 2], p), dot(b[i - 1], p), dot(b[j], p)) + b[i].x;\n"
                             "  return p; }\n",
                             Profile::Arbvp1);
    EXPECT_EQ(count(b, "ARL"), 3) << b;
    EXPECT_NE(b.find("u_b[A0.x + 1]"), std::string::npos) << b;
    EXPECT_NE(b.find("u_b[A0.x - 1]"), std::string::npos) << b;
}

TEST(Language, DiscardAndClipKill) {
    std::string a = assemble("float4 main(float4 c : COLOR0) : COLOR {\n"
                             "  clip(c.xyz - 0.25);\n  if (c.w < 0.5) discard;\n  return c; }\n",
                             Profile::Arbfp1);
    EXPECT_EQ(count(a, "KIL"), 2) << a;
}

TEST(Language, PreprocessorAndOptions) {
    // Macros with arguments, conditionals and -D options give what the expanded text gives.
    std::string plain = assemble("float4 main(float4 c : COLOR0) : COLOR { return ((c) * (c)) * 0.5; }", Profile::Arbfp1);
    std::string text = "#define SQ(x) ((x) * (x))\n#define PASTE(a, b) a##b\n"
                       "#if defined(SCALE) && SCALE > 1\n#define FACTOR 0.5\n#elif 1\n#define FACTOR 2\n#else\n#error no\n#endif\n"
                       "float4 PASTE(ma, in)(float4 c : COLOR0) : COLOR { return SQ(c) * FACTOR; }\n";
    EXPECT_EQ(assemble(text, Profile::Arbfp1, {"-DSCALE=2"}), plain);
    EXPECT_NE(assemble(text, Profile::Arbfp1), plain);
    EXPECT_NE(assemble(text, Profile::Arbfp1, {"-DSCALE=2", "-USCALE"}), plain);
    CompileResult refused = compile(text, Profile::Arbfp1, "main", {"-Wunknown"});
    EXPECT_EQ(refused.listing, "error: unknown compiler option '-Wunknown'\n");
}

TEST(Language, ParametersOfEveryKindAreDescribed) {
    CompileResult r = compile("struct Light { float3 position; float3 colour; };\n"
                              "uniform Light lights[2];\nuniform sampler2D image : TEXUNIT2;\nuniform float unused = 4;\n"
                              "void main(float4 c : COLOR0, out float4 o : COLOR, uniform float3x4 m) {\n"
                              "  o = c * tex2D(image, c.xy) + float4(lights[1].colour, 1) + m[2]; }\n",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    auto named = [&](const std::string &name) {
        for (const ParameterInfo &p : r.parameters)
            if (p.name == name) return p;
        ADD_FAILURE() << "no parameter " << name;
        return ParameterInfo{};
    };
    EXPECT_EQ(named("lights").kind, ParameterInfo::Array);
    EXPECT_EQ(named("lights").children.size(), 2u);
    EXPECT_EQ(named("lights[1].colour").firstSlot, 3);  // rows: [0].position, [0].colour, [1].position, [1].colour
    EXPECT_TRUE(named("lights[1].colour").referenced);
    EXPECT_EQ(named("image").textureUnit, 2);
    EXPECT_FALSE(named("unused").referenced);
    EXPECT_EQ(named("unused").defaults, (std::vector<float>{4, 0, 0, 0}));
    EXPECT_EQ(named("m").firstSlot, 4);
    EXPECT_EQ(named("m").slotCount, 3);
    EXPECT_EQ(named("c").semantic, "COLOR0");
    EXPECT_EQ(named("o").direction, ParameterInfo::Out);
}

}  // namespace

// Options of the ARB programs the language reaches: COLOR1-3 through ARB_draw_buffers when
// the host asks for it, depth comparisons through ARB_fragment_program_shadow; what no
// ARB option gives stays refused.
TEST(Language, ProgramOptionsForMoreResultsAndDepthComparisons) {
    const char *twoColours = "struct o { float4 a : COLOR0; float4 b : COLOR1; };\n"
                             "o main(float4 t : TEXCOORD0) { o r; r.a = t; r.b = t.wzyx; return r; }\n";
    EXPECT_FALSE(compile(twoColours, Profile::Arbfp1).ok);
    CompileResult drawn = compile(twoColours, Profile::Arbfp1, "main", {"-po", "ATI_draw_buffers"});
    ASSERT_TRUE(drawn.ok) << drawn.listing;
    EXPECT_NE(drawn.assembly.find("OPTION ARB_draw_buffers;\n"), std::string::npos);
    EXPECT_NE(drawn.assembly.find("MOV result.color[1], fragment.texcoord[0].wzyx;"), std::string::npos) << drawn.assembly;
    EXPECT_FALSE(compile(twoColours, Profile::Arbfp1, "main", {"-po", "version=110,dcls"}).ok) << "other profiles' options change nothing";

    CompileResult shadow = compile("uniform sampler2D s;\nfloat4 main(float3 t : TEXCOORD0) : COLOR { return tex2D(s, t); }",
                                   Profile::Arbfp1);
    ASSERT_TRUE(shadow.ok) << shadow.listing;
    EXPECT_NE(shadow.assembly.find("OPTION ARB_fragment_program_shadow;\n"), std::string::npos);
    EXPECT_NE(shadow.assembly.find(", texture[0], SHADOW2D;"), std::string::npos) << shadow.assembly;
    CompileResult cube = compile("uniform samplerCUBE s;\nfloat4 main(float4 t : TEXCOORD0) : COLOR { return texCUBE(s, t); }",
                                 Profile::Arbfp1);
    EXPECT_NE(cube.listing.find("cannot compare against a depth texture (texCUBE with 4 coordinates)"), std::string::npos)
        << cube.listing;
}

// The counts the GL's limits are checked against: each instruction once.
TEST(Language, StatisticsCountEachInstructionOnce) {
    CompileResult r = compile("uniform sampler2D s;\nfloat4 main(float4 c : COLOR0, float2 t : TEXCOORD0) : COLOR "
                              "{ return tex2D(s, t * 2) * c + 1; }",
                              Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(r.stats.texInstructions, 1);
    EXPECT_EQ(r.stats.aluInstructions + r.stats.texInstructions, r.stats.instructions) << r.assembly;
}
