// The cg entry points about profiles: what each is, which the runtime compiles for, and
// the options cgGLSetOptimalOptions keeps for them.
#include <map>

#include "runtime.h"

namespace vela::cg {
namespace {

constexpr CGprofile supportedProfiles[] = {CG_PROFILE_ARBVP1, CG_PROFILE_ARBFP1};

std::map<Profile, std::vector<std::string>> &allOptimalOptions() {
    static std::map<Profile, std::vector<std::string>> options;
    return options;
}

}  // namespace

std::vector<std::string> &optimalOptions(Profile profile) { return allOptimalOptions()[profile]; }

void clearOptimalOptions() { allOptimalOptions().clear(); }

}  // namespace vela::cg

using namespace vela::cg;

extern "C" {

CGbool cgGetProfileProperty(CGprofile profile, CGenum query) {
    const ProfileDesc *p = profileOf(profile);
    if (!p) {
        setError(CG_UNKNOWN_PROFILE_ERROR);
        return CG_FALSE;
    }
    switch (query) {
    case CG_IS_OPENGL_PROFILE: return CG_TRUE;  // every profile here is an ARB program profile
    case CG_IS_VERTEX_PROFILE: return p->stage == Stage::Vertex ? CG_TRUE : CG_FALSE;
    case CG_IS_FRAGMENT_PROFILE: return p->stage == Stage::Fragment ? CG_TRUE : CG_FALSE;
    case CG_IS_DIRECT3D_PROFILE:
    case CG_IS_GEOMETRY_PROFILE:
    case CG_IS_TESSELLATION_CONTROL_PROFILE:
    case CG_IS_TESSELLATION_EVALUATION_PROFILE:
    case CG_IS_GLSL_PROFILE:
    case CG_IS_HLSL_PROFILE:
    case CG_IS_TRANSLATION_PROFILE: return CG_FALSE;
    default: setError(CG_INVALID_ENUMERANT_ERROR); return CG_FALSE;
    }
}

CGdomain cgGetProfileDomain(CGprofile profile) {
    const ProfileDesc *p = profileOf(profile);
    if (!p) {
        setError(CG_UNKNOWN_PROFILE_ERROR);
        return CG_UNKNOWN_DOMAIN;
    }
    return p->stage == Stage::Vertex ? CG_VERTEX_DOMAIN : CG_FRAGMENT_DOMAIN;
}

int cgGetNumSupportedProfiles(void) { return int(sizeof supportedProfiles / sizeof supportedProfiles[0]); }

CGprofile cgGetSupportedProfile(int index) {
    if (index < 0 || index >= cgGetNumSupportedProfiles()) {
        setError(CG_INVALID_PARAMETER_ERROR);
        return CG_PROFILE_UNKNOWN;
    }
    return supportedProfiles[index];
}

CGbool cgIsProfileSupported(CGprofile profile) { return profileOf(profile) ? CG_TRUE : CG_FALSE; }

}  // extern "C"
