// The compiler's entry point: runs the stages and turns rejections into a listing.
#include <cstring>
#include <new>
#include <stdexcept>

#include "interface.h"

namespace vela::cg {
namespace {

bool identifier(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    return true;
}

// "-DNAME", "-DNAME=value", "-UNAME"; false for anything else.
bool option(const std::string &text, Define &out) {
    if (text.size() < 3 || text[0] != '-' || (text[1] != 'D' && text[1] != 'U')) return false;
    std::string body = text.substr(2);
    size_t eq = body.find('=');
    out.undefine = text[1] == 'U';
    out.name = body.substr(0, eq);
    out.value = eq == std::string::npos ? "1" : body.substr(eq + 1);
    return identifier(out.name) && !(out.undefine && eq != std::string::npos);
}

// Options hosts pass for optimisation or other compilers' modes: nothing to do here, and
// no reason to refuse a program.
bool ignoredOption(const std::string &o) {
    static const char *const names[] = {"-O0", "-O1", "-O2", "-O3", "-fastmath", "-nofastmath", "-fastprecision",
                                        "-nofastprecision", "-bestprecision", "-strict", "-nostrict", "-q", "-quiet",
                                        "-nostdlib", "-debug", "-unroll", "-ifcvt", "-inline", "-glslWerror"};
    for (const char *n : names)
        if (o == n || (o.rfind(n, 0) == 0 && o.size() > std::strlen(n) && o[std::strlen(n)] == '=')) return true;
    return false;
}

}  // namespace

bool lowerText(std::string_view text, Profile profile, IrProgram &ir) {
    Source source{text, {}, {}};
    Diagnostics diagnostics;
    Preprocessed pp;
    Module module;
    std::vector<ParameterInfo> parameters;
    try {
        preprocess(text, {}, SourceFiles{}, pp, diagnostics);
        source.marks = pp.marks;
        if (diagnostics.empty()) parse(source, pp.tokens, module, diagnostics);
        if (diagnostics.empty()) check(source, module, "main", describe(profile), diagnostics);
        if (!diagnostics.empty()) return false;
        lower(source, module, "main", describe(profile), ir, parameters, diagnostics);
        return true;
    } catch (const CompileError &) {
        return false;
    } catch (const Stop &) {
        return false;
    }
}

CompileResult compile(std::string_view text, Profile profile, std::string_view entry,
                      const std::vector<std::string> &options, Dump dump) {
    return compile(text, profile, entry, options, SourceFiles{}, dump);
}

namespace {

struct Translation {
    std::string assembly, dump;
    ProgramStats stats;
};

// A checked module to assembly: lowering, the optimiser, slots, allocation and emission.
Translation translate(const Source &source, const Module &module, std::string_view entry, const ProfileDesc &desc,
                      bool packUniforms, Dump dump, IrProgram &ir, std::vector<ParameterInfo> &parameters,
                      Diagnostics &diagnostics) {
    Translation t;
    lower(source, module, entry, desc, ir, parameters, diagnostics);
    if (dump == Dump::Lower) t.dump = printIr(ir);
    optimize(ir);
    if (packUniforms) deriveFromUniforms(ir);
    std::vector<Instr> inOrder;  // the text's order, when readUniformsEarly changed it
    bool reordered = readUniformsEarly(ir, inOrder);
    assignSlots(ir, parameters, packUniforms);
    setDerivedSlots(ir);
    if (dump == Dump::Optimize) t.dump = printIr(ir);
    Allocation allocation;
    allocate(ir, allocation);
    if (reordered && allocation.temporaries > 16) {  // past what every GL offers: the text's order
        ir.code = std::move(inOrder);
        renumberDefinitions(ir);
        allocation = Allocation{};
        allocate(ir, allocation);
    }
    if (dump == Dump::Allocate) t.dump = printIr(ir, &allocation);
    t.assembly = emit(ir, allocation, t.stats);
    return t;
}

CompileResult run(std::string_view text, Profile profile, std::string_view entry, const std::vector<std::string> &options,
                  const SourceFiles &files, Dump dump) {
    CompileResult result;
    std::vector<Define> defines;
    SourceFiles where = files;
    // Profile options ("-po a,b=1"): none changes what these profiles emit; hosts pass
    // them for other profiles, so they are taken and ignored.
    std::vector<std::string> profileOptions;
    bool packUniforms = false;
    for (size_t i = 0; i < options.size(); ++i) {
        const std::string &o = options[i];
        if (o.rfind("-I", 0) == 0) {
            if (o.size() > 2) where.includePaths.push_back(o.substr(2));
            else if (i + 1 < options.size()) where.includePaths.push_back(options[++i]);
            continue;
        }
        if (o == "-po" || o == "-profileopts") {
            if (i + 1 < options.size()) profileOptions.push_back(options[++i]);
            continue;
        }
        if (o.rfind("-po=", 0) == 0) {
            profileOptions.push_back(o.substr(4));
            continue;
        }
        if (ignoredOption(o)) continue;
        if (o == "-packuniforms") {
            packUniforms = true;
            continue;
        }
        Define d;
        if (!option(o, d)) {
            Diagnostic bad;
            bad.message = "unknown compiler option " + quoted(o);
            result.diagnostics.push_back(bad);
            result.listing = formatListing(result.diagnostics);
            return result;
        }
        defines.push_back(d);
    }
    Source source{text, {}, {}};
    Diagnostics diagnostics;
    if (text.size() > limits::textBytes) {
        Source empty{std::string_view(), {}, {}};
        result.diagnostics.push_back(
            empty.diagnostic(0, "the program text is too long (more than " + std::to_string(limits::textBytes >> 20) + " MiB)"));
        result.listing = formatListing(result.diagnostics);
        return result;
    }
    Preprocessed pp;
    Module module;
    try {
        // Profile options that change the profile; the others are for other profiles.
        ProfileDesc desc = describe(profile);
        for (const std::string &list : profileOptions)
            for (size_t at = 0; at <= list.size();) {
                size_t end = std::min(list.find(',', at), list.size());
                std::string one = list.substr(at, end - at);
                if ((one == "ARB_draw_buffers" || one == "ATI_draw_buffers") && desc.stage == Stage::Fragment) {
                    desc.drawBuffers = true;
                    desc.outputs[SemanticRegister::Color] = 4;
                    desc.outputList = "COLOR0-3, DEPTH";
                }
                at = end + 1;
            }
        source.files = {FileSpan{0, where.name}};
        preprocess(text, defines, where, pp, diagnostics);
        source.marks = pp.marks;
        source.files = pp.files;
        if (!pp.text.empty()) source.text = pp.text;
        if (diagnostics.empty()) parse(source, pp.tokens, module, diagnostics);
        if (diagnostics.empty()) check(source, module, entry, desc, diagnostics);
        if (diagnostics.empty()) {
            IrProgram ir;
            Translation t = translate(source, module, entry, desc, packUniforms, dump, ir, result.parameters, diagnostics);
            // Translates again with `configure`d IR; keeps that one if `better` says so.
            auto retry = [&](auto configure, auto better) {
                IrProgram again;
                again.shareLanes = ir.shareLanes;
                again.shareFactors = ir.shareFactors;
                configure(again);
                std::vector<ParameterInfo> parameters;
                Diagnostics quiet;
                try {
                    Translation u = translate(source, module, entry, desc, packUniforms, dump, again, parameters, quiet);
                    if (quiet.empty() && better(u.stats)) {
                        t = std::move(u);
                        ir = std::move(again);
                        result.parameters = std::move(parameters);
                    }
                } catch (const CompileError &) {
                }
            };
            // Factors shared across lanes take instructions of their own, and lanes read from
            // earlier instructions take gathers: either can use up the room for making the
            // constants, and constants left as PARAMs cost more than the sharing saves (with
            // the constants made, the GL's compiler finds equal lanes itself). Each sharing is
            // kept only where it pays.
            auto constantsMade = [](const ProgramStats &s) { return !s.constantsOutOfRoom; };
            if (t.stats.constantsOutOfRoom && ir.sharedFactors > 0)
                retry([](IrProgram &again) { again.shareFactors = false; }, constantsMade);
            if (t.stats.constantsOutOfRoom && ir.sharedLanes > 0)
                retry([](IrProgram &again) { again.shareLanes = false; }, constantsMade);
            // Nor past the least limits every implementation offers, where the program would
            // be within them without (the sharing takes a few instructions each time).
            bool vertex = desc.stage == Stage::Vertex;
            auto withinLimits = [&](const ProgramStats &s, int spare = 0) {
                return s.instructions <= (vertex ? 128 : 72) + spare && s.temporaries <= (vertex ? 12 : 16) + spare &&
                       (!desc.countsAluAndTex || s.aluInstructions <= 48 + spare);
            };
            if (ir.sharedFactors > 0 && !withinLimits(t.stats) && withinLimits(t.stats, 3 * ir.sharedFactors))
                retry([](IrProgram &again) { again.shareFactors = false; },
                      [&](const ProgramStats &s) { return withinLimits(s); });
            result.assembly = std::move(t.assembly);
            result.stats = t.stats;
            result.dump = std::move(t.dump);
            result.derived = std::move(ir.derived);
            result.ok = true;
            result.diagnostics = diagnostics.records(source);
            result.listing = formatListing(result.diagnostics);
        }
    } catch (const CompileError &e) {
        try {
            diagnostics.add(e);
        } catch (const Stop &) {
        }
    } catch (const Stop &) {
    }
    if (!result.ok) {
        result.diagnostics = diagnostics.records(source);
        result.listing = formatListing(result.diagnostics);
        result.assembly.clear();
        result.parameters.clear();
    }
    return result;
}

}  // namespace

CompileResult compile(std::string_view text, Profile profile, std::string_view entry,
                      const std::vector<std::string> &options, const SourceFiles &files, Dump dump) {
    // Whatever the text, the host gets an answer, never an abort.
    try {
        return run(text, profile, entry, options, files, dump);
    } catch (const std::bad_alloc &) {
    } catch (const std::length_error &) {
    }
    CompileResult result;
    Diagnostic d;
    d.message = "the compiler ran out of memory on this program";
    result.diagnostics.push_back(d);
    result.listing = formatListing(result.diagnostics);
    return result;
}

}  // namespace vela::cg
