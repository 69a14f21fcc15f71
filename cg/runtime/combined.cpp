// Combined programs: one program standing for a vertex and a fragment program, bound and
// loaded as one (gl_combined.cpp), and the queries of a program's domains.
#include "runtime.h"

namespace vela::cg {

// The uniforms of the other domains of a combination with the name and shape of `p`:
// the parameters one value reaches.
std::vector<std::pair<ProgramObject *, const ParameterInfo *>> linkedParameters(const ProgramObject &program,
                                                                                const ParameterInfo &p) {
    std::vector<std::pair<ProgramObject *, const ParameterInfo *>> out;
    ProgramObject *owner = program.combinedIn ? programById(program.combinedIn) : nullptr;
    if (!owner || !p.uniform) return out;
    for (uint32_t id : owner->domains) {
        ProgramObject *other = programById(id);
        if (!other || other->id == program.id) continue;
        for (const ParameterInfo &q : other->parameters)
            if (q.uniform && q.name == p.name && q.kind == p.kind && q.rows == p.rows && q.cols == p.cols &&
                q.row >= 0)
                out.emplace_back(other, &q);
    }
    return out;
}

}  // namespace vela::cg

using namespace vela::cg;

namespace {

CGdomain domainOf(const ProgramObject &p) {
    return describe(p.profile).stage == Stage::Vertex ? CG_VERTEX_DOMAIN : CG_FRAGMENT_DOMAIN;
}

// The domain program at `index` (a program not combined is its own only domain).
ProgramObject *domainAt(CGprogram program, int index) {
    ProgramObject *p = findProgram(program);
    if (!p) return nullptr;
    if (p->domains.empty() && index == 0) return p;
    if (index < 0 || size_t(index) >= p->domains.size()) {
        setError(CG_INVALID_PARAMETER_ERROR, p->context);
        return nullptr;
    }
    return programById(p->domains[size_t(index)]);
}

// `yes` when the program or one of its domains is of `domain`, else `no`.
CGenum stageEnd(CGprogram program, CGdomain domain, CGenum yes, CGenum no) {
    ProgramObject *p = findProgram(program);
    if (!p) return CG_UNKNOWN;
    if (p->domains.empty()) return domainOf(*p) == domain ? yes : no;
    for (uint32_t id : p->domains)
        if (ProgramObject *d = programById(id); d && domainOf(*d) == domain) return yes;
    return no;
}

}  // namespace

extern "C" {

CGprogram cgCombinePrograms(int n, const CGprogram *programs) {
    if (n <= 1 || n > 3) {
        setError(CG_INVALID_DIMENSION_ERROR);
        return nullptr;
    }
    if (!programs) {
        setError(CG_INVALID_PARAMETER_ERROR);
        return nullptr;
    }
    std::vector<ProgramObject *> parts;
    for (int i = 0; i < n; ++i) {
        ProgramObject *p = findProgram(programs[i]);
        if (!p) return nullptr;
        // One context, programs not already combined, each domain once.
        bool fits = p->domains.empty() && (parts.empty() || p->context == parts[0]->context);
        for (ProgramObject *q : parts) fits = fits && domainOf(*q) != domainOf(*p);
        if (!fits) {
            setError(CG_INVALID_PARAMETER_ERROR, p->context);
            return nullptr;
        }
        parts.push_back(p);
    }
    ContextObject *c = contextOf(*parts[0]);
    if (!c) {
        setError(CG_INVALID_CONTEXT_HANDLE_ERROR);
        return nullptr;
    }
    std::vector<uint32_t> ids;
    for (ProgramObject *p : parts) ids.push_back(p->id);
    ProgramObject &combined = newProgram(*c);  // may move other programs: refind them by id
    uint32_t combinedId = combined.id;
    std::vector<uint32_t> domains;
    for (uint32_t id : ids) domains.push_back(copyProgram(*programById(id), combinedId).id);
    ProgramObject *made = programById(combinedId);
    made->domains = std::move(domains);
    made->profile = programById(made->domains[0])->profile;
    made->optionPointers.push_back(nullptr);
    return toHandle<CGprogram>(combinedId);
}

CGprogram cgCombinePrograms2(const CGprogram program1, const CGprogram program2) {
    const CGprogram programs[] = {program1, program2};
    return cgCombinePrograms(2, programs);
}

CGprogram cgCombinePrograms3(const CGprogram program1, const CGprogram program2, const CGprogram program3) {
    const CGprogram programs[] = {program1, program2, program3};
    return cgCombinePrograms(3, programs);
}

int cgGetNumProgramDomains(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p) return 0;
    return p->domains.empty() ? 1 : int(p->domains.size());
}

CGprogram cgGetProgramDomainProgram(CGprogram program, int index) {
    ProgramObject *d = domainAt(program, index);
    return d ? toHandle<CGprogram>(d->id) : nullptr;
}

CGprofile cgGetProgramDomainProfile(CGprogram program, int index) {
    ProgramObject *d = domainAt(program, index);
    return d ? apiProfile(d->profile) : CG_PROFILE_UNKNOWN;
}

CGdomain cgGetProgramDomain(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p || !p->domains.empty()) return CG_UNKNOWN_DOMAIN;
    return domainOf(*p);
}

// A combination takes what its first stage takes and gives what its last gives.
CGenum cgGetProgramInput(CGprogram program) { return stageEnd(program, CG_VERTEX_DOMAIN, CG_VERTEX, CG_FRAGMENT); }

CGenum cgGetProgramOutput(CGprogram program) { return stageEnd(program, CG_FRAGMENT_DOMAIN, CG_FRAGMENT, CG_VERTEX); }

}  // extern "C"
