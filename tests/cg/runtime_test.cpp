// The runtime's API without a GL context: handles, errors, listings, parameters.
#include <gtest/gtest.h>

#include <Cg/cg.h>
#include <Cg/cgGL.h>

#include <set>
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

TEST_F(Runtime, CompileErrorsGiveNoProgramAndAListingShownOnce) {
    testing::internal::CaptureStderr();
    CGprogram p = cgCreateProgram(context, CG_SOURCE, "float4 main() : COLOR { return colour; }", CG_PROFILE_ARBFP1,
                                  nullptr, nullptr);
    std::string err = testing::internal::GetCapturedStderr();
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
    const char *options[] = {"-DLIGHT=1", nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(cgCreateProgram(context, CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, options), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
    EXPECT_STREQ(cgGetLastListing(context), "error: unknown compiler option '-DLIGHT=1'\n");
}

TEST_F(Runtime, NamedParametersAreTheUniforms) {
    CGprogram p = cgCreateProgram(context, CG_SOURCE, samplerText, CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_NE(p, nullptr);
    CGparameter tint = cgGetNamedParameter(p, "tint");
    ASSERT_NE(tint, nullptr);
    EXPECT_TRUE(cgIsParameter(tint));
    EXPECT_STREQ(cgGetParameterName(tint), "tint");
    EXPECT_EQ(cgGetNamedParameter(p, "tint"), tint);
    EXPECT_EQ(cgGetNamedParameter(p, "t"), nullptr);  // varying
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

TEST(RuntimeErrors, EachErrorHasItsOwnText) {
    std::set<std::string> texts;
    for (int e = CG_NO_ERROR; e <= CG_SINGULAR_MATRIX_ERROR; ++e) texts.insert(cgGetErrorString(CGerror(e)));
    EXPECT_EQ(texts.size(), size_t(CG_SINGULAR_MATRIX_ERROR + 1));
    EXPECT_STREQ(cgGetErrorString(CGerror(999)), "unknown error");
    EXPECT_STREQ(cgGetProfileString(CG_PROFILE_ARBFP1), "arbfp1");
    EXPECT_STREQ(cgGetProfileString(CG_PROFILE_UNKNOWN), "unknown");
}

}  // namespace
