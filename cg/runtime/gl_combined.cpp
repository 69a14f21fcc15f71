// The cgGL side of combined programs (loaded, bound, unloaded domain by domain), the
// profiles of a program, and the options cgGLSetOptimalOptions takes from the GL.
#include <string>

#include "gl_binding.h"

namespace vela::cg {

void forEachDomain(const ProgramObject &combined, void (*call)(CGprogram)) {
    std::vector<uint32_t> domains = combined.domains;  // the call may not change them, but be safe
    for (uint32_t id : domains) {
        if (!programById(id)) continue;
        cgGetError();
        call(toHandle<CGprogram>(id));
        if (CGerror e = cgGetError(); e != CG_NO_ERROR) return setError(e, combined.context);
    }
}

CGbool combinedLoaded(const ProgramObject &combined) {
    for (uint32_t id : combined.domains)
        if (ProgramObject *d = programById(id); !d || !d->loaded) return CG_FALSE;
    return CG_TRUE;
}

namespace {

void programProfiles(CGprogram program, void (*call)(CGprofile)) {
    ProgramObject *p = findProgram(program);
    if (!p) return;
    if (p->domains.empty()) return call(apiProfile(p->profile));
    for (uint32_t id : p->domains)
        if (ProgramObject *d = programById(id)) call(apiProfile(d->profile));
}

}  // namespace
}  // namespace vela::cg

using namespace vela::cg;

extern "C" {

void cgGLEnableProgramProfiles(CGprogram program) { programProfiles(program, cgGLEnableProfile); }

void cgGLDisableProgramProfiles(CGprogram program) { programProfiles(program, cgGLDisableProfile); }

void cgGLSetOptimalOptions(CGprofile profile) {
    const ProfileDesc *d = profileOf(profile);
    if (!d) return setError(CG_INVALID_PROFILE_ERROR);
    if (!hasContext()) return;
    if (!cgGLIsProfileSupported(profile)) return setError(CG_INVALID_PROFILE_ERROR);
    const ArbPrograms *gl = arb();
    GLenum target = GLenum(d->glTarget);
    static const struct {
        GLenum limit;
        const char *name;
    } limits[] = {
        {GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB, "CG_MAX_INSTRUCTIONS"},
        {GL_MAX_PROGRAM_NATIVE_TEMPORARIES_ARB, "CG_MAX_TEMPORARIES"},
        {GL_MAX_PROGRAM_LOCAL_PARAMETERS_ARB, "CG_MAX_LOCAL_PARAMETERS"},
    };
    std::vector<std::string> options;
    for (const auto &l : limits) {
        GLint value = 0;
        gl->getProgramiv(target, l.limit, &value);
        options.push_back(std::string("-D") + l.name + "=" + std::to_string(value));
    }
    optimalOptions(d->id) = std::move(options);
}

const char **cgGLGetOptimalOptions(CGprofile profile) {
    const ProfileDesc *d = profileOf(profile);
    if (!d) {
        setError(CG_INVALID_PROFILE_ERROR);
        return nullptr;
    }
    // Kept per profile; valid until the next cgGLSetOptimalOptions of that profile.
    static std::vector<const char *> pointers[2];
    std::vector<const char *> &out = pointers[d->id == Profile::Arbvp1 ? 0 : 1];
    out.clear();
    for (const std::string &o : optimalOptions(d->id)) out.push_back(o.c_str());
    out.push_back(nullptr);
    return out.data();
}

}  // extern "C"
