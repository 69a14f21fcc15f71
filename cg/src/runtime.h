// The runtime's objects behind the opaque handles, shared by the cg and cgGL entry points.
// Handles are small ids, never reused, so a stale or foreign handle is simply unknown.
#pragma once

#include <Cg/cg.h>

#include <array>
#include <string>
#include <vector>

#include "compiler.h"

namespace vela::cg {

struct ContextObject {
    uint32_t id = 0;
    std::string listing;  // of the last failed compilation or load; empty after a success
    std::vector<uint32_t> programs;
};

struct ProgramObject {
    uint32_t id = 0;
    uint32_t context = 0;
    Profile profile = Profile::Arbvp1;
    std::string source, entry, assembly;
    std::vector<UniformInfo> uniforms;
    std::vector<uint32_t> parameters;              // handle id of each uniform
    std::vector<std::array<float, 4>> slots;       // the values of the local parameters
    unsigned glName = 0;
    bool loaded = false;
};

struct ParameterObject {
    uint32_t id = 0;
    uint32_t program = 0;
    size_t uniform = 0;
};

void setError(CGerror error);

// The object behind a handle, or null with the matching invalid-handle error set.
ContextObject *findContext(CGcontext handle);
ProgramObject *findProgram(CGprogram handle);
struct ParameterRef {
    ProgramObject *program = nullptr;
    const UniformInfo *uniform = nullptr;
};
bool findParameter(CGparameter handle, ParameterRef &out);
ContextObject *contextOf(const ProgramObject &program);

// Keeps a failure's listing in the context and prints it to stderr under a heading.
void reportListing(ContextObject *context, const std::string &heading, const std::string &listing);

// gl_binding.cpp: releases the program's GL object when a GL context is current.
void releaseGlProgram(ProgramObject &program);

}  // namespace vela::cg
