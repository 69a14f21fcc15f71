// The shader compiler's contract with the runtime, the command-line tool and the tests:
//   text -> preprocess -> parse -> check -> lower -> optimise -> allocate -> emit.
// The compiler is a library: compile() returns the program or the diagnostics; nothing
// here exits or prints. This is its one public header.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vela::cg {

enum class Profile : uint8_t { Arbvp1, Arbfp1 };
const char *profileName(Profile profile);
struct ProfileDesc;
const ProfileDesc &describe(Profile profile);
const ProfileDesc *findProfile(std::string_view name);  // by its name ("arbvp1"); null if none

// ---- Diagnostics --------------------------------------------------------------------

// One message of a compilation, formatted only where it is shown (formatDiagnostic).
struct Diagnostic {
    enum Severity : uint8_t { Error, Warning };
    std::string file;        // where the text came from; "" for the program text itself
    int line = 0, column = 0;  // from 1; 0 for a message about no place in the text (an option)
    Severity severity = Error;
    std::string message;
    std::string sourceLine;  // the text's line, shown with a caret under the column
};
// "file:line:column: error: message", then the line and a caret; without a file when
// `file` is empty (the record's own file, else the one given).
std::string formatDiagnostic(const Diagnostic &d, std::string_view file = "");
std::string formatListing(const std::vector<Diagnostic> &diagnostics, std::string_view file = "");
// The position of a byte offset in a text, for messages about it (the GL's errors in the assembly).
Diagnostic diagnosticAt(std::string_view text, size_t offset, std::string message);

// ---- The result ---------------------------------------------------------------------

// What the language and the runtime both name: a numeric base, a sampler's kind, the
// register class a semantic binds.
enum class Base : uint8_t { Bool, Int, Fixed, Half, Float };
// Any: the generic "sampler", whichever lookup reads it (a compiled program's parameters
// show the target its lookups use).
enum class SamplerKind : uint8_t { S1D, S2D, S3D, Cube, Rect, Any };
struct SemanticRegister {
    // TexUnit binds a sampler's unit and Constant a uniform's first program.local slot.
    enum Kind : uint8_t { None, Position, Normal, Color, TexCoord, Depth, Wpos, TexUnit, Fog, PSize, BlendWeight, Attr,
                          Constant, Count };
    Kind kind = None;
    uint8_t index = 0;
};

// ---- Profiles -------------------------------------------------------------------------

enum class Stage : uint8_t { Vertex, Fragment };
enum class Emitter : uint8_t { ArbAssembly };

// What a profile is and can do. The compiler's stages and the GL binding ask this instead
// of testing which profile it is; a new profile is one more definition (profiles/).
struct ProfileDesc {
    Profile id;
    const char *name;       // "arbvp1"
    Stage stage;
    const char *stageName;  // "vertex": in messages, and its input registers' prefix
    Emitter emitter;
    const char *header;     // the program text's first line
    // The varying registers by SemanticRegister kind: how many of each (0: none).
    uint8_t inputs[SemanticRegister::Count];
    uint8_t outputs[SemanticRegister::Count];
    const char *inputList, *outputList;  // as messages list them
    SemanticRegister::Kind requiredOutput;
    const char *requiredOutputName;
    bool positionInputUnreadable;  // POSITION may be declared (one struct for both stages), not read
    // Native instructions and features; without one the lowering builds it from others.
    bool sinCos;              // SIN, COS
    bool lrp, cmp;            // LRP; CMP (selects without arithmetic)
    bool exactLit;            // LIT to the full power
    bool saturate;            // the _SAT suffix
    bool kill;                // KIL
    bool textures;            // TEX, TXP, TXB
    bool relativeAddressing;  // ARL and a computed index into uniforms
    bool countsAluAndTex;     // limits of ALU and TEX instructions and texture indirections
    bool shadow;              // depth comparisons (SHADOW targets, OPTION ARB_fragment_program_shadow)
    bool drawBuffers;         // COLOR1-3 results (OPTION ARB_draw_buffers): "-po ARB_draw_buffers"
    // The GL side: the program target and the extension that provides it.
    uint32_t glTarget;
    const char *glExtension;

    bool isInput(const SemanticRegister &r) const { return r.kind < SemanticRegister::Count && r.index < inputs[r.kind]; }
    bool isOutput(const SemanticRegister &r) const { return r.kind < SemanticRegister::Count && r.index < outputs[r.kind]; }
};

// A parameter of the compiled program as the runtime presents it: the entry function's
// parameters and the global variables, with the members and elements of each.
struct ParameterInfo {
    enum Kind : uint8_t { Scalar, Vector, Matrix, Sampler, Struct, Array };
    enum Direction : uint8_t { In, Out, InOut };
    std::string name;      // "light.position", "bones[2]"
    std::string semantic;  // its canonical name ("COLOR0" for COLOR), "" when none
    Kind kind = Scalar;
    Base base = Base::Float;
    uint8_t rows = 1, cols = 1;  // Vector: cols components; Matrix: rows x cols
    SamplerKind sampler = SamplerKind::S1D;
    int length = 0;              // Array: elements
    std::string typeName;        // "float4x4", "struct Light", "float4[3]"
    Direction direction = In;
    bool uniform = false;        // else varying (an input or result of the entry function)
    bool global = false;         // declared outside the entry function
    bool referenced = false;     // the program reads it (uniforms) or writes it (results)
    int parent = -1;             // index of the struct or array it belongs to
    std::vector<int> children;   // members or elements
    int row = -1;                // uniforms: the first of its rows among all uniforms' rows
    int firstSlot = -1;          // program.local slots of those rows, -1 when not read
    int slotCount = 0;
    bool packed = false;         // shares its slot with other uniforms (-packuniforms)
    int firstComponent = 0;      //   from this component of it on
    int textureUnit = -1;        // samplers
    SemanticRegister reg;        // the register of a varying leaf
    std::vector<float> defaults;  // uniforms: the initial value of each row, 4 floats a row
};

// What the emitted program uses, for the GL's limits.
struct ProgramStats {
    int instructions = 0;
    int constantInstructions = 0;  // of those, the ones that make a fragment program's constants
    int aluInstructions = 0, texInstructions = 0, texIndirections = 0;  // arbfp1
    int temporaries = 0;
    int parameters = 0;      // PARAM vectors: uniform slots and constants
    bool constantsOutOfRoom = false;  // constants left as PARAMs: no room to make them by instructions
    int localParameters = 0; // highest program.local index + 1
    int attributes = 0;
    int addressRegisters = 0;
};

// With -packuniforms, what the program would compute from uniforms and constants alone, per
// vertex or pixel, the runtime computes whenever a uniform is set: these steps, in order, and
// the program reads each result that it needs from a program.local slot of its own.
struct DerivedStep {
    struct Source {
        int row = -1;   // a uniform row (ParameterInfo::row numbering),
        int step = -1;  // or an earlier step's result, or else the constants k
        uint8_t swz[4] = {0, 1, 2, 3};  // the component read in each lane
        bool neg = false;
        float k[4] = {};
    };
    int op = 0;  // the compiler's own operation
    int lanes = 0;
    bool saturate = false;
    int nsrc = 0;
    Source src[4];  // a BUILD (the compiler's gather of lanes): lane i from src[i]'s first
    int slot = -1;  // where the program reads the result, or -1: only later steps do
};

// Every step's value, from each uniform row's (`row` returns its four floats).
std::vector<std::array<float, 4>> evaluateDerived(const std::vector<DerivedStep> &steps,
                                                  const std::function<std::array<float, 4>(int row)> &row);

// The IR after a pass, as text (CompileResult::dump).
enum class Dump : uint8_t { None, Lower, Optimize, Allocate };

struct CompileResult {
    bool ok = false;
    std::string assembly;
    std::string dump;     // the IR after the pass asked for
    std::vector<Diagnostic> diagnostics;  // of a rejected text, in the order of the text
    std::string listing;                  // the same, formatted
    std::vector<ParameterInfo> parameters;
    std::vector<DerivedStep> derived;  // -packuniforms
    ProgramStats stats;
};

// Where the program text came from and how its "#include"s are found.
struct SourceFiles {
    std::string name;                       // the text's file name ("" for a string): positions, relative includes
    std::vector<std::string> includePaths;  // searched in order after the including file's folder ("-I")
    // Asked first for every #include "name" or <name>, with the including file's name:
    // returns true with the text (and the name its positions show), or false to search.
    std::function<bool(const std::string &name, const std::string &from, std::string &path, std::string &text)> open;
};

// `options`: "-DNAME", "-DNAME=value", "-UNAME", "-Ipath" (or "-I" "path"); any other
// option is refused by name. On success `diagnostics` and `listing` hold the warnings.
CompileResult compile(std::string_view text, Profile profile, std::string_view entry = "main",
                      const std::vector<std::string> &options = {}, Dump dump = Dump::None);
CompileResult compile(std::string_view text, Profile profile, std::string_view entry,
                      const std::vector<std::string> &options, const SourceFiles &files, Dump dump = Dump::None);

// Limits that keep a hostile text from exhausting time, memory or the stack; each ends in a
// clear error.
namespace limits {
constexpr size_t textBytes = size_t(1) << 20;   // program text, and each included file
constexpr size_t includedBytes = size_t(16) << 20;  // the program with everything it includes
constexpr int includes = 1024;                  // '#include's obeyed
constexpr size_t tokens = 500000;               // after macro expansion
constexpr int nesting = 64;                     // blocks; parentheses in an expression; #if; macro arguments
constexpr int expressionDepth = 128;            // operators in one expression tree
constexpr int callDepth = 32;                   // user functions calling each other
constexpr int loopIterations = 4096;            // one unrolled loop
constexpr size_t work = 2000000;                // statements and expressions lowered in all
constexpr size_t instructions = 65536;          // before optimisation
constexpr size_t errors = 20;                   // diagnostics before the compilation stops
constexpr size_t typeRows = 65536;              // rows (4 floats) of one type: an array, a struct
constexpr size_t uniformRows = 65536;           // rows of all the uniforms together
}  // namespace limits

}  // namespace vela::cg
