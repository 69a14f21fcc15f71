// The GL library's side of core_link.h: what runtime.h and compiler.h declare, reached in
// the core library through its table.
#include <cstdio>
#include <cstdlib>

#include "core_link.h"
#include "gl_binding.h"

namespace vela::cg {
namespace {

const CoreLink &core() {
    static const CoreLink *link = [] {
        const CoreLink *l = cgiCoreLink();
        if (l->size != sizeof(CoreLink)) {
            std::fprintf(stderr, "cgGL: the core library is from another build\n");
            std::abort();
        }
        static const GlHooks hooks = {releaseGlProgram, uploadRows};
        l->setGlHooks(&hooks);
        return l;
    }();
    return *link;
}

}  // namespace

ContextObject *findContext(CGcontext handle) { return core().findContext(handle); }
ProgramObject *findProgram(CGprogram handle) { return core().findProgram(handle); }
ProgramObject *programById(uint32_t id) { return core().programById(id); }
std::vector<std::string> &optimalOptions(Profile profile) { return core().optimalOptions(profile); }
bool findParameter(CGparameter handle, ParameterRef &out) { return core().findParameter(handle, out); }
ContextObject *contextOf(const ProgramObject &program) { return core().contextOf(program); }
void setError(CGerror error, uint32_t context) { core().setError(error, context); }
void reportListing(ContextObject *context, const std::string &heading, const std::string &listing) {
    core().reportListing(context, heading, listing);
}
void setDebugMode(bool on) { core().setDebugMode(on); }
void storeRows(ProgramObject &program, const ParameterInfo &p, int first, const float (*values)[4], int count) {
    core().storeRows(program, p, first, values, count);
}
const ProfileDesc *profileOf(CGprofile profile) { return core().profileOf(profile); }
CGprofile apiProfile(Profile profile) { return core().apiProfile(profile); }
const char *profileName(Profile profile) { return core().profileName(profile); }
const ProfileDesc &describe(Profile profile) { return core().describe(profile); }
std::vector<std::array<float, 4>> evaluateDerived(const std::vector<DerivedStep> &steps,
                                                  const std::function<std::array<float, 4>(int row)> &row) {
    return core().evaluateDerived(steps, row);
}
std::string formatDiagnostic(const Diagnostic &d, std::string_view file) { return core().formatDiagnostic(d, file); }
Diagnostic diagnosticAt(std::string_view text, size_t offset, std::string message) {
    return core().diagnosticAt(text, offset, std::move(message));
}

}  // namespace vela::cg
