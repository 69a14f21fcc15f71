// The cg entry points: contexts, programs and errors (parameters.cpp has the parameters).
#include "runtime.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace vela::cg {
namespace {

struct Registry {
    uint32_t nextId = 1;
    std::unordered_map<uint32_t, ContextObject> contexts;
    std::unordered_map<uint32_t, ProgramObject> programs;
    std::unordered_map<uint32_t, ParameterObject> parameters;
};

// Built on first use: the library does no work before its first call.
Registry &registry() {
    static Registry r;
    return r;
}

CGerror lastError = CG_NO_ERROR;
CGerrorCallbackFunc errorCallback = nullptr;
CGerrorHandlerFunc errorHandler = nullptr;
void *errorHandlerData = nullptr;

bool handleId(const void *handle, uint32_t &id) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || value > UINT32_MAX) return false;
    id = uint32_t(value);
    return true;
}

template <class T> T *find(std::unordered_map<uint32_t, T> &map, const void *handle) {
    uint32_t id;
    if (!handleId(handle, id)) return nullptr;
    auto it = map.find(id);
    return it == map.end() ? nullptr : &it->second;
}


void destroyProgram(Registry &r, uint32_t id) {
    auto it = r.programs.find(id);
    if (it == r.programs.end()) return;
    std::vector<uint32_t> domains = std::move(it->second.domains);
    for (uint32_t d : domains) destroyProgram(r, d);
    it = r.programs.find(id);
    if (uint32_t owner = it->second.combinedIn; r.programs.count(owner)) std::erase(r.programs[owner].domains, id);
    releaseGlProgram(it->second);
    for (uint32_t p : it->second.handles) r.parameters.erase(p);
    r.programs.erase(it);
}

// The API's numbers of the compiler's profiles.
constexpr struct {
    CGprofile api;
    Profile profile;
} apiProfiles[] = {{CG_PROFILE_ARBVP1, Profile::Arbvp1}, {CG_PROFILE_ARBFP1, Profile::Arbfp1}};

}  // namespace

const ProfileDesc *profileOf(CGprofile profile) {
    for (const auto &p : apiProfiles)
        if (p.api == profile) return &describe(p.profile);
    return nullptr;
}

CGprofile apiProfile(Profile profile) {
    for (const auto &p : apiProfiles)
        if (p.profile == profile) return p.api;
    return CG_PROFILE_UNKNOWN;
}

void setError(CGerror error, uint32_t context) {
    lastError = error;
    if (error == CG_NO_ERROR) return;
    if (errorCallback) errorCallback();
    if (errorHandler) errorHandler(registry().contexts.count(context) ? toHandle<CGcontext>(context) : nullptr, error, errorHandlerData);
}

ProgramObject *programById(uint32_t id) {
    auto it = registry().programs.find(id);
    return it == registry().programs.end() ? nullptr : &it->second;
}

namespace {

void addHandles(Registry &r, ProgramObject &object) {
    object.handles.clear();
    for (size_t i = 0; i < object.parameters.size(); ++i) {
        uint32_t pid = r.nextId++;
        r.parameters[pid] = ParameterObject{pid, object.id, i};
        object.handles.push_back(pid);
    }
}

}  // namespace

ProgramObject &newProgram(ContextObject &c) {
    Registry &r = registry();
    uint32_t id = r.nextId++;
    ProgramObject &object = r.programs[id];
    object.id = id;
    object.context = c.id;
    c.programs.push_back(id);
    return object;
}

ProgramObject &copyProgram(const ProgramObject &source, uint32_t combinedIn) {
    Registry &r = registry();
    uint32_t id = r.nextId++;
    ProgramObject &object = r.programs[id];
    object = source;
    object.id = id;
    object.glName = 0;
    object.loaded = false;
    object.domains.clear();
    object.combinedIn = combinedIn;
    object.optionPointers.clear();
    for (const std::string &o : object.options) object.optionPointers.push_back(o.c_str());
    object.optionPointers.push_back(nullptr);
    addHandles(r, object);
    return object;
}

CGprogram createProgram(ContextObject &c, CGenum programType, const char *program, const std::string &file,
                        CGprofile profile, const char *entry, const char **args) {
    if (programType != CG_SOURCE) {
        // CG_OBJECT (precompiled code) included: there is no object format to read.
        setError(CG_INVALID_ENUMERANT_ERROR, c.id);
        return nullptr;
    }
    if (!program) {
        setError(CG_INVALID_POINTER_ERROR, c.id);
        return nullptr;
    }
    const ProfileDesc *desc = profileOf(profile);
    if (!desc) {
        setError(CG_INVALID_PROFILE_ERROR, c.id);
        return nullptr;
    }
    Profile p = desc->id;
    std::string entryName = entry ? entry : "main";
    std::vector<std::string> options;
    for (const char **a = args; a && *a; ++a) options.emplace_back(*a);
    for (const std::string &o : optimalOptions(p)) options.push_back(o);
    uint32_t contextId = c.id;
    CompileResult result = compile(program, p, entryName, options, sourceFiles(contextId, file));
    // An include callback may have destroyed the context.
    ContextObject *context = find(registry().contexts, toHandle<CGcontext>(contextId));
    if (!context) {
        setError(CG_INVALID_CONTEXT_HANDLE_ERROR);
        return nullptr;
    }
    if (!file.empty()) result.listing = formatListing(result.diagnostics, file);  // name the file
    if (!result.ok) {
        reportListing(context, std::string("the ") + profileName(p) + " program \"" + entryName + "\" did not compile:",
                      result.listing);
        setError(CG_COMPILER_ERROR, contextId);
        return nullptr;
    }
    context->listing.clear();
    if (!result.listing.empty())
        reportListing(context, std::string("the ") + profileName(p) + " program \"" + entryName + "\" compiled with warnings:",
                      result.listing);

    Registry &r = registry();
    ProgramObject &object = newProgram(*context);
    object.profile = p;
    object.source = program;
    object.entry = std::move(entryName);
    object.options = std::move(options);
    for (const std::string &o : object.options) object.optionPointers.push_back(o.c_str());
    object.optionPointers.push_back(nullptr);
    object.assembly = std::move(result.assembly);
    object.parameters = std::move(result.parameters);
    object.derived = std::move(result.derived);
    object.stats = result.stats;
    object.textures.assign(object.parameters.size(), 0);
    addHandles(r, object);
    int rows = 0;
    for (const ParameterInfo &info : object.parameters)
        if (info.uniform && info.row >= 0) rows = std::max(rows, info.row + info.slotCount);
    object.rows.assign(size_t(rows), {0, 0, 0, 0});
    for (const ParameterInfo &info : object.parameters)
        for (size_t v = 0; v < info.defaults.size() && info.row >= 0; ++v)
            object.rows[size_t(info.row) + v / 4][v % 4] = info.defaults[v];
    return toHandle<CGprogram>(object.id);
}

ContextObject *findContext(CGcontext handle) {
    ContextObject *c = find(registry().contexts, handle);
    if (!c) setError(CG_INVALID_CONTEXT_HANDLE_ERROR);
    return c;
}

ProgramObject *findProgram(CGprogram handle) {
    ProgramObject *p = find(registry().programs, handle);
    if (!p) setError(CG_INVALID_PROGRAM_HANDLE_ERROR);
    return p;
}

bool findParameter(CGparameter handle, ParameterRef &out) {
    Registry &r = registry();
    ParameterObject *p = find(r.parameters, handle);
    auto program = p ? r.programs.find(p->program) : r.programs.end();
    if (program == r.programs.end()) {
        setError(CG_INVALID_PARAM_HANDLE_ERROR);
        return false;
    }
    out.program = &program->second;
    out.info = &program->second.parameters[p->index];
    out.index = p->index;
    return true;
}

ContextObject *contextOf(const ProgramObject &program) {
    auto it = registry().contexts.find(program.context);
    return it == registry().contexts.end() ? nullptr : &it->second;
}

CGparameter parameterHandle(const ProgramObject &program, size_t index) {
    return index < program.handles.size() ? toHandle<CGparameter>(program.handles[index]) : nullptr;
}

bool debugMode = false;

void reportListing(ContextObject *context, const std::string &heading, const std::string &listing) {
    if (context) context->listing = listing;
    if (!debugMode) return;
    std::fprintf(stderr, "cg: %s\n%s", heading.c_str(), listing.c_str());
    std::fflush(stderr);
}

}  // namespace vela::cg

using namespace vela::cg;

extern "C" {

CGcontext cgCreateContext(void) {
    Registry &r = registry();
    uint32_t id = r.nextId++;
    r.contexts[id].id = id;
    return toHandle<CGcontext>(id);
}

void cgDestroyContext(CGcontext context) {
    ContextObject *c = findContext(context);
    if (!c) return;
    Registry &r = registry();
    std::vector<uint32_t> programs = std::move(c->programs);
    for (uint32_t p : programs) destroyProgram(r, p);
    uint32_t id = c->id;
    r.contexts.erase(id);
    if (r.contexts.empty()) clearOptimalOptions();
}

CGbool cgIsContext(CGcontext context) { return find(registry().contexts, context) ? CG_TRUE : CG_FALSE; }

CGprogram cgCreateProgram(CGcontext context, CGenum programType, const char *program, CGprofile profile,
                          const char *entry, const char **args) {
    ContextObject *c = findContext(context);
    return c ? createProgram(*c, programType, program, "", profile, entry, args) : nullptr;
}

void cgDestroyProgram(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p) return;
    if (ContextObject *c = contextOf(*p)) std::erase(c->programs, p->id);
    destroyProgram(registry(), p->id);
}

CGbool cgIsProgram(CGprogram program) { return find(registry().programs, program) ? CG_TRUE : CG_FALSE; }

CGprofile cgGetProgramProfile(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p || !p->domains.empty()) return CG_PROFILE_UNKNOWN;  // a combination has one a domain
    return apiProfile(p->profile);
}

CGcontext cgGetProgramContext(CGprogram program) {
    ProgramObject *p = findProgram(program);
    return p ? toHandle<CGcontext>(p->context) : nullptr;
}

CGprogram cgGetFirstProgram(CGcontext context) {
    ContextObject *c = findContext(context);
    if (!c || c->programs.empty()) return nullptr;
    return toHandle<CGprogram>(c->programs.front());
}

CGprogram cgGetNextProgram(CGprogram program) {
    ProgramObject *p = findProgram(program);
    if (!p) return nullptr;
    ContextObject *c = contextOf(*p);
    if (!c) return nullptr;
    auto it = std::find(c->programs.begin(), c->programs.end(), p->id);
    if (it == c->programs.end() || ++it == c->programs.end()) return nullptr;
    return toHandle<CGprogram>(*it);
}

void cgCompileProgram(CGprogram program) { findProgram(program); }

CGbool cgIsProgramCompiled(CGprogram program) { return findProgram(program) ? CG_TRUE : CG_FALSE; }

const char *cgGetProgramString(CGprogram program, CGenum pname) {
    ProgramObject *p = findProgram(program);
    if (!p) return nullptr;
    switch (pname) {
    case CG_COMPILED_PROGRAM: return p->assembly.c_str();
    case CG_PROGRAM_SOURCE: return p->source.c_str();
    case CG_PROGRAM_ENTRY: return p->entry.c_str();
    case CG_PROGRAM_PROFILE: return profileName(p->profile);
    default: setError(CG_INVALID_ENUMERANT_ERROR); return nullptr;
    }
}

CGbool cgIsParameter(CGparameter parameter) { return find(registry().parameters, parameter) ? CG_TRUE : CG_FALSE; }

const char *const *cgGetProgramOptions(CGprogram program) {
    ProgramObject *p = findProgram(program);
    return p ? p->optionPointers.data() : nullptr;
}

CGerror cgGetError(void) {
    CGerror e = lastError;
    lastError = CG_NO_ERROR;
    return e;
}

const char *cgGetLastErrorString(CGerror *error) {
    if (error) *error = lastError;
    return cgGetErrorString(lastError);
}

const char *cgGetErrorString(CGerror error) {
    switch (error) {
    case CG_NO_ERROR: return "no error";
    case CG_COMPILER_ERROR: return "the program did not compile (see cgGetLastListing)";
    case CG_INVALID_CONTEXT_HANDLE_ERROR: return "invalid context handle";
    case CG_INVALID_PROGRAM_HANDLE_ERROR: return "invalid program handle";
    case CG_INVALID_PARAM_HANDLE_ERROR: return "invalid parameter handle";
    case CG_INVALID_PROFILE_ERROR: return "invalid profile";
    case CG_INVALID_ENUMERANT_ERROR: return "invalid enumerant";
    case CG_INVALID_POINTER_ERROR: return "null pointer argument";
    case CG_INVALID_PARAMETER_TYPE_ERROR: return "the parameter's type does not fit the call";
    case CG_PROGRAM_LOAD_ERROR: return "the GL did not load the program (see cgGetLastListing)";
    case CG_PROGRAM_NOT_LOADED_ERROR: return "the program is not loaded (cgGLLoadProgram)";
    case CG_UNSUPPORTED_GL_EXTENSION_ERROR: return "the GL does not support the profile's extension";
    case CG_NO_GL_CONTEXT_ERROR: return "no GL context is current";
    case CG_SINGULAR_MATRIX_ERROR: return "the matrix has no inverse";
    case CG_ARRAY_PARAM_ERROR: return "the parameter is not an array";
    case CG_OUT_OF_ARRAY_BOUNDS_ERROR: return "the index is outside the array";
    case CG_NOT_UNIFORM_PARAM_ERROR: return "the parameter is not uniform";
    case CG_INVALID_PARAMETER_ERROR: return "an argument is out of its range or does not fit the call";
    case CG_FILE_READ_ERROR: return "the file could not be read";
    case CG_NOT_ENOUGH_DATA_ERROR: return "fewer values than the parameter holds";
    case CG_INVALID_DIMENSION_ERROR: return "invalid dimension";
    case CG_NOT_MATRIX_PARAM_ERROR: return "the parameter is not a matrix";
    case CG_UNKNOWN_PROFILE_ERROR: return "unknown profile";
    }
    return "unknown error";
}

void cgSetErrorCallback(CGerrorCallbackFunc callback) { errorCallback = callback; }

void cgSetErrorHandler(CGerrorHandlerFunc handler, void *data) {
    errorHandler = handler;
    errorHandlerData = data;
}

CGerrorHandlerFunc cgGetErrorHandler(void **data) {
    if (data) *data = errorHandlerData;
    return errorHandler;
}

CGerrorCallbackFunc cgGetErrorCallback(void) { return errorCallback; }

const char *cgGetLastListing(CGcontext context) {
    ContextObject *c = findContext(context);
    if (!c || c->listing.empty()) return nullptr;
    return c->listing.c_str();
}

const char *cgGetProfileString(CGprofile profile) {
    const ProfileDesc *p = profileOf(profile);
    return p ? p->name : "unknown";
}

CGprofile cgGetProfile(const char *name) {
    for (const auto &p : apiProfiles)
        if (name && std::strcmp(name, describe(p.profile).name) == 0) return p.api;
    return CG_PROFILE_UNKNOWN;
}

}  // extern "C"
