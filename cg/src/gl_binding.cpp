// The cgGL entry points: programs into the GL through ARB_vertex_program and
// ARB_fragment_program, profiles, bindings and parameter values.
//
// The ARB entry points come from wglGetProcAddress when first needed (a GL context must
// be current), so the same code runs over opengl32 on Windows and our layer on Linux.
// Parameter values are kept here as well as in the GL: values set before the program is
// loaded reach the GL when it is.
#include <vela/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include <Cg/cgGL.h>

#include "runtime.h"

namespace vela::cg {
namespace {

struct ArbPrograms {
    PFNGLGENPROGRAMSARBPROC genPrograms = nullptr;
    PFNGLDELETEPROGRAMSARBPROC deletePrograms = nullptr;
    PFNGLBINDPROGRAMARBPROC bindProgram = nullptr;
    PFNGLPROGRAMSTRINGARBPROC programString = nullptr;
    PFNGLPROGRAMLOCALPARAMETER4FVARBPROC programLocalParameter4fv = nullptr;
    PFNGLGETPROGRAMIVARBPROC getProgramiv = nullptr;
    bool complete = false;
};

template <class F> void lookUp(F &function, const char *name) {
    PROC p = wglGetProcAddress(name);
    // NOTE: some Windows drivers answer 1, 2, 3 or -1 instead of NULL for a missing function.
    intptr_t value = reinterpret_cast<intptr_t>(p);
    if (value >= -1 && value <= 3) p = nullptr;
    function = reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(p));
}

bool hasContext() {
    if (wglGetCurrentContext()) return true;
    setError(CG_NO_GL_CONTEXT_ERROR);
    return false;
}

// The entry points, looked up once a context is current; null while any is missing.
const ArbPrograms *arb() {
    static ArbPrograms gl;
    if (gl.complete) return &gl;
    if (!wglGetCurrentContext()) return nullptr;
    lookUp(gl.genPrograms, "glGenProgramsARB");
    lookUp(gl.deletePrograms, "glDeleteProgramsARB");
    lookUp(gl.bindProgram, "glBindProgramARB");
    lookUp(gl.programString, "glProgramStringARB");
    lookUp(gl.programLocalParameter4fv, "glProgramLocalParameter4fvARB");
    lookUp(gl.getProgramiv, "glGetProgramivARB");
    gl.complete = gl.genPrograms && gl.deletePrograms && gl.bindProgram && gl.programString &&
                  gl.programLocalParameter4fv && gl.getProgramiv;
    return gl.complete ? &gl : nullptr;
}

bool hasExtension(const char *name) {
    const char *all = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    size_t length = std::strlen(name);
    for (const char *p = all; p && (p = std::strstr(p, name)); p += length) {
        bool starts = p == all || p[-1] == ' ';
        bool ends = p[length] == ' ' || p[length] == '\0';
        if (starts && ends) return true;
    }
    return false;
}

bool glProfile(CGprofile profile, GLenum &target, const char *&extension) {
    if (profile == CG_PROFILE_ARBVP1) {
        target = GL_VERTEX_PROGRAM_ARB;
        extension = "GL_ARB_vertex_program";
    } else if (profile == CG_PROFILE_ARBFP1) {
        target = GL_FRAGMENT_PROGRAM_ARB;
        extension = "GL_ARB_fragment_program";
    } else {
        return false;
    }
    return true;
}

GLenum targetOf(const ProgramObject &p) {
    return p.profile == Profile::Arbvp1 ? GL_VERTEX_PROGRAM_ARB : GL_FRAGMENT_PROGRAM_ARB;
}
CGprofile cgProfileOf(const ProgramObject &p) {
    return p.profile == Profile::Arbvp1 ? CG_PROFILE_ARBVP1 : CG_PROFILE_ARBFP1;
}

// The GL side of a profile, when a context is current and supports it; else sets the error.
const ArbPrograms *supported(CGprofile profile) {
    GLenum target;
    const char *extension;
    if (!glProfile(profile, target, extension)) {
        setError(CG_INVALID_PROFILE_ERROR);
        return nullptr;
    }
    if (!hasContext()) return nullptr;
    const ArbPrograms *gl = arb();
    if (!gl || !hasExtension(extension)) {
        setError(CG_UNSUPPORTED_GL_EXTENSION_ERROR);
        return nullptr;
    }
    return gl;
}

// Runs `work` with the program bound to its target, then restores the previous binding.
template <class F> void withProgramBound(const ArbPrograms &gl, const ProgramObject &p, F work) {
    GLenum target = targetOf(p);
    GLint previous = 0;
    gl.getProgramiv(target, GL_PROGRAM_BINDING_ARB, &previous);
    if (GLuint(previous) != p.glName) gl.bindProgram(target, p.glName);
    work(target);
    if (GLuint(previous) != p.glName) gl.bindProgram(target, GLuint(previous));
}

void storeSlots(ProgramObject &p, int first, const float (*rows)[4], int count) {
    for (int i = 0; i < count; ++i) std::memcpy(p.slots[size_t(first + i)].data(), rows[i], sizeof rows[i]);
    if (!p.loaded || !wglGetCurrentContext()) return;
    const ArbPrograms *gl = arb();
    if (!gl) return;
    withProgramBound(*gl, p, [&](GLenum target) {
        for (int i = 0; i < count; ++i)
            gl->programLocalParameter4fv(target, GLuint(first + i), p.slots[size_t(first + i)].data());
    });
}

bool vectorParameter(CGparameter parameter, ParameterRef &ref) {
    if (!findParameter(parameter, ref)) return false;
    if (ref.uniform->type.kind != Type::Float) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR);
        return false;
    }
    return true;
}

void setComponents(CGparameter parameter, const float *values, int count) {
    ParameterRef ref;
    if (!vectorParameter(parameter, ref)) return;
    float row[1][4];
    std::memcpy(row[0], ref.program->slots[size_t(ref.uniform->firstSlot)].data(), sizeof row[0]);
    std::memcpy(row[0], values, sizeof(float) * size_t(count));
    storeSlots(*ref.program, ref.uniform->firstSlot, row, 1);
}

bool matrixParameter(CGparameter parameter, ParameterRef &ref) {
    if (!findParameter(parameter, ref)) return false;
    if (ref.uniform->type.kind != Type::Matrix) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR);
        return false;
    }
    return true;
}

// Stores a row-major 4x4 matrix (its upper-left 3x3 for a float3x3) as the parameter's rows.
void storeMatrix(const ParameterRef &ref, const double m[4][4]) {
    int rows = ref.uniform->type.size, cols = ref.uniform->type.cols;
    float values[4][4] = {};
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) values[i][j] = float(m[i][j]);
    storeSlots(*ref.program, ref.uniform->firstSlot, values, rows);
}

bool invert(const double m[4][4], double out[4][4]) {
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 8; ++j) a[i][j] = j < 4 ? m[i][j] : (j - 4 == i ? 1 : 0);
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-12) return false;
        if (pivot != c)
            for (int j = 0; j < 8; ++j) std::swap(a[c][j], a[pivot][j]);
        double scale = 1 / a[c][c];
        for (int j = 0; j < 8; ++j) a[c][j] *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == c || a[r][c] == 0) continue;
            double f = a[r][c];
            for (int j = 0; j < 8; ++j) a[r][j] -= f * a[c][j];
        }
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[i][j] = a[i][j + 4];
    return true;
}

// A GL matrix (column-major) as rows.
void readMatrix(GLenum which, double rows[4][4]) {
    GLfloat m[16] = {};
    glGetFloatv(which, m);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) rows[i][j] = m[j * 4 + i];
}

// Where in the assembly the GL's error is. NOTE: Mesa reports GL_PROGRAM_ERROR_POSITION_ARB
// five bytes early (it counts from after "!!ARB") but starts its message with the exact
// "line L, char C"; that is preferred when present.
GLint errorOffset(const std::string &text, GLint position, const std::string &message) {
    int line = 0, column = 0;
    if (std::sscanf(message.c_str(), "line %d, char %d", &line, &column) != 2 || line < 1 || column < 1)
        return position;
    size_t start = 0;
    for (int l = 1; l < line; ++l) {
        start = text.find('\n', start);
        if (start == std::string::npos) return position;
        ++start;
    }
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (size_t(column - 1) > end - start) return position;
    return GLint(start + size_t(column - 1));
}

}  // namespace

void releaseGlProgram(ProgramObject &program) {
    if (program.glName && wglGetCurrentContext())
        if (const ArbPrograms *gl = arb()) gl->deletePrograms(1, &program.glName);
    program.glName = 0;
    program.loaded = false;
}

}  // namespace vela::cg

using namespace vela::cg;

extern "C" {

CGbool cgGLIsProfileSupported(CGprofile profile) {
    GLenum target;
    const char *extension;
    if (!glProfile(profile, target, extension) || !wglGetCurrentContext()) return CG_FALSE;
    return arb() && hasExtension(extension) ? CG_TRUE : CG_FALSE;
}

void cgGLEnableProfile(CGprofile profile) {
    GLenum target;
    const char *extension;
    if (supported(profile) && glProfile(profile, target, extension)) glEnable(target);
}

void cgGLDisableProfile(CGprofile profile) {
    GLenum target;
    const char *extension;
    if (supported(profile) && glProfile(profile, target, extension)) glDisable(target);
}

void cgGLLoadProgram(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p) return;
    const ArbPrograms *gl = supported(cgProfileOf(*p));
    if (!gl) return;
    if (!p->glName) gl->genPrograms(1, &p->glName);
    // NOTE: errors the application left in the GL are cleared, so that the load's own
    // error is the one read back.
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    GLenum error = GL_NO_ERROR;
    GLint position = -1;
    std::string message;
    withProgramBound(*gl, *p, [&](GLenum target) {
        gl->programString(target, GL_PROGRAM_FORMAT_ASCII_ARB, GLsizei(p->assembly.size()), p->assembly.data());
        error = glGetError();
        glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
        if (const GLubyte *s = glGetString(GL_PROGRAM_ERROR_STRING_ARB)) message = reinterpret_cast<const char *>(s);
        if (error == GL_NO_ERROR && position == -1) {
            for (size_t i = 0; i < p->slots.size(); ++i)
                gl->programLocalParameter4fv(target, GLuint(i), p->slots[i].data());
        }
    });
    if (error == GL_NO_ERROR && position == -1) {
        p->loaded = true;
        return;
    }
    p->loaded = false;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    if (message.empty()) message = "no message from the GL";
    std::string what = std::string("the GL rejected the ") + profileName(p->profile) + " assembly: " + message;
    std::string listing;
    position = errorOffset(p->assembly, position, message);
    if (position >= 0 && size_t(position) <= p->assembly.size()) {
        listing = formatDiagnostic(p->assembly, uint32_t(position), what);
    } else {
        char code[32];
        std::snprintf(code, sizeof code, " (GL error 0x%04x)", unsigned(error));
        listing = "error: " + what + code + "\n";
    }
    reportListing(contextOf(*p), std::string("the ") + profileName(p->profile) + " program \"" + p->entry +
                                     "\" did not load:", listing);
    setError(CG_PROGRAM_LOAD_ERROR);
}

CGbool cgGLIsProgramLoaded(CGprogram program) {
    ProgramObject *p = findProgram(program);
    return p && p->loaded ? CG_TRUE : CG_FALSE;
}

void cgGLBindProgram(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p) return;
    if (!p->loaded) {
        setError(CG_PROGRAM_NOT_LOADED_ERROR);
        return;
    }
    if (const ArbPrograms *gl = supported(cgProfileOf(*p))) gl->bindProgram(targetOf(*p), p->glName);
}

void cgGLSetStateMatrixParameter(CGparameter parameter, CGGLenum matrix, CGGLenum transform) {
    ParameterRef ref;
    if (!matrixParameter(parameter, ref)) return;
    if (matrix < CG_GL_MODELVIEW_MATRIX || matrix > CG_GL_MODELVIEW_PROJECTION_MATRIX ||
        transform < CG_GL_MATRIX_IDENTITY || transform > CG_GL_MATRIX_INVERSE_TRANSPOSE) {
        setError(CG_INVALID_ENUMERANT_ERROR);
        return;
    }
    if (!hasContext()) return;
    double m[4][4];
    if (matrix == CG_GL_MODELVIEW_PROJECTION_MATRIX) {
        double projection[4][4], modelview[4][4];
        readMatrix(GL_PROJECTION_MATRIX, projection);
        readMatrix(GL_MODELVIEW_MATRIX, modelview);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                m[i][j] = 0;
                for (int k = 0; k < 4; ++k) m[i][j] += projection[i][k] * modelview[k][j];
            }
    } else {
        readMatrix(matrix == CG_GL_MODELVIEW_MATRIX    ? GL_MODELVIEW_MATRIX
                   : matrix == CG_GL_PROJECTION_MATRIX ? GL_PROJECTION_MATRIX
                                                       : GL_TEXTURE_MATRIX,
                   m);
    }
    double result[4][4];
    if (transform == CG_GL_MATRIX_INVERSE || transform == CG_GL_MATRIX_INVERSE_TRANSPOSE) {
        if (!invert(m, result)) {
            setError(CG_SINGULAR_MATRIX_ERROR);
            return;
        }
        std::memcpy(m, result, sizeof m);
    }
    bool transpose = transform == CG_GL_MATRIX_TRANSPOSE || transform == CG_GL_MATRIX_INVERSE_TRANSPOSE;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) result[i][j] = transpose ? m[j][i] : m[i][j];
    storeMatrix(ref, result);
}

void cgGLSetMatrixParameterfr(CGparameter parameter, const float *values) {
    ParameterRef ref;
    if (!matrixParameter(parameter, ref)) return;
    if (!values) {
        setError(CG_INVALID_POINTER_ERROR);
        return;
    }
    int cols = ref.uniform->type.cols;
    double m[4][4] = {};
    for (int i = 0; i < ref.uniform->type.size; ++i)
        for (int j = 0; j < cols; ++j) m[i][j] = values[i * cols + j];
    storeMatrix(ref, m);
}

void cgGLSetMatrixParameterfc(CGparameter parameter, const float *values) {
    ParameterRef ref;
    if (!matrixParameter(parameter, ref)) return;
    if (!values) {
        setError(CG_INVALID_POINTER_ERROR);
        return;
    }
    int rows = ref.uniform->type.size;
    double m[4][4] = {};
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < ref.uniform->type.cols; ++j) m[i][j] = values[j * rows + i];
    storeMatrix(ref, m);
}

void cgGLSetParameter1f(CGparameter parameter, float x) {
    const float v[] = {x};
    setComponents(parameter, v, 1);
}

void cgGLSetParameter2f(CGparameter parameter, float x, float y) {
    const float v[] = {x, y};
    setComponents(parameter, v, 2);
}

void cgGLSetParameter3f(CGparameter parameter, float x, float y, float z) {
    const float v[] = {x, y, z};
    setComponents(parameter, v, 3);
}

void cgGLSetParameter4f(CGparameter parameter, float x, float y, float z, float w) {
    const float v[] = {x, y, z, w};
    setComponents(parameter, v, 4);
}

void cgGLSetParameter4fv(CGparameter parameter, const float *values) {
    if (!values) {
        ParameterRef ref;
        if (findParameter(parameter, ref)) setError(CG_INVALID_POINTER_ERROR);
        return;
    }
    setComponents(parameter, values, 4);
}

unsigned int cgGLGetTextureEnum(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return 0;
    if (ref.uniform->type.kind != Type::Sampler2D) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR);
        return 0;
    }
    return GL_TEXTURE0 + unsigned(ref.uniform->textureUnit);
}

}  // extern "C"
