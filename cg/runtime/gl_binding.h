// The GL side of the runtime, shared by gl_binding.cpp (programs, profiles) and
// gl_parameters.cpp (values, matrices, textures).
#pragma once

#include "gl_loader.h"

#include <Cg/cgGL.h>

#include "runtime.h"

namespace vela::cg {

struct ArbPrograms {
    PFNGLGENPROGRAMSARBPROC genPrograms = nullptr;
    PFNGLDELETEPROGRAMSARBPROC deletePrograms = nullptr;
    PFNGLBINDPROGRAMARBPROC bindProgram = nullptr;
    PFNGLPROGRAMSTRINGARBPROC programString = nullptr;
    PFNGLPROGRAMLOCALPARAMETER4FVARBPROC programLocalParameter4fv = nullptr;
    PFNGLGETPROGRAMIVARBPROC getProgramiv = nullptr;
    PFNGLACTIVETEXTUREPROC activeTexture = nullptr;  // may be missing: textures then stay on unit 0
    bool complete = false;
};

// The entry points, looked up once a context is current; null while any is missing.
const ArbPrograms *arb();
// Whether a GL context is current; sets CG_NO_GL_CONTEXT_ERROR when not.
bool hasContext();
GLenum targetOf(const ProgramObject &p);

// Runs `work` with the program bound to its target, then restores the previous binding.
template <class F> void withProgramBound(const ArbPrograms &gl, const ProgramObject &p, F work) {
    GLenum target = targetOf(p);
    GLint previous = 0;
    gl.getProgramiv(target, GL_PROGRAM_BINDING_ARB, &previous);
    if (GLuint(previous) != p.glName) gl.bindProgram(target, p.glName);
    work(target);
    if (GLuint(previous) != p.glName) gl.bindProgram(target, GLuint(previous));
}

// gl_parameters.cpp: every uniform value into the program's local parameters (bound).
void uploadAll(const ArbPrograms &gl, GLenum target, const ProgramObject &p);
// Sends rows of a uniform, already stored in the program, to the GL when it is loaded.
void uploadRows(ProgramObject &program, const ParameterInfo &p, int first, int count);
// Binds each sampler parameter's texture on its unit.
void bindTextures(const ArbPrograms &gl, const ProgramObject &p);
// gl_combined.cpp: a cgGL call on each domain program of a combined one, in order,
// stopping at the first error; whether every domain is loaded.
void forEachDomain(const ProgramObject &combined, void (*call)(CGprogram));
CGbool combinedLoaded(const ProgramObject &combined);
// gl_varying.cpp: a varying input's value as the GL's current attribute (cgGLSetParameter*).
void setVaryingValue(const ParameterRef &ref, const float *values, int count);
void setVaryingValue(const ParameterRef &ref, const double *values, int count);

}  // namespace vela::cg
