/* Vela's shader runtime: contexts, programs compiled from source, their parameters and
 * errors. Programs are written in the shading-language subset the arbvp1 and arbfp1
 * profiles need and are compiled to ARB vertex/fragment program assembly.
 *
 * Every handle is checked: a null, stale or foreign handle sets an error (cgGetError)
 * and the call does nothing. */
#ifndef VELA_CG_CG_H
#define VELA_CG_CG_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _CGcontext *CGcontext;
typedef struct _CGprogram *CGprogram;
typedef struct _CGparameter *CGparameter;

typedef int CGbool;
#define CG_FALSE 0
#define CG_TRUE 1

typedef enum {
    CG_UNKNOWN = 4096,
    CG_SOURCE = 4112,
    CG_OBJECT = 4113, /* precompiled programs: refused */

    /* cgGetProgramString */
    CG_COMPILED_PROGRAM = 4128, /* the emitted assembly */
    CG_PROGRAM_SOURCE = 4129,
    CG_PROGRAM_ENTRY = 4130,
    CG_PROGRAM_PROFILE = 4131
} CGenum;

typedef enum {
    CG_PROFILE_UNKNOWN = 6145,
    CG_PROFILE_ARBVP1 = 6150,
    CG_PROFILE_ARBFP1 = 7000
} CGprofile;

typedef enum {
    CG_NO_ERROR = 0,
    CG_COMPILER_ERROR = 1,
    CG_INVALID_CONTEXT_HANDLE_ERROR = 2,
    CG_INVALID_PROGRAM_HANDLE_ERROR = 3,
    CG_INVALID_PARAM_HANDLE_ERROR = 4,
    CG_INVALID_PROFILE_ERROR = 5,
    CG_INVALID_ENUMERANT_ERROR = 6,
    CG_INVALID_POINTER_ERROR = 7,
    CG_INVALID_PARAMETER_TYPE_ERROR = 8, /* e.g. a vector set as a matrix */
    CG_PROGRAM_LOAD_ERROR = 9,           /* the GL rejected the assembly */
    CG_PROGRAM_NOT_LOADED_ERROR = 10,
    CG_UNSUPPORTED_GL_EXTENSION_ERROR = 11,
    CG_NO_GL_CONTEXT_ERROR = 12,
    CG_SINGULAR_MATRIX_ERROR = 13
} CGerror;

CGcontext cgCreateContext(void);
void cgDestroyContext(CGcontext context); /* and every program made in it */
CGbool cgIsContext(CGcontext context);

/* Compiles `program` (text) for the profile. entry NULL means "main". args: a NULL-
 * terminated option list, or NULL; no options are known. On a compile error: returns
 * NULL, cgGetError gives CG_COMPILER_ERROR, cgGetLastListing the messages, and the
 * listing is printed to stderr. */
CGprogram cgCreateProgram(CGcontext context, CGenum programType, const char *program,
                          CGprofile profile, const char *entry, const char **args);
void cgDestroyProgram(CGprogram program);
CGbool cgIsProgram(CGprogram program);
CGprofile cgGetProgramProfile(CGprogram program);
/* CG_COMPILED_PROGRAM, CG_PROGRAM_SOURCE, CG_PROGRAM_ENTRY or CG_PROGRAM_PROFILE; the
 * text lives as long as the program. NULL on error. */
const char *cgGetProgramString(CGprogram program, CGenum pname);

/* A uniform parameter of the program by name; NULL when there is none. */
CGparameter cgGetNamedParameter(CGprogram program, const char *name);
CGbool cgIsParameter(CGparameter parameter);
const char *cgGetParameterName(CGparameter parameter);

/* The last error, which the call clears. */
CGerror cgGetError(void);
const char *cgGetErrorString(CGerror error);
/* The messages of the context's last failed compilation or GL load; NULL when the last
 * one succeeded. */
const char *cgGetLastListing(CGcontext context);
const char *cgGetProfileString(CGprofile profile);

#ifdef __cplusplus
}
#endif

#endif
