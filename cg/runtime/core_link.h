// The one door between the two libraries. The GL library works on the core library's
// objects (runtime.h) through this table, which the core hands out by its only export
// beyond the API; the core calls back into the GL library through the hooks the GL
// library registers when it first reaches the core. Both libraries come from one build
// (and one package), so the objects' layout is shared; `size` catches a mismatch.
#pragma once

#include "runtime.h"

namespace vela::cg {

struct GlHooks {
    void (*releaseProgram)(ProgramObject &program);
    // Sends rows of a uniform, already stored in the program, to a loaded program.
    void (*uploadRows)(ProgramObject &program, const ParameterInfo &p, int first, int count);
};

struct CoreLink {
    size_t size;
    void (*setGlHooks)(const GlHooks *hooks);
    ContextObject *(*findContext)(CGcontext handle);
    ProgramObject *(*findProgram)(CGprogram handle);
    ProgramObject *(*programById)(uint32_t id);
    std::vector<std::string> &(*optimalOptions)(Profile profile);
    bool (*findParameter)(CGparameter handle, ParameterRef &out);
    ContextObject *(*contextOf)(const ProgramObject &program);
    void (*setError)(CGerror error, uint32_t context);
    void (*reportListing)(ContextObject *context, const std::string &heading, const std::string &listing);
    void (*setDebugMode)(bool on);
    void (*storeRows)(ProgramObject &program, const ParameterInfo &p, int first, const float (*values)[4], int count);
    const ProfileDesc *(*profileOf)(CGprofile profile);
    CGprofile (*apiProfile)(Profile profile);
    // The compiler lives in the core library; these are what the GL library uses of it.
    const char *(*profileName)(Profile profile);
    const ProfileDesc &(*describe)(Profile profile);
    std::string (*formatDiagnostic)(const Diagnostic &d, std::string_view file);
    Diagnostic (*diagnosticAt)(std::string_view text, size_t offset, std::string message);
    std::vector<std::array<float, 4>> (*evaluateDerived)(const std::vector<DerivedStep> &steps,
                                                         const std::function<std::array<float, 4>(int row)> &row);
};

}  // namespace vela::cg

extern "C" CG_API const vela::cg::CoreLink *cgiCoreLink(void);
