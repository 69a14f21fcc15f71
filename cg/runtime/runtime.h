// The runtime's objects behind the opaque handles, shared by the cg and cgGL entry points
// (runtime.cpp, parameters.cpp, gl_binding.cpp, gl_parameters.cpp). Handles are small ids,
// never reused, so a stale or foreign handle is simply unknown.
#pragma once

#include <Cg/cg.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "compiler.h"

namespace vela::cg {

struct ContextObject {
    uint32_t id = 0;
    std::string listing;  // of the last failed compilation or load; empty after a success
    std::vector<uint32_t> programs;
    bool manageTextures = false;
    std::map<std::string, std::string> includes;  // cgSetCompilerIncludeString/File, by name
    CGIncludeCallbackFunc includeCallback = nullptr;
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
    std::vector<DerivedStep> derived;         // values the runtime computes from them (-packuniforms)
    std::vector<unsigned> textures;           // by parameter: the texture object of a sampler
    ProgramStats stats;
    unsigned glName = 0;
    bool loaded = false;
    std::vector<uint32_t> domains;  // a combined program's own copies of its programs
    uint32_t combinedIn = 0;        // a domain program: its combined program
};

struct ParameterObject {
    uint32_t id = 0;
    uint32_t program = 0;
    size_t index = 0;
};

// The compiler's profile of an API profile number, and back; null when it has none.
const ProfileDesc *profileOf(CGprofile profile);
CGprofile apiProfile(Profile profile);

// Sets the error and calls the error callback and handler (with the context, 0 for none).
void setError(CGerror error, uint32_t context = 0);

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
ProgramObject *programById(uint32_t id);  // no error when there is none
template <class H> H toHandle(uint32_t id) { return reinterpret_cast<H>(static_cast<uintptr_t>(id)); }

// Compiles and adds a program (cgCreateProgram, cgCreateProgramFromFile): `file` names
// the text for its positions and relative includes ("" for a string).
CGprogram createProgram(ContextObject &c, CGenum programType, const char *text, const std::string &file,
                        CGprofile profile, const char *entry, const char **args);
// includes.cpp: where a context's programs find their #includes.
SourceFiles sourceFiles(uint32_t context, const std::string &file);
// A copy of a program (new handles) belonging to the combined program `combinedIn`.
ProgramObject &copyProgram(const ProgramObject &source, uint32_t combinedIn);
// An empty program in the context, for a combination.
ProgramObject &newProgram(ContextObject &c);
// The options cgGLSetOptimalOptions gave a profile, appended to each of its compilations.
std::vector<std::string> &optimalOptions(Profile profile);
void clearOptimalOptions();
// Reads a whole file (at most a little over the compiler's text limit, which then refuses it).
bool readFile(const std::string &path, std::string &text);

// Keeps a failure's listing in the context (cgGetLastListing); in debug mode also prints
// it to stderr under a heading.
extern bool debugMode;
void setDebugMode(bool on);
void reportListing(ContextObject *context, const std::string &heading, const std::string &listing);

// Releases the program's GL object when a GL context is current (the GL library's hook).
void releaseGlProgram(ProgramObject &program);
// combined.cpp: the uniforms of the other domains of a combination that share `p`'s name
// and shape, which every value set on `p` also reaches.
std::vector<std::pair<ProgramObject *, const ParameterInfo *>> linkedParameters(const ProgramObject &program,
                                                                                const ParameterInfo &p);
// Writes rows of a uniform (from `row`, its first) to the program, and through the GL
// library's hook to the GL.
void storeRows(ProgramObject &program, const ParameterInfo &p, int first, const float (*values)[4], int count);

}  // namespace vela::cg
