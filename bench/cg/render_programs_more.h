// A second set of programs for the rendering benchmark (`cg_render_bench --more`), written
// after the optimiser was tuned on the first, to see whether what it does holds for programs
// it was not shaped on: struct inputs, half and fixed, matrices, helper functions, loops over
// uniform arrays, branches, clip, fmod, smoothstep; then nine rounds more, each
// after the fixes the last one led to. Same inputs and samplers as the first set
// (render_programs.h).
#pragma once

#include "render_programs.h"

namespace vela::bench {

#define GLSL_HEAD "#version 120\nuniform sampler2D tex0, tex1;\n"
// The sizes an emulator front end hands its passes: the game's picture, the texture holding
// it and the window.
#define IN_CG "struct input { float2 video_size; float2 texture_size; float2 output_size; float frame_count; };\n"
#define IN_GL                                                                                        \
    "struct Input { vec2 video_size; vec2 texture_size; vec2 output_size; float frame_count; };\n" \
    "uniform Input IN;\n"
#define IN_VALUES                                                                                \
    {"IN.video_size", 2, 1, {256, 224}}, {"IN.texture_size", 2, 1, {256, 256}},                 \
        {"IN.output_size", 2, 1, {1024, 896}}, {"IN.frame_count", 1, 1, {37}}

inline const RenderProgram morePrograms[] = {
    {"crt mask",
     "uniform sampler2D tex0;\nuniform float2 texSize;\nuniform float brightness;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = tex2D(tex0, uv).rgb;\n"
     "  float line = frac(uv.y * texSize.y);\n  float w = 0.6 + 0.4 * cos((line - 0.5) * 6.2831853);\n"
     "  float mask = fmod(floor(uv.x * texSize.x), 3.0) < 1.0 ? 1.0 : 0.8;\n"
     "  return float4(c * w * mask * brightness, 1);\n}\n",
     GLSL_HEAD "uniform vec2 texSize;\nuniform float brightness;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n"
     "  vec3 c = texture2D(tex0, uv).rgb;\n  float line = fract(uv.y * texSize.y);\n"
     "  float w = 0.6 + 0.4 * cos((line - 0.5) * 6.2831853);\n"
     "  float mask = mod(floor(uv.x * texSize.x), 3.0) < 1.0 ? 1.0 : 0.8;\n"
     "  gl_FragColor = vec4(c * w * mask * brightness, 1.0);\n}\n",
     {{"texSize", 2, 1, {320, 240}}, {"brightness", 1, 1, {1.1f}}}},
    {"sepia matrix",
     "uniform sampler2D tex0;\nuniform float amount;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  float3x3 m = float3x3(0.393, 0.769, 0.189, 0.349, 0.686, 0.168, 0.272, 0.534, 0.131);\n"
     "  float3 s = mul(m, c.rgb);\n  return float4(lerp(c.rgb, s, amount), c.a);\n}\n",
     GLSL_HEAD "uniform float amount;\nvoid main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  mat3 m = mat3(0.393, 0.769, 0.189, 0.349, 0.686, 0.168, 0.272, 0.534, 0.131);\n"
     "  vec3 s = c.rgb * m;\n  gl_FragColor = vec4(mix(c.rgb, s, amount), c.a);\n}\n",
     {{"amount", 1, 1, {0.75f}}}},
    {"struct in, half, main uniforms",
     "struct V2F { float2 uv : TEXCOORD0; float3 n : TEXCOORD1; float3 v : TEXCOORD2; };\n"
     "uniform sampler2D tex0;\n"
     "half4 main(V2F i, uniform half3 lightColour, uniform half gloss, uniform float3 lightDir) : COLOR {\n"
     "  half3 N = normalize(i.n);\n  half3 L = normalize(lightDir);\n"
     "  half3 R = reflect(-L, N);\n  half highlight = pow(max(dot(R, normalize(i.v)), 0.0), gloss);\n"
     "  half4 t = tex2D(tex0, i.uv);\n"
     "  return half4(t.rgb * lightColour * max(dot(N, L), 0.0) + highlight.xxx, t.a);\n}\n",
     GLSL_HEAD "uniform vec3 lightColour;\nuniform float gloss;\nuniform vec3 lightDir;\nvoid main() {\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz);\n  vec3 L = normalize(lightDir);\n"
     "  vec3 R = reflect(-L, N);\n  float highlight = pow(max(dot(R, normalize(gl_TexCoord[2].xyz)), 0.0), gloss);\n"
     "  vec4 t = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  gl_FragColor = vec4(t.rgb * lightColour * max(dot(N, L), 0.0) + vec3(highlight), t.a);\n}\n",
     {{"lightColour", 3, 1, {1, 0.9f, 0.8f}}, {"gloss", 1, 1, {16}}, {"lightDir", 3, 1, {0.2f, 0.3f, 0.9f}}}},
    {"sobel edges",
     "uniform sampler2D tex0;\nuniform float2 texel;\nuniform float edge;\n"
     "float lum(float2 p) { return dot(tex2D(tex0, p).rgb, float3(0.3, 0.59, 0.11)); }\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float tl = lum(uv + texel * float2(-1, -1)), t = lum(uv + texel * float2(0, -1)), tr = lum(uv + texel * float2(1, -1));\n"
     "  float l = lum(uv + texel * float2(-1, 0)), r = lum(uv + texel * float2(1, 0));\n"
     "  float bl = lum(uv + texel * float2(-1, 1)), b = lum(uv + texel * float2(0, 1)), br = lum(uv + texel * float2(1, 1));\n"
     "  float gx = tr + 2 * r + br - tl - 2 * l - bl;\n  float gy = bl + 2 * b + br - tl - 2 * t - tr;\n"
     "  float g = sqrt(gx * gx + gy * gy);\n  return float4(step(edge, g).xxx, 1);\n}\n",
     GLSL_HEAD "uniform vec2 texel;\nuniform float edge;\n"
     "float lum(vec2 p) { return dot(texture2D(tex0, p).rgb, vec3(0.3, 0.59, 0.11)); }\nvoid main() {\n"
     "  vec2 uv = gl_TexCoord[0].xy;\n"
     "  float tl = lum(uv + texel * vec2(-1, -1)), t = lum(uv + texel * vec2(0, -1)), tr = lum(uv + texel * vec2(1, -1));\n"
     "  float l = lum(uv + texel * vec2(-1, 0)), r = lum(uv + texel * vec2(1, 0));\n"
     "  float bl = lum(uv + texel * vec2(-1, 1)), b = lum(uv + texel * vec2(0, 1)), br = lum(uv + texel * vec2(1, 1));\n"
     "  float gx = tr + 2.0 * r + br - tl - 2.0 * l - bl;\n  float gy = bl + 2.0 * b + br - tl - 2.0 * t - tr;\n"
     "  float g = sqrt(gx * gx + gy * gy);\n  gl_FragColor = vec4(vec3(step(edge, g)), 1.0);\n}\n",
     {{"texel", 2, 1, {1.0f / 256, 1.0f / 256}}, {"edge", 1, 1, {0.2f}}}},
    {"hue rotate",
     "uniform sampler2D tex0;\nuniform float hue;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  float3 yiq = mul(float3x3(0.299, 0.587, 0.114, 0.596, -0.274, -0.322, 0.211, -0.523, 0.312), c.rgb);\n"
     "  float cs = cos(hue), sn = sin(hue);\n"
     "  float3 r = float3(yiq.x, yiq.y * cs - yiq.z * sn, yiq.y * sn + yiq.z * cs);\n"
     "  float3 rgb = mul(float3x3(1, 0.956, 0.621, 1, -0.272, -0.647, 1, -1.106, 1.703), r);\n"
     "  return float4(rgb, c.a);\n}\n",
     GLSL_HEAD "uniform float hue;\nvoid main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  vec3 yiq = c.rgb * mat3(0.299, 0.587, 0.114, 0.596, -0.274, -0.322, 0.211, -0.523, 0.312);\n"
     "  float cs = cos(hue), sn = sin(hue);\n"
     "  vec3 r = vec3(yiq.x, yiq.y * cs - yiq.z * sn, yiq.y * sn + yiq.z * cs);\n"
     "  vec3 rgb = r * mat3(1, 0.956, 0.621, 1, -0.272, -0.647, 1, -1.106, 1.703);\n"
     "  gl_FragColor = vec4(rgb, c.a);\n}\n",
     {{"hue", 1, 1, {0.6f}}}},
    {"point light falloff",
     "uniform float3 lightPos;\nuniform float4 lightColour;\nuniform float radius;\n"
     "float4 main(float3 n : TEXCOORD1, float4 p : TEXCOORD3) : COLOR {\n"
     "  float3 d = lightPos - p.xyz;\n  float att = saturate(1 - dot(d, d) / (radius * radius));\n"
     "  float diff = max(dot(normalize(n), normalize(d)), 0);\n  return lightColour * diff * att;\n}\n",
     GLSL_HEAD "uniform vec3 lightPos;\nuniform vec4 lightColour;\nuniform float radius;\nvoid main() {\n"
     "  vec3 d = lightPos - gl_TexCoord[3].xyz;\n  float att = clamp(1.0 - dot(d, d) / (radius * radius), 0.0, 1.0);\n"
     "  float diff = max(dot(normalize(gl_TexCoord[1].xyz), normalize(d)), 0.0);\n"
     "  gl_FragColor = lightColour * diff * att;\n}\n",
     {{"lightPos", 3, 1, {0.5f, 0.4f, 1.2f}}, {"lightColour", 4, 1, {1, 0.9f, 0.7f, 1}}, {"radius", 1, 1, {2.5f}}}},
    {"gamma and dither",
     "uniform sampler2D tex0;\nuniform float gamma;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = pow(tex2D(tex0, uv).rgb, 1.0 / gamma);\n"
     "  float n = frac(sin(dot(uv, float2(12.9898, 78.233))) * 43758.5453);\n"
     "  return float4(c + (n - 0.5) / 255.0, 1);\n}\n",
     GLSL_HEAD "uniform float gamma;\nvoid main() {\n"
     "  vec3 c = pow(texture2D(tex0, gl_TexCoord[0].xy).rgb, vec3(1.0 / gamma));\n"
     "  float n = fract(sin(dot(gl_TexCoord[0].xy, vec2(12.9898, 78.233))) * 43758.5453);\n"
     "  gl_FragColor = vec4(c + (n - 0.5) / 255.0, 1.0);\n}\n",
     {{"gamma", 1, 1, {2.2f}}}},
    {"ramp cel shade",
     "uniform sampler2D tex0, tex1;\nuniform float3 lightDir;\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1) : COLOR {\n"
     "  float d = dot(normalize(n), normalize(lightDir)) * 0.5 + 0.5;\n"
     "  return tex2D(tex0, uv) * tex2D(tex1, float2(d, 0.5));\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nvoid main() {\n"
     "  float d = dot(normalize(gl_TexCoord[1].xyz), normalize(lightDir)) * 0.5 + 0.5;\n"
     "  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy) * texture2D(tex1, vec2(d, 0.5));\n}\n",
     {{"lightDir", 3, 1, {0.4f, 0.6f, 0.7f}}}},
    {"water distortion",
     "uniform sampler2D tex0, tex1;\nuniform float time, strength;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float2 n = tex2D(tex1, uv * 4 + time * float2(0.1, 0.07)).xy * 2 - 1;\n"
     "  return tex2D(tex0, uv + n * strength);\n}\n",
     GLSL_HEAD "uniform float time, strength;\nvoid main() {\n"
     "  vec2 n = texture2D(tex1, gl_TexCoord[0].xy * 4.0 + time * vec2(0.1, 0.07)).xy * 2.0 - 1.0;\n"
     "  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy + n * strength);\n}\n",
     {{"time", 1, 1, {2.5f}}, {"strength", 1, 1, {0.02f}}}},
    {"exp2 fog",
     "uniform sampler2D tex0;\nuniform float4 fogColour;\nuniform float density;\n"
     "float4 main(float2 uv : TEXCOORD0, float4 p : TEXCOORD3) : COLOR {\n"
     "  float z = length(p.xyz);\n  float f = saturate(exp2(-density * density * z * z * 1.442695));\n"
     "  float4 c = tex2D(tex0, uv);\n  return lerp(fogColour, c, f);\n}\n",
     GLSL_HEAD "uniform vec4 fogColour;\nuniform float density;\nvoid main() {\n"
     "  float z = length(gl_TexCoord[3].xyz);\n  float f = clamp(exp2(-density * density * z * z * 1.442695), 0.0, 1.0);\n"
     "  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n  gl_FragColor = mix(fogColour, c, f);\n}\n",
     {{"fogColour", 4, 1, {0.6f, 0.65f, 0.7f, 1}}, {"density", 1, 1, {0.8f}}}},
    {"chromatic aberration",
     "uniform sampler2D tex0;\nuniform float amount;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 o = (uv - 0.5) * amount;\n"
     "  float r = tex2D(tex0, uv + o).r;\n  float g = tex2D(tex0, uv).g;\n  float b = tex2D(tex0, uv - o).b;\n"
     "  return float4(r, g, b, 1);\n}\n",
     GLSL_HEAD "uniform float amount;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  vec2 o = (uv - 0.5) * amount;\n"
     "  float r = texture2D(tex0, uv + o).r;\n  float g = texture2D(tex0, uv).g;\n  float b = texture2D(tex0, uv - o).b;\n"
     "  gl_FragColor = vec4(r, g, b, 1.0);\n}\n",
     {{"amount", 1, 1, {0.02f}}}},
    {"weighted taps from arrays",
     "uniform sampler2D tex0;\nuniform float4 offsets[4];\nuniform float4 weights[4];\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 sum = 0;\n"
     "  for (int i = 0; i < 4; i++) sum += tex2D(tex0, uv + offsets[i].xy) * weights[i];\n  return sum;\n}\n",
     GLSL_HEAD "uniform vec4 offsets[4];\nuniform vec4 weights[4];\nvoid main() {\n  vec4 sum = vec4(0.0);\n"
     "  for (int i = 0; i < 4; i++) sum += texture2D(tex0, gl_TexCoord[0].xy + offsets[i].xy) * weights[i];\n"
     "  gl_FragColor = sum;\n}\n",
     {{"offsets", 4, 4, {0.01f, 0, 0, 0, -0.01f, 0, 0, 0, 0, 0.01f, 0, 0}},
      {"weights", 4, 4, {0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f}}}},
    {"threshold branch",
     "uniform sampler2D tex0;\nuniform float cutoff;\nuniform float4 highColour;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  float l = max(c.r, max(c.g, c.b));\n  if (l > cutoff) c = highColour * l;\n  else c = c * 0.5;\n"
     "  return c;\n}\n",
     GLSL_HEAD "uniform float cutoff;\nuniform vec4 highColour;\nvoid main() {\n"
     "  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n  float l = max(c.r, max(c.g, c.b));\n"
     "  if (l > cutoff) c = highColour * l;\n  else c = c * 0.5;\n  gl_FragColor = c;\n}\n",
     {{"cutoff", 1, 1, {0.6f}}, {"highColour", 4, 1, {1, 0.8f, 0.2f, 1}}}},
    {"brightness contrast, fixed",
     "uniform float brightness, contrast;\n"
     "fixed4 main(fixed4 col : COLOR0) : COLOR {\n"
     "  fixed3 c = (col.rgb - 0.5) * contrast + 0.5 + brightness;\n  return fixed4(saturate(c), col.a);\n}\n",
     GLSL_HEAD "uniform float brightness, contrast;\nvoid main() {\n"
     "  vec3 c = (gl_Color.rgb - 0.5) * contrast + 0.5 + brightness;\n"
     "  gl_FragColor = vec4(clamp(c, 0.0, 1.0), gl_Color.a);\n}\n",
     {{"brightness", 1, 1, {0.05f}}, {"contrast", 1, 1, {1.3f}}}},
    {"smoothstep vignette, float2 centre",
     "uniform sampler2D tex0;\nuniform float2 centre;\nuniform float inner, outer;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float d = distance(uv, centre);\n"
     "  float v = 1 - smoothstep(inner, outer, d);\n  float4 c = tex2D(tex0, uv);\n"
     "  return float4(c.rgb * v, c.a);\n}\n",
     GLSL_HEAD "uniform vec2 centre;\nuniform float inner, outer;\nvoid main() {\n"
     "  float d = distance(gl_TexCoord[0].xy, centre);\n  float v = 1.0 - smoothstep(inner, outer, d);\n"
     "  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n  gl_FragColor = vec4(c.rgb * v, c.a);\n}\n",
     {{"centre", 2, 1, {0.5f, 0.5f}}, {"inner", 1, 1, {0.2f}}, {"outer", 1, 1, {0.75f}}}},
    {"overlay blend",
     "uniform sampler2D tex0, tex1;\nuniform float opacity;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 a = tex2D(tex0, uv).rgb, b = tex2D(tex1, uv).rgb;\n"
     "  float3 lo = 2 * a * b, hi = 1 - 2 * (1 - a) * (1 - b);\n"
     "  float3 o = lerp(lo, hi, step(0.5, a));\n  return float4(lerp(a, o, opacity), 1);\n}\n",
     GLSL_HEAD "uniform float opacity;\nvoid main() {\n"
     "  vec3 a = texture2D(tex0, gl_TexCoord[0].xy).rgb, b = texture2D(tex1, gl_TexCoord[0].xy).rgb;\n"
     "  vec3 lo = 2.0 * a * b, hi = 1.0 - 2.0 * (1.0 - a) * (1.0 - b);\n"
     "  vec3 o = mix(lo, hi, step(0.5, a));\n  gl_FragColor = vec4(mix(a, o, opacity), 1.0);\n}\n",
     {{"opacity", 1, 1, {0.8f}}}},
    {"alpha clip and tint",
     "uniform sampler2D tex0;\nuniform float4 tint;\nuniform float cutoff;\n"
     "float4 main(float2 uv : TEXCOORD0, float4 col : COLOR0) : COLOR {\n  float4 c = tex2D(tex0, uv) * col;\n"
     "  clip(c.a - cutoff);\n  return c * tint;\n}\n",
     GLSL_HEAD "uniform vec4 tint;\nuniform float cutoff;\nvoid main() {\n"
     "  vec4 c = texture2D(tex0, gl_TexCoord[0].xy) * gl_Color;\n  if (c.a - cutoff < 0.0) discard;\n  gl_FragColor = c * tint;\n}\n",
     {{"tint", 4, 1, {1, 0.9f, 0.8f, 1}}, {"cutoff", 1, 1, {0.3f}}}},
    {"hemisphere light",
     "uniform float3 skyColour, groundColour, up;\n"
     "float4 main(float3 n : TEXCOORD1, float4 col : COLOR0) : COLOR {\n"
     "  float h = dot(normalize(n), up) * 0.5 + 0.5;\n  return float4(lerp(groundColour, skyColour, h) * col.rgb, col.a);\n}\n",
     GLSL_HEAD "uniform vec3 skyColour, groundColour, up;\nvoid main() {\n"
     "  float h = dot(normalize(gl_TexCoord[1].xyz), up) * 0.5 + 0.5;\n"
     "  gl_FragColor = vec4(mix(groundColour, skyColour, h) * gl_Color.rgb, gl_Color.a);\n}\n",
     {{"skyColour", 3, 1, {0.6f, 0.7f, 1}}, {"groundColour", 3, 1, {0.3f, 0.25f, 0.2f}}, {"up", 3, 1, {0, 1, 0}}}},
    {"uv scroll and scale",
     "uniform sampler2D tex0;\nuniform float4 scaleOffset;\nuniform float time;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float2 p = uv * scaleOffset.xy + scaleOffset.zw + float2(time * 0.05, 0);\n  return tex2D(tex0, p);\n}\n",
     GLSL_HEAD "uniform vec4 scaleOffset;\nuniform float time;\nvoid main() {\n"
     "  vec2 p = gl_TexCoord[0].xy * scaleOffset.xy + scaleOffset.zw + vec2(time * 0.05, 0.0);\n"
     "  gl_FragColor = texture2D(tex0, p);\n}\n",
     {{"scaleOffset", 4, 1, {2, 2, 0.1f, 0.2f}}, {"time", 1, 1, {3}}}},
    {"colour matrix uniform",
     "uniform sampler2D tex0;\nuniform float4x4 colourMatrix;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  return mul(colourMatrix, tex2D(tex0, uv));\n}\n",
     GLSL_HEAD "uniform mat4 colourMatrix;\nvoid main() {\n  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy) * colourMatrix;\n}\n",
     {}},
    {"specular power from texture",
     "uniform sampler2D tex0, tex1;\nuniform float3 lightDir;\nuniform float4 lightColour;\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n"
     "  float3 N = normalize(n), L = normalize(lightDir), V = normalize(v);\n"
     "  float4 s = tex2D(tex1, uv);\n  float3 H = normalize(L + V);\n"
     "  float highlight = pow(max(dot(N, H), 0), s.a * 64 + 1) * s.r;\n"
     "  float4 base = tex2D(tex0, uv);\n"
     "  return base * lightColour * max(dot(N, L), 0) + highlight * lightColour;\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nuniform vec4 lightColour;\nvoid main() {\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz), L = normalize(lightDir), V = normalize(gl_TexCoord[2].xyz);\n"
     "  vec4 s = texture2D(tex1, gl_TexCoord[0].xy);\n  vec3 H = normalize(L + V);\n"
     "  float highlight = pow(max(dot(N, H), 0.0), s.a * 64.0 + 1.0) * s.r;\n"
     "  vec4 base = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  gl_FragColor = base * lightColour * max(dot(N, L), 0.0) + highlight * lightColour;\n}\n",
     {{"lightDir", 3, 1, {0.3f, 0.4f, 0.85f}}, {"lightColour", 4, 1, {1, 0.95f, 0.9f, 1}}}},
    {"posterize",
     "uniform sampler2D tex0;\nuniform float levels;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  return float4(floor(c.rgb * levels + 0.5) / levels, c.a);\n}\n",
     GLSL_HEAD "uniform float levels;\nvoid main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  gl_FragColor = vec4(floor(c.rgb * levels + 0.5) / levels, c.a);\n}\n",
     {{"levels", 1, 1, {5}}}},
    {"radial blur 4 taps",
     "uniform sampler2D tex0;\nuniform float2 centre;\nuniform float strength;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 d = (centre - uv) * strength;\n  float4 sum = 0;\n"
     "  for (int i = 0; i < 4; i++) sum += tex2D(tex0, uv + d * i);\n  return sum * 0.25;\n}\n",
     GLSL_HEAD "uniform vec2 centre;\nuniform float strength;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n"
     "  vec2 d = (centre - uv) * strength;\n  vec4 sum = vec4(0.0);\n"
     "  for (int i = 0; i < 4; i++) sum += texture2D(tex0, uv + d * float(i));\n  gl_FragColor = sum * 0.25;\n}\n",
     {{"centre", 2, 1, {0.5f, 0.5f}}, {"strength", 1, 1, {0.03f}}}},
    {"fresnel reflection mix",
     "uniform sampler2D tex0, tex1;\nuniform float bias, scale, power;\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n"
     "  float f = saturate(bias + scale * pow(1 + dot(normalize(v), normalize(n)), power));\n"
     "  return lerp(tex2D(tex0, uv), tex2D(tex1, uv.yx), f);\n}\n",
     GLSL_HEAD "uniform float bias, scale, power;\nvoid main() {\n"
     "  float f = clamp(bias + scale * pow(1.0 + dot(normalize(gl_TexCoord[2].xyz), normalize(gl_TexCoord[1].xyz)), power), 0.0, 1.0);\n"
     "  gl_FragColor = mix(texture2D(tex0, gl_TexCoord[0].xy), texture2D(tex1, gl_TexCoord[0].yx), f);\n}\n",
     {{"bias", 1, 1, {0.1f}}, {"scale", 1, 1, {0.8f}}, {"power", 1, 1, {2}}}},
    {"height fog by y",
     "uniform float4 fogColour;\nuniform float fogTop, fogDensity;\n"
     "float4 main(float4 p : TEXCOORD3, float4 col : COLOR0) : COLOR {\n"
     "  float f = saturate((fogTop - p.y) * fogDensity);\n  return lerp(col, fogColour, f);\n}\n",
     GLSL_HEAD "uniform vec4 fogColour;\nuniform float fogTop, fogDensity;\nvoid main() {\n"
     "  float f = clamp((fogTop - gl_TexCoord[3].y) * fogDensity, 0.0, 1.0);\n  gl_FragColor = mix(gl_Color, fogColour, f);\n}\n",
     {{"fogColour", 4, 1, {0.7f, 0.7f, 0.75f, 1}}, {"fogTop", 1, 1, {0.5f}}, {"fogDensity", 1, 1, {0.8f}}}},
    {"two-texture splat",
     "uniform sampler2D tex0, tex1;\nuniform float tiling;\n"
     "float4 main(float2 uv : TEXCOORD0, float4 col : COLOR0) : COLOR {\n"
     "  float4 a = tex2D(tex0, uv * tiling), b = tex2D(tex1, uv * tiling * 0.5);\n"
     "  return lerp(a, b, col.r) * (col.g * 0.5 + 0.5);\n}\n",
     GLSL_HEAD "uniform float tiling;\nvoid main() {\n"
     "  vec4 a = texture2D(tex0, gl_TexCoord[0].xy * tiling), b = texture2D(tex1, gl_TexCoord[0].xy * tiling * 0.5);\n"
     "  gl_FragColor = mix(a, b, gl_Color.r) * (gl_Color.g * 0.5 + 0.5);\n}\n",
     {{"tiling", 1, 1, {4}}}},
    {"wrap lighting, half",
     "uniform half3 lightDir;\nuniform half wrap;\nuniform half4 albedo;\n"
     "half4 main(half3 n : TEXCOORD1) : COLOR {\n"
     "  half d = (dot(normalize(n), lightDir) + wrap) / (1 + wrap);\n  return albedo * max(d, 0);\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nuniform float wrap;\nuniform vec4 albedo;\nvoid main() {\n"
     "  float d = (dot(normalize(gl_TexCoord[1].xyz), lightDir) + wrap) / (1.0 + wrap);\n"
     "  gl_FragColor = albedo * max(d, 0.0);\n}\n",
     {{"lightDir", 3, 1, {0, 0.6f, 0.8f}}, {"wrap", 1, 1, {0.5f}}, {"albedo", 4, 1, {0.8f, 0.6f, 0.5f, 1}}}},
    {"invert and mix",
     "uniform sampler2D tex0;\nuniform float amount;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  return float4(lerp(c.rgb, 1 - c.rgb, amount), c.a);\n}\n",
     GLSL_HEAD "uniform float amount;\nvoid main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  gl_FragColor = vec4(mix(c.rgb, 1.0 - c.rgb, amount), c.a);\n}\n",
     {{"amount", 1, 1, {0.3f}}}},
    // Written in a third round, after the second set's fixes: const arrays, reflect, exp, atan2,
    // sign, any, a branch on a uniform, struct arrays, pow of literals, rotation by a float2x2,
    // discard, nested loops, cross, round and ceil, fmod by a uniform.
    {"gauss const weights",
     "uniform sampler2D tex0;\nuniform float2 dir;\n"
     "const float w[5] = {0.2270270, 0.1945946, 0.1216216, 0.0540540, 0.0162162};\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 sum = tex2D(tex0, uv) * w[0];\n"
     "  for (int i = 1; i < 5; i++) {\n    sum += tex2D(tex0, uv + dir * i) * w[i];\n    sum += tex2D(tex0, uv - dir * i) * w[i];\n  }\n  return sum;\n}\n",
     GLSL_HEAD "uniform vec2 dir;\nconst float w[5] = float[5](0.2270270, 0.1945946, 0.1216216, 0.0540540, 0.0162162);\n"
     "void main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  vec4 sum = texture2D(tex0, uv) * w[0];\n"
     "  for (int i = 1; i < 5; i++) {\n    sum += texture2D(tex0, uv + dir * float(i)) * w[i];\n    sum += texture2D(tex0, uv - dir * float(i)) * w[i];\n  }\n  gl_FragColor = sum;\n}\n",
     {{"dir", 2, 1, {0.002f, 0}}}},
    {"reflect lookup",
     "uniform sampler2D tex0;\n"
     "float4 main(float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n  float3 N = normalize(n), V = normalize(v);\n"
     "  float3 r = reflect(-V, N);\n  return tex2D(tex0, r.xy * 0.5 + 0.5) * (0.5 + 0.5 * N.z);\n}\n",
     GLSL_HEAD "void main() {\n  vec3 N = normalize(gl_TexCoord[1].xyz), V = normalize(gl_TexCoord[2].xyz);\n"
     "  vec3 r = reflect(-V, N);\n  gl_FragColor = texture2D(tex0, r.xy * 0.5 + 0.5) * (0.5 + 0.5 * N.z);\n}\n",
     {}},
    {"exp tone map",
     "uniform sampler2D tex0;\nuniform float exposure;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = tex2D(tex0, uv).rgb * 4;\n"
     "  c = 1 - exp(-c * exposure);\n  return float4(pow(c, 1 / 2.2), 1);\n}\n",
     GLSL_HEAD "uniform float exposure;\nvoid main() {\n  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb * 4.0;\n"
     "  c = 1.0 - exp(-c * exposure);\n  gl_FragColor = vec4(pow(c, vec3(1.0 / 2.2)), 1.0);\n}\n",
     {{"exposure", 1, 1, {1.3f}}}},
    {"polar atan2",
     "uniform sampler2D tex0;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 d = uv - 0.5;\n  float a = atan2(d.y, d.x);\n"
     "  return tex2D(tex0, float2(a / 6.2831853 + 0.5, length(d) * 2));\n}\n",
     GLSL_HEAD "void main() {\n  vec2 d = gl_TexCoord[0].xy - 0.5;\n  float a = atan(d.y, d.x);\n"
     "  gl_FragColor = texture2D(tex0, vec2(a / 6.2831853 + 0.5, length(d) * 2.0));\n}\n",
     {}},
    {"abs sign clamp",
     "uniform sampler2D tex0;\nuniform float threshold;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = tex2D(tex0, uv).rgb;\n  float3 e = abs(c - 0.5) * 2;\n"
     "  float3 s = sign(e - threshold);\n  return float4(clamp(c + s * 0.1, 0.05, 0.95), max(e.r, max(e.g, e.b)));\n}\n",
     GLSL_HEAD "uniform float threshold;\nvoid main() {\n  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb;\n  vec3 e = abs(c - 0.5) * 2.0;\n"
     "  vec3 s = sign(e - threshold);\n  gl_FragColor = vec4(clamp(c + s * 0.1, 0.05, 0.95), max(e.r, max(e.g, e.b)));\n}\n",
     {{"threshold", 1, 1, {0.5f}}}},
    {"float4x4 literal colour transform",
     "uniform sampler2D tex0;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float4x4 m = float4x4(0.9, 0.1, 0, 0, 0.05, 0.9, 0.05, 0, 0, 0.1, 0.9, 0, 0, 0, 0, 1);\n"
     "  return mul(m, tex2D(tex0, uv));\n}\n",
     GLSL_HEAD "void main() {\n  mat4 m = mat4(0.9, 0.05, 0.0, 0.0, 0.1, 0.9, 0.1, 0.0, 0.0, 0.05, 0.9, 0.0, 0.0, 0.0, 0.0, 1.0);\n"
     "  gl_FragColor = m * texture2D(tex0, gl_TexCoord[0].xy);\n}\n",
     {}},
    {"mode branch on uniform",
     "uniform sampler2D tex0;\nuniform float mode;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  if (mode > 0.5) c = c.bgra;\n  else c.rgb = 1 - c.rgb;\n  return c;\n}\n",
     GLSL_HEAD "uniform float mode;\nvoid main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  if (mode > 0.5) c = c.bgra;\n  else c.rgb = 1.0 - c.rgb;\n  gl_FragColor = c;\n}\n",
     {{"mode", 1, 1, {1}}}},
    {"distance rings",
     "uniform float2 centre;\nuniform float4 a, b;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float d = distance(uv, centre);\n"
     "  float ring = step(0.5, frac(d * 20));\n  return lerp(a, b, ring);\n}\n",
     GLSL_HEAD "uniform vec2 centre;\nuniform vec4 a, b;\nvoid main() {\n  float d = distance(gl_TexCoord[0].xy, centre);\n"
     "  float ring = step(0.5, fract(d * 20.0));\n  gl_FragColor = mix(a, b, ring);\n}\n",
     {{"centre", 2, 1, {0.5f, 0.5f}}, {"a", 4, 1, {1, 0, 0, 1}}, {"b", 4, 1, {0, 0, 1, 1}}}},
    {"struct lights array",
     "uniform sampler2D tex0;\nstruct Light { float3 dir; float3 colour; };\nuniform Light lights[2];\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1) : COLOR {\n  float3 N = normalize(n), sum = 0;\n"
     "  for (int i = 0; i < 2; i++) sum += lights[i].colour * max(dot(N, lights[i].dir), 0);\n"
     "  return tex2D(tex0, uv) * float4(sum, 1);\n}\n",
     GLSL_HEAD "struct Light { vec3 dir; vec3 colour; };\nuniform Light lights[2];\nvoid main() {\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz), sum = vec3(0.0);\n"
     "  for (int i = 0; i < 2; i++) sum += lights[i].colour * max(dot(N, lights[i].dir), 0.0);\n"
     "  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy) * vec4(sum, 1.0);\n}\n",
     {{"lights[0].dir", 3, 1, {0, 0, 1}}, {"lights[0].colour", 3, 1, {1, 0.9f, 0.8f}},
      {"lights[1].dir", 3, 1, {0.6f, 0, 0.8f}}, {"lights[1].colour", 3, 1, {0.2f, 0.3f, 0.5f}}}},
    {"any highlight",
     "uniform sampler2D tex0;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  return any(c.rgb > 0.9) ? float4(1, 1, 1, 1) : c * 0.8;\n}\n",
     GLSL_HEAD "void main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  gl_FragColor = any(greaterThan(c.rgb, vec3(0.9))) ? vec4(1.0) : c * 0.8;\n}\n",
     {}},
    {"vignette pow",
     "uniform sampler2D tex0;\nuniform float k;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 d = uv - 0.5;\n"
     "  return tex2D(tex0, uv) * pow(saturate(1 - dot(d, d) * k), 2.2);\n}\n",
     GLSL_HEAD "uniform float k;\nvoid main() {\n  vec2 d = gl_TexCoord[0].xy - 0.5;\n"
     "  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy) * pow(clamp(1.0 - dot(d, d) * k, 0.0, 1.0), 2.2);\n}\n",
     {{"k", 1, 1, {1.5f}}}},
    {"luma sharpen 4 taps",
     "uniform sampler2D tex0;\nuniform float2 px;\nuniform float amount;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  float4 blur = (tex2D(tex0, uv + px) + tex2D(tex0, uv - px) + tex2D(tex0, uv + float2(px.x, -px.y)) + tex2D(tex0, uv - float2(px.x, -px.y))) * 0.25;\n"
     "  float l = dot(c.rgb - blur.rgb, float3(0.2126, 0.7152, 0.0722));\n  return c + l * amount;\n}\n",
     GLSL_HEAD "uniform vec2 px;\nuniform float amount;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  vec4 c = texture2D(tex0, uv);\n"
     "  vec4 blur = (texture2D(tex0, uv + px) + texture2D(tex0, uv - px) + texture2D(tex0, uv + vec2(px.x, -px.y)) + texture2D(tex0, uv - vec2(px.x, -px.y))) * 0.25;\n"
     "  float l = dot(c.rgb - blur.rgb, vec3(0.2126, 0.7152, 0.0722));\n  gl_FragColor = c + l * amount;\n}\n",
     {{"px", 2, 1, {0.002f, 0.002f}}, {"amount", 1, 1, {0.8f}}}},
    {"pow literal exponents",
     "uniform sampler2D tex0;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = tex2D(tex0, uv).rgb;\n"
     "  return float4(pow(c.r, 5), pow(c.g, 0.5), pow(c.b, 2), pow(c.r + c.g, 3));\n}\n",
     GLSL_HEAD "void main() {\n  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb;\n"
     "  gl_FragColor = vec4(pow(c.r, 5.0), pow(c.g, 0.5), pow(c.b, 2.0), pow(c.r + c.g, 3.0));\n}\n",
     {}},
    {"smoothstep uniform edges",
     "uniform sampler2D tex0;\nuniform float lo, hi;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  return c * smoothstep(lo, hi, dot(c.rgb, float3(0.3333, 0.3333, 0.3333)));\n}\n",
     GLSL_HEAD "uniform float lo, hi;\nvoid main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  gl_FragColor = c * smoothstep(lo, hi, dot(c.rgb, vec3(0.3333, 0.3333, 0.3333)));\n}\n",
     {{"lo", 1, 1, {0.2f}}, {"hi", 1, 1, {0.8f}}}},
    {"pixelate",
     "uniform sampler2D tex0;\nuniform float2 cells;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  return tex2D(tex0, (floor(uv * cells) + 0.5) / cells);\n}\n",
     GLSL_HEAD "uniform vec2 cells;\nvoid main() {\n"
     "  gl_FragColor = texture2D(tex0, (floor(gl_TexCoord[0].xy * cells) + 0.5) / cells);\n}\n",
     {{"cells", 2, 1, {64, 48}}}},
    {"rotate uv float2x2",
     "uniform sampler2D tex0;\nuniform float angle;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float s = sin(angle), c = cos(angle);\n"
     "  float2x2 r = float2x2(c, -s, s, c);\n  return tex2D(tex0, mul(r, uv - 0.5) + 0.5);\n}\n",
     GLSL_HEAD "uniform float angle;\nvoid main() {\n  float s = sin(angle), c = cos(angle);\n"
     "  mat2 r = mat2(c, s, -s, c);\n  gl_FragColor = texture2D(tex0, r * (gl_TexCoord[0].xy - 0.5) + 0.5);\n}\n",
     {{"angle", 1, 1, {0.3f}}}},
    {"discard outside circle",
     "uniform sampler2D tex0;\nuniform float radius;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  if (length(uv - 0.5) > radius) discard;\n  return tex2D(tex0, uv);\n}\n",
     GLSL_HEAD "uniform float radius;\nvoid main() {\n  if (length(gl_TexCoord[0].xy - 0.5) > radius) discard;\n"
     "  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy);\n}\n",
     {{"radius", 1, 1, {0.45f}}}},
    {"saturation from max min",
     "uniform sampler2D tex0;\nuniform float boost;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = tex2D(tex0, uv).rgb;\n"
     "  float mx = max(c.r, max(c.g, c.b)), mn = min(c.r, min(c.g, c.b));\n"
     "  float s = mx > 0 ? (mx - mn) / mx : 0;\n  float3 g = float3(mx, mx, mx);\n"
     "  return float4(lerp(g, c, 1 + boost * (1 - s)), 1);\n}\n",
     GLSL_HEAD "uniform float boost;\nvoid main() {\n  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb;\n"
     "  float mx = max(c.r, max(c.g, c.b)), mn = min(c.r, min(c.g, c.b));\n"
     "  float s = mx > 0.0 ? (mx - mn) / mx : 0.0;\n  vec3 g = vec3(mx);\n"
     "  gl_FragColor = vec4(mix(g, c, 1.0 + boost * (1.0 - s)), 1.0);\n}\n",
     {{"boost", 1, 1, {0.5f}}}},
    {"triangle waves",
     "uniform float freq;\n"
     "float4 main(float2 uv : TEXCOORD0, float4 col : COLOR0) : COLOR {\n"
     "  float2 t = abs(frac(uv * freq) - 0.5) * 2;\n  return col * (t.x * t.y);\n}\n",
     GLSL_HEAD "uniform float freq;\nvoid main() {\n  vec2 t = abs(fract(gl_TexCoord[0].xy * freq) - 0.5) * 2.0;\n"
     "  gl_FragColor = gl_Color * (t.x * t.y);\n}\n",
     {{"freq", 1, 1, {12}}}},
    {"box blur 3x3 nested",
     "uniform sampler2D tex0;\nuniform float2 px;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 s = 0;\n"
     "  for (int y = -1; y <= 1; y++)\n    for (int x = -1; x <= 1; x++) s += tex2D(tex0, uv + float2(x, y) * px);\n"
     "  return s / 9;\n}\n",
     GLSL_HEAD "uniform vec2 px;\nvoid main() {\n  vec4 s = vec4(0.0);\n"
     "  for (int y = -1; y <= 1; y++)\n    for (int x = -1; x <= 1; x++) s += texture2D(tex0, gl_TexCoord[0].xy + vec2(float(x), float(y)) * px);\n"
     "  gl_FragColor = s / 9.0;\n}\n",
     {{"px", 2, 1, {0.002f, 0.002f}}}},
    {"cross product shading",
     "uniform float3 up;\n"
     "float4 main(float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n  float3 t = cross(normalize(n), up);\n"
     "  return float4(abs(t), dot(t, v));\n}\n",
     GLSL_HEAD "uniform vec3 up;\nvoid main() {\n  vec3 t = cross(normalize(gl_TexCoord[1].xyz), up);\n"
     "  gl_FragColor = vec4(abs(t), dot(t, gl_TexCoord[2].xyz));\n}\n",
     {{"up", 3, 1, {0, 1, 0}}}},
    {"round and ceil levels",
     "uniform sampler2D tex0;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv) * 6;\n"
     "  return float4(round(c.r), ceil(c.g), floor(c.b), c.a) / 6;\n}\n",
     GLSL_HEAD "void main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy) * 6.0;\n"
     "  gl_FragColor = vec4(floor(c.r + 0.5), ceil(c.g), floor(c.b), c.a) / 6.0;\n}\n",
     {}},
    {"fmod by uniform stripes",
     "uniform float period;\nuniform float4 a, b;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float m = fmod(uv.x * 100 + uv.y * 37, period);\n"
     "  return m < period * 0.5 ? a : b;\n}\n",
     GLSL_HEAD "uniform float period;\nuniform vec4 a, b;\nvoid main() {\n"
     "  float m = mod(gl_TexCoord[0].x * 100.0 + gl_TexCoord[0].y * 37.0, period);\n"
     "  gl_FragColor = m < period * 0.5 ? a : b;\n}\n",
     {{"period", 1, 1, {7}}, {"a", 4, 1, {1, 1, 0, 1}}, {"b", 4, 1, {0, 0.5f, 1, 1}}}},
    {"gaussian falloff exp",
     "uniform float4 colour;\nuniform float sharpness;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 d = uv - 0.5;\n"
     "  return colour * exp(-dot(d, d) * sharpness);\n}\n",
     GLSL_HEAD "uniform vec4 colour;\nuniform float sharpness;\nvoid main() {\n  vec2 d = gl_TexCoord[0].xy - 0.5;\n"
     "  gl_FragColor = colour * exp(-dot(d, d) * sharpness);\n}\n",
     {{"colour", 4, 1, {1, 0.8f, 0.5f, 1}}, {"sharpness", 1, 1, {8}}}},
    // A fourth round, after the third's fixes: post-processing passes as emulator front ends
    // write them (sizes in a uniform struct IN, reciprocals of them), a colour matrix.
    {"scanline gamma, IN struct",
     IN_CG "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float3 c = pow(tex2D(tex0, tex).rgb, 2.2);\n  float y = frac(tex.y * IN.texture_size.y) - 0.5;\n"
     "  float w = exp(-y * y * 8.0);\n  return float4(pow(c * w * 1.2, 1.0 / 2.2), 1.0);\n}\n",
     GLSL_HEAD IN_GL "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n  vec3 c = pow(texture2D(tex0, tex).rgb, vec3(2.2));\n"
     "  float y = fract(tex.y * IN.texture_size.y) - 0.5;\n  float w = exp(-y * y * 8.0);\n"
     "  gl_FragColor = vec4(pow(c * w * 1.2, vec3(1.0 / 2.2)), 1.0);\n}\n",
     {IN_VALUES}},
    {"5-tap blur, texel from IN",
     IN_CG "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 d = float2(1.0 / IN.texture_size.x, 0.0);\n"
     "  float4 s = tex2D(tex0, tex) * 0.4;\n  s += (tex2D(tex0, tex - d) + tex2D(tex0, tex + d)) * 0.2;\n"
     "  s += (tex2D(tex0, tex - 2.0 * d) + tex2D(tex0, tex + 2.0 * d)) * 0.1;\n  return s;\n}\n",
     GLSL_HEAD IN_GL "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n  vec2 d = vec2(1.0 / IN.texture_size.x, 0.0);\n"
     "  vec4 s = texture2D(tex0, tex) * 0.4;\n  s += (texture2D(tex0, tex - d) + texture2D(tex0, tex + d)) * 0.2;\n"
     "  s += (texture2D(tex0, tex - 2.0 * d) + texture2D(tex0, tex + 2.0 * d)) * 0.1;\n  gl_FragColor = s;\n}\n",
     {IN_VALUES}},
    {"sharp bilinear",
     IN_CG "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 texel = tex * IN.texture_size;\n  float2 scale = floor(IN.output_size / IN.video_size);\n"
     "  float2 region = 0.5 - 0.5 / scale;\n  float2 f = frac(texel) - 0.5;\n"
     "  float2 off = (f - clamp(f, -region, region)) * scale + 0.5;\n"
     "  return tex2D(tex0, (floor(texel) + off) / IN.texture_size);\n}\n",
     GLSL_HEAD IN_GL "void main() {\n  vec2 texel = gl_TexCoord[0].xy * IN.texture_size;\n"
     "  vec2 scale = floor(IN.output_size / IN.video_size);\n  vec2 region = 0.5 - 0.5 / scale;\n"
     "  vec2 f = fract(texel) - 0.5;\n  vec2 off = (f - clamp(f, -region, region)) * scale + 0.5;\n"
     "  gl_FragColor = texture2D(tex0, (floor(texel) + off) / IN.texture_size);\n}\n",
     {IN_VALUES}},
    {"LCD grid",
     IN_CG "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 p = frac(tex * IN.texture_size);\n  float g = step(0.1, p.x) * step(0.1, p.y);\n"
     "  return tex2D(tex0, tex) * lerp(0.6, 1.0, g);\n}\n",
     GLSL_HEAD IN_GL "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n  vec2 p = fract(tex * IN.texture_size);\n"
     "  float g = step(0.1, p.x) * step(0.1, p.y);\n  gl_FragColor = texture2D(tex0, tex) * mix(0.6, 1.0, g);\n}\n",
     {IN_VALUES}},
    {"colour matrix",
     "uniform float4x4 colorMatrix;\nuniform sampler2D tex0;\n"
     "float4 main(float2 tex : TEXCOORD0) : COLOR {\n  return mul(colorMatrix, tex2D(tex0, tex));\n}\n",
     GLSL_HEAD "uniform mat4 colorMatrix;\nvoid main() {\n  gl_FragColor = colorMatrix * texture2D(tex0, gl_TexCoord[0].xy);\n}\n",
     {{"colorMatrix", 16, 1, {0.9f, 0.1f, 0, 0, 0.05f, 0.8f, 0.1f, 0, 0, 0.1f, 0.9f, 0, 0, 0, 0, 1}}}},
    {"edge-directed blend",
     IN_CG "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 dx = float2(1.0 / IN.texture_size.x, 0), dy = float2(0, 1.0 / IN.texture_size.y);\n"
     "  float3 w = float3(0.299, 0.587, 0.114);\n  float4 c = tex2D(tex0, tex);\n"
     "  float4 l = tex2D(tex0, tex - dx), r = tex2D(tex0, tex + dx), u = tex2D(tex0, tex - dy), d = tex2D(tex0, tex + dy);\n"
     "  float h = abs(dot(l.rgb - r.rgb, w)), v = abs(dot(u.rgb - d.rgb, w));\n"
     "  float4 e = lerp((u + d) * 0.5, (l + r) * 0.5, step(h, v));\n  return lerp(c, e, 0.5);\n}\n",
     GLSL_HEAD IN_GL "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n"
     "  vec2 dx = vec2(1.0 / IN.texture_size.x, 0.0), dy = vec2(0.0, 1.0 / IN.texture_size.y);\n"
     "  vec3 w = vec3(0.299, 0.587, 0.114);\n  vec4 c = texture2D(tex0, tex);\n"
     "  vec4 l = texture2D(tex0, tex - dx), r = texture2D(tex0, tex + dx), u = texture2D(tex0, tex - dy), d = texture2D(tex0, tex + dy);\n"
     "  float h = abs(dot(l.rgb - r.rgb, w)), v = abs(dot(u.rgb - d.rgb, w));\n"
     "  vec4 e = mix((u + d) * 0.5, (l + r) * 0.5, step(h, v));\n  gl_FragColor = mix(c, e, 0.5);\n}\n",
     {IN_VALUES}},
    {"film grain",
     IN_CG "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN, uniform float strength) : COLOR {\n"
     "  float n = frac(sin(dot(tex + IN.frame_count * 0.01, float2(12.9898, 78.233))) * 43758.5453);\n"
     "  float4 c = tex2D(tex0, tex);\n  return float4(c.rgb + (n - 0.5) * strength, c.a);\n}\n",
     GLSL_HEAD IN_GL "uniform float strength;\nvoid main() {\n  vec2 tex = gl_TexCoord[0].xy;\n"
     "  float n = fract(sin(dot(tex + IN.frame_count * 0.01, vec2(12.9898, 78.233))) * 43758.5453);\n"
     "  vec4 c = texture2D(tex0, tex);\n  gl_FragColor = vec4(c.rgb + (n - 0.5) * strength, c.a);\n}\n",
     {IN_VALUES, {"strength", 1, 1, {0.08f}}}},
    {"chromatic aberration",
     "uniform sampler2D tex0;\nuniform float amount;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 d = (uv - 0.5) * amount;\n"
     "  float r = tex2D(tex0, uv + d).r, g = tex2D(tex0, uv).g, b = tex2D(tex0, uv - d).b;\n"
     "  return float4(r, g, b, 1);\n}\n",
     GLSL_HEAD "uniform float amount;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy, d = (uv - 0.5) * amount;\n"
     "  gl_FragColor = vec4(texture2D(tex0, uv + d).r, texture2D(tex0, uv).g, texture2D(tex0, uv - d).b, 1.0);\n}\n",
     {{"amount", 1, 1, {0.02f}}}},
    // A fifth round, larger passes as emulator front ends and engines write them: luma of
    // four neighbours through a float4x3, helper functions and a warp, a 4x4 cubic filter
    // in nested loops, composite-signal taps with sin and cos, out and inout parameters
    // with a struct returned, selects by bool vectors.
    {"corner test, float4x3 luma",
     IN_CG "static const float3 Y = float3(0.2126, 0.7152, 0.0722);\n"
     "float4 df(float4 a, float4 b) { return abs(a - b); }\n"
     "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 ps = 1.0 / IN.texture_size;\n  float2 dx = float2(ps.x, 0.0), dy = float2(0.0, ps.y);\n"
     "  float3 E = tex2D(tex0, tex).rgb;\n"
     "  float3 B = tex2D(tex0, tex - dy).rgb, D = tex2D(tex0, tex - dx).rgb;\n"
     "  float3 F = tex2D(tex0, tex + dx).rgb, H = tex2D(tex0, tex + dy).rgb;\n"
     "  float4 b = mul(float4x3(B, D, H, F), Y);\n  float4 d = b.yzwx;\n  float4 e = dot(E, Y);\n"
     "  float4 cond = step(df(b, d), 0.1) * step(0.1, df(e, b));\n"
     "  float3 res = lerp(E, B, cond.x * 0.25);\n  res = lerp(res, D, cond.y * 0.25);\n"
     "  res = lerp(res, H, cond.z * 0.25);\n  res = lerp(res, F, cond.w * 0.25);\n"
     "  return float4(any(cond) ? res : E, 1.0);\n}\n",
     GLSL_HEAD IN_GL "const vec3 Y = vec3(0.2126, 0.7152, 0.0722);\n"
     "vec4 df(vec4 a, vec4 b) { return abs(a - b); }\n"
     "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n  vec2 ps = 1.0 / IN.texture_size;\n"
     "  vec2 dx = vec2(ps.x, 0.0), dy = vec2(0.0, ps.y);\n  vec3 E = texture2D(tex0, tex).rgb;\n"
     "  vec3 B = texture2D(tex0, tex - dy).rgb, D = texture2D(tex0, tex - dx).rgb;\n"
     "  vec3 F = texture2D(tex0, tex + dx).rgb, H = texture2D(tex0, tex + dy).rgb;\n"
     "  vec4 b = Y * mat4x3(B, D, H, F);\n  vec4 d = b.yzwx;\n  vec4 e = vec4(dot(E, Y));\n"
     "  vec4 cond = step(df(b, d), vec4(0.1)) * step(vec4(0.1), df(e, b));\n"
     "  vec3 res = mix(E, B, cond.x * 0.25);\n  res = mix(res, D, cond.y * 0.25);\n"
     "  res = mix(res, H, cond.z * 0.25);\n  res = mix(res, F, cond.w * 0.25);\n"
     "  gl_FragColor = vec4(any(notEqual(cond, vec4(0.0))) ? res : E, 1.0);\n}\n",
     {IN_VALUES}},
    {"curved screen, scanline beam",
     IN_CG "float2 warp(float2 pos) {\n  pos = pos * 2.0 - 1.0;\n"
     "  pos *= float2(1.0 + pos.y * pos.y * 0.031, 1.0 + pos.x * pos.x * 0.041);\n  return pos * 0.5 + 0.5;\n}\n"
     "float4 beam(float d, float4 c) {\n  float4 wid = 2.0 + 2.0 * pow(c, 4.0);\n  float4 w = d / 0.3;\n"
     "  return 1.4 * exp(-pow(w * rsqrt(0.5 * wid), wid)) / (0.6 + 0.2 * wid);\n}\n"
     "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 uv = warp(tex * IN.texture_size / IN.video_size) * IN.video_size / IN.texture_size;\n"
     "  float2 ratio = uv * IN.texture_size - 0.5;\n  float2 f = frac(ratio);\n"
     "  float2 base = (floor(ratio) + 0.5) / IN.texture_size;\n"
     "  float4 c0 = pow(tex2D(tex0, base), 2.4);\n"
     "  float4 c1 = pow(tex2D(tex0, base + float2(0.0, 1.0 / IN.texture_size.y)), 2.4);\n"
     "  float3 col = (c0 * beam(f.y, c0) + c1 * beam(1.0 - f.y, c1)).rgb;\n"
     "  float3 mask = lerp(float3(1.0, 0.7, 1.0), float3(0.7, 1.0, 0.7), step(0.5, frac(tex.x * IN.output_size.x * 0.5)));\n"
     "  bool outside = any(uv < 0.0) || any(uv > IN.video_size / IN.texture_size);\n"
     "  return outside ? float4(0.0, 0.0, 0.0, 1.0) : float4(pow(col * mask, 1.0 / 2.2), 1.0);\n}\n",
     GLSL_HEAD IN_GL "vec2 warp(vec2 pos) {\n  pos = pos * 2.0 - 1.0;\n"
     "  pos *= vec2(1.0 + pos.y * pos.y * 0.031, 1.0 + pos.x * pos.x * 0.041);\n  return pos * 0.5 + 0.5;\n}\n"
     "vec4 beam(float d, vec4 c) {\n  vec4 wid = 2.0 + 2.0 * pow(c, vec4(4.0));\n  vec4 w = vec4(d / 0.3);\n"
     "  return 1.4 * exp(-pow(w * inversesqrt(0.5 * wid), wid)) / (0.6 + 0.2 * wid);\n}\n"
     "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n"
     "  vec2 uv = warp(tex * IN.texture_size / IN.video_size) * IN.video_size / IN.texture_size;\n"
     "  vec2 ratio = uv * IN.texture_size - 0.5;\n  vec2 f = fract(ratio);\n"
     "  vec2 base = (floor(ratio) + 0.5) / IN.texture_size;\n"
     "  vec4 c0 = pow(texture2D(tex0, base), vec4(2.4));\n"
     "  vec4 c1 = pow(texture2D(tex0, base + vec2(0.0, 1.0 / IN.texture_size.y)), vec4(2.4));\n"
     "  vec3 col = (c0 * beam(f.y, c0) + c1 * beam(1.0 - f.y, c1)).rgb;\n"
     "  vec3 mask = mix(vec3(1.0, 0.7, 1.0), vec3(0.7, 1.0, 0.7), step(0.5, fract(tex.x * IN.output_size.x * 0.5)));\n"
     "  bool outside = any(lessThan(uv, vec2(0.0))) || any(greaterThan(uv, IN.video_size / IN.texture_size));\n"
     "  gl_FragColor = outside ? vec4(0.0, 0.0, 0.0, 1.0) : vec4(pow(col * mask, vec3(1.0 / 2.2)), 1.0);\n}\n",
     {IN_VALUES}},
    {"cubic 4x4, nested loops",
     IN_CG "float4 weights(float t) {\n  float t2 = t * t, t3 = t2 * t;\n"
     "  return float4(-0.5 * t3 + t2 - 0.5 * t, 1.5 * t3 - 2.5 * t2 + 1.0, -1.5 * t3 + 2.0 * t2 + 0.5 * t, 0.5 * t3 - 0.5 * t2);\n}\n"
     "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 texel = tex * IN.texture_size - 0.5;\n  float2 f = frac(texel);\n  float2 base = floor(texel) - 0.5;\n"
     "  float4 wx = weights(f.x), wy = weights(f.y);\n  float4 sum = 0;\n"
     "  for (int j = 0; j < 4; j++) {\n    float4 row = 0;\n    for (int i = 0; i < 4; i++)\n"
     "      row += tex2D(tex0, (base + float2(i, j)) / IN.texture_size) * wx[i];\n"
     "    sum += row * wy[j];\n  }\n  return sum;\n}\n",
     GLSL_HEAD IN_GL "vec4 weights(float t) {\n  float t2 = t * t, t3 = t2 * t;\n"
     "  return vec4(-0.5 * t3 + t2 - 0.5 * t, 1.5 * t3 - 2.5 * t2 + 1.0, -1.5 * t3 + 2.0 * t2 + 0.5 * t, 0.5 * t3 - 0.5 * t2);\n}\n"
     "void main() {\n  vec2 texel = gl_TexCoord[0].xy * IN.texture_size - 0.5;\n  vec2 f = fract(texel);\n"
     "  vec2 base = floor(texel) - 0.5;\n  vec4 wx = weights(f.x), wy = weights(f.y);\n  vec4 sum = vec4(0.0);\n"
     "  for (int j = 0; j < 4; j++) {\n    vec4 row = vec4(0.0);\n    for (int i = 0; i < 4; i++)\n"
     "      row += texture2D(tex0, (base + vec2(i, j)) / IN.texture_size) * wx[i];\n"
     "    sum += row * wy[j];\n  }\n  gl_FragColor = sum;\n}\n",
     {IN_VALUES}},
    {"composite taps, sin and cos",
     IN_CG "static const float weights[7] = {0.04, 0.1, 0.2, 0.32, 0.2, 0.1, 0.04};\n"
     "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 one = float2(1.0 / IN.texture_size.x, 0.0);\n  float3 yiq = 0;\n"
     "  for (int i = 0; i < 7; i++) {\n    float2 p = tex + one * (i - 3);\n    float3 c = tex2D(tex0, p).rgb;\n"
     "    float phase = (p.x * IN.texture_size.x + IN.frame_count) * 1.5708;\n"
     "    float y = dot(c, float3(0.299, 0.587, 0.114));\n"
     "    float ch = dot(c, float3(0.596, -0.274, -0.322)) * cos(phase) + dot(c, float3(0.211, -0.523, 0.312)) * sin(phase);\n"
     "    yiq += float3(y, ch * cos(phase), ch * sin(phase)) * weights[i];\n  }\n"
     "  float3x3 toRgb = float3x3(1.0, 0.956, 0.621, 1.0, -0.272, -0.647, 1.0, -1.106, 1.703);\n"
     "  return float4(mul(toRgb, yiq), 1.0);\n}\n",
     GLSL_HEAD IN_GL "const float weights[7] = float[7](0.04, 0.1, 0.2, 0.32, 0.2, 0.1, 0.04);\n"
     "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n  vec2 one = vec2(1.0 / IN.texture_size.x, 0.0);\n  vec3 yiq = vec3(0.0);\n"
     "  for (int i = 0; i < 7; i++) {\n    vec2 p = tex + one * float(i - 3);\n    vec3 c = texture2D(tex0, p).rgb;\n"
     "    float phase = (p.x * IN.texture_size.x + IN.frame_count) * 1.5708;\n"
     "    float y = dot(c, vec3(0.299, 0.587, 0.114));\n"
     "    float ch = dot(c, vec3(0.596, -0.274, -0.322)) * cos(phase) + dot(c, vec3(0.211, -0.523, 0.312)) * sin(phase);\n"
     "    yiq += vec3(y, ch * cos(phase), ch * sin(phase)) * weights[i];\n  }\n"
     "  mat3 toRgb = mat3(1.0, 0.956, 0.621, 1.0, -0.272, -0.647, 1.0, -1.106, 1.703);\n"
     "  gl_FragColor = vec4(yiq * toRgb, 1.0);\n}\n",
     {IN_VALUES}},
    {"out and inout, struct returned, half",
     "struct Shade { half3 diffuse; half highlight; };\n"
     "Shade shade(half3 n, half3 l, half3 v, half power) {\n  Shade s;\n  half3 h = normalize(l + v);\n"
     "  s.diffuse = saturate(dot(n, l));\n  s.highlight = pow(saturate(dot(n, h)), power);\n  return s;\n}\n"
     "void toLinear(inout half3 c) { c = c * c; }\n"
     "void split(float4 t, out half3 rgb, out half a) { rgb = t.rgb; a = t.a; }\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1, float3 l : TEXCOORD2, uniform sampler2D tex0,\n"
     "            uniform half shininess, uniform half3 lightColour) : COLOR {\n"
     "  half3 albedo;\n  half alpha;\n  split(tex2D(tex0, uv), albedo, alpha);\n  toLinear(albedo);\n"
     "  Shade s = shade(normalize(n), normalize(l), half3(0, 0, 1), shininess);\n"
     "  half3 c = albedo * s.diffuse * lightColour + s.highlight;\n  return float4(sqrt(c), alpha);\n}\n",
     GLSL_HEAD "uniform float shininess;\nuniform vec3 lightColour;\n"
     "struct Shade { vec3 diffuse; float highlight; };\n"
     "Shade shade(vec3 n, vec3 l, vec3 v, float power) {\n  Shade s;\n  vec3 h = normalize(l + v);\n"
     "  s.diffuse = vec3(clamp(dot(n, l), 0.0, 1.0));\n  s.highlight = pow(clamp(dot(n, h), 0.0, 1.0), power);\n  return s;\n}\n"
     "void toLinear(inout vec3 c) { c = c * c; }\n"
     "void split(vec4 t, out vec3 rgb, out float a) { rgb = t.rgb; a = t.a; }\n"
     "void main() {\n  vec3 albedo;\n  float alpha;\n  split(texture2D(tex0, gl_TexCoord[0].xy), albedo, alpha);\n  toLinear(albedo);\n"
     "  Shade s = shade(normalize(gl_TexCoord[1].xyz), normalize(gl_TexCoord[2].xyz), vec3(0.0, 0.0, 1.0), shininess);\n"
     "  vec3 c = albedo * s.diffuse * lightColour + s.highlight;\n  gl_FragColor = vec4(sqrt(c), alpha);\n}\n",
     {{"shininess", 1, 1, {24}}, {"lightColour", 3, 1, {1, 0.9f, 0.8f}}}},
    {"selects by bool vectors",
     "float4 main(float2 uv : TEXCOORD0, float4 col : COLOR0, uniform sampler2D tex0, uniform float4 key,\n"
     "            uniform float tolerance) : COLOR {\n  float4 c = tex2D(tex0, uv);\n  float3 d = abs(c.rgb - key.rgb);\n"
     "  bool3 near = d < tolerance;\n  float3 r = near ? col.rgb : c.rgb;\n  float k = all(near) ? 0.0 : c.a;\n"
     "  return float4(lerp(r, c.bgr, (float3)(d > 0.5)), k);\n}\n",
     GLSL_HEAD "uniform vec4 key;\nuniform float tolerance;\nvoid main() {\n"
     "  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n  vec3 d = abs(c.rgb - key.rgb);\n"
     "  bvec3 near = lessThan(d, vec3(tolerance));\n  vec3 r = mix(c.rgb, gl_Color.rgb, vec3(near));\n"
     "  float k = all(near) ? 0.0 : c.a;\n"
     "  gl_FragColor = vec4(mix(r, c.bgr, vec3(greaterThan(d, vec3(0.5)))), k);\n}\n",
     {{"key", 4, 1, {0.5f, 0.4f, 0.3f, 1}}, {"tolerance", 1, 1, {0.25f}}}},
    // A sixth round: lanczos2 with sinc weights and a local named step, hue and saturation
    // through HSV with ifs, a rational tone curve, a projected shadow compare, parallax, value
    // noise.
    {"lanczos2, 4 taps, step shadowed",
     IN_CG "float4 weights(float x) {\n  float4 d = float4(x + 1.0, x, 1.0 - x, 2.0 - x) * 3.1415927;\n"
     "  d = max(abs(d), 1e-5);\n  return sin(d) * sin(d * 0.5) / (d * d * 0.5);\n}\n"
     "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 step = float2(1.0 / IN.texture_size.x, 0.0);\n  float pos = tex.x * IN.texture_size.x - 0.5;\n"
     "  float2 base = float2((floor(pos) + 0.5) / IN.texture_size.x, tex.y);\n"
     "  float4 w = weights(frac(pos));\n  w /= dot(w, 1.0);\n"
     "  float3 c = tex2D(tex0, base - step).rgb * w.x + tex2D(tex0, base).rgb * w.y\n"
     "    + tex2D(tex0, base + step).rgb * w.z + tex2D(tex0, base + 2.0 * step).rgb * w.w;\n"
     "  return float4(c, 1.0);\n}\n",
     GLSL_HEAD IN_GL "vec4 weights(float x) {\n  vec4 d = vec4(x + 1.0, x, 1.0 - x, 2.0 - x) * 3.1415927;\n"
     "  d = max(abs(d), 1e-5);\n  return sin(d) * sin(d * 0.5) / (d * d * 0.5);\n}\n"
     "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n"
     "  vec2 step = vec2(1.0 / IN.texture_size.x, 0.0);\n  float pos = tex.x * IN.texture_size.x - 0.5;\n"
     "  vec2 base = vec2((floor(pos) + 0.5) / IN.texture_size.x, tex.y);\n"
     "  vec4 w = weights(fract(pos));\n  w /= dot(w, vec4(1.0));\n"
     "  vec3 c = texture2D(tex0, base - step).rgb * w.x + texture2D(tex0, base).rgb * w.y\n"
     "    + texture2D(tex0, base + step).rgb * w.z + texture2D(tex0, base + 2.0 * step).rgb * w.w;\n"
     "  gl_FragColor = vec4(c, 1.0);\n}\n",
     {IN_VALUES}},
    {"hue and saturation through hsv, ifs",
     "uniform sampler2D tex0;\nuniform float shift, satScale;\n"
     "float3 toHsv(float3 c) {\n  float hi = max(c.r, max(c.g, c.b)), lo = min(c.r, min(c.g, c.b)), d = hi - lo;\n"
     "  float h = 0;\n  if (d > 0) {\n    if (hi == c.r) h = (c.g - c.b) / d;\n"
     "    else if (hi == c.g) h = 2 + (c.b - c.r) / d;\n    else h = 4 + (c.r - c.g) / d;\n"
     "    h = frac(h / 6 + 1);\n  }\n  return float3(h, hi > 0 ? d / hi : 0, hi);\n}\n"
     "float3 fromHsv(float3 v) {\n  float3 k = frac(v.x + float3(1.0, 2.0 / 3.0, 1.0 / 3.0)) * 6 - 3;\n"
     "  return v.z * lerp(1.0, saturate(abs(k) - 1), v.y);\n}\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 t = tex2D(tex0, uv);\n  float3 h = toHsv(t.rgb);\n"
     "  h.x = frac(h.x + shift);\n  h.y = saturate(h.y * satScale);\n  return float4(fromHsv(h), t.a);\n}\n",
     GLSL_HEAD "uniform float shift, satScale;\n"
     "vec3 toHsv(vec3 c) {\n  float hi = max(c.r, max(c.g, c.b)), lo = min(c.r, min(c.g, c.b)), d = hi - lo;\n"
     "  float h = 0.0;\n  if (d > 0.0) {\n    if (hi == c.r) h = (c.g - c.b) / d;\n"
     "    else if (hi == c.g) h = 2.0 + (c.b - c.r) / d;\n    else h = 4.0 + (c.r - c.g) / d;\n"
     "    h = fract(h / 6.0 + 1.0);\n  }\n  return vec3(h, hi > 0.0 ? d / hi : 0.0, hi);\n}\n"
     "vec3 fromHsv(vec3 v) {\n  vec3 k = fract(v.x + vec3(1.0, 2.0 / 3.0, 1.0 / 3.0)) * 6.0 - 3.0;\n"
     "  return v.z * mix(vec3(1.0), clamp(abs(k) - 1.0, 0.0, 1.0), v.y);\n}\n"
     "void main() {\n  vec4 t = texture2D(tex0, gl_TexCoord[0].xy);\n  vec3 h = toHsv(t.rgb);\n"
     "  h.x = fract(h.x + shift);\n  h.y = clamp(h.y * satScale, 0.0, 1.0);\n  gl_FragColor = vec4(fromHsv(h), t.a);\n}\n",
     {{"shift", 1, 1, {0.15f}}, {"satScale", 1, 1, {1.3f}}}},
    {"rational tone curve, white point",
     "float3 curve(float3 x) { return x * (1.8 * x + 0.05) / (x * (1.7 * x + 0.5) + 0.2); }\n"
     "float4 main(float2 uv : TEXCOORD0, uniform sampler2D tex0, uniform float exposure, uniform float white) : COLOR {\n"
     "  float3 c = tex2D(tex0, uv).rgb * exposure;\n  float3 m = curve(c) / curve(white.xxx);\n"
     "  return float4(pow(saturate(m), 1 / 2.2), 1);\n}\n",
     GLSL_HEAD "uniform float exposure, white;\n"
     "vec3 curve(vec3 x) { return x * (1.8 * x + 0.05) / (x * (1.7 * x + 0.5) + 0.2); }\n"
     "void main() {\n  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb * exposure;\n  vec3 m = curve(c) / curve(vec3(white));\n"
     "  gl_FragColor = vec4(pow(clamp(m, 0.0, 1.0), vec3(1.0 / 2.2)), 1.0);\n}\n",
     {{"exposure", 1, 1, {1.6f}}, {"white", 1, 1, {4}}}},
    {"shadow 2x2 compare, projected",
     "uniform sampler2D tex0, tex1;\nuniform float2 shadowTexel;\nuniform float bias;\n"
     "float4 main(float4 sc : TEXCOORD3) : COLOR {\n  float3 p = sc.xyz / sc.w;\n  float lit = 0;\n"
     "  for (int y = 0; y < 2; y++)\n    for (int x = 0; x < 2; x++) {\n"
     "      float d = tex2D(tex1, p.xy + (float2(x, y) - 0.5) * shadowTexel).r;\n"
     "      lit += d + bias < p.z ? 0.0 : 0.25;\n    }\n"
     "  return tex2Dproj(tex0, sc.xyw) * (0.35 + 0.65 * lit);\n}\n",
     GLSL_HEAD "uniform vec2 shadowTexel;\nuniform float bias;\n"
     "void main() {\n  vec4 sc = gl_TexCoord[3];\n  vec3 p = sc.xyz / sc.w;\n  float lit = 0.0;\n"
     "  for (int y = 0; y < 2; y++)\n    for (int x = 0; x < 2; x++) {\n"
     "      float d = texture2D(tex1, p.xy + (vec2(float(x), float(y)) - 0.5) * shadowTexel).r;\n"
     "      lit += d + bias < p.z ? 0.0 : 0.25;\n    }\n"
     "  gl_FragColor = texture2DProj(tex0, sc.xyw) * (0.35 + 0.65 * lit);\n}\n",
     {{"shadowTexel", 2, 1, {1.0f / 512, 1.0f / 512}}, {"bias", 1, 1, {0.002f}}}},
    {"parallax offset, normal from texture",
     "float4 main(float2 uv : TEXCOORD0, float3 v : TEXCOORD2, uniform sampler2D tex0, uniform sampler2D tex1,\n"
     "            uniform float scale, uniform float heightBias, uniform float3 lightDir) : COLOR {\n"
     "  float3 V = normalize(v);\n  float h = tex2D(tex1, uv).g * scale + heightBias;\n"
     "  float2 puv = uv + h * V.xy / V.z;\n  float3 n = normalize(tex2D(tex1, puv).xyz * 2 - 1);\n"
     "  float3 L = normalize(lightDir);\n  float ndl = saturate(dot(n, L));\n"
     "  float shine = pow(saturate(dot(reflect(-L, n), V)), 24);\n"
     "  return float4(tex2D(tex0, puv).rgb * (0.2 + 0.8 * ndl) + shine * 0.3, 1);\n}\n",
     GLSL_HEAD "uniform float scale, heightBias;\nuniform vec3 lightDir;\n"
     "void main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  vec3 V = normalize(gl_TexCoord[2].xyz);\n"
     "  float h = texture2D(tex1, uv).g * scale + heightBias;\n"
     "  vec2 puv = uv + h * V.xy / V.z;\n  vec3 n = normalize(texture2D(tex1, puv).xyz * 2.0 - 1.0);\n"
     "  vec3 L = normalize(lightDir);\n  float ndl = clamp(dot(n, L), 0.0, 1.0);\n"
     "  float shine = pow(clamp(dot(reflect(-L, n), V), 0.0, 1.0), 24.0);\n"
     "  gl_FragColor = vec4(texture2D(tex0, puv).rgb * (0.2 + 0.8 * ndl) + shine * 0.3, 1.0);\n}\n",
     {{"scale", 1, 1, {0.04f}}, {"heightBias", 1, 1, {-0.02f}}, {"lightDir", 3, 1, {0.3f, 0.5f, 0.8f}}}},
    {"value noise, three octaves",
     "uniform sampler2D tex0;\nuniform float time;\nuniform float2 cells;\n"
     "float hash(float2 p) { return frac(sin(dot(p, float2(27.17, 61.31))) * 7.31); }\n"
     "float noise(float2 p) {\n  float2 i = floor(p), f = frac(p);\n  float2 u = f * f * (3 - 2 * f);\n"
     "  float a = hash(i), b = hash(i + float2(1, 0)), c = hash(i + float2(0, 1)), d = hash(i + 1);\n"
     "  return lerp(lerp(a, b, u.x), lerp(c, d, u.x), u.y);\n}\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 p = uv * cells + float2(time * 0.7, time * 0.3);\n"
     "  float n = noise(p) * 0.6 + noise(p * 2.03 + 5.1) * 0.3 + noise(p * 4.01 + 1.7) * 0.1;\n"
     "  return tex2D(tex0, uv) * (0.7 + 0.6 * n);\n}\n",
     GLSL_HEAD "uniform float time;\nuniform vec2 cells;\n"
     "float hash(vec2 p) { return fract(sin(dot(p, vec2(27.17, 61.31))) * 7.31); }\n"
     "float noise(vec2 p) {\n  vec2 i = floor(p), f = fract(p);\n  vec2 u = f * f * (3.0 - 2.0 * f);\n"
     "  float a = hash(i), b = hash(i + vec2(1.0, 0.0)), c = hash(i + vec2(0.0, 1.0)), d = hash(i + 1.0);\n"
     "  return mix(mix(a, b, u.x), mix(c, d, u.x), u.y);\n}\n"
     "void main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  vec2 p = uv * cells + vec2(time * 0.7, time * 0.3);\n"
     "  float n = noise(p) * 0.6 + noise(p * 2.03 + 5.1) * 0.3 + noise(p * 4.01 + 1.7) * 0.1;\n"
     "  gl_FragColor = texture2D(tex0, uv) * (0.7 + 0.6 * n);\n}\n",
     {{"time", 1, 1, {2.5f}}, {"cells", 2, 1, {12, 9}}}},
    // A seventh round, after the sixth's fixes: a bilateral blur with continue in its loop,
    // half and its literals, sincos and a biased lookup, a do-while, an EPX-style pixel-art
    // scaler with nested ifs on bools, a colour lookup table in slices, a row vector times a
    // float4x4.
    {"bilateral, continue in the loop",
     "uniform sampler2D tex0;\nuniform float2 texel;\nuniform float sharpness;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 centre = tex2D(tex0, uv);\n  float4 sum = centre;\n"
     "  float total = 1;\n  for (int i = -2; i <= 2; i++) {\n    if (i == 0) continue;\n"
     "    float4 s = tex2D(tex0, uv + texel * i);\n    float3 d = s.rgb - centre.rgb;\n"
     "    float w = exp(-dot(d, d) * sharpness - i * i * 0.1);\n    sum += s * w;\n    total += w;\n  }\n"
     "  return sum / total;\n}\n",
     GLSL_HEAD "uniform vec2 texel;\nuniform float sharpness;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n"
     "  vec4 centre = texture2D(tex0, uv);\n  vec4 sum = centre;\n  float total = 1.0;\n"
     "  for (int i = -2; i <= 2; i++) {\n    if (i == 0) continue;\n"
     "    vec4 s = texture2D(tex0, uv + texel * float(i));\n    vec3 d = s.rgb - centre.rgb;\n"
     "    float w = exp(-dot(d, d) * sharpness - float(i * i) * 0.1);\n    sum += s * w;\n    total += w;\n  }\n"
     "  gl_FragColor = sum / total;\n}\n",
     {{"texel", 2, 1, {1.0f / 256, 1.0f / 224}}, {"sharpness", 1, 1, {6}}}},
    {"glow in half, h literals",
     "uniform sampler2D tex0;\nuniform half glow;\n"
     "half4 main(float2 uv : TEXCOORD0) : COLOR {\n  half3 c = tex2D(tex0, uv).rgb;\n"
     "  half l = dot(c, half3(0.3h, 0.59h, 0.11h));\n  half3 g = c * c * glow + c * (1.0h - glow);\n"
     "  return half4(lerp(g, l.xxx, 0.25h), 1.0h);\n}\n",
     GLSL_HEAD "uniform float glow;\nvoid main() {\n  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb;\n"
     "  float l = dot(c, vec3(0.3, 0.59, 0.11));\n  vec3 g = c * c * glow + c * (1.0 - glow);\n"
     "  gl_FragColor = vec4(mix(g, vec3(l), 0.25), 1.0);\n}\n",
     {{"glow", 1, 1, {0.6f}}}},
    {"sincos rotation, biased lookup",
     "uniform sampler2D tex0;\nuniform float angle;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float s, c;\n  sincos(angle + uv.y * 0.5, s, c);\n"
     "  float2 p = uv - 0.5;\n  float2 r = float2(p.x * c - p.y * s, p.x * s + p.y * c) + 0.5;\n"
     "  return tex2Dbias(tex0, float4(r, 0, 0.5));\n}\n",
     GLSL_HEAD "uniform float angle;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  float a = angle + uv.y * 0.5;\n"
     "  float s = sin(a), c = cos(a);\n  vec2 p = uv - 0.5;\n"
     "  vec2 r = vec2(p.x * c - p.y * s, p.x * s + p.y * c) + 0.5;\n  gl_FragColor = texture2D(tex0, r, 0.5);\n}\n",
     {{"angle", 1, 1, {0.4f}}}},
    {"echo taps in a do-while",
     "uniform sampler2D tex0;\nuniform float2 dir;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 acc = 0;\n  float w = 1;\n  int i = 0;\n"
     "  do {\n    acc += tex2D(tex0, uv + dir * i) * w;\n    w *= 0.6;\n    i++;\n  } while (i < 4);\n"
     "  return acc * (1 - 0.6) / (1 - pow(0.6, 4));\n}\n",
     GLSL_HEAD "uniform vec2 dir;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  vec4 acc = vec4(0.0);\n"
     "  float w = 1.0;\n  int i = 0;\n"
     "  do {\n    acc += texture2D(tex0, uv + dir * float(i)) * w;\n    w *= 0.6;\n    i++;\n  } while (i < 4);\n"
     "  gl_FragColor = acc * (1.0 - 0.6) / (1.0 - pow(0.6, 4.0));\n}\n",
     {{"dir", 2, 1, {0.006f, 0.002f}}}},
    {"EPX-style scaler, ifs on bools",
     "uniform sampler2D tex0;\nuniform float2 texSize;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 d = 1.0 / texSize;\n  float3 E = tex2D(tex0, uv).rgb;\n"
     "  float3 B = tex2D(tex0, uv - float2(0, d.y)).rgb, H = tex2D(tex0, uv + float2(0, d.y)).rgb;\n"
     "  float3 D = tex2D(tex0, uv - float2(d.x, 0)).rgb, F = tex2D(tex0, uv + float2(d.x, 0)).rgb;\n"
     "  float2 f = frac(uv * texSize);\n  float3 r = E;\n"
     "  if (any(abs(B - H) > 0.1) && any(abs(D - F) > 0.1)) {\n    bool left = f.x < 0.5, top = f.y < 0.5;\n"
     "    if (left && top && all(abs(D - B) < 0.1)) r = D;\n"
     "    else if (!left && top && all(abs(B - F) < 0.1)) r = F;\n"
     "    else if (left && !top && all(abs(D - H) < 0.1)) r = D;\n"
     "    else if (!left && !top && all(abs(H - F) < 0.1)) r = F;\n  }\n  return float4(r, 1);\n}\n",
     GLSL_HEAD "uniform vec2 texSize;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  vec2 d = 1.0 / texSize;\n"
     "  vec3 E = texture2D(tex0, uv).rgb;\n"
     "  vec3 B = texture2D(tex0, uv - vec2(0.0, d.y)).rgb, H = texture2D(tex0, uv + vec2(0.0, d.y)).rgb;\n"
     "  vec3 D = texture2D(tex0, uv - vec2(d.x, 0.0)).rgb, F = texture2D(tex0, uv + vec2(d.x, 0.0)).rgb;\n"
     "  vec2 f = fract(uv * texSize);\n  vec3 r = E;\n"
     "  if (any(greaterThan(abs(B - H), vec3(0.1))) && any(greaterThan(abs(D - F), vec3(0.1)))) {\n"
     "    bool left = f.x < 0.5, top = f.y < 0.5;\n"
     "    if (left && top && all(lessThan(abs(D - B), vec3(0.1)))) r = D;\n"
     "    else if (!left && top && all(lessThan(abs(B - F), vec3(0.1)))) r = F;\n"
     "    else if (left && !top && all(lessThan(abs(D - H), vec3(0.1)))) r = D;\n"
     "    else if (!left && !top && all(lessThan(abs(H - F), vec3(0.1)))) r = F;\n  }\n"
     "  gl_FragColor = vec4(r, 1.0);\n}\n",
     {{"texSize", 2, 1, {256, 256}}}},
    {"colour table in slices",
     "uniform sampler2D tex0, tex1;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n  float b = c.b * 15.0;\n"
     "  float s0 = floor(b), s1 = min(s0 + 1.0, 15.0);\n"
     "  float2 p = float2(c.r * 15.0 / 256.0 + 0.5 / 256.0, c.g * 15.0 / 16.0 + 0.5 / 16.0);\n"
     "  float3 a = tex2D(tex1, p + float2(s0 / 16.0, 0)).rgb;\n  float3 e = tex2D(tex1, p + float2(s1 / 16.0, 0)).rgb;\n"
     "  return float4(lerp(a, e, b - s0), c.a);\n}\n",
     GLSL_HEAD "void main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n  float b = c.b * 15.0;\n"
     "  float s0 = floor(b), s1 = min(s0 + 1.0, 15.0);\n"
     "  vec2 p = vec2(c.r * 15.0 / 256.0 + 0.5 / 256.0, c.g * 15.0 / 16.0 + 0.5 / 16.0);\n"
     "  vec3 a = texture2D(tex1, p + vec2(s0 / 16.0, 0.0)).rgb;\n  vec3 e = texture2D(tex1, p + vec2(s1 / 16.0, 0.0)).rgb;\n"
     "  gl_FragColor = vec4(mix(a, e, b - s0), c.a);\n}\n",
     {}},
    {"row vector times a float4x4",
     "uniform sampler2D tex0;\nuniform float4x4 grade;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = tex2D(tex0, uv).rgb;\n"
     "  return float4(saturate(mul(float4(c, 1), grade).rgb), 1);\n}\n",
     GLSL_HEAD "uniform mat4 grade;\nvoid main() {\n  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb;\n"
     "  gl_FragColor = vec4(clamp((vec4(c, 1.0) * grade).rgb, 0.0, 1.0), 1.0);\n}\n",
     {{"grade", 16, 1, {0.9f, 0.05f, 0.02f, 0, 0.1f, 0.85f, 0.05f, 0, 0.0f, 0.1f, 0.9f, 0, 0.02f, 0.01f, 0.03f, 1}}}},
    // An eighth round, as engines write their passes: lights up to a uniform count with a
    // break, and a normal map through a float3x3 of tangent, bitangent and normal.
    {"lights up to a uniform count, break",
     "uniform sampler2D tex0;\nstruct Light { float3 pos; float4 colour; };\nuniform Light lights[3];\n"
     "uniform float lightCount;\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1, float3 p : TEXCOORD3) : COLOR {\n"
     "  float3 N = normalize(n);\n  float3 sum = 0.1;\n  for (int i = 0; i < 3; i++) {\n"
     "    if (i >= lightCount) break;\n    float3 L = lights[i].pos - p;\n    float d = length(L);\n"
     "    float att = saturate(1 - d / lights[i].colour.w);\n"
     "    sum += lights[i].colour.rgb * saturate(dot(N, L / d)) * att * att;\n  }\n"
     "  return tex2D(tex0, uv) * float4(sum, 1);\n}\n",
     GLSL_HEAD "struct Light { vec3 pos; vec4 colour; };\nuniform Light lights[3];\nuniform float lightCount;\n"
     "void main() {\n  vec3 N = normalize(gl_TexCoord[1].xyz), p = gl_TexCoord[3].xyz;\n  vec3 sum = vec3(0.1);\n"
     "  for (int i = 0; i < 3; i++) {\n    if (float(i) >= lightCount) break;\n    vec3 L = lights[i].pos - p;\n"
     "    float d = length(L);\n    float att = clamp(1.0 - d / lights[i].colour.w, 0.0, 1.0);\n"
     "    sum += lights[i].colour.rgb * clamp(dot(N, L / d), 0.0, 1.0) * att * att;\n  }\n"
     "  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy) * vec4(sum, 1.0);\n}\n",
     {{"lights[0].pos", 3, 1, {0.5f, 0.5f, 1.5f}}, {"lights[0].colour", 4, 1, {1, 0.9f, 0.8f, 3}},
      {"lights[1].pos", 3, 1, {-1, 0.5f, 1}}, {"lights[1].colour", 4, 1, {0.2f, 0.3f, 0.6f, 2.5f}},
      {"lights[2].pos", 3, 1, {0, -1, 0.5f}}, {"lights[2].colour", 4, 1, {0.5f, 0.2f, 0.1f, 2}},
      {"lightCount", 1, 1, {2}}}},
    {"normal map through a float3x3",
     "uniform sampler2D tex0, tex1;\nuniform float3 lightDir;\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1, float3 t : TEXCOORD2) : COLOR {\n"
     "  float3 N = normalize(n), T = normalize(t - N * dot(N, t)), B = cross(N, T);\n"
     "  float3x3 tbn = float3x3(T, B, N);\n  float3 m = tex2D(tex1, uv).xyz * 2 - 1;\n"
     "  float3 world = mul(m, tbn);\n  float diffuse = saturate(dot(normalize(world), lightDir));\n"
     "  return tex2D(tex0, uv) * (0.2 + 0.8 * diffuse);\n}\n",
     GLSL_HEAD "uniform vec3 lightDir;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n"
     "  vec3 N = normalize(gl_TexCoord[1].xyz), t = gl_TexCoord[2].xyz;\n"
     "  vec3 T = normalize(t - N * dot(N, t)), B = cross(N, T);\n  mat3 tbn = mat3(T, B, N);\n"
     "  vec3 m = texture2D(tex1, uv).xyz * 2.0 - 1.0;\n  vec3 world = tbn * m;\n"
     "  float diffuse = clamp(dot(normalize(world), lightDir), 0.0, 1.0);\n"
     "  gl_FragColor = texture2D(tex0, uv) * (0.2 + 0.8 * diffuse);\n}\n",
     {{"lightDir", 3, 1, {0.36f, 0.48f, 0.8f}}}},
    // A ninth round: a piecewise sRGB curve by a vector ternary, an early return from a helper,
    // heat haze from two lookups of a noise texture, night vision from grain, vignette and
    // scanlines.
    {"sRGB to linear by a vector ternary",
     "uniform sampler2D tex0;\n"
     "float3 toLinear(float3 c) {\n  return c <= 0.04045 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4);\n}\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  return float4(toLinear(c.rgb) * 1.2, c.a);\n}\n",
     GLSL_HEAD "vec3 toLinear(vec3 c) {\n"
     "  return mix(pow((c + 0.055) / 1.055, vec3(2.4)), c / 12.92, vec3(lessThanEqual(c, vec3(0.04045))));\n}\n"
     "void main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  gl_FragColor = vec4(toLinear(c.rgb) * 1.2, c.a);\n}\n",
     {}},
    {"early return from a helper",
     "uniform sampler2D tex0;\nuniform float4 outline;\n"
     "float4 shade(float2 uv) {\n  float4 c = tex2D(tex0, uv);\n  if (c.a < 0.25) return outline;\n"
     "  c.rgb *= 1.0 + c.a * 0.5;\n  return c;\n}\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR { return shade(uv); }\n",
     GLSL_HEAD "uniform vec4 outline;\n"
     "vec4 shade(vec2 uv) {\n  vec4 c = texture2D(tex0, uv);\n  if (c.a < 0.25) return outline;\n"
     "  c.rgb *= 1.0 + c.a * 0.5;\n  return c;\n}\n"
     "void main() { gl_FragColor = shade(gl_TexCoord[0].xy); }\n",
     {{"outline", 4, 1, {0.1f, 0.1f, 0.2f, 1}}}},
    {"heat haze, two noise lookups",
     "uniform sampler2D tex0, tex1;\nuniform float time;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float2 n = tex2D(tex1, uv * 2 + float2(0, time * 0.1)).rg * 2 - 1;\n"
     "  n += tex2D(tex1, uv * 3.7 - float2(time * 0.05, 0)).gb - 0.5;\n"
     "  float k = saturate(1 - uv.y) * 0.01;\n  return tex2D(tex0, uv + n * k);\n}\n",
     GLSL_HEAD "uniform float time;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n"
     "  vec2 n = texture2D(tex1, uv * 2.0 + vec2(0.0, time * 0.1)).rg * 2.0 - 1.0;\n"
     "  n += texture2D(tex1, uv * 3.7 - vec2(time * 0.05, 0.0)).gb - 0.5;\n"
     "  float k = clamp(1.0 - uv.y, 0.0, 1.0) * 0.01;\n  gl_FragColor = texture2D(tex0, uv + n * k);\n}\n",
     {{"time", 1, 1, {3.5f}}}},
    {"night vision: grain, vignette, scanlines",
     "uniform sampler2D tex0, tex1;\nuniform float time, gain;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = tex2D(tex0, uv).rgb;\n"
     "  float l = dot(c, float3(0.3, 0.59, 0.11)) * gain;\n"
     "  float grain = tex2D(tex1, uv * 4 + frac(time * float2(3.1, 1.7))).r - 0.5;\n"
     "  float2 d = uv - 0.5;\n  float vig = saturate(1.2 - dot(d, d) * 3);\n"
     "  float scan = 0.85 + 0.15 * sin(uv.y * 800);\n"
     "  return float4(float3(0.1, 0.95, 0.2) * (l + grain * 0.2) * vig * scan, 1);\n}\n",
     GLSL_HEAD "uniform float time, gain;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n"
     "  vec3 c = texture2D(tex0, uv).rgb;\n  float l = dot(c, vec3(0.3, 0.59, 0.11)) * gain;\n"
     "  float grain = texture2D(tex1, uv * 4.0 + fract(time * vec2(3.1, 1.7))).r - 0.5;\n"
     "  vec2 d = uv - 0.5;\n  float vig = clamp(1.2 - dot(d, d) * 3.0, 0.0, 1.0);\n"
     "  float scan = 0.85 + 0.15 * sin(uv.y * 800.0);\n"
     "  gl_FragColor = vec4(vec3(0.1, 0.95, 0.2) * (l + grain * 0.2) * vig * scan, 1.0);\n}\n",
     {{"time", 1, 1, {1.3f}}, {"gain", 1, 1, {1.5f}}}},
    // A tenth round, for library functions no program above calls: asin and acos, log2,
    // refract and faceforward, modf, tanh, % on a loop's int, float1 and round, tex2Dproj,
    // transpose of a uniform matrix.
    {"equirectangular lookup by asin and acos",
     "uniform sampler2D tex0;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 p = uv * 2 - 1;\n"
     "  float lat = asin(clamp(p.y, -1, 1)) / 3.1415927 + 0.5;\n"
     "  float lon = acos(clamp(p.x * 0.9, -1, 1)) / 3.1415927;\n"
     "  return tex2D(tex0, float2(lon, lat));\n}\n",
     GLSL_HEAD "void main() {\n  vec2 p = gl_TexCoord[0].xy * 2.0 - 1.0;\n"
     "  float lat = asin(clamp(p.y, -1.0, 1.0)) / 3.1415927 + 0.5;\n"
     "  float lon = acos(clamp(p.x * 0.9, -1.0, 1.0)) / 3.1415927;\n"
     "  gl_FragColor = texture2D(tex0, vec2(lon, lat));\n}\n",
     {}},
    {"exposure in log2 stops",
     "uniform sampler2D tex0;\nuniform float stops, contrast;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float3 c = tex2D(tex0, uv).rgb;\n"
     "  float3 l = (log2(max(c, 1e-4)) + stops) * contrast;\n"
     "  return float4(saturate(exp2(l)), 1);\n}\n",
     GLSL_HEAD "uniform float stops, contrast;\nvoid main() {\n  vec3 c = texture2D(tex0, gl_TexCoord[0].xy).rgb;\n"
     "  vec3 l = (log2(max(c, 1e-4)) + stops) * contrast;\n"
     "  gl_FragColor = vec4(clamp(exp2(l), 0.0, 1.0), 1.0);\n}\n",
     {{"stops", 1, 1, {0.5f}}, {"contrast", 1, 1, {1.1f}}}},
    {"glass: faceforward, refract",
     "uniform sampler2D tex0, tex1;\nuniform float eta;\n"
     "float4 main(float2 uv : TEXCOORD0, float3 n : TEXCOORD1, float3 v : TEXCOORD2) : COLOR {\n"
     "  float3 N = normalize(tex2D(tex1, uv).xyz * 2 - 1 + n);\n  float3 I = normalize(v);\n"
     "  N = faceforward(N, I, N);\n  float3 r = refract(I, N, eta);\n"
     "  return tex2D(tex0, uv + r.xy * 0.05);\n}\n",
     GLSL_HEAD "uniform float eta;\nvoid main() {\n  vec2 uv = gl_TexCoord[0].xy;\n"
     "  vec3 N = normalize(texture2D(tex1, uv).xyz * 2.0 - 1.0 + gl_TexCoord[1].xyz);\n"
     "  vec3 I = normalize(gl_TexCoord[2].xyz);\n  N = faceforward(N, I, N);\n  vec3 r = refract(I, N, eta);\n"
     "  gl_FragColor = texture2D(tex0, uv + r.xy * 0.05);\n}\n",
     {{"eta", 1, 1, {0.66f}}}},
    {"tiles by modf, odd ones swizzled",
     "uniform sampler2D tex0;\nuniform float tiles;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float2 whole;\n  float2 f = modf(uv * tiles, whole);\n"
     "  float4 c = tex2D(tex0, f);\n  return fmod(whole.x + whole.y, 2) > 0.5 ? c : c.bgra * 0.8;\n}\n",
     GLSL_HEAD "uniform float tiles;\nvoid main() {\n  vec2 t = gl_TexCoord[0].xy * tiles;\n"
     "  vec2 whole = floor(t);\n  vec4 c = texture2D(tex0, fract(t));\n"
     "  gl_FragColor = mod(whole.x + whole.y, 2.0) > 0.5 ? c : c.bgra * 0.8;\n}\n",
     {{"tiles", 1, 1, {6}}}},
    {"tanh tone curve",
     "uniform sampler2D tex0;\nuniform float drive;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  return float4(tanh(c.rgb * drive) / tanh(drive), c.a);\n}\n",
     GLSL_HEAD "uniform float drive;\nvec3 th(vec3 x) {\n  vec3 e = exp(2.0 * x);\n  return (e - 1.0) / (e + 1.0);\n}\n"
     "void main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  float e = exp(2.0 * drive);\n"
     "  gl_FragColor = vec4(th(c.rgb * drive) / ((e - 1.0) / (e + 1.0)), c.a);\n}\n",
     {{"drive", 1, 1, {1.8f}}}},
    {"alternating weights by i % 2",
     "uniform sampler2D tex0;\nuniform float spread;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 sum = 0;\n"
     "  for (int i = 0; i < 6; i++)\n"
     "    sum += tex2D(tex0, uv + float2(i - 2.5, 0) * spread) * (i % 2 == 0 ? 0.2 : 0.13333);\n"
     "  return sum;\n}\n",
     GLSL_HEAD "uniform float spread;\nvoid main() {\n  vec4 sum = vec4(0.0);\n"
     "  for (int i = 0; i < 6; i++)\n"
     "    sum += texture2D(tex0, gl_TexCoord[0].xy + vec2(float(i) - 2.5, 0.0) * spread)\n"
     "           * (mod(float(i), 2.0) == 0.0 ? 0.2 : 0.13333);\n"
     "  gl_FragColor = sum;\n}\n",
     {{"spread", 1, 1, {0.004f}}}},
    {"float1 luma, rounded to steps",
     "uniform sampler2D tex0;\nuniform float1 steps;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float1 l = dot(tex2D(tex0, uv).rgb, float3(0.299, 0.587, 0.114));\n"
     "  float1 q = round(l * steps) / steps;\n  return float4(q.xxx, 1);\n}\n",
     GLSL_HEAD "uniform float steps;\nvoid main() {\n"
     "  float l = dot(texture2D(tex0, gl_TexCoord[0].xy).rgb, vec3(0.299, 0.587, 0.114));\n"
     "  float q = floor(l * steps + 0.5) / steps;\n  gl_FragColor = vec4(vec3(q), 1.0);\n}\n",
     {{"steps", 1, 1, {6}}}},
    {"projected cookie, tex2Dproj",
     "uniform sampler2D tex0, tex1;\n"
     "float4 main(float2 uv : TEXCOORD0, float4 p : TEXCOORD3) : COLOR {\n"
     "  float4 q = float4(p.xy * 0.5 + p.w * 0.5, 0, p.w);\n"
     "  float4 cookie = tex2Dproj(tex1, q);\n  return tex2D(tex0, uv) * cookie * (p.w > 0);\n}\n",
     GLSL_HEAD "void main() {\n  vec4 p = gl_TexCoord[3];\n  vec4 q = vec4(p.xy * 0.5 + p.w * 0.5, 0.0, p.w);\n"
     "  vec4 cookie = texture2DProj(tex1, q);\n"
     "  gl_FragColor = texture2D(tex0, gl_TexCoord[0].xy) * cookie * float(p.w > 0.0);\n}\n",
     {}},
    {"normal by the transpose of a uniform basis",
     "uniform float4x4 basis;\n"
     "float4 main(float3 n : TEXCOORD1) : COLOR {\n  float3 t = mul(transpose((float3x3)basis), n);\n"
     "  return float4(normalize(t) * 0.5 + 0.5, 1);\n}\n",
     GLSL_HEAD "uniform mat4 basis;\nvoid main() {\n  vec3 t = transpose(mat3(basis)) * gl_TexCoord[1].xyz;\n"
     "  gl_FragColor = vec4(normalize(t) * 0.5 + 0.5, 1.0);\n}\n",
     {{"basis", 16, 1, {0.8f, 0.6f, 0, 0, -0.6f, 0.8f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}}},
    // An eleventh round, of passes as front ends chain them: a colour lookup table in a
    // strip, an FXAA-like edge blend, contrast-adaptive sharpening from a cross's min and
    // max, and YUV to RGB.
    {"colour lookup table in a 16x16x16 strip",
     "uniform sampler2D tex0, tex1;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(tex0, uv);\n"
     "  float b = c.b * 15.0;\n  float slice = floor(b), t = b - slice;\n"
     "  float2 p = float2((c.r * 15.0 + 0.5) / 256.0, (c.g * 15.0 + 0.5) / 16.0);\n"
     "  float3 lo = tex2D(tex1, p + float2(slice / 16.0, 0)).rgb;\n"
     "  float3 hi = tex2D(tex1, p + float2(min(slice + 1.0, 15.0) / 16.0, 0)).rgb;\n"
     "  return float4(lerp(lo, hi, t), c.a);\n}\n",
     GLSL_HEAD "void main() {\n  vec4 c = texture2D(tex0, gl_TexCoord[0].xy);\n"
     "  float b = c.b * 15.0;\n  float slice = floor(b), t = b - slice;\n"
     "  vec2 p = vec2((c.r * 15.0 + 0.5) / 256.0, (c.g * 15.0 + 0.5) / 16.0);\n"
     "  vec3 lo = texture2D(tex1, p + vec2(slice / 16.0, 0.0)).rgb;\n"
     "  vec3 hi = texture2D(tex1, p + vec2(min(slice + 1.0, 15.0) / 16.0, 0.0)).rgb;\n"
     "  gl_FragColor = vec4(mix(lo, hi, t), c.a);\n}\n",
     {}},
    {"FXAA-like edge blend",
     IN_CG "float luma(float3 c) { return dot(c, float3(0.299, 0.587, 0.114)); }\n"
     "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN) : COLOR {\n"
     "  float2 px = 1.0 / IN.texture_size;\n  float3 m = tex2D(tex0, tex).rgb;\n"
     "  float n = luma(tex2D(tex0, tex + float2(0, -px.y)).rgb), s = luma(tex2D(tex0, tex + float2(0, px.y)).rgb);\n"
     "  float w = luma(tex2D(tex0, tex + float2(-px.x, 0)).rgb), e = luma(tex2D(tex0, tex + float2(px.x, 0)).rgb);\n"
     "  float lm = luma(m);\n  float lo = min(lm, min(min(n, s), min(w, e))), hi = max(lm, max(max(n, s), max(w, e)));\n"
     "  if (hi - lo < max(0.0312, hi * 0.125)) return float4(m, 1);\n"
     "  bool horizontal = abs(n + s - 2 * lm) >= abs(w + e - 2 * lm);\n"
     "  float2 dir = horizontal ? float2(0, px.y) : float2(px.x, 0);\n"
     "  float3 blend = 0.5 * (tex2D(tex0, tex + dir * 0.5).rgb + tex2D(tex0, tex - dir * 0.5).rgb);\n"
     "  return float4(lerp(m, blend, 0.75), 1);\n}\n",
     GLSL_HEAD IN_GL "float luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }\n"
     "void main() {\n  vec2 tex = gl_TexCoord[0].xy;\n  vec2 px = 1.0 / IN.texture_size;\n"
     "  vec3 m = texture2D(tex0, tex).rgb;\n"
     "  float n = luma(texture2D(tex0, tex + vec2(0.0, -px.y)).rgb), s = luma(texture2D(tex0, tex + vec2(0.0, px.y)).rgb);\n"
     "  float w = luma(texture2D(tex0, tex + vec2(-px.x, 0.0)).rgb), e = luma(texture2D(tex0, tex + vec2(px.x, 0.0)).rgb);\n"
     "  float lm = luma(m);\n  float lo = min(lm, min(min(n, s), min(w, e))), hi = max(lm, max(max(n, s), max(w, e)));\n"
     "  if (hi - lo < max(0.0312, hi * 0.125)) { gl_FragColor = vec4(m, 1.0); return; }\n"
     "  bool horizontal = abs(n + s - 2.0 * lm) >= abs(w + e - 2.0 * lm);\n"
     "  vec2 dir = horizontal ? vec2(0.0, px.y) : vec2(px.x, 0.0);\n"
     "  vec3 blend = 0.5 * (texture2D(tex0, tex + dir * 0.5).rgb + texture2D(tex0, tex - dir * 0.5).rgb);\n"
     "  gl_FragColor = vec4(mix(m, blend, 0.75), 1.0);\n}\n",
     {IN_VALUES}},
    {"contrast-adaptive sharpening, a cross",
     IN_CG "float4 main(float2 tex : TEXCOORD0, uniform sampler2D tex0 : TEXUNIT0, uniform input IN,\n"
     "            uniform float sharpness) : COLOR {\n"
     "  float2 px = 1.0 / IN.texture_size;\n  float3 c = tex2D(tex0, tex).rgb;\n"
     "  float3 n = tex2D(tex0, tex - float2(0, px.y)).rgb, s = tex2D(tex0, tex + float2(0, px.y)).rgb;\n"
     "  float3 w = tex2D(tex0, tex - float2(px.x, 0)).rgb, e = tex2D(tex0, tex + float2(px.x, 0)).rgb;\n"
     "  float3 lo = min(c, min(min(n, s), min(w, e))), hi = max(c, max(max(n, s), max(w, e)));\n"
     "  float3 amp = sqrt(saturate(min(lo, 1 - hi) / hi));\n  float3 k = -amp * lerp(0.125, 0.2, sharpness);\n"
     "  return float4(saturate((c + (n + s + w + e) * k) / (1 + 4 * k)), 1);\n}\n",
     GLSL_HEAD IN_GL "uniform float sharpness;\nvoid main() {\n  vec2 tex = gl_TexCoord[0].xy;\n"
     "  vec2 px = 1.0 / IN.texture_size;\n  vec3 c = texture2D(tex0, tex).rgb;\n"
     "  vec3 n = texture2D(tex0, tex - vec2(0.0, px.y)).rgb, s = texture2D(tex0, tex + vec2(0.0, px.y)).rgb;\n"
     "  vec3 w = texture2D(tex0, tex - vec2(px.x, 0.0)).rgb, e = texture2D(tex0, tex + vec2(px.x, 0.0)).rgb;\n"
     "  vec3 lo = min(c, min(min(n, s), min(w, e))), hi = max(c, max(max(n, s), max(w, e)));\n"
     "  vec3 amp = sqrt(clamp(min(lo, 1.0 - hi) / hi, 0.0, 1.0));\n  vec3 k = -amp * mix(0.125, 0.2, sharpness);\n"
     "  gl_FragColor = vec4(clamp((c + (n + s + w + e) * k) / (1.0 + 4.0 * k), 0.0, 1.0), 1.0);\n}\n",
     {IN_VALUES, {"sharpness", 1, 1, {0.6f}}}},
    {"YUV planes to RGB",
     "uniform sampler2D tex0, tex1;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n  float y = tex2D(tex0, uv).r;\n"
     "  float2 cbcr = tex2D(tex1, uv * 0.5).rg - 0.5;\n"
     "  float3 rgb = y * 1.164 - 0.0728 + float3(1.596 * cbcr.y, -0.391 * cbcr.x - 0.813 * cbcr.y, 2.018 * cbcr.x);\n"
     "  return float4(saturate(rgb), 1);\n}\n",
     GLSL_HEAD "void main() {\n  vec2 uv = gl_TexCoord[0].xy;\n  float y = texture2D(tex0, uv).r;\n"
     "  vec2 cbcr = texture2D(tex1, uv * 0.5).rg - 0.5;\n"
     "  vec3 rgb = y * 1.164 - 0.0728 + vec3(1.596 * cbcr.y, -0.391 * cbcr.x - 0.813 * cbcr.y, 2.018 * cbcr.x);\n"
     "  gl_FragColor = vec4(clamp(rgb, 0.0, 1.0), 1.0);\n}\n",
     {}},
};

#undef GLSL_HEAD
#undef IN_CG
#undef IN_GL
#undef IN_VALUES

}  // namespace vela::bench
