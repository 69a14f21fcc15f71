// ARB_vertex_program 1.0.
#include "compiler.h"

namespace vela::cg {

using R = SemanticRegister;

extern constinit const ProfileDesc arbvp1 = [] {
    ProfileDesc p{};
    p.id = Profile::Arbvp1;
    p.name = "arbvp1";
    p.stage = Stage::Vertex;
    p.stageName = "vertex";
    p.emitter = Emitter::ArbAssembly;
    p.header = "!!ARBvp1.0";
    p.inputs[R::Position] = 1;
    p.inputs[R::Normal] = 1;
    p.inputs[R::Color] = 2;
    p.inputs[R::TexCoord] = 8;
    p.inputs[R::Fog] = 1;
    p.inputs[R::BlendWeight] = 1;
    p.inputs[R::Attr] = 16;
    p.outputs[R::Position] = 1;
    p.outputs[R::Color] = 2;
    p.outputs[R::TexCoord] = 8;
    p.outputs[R::Fog] = 1;
    p.outputs[R::PSize] = 1;
    p.inputList = "POSITION, NORMAL, COLOR0-1, TEXCOORD0-7, FOG, BLENDWEIGHT, ATTR0-15";
    p.outputList = "POSITION, COLOR0-1, TEXCOORD0-7, FOG, PSIZE";
    p.requiredOutput = R::Position;
    p.requiredOutputName = "POSITION";
    // NOTE: its LIT raises to the power only roughly (about 8 bits); the lowering uses POW.
    p.relativeAddressing = true;
    p.glTarget = 0x8620;  // GL_VERTEX_PROGRAM_ARB
    p.glExtension = "GL_ARB_vertex_program";
    return p;
}();

}  // namespace vela::cg
