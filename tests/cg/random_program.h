// A random program generator for the differential test: one random process writes each
// program twice, in the shading language and in GLSL, so that Mesa's GLSL compiler is the
// oracle for our compiler.
//
// Both texts compute a float4 E and show E / (1 + |E|) / 2 + 1/2. Operations that jump
// (comparisons, floor, frac, step, sign, conditions, int conversions) only ever see
// values that both sides compute exactly: sums and products of short binary fractions,
// tracked with their bits. Everything else (division, roots, the transcendental functions,
// textures) may differ in the last bits and is kept bounded, so that the two images agree
// within a small tolerance.
#pragma once

#include <string>
#include <vector>

namespace vela::test {

struct RandomProgram {
    std::string cg, glsl;
    int lines = 0;
};

// The uniforms every program may read, with their values (exact binary fractions).
struct UniformValue {
    const char *name;
    int rows, cols;     // 1 x n for vectors; the rows of a matrix
    float values[16];   // row after row
};
const std::vector<UniformValue> &uniformValues();

// A fragment program (inputs from the window position and TEXCOORD0, a sampler on unit 0)
// or a vertex program (inputs TEXCOORD0 and TEXCOORD1).
RandomProgram randomProgram(unsigned seed, bool fragment, int size);

}  // namespace vela::test
