// The language as shipped programs write it: one small text of our own for each form the
// compiler takes (many with a warning), drawn on the GL over TEXCOORD0 = (0.25, 0.5, 0.75, 1).
#include "cg/gl_fixture.h"

namespace vela::test {
namespace {

struct Form {
    const char *name;
    const char *text;
    Rgb3 expected;
    const char *warning;  // a part of the listing's warning, "" for none
};

const Form forms[] = {
    // Only what the entry reaches is judged; profile-qualified definitions choose by profile.
    {"UnreachedHelpersAndOtherProfiles",
     "float4 geometryOnly(float4 p) { return p.zzzz * undeclared; }\n"
     "ps_2_0 float tint(float x) { return 0; }\n"
     "arbfp1 float tint(float x) { return x; }\n"
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { return float4(tint(t0.x), 0, 0, 1); }\n",
     {0.25f, 0, 0}, ""},
    // #include through the application's include strings, #pragma once, unknown pragmas.
    {"IncludesAndPragmas",
     "#include \"scale.h\"\n#include \"scale.h\"\n#pragma parameter GAIN \"Gain\" 0.5 0 1 0.05\n"
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { return twice(t0) * 0.5; }\n",
     {0.25f, 0.5f, 0.75f}, ""},
    // Register bindings and constant registers.
    {"RegisterBindings",
     "uniform float4 k : register(c3);\nuniform float4 j : C1;\n"
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { return t0 * k + j; }\n",
     {0.25f, 0.5f, 0.75f}, ""},
    // Conversions: truncation warns, scalars spread in calls, (S)0, struct constructors,
    // 1xN matrices as vectors.
    {"TruncationWarns",
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { float2 a = t0; float b = t0; return float4(a, b, 1); }\n",
     {0.25f, 0.5f, 0.25f}, "implicit truncation of float4 to float2"},
    {"ScalarSpreadInDot",
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { return float4(dot(t0.xyz, 1) / 3, 0, 0, 1); }\n",
     {0.5f, 0, 0}, ""},
    {"StructCastAndConstructor",
     "struct S { float3 c; float w; };\n"
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { S z = (S)0; S s = S(t0.zyx, 1); return float4(s.c + z.c, z.w); }\n",
     {0.75f, 0.5f, 0.25f}, ""},
    {"OneRowMatrixAsVector",
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { float1x3 m = t0.yxz; float3 v = m; return float4(v, 1); }\n",
     {0.5f, 0.25f, 0.75f}, ""},
    // Types and words: 'texture' as a name, inline, overloads, a variable named like its
    // struct, the generic sampler (no texture bound: black), uniform struct members.
    {"WordsAndOverloads",
     "struct texture { float4 texture; };\n"
     "inline float pick(float x) { return x; }\nfloat pick(float2 x) { return x.y; }\n"
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { texture texture; texture.texture = t0; "
     "return float4(pick(texture.texture.x), pick(t0.xy), 0, 1); }\n",
     {0.25f, 0.5f, 0}, ""},
    {"GenericSamplerInAStruct",
     "struct input { uniform float2 size; sampler texture; };\n"
     "float4 main(float4 t0 : TEXCOORD0, input IN) : COLOR { return tex2D(IN.texture, t0.xy) + float4(0, 0, 0.5, 1); }\n",
     {0, 0, 0.5f}, ""},
    // Semantics: a struct's semantic as its members' base, unread inputs without one,
    // float3 COLOR, an unwritten result member, flattened initialisers.
    {"StructSemanticBaseAndUnreadInputs",
     "struct coords { float4 a; float4 b; };\nstruct unused { float4 nothing; };\n"
     "float3 main(coords IN : TEXCOORD0, unused U) : COLOR { return IN.a.xyz; }\n",
     {0.25f, 0.5f, 0.75f}, ""},
    {"ResultsLeftUnwritten",
     "struct result { float4 c : COLOR; float d : DEPTH; };\n"
     "result main(float4 t0 : TEXCOORD0) { result o; o.c.rgb = t0.bgr; return o; }\n",
     {0.75f, 0.5f, 0.25f}, "'o.d' is never written"},
    {"FlattenedArrayInitialiser",
     "float4 main(float4 t0 : TEXCOORD0) : COLOR { float2 s[2] = { 0.25, 0.5, 0.125, 0.25 }; "
     "return float4(s[0] + s[1] * t0.w, t0.z, 1); }\n",
     {0.375f, 0.75f, 0.75f}, ""},
};

void PrintTo(const Form &f, std::ostream *os) { *os << f.name; }

class PublishedForms : public GlTest, public testing::WithParamInterface<Form> {};

TEST_P(PublishedForms, CompileAndDraw) {
    const Form &f = GetParam();
    cgSetCompilerIncludeString(cg, "scale.h", "#pragma once\nfloat4 twice(float4 c) { return c * 2; }\n");
    CGprogram p = load(f.text, CG_PROFILE_ARBFP1);
    ASSERT_NE(p, nullptr);
    const char *listing = cgGetLastListing(cg);
    std::string shown = listing ? listing : "";
    if (*f.warning) EXPECT_NE(shown.find(std::string("warning: ") + f.warning), std::string::npos) << shown;
    else EXPECT_EQ(shown.find("warning:"), std::string::npos) << shown;
    if (CGparameter k = cgGetNamedParameter(p, "k")) EXPECT_EQ(cgGetParameterResourceIndex(k), 3u);
    EXPECT_TRUE(nearColour(shadeFragment(f.text, {0.25f, 0.5f, 0.75f, 1}, {}, [&](CGprogram q) {
        if (CGparameter kk = cgGetNamedParameter(q, "k")) {
            cgGLSetParameter4f(kk, 1, 1, 1, 1);
            cgGLSetParameter4f(cgGetNamedParameter(q, "j"), 0, 0, 0, 1);
        }
    }), f.expected));
}

INSTANTIATE_TEST_SUITE_P(Cg, PublishedForms, testing::ValuesIn(forms),
                         [](const testing::TestParamInfo<Form> &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vela::test
