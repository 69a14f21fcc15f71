// The cgGL entry points for programs and profiles: into the GL through ARB_vertex_program
// and ARB_fragment_program, checked against the GL's limits first, then loaded, bound.
//
// The ARB entry points come from the platform's GL loader (gl_loader.h) when first needed
// (a GL context must be current).
#include <cstdio>
#include <cstring>
#include <string>

#include "gl_binding.h"

namespace vela::cg {

const ArbPrograms *arb() {
    static ArbPrograms gl;
    if (gl.complete) return &gl;
    if (!glContextCurrent()) return nullptr;
    gl.genPrograms = glFunction<PFNGLGENPROGRAMSARBPROC>("glGenProgramsARB");
    gl.deletePrograms = glFunction<PFNGLDELETEPROGRAMSARBPROC>("glDeleteProgramsARB");
    gl.bindProgram = glFunction<PFNGLBINDPROGRAMARBPROC>("glBindProgramARB");
    gl.programString = glFunction<PFNGLPROGRAMSTRINGARBPROC>("glProgramStringARB");
    gl.programLocalParameter4fv = glFunction<PFNGLPROGRAMLOCALPARAMETER4FVARBPROC>("glProgramLocalParameter4fvARB");
    gl.getProgramiv = glFunction<PFNGLGETPROGRAMIVARBPROC>("glGetProgramivARB");
    gl.activeTexture = glFunction<PFNGLACTIVETEXTUREPROC>("glActiveTexture");
    gl.complete = gl.genPrograms && gl.deletePrograms && gl.bindProgram && gl.programString &&
                  gl.programLocalParameter4fv && gl.getProgramiv;
    return gl.complete ? &gl : nullptr;
}

bool hasContext() {
    if (glContextCurrent()) return true;
    setError(CG_NO_GL_CONTEXT_ERROR);
    return false;
}

namespace {

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
    const ProfileDesc *p = profileOf(profile);
    if (!p) return false;
    target = GLenum(p->glTarget);
    extension = p->glExtension;
    return true;
}

CGprofile cgProfileOf(const ProgramObject &p) { return apiProfile(p.profile); }

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

struct Limit {
    GLenum max;
    const char *what;
    int ProgramStats::*used;
    bool aluAndTex;  // counted only where the profile counts them
};

// The program against the GL's limits: "" when it fits, else what does not.
std::string overLimits(const ArbPrograms &gl, GLenum target, const ProgramObject &p) {
    static const Limit limits[] = {
        {GL_MAX_PROGRAM_INSTRUCTIONS_ARB, "instructions", &ProgramStats::instructions, false},
        {GL_MAX_PROGRAM_TEMPORARIES_ARB, "temporaries", &ProgramStats::temporaries, false},
        {GL_MAX_PROGRAM_PARAMETERS_ARB, "parameters", &ProgramStats::parameters, false},
        {GL_MAX_PROGRAM_LOCAL_PARAMETERS_ARB, "local parameters", &ProgramStats::localParameters, false},
        {GL_MAX_PROGRAM_ATTRIBS_ARB, "attributes", &ProgramStats::attributes, false},
        {GL_MAX_PROGRAM_ADDRESS_REGISTERS_ARB, "address registers", &ProgramStats::addressRegisters, false},
        {GL_MAX_PROGRAM_ALU_INSTRUCTIONS_ARB, "ALU instructions", &ProgramStats::aluInstructions, true},
        {GL_MAX_PROGRAM_TEX_INSTRUCTIONS_ARB, "texture instructions", &ProgramStats::texInstructions, true},
        {GL_MAX_PROGRAM_TEX_INDIRECTIONS_ARB, "texture indirections", &ProgramStats::texIndirections, true},
    };
    bool aluAndTex = describe(p.profile).countsAluAndTex;
    for (const Limit &l : limits) {
        if (l.aluAndTex && !aluAndTex) continue;
        if (l.max == GL_MAX_PROGRAM_ADDRESS_REGISTERS_ARB && p.stats.addressRegisters == 0) continue;
        GLint max = 0;
        gl.getProgramiv(target, l.max, &max);
        int used = p.stats.*l.used;
        if (max > 0 && used > max)
            return std::string("the ") + profileName(p.profile) + " program needs " + std::to_string(used) + " " + l.what +
                   "; this GL allows " + std::to_string(max);
    }
    return "";
}

// After a load: the GL's own count against its native limits, when it says it is over.
std::string overNativeLimits(const ArbPrograms &gl, GLenum target, const ProgramObject &p) {
    GLint under = 1;
    gl.getProgramiv(target, GL_PROGRAM_UNDER_NATIVE_LIMITS_ARB, &under);
    if (under) return "";
    static const struct {
        GLenum used, max;
        const char *what;
    } natives[] = {
        {GL_PROGRAM_NATIVE_INSTRUCTIONS_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB, "native instructions"},
        {GL_PROGRAM_NATIVE_TEMPORARIES_ARB, GL_MAX_PROGRAM_NATIVE_TEMPORARIES_ARB, "native temporaries"},
        {GL_PROGRAM_NATIVE_PARAMETERS_ARB, GL_MAX_PROGRAM_NATIVE_PARAMETERS_ARB, "native parameters"},
        {GL_PROGRAM_NATIVE_ATTRIBS_ARB, GL_MAX_PROGRAM_NATIVE_ATTRIBS_ARB, "native attributes"},
    };
    for (const auto &n : natives) {
        GLint used = 0, max = 0;
        gl.getProgramiv(target, n.used, &used);
        gl.getProgramiv(target, n.max, &max);
        if (max > 0 && used > max)
            return std::string("the ") + profileName(p.profile) + " program needs " + std::to_string(used) + " " + n.what +
                   "; this GL allows " + std::to_string(max);
    }
    return std::string("the ") + profileName(p.profile) + " program is over this GL's native limits";
}

void refuseLoad(ProgramObject &p, const std::string &listing) {
    p.loaded = false;
    reportListing(contextOf(p), std::string("the ") + profileName(p.profile) + " program \"" + p.entry + "\" did not load:",
                  listing);
    setError(CG_PROGRAM_LOAD_ERROR);
}

}  // namespace

GLenum targetOf(const ProgramObject &p) {
    return GLenum(describe(p.profile).glTarget);
}

void releaseGlProgram(ProgramObject &program) {
    if (program.glName && glContextCurrent())
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
    if (!glProfile(profile, target, extension) || !glContextCurrent()) return CG_FALSE;
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

CGprofile cgGLGetLatestProfile(CGGLenum profileClass) {
    if (profileClass < CG_GL_VERTEX || profileClass > CG_GL_TESSELLATION_EVALUATION) {
        setError(CG_INVALID_ENUMERANT_ERROR);
        return CG_PROFILE_UNKNOWN;
    }
    // The last supported profile of the class's stage is the best; geometry and
    // tessellation have none here.
    CGprofile best = CG_PROFILE_UNKNOWN;
    for (int i = 0; i < cgGetNumSupportedProfiles(); ++i) {
        CGprofile profile = cgGetSupportedProfile(i);
        const ProfileDesc *d = profileOf(profile);
        bool inClass = (profileClass == CG_GL_VERTEX && d->stage == Stage::Vertex) ||
                       (profileClass == CG_GL_FRAGMENT && d->stage == Stage::Fragment);
        if (inClass && cgGLIsProfileSupported(profile)) best = profile;
    }
    return best;
}

void cgGLSetDebugMode(CGbool debug) { setDebugMode(debug != CG_FALSE); }



void cgGLLoadProgram(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p) return;
    if (!p->domains.empty()) return forEachDomain(*p, cgGLLoadProgram);
    const ArbPrograms *gl = supported(cgProfileOf(*p));
    if (!gl) return;
    GLenum target = targetOf(*p);
    std::string over = overLimits(*gl, target, *p);
    if (!over.empty()) return refuseLoad(*p, "error: " + over + "\n");
    if (!p->glName) gl->genPrograms(1, &p->glName);
    // NOTE: errors the application left in the GL are cleared, so that the load's own
    // error is the one read back.
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    GLenum error = GL_NO_ERROR;
    GLint position = -1;
    std::string message;
    withProgramBound(*gl, *p, [&](GLenum t) {
        gl->programString(t, GL_PROGRAM_FORMAT_ASCII_ARB, GLsizei(p->assembly.size()), p->assembly.data());
        error = glGetError();
        glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
        if (const GLubyte *s = glGetString(GL_PROGRAM_ERROR_STRING_ARB)) message = reinterpret_cast<const char *>(s);
        if (error == GL_NO_ERROR && position == -1) {
            over = overNativeLimits(*gl, t, *p);
            if (over.empty()) uploadAll(*gl, t, *p);
        }
    });
    if (error == GL_NO_ERROR && position == -1) {
        if (!over.empty()) return refuseLoad(*p, "error: " + over + "\n");
        p->loaded = true;
        return;
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    if (message.empty()) message = "no message from the GL";
    std::string what = std::string("the GL rejected the ") + profileName(p->profile) + " assembly: " + message;
    std::string listing;
    position = errorOffset(p->assembly, position, message);
    if (position >= 0 && size_t(position) <= p->assembly.size()) {
        listing = formatDiagnostic(diagnosticAt(p->assembly, size_t(position), what));
    } else {
        char code[32];
        std::snprintf(code, sizeof code, " (GL error 0x%04x)", unsigned(error));
        listing = "error: " + what + code + "\n";
    }
    refuseLoad(*p, listing);
}

CGbool cgGLIsProgramLoaded(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (p && !p->domains.empty()) return combinedLoaded(*p);
    return p && p->loaded ? CG_TRUE : CG_FALSE;
}

void cgGLUnloadProgram(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (p && !p->domains.empty()) return forEachDomain(*p, cgGLUnloadProgram);
    if (!p || !hasContext()) return;
    releaseGlProgram(*p);
}

unsigned int cgGLGetProgramID(CGprogram program) {
    ProgramObject *p = findProgram(program);
    return p && p->loaded ? p->glName : 0;
}

void cgGLBindProgram(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p) return;
    if (!p->domains.empty()) return forEachDomain(*p, cgGLBindProgram);
    if (!p->loaded) {
        setError(CG_PROGRAM_NOT_LOADED_ERROR);
        return;
    }
    const ArbPrograms *gl = supported(cgProfileOf(*p));
    if (!gl) return;
    gl->bindProgram(targetOf(*p), p->glName);
    ContextObject *c = contextOf(*p);
    if (c && c->manageTextures) bindTextures(*gl, *p);
}

void cgGLUnbindProgram(CGprofile profile) {
    GLenum target;
    const char *extension;
    if (const ArbPrograms *gl = supported(profile); gl && glProfile(profile, target, extension))
        gl->bindProgram(target, 0);
}

}  // extern "C"
