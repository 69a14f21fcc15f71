// Programs exercising each group of constructs, run on the GL and checked by pixel against
// the same arithmetic done here.
#include <cmath>

#include "cg/gl_fixture.h"

namespace vela::test {
namespace {

class Constructs : public GlTest {
protected:
    // The fragment program our compiler makes of `text` ("" when it refuses it).
    std::string compiled(const std::string &text) {
        CGprogram p = cgCreateProgram(cg, CG_SOURCE, text.c_str(), CG_PROFILE_ARBFP1, nullptr, nullptr);
        if (!p) return "";
        std::string assembly = cgGetProgramString(p, CG_COMPILED_PROGRAM);
        cgDestroyProgram(p);
        return assembly;
    }
};

const std::array<float, 4> t0 = {0.1f, 0.2f, 0.3f, 0.4f};
const std::array<float, 4> t1 = {0.8f, 0.6f, 0.25f, 0.5f};

std::string fragment(const std::string &body, const std::string &uniforms = "") {
    return "float4 main(float4 t0 : TEXCOORD0, float4 t1 : TEXCOORD1" + uniforms + ") : COLOR {\n" + body + "\n}\n";
}

TEST_F(Constructs, SwizzlesAndWriteMasks) {
    Rgb3 got = shadeFragment(fragment("  float4 r;\n"
                                      "  r.wzyx = t0;\n"      // 0.4 0.3 0.2 0.1
                                      "  r.xy = r.yx;\n"      // 0.3 0.4 0.2 0.1
                                      "  float2 q = t0.ww;\n" // 0.4 0.4
                                      "  r.z = q.y + t0.r;\n" // 0.5
                                      "  float3 s = t0.bgr;\n"
                                      "  return float4(r.x + s.z, r.y - s.y, r.z, 1);"),
                             t0);
    EXPECT_TRUE(nearColour(got, {0.4f, 0.2f, 0.5f}));
}

TEST_F(Constructs, SwizzlesReadingRepeatsAndRgba) {
    Rgb3 got = shadeFragment(fragment("  float4 a = t0.xxyy * 2;\n"  // .2 .2 .4 .4
                                      "  a.gr = t1.ab;\n"            // .25 .5 .4 .4
                                      "  return a.barg;"),
                             t0, t1);
    EXPECT_TRUE(nearColour(got, {0.4f, 0.4f, 0.25f}));
}

TEST_F(Constructs, VertexSwizzlesAndMasks) {
    Rgb3 got = shadeVertex("", "  OUT.c = IN.t0.wzyx;\n  OUT.c.xz = IN.t1.yx * 0.5;", t0, t1);
    // (0.4 0.3 0.2 0.1), then x = 0.3, z = 0.4
    EXPECT_TRUE(nearColour(got, {0.3f, 0.3f, 0.4f}));
}

TEST_F(Constructs, ConstructorsAndScalarBroadcast) {
    Rgb3 got = shadeFragment(fragment("  float3 v = 0.25;\n"                       // broadcast initialiser
                                      "  float2 a = float2(t0.x, 0.5);\n"            // mixed constant and value
                                      "  float4 c = float4(a, v.x + t0.y, t0.z * 2);\n"  // .1 .5 .45 .6
                                      "  c = c * 0.5 + 0.1;\n"                        // .15 .35 .325 .4
                                      "  float4 d = float4(t1.w);\n"                  // one scalar for all four
                                      "  return float4(c.xy + d.xy * 0.5, float1(c.z) - 0.25 * v.z, 1);"),
                             t0, t1);
    EXPECT_TRUE(nearColour(got, {0.4f, 0.6f, 0.325f - 0.0625f}));
}

TEST_F(Constructs, UnaryMinusDivisionAndCompoundAssignment) {
    Rgb3 got = shadeFragment(fragment("  float4 r = -(-t1);\n"
                                      "  r /= 2;\n"                 // .4 .3 .125 .25
                                      "  r.x = t0.x / t1.w;\n"      // .2
                                      "  r.yz = t0.yz / t1.xy;\n"   // .25 .5
                                      "  r -= -t0 * 0.5;\n"         // .25 .35 .65
                                      "  return r;"),
                             t0, t1);
    EXPECT_TRUE(nearColour(got, {0.25f, 0.35f, 0.65f}));
}

TEST_F(Constructs, MulMatrixVectorAndVectorMatrix) {
    // m's rows, row-major as written in the program's terms.
    const float m[16] = {0.1f, 0.2f, 0.0f, 0.1f,  //
                         0.0f, 0.5f, 0.5f, 0.0f,  //
                         1.0f, 0.0f, 0.0f, 0.0f,  //
                         0.0f, 0.0f, 0.0f, 1.0f};
    auto setM = [&](CGprogram p) { cgGLSetMatrixParameterfr(cgGetNamedParameter(p, "m"), m); };
    // mul(m, t1) = (0.08+0.12+0.05, 0.3+0.125, 0.8)
    Rgb3 mv = shadeVertex(", uniform float4x4 m", "  OUT.c = mul(m, IN.t1);", t0, t1, setM);
    EXPECT_TRUE(nearColour(mv, {0.25f, 0.425f, 0.8f}));
    // mul(t1, m) = 0.8*row0 + 0.6*row1 + 0.25*row2 + 0.5*row3 = (0.33, 0.46, 0.3)
    Rgb3 vm = shadeFragment(fragment("  return mul(t1, m);", ", uniform float4x4 m"), t0, t1, setM);
    EXPECT_TRUE(nearColour(vm, {0.08f + 0.25f, 0.16f + 0.3f, 0.3f}));
}

TEST_F(Constructs, MulThreeByThree) {
    const float m[9] = {0, 0, 1,  //
                        0, 1, 0,  //
                        0.5f, 0.5f, 0};
    auto setM = [&](CGprogram p) { cgGLSetMatrixParameterfr(cgGetNamedParameter(p, "n"), m); };
    Rgb3 got = shadeVertex(", uniform float3x3 n", "  OUT.c = float4(mul(n, IN.t1.xyz), 1);", t0, t1, setM);
    EXPECT_TRUE(nearColour(got, {0.25f, 0.6f, 0.7f}));
}

TEST_F(Constructs, DotOfEachSize) {
    Rgb3 got = shadeFragment(fragment("  return float4(dot(t0.xy, t1.xy), dot(t0.xyz, t1.xyz), dot(t0, t1), 1);"), t0, t1);
    float d2 = 0.08f + 0.12f, d3 = d2 + 0.075f, d4 = d3 + 0.2f;
    EXPECT_TRUE(nearColour(got, {d2, d3, d4}));
    Rgb3 v = shadeVertex("", "  OUT.c = float4(dot(IN.t0.xy, IN.t1.xy), dot(IN.t0.xyz, IN.t1.xyz), dot(IN.t0, IN.t1), 1);",
                         t0, t1);
    EXPECT_TRUE(nearColour(v, {d2, d3, d4}));
}

TEST_F(Constructs, NormalizeOfEachSize) {
    Rgb3 got = shadeFragment(fragment("  float2 a = normalize(t1.yz);\n"
                                      "  float3 b = normalize(t0.xyz);\n"
                                      "  float4 c = normalize(t1);\n"
                                      "  return float4(a.x, b.z, c.w, 1);"),
                             t0, t1);
    float la = std::sqrt(0.36f + 0.0625f), lb = std::sqrt(0.01f + 0.04f + 0.09f),
          lc = std::sqrt(0.64f + 0.36f + 0.0625f + 0.25f);
    EXPECT_TRUE(nearColour(got, {0.6f / la, 0.3f / lb, 0.5f / lc}));
}

TEST_F(Constructs, SaturateInBothProfiles) {
    Rgb3 f = shadeFragment(fragment("  return float4(saturate(t0.xyz * 4 - 1), 1);"), t0);  // -0.6, -0.2, 0.2
    EXPECT_TRUE(nearColour(f, {0, 0, 0.2f}));
    Rgb3 f2 = shadeFragment(fragment("  return float4(saturate(t1.xyz * 2 - 0.5), 1);"), t0, t1);  // 1.1 .7 0
    EXPECT_TRUE(nearColour(f2, {1, 0.7f, 0}));
    // In a vertex program the clamp is built from MAX and MIN; the colour result would be
    // clamped anyway, so the saturated value is scaled down before it is shown.
    Rgb3 v = shadeVertex("", "  OUT.c = float4(saturate(IN.t1.xyz * 4 - 1.5) * 0.5, 1);", t0, t1);  // 1.7 .9 -.5
    EXPECT_TRUE(nearColour(v, {0.5f, 0.45f, 0}));
}

TEST_F(Constructs, MinMaxAbs) {
    Rgb3 got = shadeFragment(fragment("  return float4(min(t0.x, t1.xy), max(t0.w, -abs(-t1.z)), 1);"), t0, t1);
    EXPECT_TRUE(nearColour(got, {0.1f, 0.1f, 0.4f}));
    Rgb3 v = shadeVertex("", "  OUT.c = float4(abs(IN.t0.xy - IN.t1.xy), max(IN.t0.z, IN.t1.z), 1);", t0, t1);
    EXPECT_TRUE(nearColour(v, {0.7f, 0.4f, 0.3f}));
}

TEST_F(Constructs, LerpInBothProfiles) {
    // lerp(a, b, t) = a + t (b - a), with a scalar or a vector weight.
    Rgb3 f = shadeFragment(fragment("  return lerp(t0, t1, float4(0.5, t0.w, 1, 0));"), t0, t1);
    EXPECT_TRUE(nearColour(f, {0.45f, 0.2f + 0.4f * 0.4f, 0.25f}));
    Rgb3 v = shadeVertex("", "  OUT.c = lerp(IN.t0, IN.t1, 0.25);", t0, t1);
    EXPECT_TRUE(nearColour(v, {0.275f, 0.3f, 0.2875f}));
}

TEST_F(Constructs, ZeroAndOneAsTheOnlyConstants) {
    // Such constants come from one SWZ into a temporary of their own, not from a PARAM.
    std::string text = fragment("  float d = dot(t1.xyz, t1.xyz);\n"
                                "  return float4(1 / (1 + d), 1 - t0.y, max(t1.w - 1, 0) + t0.x, 1);");
    std::string assembly = compiled(text);
    EXPECT_EQ(assembly.find("PARAM c"), std::string::npos) << assembly;
    EXPECT_NE(assembly.find("SWZ R"), std::string::npos) << assembly;
    Rgb3 got = shadeFragment(text, t0, t1);
    EXPECT_TRUE(nearColour(got, {1 / 2.0625f, 0.8f, 0.1f}));
}

TEST_F(Constructs, LerpByFlagsSelects) {
    // Weights of only 0 and 1 make the LRP a CMP.
    std::string text = fragment("  float4 w = float4(step(0.15, t0.x), 1 - step(0.25, t0.y),\n"
                                "                    abs(step(0.1, t0.z) - step(0.35, t0.w)), step(0.5, t1.x) * step(0.5, t1.y));\n"
                                "  return lerp(t0, t1, w);");  // w = (0, 1, 0, 1)
    std::string assembly = compiled(text);
    EXPECT_EQ(assembly.find("LRP"), std::string::npos) << assembly;
    EXPECT_NE(assembly.find("CMP"), std::string::npos) << assembly;
    EXPECT_TRUE(nearColour(shadeFragment(text, t0, t1), {0.1f, 0.6f, 0.3f}));
}

TEST_F(Constructs, ASumAfterALerpFromAScalarJoinsItsScalarPart) {
    // lerp(l, c, k) + 0.125 is c * k + (l * (1 - k) + 0.125), k a uniform or a constant.
    for (const char *weight : {"k", "0.5"}) {
        std::string text = "uniform float k;\n" +
                           fragment("  float l = dot(t0.xyz, float3(0.25, 0.5, 0.25));\n"
                                    "  return float4(lerp(float3(l, l, l), t1.xyz, " + std::string(weight) + ") + 0.125, 1);");
        std::string assembly = compiled(text);
        EXPECT_EQ(assembly.find("LRP"), std::string::npos) << assembly;
        Rgb3 got = shadeFragment(text, t0, t1, [](CGprogram p) {
            if (CGparameter k = cgGetNamedParameter(p, "k")) cgGLSetParameter1f(k, 0.5f);
        });
        EXPECT_TRUE(nearColour(got, {0.625f, 0.525f, 0.35f})) << weight;  // l = 0.2
    }
}

TEST_F(Constructs, UniformsOfEachShape) {
    auto set = [](CGprogram p) {
        cgGLSetParameter1f(cgGetNamedParameter(p, "k"), 0.5f);
        cgGLSetParameter2f(cgGetNamedParameter(p, "two"), 0.2f, 0.4f);
        cgGLSetParameter3f(cgGetNamedParameter(p, "three"), 0.1f, 0.3f, 0.6f);
        const float four[4] = {0.9f, 0.8f, 0.7f, 0.6f};
        cgGLSetParameter4fv(cgGetNamedParameter(p, "four"), four);
        cgGLSetParameter2f(cgGetNamedParameter(p, "four"), 0.05f, 0.15f);  // x and y only
    };
    Rgb3 got = shadeFragment("uniform float3 three;\n"
                             "float4 main(uniform float k, uniform float2 two, uniform float4 four) : COLOR {\n"
                             "  return float4(two * k + four.xy, three.z * four.z, 1); }\n",
                             t0, {}, set);
    EXPECT_TRUE(nearColour(got, {0.15f, 0.35f, 0.42f}));
}

TEST_F(Constructs, TextureOnUnitOne) {
    // Unit 0 holds a plain red texture, unit 1 a 2x2 of four colours.
    GLuint textures[2];
    glGenTextures(2, textures);
    const GLubyte red[4] = {255, 0, 0, 255};
    const GLubyte quad[16] = {0, 0, 255, 255, 0, 255, 0, 255,  //
                              255, 255, 0, 255, 255, 255, 255, 255};
    activeTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, red);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    activeTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, quad);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    activeTexture(GL_TEXTURE0);

    std::string text = "uniform sampler2D image : TEXUNIT1;\n" + fragment("  return tex2D(image, t0.xy);");
    Rgb3 upperRight = shadeFragment(text, {0.75f, 0.75f, 0, 0});
    EXPECT_TRUE(nearColour(upperRight, {1, 1, 1}));
    Rgb3 lowerRight = shadeFragment(text, {0.75f, 0.25f, 0, 0});
    EXPECT_TRUE(nearColour(lowerRight, {0, 1, 0}));

    // Coordinates computed in the program, the texel then used in arithmetic; a second
    // sampler without a semantic takes the first free unit, 0.
    std::string mixed = "uniform sampler2D image : TEXUNIT1;\nuniform sampler2D plain;\n" +
                        fragment("  float4 texel = tex2D(image, t0.yx * 2 - 0.25);\n"
                                 "  return texel.bgra * 0.5 + tex2D(plain, t0.xy) * 0.25;");
    Rgb3 got = shadeFragment(mixed, {0.125f, 0.5f, 0, 0});  // (0.75, 0) -> lower right texel, green
    EXPECT_TRUE(nearColour(got, {0.25f, 0.5f, 0}));
    glDeleteTextures(2, textures);
}

}  // namespace
}  // namespace vela::test
