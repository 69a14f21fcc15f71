/* The GL binding of Vela's shader runtime: loading compiled programs into the GL
 * (ARB_vertex_program / ARB_fragment_program), enabling profiles, binding programs and
 * setting uniform parameters. Every call needs the caller's GL context to be current. */
#ifndef VELA_CG_CGGL_H
#define VELA_CG_CGGL_H

#include <Cg/cg.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    CG_GL_MATRIX_IDENTITY = 0,
    CG_GL_MATRIX_TRANSPOSE = 1,
    CG_GL_MATRIX_INVERSE = 2,
    CG_GL_MATRIX_INVERSE_TRANSPOSE = 3,

    CG_GL_MODELVIEW_MATRIX = 4,
    CG_GL_PROJECTION_MATRIX = 5,
    CG_GL_TEXTURE_MATRIX = 6,
    CG_GL_MODELVIEW_PROJECTION_MATRIX = 7
} CGGLenum;

CGbool cgGLIsProfileSupported(CGprofile profile);
void cgGLEnableProfile(CGprofile profile);
void cgGLDisableProfile(CGprofile profile);

/* Hands the assembly to the GL; a rejection sets CG_PROGRAM_LOAD_ERROR with the GL's
 * position and message in cgGetLastListing (and on stderr). */
void cgGLLoadProgram(CGprogram program);
CGbool cgGLIsProgramLoaded(CGprogram program);
void cgGLBindProgram(CGprogram program);

/* Sets a matrix parameter from the current GL matrices: matrix is one of the *_MATRIX
 * values (MODELVIEW_PROJECTION is projection x modelview), transform one of the
 * CG_GL_MATRIX_* values. mul(parameter, v) then transforms v as the GL would. */
void cgGLSetStateMatrixParameter(CGparameter parameter, CGGLenum matrix, CGGLenum transform);
/* 16 (float4x4) or 9 (float3x3) values, row after row (fr) or column after column (fc). */
void cgGLSetMatrixParameterfr(CGparameter parameter, const float *values);
void cgGLSetMatrixParameterfc(CGparameter parameter, const float *values);

/* Scalar and vector parameters: the given components; the others keep their values. */
void cgGLSetParameter1f(CGparameter parameter, float x);
void cgGLSetParameter2f(CGparameter parameter, float x, float y);
void cgGLSetParameter3f(CGparameter parameter, float x, float y, float z);
void cgGLSetParameter4f(CGparameter parameter, float x, float y, float z, float w);
void cgGLSetParameter4fv(CGparameter parameter, const float *values);

/* The texture unit (GL_TEXTURE0 + n) a sampler2D parameter samples; 0 on error. */
unsigned int cgGLGetTextureEnum(CGparameter parameter);

#ifdef __cplusplus
}
#endif

#endif
