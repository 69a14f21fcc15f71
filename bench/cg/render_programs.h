// Fragment programs for the rendering benchmark, each in our language and in GLSL 1.20,
// computing the same colour. Inputs: TEXCOORD0 (u, v, 0, 1) over the screen, TEXCOORD1 a
// surface normal, TEXCOORD2 a view vector, TEXCOORD3 a position, COLOR0 a gradient;
// samplers tex0 (unit 0) and tex1 (unit 1); uniforms as listed with each program.
#pragma once

namespace vela::bench {

struct RenderUniform {
    const char *name;
    int components;  // 1..4, or 16 for a float4x4 given row by row
    int count;       // array elements
    float values[48];
};

struct RenderProgram {
    const char *name;
    const char *ours;
    const char *glsl;
    RenderUniform uniforms[8];
    int texcoords = 0;  // a vertex program's: how many texture coordinates it writes
};

#define GLSL_HEAD "#version 120\nuniform sampler2D tex0, tex1;\n"

inline const RenderProgram renderPrograms[] = {
    {"texture x colour",
     "uniform sampler2D tex0;\n"
     "float4 main(float2 uv : TEXCOORD0, float4 c : COLOR0) : COLOR { return tex2D(tex0, uv) * c; }\n",
     GLSL_HEAD "void main() { gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy) * gl_Color; }\n",
     {}},
    {"detail texture blend",
     "uniform sampler2D tex0, tex1;\nuniform float detail;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float4 b = tex2D(tex0, uv);\n  float3 d = tex2D(tex1, uv * 8).rgb;\n"
     "  return float4(lerp(b.rgb, b.rgb * d * 2, detail), b.a);\n}\n",
     GLSL_HEAD "uniform float detail;\nvoid main() {\n"
     "  vec4 b = texture2D(tex0, gl_TexCoord[0].xy);\n  vec3 d = texture2D(tex1, gl_TexCoord[0].xy * 8.0).rgb;\n"
     "  gl_FragColor = vec4(mix(b.rgb, b.rgb * d * 2.0, detail), b.a);\n}\n",
     {{"detail", 1, 1, {0.7f}}}},
    {"Lambert, uniform light",
     "uniform float3 lightDir;\nuniform float4 diffuse, ambient;\n"
     "float4 main(float3 n : TEXCOORD1) : COLOR {\n"
     "  float3 N = normalize(n);\n  return ambient + diffuse * saturate(dot(N, normalize(lightDir)));\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nuniform vec4 diffuse, ambient;\nvoid main() {\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz);\n"
     "  gl_FragColor = ambient + diffuse * clamp(dot(N, normalize(lightDir)), 0.0, 1.0);\n}\n",
     {{"lightDir", 3, 1, {0.3f, 0.5f, 0.8f}}, {"diffuse", 4, 1, {0.8f, 0.7f, 0.6f, 1}}, {"ambient", 4, 1, {0.1f, 0.1f, 0.15f, 0}}}},
    {"Blinn-Phong, textured",
     "uniform sampler2D tex0;\nuniform float3 lightDir;\nuniform float4 specular;\nuniform float shininess;\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n"
     "  float3 N = normalize(n), L = normalize(lightDir), H = normalize(L + normalize(v));\n"
     "  float4 base = tex2D(tex0, uv);\n"
     "  float d = saturate(dot(N, L));\n  float s = pow(saturate(dot(N, H)), shininess);\n"
     "  return base * (d * 0.8 + 0.2) + specular * s;\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nuniform vec4 specular;\nuniform float shininess;\nvoid main() {\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz), L = normalize(lightDir);\n"
     "  vec3 H = normalize(L + normalize(gl_TexCoord[2].xyz));\n"
     "  vec4 base = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  float d = clamp(dot(N, L), 0.0, 1.0);\n  float s = pow(clamp(dot(N, H), 0.0, 1.0), shininess);\n"
     "  gl_FragColor = base * (d * 0.8 + 0.2) + specular * s;\n}\n",
     {{"lightDir", 3, 1, {-0.2f, 0.4f, 0.9f}}, {"specular", 4, 1, {0.9f, 0.9f, 0.8f, 0}}, {"shininess", 1, 1, {24}}}},
    {"colour grading, scalar uniforms",
     "uniform sampler2D tex0;\nuniform float exposure, saturation, contrast, gamma;\nuniform float3 lift;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float3 c = tex2D(tex0, uv).rgb * exposure;\n"
     "  float l = dot(c, float3(0.2126, 0.7152, 0.0722));\n"
     "  c = lerp(float3(l, l, l), c, saturation);\n"
     "  c = (c - 0.5) * contrast + 0.5 + lift;\n"
     "  return float4(pow(saturate(c), gamma), 1);\n}\n",
     GLSL_HEAD "uniform float exposure, saturation, contrast, gamma;\nuniform vec3 lift;\nvoid main() {\n"
     "  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb * exposure;\n"
     "  float l = dot(c, vec3(0.2126, 0.7152, 0.0722));\n"
     "  c = mix(vec3(l), c, saturation);\n"
     "  c = (c - 0.5) * contrast + 0.5 + lift;\n"
     "  gl_FragColor = vec4(pow(clamp(c, 0.0, 1.0), vec3(gamma)), 1.0);\n}\n",
     {{"exposure", 1, 1, {1.2f}}, {"saturation", 1, 1, {0.8f}}, {"contrast", 1, 1, {1.1f}}, {"gamma", 1, 1, {0.9f}},
      {"lift", 3, 1, {0.02f, 0.01f, 0.03f}}}},
    {"blur, 6 taps stepped in a loop",
     "uniform sampler2D tex0;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float2 p = uv - float2(0.0075, 0.0025);\n  float4 s = 0;\n"
     "  for (int i = 0; i < 6; i++) { s += tex2D(tex0, p) * (1.0 / 6); p += float2(0.003, 0.001); }\n"
     "  return s;\n}\n",
     GLSL_HEAD "void main() {\n"
     "  vec2 p = gl_TexCoord[0].xy - vec2(0.0075, 0.0025);\n  vec4 s = vec4(0.0);\n"
     "  for (int i = 0; i < 6; i++) { s += texture2D(tex0, p) * (1.0 / 6.0); p += vec2(0.003, 0.001); }\n"
     "  gl_FragColor = s;\n}\n",
     {}},
    {"distance fog",
     "uniform sampler2D tex0;\nuniform float4 fogColour;\nuniform float fogStart, fogScale;\n"
     "float4 main(float2 uv : TEXCOORD0, float4 p : TEXCOORD3) : COLOR {\n"
     "  float4 c = tex2D(tex0, uv);\n  float f = saturate((length(p.xyz) - fogStart) * fogScale);\n"
     "  return float4(lerp(c.rgb, fogColour.rgb, f), c.a);\n}\n",
     GLSL_HEAD "uniform vec4 fogColour;\nuniform float fogStart, fogScale;\nvoid main() {\n"
     "  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  float f = clamp((length(gl_TexCoord[3].xyz) - fogStart) * fogScale, 0.0, 1.0);\n"
     "  gl_FragColor = vec4(mix(c.rgb, fogColour.rgb, f), c.a);\n}\n",
     {{"fogColour", 4, 1, {0.6f, 0.65f, 0.7f, 1}}, {"fogStart", 1, 1, {1.2f}}, {"fogScale", 1, 1, {0.8f}}}},
    {"normal map",
     "uniform sampler2D tex0, tex1;\nuniform float3 lightDir;\nuniform float4 ambient;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float3 N = normalize(tex2D(tex1, uv).xyz * 2 - 1);\n"
     "  float d = saturate(dot(N, lightDir));\n"
     "  return tex2D(tex0, uv) * (ambient + d);\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nuniform vec4 ambient;\nvoid main() {\n"
     "  vec2 uv = gl_TexCoord[0].xy;\n  vec3 N = normalize(texture2D(tex1, uv).xyz * 2.0 - 1.0);\n"
     "  float d = clamp(dot(N, lightDir), 0.0, 1.0);\n"
     "  gl_FragColor = texture2D(tex0, uv) * (ambient + d);\n}\n",
     {{"lightDir", 3, 1, {0.48f, 0.6f, 0.64f}}, {"ambient", 4, 1, {0.15f, 0.15f, 0.2f, 0}}}},
    {"toon bands and rim",
     "uniform float3 lightDir;\nuniform float4 base;\n"
     "float4 main(float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n"
     "  float3 N = normalize(n);\n  float d = dot(N, lightDir) * 0.5 + 0.5;\n"
     "  float band = floor(d * 4) / 4;\n  float rim = 1 - saturate(dot(N, normalize(v)));\n"
     "  return base * band + rim * rim / 2;\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nuniform vec4 base;\nvoid main() {\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz);\n  float d = dot(N, lightDir) * 0.5 + 0.5;\n"
     "  float band = floor(d * 4.0) / 4.0;\n"
     "  float rim = 1.0 - clamp(dot(N, normalize(gl_TexCoord[2].xyz)), 0.0, 1.0);\n"
     "  gl_FragColor = base * band + rim * rim / 2.0;\n}\n",
     {{"lightDir", 3, 1, {0.36f, 0.48f, 0.8f}}, {"base", 4, 1, {0.9f, 0.5f, 0.3f, 1}}}},
    {"vignette",
     "uniform sampler2D tex0;\nuniform float strength;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float2 d = uv - 0.5;\n  float v = 1 - smoothstep(0.1, 0.5, dot(d, d)) * strength;\n"
     "  float4 c = tex2D(tex0, uv);\n  return float4(c.rgb * v, c.a);\n}\n",
     GLSL_HEAD "uniform float strength;\nvoid main() {\n"
     "  vec2 d = gl_TexCoord[0].xy - 0.5;\n  float v = 1.0 - smoothstep(0.1, 0.5, dot(d, d)) * strength;\n"
     "  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n  gl_FragColor = vec4(c.rgb * v, c.a);\n}\n",
     {{"strength", 1, 1, {0.85f}}}},
    {"three point lights in a loop",
     "uniform float4 lightPos[3], lightColour[3];\nuniform float atten;\n"
     "float4 main(float3 n : TEXCOORD1, float3 p : TEXCOORD3) : COLOR {\n"
     "  float3 N = normalize(n);\n  float4 c = 0;\n"
     "  for (int i = 0; i < 3; i++) {\n"
     "    float3 L = lightPos[i].xyz - p;\n    float d2 = dot(L, L);\n"
     "    c += lightColour[i] * (saturate(dot(N, L * rsqrt(d2))) / (1 + d2 * atten));\n  }\n"
     "  return c;\n}\n",
     GLSL_HEAD "uniform vec4 lightPos[3], lightColour[3];\nuniform float atten;\nvoid main() {\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz);\n  vec4 c = vec4(0.0);\n"
     "  for (int i = 0; i < 3; i++) {\n"
     "    vec3 L = lightPos[i].xyz - gl_TexCoord[3].xyz;\n    float d2 = dot(L, L);\n"
     "    c += lightColour[i] * (clamp(dot(N, L * inversesqrt(d2)), 0.0, 1.0) / (1.0 + d2 * atten));\n  }\n"
     "  gl_FragColor = c;\n}\n",
     {{"lightPos", 4, 3, {1, 1, 1, 0, -1, 0.5f, 1.5f, 0, 0, -1, 0.8f, 0}},
      {"lightColour", 4, 3, {0.9f, 0.6f, 0.3f, 1, 0.3f, 0.5f, 0.9f, 1, 0.4f, 0.8f, 0.4f, 1}},
      {"atten", 1, 1, {0.4f}}}},
    {"checker and stripes",
     "uniform float4 colourA, colourB;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float2 f = frac(uv * 8);\n  float checker = abs(step(0.5, f.x) - step(0.5, f.y));\n"
     "  float stripes = sin(uv.x * 40) * 0.5 + 0.5;\n"
     "  return lerp(colourA, colourB, checker) * (0.8 + 0.2 * stripes);\n}\n",
     GLSL_HEAD "uniform vec4 colourA, colourB;\nvoid main() {\n"
     "  vec2 uv = gl_TexCoord[0].xy;\n  vec2 f = fract(uv * 8.0);\n"
     "  float checker = abs(step(0.5, f.x) - step(0.5, f.y));\n"
     "  float stripes = sin(uv.x * 40.0) * 0.5 + 0.5;\n"
     "  gl_FragColor = mix(colourA, colourB, checker) * (0.8 + 0.2 * stripes);\n}\n",
     {{"colourA", 4, 1, {0.9f, 0.9f, 0.85f, 1}}, {"colourB", 4, 1, {0.2f, 0.25f, 0.3f, 1}}}},
    {"alpha test, tinted",
     "uniform sampler2D tex0;\nuniform float4 tint;\nuniform float threshold;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float4 t = tex2D(tex0, uv);\n  if (t.a < threshold) discard;\n  return t * tint;\n}\n",
     GLSL_HEAD "uniform vec4 tint;\nuniform float threshold;\nvoid main() {\n"
     "  vec4 t = texture2D(tex0, gl_TexCoord[0].xy);\n  if (t.a < threshold) discard;\n"
     "  gl_FragColor = t * tint;\n}\n",
     {{"tint", 4, 1, {1, 0.9f, 0.8f, 1}}, {"threshold", 1, 1, {0.4f}}}},
    {"two-sided lighting",
     "uniform float3 lightDir;\nuniform float4 front, back;\n"
     "float4 main(float3 n : TEXCOORD1) : COLOR {\n"
     "  float3 N = normalize(n);\n"
     "  return front * saturate(dot(N, lightDir)) + back * saturate(-dot(N, lightDir));\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nuniform vec4 front, back;\nvoid main() {\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz);\n"
     "  gl_FragColor = front * clamp(dot(N, lightDir), 0.0, 1.0) + back * clamp(-dot(N, lightDir), 0.0, 1.0);\n}\n",
     {{"lightDir", 3, 1, {0.6f, 0, 0.8f}}, {"front", 4, 1, {0.9f, 0.8f, 0.6f, 1}}, {"back", 4, 1, {0.2f, 0.3f, 0.6f, 1}}}},
    {"scanlines",
     "uniform sampler2D tex0;\nuniform float4 size;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  float s = sin(uv.y * size.y * 3.14159) * 0.5 + 0.5;\n  return c * lerp(0.7, 1.0, s);\n}\n",
     GLSL_HEAD "uniform vec4 size;\nvoid main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  float s = sin(gl_TexCoord[0].y * size.y * 3.14159) * 0.5 + 0.5;\n  gl_FragColor = c * mix(0.7, 1.0, s);\n}\n",
     {{"size", 4, 1, {512, 512, 1.0f / 512, 1.0f / 512}}}},
    {"sharpen, 5 taps",
     "uniform sampler2D tex0;\nuniform float4 texel;\nuniform float amount;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float4 n = tex2D(tex0, uv + float2(texel.x, 0)) + tex2D(tex0, uv - float2(texel.x, 0))\n"
     "    + tex2D(tex0, uv + float2(0, texel.y)) + tex2D(tex0, uv - float2(0, texel.y));\n"
     "  return tex2D(tex0, uv) * (1 + 4 * amount) - n * amount;\n}\n",
     GLSL_HEAD "uniform vec4 texel;\nuniform float amount;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n"
     "  vec4 n = texture2D(tex0, uv + vec2(texel.x, 0.0)) + texture2D(tex0, uv - vec2(texel.x, 0.0))\n"
     "    + texture2D(tex0, uv + vec2(0.0, texel.y)) + texture2D(tex0, uv - vec2(0.0, texel.y));\n"
     "  gl_FragColor = texture2D(tex0, uv) * (1.0 + 4.0 * amount) - n * amount;\n}\n",
     {{"texel", 4, 1, {1.0f / 512, 1.0f / 512, 0, 0}}, {"amount", 1, 1, {0.3f}}}},
    {"bloom prefilter",
     "uniform sampler2D tex0;\nuniform float threshold, knee;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  float l = dot(c.rgb, float3(0.299, 0.587, 0.114));\n  return c * saturate((l - threshold) / knee);\n}\n",
     GLSL_HEAD "uniform float threshold, knee;\nvoid main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  float l = dot(c.rgb, vec3(0.299, 0.587, 0.114));\n  gl_FragColor = c * clamp((l - threshold) / knee, 0.0, 1.0);\n}\n",
     {{"threshold", 1, 1, {0.4f}}, {"knee", 1, 1, {0.3f}}}},
    {"ripple",
     "uniform sampler2D tex0;\nuniform float time, amplitude;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 d = uv - 0.5;\n  float r = length(d);\n"
     "  float2 o = d / (r + 0.001) * sin(r * 60 - time * 4) * amplitude;\n  return tex2D(tex0, uv + o);\n}\n",
     GLSL_HEAD "uniform float time, amplitude;\nvoid main() {\n  vec2 d = gl_TexCoord[0].xy - 0.5;\n  float r = length(d);\n"
     "  vec2 o = d / (r + 0.001) * sin(r * 60.0 - time * 4.0) * amplitude;\n"
     "  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy + o);\n}\n",
     {{"time", 1, 1, {1.25f}}, {"amplitude", 1, 1, {0.01f}}}},
    {"gradient map",
     "uniform float4 low, high;\nuniform float bias;\n"
     "float4 main(float4 c : COLOR0, float2 uv : TEXCOORD0) : COLOR {\n"
     "  float t = saturate(c.r * 0.6 + uv.y * 0.4 + bias);\n  return lerp(low, high, t * t * (3 - 2 * t));\n}\n",
     GLSL_HEAD "uniform vec4 low, high;\nuniform float bias;\nvoid main() {\n"
     "  float t = clamp(gl_Color.r * 0.6 + gl_TexCoord[0].y * 0.4 + bias, 0.0, 1.0);\n"
     "  gl_FragColor = mix(low, high, t * t * (3.0 - 2.0 * t));\n}\n",
     {{"low", 4, 1, {0.1f, 0.1f, 0.3f, 1}}, {"high", 4, 1, {1, 0.8f, 0.4f, 1}}, {"bias", 1, 1, {0.05f}}}},
    {"rim and fresnel",
     "uniform float4 rimColour;\nuniform float power;\n"
     "float4 main(float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n"
     "  float f = 1 - saturate(dot(normalize(n), normalize(v)));\n  return rimColour * pow(f, power) + 0.05;\n}\n",
     GLSL_HEAD "uniform vec4 rimColour;\nuniform float power;\nvoid main() {\n"
     "  float f = 1.0 - clamp(dot(normalize(gl_TexCoord[1].xyz), normalize(gl_TexCoord[2].xyz)), 0.0, 1.0);\n"
     "  gl_FragColor = rimColour * pow(f, power) + 0.05;\n}\n",
     {{"rimColour", 4, 1, {0.3f, 0.6f, 1, 1}}, {"power", 1, 1, {2.5f}}}},
};

#undef GLSL_HEAD

}  // namespace vela::bench
