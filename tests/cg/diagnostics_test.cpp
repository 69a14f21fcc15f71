// Rejected texts: each gives "<line>:<column>: error: <what>", the source line and a caret
// under the column, and no assembly.
#include <gtest/gtest.h>

#include "cg/program_texts.h"
#include "compiler.h"

using namespace vela::cg;

namespace {

// A vertex program whose seventh line is the case's own (lines 1-6 and the end are shared).
std::string vertexWith(const std::string &line7, const std::string &end = "  return OUT;\n}\n") {
    return "struct app { float4 pos : POSITION; float4 nrm : NORMAL; float2 uv : TEXCOORD0; };\n"  // 1
           "struct v2f { float4 pos : POSITION; float4 col : COLOR0; };\n"                         // 2
           "v2f main(app IN, uniform float4x4 mvp)\n"                                               // 3
           "{\n"                                                                                    // 4
           "  v2f OUT;\n"                                                                           // 5
           "  OUT.pos = mul(mvp, IN.pos);\n" +                                                      // 6
           line7 + "\n" + end;
}

struct Case {
    const char *name;
    Profile profile;
    std::string text;
    std::string error;  // the first line of the listing
};

const Case cases[] = {
    // Names, members and swizzles.
    {"UnknownMember", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrml;"),
     "7:16: error: struct 'app' has no member 'nrml'"},
    {"UndeclaredName", Profile::Arbvp1, vertexWith("  OUT.col = colour;"), "7:13: error: undeclared name 'colour'"},
    {"SwizzleWiderThanVector", Profile::Arbvp1, vertexWith("  OUT.col = float4(IN.uv.xyz, 1);"),
     "7:26: error: swizzle '.xyz' is wider than float2 (it has no 'z')"},
    {"SwizzleMixesSets", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm.xg;"),
     "7:20: error: swizzle '.xg' mixes xyzw and rgba components"},
    {"SwizzleTooLong", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm.xyzwx;"),
     "7:20: error: swizzle '.xyzwx' has more than four components"},
    {"NotASwizzle", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm.len;"),
     "7:20: error: unknown member 'len' of float4 (a swizzle uses xyzw or rgba)"},
    {"MaskRepeatsComponent", Profile::Arbvp1, vertexWith("  OUT.col.xx = IN.uv;"),
     "7:11: error: swizzle '.xx' repeats a component and cannot be assigned"},
    {"Redefinition", Profile::Arbvp1, vertexWith("  v2f OUT;"), "7:7: error: redefinition of 'OUT' (first declared at 5:7)"},

    // Types.
    {"AssignmentTypeMismatch", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm.xyz;"),
     "7:11: error: type mismatch: cannot assign float3 to float4"},
    {"OperandSizesDiffer", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm + IN.uv;"),
     "7:20: error: type mismatch: float4 + float2 (vector sizes differ)"},
    {"InitialiserTypeMismatch", Profile::Arbvp1, vertexWith("  float2 t = IN.nrm;"),
     "7:12: error: type mismatch: cannot initialise float2 't' with float4"},
    {"MulShapeMismatch", Profile::Arbvp1, vertexWith("  OUT.col = mul(mvp, IN.uv);"),
     "7:13: error: type mismatch: mul(float4x4, float2)"},
    {"ArgumentCount", Profile::Arbvp1, vertexWith("  OUT.col = dot(IN.nrm);"), "7:13: error: 'dot' takes 2 arguments, 1 given"},
    {"ConstructorComponentCount", Profile::Arbvp1, vertexWith("  OUT.col = float4(IN.uv, 1);"),
     "7:13: error: float4 constructor needs 4 components, 3 given"},
    {"AssignToMatrix", Profile::Arbvp1, vertexWith("  mvp = mvp;"), "7:3: error: cannot assign to 'mvp' of type float4x4"},
    {"MatrixArithmetic", Profile::Arbvp1, vertexWith("  OUT.col = mvp * IN.pos;"),
     "7:17: error: '*' on float4x4 values is not supported (use mul)"},
    {"DivisionByZero", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm / 0;"), "7:20: error: division by zero"},

    // Order of writes and reads.
    {"ReadBeforeSet", Profile::Arbvp1, vertexWith("  float4 c;\n  OUT.col = c;"), "8:13: error: 'c' is used before it is set"},
    {"ComponentReadBeforeSet", Profile::Arbvp1, vertexWith("  float4 c;\n  c.xyz = IN.nrm.xyz;\n  OUT.col = c;"),
     "9:13: error: 'c.w' is used before it is set"},
    {"ResultMemberNeverSet", Profile::Arbvp1, vertexWith(""), "8:10: error: 'OUT.col' is used before it is set"},
    {"MissingReturn", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm;", "}\n"),
     "8:1: error: missing return statement at the end of 'main'"},
    {"StatementAfterReturn", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm;\n  return OUT;", "  OUT.col = IN.nrm;\n}\n"),
     "9:3: error: statement after 'return' is never reached"},

    // Constructs outside the language, each named.
    {"IfStatement", Profile::Arbvp1, vertexWith("  if (IN.pos.x) OUT.col = IN.nrm;"),
     "7:3: error: 'if' statements are not supported"},
    {"ForLoop", Profile::Arbvp1, vertexWith("  for (;;) {}"), "7:3: error: 'for' loops are not supported"},
    {"WhileLoop", Profile::Arbvp1, vertexWith("  while (1) {}"), "7:3: error: 'while' loops are not supported"},
    {"Discard", Profile::Arbvp1, vertexWith("  discard;"), "7:3: error: 'discard' is not supported"},
    {"Array", Profile::Arbvp1, vertexWith("  float4 a[2];"), "7:11: error: arrays are not supported"},
    {"Comparison", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm < 0;"),
     "7:20: error: comparison operator '<' is not supported"},
    {"Cast", Profile::Arbvp1, vertexWith("  OUT.col = (float4)IN.nrm;"), "7:13: error: casts are not supported"},
    {"MatrixConstructor", Profile::Arbvp1, vertexWith("  OUT.col = mul(float4x4(IN.nrm), IN.pos);"),
     "7:17: error: matrix constructors are not supported"},
    {"UnsupportedIntrinsic", Profile::Arbvp1, vertexWith("  OUT.col = sin(IN.nrm);"),
     "7:13: error: intrinsic 'sin' is not supported"},
    {"TextureInVertexProgram", Profile::Arbvp1, vertexWith("  OUT.col = tex2D(mvp, IN.uv);"),
     "7:13: error: tex2D is not available in vertex programs (arbvp1)"},
    {"Preprocessor", Profile::Arbvp1, "#define X 1\n", "1:1: error: preprocessor directives are not supported"},
    {"UserFunction", Profile::Arbfp1,
     "float4 helper(float4 c) { return c; }\nfloat4 main(float4 c : COLOR0) : COLOR { return helper(c); }\n",
     "1:8: error: user functions are not supported ('helper' is not the entry function 'main')"},
    {"OutParameter", Profile::Arbfp1, "void main(float4 c : COLOR0, out float4 o : COLOR) { o = c; }\n",
     "1:30: error: 'out' parameters are not supported (the entry function returns its results)"},

    // Syntax.
    {"MissingSemicolon", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm"), "8:3: error: ';' expected, found 'return'"},
    {"UnclosedBrace", Profile::Arbvp1, vertexWith("  {\n  OUT.col = IN.nrm;"),
     "10:2: error: '}' expected (to close '{' at 4:1), found end of text"},
    {"UnclosedParenthesis", Profile::Arbvp1, vertexWith("  OUT.col = (IN.nrm + IN.nrm;"),
     "7:29: error: ')' expected (to close '(' at 7:13), found ';'"},
    {"UnterminatedComment", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm; /* note"), "7:21: error: unterminated comment"},
    {"BadNumberSuffix", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm * 2.5q;"), "7:25: error: invalid suffix 'q' on number"},

    // Semantics and the entry function.
    {"UnknownSemantic", Profile::Arbvp1, "struct app { float4 pos : POSITON; };\n", "1:27: error: unknown semantic 'POSITON'"},
    {"NoEntryFunction", Profile::Arbvp1, "struct app { float4 pos : POSITION; };\n",
     "1:39: error: no entry function 'main' in the program"},
    {"NotAVertexResult", Profile::Arbvp1,
     "struct v2f { float4 pos : POSITION; float4 n : NORMAL; };\nv2f main(v2f IN) { return IN; }\n",
     "1:48: error: NORMAL is not a result of vertex programs (arbvp1)"},
    {"NotAFragmentResult", Profile::Arbfp1, "float4 main(float4 c : COLOR0) : COLOR1 { return c; }\n",
     "1:34: error: COLOR1 is not a result of fragment programs (arbfp1)"},
    {"FragmentReadsPosition", Profile::Arbfp1,
     "struct v2f { float4 pos : POSITION; float4 c : COLOR0; };\nfloat4 main(v2f IN) : COLOR { return IN.pos; }\n",
     "2:41: error: the POSITION input 'IN.pos' cannot be read in a fragment program (WPOS is the window position)"},
    {"VaryingWithoutSemantic", Profile::Arbfp1, "float4 main(float4 c) : COLOR { return c; }\n",
     "1:20: error: varying parameter 'c' needs a semantic (or 'uniform')"},
    {"ResultWithoutSemantic", Profile::Arbfp1, "float4 main(float4 c : COLOR0) { return c; }\n",
     "1:8: error: the result of 'main' needs a semantic (for example ': COLOR')"},
    {"ShortPosition", Profile::Arbvp1, "struct v { float3 p : POSITION; };\nv main(v IN) { return IN; }\n",
     "1:19: error: the POSITION result member 'p' must be float4, not float3"},
    {"OneGlobalAtATime", Profile::Arbfp1,
     "uniform float4x4 m0, m1;\n", "1:20: error: declare one global variable at a time"},
    {"UniformsDoNotFit", Profile::Arbfp1,
     "float4 main(uniform float4x4 a, uniform float4x4 b, uniform float4x4 c, uniform float4x4 d,\n"
     "            uniform float4x4 e, uniform float4x4 f, uniform float4 g) : COLOR { return g; }\n",
     "2:68: error: uniform 'g' does not fit: arbfp1 programs have 24 parameter slots (a float4x4 takes 4)"},
    {"SamplerUnitTaken", Profile::Arbfp1,
     "uniform sampler2D a : TEXUNIT1;\nuniform sampler2D b : TEXUNIT1;\nfloat4 main() : COLOR { return 1; }\n",
     "2:23: error: texture unit 1 is already taken by 'a'"},
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class Diagnostics : public testing::TestWithParam<Case> {};

TEST_P(Diagnostics, NamesTheProblemWithLineAndColumn) {
    const Case &c = GetParam();
    CompileResult r = compile(c.text, c.profile);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.assembly.empty());
    std::string first = r.listing.substr(0, r.listing.find('\n'));
    EXPECT_EQ(first, c.error) << r.listing;
}

INSTANTIATE_TEST_SUITE_P(Cg, Diagnostics, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

TEST(DiagnosticFormat, SourceLineAndCaretFollowTheMessage) {
    CompileResult r = compile(vertexWith("  OUT.col = colour;"), Profile::Arbvp1);
    EXPECT_EQ(r.listing,
              "7:13: error: undeclared name 'colour'\n"
              "  OUT.col = colour;\n"
              "            ^\n");
}

TEST(DiagnosticFormat, CaretKeepsTabsOfTheLine) {
    // The demo's fragment text, which indents with tabs, with one member misspelt.
    std::string text = vela::test::fragmentProgramText;
    text.replace(text.find("IN.nrm"), 6, "IN.nrn");
    CompileResult r = compile(text, Profile::Arbfp1);
    size_t column = text.find("nrn") + 1;
    std::string expected = "1:" + std::to_string(column) + ": error: struct 'v2f' has no member 'nrn'\n" + text + "\n";
    for (size_t i = 0; i + 1 < column; ++i) expected += text[i] == '\t' ? '\t' : ' ';
    expected += "^\n";
    EXPECT_EQ(r.listing, expected);
}

TEST(DiagnosticFormat, CrLfLinesCountOnceAndShowWithoutCarriageReturn) {
    CompileResult r = compile("float4 main(float4 c : COLOR0) : COLOR\r\n{\r\n  return d;\r\n}\r\n", Profile::Arbfp1);
    EXPECT_EQ(r.listing,
              "3:10: error: undeclared name 'd'\n"
              "  return d;\n"
              "         ^\n");
}

TEST(DiagnosticFormat, EmptyAndHostileTextsAreRejectedCleanly) {
    EXPECT_EQ(compile("", Profile::Arbfp1).listing, "1:1: error: no entry function 'main' in the program\n\n^\n");
    std::string nested = "float4 main() : COLOR { return " + std::string(500, '(') + "1" + std::string(500, ')') + "; }";
    EXPECT_NE(compile(nested, Profile::Arbfp1).listing.find("error: nested too deeply"), std::string::npos);
    std::string chain = "float4 main() : COLOR { return 1";
    for (int i = 0; i < 5000; ++i) chain += " + 1";
    EXPECT_NE(compile(chain + "; }", Profile::Arbfp1).listing.find("error: expression nested too deeply"),
              std::string::npos);
    std::string binary = std::string("float4 main() : COLOR { return \x01; }");
    EXPECT_EQ(compile(binary, Profile::Arbfp1).listing.substr(0, 36), "1:32: error: unexpected byte 0x01\nfl");
}

}  // namespace
