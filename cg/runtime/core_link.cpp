// The core library's side of core_link.h: the table, and the GL library's hooks.
#include "core_link.h"

#include <cstring>

namespace vela::cg {
namespace {

const GlHooks *glHooks = nullptr;

void setGlHooks(const GlHooks *hooks) { glHooks = hooks; }

}  // namespace

void setDebugMode(bool on) { debugMode = on; }

// A program the GL library never saw has no GL object.
void releaseGlProgram(ProgramObject &program) {
    if (glHooks) glHooks->releaseProgram(program);
}

namespace {

void storeOwnRows(ProgramObject &program, const ParameterInfo &p, int first, const float (*values)[4], int count) {
    for (int i = 0; i < count; ++i) std::memcpy(program.rows[size_t(p.row + first + i)].data(), values[i], sizeof values[i]);
    if (glHooks) glHooks->uploadRows(program, p, first, count);
}

}  // namespace

void storeRows(ProgramObject &program, const ParameterInfo &p, int first, const float (*values)[4], int count) {
    storeOwnRows(program, p, first, values, count);
    for (auto [other, q] : linkedParameters(program, p)) storeOwnRows(*other, *q, first, values, count);
}

}  // namespace vela::cg

using namespace vela::cg;

extern "C" const CoreLink *cgiCoreLink(void) {
    static const CoreLink link = {sizeof(CoreLink), setGlHooks, findContext, findProgram, programById,
                                  optimalOptions, findParameter,
                                  contextOf, setError, reportListing, setDebugMode, storeRows, profileOf,
                                  apiProfile, profileName, describe, formatDiagnostic, diagnosticAt, evaluateDerived};
    return &link;
}
