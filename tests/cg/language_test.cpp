// What the compiler makes of the language's constructs, seen in the emitted assembly:
// each profile's own instruction set, registers and limits. (Results are checked on the GL
// by the gl_* tests.)
#include <gtest/gtest.h>

#include <regex>

#include "compiler.h"

using namespace vela::cg;

namespace {

std::string assemble(const std::string &text, Profile profile) {
    CompileResult r = compile(text, profile);
    EXPECT_TRUE(r.ok) << r.listing;
    return r.assembly;
}

int temporaries(const std::string &assembly) {
    std::smatch m;
    if (!std::regex_search(assembly, m, std::regex("TEMP (.*);"))) return 0;
    return int(std::count(m[1].first, m[1].second, ',')) + 1;
}

TEST(Language, VertexProgramsUseOnlyTheVertexInstructionSet) {
    // lerp and saturate have no instruction of their own in arbvp1.
    std::string a = assemble(
        "struct io { float4 p : POSITION; float4 c : COLOR0; };\n"
        "io main(io IN, uniform float4 k) { io OUT; OUT.p = IN.p;\n"
        "  OUT.c = saturate(lerp(IN.c, k, k.w)); return OUT; }\n",
        Profile::Arbvp1);
    EXPECT_EQ(a.find("LRP"), std::string::npos) << a;
    EXPECT_EQ(a.find("_SAT"), std::string::npos) << a;
    EXPECT_NE(a.find("MIN result.color"), std::string::npos) << a;

    std::string f = assemble("float4 main(float4 c : COLOR0, uniform float4 k) : COLOR { return saturate(lerp(c, k, k.w)); }",
                             Profile::Arbfp1);
    EXPECT_NE(f.find("LRP"), std::string::npos) << f;
    EXPECT_NE(f.find("MOV_SAT result.color"), std::string::npos) << f;
}

TEST(Language, RegistersOfEachSemantic) {
    std::string v = assemble(
        "struct vin { float4 p : POSITION; float3 n : NORMAL; float4 c0 : COLOR0; float4 c1 : COLOR1; float2 t : TEXCOORD7; };\n"
        "struct vout { float4 p : POSITION; float4 c0 : COLOR; float4 c1 : COLOR1; float4 t : TEXCOORD3; };\n"
        "vout main(vin IN) { vout o; o.p = IN.p; o.c0 = IN.c0; o.c1 = IN.c1; o.t = float4(IN.n, IN.t.x); return o; }\n",
        Profile::Arbvp1);
    for (const char *reg : {"vertex.position", "vertex.normal", "vertex.color;", "vertex.color.secondary",
                            "vertex.texcoord[7]", "result.position", "result.color,", "result.color.secondary",
                            "result.texcoord[3]"})
        EXPECT_NE(v.find(reg), std::string::npos) << reg << "\n" << v;
    // COLOR and COLOR0 are the same result: used twice.
    EXPECT_NE(compile("struct o { float4 p : POSITION; float4 a : COLOR; float4 b : COLOR0; };\n"
                      "o main(o IN) { return IN; }",
                      Profile::Arbvp1)
                  .listing.find("result semantic COLOR0 is used twice"),
              std::string::npos);

    std::string f = assemble(
        "struct v2f { float4 c1 : COLOR1; float4 t : TEXCOORD2; float4 w : WPOS; };\n"
        "struct ps { float4 c : COLOR; float d : DEPTH; };\n"
        "ps main(v2f IN) { ps o; o.c = IN.c1 + IN.t; o.d = IN.w.z; return o; }\n",
        Profile::Arbfp1);
    for (const char *reg : {"fragment.color.secondary", "fragment.texcoord[2]", "fragment.position", "result.color",
                            "result.depth.z"})
        EXPECT_NE(f.find(reg), std::string::npos) << reg << "\n" << f;
}

TEST(Language, UniformsGetSlotsInTextOrderAndSamplersUnits) {
    CompileResult r = compile(
        "uniform float4 first;\nuniform sampler2D a;\nuniform sampler2D b : TEXUNIT0;\n"
        "float4 main(float2 t : TEXCOORD0, uniform float3x3 m, uniform float k) : COLOR {\n"
        "  return tex2D(a, t) + tex2D(b, t) + float4(mul(m, first.xyz), k); }\n",
        Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    auto named = [&](const char *name) {
        for (const ParameterInfo &p : r.parameters)
            if (p.name == name) return p;
        ADD_FAILURE() << "no parameter " << name;
        return ParameterInfo{};
    };
    EXPECT_EQ(named("first").firstSlot, 0);
    EXPECT_EQ(named("a").textureUnit, 1);  // unit 0 is taken by b's semantic
    EXPECT_EQ(named("b").textureUnit, 0);
    EXPECT_EQ(named("m").firstSlot, 1);
    EXPECT_EQ(named("m").slotCount, 3);
    EXPECT_EQ(named("k").firstSlot, 4);
    EXPECT_NE(r.assembly.find("texture[1], 2D"), std::string::npos) << r.assembly;
    EXPECT_NE(r.assembly.find("PARAM u_m[3] = { program.local[1..3] };"), std::string::npos) << r.assembly;
}

TEST(Language, LiteralsAndTheirSuffixes) {
    std::string a = assemble("float4 main() : COLOR { return float4(1, 0.25f, 1.5h, .5e1) * 0x10; }", Profile::Arbfp1);
    EXPECT_NE(a.find("{ 16, 4, 24, 80 }"), std::string::npos) << a;
    std::string tiny = assemble("float4 main() : COLOR { return 1e-30 * float4(1e10, 1, 1, 1); }", Profile::Arbfp1);
    EXPECT_FALSE(std::regex_search(tiny, std::regex("[0-9][eE]"))) << "no exponents in the assembly:\n" << tiny;
    EXPECT_NE(tiny.find("0.00000000000000000001,"), std::string::npos) << tiny;
    EXPECT_NE(compile("float4 main() : COLOR { return 1e38 * 1e38; }", Profile::Arbfp1).listing.find("overflows"),
              std::string::npos);
}

TEST(Language, ReturnedLocalIsComputedInTheResultRegisters) {
    std::string a = assemble("float4 main(float4 c : COLOR0) : COLOR { float4 r; r.xy = c.yx; r.zw = c.zw * 2; return r; }",
                             Profile::Arbfp1);
    EXPECT_EQ(temporaries(a), 0) << a;
    EXPECT_NE(a.find("MOV result.color.xy, fragment.color.yxxx;"), std::string::npos) << a;
    // Read back, it must live in a temporary: result registers cannot be read.
    std::string b = assemble("float4 main(float4 c : COLOR0) : COLOR { float4 r = c; r.x = r.y; return r; }", Profile::Arbfp1);
    EXPECT_EQ(temporaries(b), 1) << b;
}

TEST(Language, TemporariesOfBlockLocalsAreReused) {
    std::string text = "float4 main(float4 c : COLOR0) : COLOR { float4 sum = c;\n";
    for (int i = 0; i < 100; ++i) text += "  { float4 t = c * " + std::to_string(i) + "; sum += t.wzyx; }\n";
    text += "  return sum; }\n";
    std::string a = assemble(text, Profile::Arbfp1);
    EXPECT_LE(temporaries(a), 3) << a;
}

TEST(Language, InputsAndUniformsCanBeAssigned) {
    // Their registers are read-only: the first write copies the value to a temporary.
    std::string a = assemble("float4 main(float4 c : COLOR0, uniform float4 k) : COLOR { c.x = 0; k *= c; return k; }",
                             Profile::Arbfp1);
    EXPECT_EQ(a.find("MOV fragment"), std::string::npos) << a;
    EXPECT_EQ(a.find(", u_k"), a.rfind(", u_k")) << a;
    EXPECT_NE(a.find("MOV R0, fragment.color;"), std::string::npos) << a;
}

}  // namespace
