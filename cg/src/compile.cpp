// The compiler's entry point: runs the stages and turns a rejection into a listing.
#include "compiler.h"

namespace vela::cg {

namespace {
// Offsets are 32-bit; no sensible program comes near this.
constexpr size_t maxSourceSize = size_t(1) << 24;
}  // namespace

CompileResult compile(std::string_view source, Profile profile, std::string_view entry) {
    CompileResult result;
    try {
        if (source.size() > maxSourceSize) fail(0, "program text too long (more than 16 MiB)");
        std::vector<Token> tokens = tokenize(source);
        Module module;
        parse(source, tokens, module);
        CheckedProgram checked;
        check(source, module, profile, entry, checked);
        IrProgram ir;
        lower(checked, ir);
        result.assembly = profile == Profile::Arbvp1 ? emitArbvp1(ir) : emitArbfp1(ir);
        result.uniforms = std::move(ir.uniforms);
        result.ok = true;
    } catch (const CompileError &e) {
        std::string_view shown = source.size() > maxSourceSize ? source.substr(0, 0) : source;
        result.listing = formatDiagnostic(shown, e.offset, e.message);
    }
    return result;
}

}  // namespace vela::cg
