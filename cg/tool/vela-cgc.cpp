// vela-cgc: the shader compiler on the command line, for checking a program text without
// the window. The assembly goes to standard output; diagnostics to standard error, each
// line "file:line:column: error: ..." with the source line and a caret.
//   vela-cgc -profile arbvp1|arbfp1 [-entry name] [-DNAME[=value]] [-UNAME] [-dump pass] file|-
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "compiler.h"

namespace {

const char usage[] =
    "usage: vela-cgc -profile arbvp1|arbfp1 [-entry name] [-DNAME[=value]] [-UNAME] [-dump pass] file\n"
    "  Compiles the program in `file` (- for standard input) and prints its ARB assembly;\n"
    "  the exit status is 0 when it compiles, 1 when it does not.\n"
    "  -dump lower|opt|alloc prints the compiler's IR after that pass instead.\n";

bool readAll(std::FILE *in, std::string &text) {
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, n);
    return !std::ferror(in);
}

int fail(const char *message) {
    std::fprintf(stderr, "vela-cgc: %s\n%s", message, usage);
    return 1;
}

}  // namespace

int main(int argc, char **argv) {
    std::string profile, entry = "main", file, dumpName;
    std::vector<std::string> options;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if ((a == "-profile" || a == "-entry" || a == "-dump") && i + 1 < argc) {
            (a == "-profile" ? profile : a == "-entry" ? entry : dumpName) = argv[++i];
        } else if (a.rfind("-D", 0) == 0 || a.rfind("-U", 0) == 0) {
            options.push_back(a);
        } else if (a == "-" || a[0] != '-') {
            if (haveFile) return fail("one program file at a time");
            file = a;
            haveFile = true;
        } else {
            return fail(("unknown option '" + a + "'").c_str());
        }
    }
    const vela::cg::ProfileDesc *desc = vela::cg::findProfile(profile);
    if (!desc) return fail("-profile arbvp1 or -profile arbfp1 is needed");
    if (!haveFile) return fail("no program file");
    vela::cg::Dump dump = vela::cg::Dump::None;
    if (dumpName == "lower") dump = vela::cg::Dump::Lower;
    else if (dumpName == "opt") dump = vela::cg::Dump::Optimize;
    else if (dumpName == "alloc") dump = vela::cg::Dump::Allocate;
    else if (!dumpName.empty()) return fail(("-dump takes lower, opt or alloc, not '" + dumpName + "'").c_str());

    std::string text;
    std::FILE *in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
    if (!in || !readAll(in, text)) {
        std::fprintf(stderr, "vela-cgc: cannot read '%s': %s\n", file.c_str(), std::strerror(errno));
        return 1;
    }
    if (in != stdin) std::fclose(in);

    vela::cg::CompileResult r = vela::cg::compile(text, desc->id, entry, options, dump);
    if (!r.ok) {
        std::fputs(vela::cg::formatListing(r.diagnostics, file == "-" ? "<stdin>" : file).c_str(), stderr);
        return 1;
    }
    std::fputs((dump == vela::cg::Dump::None ? r.assembly : r.dump).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
