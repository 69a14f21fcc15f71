// The runtime's objects behind the opaque handles, shared by the cg and cgGL entry points
// (runtime.cpp, parameters.cpp, gl_binding.cpp, gl_parameters.cpp). Handles are small ids,
// never reused, so a stale or foreign handle is simply unknown.
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
    bool manageTextures = false;
};

struct ProgramObject {
    uint32_t id = 0;
    uint32_t context = 0;
    Profile profile = Profile::Arbvp1;
    std::string source, entry, assembly;
    std::vector<std::string> options;
    std::vector<const char *> optionPointers;  // NULL-terminated, for cgGetProgramOptions
    std::vector<ParameterInfo> parameters;
    std::vector<uint32_t> handles;            // handle id of each parameter
    std::vector<std::array<float, 4>> rows;   // every uniform row's value, read or not
    std::vector<unsigned> textures;           // by parameter: the texture object of a sampler
    ProgramStats stats;
    unsigned glName = 0;
    bool loaded = false;
};

struct ParameterObject {
    uint32_t id = 0;
    uint32_t program = 0;
    size_t index = 0;
};

// The compiler's profile of an API profile number, and back; null when it has none.
const ProfileDesc *profileOf(CGprofile profile);
CGprofile apiProfile(Profile profile);

// Sets the error and calls the error callback.
void setError(CGerror error);

// The object behind a handle, or null with the matching invalid-handle error set.
ContextObject *findContext(CGcontext handle);
ProgramObject *findProgram(CGprogram handle);
struct ParameterRef {
    ProgramObject *program = nullptr;
    const ParameterInfo *info = nullptr;
    size_t index = 0;
};
bool findParameter(CGparameter handle, ParameterRef &out);
ContextObject *contextOf(const ProgramObject &program);
CGparameter parameterHandle(const ProgramObject &program, size_t index);
CGtype parameterType(const ParameterInfo &p);

// Keeps a failure's listing in the context (cgGetLastListing); in debug mode also prints
// it to stderr under a heading.
extern bool debugMode;
void setDebugMode(bool on);
void reportListing(ContextObject *context, const std::string &heading, const std::string &listing);

// Releases the program's GL object when a GL context is current (the GL library's hook).
void releaseGlProgram(ProgramObject &program);
// Writes rows of a uniform (from `row`, its first) to the program, and through the GL
// library's hook to the GL.
void storeRows(ProgramObject &program, const ParameterInfo &p, int first, const float (*values)[4], int count);

}  // namespace vela::cg
