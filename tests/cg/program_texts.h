// The demo's two shader texts, character for character (single lines; the fragment text
// holds three tabs).
#pragma once

namespace vela::test {

inline const char *const vertexProgramText =
    "struct app {float4 pos : POSITION;float4 nrm : NORMAL;};struct v2f {float4 pos : POSITION;float4 nrm : "
    "TEXCOORD0;};v2f main(app IN,uniform float4x4 mvp){v2f OUT;OUT.pos = mul( mvp, IN.pos );OUT.nrm = "
    "IN.nrm;return OUT;}";

inline const char *const fragmentProgramText =
    "struct v2f {\tfloat4 pos : POSITION;   \tfloat4 nrm : TEXCOORD0;  };float4 main( v2f IN ) : COLOR{\treturn "
    "float4( 0.5f * IN.nrm.xyz + 0.5f, 1 ); }";

}  // namespace vela::test
