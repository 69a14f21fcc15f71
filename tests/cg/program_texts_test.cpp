// The demo's two program texts through the compiler: what each emits, and that layout
// (line ends, tabs, comments) changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "cg/program_texts.h"
#include "compiler.h"

using namespace vela::cg;
using vela::test::fragmentProgramText;
using vela::test::vertexProgramText;

namespace {

// The instruction lines of an assembly text (declarations, header and END left out).
std::vector<std::string> instructions(const std::string &assembly) {
    std::vector<std::string> out;
    std::istringstream in(assembly);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("!!", 0) != 0 && line.rfind("PARAM", 0) != 0 && line.rfind("TEMP", 0) != 0 && line != "END")
            out.push_back(line);
    return out;
}

TEST(ProgramTexts, AreTheDemosTextsExactly) {
    EXPECT_EQ(std::strlen(vertexProgramText), 219u);
    EXPECT_EQ(std::strlen(fragmentProgramText), 144u);
}

TEST(ProgramTexts, VertexTextTransformsByTheMvpRowsAndPassesTheNormal) {
    CompileResult r = compile(vertexProgramText, Profile::Arbvp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(r.assembly.rfind("!!ARBvp1.0\n", 0), 0u);
    EXPECT_NE(r.assembly.find("PARAM u_mvp[4] = { program.local[0..3] };\n"), std::string::npos) << r.assembly;
    std::vector<std::string> expected = {
        "DP4 result.position.x, u_mvp[0], vertex.position;",
        "DP4 result.position.y, u_mvp[1], vertex.position;",
        "DP4 result.position.z, u_mvp[2], vertex.position;",
        "DP4 result.position.w, u_mvp[3], vertex.position;",
        "MOV result.texcoord[0], vertex.normal;",
    };
    EXPECT_EQ(instructions(r.assembly), expected) << r.assembly;
    EXPECT_EQ(r.assembly.substr(r.assembly.size() - 4), "END\n");

    auto mvp = std::find_if(r.parameters.begin(), r.parameters.end(), [](const ParameterInfo &p) { return p.uniform; });
    ASSERT_NE(mvp, r.parameters.end());
    EXPECT_EQ(mvp->name, "mvp");
    EXPECT_EQ(mvp->firstSlot, 0);
    EXPECT_EQ(mvp->slotCount, 4);
}

TEST(ProgramTexts, FragmentTextMapsTheNormalToAColour) {
    CompileResult r = compile(fragmentProgramText, Profile::Arbfp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(r.assembly.rfind("!!ARBfp1.0\n", 0), 0u);
    EXPECT_NE(r.assembly.find("PARAM c0 = { 0.5, 0, 0, 0 };\n"), std::string::npos) << r.assembly;
    std::vector<std::string> expected = {
        "MAD result.color.xyz, c0.x, fragment.texcoord[0].xyzz, c0.x;",
        "SWZ result.color.w, fragment.texcoord[0], 0, 0, 0, 1;",
    };
    EXPECT_EQ(instructions(r.assembly), expected) << r.assembly;
    EXPECT_TRUE(std::none_of(r.parameters.begin(), r.parameters.end(), [](const ParameterInfo &p) { return p.uniform; }));
}

TEST(ProgramTexts, LayoutDoesNotChangeTheCode) {
    std::string plain = compile(vertexProgramText, Profile::Arbvp1).assembly;
    std::string spaced =
        "// the vertex program\r\n"
        "struct app {\r\n\tfloat4 pos : POSITION;\r\n\tfloat4 nrm : NORMAL; /* object space */\r\n};\r\n"
        "struct v2f\n{\n  float4 pos  :  POSITION ;\n  float4 nrm : TEXCOORD0;\n};\n"
        "v2f main(app IN,\n         uniform float4x4 mvp)\n{\n"
        "\tv2f OUT;\n\tOUT.pos = mul(mvp, IN.pos); // clip space\n\tOUT.nrm = IN.nrm;\n\treturn OUT;\n}\n";
    CompileResult r = compile(spaced, Profile::Arbvp1);
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(r.assembly, plain);
}

TEST(ProgramTexts, EntryIsChosenByName) {
    std::string renamed = vertexProgramText;
    renamed.replace(renamed.find("main"), 4, "vmain");
    CompileResult r = compile(renamed, Profile::Arbvp1, "vmain");
    ASSERT_TRUE(r.ok) << r.listing;
    EXPECT_EQ(r.assembly, compile(vertexProgramText, Profile::Arbvp1).assembly);

    CompileResult missing = compile(renamed, Profile::Arbvp1, "main");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.listing.find("no entry function 'main'"), std::string::npos) << missing.listing;
}

TEST(ProgramTexts, EachTextBelongsToItsOwnProfile) {
    // The fragment text's POSITION member is accepted as an input it never reads; as a
    // vertex program it has no POSITION result.
    CompileResult asVertex = compile(fragmentProgramText, Profile::Arbvp1);
    EXPECT_FALSE(asVertex.ok);
    EXPECT_NE(asVertex.listing.find("a vertex program must write a POSITION result"), std::string::npos)
        << asVertex.listing;
    CompileResult asFragment = compile(vertexProgramText, Profile::Arbfp1);
    EXPECT_FALSE(asFragment.ok);
    EXPECT_NE(asFragment.listing.find("the arbfp1 profile cannot read a NORMAL input"), std::string::npos)
        << asFragment.listing;
}

}  // namespace
