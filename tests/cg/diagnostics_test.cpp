// Rejected texts: each gives "<line>:<column>: error: <what>", the source line and a caret
// under the column, and no assembly. What a profile cannot express is refused in the
// profile's words.
#include <gtest/gtest.h>

#include "cg/program_texts.h"
#include "compiler.h"

using namespace vela::cg;

namespace {

// A vertex program whose seventh line is the case's own (lines 1-6 and the end are shared).
std::string vertexWith(const std::string &line7, const std::string &end = "  return OUT;\n}\n") {
    return "struct app { float4 pos : POSITION; float4 nrm : NORMAL; float2 uv : TEXCOORD0; };\n"  // 1
           "struct v2f { float4 pos : POSITION; float4 col : COLOR0; };\n"                         // 2
           "v2f main(app IN, uniform float4x4 mvp, uniform float4 k[4])\n"                          // 3
           "{\n"                                                                                    // 4
           "  v2f OUT;\n"                                                                           // 5
           "  OUT.pos = mul(mvp, IN.pos);\n" +                                                      // 6
           line7 + "\n" + end;
}

// A fragment program whose second line is the case's own.
std::string fragmentWith(const std::string &line2) {
    return "float4 main(float4 c : COLOR0, float2 uv : TEXCOORD0, uniform sampler2D s, uniform float4 k[4]) : COLOR {\n" +
           line2 + "\n  return c;\n}\n";
}

struct Case {
    const char *name;
    Profile profile;
    std::string text;
    std::string error;  // the first line of the listing
};

const Case cases[] = {
    // Names, members and swizzles.
    {"UnknownMember", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrml;"), "7:16: error: struct 'app' has no member 'nrml'"},
    {"UndeclaredName", Profile::Arbvp1, vertexWith("  OUT.col = colour;"), "7:13: error: undeclared name 'colour'"},
    {"UnknownTypeAtTheTypeName", Profile::Arbvp1, vertexWith("  flaot3 n = IN.nrm.xyz;"), "7:3: error: unknown type 'flaot3'"},
    {"SwizzleWiderThanVector", Profile::Arbvp1, vertexWith("  OUT.col = float4(IN.uv.xyz, 1);"),
     "7:26: error: swizzle '.xyz' is wider than float2 (it has no 'z')"},
    {"MaskRepeatsComponent", Profile::Arbvp1, vertexWith("  OUT.col.xx = IN.uv;"),
     "7:11: error: swizzle '.xx' repeats a component and cannot be assigned"},
    {"DeclarationInAnUnbracedBodyEndsWithIt", Profile::Arbfp1, fragmentWith("  if (c.x > 0) float4 v = c;\n  c = v;"),
     "3:7: error: undeclared name 'v'"},
    {"Redefinition", Profile::Arbvp1, vertexWith("  v2f OUT;"), "7:7: error: redefinition of 'OUT' (first declared at 5:7)"},

    // Types.
    {"AssignmentTypeMismatch", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm.xyz;"),
     "7:11: error: type mismatch: cannot assign float3 to float4"},
    {"OperandSizesDiffer", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm + IN.uv;"),
     "7:20: error: type mismatch: float4 + float2 (vector sizes differ)"},
    {"InitialiserTypeMismatch", Profile::Arbvp1, vertexWith("  float4 t = IN.uv;"),
     "7:12: error: type mismatch: cannot initialise float4 't' with float2"},
    {"MatrixTimesVector", Profile::Arbvp1, vertexWith("  OUT.col = mvp * IN.pos;"),
     "7:17: error: type mismatch: float4x4 * float4 (use mul for the product of a matrix and a vector)"},
    {"MulShapeMismatch", Profile::Arbvp1, vertexWith("  OUT.col = mul(mvp, IN.uv);"),
     "7:13: error: type mismatch: mul(float4x4, float2)"},
    {"IntrinsicArgumentCount", Profile::Arbvp1, vertexWith("  OUT.col = dot(IN.nrm);"),
     "7:13: error: 'dot' takes 2 arguments, 1 given"},
    {"CallAsStatementIsJudgedAsACall", Profile::Arbvp1, vertexWith("  normalize(IN.nrm, IN.pos);"),
     "7:3: error: 'normalize' takes 1 argument, 2 given"},
    {"ConstructorComponentCount", Profile::Arbvp1, vertexWith("  OUT.col = float4(IN.uv, 1);"),
     "7:13: error: float4 constructor needs 4 components, 3 given"},
    {"AssignToConstant", Profile::Arbvp1, vertexWith("  const float h = 0.5; h = 1;"),
     "7:26: error: cannot assign to 'h': it is const"},
    {"DivisionByZero", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm / 0;"), "7:20: error: division by zero"},
    {"IndexOutsideArray", Profile::Arbvp1, vertexWith("  OUT.col = k[4];"), "7:15: error: index 4 is outside float4[4]"},
    {"IndexOutsideArrayOnceUnrolled", Profile::Arbvp1, vertexWith("  for (int i = 0; i < 5; i++) OUT.col = k[i];"),
     "7:43: error: index 4 is outside float4[4]"},
    {"VectorIndexOutsideOnceUnrolled", Profile::Arbfp1, fragmentWith("  for (int i = 3; i < 5; i++) c[i] = 0;"),
     "2:33: error: index 4 is outside float4"},

    // Order of writes and reads.
    {"ReadBeforeSet", Profile::Arbvp1, vertexWith("  float4 c;\n  OUT.col = c;"), "8:13: error: 'c' is used before it is set"},
    {"ComponentReadBeforeSet", Profile::Arbvp1, vertexWith("  float4 c;\n  c.xyz = IN.nrm.xyz;\n  OUT.col = c;"),
     "9:13: error: 'c.w' is used before it is set"},
    {"MissingReturn", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm;", "}\n"),
     "8:1: error: missing return statement at the end of 'main'"},
    {"BreakOutsideLoop", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm; break;"), "7:21: error: 'break' outside a loop"},

    // Functions.
    {"ErrorInsideAHelperWhereItStands", Profile::Arbfp1,
     "float4 tint(float4 c) {\n  return c * colour;\n}\nfloat4 main(float4 c : COLOR0) : COLOR { return tint(c); }\n",
     "2:14: error: undeclared name 'colour'"},
    {"ArgumentOfTheWrongType", Profile::Arbfp1,
     "float4 f(float4 a) { return a; }\nfloat4 main(float4 c : COLOR0) : COLOR { return f(c.xyz); }\n",
     "2:53: error: type mismatch: argument 1 of 'f': cannot convert float3 to float4"},
    {"OutArgumentMustBeAVariable", Profile::Arbfp1,
     "void f(out float4 a) { a = 1; }\nfloat4 main(float4 c : COLOR0) : COLOR { f(c * 2); return c; }\n",
     "2:46: error: argument 1 of 'f' must be a variable (the parameter 'a' is out)"},
    {"AmbiguousOverload", Profile::Arbfp1,
     "float f(float2 a) { return a.x; }\nfloat f(float3 a) { return a.x; }\n"
     "float4 main(float4 c : COLOR0) : COLOR { return f(c.x); }\n",
     "3:49: error: the call f(float) is ambiguous"},
    {"Recursion", Profile::Arbfp1,
     "float4 g(float4 c);\nfloat4 f(float4 c) { return g(c); }\nfloat4 g(float4 c) { return f(c); }\n"
     "float4 main(float4 c : COLOR0) : COLOR { return f(c); }\n",
     "3:29: error: recursion is not possible (functions are inlined): 'f' calls 'g' calls 'f'"},
    {"DeclaredButNeverDefined", Profile::Arbfp1,
     "float4 f(float4 c);\nfloat4 main(float4 c : COLOR0) : COLOR { return f(c); }\n",
     "2:49: error: 'f' is declared but never defined"},

    // Syntax.
    {"MissingSemicolon", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm"), "8:3: error: ';' expected, found 'return'"},
    {"UnclosedBrace", Profile::Arbvp1, vertexWith("  {\n  OUT.col = IN.nrm;"),
     "10:2: error: '}' expected (to close '{' at 4:1), found end of text"},
    {"UnclosedParenthesis", Profile::Arbvp1, vertexWith("  OUT.col = (IN.nrm + IN.nrm;"),
     "7:29: error: ')' expected (to close '(' at 7:13), found ';'"},
    {"UnterminatedComment", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm; /* note"), "7:21: error: unterminated comment"},
    {"BadNumberSuffix", Profile::Arbvp1, vertexWith("  OUT.col = IN.nrm * 2.5q;"), "7:25: error: invalid suffix 'q' on number"},
    {"ElseWithoutIf", Profile::Arbvp1, vertexWith("  else OUT.col = IN.nrm;"), "7:3: error: 'else' without 'if'"},
    {"SwitchStatement", Profile::Arbvp1, vertexWith("  switch (1) {}"),
     "7:3: error: 'switch' statements are not part of the language (use 'if')"},

    // Semantics and the entry function.
    {"UnknownSemantic", Profile::Arbvp1, "struct app { float4 pos : POSITON; };\n", "1:27: error: unknown semantic 'POSITON'"},
    {"NoEntryFunction", Profile::Arbvp1, "struct app { float4 pos : POSITION; };\n",
     "1:39: error: no entry function 'main' in the program"},
    {"VaryingWithoutSemantic", Profile::Arbfp1, "float4 main(float4 c) : COLOR { return c; }\n",
     "1:20: error: varying parameter 'c' needs a semantic (or 'uniform')"},
    {"ResultWithoutSemantic", Profile::Arbfp1, "float4 main(float4 c : COLOR0) { return c; }\n",
     "1:8: error: the result of the entry function needs a semantic (for example ': COLOR')"},
    {"ShortPosition", Profile::Arbvp1, "struct v { float3 p : POSITION; };\nv main(v IN) { return IN; }\n",
     "1:19: error: the POSITION result 'p' must be float4, not float3"},
    {"SamplerUnitTaken", Profile::Arbfp1,
     "uniform sampler2D a : TEXUNIT1;\nuniform sampler2D b : TEXUNIT1;\nfloat4 main() : COLOR { return 1; }\n",
     "2:23: error: texture unit 1 is already taken by 'a'"},

    // The preprocessor.
    {"UnterminatedIf", Profile::Arbfp1, "#if 1\nfloat4 main() : COLOR { return 1; }\n", "1:1: error: '#if' without '#endif'"},
    {"EndifWithoutIf", Profile::Arbfp1, "#endif\n", "1:2: error: '#endif' without '#if'"},
    {"IfIntegerTooLarge", Profile::Arbfp1, "#if 9223372036854775808 > 0\n#endif\n",
     "1:5: error: integer '9223372036854775808' is too large for '#if'"},
    {"MacroArgumentCount", Profile::Arbfp1, "#define TWICE(x) ((x) * 2)\nfloat4 main() : COLOR { return TWICE(1, 2); }\n",
     "2:32: error: macro 'TWICE' takes 1 argument, 2 given"},
    {"ErrorDirective", Profile::Arbfp1, "#ifndef LIGHTS\n#error LIGHTS must be defined\n#endif\n",
     "2:2: error: #error LIGHTS must be defined"},
    // Later profiles' lookups and registers, refused as the profile's limits.
    {"TexelOffset", Profile::Arbfp1, "uniform sampler2D s;\nfloat4 main(float2 uv : TEXCOORD0) : COLOR { return tex2D(s, uv, int2(1, 0)); }",
     "2:53: error: the arbfp1 profile cannot sample with a texel offset (tex2D with three arguments)"},
    {"TexelFetch", Profile::Arbfp1, "uniform sampler2D s;\nfloat4 main() : COLOR { return tex2Dfetch(s, int4(0)); }",
     "2:32: error: the arbfp1 profile cannot fetch texels (tex2Dfetch)"},
    {"NinthTexcoord", Profile::Arbfp1, "float4 main(float4 t : TEXCOORD8) : COLOR { return t; }",
     "1:24: error: the arbfp1 profile cannot read a TEXCOORD8 input (its inputs: COLOR0-1, TEXCOORD0-7, FOG, WPOS)"},
    {"MissingInclude", Profile::Arbfp1, "#include \"no_such_file.cg\"\n", "1:10: error: cannot open the included file 'no_such_file.cg' (looked for 'no_such_file.cg')"},
    {"ErrorsInMacrosAreWhereTheMacroIsUsed", Profile::Arbfp1,
     "#define SHADE(c) ((c) * colour)\nfloat4 main(float4 c : COLOR0) : COLOR {\n  return SHADE(c);\n}\n",
     "3:10: error: undeclared name 'colour'"},
    {"LineDirectiveNumbersTheLinesAfterIt", Profile::Arbfp1,
     "#line 100\nfloat4 main(float4 c : COLOR0) : COLOR {\n  return colour;\n}\n", "101:10: error: undeclared name 'colour'"},

    // What the profiles cannot express, in their own words.
    {"FragmentProgramReadsNormal", Profile::Arbfp1, "float4 main(float4 n : NORMAL) : COLOR { return n; }\n",
     "1:24: error: the arbfp1 profile cannot read a NORMAL input (its inputs: COLOR0-1, TEXCOORD0-7, FOG, WPOS)"},
    {"FragmentProgramWritesSecondColor", Profile::Arbfp1, "float4 main(float4 c : COLOR0) : COLOR1 { return c; }\n",
     "1:34: error: the arbfp1 profile cannot write a COLOR1 result (its results: COLOR, DEPTH)"},
    {"TextureInVertexProgram", Profile::Arbvp1,
     "uniform sampler2D s;\n" + vertexWith("  OUT.col = tex2D(s, IN.uv);").substr(0),
     "8:13: error: the arbvp1 profile cannot sample textures (tex2D)"},
    {"DiscardInVertexProgram", Profile::Arbvp1, vertexWith("  if (IN.pos.x > 0) discard;"),
     "7:21: error: the arbvp1 profile cannot discard a vertex"},
    {"Derivatives", Profile::Arbfp1, fragmentWith("  c = ddx(c);"), "2:7: error: the arbfp1 profile cannot compute derivatives (ddx)"},
    {"LoopEndingOnAValueOfTheVertex", Profile::Arbvp1,
     vertexWith("  OUT.col = 0;\n  for (int i = 0; i < IN.pos.x; i++) OUT.col += 1;"),
     "8:21: error: the arbvp1 profile cannot run a loop whose end depends on a value computed at run time"},
    {"ComputedIndexInFragmentProgram", Profile::Arbfp1, fragmentWith("  c = k[(int)c.x];"),
     "2:8: error: the arbfp1 profile cannot index an array with a value computed at run time"},
    {"ComputedIndexOfALocalArray", Profile::Arbvp1,
     vertexWith("  float4 a[2] = {IN.pos, IN.nrm};\n  OUT.col = a[(int)IN.uv.x];"),
     "8:14: error: the arbvp1 profile cannot index a variable array with a value computed at run time (only uniform "
     "and constant arrays)"},
    {"BitwiseOperators", Profile::Arbvp1, vertexWith("  int i = (int)IN.uv.x & 3;\n  OUT.col = i;"),
     "7:24: error: the arbvp1 profile cannot perform the bitwise operation '&' (it has no integer instructions)"},
    {"LevelOfDetail", Profile::Arbfp1, fragmentWith("  c = tex2Dlod(s, float4(uv, 0, 1));"),
     "2:7: error: the arbfp1 profile cannot choose a texture's level of detail (tex2Dlod)"},
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class RejectedTexts : public testing::TestWithParam<Case> {};

TEST_P(RejectedTexts, NameTheProblemWithLineAndColumn) {
    const Case &c = GetParam();
    CompileResult r = compile(c.text, c.profile);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.assembly.empty());
    std::string first = r.listing.substr(0, r.listing.find('\n'));
    EXPECT_EQ(first, c.error) << r.listing;
}

INSTANTIATE_TEST_SUITE_P(Cg, RejectedTexts, testing::ValuesIn(cases),
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

TEST(DiagnosticFormat, IndependentErrorsAreReportedTogetherEachOnce) {
    CompileResult r = compile(
        "float4 helper(float4 c) { return c * colour; }\n"   // 1: in a helper no one calls
        "float4 main(float4 c : COLOR0) : COLOR {\n"
        "  flaot3 n = c.xyz;\n"                               // 3: a syntax error of its own
        "  float4 x = colour;\n"                              // 4: the same name again: once
        "  return c.xyz;\n"                                   // 5
        "}\n",
        Profile::Arbfp1);
    EXPECT_EQ(r.listing.find("1:38: error: undeclared name 'colour'"), std::string::npos)
        << "syntax errors are reported first, alone:\n" << r.listing;
    EXPECT_EQ(r.listing.rfind("3:3: error: unknown type 'flaot3'\n", 0), 0u) << r.listing;

    // Only what the entry reaches is judged: the helper's error counts once main calls it,
    // and the same undeclared name is reported once.
    const char *body = "float4 main(float4 c : COLOR0) : COLOR {\n"
                       "  float2 n = c;\n"
                       "  float4 x = colour;\n"
                       "  return c.xyz;\n"
                       "}\n";
    std::string helper = "float4 helper(float4 c) { return c * colour; }\n";
    CompileResult unreached = compile(helper + body, Profile::Arbfp1);
    EXPECT_EQ(unreached.listing.find("1:38:"), std::string::npos) << unreached.listing;
    EXPECT_NE(unreached.listing.find("4:14: error: undeclared name 'colour'\n"), std::string::npos) << unreached.listing;
    std::string calling = std::string(body).replace(std::string(body).find("colour"), 6, "helper(c)");
    CompileResult semantic = compile(helper + calling, Profile::Arbfp1);
    std::string expected[] = {"1:38: error: undeclared name 'colour'", "3:12: warning: implicit truncation of float4 to float2",
                              "5:12: error: type mismatch: returning float3 from 'main', which returns float4"};
    size_t at = 0;
    for (const std::string &line : expected) {
        size_t found = semantic.listing.find(line + "\n", at);
        EXPECT_NE(found, std::string::npos) << line << " (in order) in\n" << semantic.listing;
        at = found == std::string::npos ? at : found + 1;
    }
}

TEST(DiagnosticFormat, ErrorsThatOnlyFollowFromAnotherAreLeftOut) {
    auto errors = [](const std::string &text) {
        std::string l = compile(text, Profile::Arbfp1).listing;
        return std::count(l.begin(), l.end(), '^');
    };
    // A failed "#if" still opens its group; a nesting limit ends the parse.
    EXPECT_EQ(errors("#if 1 +\n#else\n#endif\nfloat4 main() : COLOR { return 1; }\n"), 1) << "no '#else' without '#if'";
    EXPECT_EQ(errors("#if 0\n#elif 1 +\n#else\nx\n#endif\nfloat4 main() : COLOR { return 1; }\n"), 1)
        << "a failed '#elif' leaves the rest of its group skipped";
    EXPECT_EQ(errors("float4 main() : COLOR { " + std::string(100, '{') + std::string(100, '}') + " return 1; }"), 1);
}

TEST(DiagnosticFormat, TooManyErrorsStopAtTheLimit) {
    std::string text = "float4 main(float4 c : COLOR0) : COLOR {\n";
    for (int i = 0; i < 50; ++i) text += "  c = c.q" + std::to_string(i) + ";\n";
    text += "  return c;\n}\n";
    CompileResult r = compile(text, Profile::Arbfp1);
    EXPECT_EQ(size_t(std::count(r.listing.begin(), r.listing.end(), '^')), vela::cg::limits::errors);
    EXPECT_NE(r.listing.find("error: too many errors (20); stopping here\n"), std::string::npos);
}

// Hostile texts end in a clear error, quickly, without exhausting the stack.
TEST(DiagnosticFormat, LimitsEndInClearErrors) {
    auto first = [](const std::string &text, Profile p = Profile::Arbfp1) {
        std::string l = compile(text, p).listing;
        return l.substr(0, l.find('\n'));
    };
    std::string parens = "float4 main() : COLOR { return " + std::string(5000, '(') + "1" + std::string(5000, ')') + "; }";
    EXPECT_EQ(first(parens), "1:97: error: nested too deeply (more than 64 levels)");
    std::string chain = "float4 main() : COLOR { return 1";
    for (int i = 0; i < 5000; ++i) chain += " + 1";
    EXPECT_EQ(first(chain + "; }"), "1:542: error: expression nested too deeply");
    std::string blocks = "float4 main() : COLOR { " + std::string(5000, '{') + std::string(5000, '}') + " return 1; }";
    EXPECT_EQ(first(blocks), "1:89: error: nested too deeply (more than 64 levels)");
    EXPECT_EQ(first("float4 main(float4 c : COLOR0) : COLOR { for (int i = 0; i < 100000; i++) c += 1; return c; }"),
              "1:42: error: the loop runs more than 4096 times (loops are unrolled)");
    EXPECT_EQ(first("float4 main(float4 c : COLOR0) : COLOR { for (int i = 0; i < 4000; i++)\n"
                    "  for (int j = 0; j < 4000; j++) c = c * c + 1; return c; }"),
              "2:34: error: the program is too large once its loops are unrolled and its functions inlined (more than "
              "65536 instructions)");
    std::string work = first("float4 main(float4 c : COLOR0) : COLOR { float k = 0; for (int i = 0; i < 4000; i++)\n"
                             "  for (int j = 0; j < 4000; j++) k = k * 0.5 + 1; return c * k; }");
    EXPECT_EQ(work.substr(work.find(": error:")),
              ": error: the program is too large once its loops are unrolled and its functions inlined (more than "
              "2000000 steps)");
    std::string macros = "#define A0 x\n";
    for (int i = 1; i < 40; ++i)
        macros += "#define A" + std::to_string(i) + " A" + std::to_string(i - 1) + " A" + std::to_string(i - 1) + "\n";
    EXPECT_EQ(first(macros + "float4 main() : COLOR { return A39; }\n"),
              "41:32: error: the text is too long once its macros are expanded (more than 500000 tokens)");
    std::string calls = "float4 f0(float4 c) { return c * 2; }\n";
    for (int i = 1; i < 40; ++i)
        calls += "float4 f" + std::to_string(i) + "(float4 c) { return f" + std::to_string(i - 1) + "(c); }\n";
    EXPECT_EQ(first(calls + "float4 main(float4 c : COLOR0) : COLOR { return f39(c); }\n"),
              "9:30: error: calls nested too deeply (more than 32 levels)");
    std::string huge(2 << 20, ' ');
    EXPECT_EQ(first(huge), "1:1: error: the program text is too long (more than 1 MiB)");
    std::string binary = std::string("float4 main() : COLOR { return \x01; }");
    EXPECT_EQ(first(binary), "1:32: error: unexpected byte 0x01");
}

}  // namespace

// Texts made to hurt: each ends in one clear error and a bounded, printable listing.
TEST(DiagnosticFormat, HostileTextsEndInOneClearLine) {
    std::string longLine(900000, ' ');
    for (int i = 0; i < 30; ++i) longLine += " @";
    struct Case {
        std::string text;
        std::vector<std::string> options;
        std::string first;
    } cases[] = {
        {"uniform float4 k[65536][65536];\nfloat4 main() : COLOR { return k[0][0]; }", {}, "1:16: error: the array is too large"},
        {"struct S { float4 a[40000]; float4 b[40000]; };\nuniform S s;\nfloat4 main() : COLOR { return s.a[0]; }", {},
         "2:11: error: struct S is too large"},
        {"uniform float4 a[40000], b[40000];\nfloat4 main() : COLOR { return a[0] + b[0]; }", {},
         "1:26: error: the uniforms are too large together"},
        {"float4 main() : COLOR {" + longLine + "return 1; }", {}, "1:900025: error: unexpected character '@'"},
        {"float4 main() : COLOR {\r  return \x1b[2J;\r}\r", {}, "2:10: error: unexpected byte 0x1b"},
        {"float4 main() : COLOR { return X; }", {"-DX=/*"}, "option '-DX=/*':1:1: error: unterminated comment"},
        {"float4 main(float4 c : COLOR0) : COLOR;", {}, "1:8: error: the entry function 'main' is declared but never defined"},
    };
    for (const Case &c : cases) {
        CompileResult r = compile(c.text, Profile::Arbfp1, "main", c.options);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.listing.substr(0, r.listing.find('\n')).substr(0, c.first.size()), c.first) << r.listing.substr(0, 300);
        EXPECT_LE(r.listing.size(), size_t(70000));
        EXPECT_EQ(r.listing.find('\x1b'), std::string::npos);
    }
}
