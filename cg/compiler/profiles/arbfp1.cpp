// ARB_fragment_program 1.0.
#include "compiler.h"

namespace vela::cg {

using R = SemanticRegister;

extern constinit const ProfileDesc arbfp1 = [] {
    ProfileDesc p{};
    p.id = Profile::Arbfp1;
    p.name = "arbfp1";
    p.stage = Stage::Fragment;
    p.stageName = "fragment";
    p.emitter = Emitter::ArbAssembly;
    p.header = "!!ARBfp1.0";
    p.inputs[R::Position] = 1;  // declared only: see positionInputUnreadable
    p.inputs[R::Color] = 2;
    p.inputs[R::TexCoord] = 8;
    p.inputs[R::Fog] = 1;
    p.inputs[R::Wpos] = 1;
    p.outputs[R::Color] = 1;
    p.outputs[R::Depth] = 1;
    p.inputList = "COLOR0-1, TEXCOORD0-7, FOG, WPOS";
    p.outputList = "COLOR, DEPTH";
    p.requiredOutput = R::Color;
    p.requiredOutputName = "COLOR";
    p.positionInputUnreadable = true;
    p.sinCos = p.lrp = p.cmp = p.exactLit = p.saturate = p.kill = p.textures = true;
    p.countsAluAndTex = true;
    p.shadow = true;
    p.glTarget = 0x8804;  // GL_FRAGMENT_PROGRAM_ARB
    p.glExtension = "GL_ARB_fragment_program";
    return p;
}();

}  // namespace vela::cg
