// Typical programs for the benchmark, each with the instruction count of a careful
// hand-written ARB program doing the same (the reasoning beside each), and a 200-line
// program with functions and loops for the compile time.
#pragma once

namespace vela::bench {

struct Typical {
    const char *name;
    bool vertex;
    const char *text;
    int handWritten;
};

// Hand counts: the fewest instructions an author of ARB assembly would write.
inline const Typical typicalPrograms[] = {
    {"transform + pass normal (the demo's)", true,
     "struct app {float4 pos : POSITION;float4 nrm : NORMAL;};struct v2f {float4 pos : POSITION;float4 nrm : "
     "TEXCOORD0;};v2f main(app IN,uniform float4x4 mvp){v2f OUT;OUT.pos = mul( mvp, IN.pos );OUT.nrm = "
     "IN.nrm;return OUT;}",
     5},  // 4 DP4, MOV
    {"normal to colour (the demo's)", false,
     "struct v2f {\tfloat4 pos : POSITION;   \tfloat4 nrm : TEXCOORD0;  };float4 main( v2f IN ) : COLOR{\treturn "
     "float4( 0.5f * IN.nrm.xyz + 0.5f, 1 ); }",
     2},  // MAD .xyz, MOV .w
    {"Lambert per vertex", true,
     "void main(float4 p : POSITION, float3 n : NORMAL, uniform float4x4 mvp, uniform float3x3 normalMatrix,\n"
     "          uniform float3 light, uniform float4 diffuse, uniform float4 ambient,\n"
     "          out float4 op : POSITION, out float4 oc : COLOR) {\n"
     "  op = mul(mvp, p);\n"
     "  float3 nn = normalize(mul(normalMatrix, n));\n"
     "  oc = ambient + diffuse * max(dot(nn, light), 0);\n"
     "}\n",
     13},  // 4 DP4; 3 DP3 the normal; DP3 RSQ MUL to normalize; DP3 MAX; MAD
    {"Blinn-Phong per fragment", false,
     "float4 main(float3 n : TEXCOORD0, float3 l : TEXCOORD1, float3 v : TEXCOORD2,\n"
     "            uniform float4 diffuse, uniform float4 specular, uniform float shininess) : COLOR {\n"
     "  float3 N = normalize(n), L = normalize(l), H = normalize(L + normalize(v));\n"
     "  float d = saturate(dot(N, L));\n"
     "  float s = pow(saturate(dot(N, H)), shininess);\n"
     "  return diffuse * d + specular * s;\n"
     "}\n",
     17},  // 4 normalizes of DP3 RSQ MUL, one MUL a MAD with the ADD; DP3_SAT; DP3_SAT POW; MUL MAD
    {"texture times colour", false,
     "uniform sampler2D base;\n"
     "float4 main(float2 uv : TEXCOORD0, float4 c : COLOR0) : COLOR { return tex2D(base, uv) * c; }\n",
     2},  // TEX, MUL
    {"alpha test", false,
     "uniform sampler2D base;\n"
     "float4 main(float2 uv : TEXCOORD0) : COLOR {\n"
     "  float4 t = tex2D(base, uv);\n  if (t.a < 0.5) discard;\n  return t;\n}\n",
     4},  // TEX, SUB, KIL, MOV
    {"two lights in a loop", true,
     "uniform float3 lightDir[2];\nuniform float4 lightColour[2];\n"
     "void main(float4 p : POSITION, float3 n : NORMAL, uniform float4x4 mvp,\n"
     "          out float4 op : POSITION, out float4 oc : COLOR) {\n"
     "  op = mul(mvp, p);\n  float4 c = 0;\n"
     "  for (int i = 0; i < 2; i++) c += lightColour[i] * max(dot(n, lightDir[i]), 0);\n"
     "  oc = c;\n}\n",
     10},  // 4 DP4; DP3 MAX twice; MUL MAD
    {"two-bone skinning", true,
     "uniform float4x4 bones[24];\n"
     "void main(float4 p : POSITION, float4 w : BLENDWEIGHT, float4 idx : TEXCOORD1, uniform float4x4 viewProj,\n"
     "          out float4 op : POSITION) {\n"
     "  float4 q = mul(bones[idx.x], p) * w.x + mul(bones[idx.y], p) * w.y;\n"
     "  op = mul(viewProj, q);\n}\n",
     18},  // twice MUL (the stride) ARL 4 DP4; MUL MAD; 4 DP4
    {"linear fog", true,
     "void main(float4 p : POSITION, uniform float4x4 mvp, uniform float4x4 modelView, uniform float2 fogRange,\n"
     "          out float4 op : POSITION, out float fog : FOG) {\n"
     "  op = mul(mvp, p);\n"
     "  float z = dot(modelView[2], p);\n"
     "  fog = saturate((fogRange.y + z) / (fogRange.y - fogRange.x));\n}\n",
     11},  // 4 DP4; DP4; ADD; SUB RCP MUL; MAX MIN (arbvp1 has no _SAT)
};

// About 200 lines: lights in loops, helper functions, a struct of material values.
inline const char *const longProgram = R"(
// A vertex program of the kind shader authors write: skinned position, four lights in a
// loop, fog, texture coordinates.
#define LIGHTS 4
#define BONES 16

struct Material {
    float4 ambient;
    float4 diffuse;
    float4 specular;
    float shininess;
};

struct Light {
    float4 position;   // w = 0: directional
    float4 colour;
    float3 attenuation;
};

struct vin {
    float4 position : POSITION;
    float3 normal : NORMAL;
    float4 weights : BLENDWEIGHT;
    float4 indices : TEXCOORD1;
    float2 uv : TEXCOORD0;
};

struct vout {
    float4 position : POSITION;
    float4 colour : COLOR0;
    float4 specular : COLOR1;
    float2 uv : TEXCOORD0;
    float3 normal : TEXCOORD1;
    float fog : FOG;
};

uniform float4x4 bones[BONES];
uniform Light lights[LIGHTS];
uniform Material material;
uniform float4x4 viewProjection;
uniform float4x4 view;
uniform float3 eye;
uniform float2 fogRange;
uniform float4 uvTransform;

// The position and normal after up to two bones.
float4 skin(float4 p, float4 weights, float4 indices, out float3 n, float3 normal)
{
    float4 result = 0;
    n = 0;
    for (int i = 0; i < 2; i++) {
        float w = weights[i];
        float4x4 bone = bones[indices[i]];
        result += mul(bone, p) * w;
        n += mul((float3x3)bone, normal) * w;
    }
    return result;
}

float attenuate(Light light, float3 toLight)
{
    if (light.position.w == 0)
        return 1;
    float d = length(toLight);
    float3 k = light.attenuation;
    return 1 / (k.x + k.y * d + k.z * d * d);
}

float3 lightVector(Light light, float3 p)
{
    return light.position.w == 0 ? light.position.xyz : light.position.xyz - p;
}

void shade(Light light, float3 p, float3 n, float3 v, inout float4 diffuse, inout float4 specular)
{
    float3 toLight = lightVector(light, p);
    float3 l = normalize(toLight);
    float a = attenuate(light, toLight);
    float nl = dot(n, l);
    if (nl <= 0)
        return;
    diffuse += light.colour * nl * a;
    float3 h = normalize(l + v);
    float nh = max(dot(n, h), 0);
    specular += light.colour * pow(nh, material.shininess) * a;
}

float fogFactor(float3 p)
{
    float z = -dot(view[2].xyz, p) - view[2].w;
    float f = (fogRange.y - z) / (fogRange.y - fogRange.x);
    return saturate(f);
}

float2 transformUv(float2 uv)
{
    return uv * uvTransform.xy + uvTransform.zw;
}

vout main(vin IN)
{
    vout OUT;
    float3 n;
    float4 world = skin(IN.position, IN.weights, IN.indices, n, IN.normal);
    n = normalize(n);
    OUT.position = mul(viewProjection, world);
    OUT.normal = n;

    float3 v = normalize(eye - world.xyz);
    float4 diffuse = material.ambient;
    float4 specular = 0;
    for (int i = 0; i < LIGHTS; i++) {
        shade(lights[i], world.xyz, n, v, diffuse, specular);
    }
    diffuse *= material.diffuse;
    specular *= material.specular;

    OUT.colour = saturate(diffuse);
    OUT.specular = saturate(specular);
    OUT.uv = transformUv(IN.uv);
    OUT.fog = fogFactor(world.xyz);
    return OUT;
}

// Helpers that only some programs call; they are checked all the same.
float luminance(float3 c)
{
    return dot(c, float3(0.2126, 0.7152, 0.0722));
}

float3 desaturate(float3 c, float amount)
{
    return lerp(c, luminance(c).xxx, amount);
}

float4 premultiply(float4 c)
{
    return float4(c.rgb * c.a, c.a);
}

float3 gammaToLinear(float3 c)
{
    return pow(c, 2.2);
}

float3 linearToGamma(float3 c)
{
    return pow(c, 1 / 2.2);
}

float3 tonemap(float3 c, float exposure)
{
    float3 x = c * exposure;
    return x / (1 + x);
}

float3 rotateY(float3 p, float angle)
{
    float s, c;
    sincos(angle, s, c);
    float3x3 r = float3x3(c, 0, s,
                          0, 1, 0,
                          -s, 0, c);
    return mul(r, p);
}

float3 bend(float3 p, float amount)
{
    float t = p.y * amount;
    return rotateY(p, t);
}

float wave(float2 p, float time)
{
    float h = 0;
    for (int octave = 0; octave < 3; octave++) {
        float scale = exp2(octave);
        h += sin(dot(p, float2(1.3, 0.7)) * scale + time) / scale;
    }
    return h;
}

float4 quantize(float4 c, float levels)
{
    return floor(c * levels + 0.5) / levels;
}

float3 reflectAround(float3 i, float3 n)
{
    return reflect(i, normalize(n));
}

float edge(float3 n, float3 v)
{
    return 1 - abs(dot(normalize(n), normalize(v)));
}

float3 hemisphere(float3 n, float3 sky, float3 ground)
{
    float t = n.y * 0.5 + 0.5;
    return lerp(ground, sky, t);
}

float checker(float2 uv, float cells)
{
    float2 c = floor(uv * cells);
    return fmod(c.x + c.y, 2);
}
)";

}  // namespace vela::bench
