/* The GL binding of Vela's shader runtime: loading compiled programs into the GL
 * (ARB_vertex_program / ARB_fragment_program), enabling profiles, binding programs,
 * setting uniform parameters and binding textures. Every call that reaches the GL needs
 * the caller's GL context to be current. */
#ifndef VELA_CG_CGGL_H
#define VELA_CG_CGGL_H

#include <Cg/cg.h>

/* CGGL_EXPORTS is defined while building the GL library itself. */
#ifndef CGGL_API
#if defined(_WIN32)
#ifdef CGGL_EXPORTS
#define CGGL_API __declspec(dllexport)
#else
#define CGGL_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define CGGL_API __attribute__((visibility("default")))
#else
#define CGGL_API
#endif
#endif

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
    CG_GL_TEXTURE_MATRIX = 6, /* of the active texture unit */
    CG_GL_MODELVIEW_PROJECTION_MATRIX = 7,

    CG_GL_VERTEX = 8,   /* cgGLGetLatestProfile */
    CG_GL_FRAGMENT = 9,
    CG_GL_GEOMETRY = 10, /* classes without a profile here: CG_PROFILE_UNKNOWN */
    CG_GL_TESSELLATION_CONTROL = 11,
    CG_GL_TESSELLATION_EVALUATION = 12
} CGGLenum;

CGGL_API CGbool cgGLIsProfileSupported(CGprofile profile);
CGGL_API void cgGLEnableProfile(CGprofile profile);
CGGL_API void cgGLDisableProfile(CGprofile profile);
/* The best supported profile of the class (CG_GL_VERTEX, CG_GL_FRAGMENT, CG_GL_GEOMETRY
 * ...), or CG_PROFILE_UNKNOWN. */
CGGL_API CGprofile cgGLGetLatestProfile(CGGLenum profileClass);
/* The compiler always optimises fully; what it can be told is this GL's limits for the
 * profile. With a GL context current that supports the profile, every later compilation
 * for it (cgCreateProgram, cgCreateProgramFromFile, in any context, until the last context
 * is destroyed) gets the options cgGLGetOptimalOptions gives: -DCG_MAX_INSTRUCTIONS=n,
 * -DCG_MAX_TEMPORARIES=n, -DCG_MAX_LOCAL_PARAMETERS=n (the GL's native figures), after the
 * program's own, so a text may size itself to the GL. */
CGGL_API void cgGLSetOptimalOptions(CGprofile profile);
/* NULL-terminated; empty until cgGLSetOptimalOptions; NULL for an unknown profile. */
CGGL_API const char **cgGLGetOptimalOptions(CGprofile profile);
// With debug mode on, every failed compilation or load also prints its listing to stderr.
CGGL_API void cgGLSetDebugMode(CGbool debug);

/* Hands the assembly to the GL. A program over one of the GL's limits (instructions,
 * temporaries, parameters, attributes, texture indirections, native limits) is refused
 * with the figures, as is one the GL rejects: CG_PROGRAM_LOAD_ERROR with the reason in
 * cgGetLastListing (and on stderr). */
CGGL_API void cgGLLoadProgram(CGprogram program);
CGGL_API CGbool cgGLIsProgramLoaded(CGprogram program);
CGGL_API void cgGLUnloadProgram(CGprogram program);
/* The GL's name for the loaded program, 0 when not loaded (and for a combined program,
 * which has one a domain: cgGetProgramDomainProgram). Load, bind and unload take combined
 * programs, domain by domain. */
CGGL_API unsigned int cgGLGetProgramID(CGprogram program);
/* Binds the program (and, when the context manages them, its textures). */
CGGL_API void cgGLBindProgram(CGprogram program);
CGGL_API void cgGLUnbindProgram(CGprofile profile);
/* Enables (disables) the profile of the program, or of each domain of a combined one. */
CGGL_API void cgGLEnableProgramProfiles(CGprogram program);
CGGL_API void cgGLDisableProgramProfiles(CGprogram program);

/* Sets a matrix parameter from the current GL matrices: matrix is one of the *_MATRIX
 * values (MODELVIEW_PROJECTION is projection x modelview), transform one of the
 * CG_GL_MATRIX_* values. mul(parameter, v) then transforms v as the GL would. */
CGGL_API void cgGLSetStateMatrixParameter(CGparameter parameter, CGGLenum matrix, CGGLenum transform);

/* Scalar and vector parameters: the given components; the others keep their values. On a
 * varying input of a vertex program they are the GL's current attribute instead
 * (glVertex4f for POSITION, glColor4f for COLOR0, glSecondaryColor3f for COLOR1,
 * glMultiTexCoord4f for TEXCOORDn, glNormal3f for NORMAL, glVertexAttrib4fARB for ATTRn),
 * components not given being 0 (w: 1). */
CGGL_API void cgGLSetParameter1f(CGparameter parameter, float x);
CGGL_API void cgGLSetParameter2f(CGparameter parameter, float x, float y);
CGGL_API void cgGLSetParameter3f(CGparameter parameter, float x, float y, float z);
CGGL_API void cgGLSetParameter4f(CGparameter parameter, float x, float y, float z, float w);
CGGL_API void cgGLSetParameter1fv(CGparameter parameter, const float *values);
CGGL_API void cgGLSetParameter2fv(CGparameter parameter, const float *values);
CGGL_API void cgGLSetParameter3fv(CGparameter parameter, const float *values);
CGGL_API void cgGLSetParameter4fv(CGparameter parameter, const float *values);
CGGL_API void cgGLSetParameter1d(CGparameter parameter, double x);
CGGL_API void cgGLSetParameter2d(CGparameter parameter, double x, double y);
CGGL_API void cgGLSetParameter3d(CGparameter parameter, double x, double y, double z);
CGGL_API void cgGLSetParameter4d(CGparameter parameter, double x, double y, double z, double w);
CGGL_API void cgGLSetParameter1dv(CGparameter parameter, const double *values);
CGGL_API void cgGLSetParameter2dv(CGparameter parameter, const double *values);
CGGL_API void cgGLSetParameter3dv(CGparameter parameter, const double *values);
CGGL_API void cgGLSetParameter4dv(CGparameter parameter, const double *values);
/* The parameter's value: n components (the rest untouched). */
CGGL_API void cgGLGetParameter1f(CGparameter parameter, float *values);
CGGL_API void cgGLGetParameter2f(CGparameter parameter, float *values);
CGGL_API void cgGLGetParameter3f(CGparameter parameter, float *values);
CGGL_API void cgGLGetParameter4f(CGparameter parameter, float *values);
CGGL_API void cgGLGetParameter1d(CGparameter parameter, double *values);
CGGL_API void cgGLGetParameter2d(CGparameter parameter, double *values);
CGGL_API void cgGLGetParameter3d(CGparameter parameter, double *values);
CGGL_API void cgGLGetParameter4d(CGparameter parameter, double *values);

/* Arrays of scalars or vectors: `count` elements from `offset` (count 0: to the end), n
 * values an element. */
CGGL_API void cgGLSetParameterArray1f(CGparameter parameter, long offset, long count, const float *values);
CGGL_API void cgGLSetParameterArray2f(CGparameter parameter, long offset, long count, const float *values);
CGGL_API void cgGLSetParameterArray3f(CGparameter parameter, long offset, long count, const float *values);
CGGL_API void cgGLSetParameterArray4f(CGparameter parameter, long offset, long count, const float *values);
CGGL_API void cgGLSetParameterArray1d(CGparameter parameter, long offset, long count, const double *values);
CGGL_API void cgGLSetParameterArray2d(CGparameter parameter, long offset, long count, const double *values);
CGGL_API void cgGLSetParameterArray3d(CGparameter parameter, long offset, long count, const double *values);
CGGL_API void cgGLSetParameterArray4d(CGparameter parameter, long offset, long count, const double *values);
CGGL_API void cgGLGetParameterArray4f(CGparameter parameter, long offset, long count, float *values);

/* Matrices: rows x columns values, row after row (r) or column after column (c). */
CGGL_API void cgGLSetMatrixParameterfr(CGparameter parameter, const float *values);
CGGL_API void cgGLSetMatrixParameterfc(CGparameter parameter, const float *values);
CGGL_API void cgGLSetMatrixParameterdr(CGparameter parameter, const double *values);
CGGL_API void cgGLSetMatrixParameterdc(CGparameter parameter, const double *values);
CGGL_API void cgGLGetMatrixParameterfr(CGparameter parameter, float *values);
CGGL_API void cgGLGetMatrixParameterfc(CGparameter parameter, float *values);
CGGL_API void cgGLGetMatrixParameterdr(CGparameter parameter, double *values);
CGGL_API void cgGLGetMatrixParameterdc(CGparameter parameter, double *values);
/* Arrays of matrices: `count` matrices from `offset` (count 0: to the end). */
CGGL_API void cgGLSetMatrixParameterArrayfr(CGparameter parameter, long offset, long count, const float *values);
CGGL_API void cgGLSetMatrixParameterArrayfc(CGparameter parameter, long offset, long count, const float *values);
CGGL_API void cgGLSetMatrixParameterArraydr(CGparameter parameter, long offset, long count, const double *values);
CGGL_API void cgGLSetMatrixParameterArraydc(CGparameter parameter, long offset, long count, const double *values);

/* Vertex arrays for the varying inputs of vertex programs: glVertexPointer for POSITION,
 * glColorPointer for COLOR0, glSecondaryColorPointer for COLOR1 (size 3), glTexCoordPointer
 * on its unit for TEXCOORDn, glNormalPointer for NORMAL (size 3), glVertexAttribPointerARB
 * for ATTRn. size 1-4 as the GL call takes it; type GL_UNSIGNED_BYTE (colours and
 * attributes only), GL_SHORT, GL_INT, GL_FLOAT or GL_DOUBLE. Anything else, a uniform or
 * a fragment input: CG_INVALID_PARAMETER_ERROR (a bad type: CG_INVALID_ENUMERANT_ERROR)
 * and no GL call. The client state calls enable (disable) that array; the active client
 * texture unit is restored. */
CGGL_API void cgGLSetParameterPointer(CGparameter parameter, int size, unsigned int type, int stride, const void *pointer);
CGGL_API void cgGLEnableClientState(CGparameter parameter);
CGGL_API void cgGLDisableClientState(CGparameter parameter);

/* Samplers: the texture object a sampler parameter stands for, and its unit. */
CGGL_API void cgGLSetTextureParameter(CGparameter parameter, unsigned int texture);
CGGL_API unsigned int cgGLGetTextureParameter(CGparameter parameter);
/* Binds the parameter's texture on its unit (and leaves that unit active); disabling
 * binds texture 0 there. */
CGGL_API void cgGLEnableTextureParameter(CGparameter parameter);
CGGL_API void cgGLDisableTextureParameter(CGparameter parameter);
/* The texture unit (GL_TEXTURE0 + n) a sampler parameter samples; 0 on error. */
CGGL_API unsigned int cgGLGetTextureEnum(CGparameter parameter);
/* When on, cgGLBindProgram binds every texture parameter of the program that has a texture. */
CGGL_API void cgGLSetManageTextureParameters(CGcontext context, CGbool flag);
CGGL_API CGbool cgGLGetManageTextureParameters(CGcontext context);

#ifdef __cplusplus
}
#endif

#endif
