// Every profile the compiler knows, by its Profile.
#include "compiler.h"

namespace vela::cg {

extern const ProfileDesc arbvp1, arbfp1;

namespace {
const ProfileDesc *const all[] = {&arbvp1, &arbfp1};  // in Profile's order
}

const ProfileDesc &describe(Profile profile) { return *all[int(profile)]; }

const ProfileDesc *findProfile(std::string_view name) {
    for (const ProfileDesc *p : all)
        if (name == p->name) return p;
    return nullptr;
}

const char *profileName(Profile profile) { return describe(profile).name; }

}  // namespace vela::cg
