// The runtime's API without a GL context: handles, errors, listings, parameters.
#include <gtest/gtest.h>

#include <Cg/cg.h>
#include <Cg/cgGL.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <vector>
#include <string>
#include <unistd.h>

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
    EXPECT_EQ(cgGetArraySize(lights, -1), 0);
    EXPECT_EQ(cgGetError(), CG_INVALID_DIMENSION_ERROR);
    CGparameter second = cgGetArrayParameter(lights, 1);
    EXPECT_EQ(cgGetParameterType(second), CG_STRUCT);
    CGparameter colour = cgGetNamedStructParameter(second, "colour");
    EXPECT_EQ(colour, cgGetNamedParameter(p, "lights[1].colour"));
    EXPECT_EQ(cgGetNextParameter(cgGetFirstStructParameter(second)), colour);
    EXPECT_EQ(cgGetParameterType(colour), CG_FLOAT4);
    EXPECT_STREQ(cgGetTypeString(cgGetParameterType(cgGetNamedParameter(p, "m"))), "float3x4");
    EXPECT_EQ(cgGetType("half2x3"), CG_HALF2x3);
    EXPECT_EQ(cgGetType("unknown"), CG_UNKNOWN_TYPE);
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
    for (int e = CG_NO_ERROR; e <= CG_UNKNOWN_PROFILE_ERROR; ++e) texts.insert(cgGetErrorString(CGerror(e)));
    EXPECT_EQ(texts.size(), size_t(CG_UNKNOWN_PROFILE_ERROR + 1));
    EXPECT_STREQ(cgGetErrorString(CGerror(999)), "unknown error");
    EXPECT_STREQ(cgGetProfileString(CG_PROFILE_ARBFP1), "arbfp1");
    EXPECT_STREQ(cgGetProfileString(CG_PROFILE_UNKNOWN), "unknown");
}

// ---- The core value calls, parameter kinds, files, combinations, profiles, misuse ----

const char *const valuesText =
    "uniform float3x2 m[2];\nuniform float2 v[3];\nuniform int4 k;\nuniform float4x4 unread;\n"
    "float4 main(float4 c : COLOR0) : COLOR {\n"
    "  return float4(mul(m[1], v[2]) + mul(m[0], v[0]), v[1].x) + c + k; }\n";

TEST_F(Runtime, CoreValuesRoundTripInElementOrder) {
    CGprogram p = cgCreateProgram(context, CG_SOURCE, valuesText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_NE(p, nullptr) << cgGetLastListing(context);
    CGparameter m = cgGetNamedParameter(p, "m"), v = cgGetNamedParameter(p, "v");
    std::vector<float> in(12);
    for (int i = 0; i < 12; ++i) in[size_t(i)] = float(i + 1);
    // Row order in, column order out: each 3x2 element transposes on its own.
    cgSetParameterValuefr(m, 12, in.data());
    std::vector<double> out(12, -1);
    EXPECT_EQ(cgGetParameterValuedc(m, 12, out.data()), 12);
    EXPECT_EQ(out, (std::vector<double>{1, 3, 5, 2, 4, 6, 7, 9, 11, 8, 10, 12}));
    float element[6];
    cgGetMatrixParameterfr(cgGetArrayParameter(m, 1), element);
    EXPECT_EQ(std::vector<float>(element, element + 6), (std::vector<float>{7, 8, 9, 10, 11, 12}));
    cgSetMatrixParameteric(cgGetArrayParameter(m, 0), std::vector<int>{-1, -2, -3, -4, -5, -6}.data());
    int ints[12];
    EXPECT_EQ(cgGetParameterValueir(m, 12, ints), 12);
    EXPECT_EQ(std::vector<int>(ints, ints + 6), (std::vector<int>{-1, -4, -2, -5, -3, -6}));

    // Vectors: the components given; ints toward zero.
    cgSetParameterValuedr(v, 6, std::vector<double>{0.5, 1.5, -2.75, 3, 4, 5}.data());
    cgSetParameter1f(cgGetArrayParameter(v, 2), 9);
    EXPECT_EQ(cgGetParameterValueic(v, 100, ints), 6) << "room for more is fine";
    EXPECT_EQ(std::vector<int>(ints, ints + 6), (std::vector<int>{0, 1, -2, 3, 9, 5}));
    cgSetParameter4i(cgGetNamedParameter(p, "k"), 1, 2, 3, INT_MAX);
    double k[4];
    cgGLGetParameter4d(cgGetNamedParameter(p, "k"), k);
    EXPECT_EQ(std::vector<double>(k, k + 3), (std::vector<double>{1, 2, 3}));
    cgSetParameter2fv(cgGetNamedParameter(p, "unread"), in.data());
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_TYPE_ERROR) << "a matrix is no vector";
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);

    // Too few values: an error, and nothing changes.
    cgSetParameterValuefr(m, 11, std::vector<float>(12, 42).data());
    EXPECT_EQ(cgGetError(), CG_NOT_ENOUGH_DATA_ERROR);
    EXPECT_EQ(cgGetParameterValueir(m, 11, ints), 0);
    EXPECT_EQ(cgGetError(), CG_NOT_ENOUGH_DATA_ERROR);
    EXPECT_EQ(cgGetParameterValuedc(m, 12, out.data()), 12);
    EXPECT_EQ(out[0], -1);
    EXPECT_EQ(out[6], 7);
}

TEST_F(Runtime, ParametersSayTheirClassAndShape) {
    CGprogram p = cgCreateProgram(context, CG_SOURCE, lightingText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    CGprogram q = cgCreateProgram(context, CG_SOURCE, valuesText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_TRUE(p && q);
    struct Case {
        CGprogram program;
        const char *name;
        CGparameterclass kind;
        CGtype base;
        int rows, columns, total;
        const char *resource;
    } cases[] = {
        {p, "lights", CG_PARAMETERCLASS_ARRAY, CG_STRUCT, 0, 0, 2, "undefined"},
        {p, "lights[1]", CG_PARAMETERCLASS_STRUCT, CG_STRUCT, 0, 0, 0, "undefined"},
        {p, "lights[1].colour", CG_PARAMETERCLASS_VECTOR, CG_FLOAT, 1, 4, 0, "C"},
        {p, "m", CG_PARAMETERCLASS_MATRIX, CG_FLOAT, 3, 4, 0, "C"},
        {p, "image", CG_PARAMETERCLASS_SAMPLER, CG_SAMPLER2D, 0, 0, 0, "TEXUNIT2"},
        {p, "n", CG_PARAMETERCLASS_VECTOR, CG_FLOAT, 1, 3, 0, "TEXCOORD0"},
        {q, "m", CG_PARAMETERCLASS_ARRAY, CG_FLOAT, 3, 2, 2, "undefined"},
        {q, "v", CG_PARAMETERCLASS_ARRAY, CG_FLOAT, 1, 2, 3, "undefined"},
        {q, "k", CG_PARAMETERCLASS_VECTOR, CG_INT, 1, 4, 0, "C"},
        {q, "unread", CG_PARAMETERCLASS_MATRIX, CG_FLOAT, 4, 4, 0, "undefined"},
    };
    for (const Case &c : cases) {
        CGparameter x = cgGetNamedParameter(c.program, c.name);
        ASSERT_NE(x, nullptr) << c.name;
        EXPECT_EQ(cgGetParameterClass(x), c.kind) << c.name;
        EXPECT_EQ(cgGetParameterBaseType(x), c.base) << c.name;
        EXPECT_EQ(cgGetParameterRows(x), c.rows) << c.name;
        EXPECT_EQ(cgGetParameterColumns(x), c.columns) << c.name;
        EXPECT_EQ(cgGetArrayTotalSize(x), c.total) << c.name;
        EXPECT_STREQ(cgGetParameterResourceName(x), c.resource) << c.name;
    }
    EXPECT_EQ(cgGetProgramInput(p), CG_FRAGMENT);
    EXPECT_EQ(cgGetProgramOutput(vertex()), CG_VERTEX);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

struct TempFile {
    std::string path;
    explicit TempFile(const std::string &text) {
        char name[] = "/tmp/vela_cg_XXXXXX";
        int fd = mkstemp(name);
        path = name;
        if (fd >= 0) {
            (void)!write(fd, text.data(), text.size());
            close(fd);
        }
    }
    ~TempFile() { std::remove(path.c_str()); }
};

int includeAsks = 0;
void addShade(CGcontext c, const char *name) {
    ++includeAsks;
    if (std::string(name) == "asked.cg") cgSetCompilerIncludeString(c, name, "float4 asked() { return 0.5; }\n");
}

TEST_F(Runtime, ProgramsFromFilesAndIncludeFiles) {
    TempFile file(fragmentProgramText);
    CGprogram p = cgCreateProgramFromFile(context, CG_SOURCE, file.path.c_str(), CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(cgGetProgramString(p, CG_PROGRAM_SOURCE), fragmentProgramText);
    EXPECT_EQ(cgCreateProgramFromFile(context, CG_SOURCE, (file.path + ".missing").c_str(), CG_PROFILE_ARBFP1, nullptr,
                                      nullptr),
              nullptr);
    EXPECT_EQ(cgGetError(), CG_FILE_READ_ERROR);
    cgSetCompilerIncludeFile(context, "x.cg", (file.path + ".missing").c_str());
    EXPECT_EQ(cgGetError(), CG_FILE_READ_ERROR);

    // A compile error in a file names the file.
    TempFile bad("float4 main() : COLOR { return colour; }\n");
    EXPECT_EQ(cgCreateProgramFromFile(context, CG_SOURCE, bad.path.c_str(), CG_PROFILE_ARBFP1, nullptr, nullptr), nullptr);
    EXPECT_EQ(std::string(cgGetLastListing(context)).rfind(bad.path + ":1:32: error:", 0), 0u) << cgGetLastListing(context);

}

TEST_F(Runtime, IncludesFindTheContextsFilesThenItsCallback) {
    TempFile lib("float4 fromFile() { return 0.25; }\n");
    cgSetCompilerIncludeFile(context, "lib.cg", lib.path.c_str());
    cgSetCompilerIncludeString(context, "inline.cg", "float4 inlined() { return 1; }\n");
    cgSetCompilerIncludeCallback(context, addShade);
    EXPECT_EQ(cgGetCompilerIncludeCallback(context), addShade);
    includeAsks = 0;
    const char *text = "#include \"lib.cg\"\n#include \"inline.cg\"\n#include \"asked.cg\"\n"
                       "float4 main() : COLOR { return fromFile() + inlined() + asked(); }\n";
    CGprogram q = cgCreateProgram(context, CG_SOURCE, text, CG_PROFILE_ARBFP1, nullptr, nullptr);
    const char *listing = cgGetLastListing(context);
    if (!q && listing && std::string(listing).find("'#include' is not available") != std::string::npos)
        GTEST_SKIP() << "the compiler does not take #include yet";
    ASSERT_NE(q, nullptr) << listing;
    EXPECT_EQ(includeAsks, 1) << "only the file the context lacks is asked for";
    cgSetCompilerIncludeCallback(context, nullptr);
}

// One value set on a combined program's parameter reaches the uniform of that name in each domain.
const char *const tintVertex =
    "void main(float4 p : POSITION, uniform float4 tint, out float4 op : POSITION, out float4 c : COLOR0) {\n"
    "  op = p; c = tint; }\n";
const char *const tintFragment = "float4 main(float4 c : COLOR0, uniform float4 tint) : COLOR { return c * tint; }\n";

TEST_F(Runtime, CombinedProgramsHoldTheirDomains) {
    CGprogram v = cgCreateProgram(context, CG_SOURCE, tintVertex, CG_PROFILE_ARBVP1, nullptr, nullptr);
    CGprogram f = cgCreateProgram(context, CG_SOURCE, tintFragment, CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_TRUE(v && f);
    CGprogram both = cgCombinePrograms2(v, f);
    ASSERT_NE(both, nullptr);
    cgDestroyProgram(v);  // the combination has its own copies
    cgDestroyProgram(f);
    EXPECT_EQ(cgGetNumProgramDomains(both), 2);
    EXPECT_EQ(cgGetProgramDomainProfile(both, 0), CG_PROFILE_ARBVP1);
    EXPECT_EQ(cgGetProgramDomainProfile(both, 1), CG_PROFILE_ARBFP1);
    CGprogram dv = cgGetProgramDomainProgram(both, 0), df = cgGetProgramDomainProgram(both, 1);
    EXPECT_EQ(cgGetProgramDomain(dv), CG_VERTEX_DOMAIN);
    EXPECT_EQ(cgGetProgramDomain(df), CG_FRAGMENT_DOMAIN);
    EXPECT_EQ(cgGetProgramInput(both), CG_VERTEX);
    EXPECT_EQ(cgGetProgramOutput(both), CG_FRAGMENT);
    EXPECT_EQ(cgGetFirstParameter(both, CG_PROGRAM), nullptr);
    EXPECT_EQ(cgGetNumProgramDomains(dv), 1);
    EXPECT_EQ(cgGetProgramDomainProgram(dv, 0), dv);

    CGparameter tint = cgGetNamedParameter(both, "tint");
    EXPECT_EQ(cgGetParameterProgram(tint), dv);
    cgSetParameter4f(tint, 0.5f, 0.25f, 1, 1);
    float got[4] = {};
    cgGLGetParameter4f(cgGetNamedParameter(df, "tint"), got);
    EXPECT_EQ(std::vector<float>(got, got + 4), (std::vector<float>{0.5f, 0.25f, 1, 1}));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);

    // Destroying a domain program takes it out; destroying the combination ends both.
    cgDestroyProgram(df);
    EXPECT_EQ(cgGetNumProgramDomains(both), 1);
    cgDestroyProgram(both);
    EXPECT_FALSE(cgIsProgram(dv));
    EXPECT_FALSE(cgIsParameter(tint));
}

TEST(RuntimeProfiles, PropertiesAndTheSupportedList) {
    cgGetError();
    std::set<int> seen;
    for (int i = 0; i < cgGetNumSupportedProfiles(); ++i) {
        CGprofile p = cgGetSupportedProfile(i);
        seen.insert(p);
        EXPECT_TRUE(cgIsProfileSupported(p));
        bool vertex = std::string(cgGetProfileString(p)).find("vp") != std::string::npos;
        EXPECT_EQ(cgGetProfileProperty(p, CG_IS_VERTEX_PROFILE), vertex ? CG_TRUE : CG_FALSE);
        EXPECT_EQ(cgGetProfileProperty(p, CG_IS_FRAGMENT_PROFILE), vertex ? CG_FALSE : CG_TRUE);
        EXPECT_EQ(cgGetProfileProperty(p, CG_IS_OPENGL_PROFILE), CG_TRUE);
        EXPECT_EQ(cgGetProfileProperty(p, CG_IS_GEOMETRY_PROFILE), CG_FALSE);
        EXPECT_EQ(cgGetProfileDomain(p), vertex ? CG_VERTEX_DOMAIN : CG_FRAGMENT_DOMAIN);
    }
    EXPECT_EQ(seen, (std::set<int>{CG_PROFILE_ARBVP1, CG_PROFILE_ARBFP1}));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    EXPECT_FALSE(cgIsProfileSupported(CG_PROFILE_UNKNOWN));
    EXPECT_EQ(CG_VERSION_NUM / 1000, 3);
}

CGcontext handlerContext = nullptr;
CGerror handlerError = CG_NO_ERROR;
void *handlerData = nullptr;
void recordError(CGcontext c, CGerror e, void *data) {
    handlerContext = c;
    handlerError = e;
    handlerData = data;
}

TEST_F(Runtime, ErrorHandlerHearsTheContextAndItsData) {
    int data = 0;
    cgSetErrorHandler(recordError, &data);
    void *back = nullptr;
    EXPECT_EQ(cgGetErrorHandler(&back), recordError);
    EXPECT_EQ(back, &data);
    EXPECT_EQ(cgCreateProgram(context, CG_SOURCE, "float4 main() : COLOR { return x; }", CG_PROFILE_ARBFP1, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(handlerContext, context);
    EXPECT_EQ(handlerError, CG_COMPILER_ERROR);
    EXPECT_EQ(handlerData, &data);
    cgSetParameter1f(nullptr, 1);
    EXPECT_EQ(handlerContext, nullptr);
    EXPECT_EQ(handlerError, CG_INVALID_PARAM_HANDLE_ERROR);
    cgSetErrorHandler(nullptr, nullptr);
    EXPECT_EQ(cgGetErrorHandler(nullptr), nullptr);
    cgGetError();
}

// Each new entry point with a bad handle or argument: its error, and no change.
TEST_F(Runtime, MisuseOfTheNewCallsIsRefused) {
    CGprogram p = cgCreateProgram(context, CG_SOURCE, valuesText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    CGprogram v = vertex();
    ASSERT_TRUE(p && v);
    CGparameter m = cgGetNamedParameter(p, "m"), k = cgGetNamedParameter(p, "k"), c = cgGetNamedParameter(p, "c");
    CGprogram staleProgram = vertex();
    CGparameter stale = cgGetNamedParameter(staleProgram, "mvp");
    cgDestroyProgram(staleProgram);
    CGparameter bogus = reinterpret_cast<CGparameter>(~uintptr_t(0));
    float f[64] = {};
    int n[64] = {};
    const CGprogram none[] = {nullptr, nullptr};
    const CGprogram twoFragments[] = {p, p};
    std::vector<float> before(12);
    cgGetParameterValuefr(m, 12, before.data());
    struct Case {
        const char *what;
        std::function<void()> call;
        CGerror error;
    } cases[] = {
        {"set 4f stale", [&] { cgSetParameter4f(stale, 1, 2, 3, 4); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"set 1iv garbage", [&] { cgSetParameter1iv(bogus, n); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"set 3dv null", [&] { cgSetParameter3dv(k, nullptr); }, CG_INVALID_POINTER_ERROR},
        {"set on varying", [&] { cgSetParameter4f(c, 1, 2, 3, 4); }, CG_NOT_UNIFORM_PARAM_ERROR},
        {"set on array", [&] { cgSetParameter1f(m, 1); }, CG_INVALID_PARAMETER_TYPE_ERROR},
        {"matrix on vector", [&] { cgSetMatrixParameterfr(k, f); }, CG_NOT_MATRIX_PARAM_ERROR},
        {"matrix on array", [&] { cgSetMatrixParameterdc(m, std::vector<double>(16).data()); }, CG_NOT_MATRIX_PARAM_ERROR},
        {"get matrix null", [&] { cgGetMatrixParameterir(cgGetArrayParameter(m, 0), nullptr); }, CG_INVALID_POINTER_ERROR},
        {"value negative count", [&] { cgSetParameterValuefr(m, -1, f); }, CG_NOT_ENOUGH_DATA_ERROR},
        {"value INT_MIN count", [&] { cgGetParameterValueic(m, INT_MIN, n); }, CG_NOT_ENOUGH_DATA_ERROR},
        {"value null", [&] { cgSetParameterValueir(m, 12, nullptr); }, CG_INVALID_POINTER_ERROR},
        {"value varying", [&] { cgGetParameterValuefc(c, 64, f); }, CG_NOT_UNIFORM_PARAM_ERROR},
        {"class stale", [&] { cgGetParameterClass(stale); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"base type null", [&] { cgGetParameterBaseType(nullptr); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"resource name null", [&] { cgGetParameterResourceName(nullptr); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"total size null", [&] { cgGetArrayTotalSize(nullptr); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"from file null name", [&] { cgCreateProgramFromFile(context, CG_SOURCE, nullptr, CG_PROFILE_ARBFP1, nullptr, nullptr); }, CG_INVALID_POINTER_ERROR},
        {"from file null context", [&] { cgCreateProgramFromFile(nullptr, CG_SOURCE, "/dev/null", CG_PROFILE_ARBFP1, nullptr, nullptr); }, CG_INVALID_CONTEXT_HANDLE_ERROR},
        {"from file object", [&] { cgCreateProgramFromFile(context, CG_OBJECT, "/dev/null", CG_PROFILE_ARBFP1, nullptr, nullptr); }, CG_INVALID_ENUMERANT_ERROR},
        {"from file profile", [&] { cgCreateProgramFromFile(context, CG_SOURCE, "/dev/null", CG_PROFILE_UNKNOWN, nullptr, nullptr); }, CG_INVALID_PROFILE_ERROR},
        {"include string null name", [&] { cgSetCompilerIncludeString(context, nullptr, "x"); }, CG_INVALID_POINTER_ERROR},
        {"include string context", [&] { cgSetCompilerIncludeString(reinterpret_cast<CGcontext>(p), "a", "x"); }, CG_INVALID_CONTEXT_HANDLE_ERROR},
        {"include file null", [&] { cgSetCompilerIncludeFile(context, "a", nullptr); }, CG_INVALID_POINTER_ERROR},
        {"include callback", [&] { cgSetCompilerIncludeCallback(nullptr, addShade); }, CG_INVALID_CONTEXT_HANDLE_ERROR},
        {"combine one", [&] { cgCombinePrograms(1, twoFragments); }, CG_INVALID_DIMENSION_ERROR},
        {"combine four", [&] { cgCombinePrograms(4, twoFragments); }, CG_INVALID_DIMENSION_ERROR},
        {"combine null list", [&] { cgCombinePrograms(2, nullptr); }, CG_INVALID_PARAMETER_ERROR},
        {"combine null programs", [&] { cgCombinePrograms(2, none); }, CG_INVALID_PROGRAM_HANDLE_ERROR},
        {"combine one domain twice", [&] { cgCombinePrograms2(p, p); }, CG_INVALID_PARAMETER_ERROR},
        {"combine stale", [&] { cgCombinePrograms3(v, p, staleProgram); }, CG_INVALID_PROGRAM_HANDLE_ERROR},
        {"domains null", [&] { cgGetNumProgramDomains(nullptr); }, CG_INVALID_PROGRAM_HANDLE_ERROR},
        {"domain index", [&] { cgGetProgramDomainProgram(p, 1); }, CG_INVALID_PARAMETER_ERROR},
        {"domain negative", [&] { cgGetProgramDomainProfile(p, -1); }, CG_INVALID_PARAMETER_ERROR},
        {"domain of null", [&] { cgGetProgramDomain(nullptr); }, CG_INVALID_PROGRAM_HANDLE_ERROR},
        {"input of null", [&] { cgGetProgramInput(nullptr); }, CG_INVALID_PROGRAM_HANDLE_ERROR},
        {"profile property unknown", [&] { cgGetProfileProperty(CGprofile(6151), CG_IS_VERTEX_PROFILE); }, CG_UNKNOWN_PROFILE_ERROR},
        {"profile property query", [&] { cgGetProfileProperty(CG_PROFILE_ARBVP1, CG_SOURCE); }, CG_INVALID_ENUMERANT_ERROR},
        {"profile domain unknown", [&] { cgGetProfileDomain(CG_PROFILE_UNKNOWN); }, CG_UNKNOWN_PROFILE_ERROR},
        {"supported profile index", [&] { cgGetSupportedProfile(cgGetNumSupportedProfiles()); }, CG_INVALID_PARAMETER_ERROR},
        {"supported profile negative", [&] { cgGetSupportedProfile(-1); }, CG_INVALID_PARAMETER_ERROR},
        {"latest profile class", [&] { cgGLGetLatestProfile(CGGLenum(13)); }, CG_INVALID_ENUMERANT_ERROR},
        {"optimal options profile", [&] { cgGLSetOptimalOptions(CG_PROFILE_UNKNOWN); }, CG_INVALID_PROFILE_ERROR},
        {"optimal options no GL", [&] { cgGLSetOptimalOptions(CG_PROFILE_ARBVP1); }, CG_NO_GL_CONTEXT_ERROR},
        {"get optimal profile", [&] { cgGLGetOptimalOptions(CGprofile(7001)); }, CG_INVALID_PROFILE_ERROR},
        {"pointer stale", [&] { cgGLSetParameterPointer(stale, 4, 0x1406, 0, f); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"pointer type", [&] { cgGLSetParameterPointer(cgGetNamedParameter(v, "IN.pos"), 4, 0x1400 /* BYTE */, 0, f); }, CG_INVALID_ENUMERANT_ERROR},
        {"pointer uniform", [&] { cgGLSetParameterPointer(cgGetNamedParameter(v, "mvp"), 4, 0x1406, 0, f); }, CG_INVALID_PARAMETER_ERROR},
        {"pointer fragment input", [&] { cgGLSetParameterPointer(c, 4, 0x1406, 0, f); }, CG_INVALID_PARAMETER_ERROR},
        {"pointer struct", [&] { cgGLSetParameterPointer(cgGetNamedParameter(v, "IN"), 4, 0x1406, 0, f); }, CG_INVALID_PARAMETER_ERROR},
        {"pointer no GL", [&] { cgGLSetParameterPointer(cgGetNamedParameter(v, "IN.pos"), 4, 0x1406, 0, f); }, CG_NO_GL_CONTEXT_ERROR},
        {"client state null", [&] { cgGLEnableClientState(nullptr); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"client state uniform", [&] { cgGLDisableClientState(k); }, CG_INVALID_PARAMETER_ERROR},
        {"varying value no GL", [&] { cgGLSetParameter4f(cgGetNamedParameter(v, "IN.nrm"), 1, 2, 3, 4); }, CG_NO_GL_CONTEXT_ERROR},
        {"program profiles null", [&] { cgGLEnableProgramProfiles(nullptr); }, CG_INVALID_PROGRAM_HANDLE_ERROR},
        {"array offset near LONG_MAX", [&] { cgGLSetParameterArray2f(cgGetNamedParameter(p, "v"), LONG_MAX - 1, 3, f); }, CG_OUT_OF_ARRAY_BOUNDS_ERROR},
        {"array count near LONG_MAX", [&] { cgGLSetParameterArray2f(cgGetNamedParameter(p, "v"), 1, LONG_MAX, f); }, CG_OUT_OF_ARRAY_BOUNDS_ERROR},
        {"array negative offset", [&] { cgGLSetMatrixParameterArrayfr(m, -1, 0, f); }, CG_OUT_OF_ARRAY_BOUNDS_ERROR},
    };
    int heard = 0;
    static int *counter;
    counter = &heard;
    cgSetErrorCallback([] { ++*counter; });
    for (const Case &x : cases) {
        cgGetError();
        heard = 0;
        x.call();
        EXPECT_EQ(cgGetError(), x.error) << x.what;
        EXPECT_EQ(heard, 1) << x.what << ": the callback hears it once";
    }
    cgSetErrorCallback(nullptr);
    std::vector<float> after(12);
    cgGetParameterValuefr(m, 12, after.data());
    EXPECT_EQ(after, before);
    int k4[4];
    cgGetParameterValueir(k, 4, k4);
    EXPECT_EQ(std::vector<int>(k4, k4 + 4), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(cgGetNumProgramDomains(p), 1) << "failed combinations leave the programs alone";
}

}  // namespace
