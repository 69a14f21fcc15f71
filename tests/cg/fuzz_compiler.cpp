// libFuzzer entry for the compiler: any bytes as a program text, for both profiles. Beyond
// running clean under the sanitizers, every result must be well formed: an assembly text
// with its header and END, or a listing that starts with a position and ends with a caret.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "compiler.h"

using namespace vela::cg;

namespace {

void require(bool condition, const char *what, const CompileResult &r) {
    if (condition) return;
    std::fprintf(stderr, "cg_fuzz: %s\nassembly:\n%s\nlisting:\n%s\n", what, r.assembly.c_str(), r.listing.c_str());
    std::abort();
}

bool startsWith(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }
bool endsWith(const std::string &s, const std::string &suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    for (Profile profile : {Profile::Arbvp1, Profile::Arbfp1}) {
        CompileResult r = compile(text, profile);
        if (r.ok) {
            require(r.listing.empty(), "a listing with a success", r);
            require(startsWith(r.assembly, profile == Profile::Arbvp1 ? "!!ARBvp1.0\n" : "!!ARBfp1.0\n"), "no header", r);
            require(endsWith(r.assembly, "END\n"), "no END", r);
            require(r.assembly.find('?') == std::string::npos, "an unnamed register", r);
        } else {
            require(r.assembly.empty(), "assembly with a failure", r);
            std::string first = r.listing.substr(0, r.listing.find('\n'));
            require(first.find(": error: ") != std::string::npos, "no error line", r);
            require(first.find(": error: internal compiler error") == std::string::npos, "an internal error", r);
            require(endsWith(r.listing, "^\n"), "no caret", r);
        }
    }
    return 0;
}
