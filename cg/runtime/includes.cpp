// Programs from files and the context's include files: cgCreateProgramFromFile and the
// cgSetCompilerInclude* calls, which the compiler reaches through SourceFiles::open.
#include <cstdio>

#include "runtime.h"

namespace vela::cg {

bool readFile(const std::string &path, std::string &text) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    text.clear();
    char buffer[65536];
    size_t n;
    // A little over the limit is enough for the compiler to refuse the text; a device
    // that never ends (/dev/zero) must not hang the call.
    while (text.size() <= limits::textBytes && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

namespace {

// The context, if it still exists (a callback may destroy it), without setting an error.
ContextObject *live(uint32_t context) {
    CGcontext handle = toHandle<CGcontext>(context);
    return cgIsContext(handle) ? findContext(handle) : nullptr;
}

}  // namespace

SourceFiles sourceFiles(uint32_t context, const std::string &file) {
    SourceFiles files;
    files.name = file;
    files.open = [context](const std::string &name, const std::string &, std::string &path, std::string &text) {
        auto lookup = [&] {
            ContextObject *c = live(context);
            if (!c) return false;
            auto it = c->includes.find(name);
            if (it == c->includes.end()) return false;
            path = name;
            text = it->second;
            return true;
        };
        if (lookup()) return true;
        ContextObject *c = live(context);
        if (!c || !c->includeCallback) return false;
        c->includeCallback(toHandle<CGcontext>(context), name.c_str());
        return lookup();  // the callback may have added it; else the file system
    };
    return files;
}

}  // namespace vela::cg

using namespace vela::cg;

extern "C" {

CGprogram cgCreateProgramFromFile(CGcontext context, CGenum programType, const char *file, CGprofile profile,
                                  const char *entry, const char **args) {
    ContextObject *c = findContext(context);
    if (!c) return nullptr;
    if (!file) {
        setError(CG_INVALID_POINTER_ERROR, c->id);
        return nullptr;
    }
    if (programType != CG_SOURCE) {
        setError(CG_INVALID_ENUMERANT_ERROR, c->id);
        return nullptr;
    }
    if (!profileOf(profile)) {
        setError(CG_INVALID_PROFILE_ERROR, c->id);
        return nullptr;
    }
    std::string text;
    if (!readFile(file, text)) {
        setError(CG_FILE_READ_ERROR, c->id);
        return nullptr;
    }
    return createProgram(*c, programType, text.c_str(), file, profile, entry, args);
}

void cgSetCompilerIncludeString(CGcontext context, const char *name, const char *source) {
    ContextObject *c = findContext(context);
    if (!c) return;
    if (!name) return setError(CG_INVALID_POINTER_ERROR, c->id);
    if (source) c->includes[name] = source;
    else c->includes.erase(name);
}

void cgSetCompilerIncludeFile(CGcontext context, const char *name, const char *filename) {
    ContextObject *c = findContext(context);
    if (!c) return;
    if (!name || !filename) return setError(CG_INVALID_POINTER_ERROR, c->id);
    std::string text;
    if (!readFile(filename, text)) return setError(CG_FILE_READ_ERROR, c->id);
    c->includes[name] = std::move(text);
}

void cgSetCompilerIncludeCallback(CGcontext context, CGIncludeCallbackFunc callback) {
    if (ContextObject *c = findContext(context)) c->includeCallback = callback;
}

CGIncludeCallbackFunc cgGetCompilerIncludeCallback(CGcontext context) {
    ContextObject *c = findContext(context);
    return c ? c->includeCallback : nullptr;
}

}  // extern "C"
