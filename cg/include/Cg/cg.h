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
    CG_PROGRAM_PROFILE = 4131
} CGenum;

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
    CG_NOT_UNIFORM_PARAM_ERROR = 16      /* a value set on a varying parameter */
} CGerror;

typedef void (*CGerrorCallbackFunc)(void);

CG_API CGcontext cgCreateContext(void);
CG_API void cgDestroyContext(CGcontext context); /* and every program made in it */
CG_API CGbool cgIsContext(CGcontext context);

/* Compiles `program` (text) for the profile. entry NULL means "main". args: a NULL-
 * terminated option list, or NULL: "-DNAME", "-DNAME=value" and "-UNAME"; any other
 * option is refused. On a compile error: returns NULL, cgGetError gives CG_COMPILER_ERROR,
 * cgGetLastListing the messages, and the listing is printed to stderr. */
CG_API CGprogram cgCreateProgram(CGcontext context, CGenum programType, const char *program,
                          CGprofile profile, const char *entry, const char **args);
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

CG_API CGbool cgIsParameter(CGparameter parameter);
CG_API CGprogram cgGetParameterProgram(CGparameter parameter);
CG_API CGcontext cgGetParameterContext(CGparameter parameter);
CG_API const char *cgGetParameterName(CGparameter parameter);
CG_API CGtype cgGetParameterType(CGparameter parameter);
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
CG_API CGbool cgIsParameterReferenced(CGparameter parameter);
/* The initial value of a uniform (its initialiser, or what was set since), `count` floats
 * at most, row after row; the number of floats written. */
CG_API int cgGetParameterValuefr(CGparameter parameter, int count, float *values);

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
/* The messages of the context's last failed compilation or GL load; NULL when the last
 * one succeeded. */
CG_API const char *cgGetLastListing(CGcontext context);
CG_API const char *cgGetProfileString(CGprofile profile);
CG_API CGprofile cgGetProfile(const char *name);

#ifdef __cplusplus
}
#endif

#endif
