/* Vela's shader runtime: contexts, programs compiled from source, their parameters and
 * errors. Programs are written in the shading language and compiled for the arbvp1 and
 * arbfp1 profiles to ARB vertex/fragment program assembly.
 *
 * Every handle is checked: a null, stale or foreign handle sets an error (cgGetError, and
 * the error callback) and the call does nothing. */
#ifndef VELA_CG_CG_H
#define VELA_CG_CG_H

/* The libraries export the API and nothing else. CG_EXPORTS is defined while building the
 * core library itself. */
#ifndef CG_API
#if defined(_WIN32)
#ifdef CG_EXPORTS
#define CG_API __declspec(dllexport)
#else
#define CG_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define CG_API __attribute__((visibility("default")))
#else
#define CG_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _CGcontext *CGcontext;
typedef struct _CGprogram *CGprogram;
typedef struct _CGparameter *CGparameter;

typedef int CGbool;
#define CG_FALSE 0
#define CG_TRUE 1

/* The level of the API these headers describe. */
#define CG_VERSION_NUM 3100

typedef enum {
    CG_UNKNOWN = 4096,
    CG_IN = 4097,
    CG_OUT = 4098,
    CG_INOUT = 4099,
    CG_MIXED = 4100,
    CG_VARYING = 4101,
    CG_UNIFORM = 4102,
    CG_CONSTANT = 4103,
    CG_GLOBAL = 4108,           /* cgGetFirstParameter: variables outside the entry function */
    CG_PROGRAM = 4109,          /* cgGetFirstParameter: the entry function's parameters */
    CG_DEFAULT = 4110,
    CG_ERROR = 4111,
    CG_SOURCE = 4112,
    CG_OBJECT = 4113, /* precompiled programs: refused */
    CG_COMPILE_MANUAL = 4114,
    CG_COMPILE_IMMEDIATE = 4115,
    CG_COMPILE_LAZY = 4116,
    CG_CURRENT = 4117,
    CG_LITERAL = 4118,
    CG_VERSION = 4119,
    CG_ROW_MAJOR = 4120,
    CG_COLUMN_MAJOR = 4121,

    /* cgGetProgramString */
    CG_COMPILED_PROGRAM = 4128, /* the emitted assembly */
    CG_PROGRAM_SOURCE = 4129,
    CG_PROGRAM_ENTRY = 4130,
    CG_PROGRAM_PROFILE = 4131,

    /* cgGetProgramInput, cgGetProgramOutput */
    CG_VERTEX = 4132,
    CG_FRAGMENT = 4133,

    /* cgGetProfileProperty */
    CG_IS_OPENGL_PROFILE = 4140,
    CG_IS_DIRECT3D_PROFILE = 4141,
    CG_IS_VERTEX_PROFILE = 4142,
    CG_IS_FRAGMENT_PROFILE = 4143,
    CG_IS_GEOMETRY_PROFILE = 4144,
    CG_IS_TESSELLATION_CONTROL_PROFILE = 4145,
    CG_IS_TESSELLATION_EVALUATION_PROFILE = 4146,
    CG_IS_GLSL_PROFILE = 4147,
    CG_IS_HLSL_PROFILE = 4148,
    CG_IS_TRANSLATION_PROFILE = 4149
} CGenum;

typedef enum {
    CG_PARAMETERCLASS_UNKNOWN = 0,
    CG_PARAMETERCLASS_SCALAR = 1,
    CG_PARAMETERCLASS_VECTOR = 2,
    CG_PARAMETERCLASS_MATRIX = 3,
    CG_PARAMETERCLASS_STRUCT = 4,
    CG_PARAMETERCLASS_ARRAY = 5,
    CG_PARAMETERCLASS_SAMPLER = 6,
    CG_PARAMETERCLASS_OBJECT = 7
} CGparameterclass;

typedef enum {
    CG_UNKNOWN_DOMAIN = 0,
    CG_FIRST_DOMAIN = 0,
    CG_VERTEX_DOMAIN = 1,
    CG_FRAGMENT_DOMAIN = 2,
    CG_GEOMETRY_DOMAIN = 3,
    CG_TESSELLATION_CONTROL_DOMAIN = 4,
    CG_TESSELLATION_EVALUATION_DOMAIN = 5
} CGdomain;

typedef enum {
    CG_PROFILE_UNKNOWN = 6145,
    CG_PROFILE_ARBVP1 = 6150,
    CG_PROFILE_ARBFP1 = 7000
} CGprofile;

/* Types: CG_<BASE> (scalar), CG_<BASE>n (vector) and CG_<BASE>RxC (R rows, C columns);
 * each base occupies 21 values from CG_<BASE>. */
typedef enum {
    CG_UNKNOWN_TYPE = 0,
    CG_STRUCT = 1,
    CG_ARRAY = 2,
    CG_HALF = 1024, CG_HALF1 = 1025, CG_HALF2 = 1026, CG_HALF3 = 1027, CG_HALF4 = 1028, CG_HALF1x1 = 1029,
    CG_HALF1x2 = 1030, CG_HALF1x3 = 1031, CG_HALF1x4 = 1032, CG_HALF2x1 = 1033, CG_HALF2x2 = 1034, CG_HALF2x3 = 1035,
    CG_HALF2x4 = 1036, CG_HALF3x1 = 1037, CG_HALF3x2 = 1038, CG_HALF3x3 = 1039, CG_HALF3x4 = 1040,
    CG_HALF4x1 = 1041, CG_HALF4x2 = 1042, CG_HALF4x3 = 1043, CG_HALF4x4 = 1044,
    CG_FLOAT = 1045, CG_FLOAT1 = 1046, CG_FLOAT2 = 1047, CG_FLOAT3 = 1048, CG_FLOAT4 = 1049, CG_FLOAT1x1 = 1050,
    CG_FLOAT1x2 = 1051, CG_FLOAT1x3 = 1052, CG_FLOAT1x4 = 1053, CG_FLOAT2x1 = 1054, CG_FLOAT2x2 = 1055,
    CG_FLOAT2x3 = 1056, CG_FLOAT2x4 = 1057, CG_FLOAT3x1 = 1058, CG_FLOAT3x2 = 1059, CG_FLOAT3x3 = 1060,
    CG_FLOAT3x4 = 1061, CG_FLOAT4x1 = 1062, CG_FLOAT4x2 = 1063, CG_FLOAT4x3 = 1064, CG_FLOAT4x4 = 1065,
    CG_FIXED = 1066, CG_FIXED1 = 1067, CG_FIXED2 = 1068, CG_FIXED3 = 1069, CG_FIXED4 = 1070, CG_FIXED1x1 = 1071,
    CG_FIXED1x2 = 1072, CG_FIXED1x3 = 1073, CG_FIXED1x4 = 1074, CG_FIXED2x1 = 1075, CG_FIXED2x2 = 1076,
    CG_FIXED2x3 = 1077, CG_FIXED2x4 = 1078, CG_FIXED3x1 = 1079, CG_FIXED3x2 = 1080, CG_FIXED3x3 = 1081,
    CG_FIXED3x4 = 1082, CG_FIXED4x1 = 1083, CG_FIXED4x2 = 1084, CG_FIXED4x3 = 1085, CG_FIXED4x4 = 1086,
    CG_INT = 1087, CG_INT1 = 1088, CG_INT2 = 1089, CG_INT3 = 1090, CG_INT4 = 1091, CG_INT1x1 = 1092,
    CG_INT1x2 = 1093, CG_INT1x3 = 1094, CG_INT1x4 = 1095, CG_INT2x1 = 1096, CG_INT2x2 = 1097, CG_INT2x3 = 1098,
    CG_INT2x4 = 1099, CG_INT3x1 = 1100, CG_INT3x2 = 1101, CG_INT3x3 = 1102, CG_INT3x4 = 1103, CG_INT4x1 = 1104,
    CG_INT4x2 = 1105, CG_INT4x3 = 1106, CG_INT4x4 = 1107,
    CG_BOOL = 1108, CG_BOOL1 = 1109, CG_BOOL2 = 1110, CG_BOOL3 = 1111, CG_BOOL4 = 1112, CG_BOOL1x1 = 1113,
    CG_BOOL1x2 = 1114, CG_BOOL1x3 = 1115, CG_BOOL1x4 = 1116, CG_BOOL2x1 = 1117, CG_BOOL2x2 = 1118,
    CG_BOOL2x3 = 1119, CG_BOOL2x4 = 1120, CG_BOOL3x1 = 1121, CG_BOOL3x2 = 1122, CG_BOOL3x3 = 1123,
    CG_BOOL3x4 = 1124, CG_BOOL4x1 = 1125, CG_BOOL4x2 = 1126, CG_BOOL4x3 = 1127, CG_BOOL4x4 = 1128,
    CG_SAMPLER1D = 1129, CG_SAMPLER2D = 1130, CG_SAMPLER3D = 1131, CG_SAMPLERCUBE = 1132, CG_SAMPLERRECT = 1133
} CGtype;

/* Where a parameter lives: program.local slots (CG_C), a texture unit, or the register of
 * a varying input or result. */
typedef enum {
    CG_UNDEFINED = 3256,
    CG_C = 2178,
    CG_TEXUNIT0 = 2048, /* ... CG_TEXUNIT0 + 15 */
    CG_TEXUNIT15 = 2063,
    CG_POSITION0 = 2437,
    CG_NORMAL0 = 3092,
    CG_COLOR0 = 2757, CG_COLOR1 = 2758,
    CG_TEXCOORD0 = 3220, /* ... CG_TEXCOORD0 + 7 */
    CG_TEXCOORD7 = 3227,
    CG_FOG0 = 2917,
    CG_PSIZE0 = 2309,
    CG_BLENDWEIGHT0 = 3028,
    CG_ATTR0 = 2113, /* ... CG_ATTR0 + 15 */
    CG_ATTR15 = 2128,
    CG_WPOS = 2373,
    CG_DEPTH0 = 2743
} CGresource;

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
    CG_PROGRAM_LOAD_ERROR = 9,           /* the GL rejected the assembly, or it exceeds a GL limit */
    CG_PROGRAM_NOT_LOADED_ERROR = 10,
    CG_UNSUPPORTED_GL_EXTENSION_ERROR = 11,
    CG_NO_GL_CONTEXT_ERROR = 12,
    CG_SINGULAR_MATRIX_ERROR = 13,
    CG_ARRAY_PARAM_ERROR = 14,           /* an array call on what is no array */
    CG_OUT_OF_ARRAY_BOUNDS_ERROR = 15,
    CG_NOT_UNIFORM_PARAM_ERROR = 16,     /* a value set on a varying parameter */
    CG_INVALID_PARAMETER_ERROR = 17,     /* an argument out of its range, or a call that does not fit */
    CG_FILE_READ_ERROR = 18,
    CG_NOT_ENOUGH_DATA_ERROR = 19,       /* fewer values given (or room for fewer) than the parameter holds */
    CG_INVALID_DIMENSION_ERROR = 20,
    CG_NOT_MATRIX_PARAM_ERROR = 21,
    CG_UNKNOWN_PROFILE_ERROR = 22        /* a profile number this runtime does not know */
} CGerror;

typedef void (*CGerrorCallbackFunc)(void);
/* context: the context the failed call concerned, or NULL when it concerned none. */
typedef void (*CGerrorHandlerFunc)(CGcontext context, CGerror error, void *data);
typedef void (*CGIncludeCallbackFunc)(CGcontext context, const char *filename);

CG_API CGcontext cgCreateContext(void);
CG_API void cgDestroyContext(CGcontext context); /* and every program made in it */
CG_API CGbool cgIsContext(CGcontext context);

/* Compiles `program` (text) for the profile. entry NULL means "main". args: a NULL-
 * terminated option list, or NULL: "-DNAME", "-DNAME=value" and "-UNAME"; any other
 * option is refused (options cgGLSetOptimalOptions gave the profile follow). On a compile
 * error: returns NULL, cgGetError gives CG_COMPILER_ERROR, cgGetLastListing the messages
 * (printed to stderr in debug mode, cgGLSetDebugMode). */
CG_API CGprogram cgCreateProgram(CGcontext context, CGenum programType, const char *program,
                                 CGprofile profile, const char *entry, const char **args);
/* The same, the text read from a file; its #include "name" are found beside the file.
 * An unreadable file: NULL and CG_FILE_READ_ERROR. */
CG_API CGprogram cgCreateProgramFromFile(CGcontext context, CGenum programType, const char *file,
                                         CGprofile profile, const char *entry, const char **args);
/* The context's own include files, searched first by every #include of its programs
 * (exactly by name), then the callback, which may add the file it is asked for, then the
 * file system. A file is read when it is set (CG_FILE_READ_ERROR when it cannot be). A
 * NULL source removes the name; a NULL callback removes the callback. */
CG_API void cgSetCompilerIncludeString(CGcontext context, const char *name, const char *source);
CG_API void cgSetCompilerIncludeFile(CGcontext context, const char *name, const char *filename);
CG_API void cgSetCompilerIncludeCallback(CGcontext context, CGIncludeCallbackFunc callback);
CG_API CGIncludeCallbackFunc cgGetCompilerIncludeCallback(CGcontext context);
CG_API void cgDestroyProgram(CGprogram program);
CG_API CGbool cgIsProgram(CGprogram program);
CG_API CGprofile cgGetProgramProfile(CGprogram program);
CG_API CGcontext cgGetProgramContext(CGprogram program);
/* The context's programs in the order they were made. */
CG_API CGprogram cgGetFirstProgram(CGcontext context);
CG_API CGprogram cgGetNextProgram(CGprogram program);
/* Programs are compiled when they are created: these only check the handle. */
CG_API void cgCompileProgram(CGprogram program);
CG_API CGbool cgIsProgramCompiled(CGprogram program);
/* CG_COMPILED_PROGRAM, CG_PROGRAM_SOURCE, CG_PROGRAM_ENTRY or CG_PROGRAM_PROFILE; the
 * text lives as long as the program. NULL on error. */
CG_API const char *cgGetProgramString(CGprogram program, CGenum pname);
/* The options the program was compiled with, NULL-terminated. */
CG_API const char *const *cgGetProgramOptions(CGprogram program);

/* Combined programs: 2 or 3 programs of different domains (copies are combined: the
 * given ones may be destroyed), bound, loaded and enabled as one. A combined program has
 * no parameters of its own: cgGetFirstParameter gives NULL, and cgGetNamedParameter the
 * parameter of the first domain program that has the name. A value set on a uniform of a
 * domain program is also set on the uniforms of the same name and type of the others, so
 * one parameter sets both stages. Destroying a domain program takes it out of its
 * combination. */
CG_API CGprogram cgCombinePrograms(int n, const CGprogram *programs);
CG_API CGprogram cgCombinePrograms2(const CGprogram program1, const CGprogram program2);
CG_API CGprogram cgCombinePrograms3(const CGprogram program1, const CGprogram program2, const CGprogram program3);
CG_API int cgGetNumProgramDomains(CGprogram program);          /* 1 for a program not combined */
CG_API CGprogram cgGetProgramDomainProgram(CGprogram program, int index);
CG_API CGprofile cgGetProgramDomainProfile(CGprogram program, int index);
CG_API CGdomain cgGetProgramDomain(CGprogram program);         /* CG_UNKNOWN_DOMAIN for a combined one */
/* CG_VERTEX or CG_FRAGMENT: what the program takes and gives. */
CG_API CGenum cgGetProgramInput(CGprogram program);
CG_API CGenum cgGetProgramOutput(CGprogram program);

/* A parameter by name: "mvp", "light.position", "bones[2]", "IN.pos"; NULL when there is
 * none (which is no error). */
CG_API CGparameter cgGetNamedParameter(CGprogram program, const char *name);
/* Iteration: name_space CG_PROGRAM (the entry's parameters) or CG_GLOBAL. */
CG_API CGparameter cgGetFirstParameter(CGprogram program, CGenum name_space);
CG_API CGparameter cgGetNextParameter(CGparameter parameter);
/* The parameters that hold values (no structs or arrays), depth first. */
CG_API CGparameter cgGetFirstLeafParameter(CGprogram program, CGenum name_space);
CG_API CGparameter cgGetNextLeafParameter(CGparameter parameter);
CG_API CGparameter cgGetFirstStructParameter(CGparameter parameter);
CG_API CGparameter cgGetNamedStructParameter(CGparameter parameter, const char *name);
CG_API CGparameter cgGetArrayParameter(CGparameter parameter, int index);
CG_API int cgGetArrayDimension(CGparameter parameter);
CG_API int cgGetArraySize(CGparameter parameter, int dimension);
CG_API int cgGetArrayTotalSize(CGparameter parameter); /* the product of the sizes; 0 for no array */

CG_API CGbool cgIsParameter(CGparameter parameter);
CG_API CGprogram cgGetParameterProgram(CGparameter parameter);
CG_API CGcontext cgGetParameterContext(CGparameter parameter);
CG_API const char *cgGetParameterName(CGparameter parameter);
CG_API CGtype cgGetParameterType(CGparameter parameter);
CG_API CGparameterclass cgGetParameterClass(CGparameter parameter);
/* CG_FLOAT for float, float3 and float4x4 (and for arrays of them), a sampler's type, CG_STRUCT. */
CG_API CGtype cgGetParameterBaseType(CGparameter parameter);
/* Of a scalar, vector or matrix, and of an array's elements; 0 for structs and samplers. */
CG_API int cgGetParameterRows(CGparameter parameter);
CG_API int cgGetParameterColumns(CGparameter parameter);
CG_API const char *cgGetParameterSemantic(CGparameter parameter); /* "" when it has none */
CG_API CGenum cgGetParameterDirection(CGparameter parameter);     /* CG_IN, CG_OUT or CG_INOUT */
CG_API CGenum cgGetParameterVariability(CGparameter parameter);   /* CG_UNIFORM or CG_VARYING */
/* CG_C with the first program.local slot as its index; CG_TEXUNITn; the register of a
 * varying; CG_UNDEFINED for a uniform the program does not read. */
CG_API CGresource cgGetParameterResource(CGparameter parameter);
CG_API CGresource cgGetParameterBaseResource(CGparameter parameter);
CG_API unsigned long cgGetParameterResourceIndex(CGparameter parameter);
CG_API const char *cgGetParameterResourceName(CGparameter parameter); /* "TEXCOORD3", "C", "undefined" */
CG_API CGbool cgIsParameterReferenced(CGparameter parameter);

/* Uniform values, kept by the runtime (and in the GL once the program is loaded). */
/* Scalars and vectors: the given components; the others keep their values. */
CG_API void cgSetParameter1f(CGparameter parameter, float x);
CG_API void cgSetParameter2f(CGparameter parameter, float x, float y);
CG_API void cgSetParameter3f(CGparameter parameter, float x, float y, float z);
CG_API void cgSetParameter4f(CGparameter parameter, float x, float y, float z, float w);
CG_API void cgSetParameter1d(CGparameter parameter, double x);
CG_API void cgSetParameter2d(CGparameter parameter, double x, double y);
CG_API void cgSetParameter3d(CGparameter parameter, double x, double y, double z);
CG_API void cgSetParameter4d(CGparameter parameter, double x, double y, double z, double w);
CG_API void cgSetParameter1i(CGparameter parameter, int x);
CG_API void cgSetParameter2i(CGparameter parameter, int x, int y);
CG_API void cgSetParameter3i(CGparameter parameter, int x, int y, int z);
CG_API void cgSetParameter4i(CGparameter parameter, int x, int y, int z, int w);
CG_API void cgSetParameter1fv(CGparameter parameter, const float *values);
CG_API void cgSetParameter2fv(CGparameter parameter, const float *values);
CG_API void cgSetParameter3fv(CGparameter parameter, const float *values);
CG_API void cgSetParameter4fv(CGparameter parameter, const float *values);
CG_API void cgSetParameter1dv(CGparameter parameter, const double *values);
CG_API void cgSetParameter2dv(CGparameter parameter, const double *values);
CG_API void cgSetParameter3dv(CGparameter parameter, const double *values);
CG_API void cgSetParameter4dv(CGparameter parameter, const double *values);
CG_API void cgSetParameter1iv(CGparameter parameter, const int *values);
CG_API void cgSetParameter2iv(CGparameter parameter, const int *values);
CG_API void cgSetParameter3iv(CGparameter parameter, const int *values);
CG_API void cgSetParameter4iv(CGparameter parameter, const int *values);
/* Matrices: rows x columns values, row after row (r) or column after column (c);
 * CG_NOT_MATRIX_PARAM_ERROR for anything else. */
CG_API void cgSetMatrixParameterfr(CGparameter parameter, const float *values);
CG_API void cgSetMatrixParameterfc(CGparameter parameter, const float *values);
CG_API void cgSetMatrixParameterdr(CGparameter parameter, const double *values);
CG_API void cgSetMatrixParameterdc(CGparameter parameter, const double *values);
CG_API void cgSetMatrixParameterir(CGparameter parameter, const int *values);
CG_API void cgSetMatrixParameteric(CGparameter parameter, const int *values);
CG_API void cgGetMatrixParameterfr(CGparameter parameter, float *values);
CG_API void cgGetMatrixParameterfc(CGparameter parameter, float *values);
CG_API void cgGetMatrixParameterdr(CGparameter parameter, double *values);
CG_API void cgGetMatrixParameterdc(CGparameter parameter, double *values);
CG_API void cgGetMatrixParameterir(CGparameter parameter, int *values);
CG_API void cgGetMatrixParameteric(CGparameter parameter, int *values);
/* Every value of a scalar, vector, matrix or (nested) array of them: rows x columns x
 * cgGetArrayTotalSize values, element after element, each matrix row after row (r) or
 * column after column (c). `count` is the room in `values`: fewer than the parameter
 * holds is CG_NOT_ENOUGH_DATA_ERROR and nothing is set or read. The getters give the
 * number of values written (0 on error); ints are the values rounded toward zero. */
CG_API void cgSetParameterValuefr(CGparameter parameter, int count, const float *values);
CG_API void cgSetParameterValuefc(CGparameter parameter, int count, const float *values);
CG_API void cgSetParameterValuedr(CGparameter parameter, int count, const double *values);
CG_API void cgSetParameterValuedc(CGparameter parameter, int count, const double *values);
CG_API void cgSetParameterValueir(CGparameter parameter, int count, const int *values);
CG_API void cgSetParameterValueic(CGparameter parameter, int count, const int *values);
CG_API int cgGetParameterValuefr(CGparameter parameter, int count, float *values);
CG_API int cgGetParameterValuefc(CGparameter parameter, int count, float *values);
CG_API int cgGetParameterValuedr(CGparameter parameter, int count, double *values);
CG_API int cgGetParameterValuedc(CGparameter parameter, int count, double *values);
CG_API int cgGetParameterValueir(CGparameter parameter, int count, int *values);
CG_API int cgGetParameterValueic(CGparameter parameter, int count, int *values);

CG_API const char *cgGetTypeString(CGtype type);
CG_API CGtype cgGetType(const char *name);
CG_API const char *cgGetResourceString(CGresource resource);
CG_API const char *cgGetEnumString(CGenum value);

/* The last error, which the call clears. */
CG_API CGerror cgGetError(void);
/* The last error without clearing it, and its text. */
CG_API const char *cgGetLastErrorString(CGerror *error);
CG_API const char *cgGetErrorString(CGerror error);
/* Called (with no arguments) each time an error is set; NULL for none. */
CG_API void cgSetErrorCallback(CGerrorCallbackFunc callback);
CG_API CGerrorCallbackFunc cgGetErrorCallback(void);
/* Called with the context, the error and `data` each time an error is set, after the
 * callback; NULL for none. */
CG_API void cgSetErrorHandler(CGerrorHandlerFunc handler, void *data);
CG_API CGerrorHandlerFunc cgGetErrorHandler(void **data);
/* The messages of the context's last compilation or GL load: the errors of a failure, the
 * warnings of a success; NULL when there were none. */
CG_API const char *cgGetLastListing(CGcontext context);
CG_API const char *cgGetProfileString(CGprofile profile);
CG_API CGprofile cgGetProfile(const char *name);
/* What a profile is: CG_IS_OPENGL_PROFILE, CG_IS_VERTEX_PROFILE, CG_IS_FRAGMENT_PROFILE,
 * ... (CG_INVALID_ENUMERANT_ERROR for another query, CG_UNKNOWN_PROFILE_ERROR for a
 * profile this runtime does not know). */
CG_API CGbool cgGetProfileProperty(CGprofile profile, CGenum query);
CG_API CGdomain cgGetProfileDomain(CGprofile profile);
/* The profiles this runtime compiles for (whether the GL runs them: cgGLIsProfileSupported). */
CG_API int cgGetNumSupportedProfiles(void);
CG_API CGprofile cgGetSupportedProfile(int index);
CG_API CGbool cgIsProfileSupported(CGprofile profile);

#ifdef __cplusplus
}
#endif

#endif
