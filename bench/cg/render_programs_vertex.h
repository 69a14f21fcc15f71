// Vertex programs for the rendering benchmark (--vertex), each in our language and in GLSL
// 1.20, computing the same outputs. Inputs per vertex: POSITION, NORMAL, COLOR0, TEXCOORD0
// (u, v), TEXCOORD1 a tangent with its handedness in w, TEXCOORD2 two bone indices (0..3)
// and their weights, TEXCOORD3 a billboard corner (+-1, +-1). Every program writes the
// position, COLOR0 and TEXCOORD0 up to TEXCOORD<texcoords - 1>, whose .xy the fragment side
// reads. Matrices are given row by row: mul(M, v) here is M * v there.
#pragma once

#include "render_programs.h"

namespace vela::bench {

#define MVP {"mvp", 16, 1, {0.9f, 0.15f, 0, 0.02f, -0.15f, 0.9f, 0, -0.01f, 0, 0, 0.5f, 0, 0, 0, 0, 1}}
#define MVP_AS(name) {name, 16, 1, {0.9f, 0.15f, 0, 0.02f, -0.15f, 0.9f, 0, -0.01f, 0, 0, 0.5f, 0, 0, 0, 0, 1}}
#define MODEL_VIEW {"modelView", 16, 1, {0.95f, 0.1f, 0.05f, 0, -0.1f, 0.95f, 0.1f, 0.1f, -0.05f, -0.1f, 0.98f, -3, 0, 0, 0, 1}}
// Three rows a bone, four bones: identity; turned about z and moved; turned about x;
// scaled.
#define BONE_ROWS                                                                              \
    {1,     0,     0, 0,     0,    1,     0,     0,     0, 0,     1,     0,                   \
     0.98f, -0.2f, 0, 0.05f, 0.2f, 0.98f, 0,     0,     0, 0,     1,     0.1f,                \
     1,     0,     0, -0.05f, 0,   0.96f, -0.28f, 0.02f, 0, 0.28f, 0.96f, 0,                  \
     0.9f,  0,     0, 0,     0,    0.9f,  0,     0.03f, 0, 0,     0.9f,  0}
#define VS_HEAD "#version 120\n"

inline const RenderProgram vertexPrograms[] = {
    {"transform, colour, texcoord",
     "uniform float4x4 mvp;\n"
     "void main(float4 p : POSITION, float4 c : COLOR0, float2 uv : TEXCOORD0,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float2 oUv : TEXCOORD0) {\n"
     "  oP = mul(mvp, p);\n  oC = c;\n  oUv = uv;\n}\n",
     VS_HEAD "uniform mat4 mvp;\nvoid main() {\n  gl_Position = mvp * gl_Vertex;\n  gl_FrontColor = gl_Color;\n"
     "  gl_TexCoord[0].xy = gl_MultiTexCoord0.xy;\n}\n",
     {MVP},
     1},
    {"scrolling texture matrix",
     "uniform float4x4 mvp, texMatrix;\nuniform float time;\n"
     "void main(float4 p : POSITION, float4 c : COLOR0, float2 uv : TEXCOORD0,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float2 oUv : TEXCOORD0) {\n"
     "  oP = mul(mvp, p);\n  oC = c;\n  oUv = mul(texMatrix, float4(uv, 0, 1)).xy + float2(0.1, 0.05) * time;\n}\n",
     VS_HEAD "uniform mat4 mvp, texMatrix;\nuniform float time;\nvoid main() {\n  gl_Position = mvp * gl_Vertex;\n"
     "  gl_FrontColor = gl_Color;\n"
     "  gl_TexCoord[0].xy = (texMatrix * vec4(gl_MultiTexCoord0.xy, 0.0, 1.0)).xy + vec2(0.1, 0.05) * time;\n}\n",
     {MVP, {"texMatrix", 16, 1, {2, 0.5f, 0, 0.1f, -0.5f, 2, 0, 0.3f, 0, 0, 1, 0, 0, 0, 0, 1}}, {"time", 1, 1, {0.75f}}},
     1},
    {"diffuse per vertex",
     "uniform float4x4 mvp, modelView;\nuniform float3 lightDir;\nuniform float4 diffuse, ambient;\n"
     "void main(float4 p : POSITION, float3 n : NORMAL, float4 c : COLOR0, float2 uv : TEXCOORD0,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float2 oUv : TEXCOORD0) {\n"
     "  oP = mul(mvp, p);\n  float3 N = normalize(mul((float3x3)modelView, n));\n"
     "  oC = ambient + c * diffuse * max(dot(N, lightDir), 0);\n  oUv = uv;\n}\n",
     VS_HEAD "uniform mat4 mvp, modelView;\nuniform vec3 lightDir;\nuniform vec4 diffuse, ambient;\nvoid main() {\n"
     "  gl_Position = mvp * gl_Vertex;\n  vec3 N = normalize(mat3(modelView) * gl_Normal);\n"
     "  gl_FrontColor = ambient + gl_Color * diffuse * max(dot(N, lightDir), 0.0);\n"
     "  gl_TexCoord[0].xy = gl_MultiTexCoord0.xy;\n}\n",
     {MVP, MODEL_VIEW, {"lightDir", 3, 1, {0.36f, 0.48f, 0.8f}}, {"diffuse", 4, 1, {0.8f, 0.7f, 0.6f, 1}},
      {"ambient", 4, 1, {0.1f, 0.1f, 0.15f, 0}}},
     1},
    {"Blinn-Phong per vertex, lit",
     "uniform float4x4 mvp, modelView;\nuniform float3 lightPos;\nuniform float4 diffuse, specular;\n"
     "uniform float shininess;\n"
     "void main(float4 p : POSITION, float3 n : NORMAL,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float4 oS : TEXCOORD0) {\n"
     "  oP = mul(mvp, p);\n  float3 e = mul(modelView, p).xyz;\n"
     "  float3 N = normalize(mul((float3x3)modelView, n));\n  float3 L = normalize(lightPos - e);\n"
     "  float3 H = normalize(L - normalize(e));\n  float4 k = lit(dot(N, L), dot(N, H), shininess);\n"
     "  oC = diffuse * k.y;\n  oS = specular * k.z;\n}\n",
     VS_HEAD "uniform mat4 mvp, modelView;\nuniform vec3 lightPos;\nuniform vec4 diffuse, specular;\n"
     "uniform float shininess;\nvoid main() {\n  gl_Position = mvp * gl_Vertex;\n  vec3 e = (modelView * gl_Vertex).xyz;\n"
     "  vec3 N = normalize(mat3(modelView) * gl_Normal);\n  vec3 L = normalize(lightPos - e);\n"
     "  vec3 H = normalize(L - normalize(e));\n  float ndl = dot(N, L), ndh = dot(N, H);\n"
     "  gl_FrontColor = diffuse * max(ndl, 0.0);\n"
     "  gl_TexCoord[0] = specular * (ndl < 0.0 || ndh < 0.0 ? 0.0 : pow(ndh, shininess));\n}\n",
     {MVP, MODEL_VIEW, {"lightPos", 3, 1, {1, 2, 1}}, {"diffuse", 4, 1, {0.8f, 0.7f, 0.6f, 1}},
      {"specular", 4, 1, {0.5f, 0.5f, 0.4f, 0}}, {"shininess", 1, 1, {24}}},
     1},
    {"exponential fog",
     "uniform float4x4 mvp, modelView;\nuniform float density;\nuniform float4 fogColour;\n"
     "void main(float4 p : POSITION, float4 c : COLOR0, float2 uv : TEXCOORD0,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float2 oUv : TEXCOORD0) {\n"
     "  oP = mul(mvp, p);\n  float3 e = mul(modelView, p).xyz;\n"
     "  float f = saturate(exp(-density * length(e)));\n  oC = lerp(fogColour, c, f);\n  oUv = uv;\n}\n",
     VS_HEAD "uniform mat4 mvp, modelView;\nuniform float density;\nuniform vec4 fogColour;\nvoid main() {\n"
     "  gl_Position = mvp * gl_Vertex;\n  vec3 e = (modelView * gl_Vertex).xyz;\n"
     "  float f = clamp(exp(-density * length(e)), 0.0, 1.0);\n  gl_FrontColor = mix(fogColour, gl_Color, f);\n"
     "  gl_TexCoord[0].xy = gl_MultiTexCoord0.xy;\n}\n",
     {MVP, MODEL_VIEW, {"density", 1, 1, {0.3f}}, {"fogColour", 4, 1, {0.5f, 0.6f, 0.7f, 1}}},
     1},
    {"two-bone skinning",
     "uniform float4x4 viewProj;\nuniform float4 bones[12];\n"
     "void main(float4 p : POSITION, float3 n : NORMAL, float4 c : COLOR0, float4 blend : TEXCOORD2,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float3 oN : TEXCOORD0) {\n"
     "  int i = (int)blend.x * 3, j = (int)blend.y * 3;\n"
     "  float3 q = float3(dot(bones[i], p), dot(bones[i + 1], p), dot(bones[i + 2], p)) * blend.z\n"
     "    + float3(dot(bones[j], p), dot(bones[j + 1], p), dot(bones[j + 2], p)) * blend.w;\n"
     "  float3 m = float3(dot(bones[i].xyz, n), dot(bones[i + 1].xyz, n), dot(bones[i + 2].xyz, n)) * blend.z\n"
     "    + float3(dot(bones[j].xyz, n), dot(bones[j + 1].xyz, n), dot(bones[j + 2].xyz, n)) * blend.w;\n"
     "  oP = mul(viewProj, float4(q, 1));\n  oN = normalize(m);\n  oC = c * (0.5 + 0.5 * oN.z);\n}\n",
     VS_HEAD "uniform mat4 viewProj;\nuniform vec4 bones[12];\nvoid main() {\n"
     "  vec4 blend = gl_MultiTexCoord2;\n  int i = int(blend.x) * 3, j = int(blend.y) * 3;\n"
     "  vec3 q = vec3(dot(bones[i], gl_Vertex), dot(bones[i + 1], gl_Vertex), dot(bones[i + 2], gl_Vertex)) * blend.z\n"
     "    + vec3(dot(bones[j], gl_Vertex), dot(bones[j + 1], gl_Vertex), dot(bones[j + 2], gl_Vertex)) * blend.w;\n"
     "  vec3 n = gl_Normal;\n"
     "  vec3 m = vec3(dot(bones[i].xyz, n), dot(bones[i + 1].xyz, n), dot(bones[i + 2].xyz, n)) * blend.z\n"
     "    + vec3(dot(bones[j].xyz, n), dot(bones[j + 1].xyz, n), dot(bones[j + 2].xyz, n)) * blend.w;\n"
     "  gl_Position = viewProj * vec4(q, 1.0);\n  vec3 N = normalize(m);\n  gl_TexCoord[0].xyz = N;\n"
     "  gl_FrontColor = gl_Color * (0.5 + 0.5 * N.z);\n}\n",
     {{"viewProj", 16, 1, {0.85f, 0.1f, 0, 0, -0.1f, 0.85f, 0, 0, 0, 0, 0.4f, 0, 0, 0, 0, 1}},
      {"bones", 4, 12, BONE_ROWS}},
     1},
    {"wave deformation",
     "uniform float4x4 mvp;\nuniform float time, amplitude, frequency;\n"
     "void main(float4 p : POSITION, float4 c : COLOR0, float2 uv : TEXCOORD0,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float2 oUv : TEXCOORD0) {\n"
     "  float4 q = p;\n"
     "  q.z += sin(p.x * frequency + time) * amplitude + cos(p.y * frequency * 0.7 + time * 1.3) * amplitude;\n"
     "  oP = mul(mvp, q);\n  oC = c * (0.75 + q.z);\n  oUv = uv;\n}\n",
     VS_HEAD "uniform mat4 mvp;\nuniform float time, amplitude, frequency;\nvoid main() {\n  vec4 q = gl_Vertex;\n"
     "  q.z += sin(gl_Vertex.x * frequency + time) * amplitude\n"
     "    + cos(gl_Vertex.y * frequency * 0.7 + time * 1.3) * amplitude;\n"
     "  gl_Position = mvp * q;\n  gl_FrontColor = gl_Color * (0.75 + q.z);\n"
     "  gl_TexCoord[0].xy = gl_MultiTexCoord0.xy;\n}\n",
     {MVP, {"time", 1, 1, {0.6f}}, {"amplitude", 1, 1, {0.15f}}, {"frequency", 1, 1, {7}}},
     1},
    {"billboard",
     "uniform float4x4 viewProj;\nuniform float3 right, up;\nuniform float size;\n"
     "void main(float4 p : POSITION, float4 c : COLOR0, float4 corner : TEXCOORD3,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float2 oUv : TEXCOORD0) {\n"
     "  float3 w = p.xyz + (right * corner.x + up * corner.y) * size;\n"
     "  oP = mul(viewProj, float4(w, 1));\n  oC = c;\n  oUv = corner.xy * 0.5 + 0.5;\n}\n",
     VS_HEAD "uniform mat4 viewProj;\nuniform vec3 right, up;\nuniform float size;\nvoid main() {\n"
     "  vec4 corner = gl_MultiTexCoord3;\n  vec3 w = gl_Vertex.xyz + (right * corner.x + up * corner.y) * size;\n"
     "  gl_Position = viewProj * vec4(w, 1.0);\n  gl_FrontColor = gl_Color;\n"
     "  gl_TexCoord[0].xy = corner.xy * 0.5 + 0.5;\n}\n",
     {{"viewProj", 16, 1, {0.85f, 0.1f, 0, 0, -0.1f, 0.85f, 0, 0, 0, 0, 0.4f, 0, 0, 0, 0, 1}},
      {"right", 3, 1, {0.8f, 0.6f, 0}}, {"up", 3, 1, {-0.6f, 0.8f, 0}}, {"size", 1, 1, {0.01f}}},
     1},
    {"sphere map texgen",
     "uniform float4x4 mvp, modelView;\n"
     "void main(float4 p : POSITION, float3 n : NORMAL, float4 c : COLOR0,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float2 oUv : TEXCOORD0) {\n"
     "  oP = mul(mvp, p);\n  float3 e = normalize(mul(modelView, p).xyz);\n"
     "  float3 N = normalize(mul((float3x3)modelView, n));\n  float3 r = reflect(e, N);\n"
     "  float m = 2 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1) * (r.z + 1));\n"
     "  oUv = r.xy / m + 0.5;\n  oC = c;\n}\n",
     VS_HEAD "uniform mat4 mvp, modelView;\nvoid main() {\n  gl_Position = mvp * gl_Vertex;\n"
     "  vec3 e = normalize((modelView * gl_Vertex).xyz);\n  vec3 N = normalize(mat3(modelView) * gl_Normal);\n"
     "  vec3 r = reflect(e, N);\n  float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));\n"
     "  gl_TexCoord[0].xy = r.xy / m + 0.5;\n  gl_FrontColor = gl_Color;\n}\n",
     {MVP, MODEL_VIEW},
     1},
    {"two point lights in a loop",
     "uniform float4x4 mvp;\nuniform float4 lightPos[2], lightColour[2];\nuniform float attenuation;\n"
     "void main(float4 p : POSITION, float3 n : NORMAL, float4 c : COLOR0, float2 uv : TEXCOORD0,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float2 oUv : TEXCOORD0) {\n"
     "  oP = mul(mvp, p);\n  float3 N = normalize(n);\n  float3 sum = 0.05;\n"
     "  for (int i = 0; i < 2; i++) {\n    float3 L = lightPos[i].xyz - p.xyz;\n    float d = length(L);\n"
     "    sum += lightColour[i].rgb * max(dot(N, L / d), 0) / (1 + attenuation * d * d);\n  }\n"
     "  oC = float4(sum, 1) * c;\n  oUv = uv;\n}\n",
     VS_HEAD "uniform mat4 mvp;\nuniform vec4 lightPos[2], lightColour[2];\nuniform float attenuation;\n"
     "void main() {\n  gl_Position = mvp * gl_Vertex;\n  vec3 N = normalize(gl_Normal);\n  vec3 sum = vec3(0.05);\n"
     "  for (int i = 0; i < 2; i++) {\n    vec3 L = lightPos[i].xyz - gl_Vertex.xyz;\n    float d = length(L);\n"
     "    sum += lightColour[i].rgb * max(dot(N, L / d), 0.0) / (1.0 + attenuation * d * d);\n  }\n"
     "  gl_FrontColor = vec4(sum, 1.0) * gl_Color;\n  gl_TexCoord[0].xy = gl_MultiTexCoord0.xy;\n}\n",
     {MVP, {"lightPos", 4, 2, {1, 1, 1, 1, -1, 0.5f, 0.8f, 1}}, {"lightColour", 4, 2, {0.9f, 0.6f, 0.3f, 1, 0.2f, 0.4f, 0.9f, 1}},
      {"attenuation", 1, 1, {0.4f}}},
     1},
    {"scaler taps",
     "uniform float4x4 mvp;\nuniform float2 textureSize;\n"
     "void main(float4 p : POSITION, float2 uv : TEXCOORD0, out float4 oP : POSITION, out float4 oC : COLOR0,\n"
     "          out float4 t1 : TEXCOORD0, out float4 t2 : TEXCOORD1, out float2 t3 : TEXCOORD2) {\n"
     "  oP = mul(mvp, p);\n  float2 d = 1.0 / textureSize;\n"
     "  t1 = uv.xyxy + float4(-d.x, 0, d.x, 0);\n  t2 = uv.xyxy + float4(0, -d.y, 0, d.y);\n  t3 = uv;\n"
     "  oC = float4(uv, 0.5, 1);\n}\n",
     VS_HEAD "uniform mat4 mvp;\nuniform vec2 textureSize;\nvoid main() {\n  gl_Position = mvp * gl_Vertex;\n"
     "  vec2 uv = gl_MultiTexCoord0.xy, d = 1.0 / textureSize;\n"
     "  gl_TexCoord[0] = uv.xyxy + vec4(-d.x, 0.0, d.x, 0.0);\n  gl_TexCoord[1] = uv.xyxy + vec4(0.0, -d.y, 0.0, d.y);\n"
     "  gl_TexCoord[2].xy = uv;\n  gl_FrontColor = vec4(uv, 0.5, 1.0);\n}\n",
     {MVP, {"textureSize", 2, 1, {256, 224}}},
     3},
    {"tangent-space light and view",
     "uniform float4x4 mvp;\nuniform float3 lightPos, eyePos;\n"
     "void main(float4 p : POSITION, float3 n : NORMAL, float4 c : COLOR0, float2 uv : TEXCOORD0,\n"
     "          float4 t : TEXCOORD1, out float4 oP : POSITION, out float4 oC : COLOR0,\n"
     "          out float2 oUv : TEXCOORD0, out float3 oL : TEXCOORD1, out float3 oV : TEXCOORD2) {\n"
     "  oP = mul(mvp, p);\n  float3 b = cross(n, t.xyz) * t.w;\n  float3x3 tbn = float3x3(t.xyz, b, n);\n"
     "  oL = mul(tbn, lightPos - p.xyz);\n  oV = mul(tbn, eyePos - p.xyz);\n  oUv = uv;\n  oC = c;\n}\n",
     VS_HEAD "uniform mat4 mvp;\nuniform vec3 lightPos, eyePos;\nvoid main() {\n  gl_Position = mvp * gl_Vertex;\n"
     "  vec4 t = gl_MultiTexCoord1;\n  vec3 n = gl_Normal, b = cross(n, t.xyz) * t.w;\n  mat3 tbn = mat3(t.xyz, b, n);\n"
     "  gl_TexCoord[1].xyz = (lightPos - gl_Vertex.xyz) * tbn;\n  gl_TexCoord[2].xyz = (eyePos - gl_Vertex.xyz) * tbn;\n"
     "  gl_TexCoord[0].xy = gl_MultiTexCoord0.xy;\n  gl_FrontColor = gl_Color;\n}\n",
     {MVP, {"lightPos", 3, 1, {1, 2, 1.5f}}, {"eyePos", 3, 1, {0, 0, 3}}},
     3},
    {"bone rows into a float3x4, indices in a loop",
     "uniform float4x4 viewProj;\nuniform float4 palette[12];\n"
     "void main(float4 p : POSITION, float3 n : NORMAL, float4 c : COLOR0, float4 blend : TEXCOORD2,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float3 oN : TEXCOORD0) {\n"
     "  float3 q = 0, m = 0;\n  for (int k = 0; k < 2; k++) {\n    int b = (int)blend[k] * 3;\n"
     "    float3x4 bone = float3x4(palette[b], palette[b + 1], palette[b + 2]);\n"
     "    float w = k == 0 ? blend.z : blend.w;\n"
     "    q += mul(bone, p) * w;\n    m += mul((float3x3)bone, n) * w;\n  }\n"
     "  oP = mul(viewProj, float4(q, 1));\n  oN = normalize(m);\n  oC = c * saturate(oN.z + 0.5);\n}\n",
     VS_HEAD "uniform mat4 viewProj;\nuniform vec4 palette[12];\nvoid main() {\n"
     "  vec4 blend = gl_MultiTexCoord2, p = gl_Vertex;\n  vec3 q = vec3(0.0), m = vec3(0.0);\n"
     "  for (int k = 0; k < 2; k++) {\n    int b = int(blend[k]) * 3;\n"
     "    vec4 r0 = palette[b], r1 = palette[b + 1], r2 = palette[b + 2];\n"
     "    float w = k == 0 ? blend.z : blend.w;\n"
     "    q += vec3(dot(r0, p), dot(r1, p), dot(r2, p)) * w;\n"
     "    m += vec3(dot(r0.xyz, gl_Normal), dot(r1.xyz, gl_Normal), dot(r2.xyz, gl_Normal)) * w;\n  }\n"
     "  gl_Position = viewProj * vec4(q, 1.0);\n  vec3 nn = normalize(m);\n  gl_TexCoord[0].xyz = nn;\n"
     "  gl_FrontColor = gl_Color * clamp(nn.z + 0.5, 0.0, 1.0);\n}\n",
     {MVP_AS("viewProj"),
      {"palette", 4, 12, BONE_ROWS}},
     1},
    {"morph towards a target, fog by distance",
     "uniform float4x4 mvp, modelView;\nuniform float morph, density;\n"
     "void main(float4 p : POSITION, float3 n : NORMAL, float4 c : COLOR0, float4 target : TEXCOORD3,\n"
     "          out float4 oP : POSITION, out float4 oC : COLOR0, out float4 oF : TEXCOORD0) {\n"
     "  float4 q = float4(lerp(p.xyz, p.xyz + target.xyz * 0.1, morph), 1);\n  oP = mul(mvp, q);\n"
     "  float3 e = mul(modelView, q).xyz;\n  float fog = exp(-length(e) * density);\n"
     "  oF = float4(fog, 1 - fog, 0, 1);\n  oC = c * fog;\n}\n",
     VS_HEAD "uniform mat4 mvp, modelView;\nuniform float morph, density;\nvoid main() {\n"
     "  vec4 q = vec4(mix(gl_Vertex.xyz, gl_Vertex.xyz + gl_MultiTexCoord3.xyz * 0.1, morph), 1.0);\n"
     "  gl_Position = mvp * q;\n  vec3 e = (modelView * q).xyz;\n  float fog = exp(-length(e) * density);\n"
     "  gl_TexCoord[0] = vec4(fog, 1.0 - fog, 0.0, 1.0);\n  gl_FrontColor = gl_Color * fog;\n}\n",
     {MVP, MODEL_VIEW, {"morph", 1, 1, {0.4f}}, {"density", 1, 1, {0.2f}}},
     1},
};

#undef MVP
#undef MVP_AS
#undef MODEL_VIEW
#undef VS_HEAD
#undef BONE_ROWS

}  // namespace vela::bench
