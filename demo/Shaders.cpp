#include "demo/TestTex.h"

// Single lines, exactly as the programs were written; the tabs and spaces are part of them.
const char *vertexProgramSource =
    "struct app {float4 pos : POSITION;float4 nrm : NORMAL;};"
    "struct v2f {float4 pos : POSITION;float4 nrm : TEXCOORD0;};"
    "v2f main(app IN,uniform float4x4 mvp){v2f OUT;OUT.pos = mul( mvp, IN.pos );"
    "OUT.nrm = IN.nrm;return OUT;}";

const char *fragmentProgramSource =
    "struct v2f {\tfloat4 pos : POSITION;   \tfloat4 nrm : TEXCOORD0;  };"
    "float4 main( v2f IN ) : COLOR{\treturn float4( 0.5f * IN.nrm.xyz + 0.5f, 1 ); }";
