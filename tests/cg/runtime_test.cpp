// The runtime's API without a GL context: handles, errors, listings, parameters.
#include <gtest/gtest.h>

#include <Cg/cg.h>
#include <Cg/cgGL.h>

#include <set>
#include <vector>
#include <string>

#include "cg/program_texts.h"

using vela::test::fragmentProgramText;
using vela::test::vertexProgramText;

namespace {

const char *const samplerText =
    "uniform sampler2D a;\nuniform sampler2D b : TEXUNIT0;\n"
    "float4 main(float2 t : TEXCOORD0, uniform float4 tint, uniform float3x3 m) : COLOR {\n"
    "  return tex2D(a, t) * tex2D(b, t) * tint + float4(mul(m, tint.xyz), 0); }\n";

class Runtime : public testing::Test {
protected:
    void SetUp() override {
        cgGetError();
        context = cgCreateContext();
        ASSERT_TRUE(cgIsContext(context));
    }
    void TearDown() override { cgDestroyContext(context); }

    CGprogram vertex() { return cgCreateProgram(context, CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, nullptr); }

    CGcontext context = nullptr;
};

TEST_F(Runtime, ProgramsKeepTheirTextsAndProfile) {
    CGprogram v = vertex();
    CGprogram f = cgCreateProgram(context, CG_SOURCE, fragmentProgramText, CG_PROFILE_ARBFP1, "main", nullptr);
    ASSERT_TRUE(v && f);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    EXPECT_NE(v, f);
    EXPECT_EQ(cgGetProgramProfile(v), CG_PROFILE_ARBVP1);
    EXPECT_EQ(cgGetProgramProfile(f), CG_PROFILE_ARBFP1);
    EXPECT_STREQ(cgGetProgramString(v, CG_PROGRAM_SOURCE), vertexProgramText);
    EXPECT_STREQ(cgGetProgramString(v, CG_PROGRAM_ENTRY), "main");
    EXPECT_STREQ(cgGetProgramString(v, CG_PROGRAM_PROFILE), "arbvp1");
    EXPECT_EQ(std::string(cgGetProgramString(v, CG_COMPILED_PROGRAM)).rfind("!!ARBvp1.0\n", 0), 0u);
    EXPECT_EQ(std::string(cgGetProgramString(f, CG_COMPILED_PROGRAM)).rfind("!!ARBfp1.0\n", 0), 0u);
    EXPECT_EQ(cgGetProgramString(v, CG_SOURCE), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_ENUMERANT_ERROR);
    EXPECT_EQ(cgGetLastListing(context), nullptr);
}

TEST_F(Runtime, CompileErrorsGiveNoProgramAndAListingPrintedOnlyInDebugMode) {
    const char *text = "float4 main() : COLOR { return colour; }";
    testing::internal::CaptureStderr();
    CGprogram p = cgCreateProgram(context, CG_SOURCE, text, CG_PROFILE_ARBFP1, nullptr, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the library prints nothing of its own";
    cgGLSetDebugMode(CG_TRUE);
    testing::internal::CaptureStderr();
    p = cgCreateProgram(context, CG_SOURCE, text, CG_PROFILE_ARBFP1, nullptr, nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    cgGLSetDebugMode(CG_FALSE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR) << "cgGetError clears the error";
    const char *listing = cgGetLastListing(context);
    ASSERT_NE(listing, nullptr);
    EXPECT_STREQ(listing,
                 "1:32: error: undeclared name 'colour'\n"
                 "float4 main() : COLOR { return colour; }\n"
                 "                               ^\n");
    EXPECT_EQ(err, std::string("cg: the arbfp1 program \"main\" did not compile:\n") + listing);

    // Every later call with the null program is harmless.
    cgGLLoadProgram(p);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROGRAM_HANDLE_ERROR);
    cgGLBindProgram(p);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROGRAM_HANDLE_ERROR);
    CGparameter mvp = cgGetNamedParameter(p, "mvp");
    EXPECT_EQ(mvp, nullptr);
    cgGLSetStateMatrixParameter(mvp, CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAM_HANDLE_ERROR);

    // A later success clears the listing.
    ASSERT_NE(vertex(), nullptr);
    EXPECT_EQ(cgGetLastListing(context), nullptr);
}

TEST_F(Runtime, RefusedArguments) {
    EXPECT_EQ(cgCreateProgram(context, CG_OBJECT, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, nullptr), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_ENUMERANT_ERROR);
    EXPECT_EQ(cgCreateProgram(context, CG_SOURCE, nullptr, CG_PROFILE_ARBVP1, nullptr, nullptr), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_POINTER_ERROR);
    EXPECT_EQ(cgCreateProgram(context, CG_SOURCE, vertexProgramText, CG_PROFILE_UNKNOWN, nullptr, nullptr), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROFILE_ERROR);
    EXPECT_EQ(cgCreateProgram(context, CG_SOURCE, vertexProgramText, CGprofile(6151), nullptr, nullptr), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROFILE_ERROR);

    const char *noOptions[] = {nullptr};
    EXPECT_NE(cgCreateProgram(context, CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, noOptions), nullptr);
    const char *defines[] = {"-DLIGHT=1", nullptr};
    CGprogram p = cgCreateProgram(context, CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, defines);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(cgGetProgramOptions(p)[0], "-DLIGHT=1");
    EXPECT_EQ(cgGetProgramOptions(p)[1], nullptr);
    const char *options[] = {"-DLIGHT=1", "-Wunknown", nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(cgCreateProgram(context, CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, options), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
    EXPECT_STREQ(cgGetLastListing(context), "error: unknown compiler option '-Wunknown'\n");
}

TEST_F(Runtime, NamedParametersAreTheUniforms) {
    CGprogram p = cgCreateProgram(context, CG_SOURCE, samplerText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_NE(p, nullptr);
    CGparameter tint = cgGetNamedParameter(p, "tint");
    ASSERT_NE(tint, nullptr);
    EXPECT_TRUE(cgIsParameter(tint));
    EXPECT_STREQ(cgGetParameterName(tint), "tint");
    EXPECT_EQ(cgGetNamedParameter(p, "tint"), tint);
    EXPECT_EQ(cgGetParameterVariability(cgGetNamedParameter(p, "t")), CG_VARYING);
    EXPECT_EQ(cgGetNamedParameter(p, "nothing"), nullptr);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    EXPECT_EQ(cgGetNamedParameter(p, nullptr), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_POINTER_ERROR);

    EXPECT_EQ(cgGLGetTextureEnum(cgGetNamedParameter(p, "a")), 0x84C1u);  // GL_TEXTURE1: b holds unit 0
    EXPECT_EQ(cgGLGetTextureEnum(cgGetNamedParameter(p, "b")), 0x84C0u);
    EXPECT_EQ(cgGLGetTextureEnum(tint), 0u);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_TYPE_ERROR);
}

TEST_F(Runtime, SettersCheckTheParameterType) {
    CGprogram p = cgCreateProgram(context, CG_SOURCE, samplerText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    CGparameter tint = cgGetNamedParameter(p, "tint");
    CGparameter m = cgGetNamedParameter(p, "m");
    CGparameter a = cgGetNamedParameter(p, "a");
    const float values[16] = {};

    cgGLSetParameter4f(tint, 1, 2, 3, 4);  // kept until the program is loaded
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    cgGLSetMatrixParameterfr(m, values);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);

    cgGLSetParameter4f(m, 1, 2, 3, 4);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_TYPE_ERROR);
    cgGLSetParameter1f(a, 1);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_TYPE_ERROR);
    cgGLSetMatrixParameterfc(tint, values);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_TYPE_ERROR);
    cgGLSetStateMatrixParameter(tint, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_TYPE_ERROR);
    cgGLSetStateMatrixParameter(m, CGGLenum(42), CG_GL_MATRIX_IDENTITY);
    EXPECT_EQ(cgGetError(), CG_INVALID_ENUMERANT_ERROR);
    cgGLSetStateMatrixParameter(m, CG_GL_MODELVIEW_MATRIX, CG_GL_MODELVIEW_MATRIX);
    EXPECT_EQ(cgGetError(), CG_INVALID_ENUMERANT_ERROR);
    cgGLSetParameter4fv(tint, nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_POINTER_ERROR);
    cgGLSetMatrixParameterfr(m, nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_POINTER_ERROR);
}

TEST_F(Runtime, GlCallsWithoutAGlContextFailCleanly) {
    CGprogram v = vertex();
    EXPECT_FALSE(cgGLIsProfileSupported(CG_PROFILE_ARBVP1));
    cgGLLoadProgram(v);
    EXPECT_EQ(cgGetError(), CG_NO_GL_CONTEXT_ERROR);
    EXPECT_FALSE(cgGLIsProgramLoaded(v));
    cgGLBindProgram(v);
    EXPECT_EQ(cgGetError(), CG_PROGRAM_NOT_LOADED_ERROR);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    EXPECT_EQ(cgGetError(), CG_NO_GL_CONTEXT_ERROR);
    cgGLEnableProfile(CG_PROFILE_UNKNOWN);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROFILE_ERROR);
    cgGLSetStateMatrixParameter(cgGetNamedParameter(v, "mvp"), CG_GL_MODELVIEW_PROJECTION_MATRIX,
                                CG_GL_MATRIX_IDENTITY);
    EXPECT_EQ(cgGetError(), CG_NO_GL_CONTEXT_ERROR);
}

TEST_F(Runtime, StaleAndForeignHandlesAreRefused) {
    CGprogram v = vertex();
    CGparameter mvp = cgGetNamedParameter(v, "mvp");
    cgDestroyProgram(v);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    EXPECT_FALSE(cgIsProgram(v));
    EXPECT_FALSE(cgIsParameter(mvp));
    EXPECT_EQ(cgGetProgramString(v, CG_COMPILED_PROGRAM), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROGRAM_HANDLE_ERROR);
    cgDestroyProgram(v);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROGRAM_HANDLE_ERROR);
    cgGLSetStateMatrixParameter(mvp, CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAM_HANDLE_ERROR);
    EXPECT_EQ(cgGetParameterName(mvp), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAM_HANDLE_ERROR);

    // A context handle is no program, a program no context, garbage nothing.
    EXPECT_EQ(cgGetProgramProfile(reinterpret_cast<CGprogram>(context)), CG_PROFILE_UNKNOWN);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROGRAM_HANDLE_ERROR);
    CGprogram f = cgCreateProgram(context, CG_SOURCE, fragmentProgramText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    EXPECT_EQ(cgCreateProgram(reinterpret_cast<CGcontext>(f), CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_CONTEXT_HANDLE_ERROR);
    cgGLSetParameter4f(reinterpret_cast<CGparameter>(uintptr_t(0xdeadbeefu)), 1, 2, 3, 4);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAM_HANDLE_ERROR);
    cgGLSetParameter4f(reinterpret_cast<CGparameter>(~uintptr_t(0)), 1, 2, 3, 4);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAM_HANDLE_ERROR);

    // Null handles everywhere.
    EXPECT_EQ(cgCreateProgram(nullptr, CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, nullptr), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_CONTEXT_HANDLE_ERROR);
    EXPECT_EQ(cgGetLastListing(nullptr), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_CONTEXT_HANDLE_ERROR);
    cgDestroyContext(nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_CONTEXT_HANDLE_ERROR);
    cgDestroyProgram(nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROGRAM_HANDLE_ERROR);
    EXPECT_EQ(cgGetNamedParameter(nullptr, "mvp"), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROGRAM_HANDLE_ERROR);
    EXPECT_FALSE(cgGLIsProgramLoaded(nullptr));
    cgGLSetParameter4fv(nullptr, nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAM_HANDLE_ERROR);
    cgGLSetMatrixParameterfr(nullptr, nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAM_HANDLE_ERROR);
    EXPECT_EQ(cgGLGetTextureEnum(nullptr), 0u);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAM_HANDLE_ERROR);
}

TEST_F(Runtime, DestroyingAContextDestroysItsPrograms) {
    CGcontext other = cgCreateContext();
    CGprogram p = cgCreateProgram(other, CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, nullptr);
    CGparameter mvp = cgGetNamedParameter(p, "mvp");
    CGprogram mine = vertex();
    cgDestroyContext(other);
    EXPECT_FALSE(cgIsContext(other));
    EXPECT_FALSE(cgIsProgram(p));
    EXPECT_FALSE(cgIsParameter(mvp));
    EXPECT_TRUE(cgIsProgram(mine));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

const char *const lightingText =
    "struct Light { float3 position; float4 colour; };\n"
    "uniform Light lights[2];\nuniform float4 ambient = {0.25, 0.5, 0.75, 1};\nuniform float4 spare;\n"
    "float4 main(float3 n : TEXCOORD0, uniform float3x4 m, uniform sampler2D image : TEXUNIT2) : COLOR {\n"
    "  return tex2D(image, n.xy) * (ambient + lights[1].colour * dot(n, lights[0].position)) + m[1]; }\n";

TEST_F(Runtime, ParametersDescribeThemselves) {
    CGprogram p = cgCreateProgram(context, CG_SOURCE, lightingText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_NE(p, nullptr) << cgGetLastListing(context);
    // Globals, then the entry function's parameters.
    std::vector<std::string> globals, program, leaves;
    for (CGparameter q = cgGetFirstParameter(p, CG_GLOBAL); q; q = cgGetNextParameter(q)) globals.push_back(cgGetParameterName(q));
    for (CGparameter q = cgGetFirstParameter(p, CG_PROGRAM); q; q = cgGetNextParameter(q)) program.push_back(cgGetParameterName(q));
    for (CGparameter q = cgGetFirstLeafParameter(p, CG_GLOBAL); q; q = cgGetNextLeafParameter(q)) leaves.push_back(cgGetParameterName(q));
    EXPECT_EQ(globals, (std::vector<std::string>{"lights", "ambient", "spare"}));
    EXPECT_EQ(program, (std::vector<std::string>{"n", "m", "image"}));
    EXPECT_EQ(leaves, (std::vector<std::string>{"lights[0].position", "lights[0].colour", "lights[1].position",
                                                "lights[1].colour", "ambient", "spare"}));

    CGparameter lights = cgGetNamedParameter(p, "lights");
    EXPECT_EQ(cgGetParameterType(lights), CG_ARRAY);
    EXPECT_EQ(cgGetArrayDimension(lights), 1);
    EXPECT_EQ(cgGetArraySize(lights, 0), 2);
    CGparameter second = cgGetArrayParameter(lights, 1);
    EXPECT_EQ(cgGetParameterType(second), CG_STRUCT);
    CGparameter colour = cgGetNamedStructParameter(second, "colour");
    EXPECT_EQ(colour, cgGetNamedParameter(p, "lights[1].colour"));
    EXPECT_EQ(cgGetNextParameter(cgGetFirstStructParameter(second)), colour);
    EXPECT_EQ(cgGetParameterType(colour), CG_FLOAT4);
    EXPECT_STREQ(cgGetTypeString(cgGetParameterType(cgGetNamedParameter(p, "m"))), "float3x4");
    EXPECT_EQ(cgGetType("half2x3"), CG_HALF2x3);
    EXPECT_EQ(cgGetParameterRows(cgGetNamedParameter(p, "m")), 3);
    EXPECT_EQ(cgGetParameterColumns(cgGetNamedParameter(p, "m")), 4);
    EXPECT_EQ(cgGetArrayParameter(lights, 2), nullptr);
    EXPECT_EQ(cgGetError(), CG_OUT_OF_ARRAY_BOUNDS_ERROR);

    // Where each one lives: slots for the uniforms read, a unit, a varying's register.
    EXPECT_EQ(cgGetParameterResource(colour), CG_C);
    EXPECT_EQ(cgGetParameterResourceIndex(colour), 3u);  // lights[0].position, [0].colour, [1].position
    EXPECT_EQ(cgGetParameterResource(cgGetNamedParameter(p, "spare")), CG_UNDEFINED);
    EXPECT_FALSE(cgIsParameterReferenced(cgGetNamedParameter(p, "spare")));
    CGparameter image = cgGetNamedParameter(p, "image");
    EXPECT_EQ(cgGetParameterResource(image), CGresource(CG_TEXUNIT0 + 2));
    EXPECT_STREQ(cgGetResourceString(cgGetParameterResource(image)), "TEXUNIT2");
    CGparameter n = cgGetNamedParameter(p, "n");
    EXPECT_EQ(cgGetParameterResource(n), CG_TEXCOORD0);
    EXPECT_STREQ(cgGetParameterSemantic(n), "TEXCOORD0");
    EXPECT_EQ(cgGetParameterDirection(n), CG_IN);
    EXPECT_EQ(cgGetParameterVariability(n), CG_VARYING);
    EXPECT_EQ(cgGetParameterVariability(colour), CG_UNIFORM);
    EXPECT_EQ(cgGetParameterProgram(colour), p);
    EXPECT_EQ(cgGetParameterContext(colour), context);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

TEST_F(Runtime, ValuesAreKeptAndReadBack) {
    CGprogram p = cgCreateProgram(context, CG_SOURCE, lightingText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_NE(p, nullptr);
    float v[16];
    CGparameter ambient = cgGetNamedParameter(p, "ambient");
    EXPECT_EQ(cgGetParameterValuefr(ambient, 4, v), 4);  // the initialiser
    EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{0.25f, 0.5f, 0.75f, 1}));
    cgGLSetParameter2d(ambient, 2, 3);  // x and y; z and w kept
    double d[4];
    cgGLGetParameter4d(ambient, d);
    EXPECT_EQ(std::vector<double>(d, d + 4), (std::vector<double>{2, 3, 0.75, 1}));

    const float colours[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    CGparameter spare = cgGetNamedParameter(p, "spare");
    cgGLSetParameter4fv(spare, colours);  // not read by the program, still kept
    cgGLGetParameter4f(spare, v);
    EXPECT_EQ(v[3], 4);
    CGparameter lights = cgGetNamedParameter(p, "lights");
    cgGLSetParameterArray4f(lights, 0, 0, colours);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_TYPE_ERROR) << "an array of structs takes no values";
    cgGLSetParameterArray4f(spare, 0, 0, colours);
    EXPECT_EQ(cgGetError(), CG_ARRAY_PARAM_ERROR);

    const float rows[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    CGparameter m = cgGetNamedParameter(p, "m");
    cgGLSetMatrixParameterfr(m, rows);
    cgGLGetMatrixParameterfc(m, v);
    EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{1, 5, 9, 2}));
    cgGLSetMatrixParameterdc(m, std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}.data());
    cgGLGetMatrixParameterfr(m, v);
    EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{1, 4, 7, 10}));

    cgGLSetParameter1f(cgGetNamedParameter(p, "n"), 1);
    EXPECT_EQ(cgGetError(), CG_NOT_UNIFORM_PARAM_ERROR);
    cgGLSetTextureParameter(cgGetNamedParameter(p, "image"), 42);
    EXPECT_EQ(cgGLGetTextureParameter(cgGetNamedParameter(p, "image")), 42u);
    cgGLSetTextureParameter(m, 42);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_TYPE_ERROR);
}

int callbackCalls = 0;
void countCall() { ++callbackCalls; }

TEST_F(Runtime, ErrorCallbackHearsEveryError) {
    cgSetErrorCallback(countCall);
    EXPECT_EQ(cgGetErrorCallback(), countCall);
    callbackCalls = 0;
    cgGLSetParameter1f(nullptr, 1);
    cgDestroyProgram(nullptr);
    EXPECT_EQ(callbackCalls, 2);
    CGerror last = CG_NO_ERROR;
    EXPECT_STREQ(cgGetLastErrorString(&last), "invalid program handle");
    EXPECT_EQ(last, CG_INVALID_PROGRAM_HANDLE_ERROR);
    cgSetErrorCallback(nullptr);
    cgGetError();
}

TEST(RuntimeErrors, EachErrorHasItsOwnText) {
    std::set<std::string> texts;
    for (int e = CG_NO_ERROR; e <= CG_NOT_UNIFORM_PARAM_ERROR; ++e) texts.insert(cgGetErrorString(CGerror(e)));
    EXPECT_EQ(texts.size(), size_t(CG_NOT_UNIFORM_PARAM_ERROR + 1));
    EXPECT_STREQ(cgGetErrorString(CGerror(999)), "unknown error");
    EXPECT_STREQ(cgGetProfileString(CG_PROFILE_ARBFP1), "arbfp1");
    EXPECT_STREQ(cgGetProfileString(CG_PROFILE_UNKNOWN), "unknown");
}

}  // namespace
