// libFuzzer entry for the compiler: any bytes as a program text, for both profiles, with
// and without a -D option (the preprocessor's inputs). Beyond running clean under the
// sanitizers, every result must be well formed: an assembly text with its header and END,
// or a listing of errors, each at a position with a caret, and no internal error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// A message line ("7:13: error: ...", not a line of the text shown under it) about the
// compiler itself.
bool internalError(const std::string &listing) {
    for (size_t start = 0; start < listing.size();) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        std::string line = listing.substr(start, end - start);
        size_t at = line.find(": error: ");
        if (at != std::string::npos && line.find_first_not_of("0123456789:") == at + 1 &&
            line.compare(at + 9, 23, "internal compiler error") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    // A define whose name and value the input's first bytes choose.
    std::vector<std::string> options;
    if (size > 2 && data[0] % 3 == 0) options.push_back(std::string("-DN") + char('A' + data[1] % 26) + "=" + char('0' + data[2] % 10));
    for (Profile profile : {Profile::Arbvp1, Profile::Arbfp1}) {
        CompileResult r = compile(text, profile, "main", options);
        if (r.ok) {
            require(r.listing.empty(), "a listing with a success", r);
            require(startsWith(r.assembly, profile == Profile::Arbvp1 ? "!!ARBvp1.0\n" : "!!ARBfp1.0\n"), "no header", r);
            require(endsWith(r.assembly, "END\n"), "no END", r);
            require(r.assembly.find('?') == std::string::npos, "an unnamed register", r);
        } else {
            require(r.assembly.empty(), "assembly with a failure", r);
            std::string first = r.listing.substr(0, r.listing.find('\n'));
            require(first.find(": error: ") != std::string::npos, "no error line", r);
            require(!internalError(r.listing), "an internal error", r);
            require(endsWith(r.listing, "^\n") || endsWith(r.listing, "; stopping here\n"), "no caret", r);
        }
    }
    return 0;
}
