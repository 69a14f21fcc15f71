/* The GL binding of Vela's shader runtime: loading compiled programs into the GL
 * (ARB_vertex_program / ARB_fragment_program), enabling profiles, binding programs,
 * setting uniform parameters and binding textures. Every call that reaches the GL needs
 * the caller's GL context to be current. */
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
    CG_GL_TEXTURE_MATRIX = 6, /* of the active texture unit */
    CG_GL_MODELVIEW_PROJECTION_MATRIX = 7,

    CG_GL_VERTEX = 8,   /* cgGLGetLatestProfile */
    CG_GL_FRAGMENT = 9,
    CG_GL_GEOMETRY = 10, /* classes without a profile here: CG_PROFILE_UNKNOWN */
    CG_GL_TESSELLATION_CONTROL = 11,
    CG_GL_TESSELLATION_EVALUATION = 12
} CGGLenum;

CGbool cgGLIsProfileSupported(CGprofile profile);
void cgGLEnableProfile(CGprofile profile);
void cgGLDisableProfile(CGprofile profile);
/* The best supported profile of the class (CG_GL_VERTEX, CG_GL_FRAGMENT, CG_GL_GEOMETRY
 * ...), or CG_PROFILE_UNKNOWN. */
CGprofile cgGLGetLatestProfile(CGGLenum profileClass);
/* The compiler always optimises fully; what it can be told is this GL's limits for the
 * profile. With a GL context current that supports the profile, every later compilation
 * for it (cgCreateProgram, cgCreateProgramFromFile, in any context, until the last context
 * is destroyed) gets the options cgGLGetOptimalOptions gives: -DCG_MAX_INSTRUCTIONS=n,
 * -DCG_MAX_TEMPORARIES=n, -DCG_MAX_LOCAL_PARAMETERS=n (the GL's native figures), after the
 * program's own, so a text may size itself to the GL. */
void cgGLSetOptimalOptions(CGprofile profile);
/* NULL-terminated; empty until cgGLSetOptimalOptions; NULL for an unknown profile. */
const char **cgGLGetOptimalOptions(CGprofile profile);
// With debug mode on, every failed compilation or load also prints its listing to stderr.
void cgGLSetDebugMode(CGbool debug);

/* Hands the assembly to the GL. A program over one of the GL's limits (instructions,
 * temporaries, parameters, attributes, texture indirections, native limits) is refused
 * with the figures, as is one the GL rejects: CG_PROGRAM_LOAD_ERROR with the reason in
 * cgGetLastListing (and on stderr). */
void cgGLLoadProgram(CGprogram program);
CGbool cgGLIsProgramLoaded(CGprogram program);
void cgGLUnloadProgram(CGprogram program);
/* The GL's name for the loaded program, 0 when not loaded (and for a combined program,
 * which has one a domain: cgGetProgramDomainProgram). Load, bind and unload take combined
 * programs, domain by domain. */
unsigned int cgGLGetProgramID(CGprogram program);
/* Binds the program (and, when the context manages them, its textures). */
void cgGLBindProgram(CGprogram program);
void cgGLUnbindProgram(CGprofile profile);
/* Enables (disables) the profile of the program, or of each domain of a combined one. */
void cgGLEnableProgramProfiles(CGprogram program);
void cgGLDisableProgramProfiles(CGprogram program);

/* Sets a matrix parameter from the current GL matrices: matrix is one of the *_MATRIX
 * values (MODELVIEW_PROJECTION is projection x modelview), transform one of the
 * CG_GL_MATRIX_* values. mul(parameter, v) then transforms v as the GL would. */
void cgGLSetStateMatrixParameter(CGparameter parameter, CGGLenum matrix, CGGLenum transform);

/* Scalar and vector parameters: the given components; the others keep their values. On a
 * varying input of a vertex program they are the GL's current attribute instead
 * (glVertex4f for POSITION, glColor4f for COLOR0, glSecondaryColor3f for COLOR1,
 * glMultiTexCoord4f for TEXCOORDn, glNormal3f for NORMAL, glVertexAttrib4fARB for ATTRn),
 * components not given being 0 (w: 1). */
void cgGLSetParameter1f(CGparameter parameter, float x);
void cgGLSetParameter2f(CGparameter parameter, float x, float y);
void cgGLSetParameter3f(CGparameter parameter, float x, float y, float z);
void cgGLSetParameter4f(CGparameter parameter, float x, float y, float z, float w);
void cgGLSetParameter1fv(CGparameter parameter, const float *values);
void cgGLSetParameter2fv(CGparameter parameter, const float *values);
void cgGLSetParameter3fv(CGparameter parameter, const float *values);
void cgGLSetParameter4fv(CGparameter parameter, const float *values);
void cgGLSetParameter1d(CGparameter parameter, double x);
void cgGLSetParameter2d(CGparameter parameter, double x, double y);
void cgGLSetParameter3d(CGparameter parameter, double x, double y, double z);
void cgGLSetParameter4d(CGparameter parameter, double x, double y, double z, double w);
void cgGLSetParameter1dv(CGparameter parameter, const double *values);
void cgGLSetParameter2dv(CGparameter parameter, const double *values);
void cgGLSetParameter3dv(CGparameter parameter, const double *values);
void cgGLSetParameter4dv(CGparameter parameter, const double *values);
/* The parameter's value: n components (the rest untouched). */
void cgGLGetParameter1f(CGparameter parameter, float *values);
void cgGLGetParameter2f(CGparameter parameter, float *values);
void cgGLGetParameter3f(CGparameter parameter, float *values);
void cgGLGetParameter4f(CGparameter parameter, float *values);
void cgGLGetParameter1d(CGparameter parameter, double *values);
void cgGLGetParameter2d(CGparameter parameter, double *values);
void cgGLGetParameter3d(CGparameter parameter, double *values);
void cgGLGetParameter4d(CGparameter parameter, double *values);

/* Arrays of scalars or vectors: `count` elements from `offset` (count 0: to the end), n
 * values an element. */
void cgGLSetParameterArray1f(CGparameter parameter, long offset, long count, const float *values);
void cgGLSetParameterArray2f(CGparameter parameter, long offset, long count, const float *values);
void cgGLSetParameterArray3f(CGparameter parameter, long offset, long count, const float *values);
void cgGLSetParameterArray4f(CGparameter parameter, long offset, long count, const float *values);
void cgGLSetParameterArray1d(CGparameter parameter, long offset, long count, const double *values);
void cgGLSetParameterArray2d(CGparameter parameter, long offset, long count, const double *values);
void cgGLSetParameterArray3d(CGparameter parameter, long offset, long count, const double *values);
void cgGLSetParameterArray4d(CGparameter parameter, long offset, long count, const double *values);
void cgGLGetParameterArray4f(CGparameter parameter, long offset, long count, float *values);

/* Matrices: rows x columns values, row after row (r) or column after column (c). */
void cgGLSetMatrixParameterfr(CGparameter parameter, const float *values);
void cgGLSetMatrixParameterfc(CGparameter parameter, const float *values);
void cgGLSetMatrixParameterdr(CGparameter parameter, const double *values);
void cgGLSetMatrixParameterdc(CGparameter parameter, const double *values);
void cgGLGetMatrixParameterfr(CGparameter parameter, float *values);
void cgGLGetMatrixParameterfc(CGparameter parameter, float *values);
void cgGLGetMatrixParameterdr(CGparameter parameter, double *values);
void cgGLGetMatrixParameterdc(CGparameter parameter, double *values);
/* Arrays of matrices: `count` matrices from `offset` (count 0: to the end). */
void cgGLSetMatrixParameterArrayfr(CGparameter parameter, long offset, long count, const float *values);
void cgGLSetMatrixParameterArrayfc(CGparameter parameter, long offset, long count, const float *values);
void cgGLSetMatrixParameterArraydr(CGparameter parameter, long offset, long count, const double *values);
void cgGLSetMatrixParameterArraydc(CGparameter parameter, long offset, long count, const double *values);

/* Vertex arrays for the varying inputs of vertex programs: glVertexPointer for POSITION,
 * glColorPointer for COLOR0, glSecondaryColorPointer for COLOR1 (size 3), glTexCoordPointer
 * on its unit for TEXCOORDn, glNormalPointer for NORMAL (size 3), glVertexAttribPointerARB
 * for ATTRn. size 1-4 as the GL call takes it; type GL_UNSIGNED_BYTE (colours and
 * attributes only), GL_SHORT, GL_INT, GL_FLOAT or GL_DOUBLE. Anything else, a uniform or
 * a fragment input: CG_INVALID_PARAMETER_ERROR (a bad type: CG_INVALID_ENUMERANT_ERROR)
 * and no GL call. The client state calls enable (disable) that array; the active client
 * texture unit is restored. */
void cgGLSetParameterPointer(CGparameter parameter, int size, unsigned int type, int stride, const void *pointer);
void cgGLEnableClientState(CGparameter parameter);
void cgGLDisableClientState(CGparameter parameter);

/* Samplers: the texture object a sampler parameter stands for, and its unit. */
void cgGLSetTextureParameter(CGparameter parameter, unsigned int texture);
unsigned int cgGLGetTextureParameter(CGparameter parameter);
/* Binds the parameter's texture on its unit (and leaves that unit active); disabling
 * binds texture 0 there. */
void cgGLEnableTextureParameter(CGparameter parameter);
void cgGLDisableTextureParameter(CGparameter parameter);
/* The texture unit (GL_TEXTURE0 + n) a sampler parameter samples; 0 on error. */
unsigned int cgGLGetTextureEnum(CGparameter parameter);
/* When on, cgGLBindProgram binds every texture parameter of the program that has a texture. */
void cgGLSetManageTextureParameters(CGcontext context, CGbool flag);
CGbool cgGLGetManageTextureParameters(CGcontext context);

#ifdef __cplusplus
}
#endif

#endif
