// Draws the two bitmap resources, 512 x 512 at 24 bits per pixel, into resources/:
// beach.bmp (resource 1001) and face.bmp (resource 2001).
//
// Build and run from the repository root (or build the CMake target draw-bitmaps):
//   c++ -std=c++20 -O2 tools/draw-bitmaps.cpp -o /tmp/draw-bitmaps && /tmp/draw-bitmaps resources
//
// Shapes are signed distance functions in pixel units; a pixel's coverage is
// clamp(0.5 - distance), which gives anti-aliased edges without supersampling.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 512;
constexpr float kPi = 3.14159265f;

struct Color {
    float r, g, b;
};

Color mix(Color a, Color b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float smoothstep(float e0, float e1, float x) {
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

struct Vec {
    float x, y;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator*(Vec a, float s) { return {a.x * s, a.y * s}; }
float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
float length(Vec a) { return std::sqrt(dot(a, a)); }

using Sdf = std::function<float(float, float)>;
using Paint = std::function<Color(float, float)>;

struct Box {
    int x0 = 0, y0 = 0, x1 = kSize, y1 = kSize;
};

class Canvas {
public:
    Canvas() : px_(kSize * kSize, Color{1, 1, 1}) {}

    Color &at(int x, int y) { return px_[y * kSize + x]; }

    // Blends `paint` into the pixels covered by the shape (y grows downwards).
    void fill(const Sdf &shape, const Paint &paint, float opacity = 1, Box box = {}) {
        box.x0 = std::max(box.x0, 0), box.y0 = std::max(box.y0, 0);
        box.x1 = std::min(box.x1, kSize), box.y1 = std::min(box.y1, kSize);
        for (int y = box.y0; y < box.y1; ++y)
            for (int x = box.x0; x < box.x1; ++x) {
                float fx = x + 0.5f, fy = y + 0.5f;
                float cover = std::clamp(0.5f - shape(fx, fy), 0.0f, 1.0f) * opacity;
                if (cover > 0) at(x, y) = mix(at(x, y), paint(fx, fy), cover);
            }
    }
    // A glow: opacity varies over the shape.
    void fill(const Sdf &shape, Color c, const std::function<float(float, float)> &opacity, Box box) {
        fill(shape, [&](float x, float y) { return mix(at((int)x, (int)y), c, opacity(x, y)); }, 1, box);
    }
    void fill(const Sdf &shape, Color c, float opacity = 1, Box box = {}) {
        fill(shape, [c](float, float) { return c; }, opacity, box);
    }

    // A 24-bit BI_RGB BMP: bottom row first, rows of blue, green, red (1536 bytes, no padding).
    bool save(const std::string &path) const {
        const uint32_t rowBytes = kSize * 3, bitsSize = rowBytes * kSize;
        std::vector<uint8_t> out;
        auto u16 = [&](uint32_t v) { out.push_back(v & 0xff), out.push_back((v >> 8) & 0xff); };
        auto u32 = [&](uint32_t v) { u16(v & 0xffff), u16(v >> 16); };
        u16(0x4D42), u32(54 + bitsSize), u16(0), u16(0), u32(54);
        u32(40), u32(kSize), u32(kSize), u16(1), u16(24), u32(0), u32(0), u32(2834), u32(2834), u32(0), u32(0);
        auto byte = [](float v) { return (uint8_t)std::lround(std::clamp(v, 0.0f, 1.0f) * 255); };
        for (int y = kSize - 1; y >= 0; --y)
            for (int x = 0; x < kSize; ++x) {
                const Color &c = px_[y * kSize + x];
                out.push_back(byte(c.b)), out.push_back(byte(c.g)), out.push_back(byte(c.r));
            }
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f) {
            std::perror(path.c_str());
            return false;
        }
        bool ok = std::fwrite(out.data(), out.size(), 1, f) == 1;
        ok = std::fclose(f) == 0 && ok;
        if (!ok) std::fprintf(stderr, "draw-bitmaps: cannot write %s\n", path.c_str());
        return ok;
    }

private:
    std::vector<Color> px_;
};

Color rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

// ---- Shapes --------------------------------------------------------------------------

Sdf circle(Vec c, float r) {
    return [=](float x, float y) { return length(Vec{x, y} - c) - r; };
}

Sdf ellipse(Vec c, float rx, float ry) {
    // Scaled-circle approximation; exact enough at these proportions for the edge width.
    return [=](float x, float y) {
        float k = length(Vec{(x - c.x) / rx, (y - c.y) / ry});
        return (k - 1) * std::min(rx, ry);
    };
}

// A segment from a to b whose radius goes from ra to rb (round ends).
Sdf capsule(Vec a, Vec b, float ra, float rb) {
    return [=](float x, float y) {
        Vec p = Vec{x, y} - a, ab = b - a;
        float t = std::clamp(dot(p, ab) / dot(ab, ab), 0.0f, 1.0f);
        return length(p - ab * t) - (ra + (rb - ra) * t);
    };
}

Sdf unite(std::vector<Sdf> parts) {
    return [parts = std::move(parts)](float x, float y) {
        float d = 1e9f;
        for (const Sdf &s : parts) d = std::min(d, s(x, y));
        return d;
    };
}

Sdf intersect(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

// Points along a quadratic Bezier curve.
std::vector<Vec> bezier(Vec p0, Vec p1, Vec p2, int steps) {
    std::vector<Vec> pts;
    for (int i = 0; i <= steps; ++i) {
        float t = (float)i / steps, u = 1 - t;
        pts.push_back(p0 * (u * u) + p1 * (2 * u * t) + p2 * (t * t));
    }
    return pts;
}

// A stroke along a polyline whose radius goes from r0 to r1.
Sdf stroke(const std::vector<Vec> &pts, float r0, float r1) {
    std::vector<Sdf> parts;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        float t0 = (float)i / (pts.size() - 1), t1 = (float)(i + 1) / (pts.size() - 1);
        parts.push_back(capsule(pts[i], pts[i + 1], r0 + (r1 - r0) * t0, r0 + (r1 - r0) * t1));
    }
    return unite(std::move(parts));
}

// An arc of a circle between two angles (radians, y downwards), with round caps.
Sdf arc(Vec c, float r, float a0, float a1, float halfWidth) {
    Vec e0{c.x + r * std::cos(a0), c.y + r * std::sin(a0)};
    Vec e1{c.x + r * std::cos(a1), c.y + r * std::sin(a1)};
    return [=](float x, float y) {
        Vec p = Vec{x, y} - c;
        float a = std::atan2(p.y, p.x);
        while (a < a0) a += 2 * kPi;
        if (a <= a1) return std::fabs(length(p) - r) - halfWidth;
        return std::min(length(Vec{x, y} - e0), length(Vec{x, y} - e1)) - halfWidth;
    };
}

// A leaf: the region between two Bezier curves sharing their ends, as a tapered stroke
// along the midrib whose width follows a sine bulge.
Sdf leaf(Vec base, Vec bend, Vec tip, float width) {
    auto pts = bezier(base, bend, tip, 28);
    std::vector<Sdf> parts;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        float t0 = (float)i / (pts.size() - 1), t1 = (float)(i + 1) / (pts.size() - 1);
        auto w = [&](float t) { return width * std::pow(std::sin(kPi * (t * 0.94f + 0.06f)), 0.8f); };
        parts.push_back(capsule(pts[i], pts[i + 1], std::max(w(t0), 1.2f), std::max(w(t1), 1.2f)));
    }
    return unite(std::move(parts));
}

Box boxAround(std::initializer_list<Vec> pts, float margin) {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (Vec p : pts) x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    return {(int)(x0 - margin), (int)(y0 - margin), (int)(x1 + margin) + 1, (int)(y1 + margin) + 1};
}

// Cheap deterministic noise for texture (sand grain, bark).
float hash(int x, int y) {
    uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xffff) / 65535.0f;
}

// ---- The beach (resource 1001) ---------------------------------------------------------

constexpr float kHorizon = 292;  // a little below the middle

float shoreAt(float x) { return 392 + 14 * std::sin(x * 0.018f + 0.6f) + 6 * std::sin(x * 0.047f); }

void drawSkyAndSea(Canvas &c) {
    const Color zenith = rgb(38, 104, 196), haze = rgb(178, 218, 242);
    const Color seaFar = rgb(28, 96, 150), seaNear = rgb(46, 170, 184);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float fy = y + 0.5f;
            Color sky = mix(zenith, haze, std::pow(fy / kHorizon, 1.6f));
            float t = (fy - kHorizon) / (400 - kHorizon);
            Color sea = mix(seaFar, seaNear, std::pow(std::clamp(t, 0.0f, 1.0f), 0.8f));
            c.at(x, y) = mix(sky, sea, std::clamp(fy - kHorizon + 0.5f, 0.0f, 1.0f));
        }
    // Glints on the water, thinner and closer together towards the horizon.
    for (int i = 0; i < 46; ++i) {
        float t = hash(i, 7), y = kHorizon + 6 + std::pow(t, 1.7f) * 95;
        float x = hash(i, 11) * 560 - 30, len = 10 + 30 * t;
        c.fill(capsule({x, y}, {x + len, y}, 0.6f + t, 0.6f + t), rgb(210, 240, 245), 0.55f,
               boxAround({{x, y}, {x + len, y}}, 4));
    }
}

void drawCloud(Canvas &c, Vec at, float scale) {
    std::vector<Sdf> puffs;
    const float offsets[][3] = {{-52, 8, 22}, {-26, -10, 30}, {8, -20, 36}, {42, -6, 28}, {66, 8, 20}, {0, 10, 26}, {-30, 12, 20}, {34, 12, 22}};
    for (auto &o : offsets) puffs.push_back(circle({at.x + o[0] * scale, at.y + o[1] * scale}, o[2] * scale));
    // A flat base, as fair-weather clouds have.
    Sdf base = [=](float, float y) { return y - (at.y + 28 * scale); };
    Sdf cloud = intersect(unite(std::move(puffs)), base);
    Box box = boxAround({{at.x - 80 * scale, at.y - 60 * scale}, {at.x + 92 * scale, at.y + 30 * scale}}, 2);
    c.fill(cloud, [=](float, float y) { return mix(rgb(255, 255, 255), rgb(206, 220, 236), smoothstep(at.y - 20 * scale, at.y + 28 * scale, y)); },
           0.96f, box);
}

void drawSand(Canvas &c) {
    const Color wet = rgb(214, 204, 182), dry = rgb(250, 246, 236);
    Sdf sand = [](float x, float y) { return shoreAt(x) - y; };
    c.fill(sand, [&](float x, float y) {
        Color s = mix(wet, dry, smoothstep(shoreAt(x), shoreAt(x) + 22, y));
        float grain = (hash((int)x, (int)y) - 0.5f) * 0.035f;
        return Color{s.r + grain, s.g + grain, s.b + grain};
    }, 1, {0, 370, kSize, kSize});
    // Foam along the water's edge.
    Sdf foam = [](float x, float y) { return std::fabs(y - (shoreAt(x) - 2.5f)) - 2.2f; };
    c.fill(foam, rgb(252, 253, 250), 0.85f, {0, 370, kSize, 420});
    Sdf foam2 = [](float x, float y) { return std::fabs(y - (shoreAt(x * 1.13f + 40) - 14)) - 1.1f; };
    c.fill(foam2, rgb(225, 244, 242), 0.6f, {0, 360, kSize, 420});
}

void drawPalm(Canvas &c) {
    // The trunk leans right and bends back; rings mark the old leaf bases.
    Vec base{176, 458}, bend{164, 300}, top{226, 168};
    auto spine = bezier(base, bend, top, 40);
    Sdf trunk = stroke(spine, 13, 7);
    Box box = boxAround({base, bend, top}, 18);
    c.fill([&](float x, float y) { return trunk(x, y) - 0.5f; }, rgb(200, 190, 150), 0.35f, box);  // soft shadow edge
    c.fill(trunk, [&](float x, float y) {
        // Shade across the trunk: lit from the upper right.
        float best = 1e9f, side = 0, along = 0;
        for (size_t i = 0; i + 1 < spine.size(); ++i) {
            float d = length(Vec{x, y} - spine[i]);
            if (d < best) best = d, side = x - spine[i].x, along = (float)i;
        }
        float ring = 0.5f + 0.5f * std::sin(along * 2.3f);
        Color bark = mix(rgb(120, 86, 52), rgb(176, 136, 88), 0.5f + side / 26);
        return mix(bark, rgb(96, 66, 40), ring * 0.35f);
    }, 1, box);
    // Coconuts under the crown.
    for (Vec p : {Vec{218, 178}, Vec{232, 182}, Vec{224, 190}})
        c.fill(circle(p, 7.5f), [p](float x, float y) { return mix(rgb(120, 92, 38), rgb(70, 52, 24), length(Vec{x - p.x + 3, y - p.y + 3}) / 10); },
               1, boxAround({p}, 10));
    // Fronds: each a curved leaf from the crown, drooping at the tip.
    struct Frond { Vec bend, tip; float width; };
    const Frond fronds[] = {
        {{150, 128}, {86, 176}, 15},  {{176, 112}, {118, 98}, 13},  {{226, 96}, {222, 70}, 12},
        {{274, 112}, {334, 104}, 13}, {{296, 138}, {344, 196}, 15}, {{246, 170}, {270, 238}, 12},
        {{190, 168}, {150, 226}, 12},
    };
    for (const Frond &f : fronds) {
        Sdf l = leaf(top, f.bend, f.tip, f.width);
        Box b = boxAround({top, f.bend, f.tip}, f.width + 4);
        c.fill(l, [&](float x, float y) {
            float t = length(Vec{x, y} - top) / length(f.tip - top);
            return mix(rgb(44, 134, 58), rgb(24, 92, 42), smoothstep(0.2f, 1.0f, t) * 0.7f + 0.3f * hash((int)x / 3, (int)y / 3) * 0.4f);
        }, 1, b);
        // The midrib, lighter.
        c.fill(stroke(bezier(top, f.bend, f.tip, 20), 1.4f, 0.5f), rgb(120, 180, 90), 0.8f, b);
    }
}

void drawPaleTrunk(Canvas &c) {
    // A smooth, pale trunk rising out of frame at the right edge.
    Sdf trunk = [](float x, float y) {
        float left = 462 - 10 * std::sin(y * 0.006f) + (y > 440 ? -(y - 440) * 0.3f : 0);
        return left - x;
    };
    c.fill(trunk, [](float x, float y) {
        float edge = 462 - 10 * std::sin(y * 0.006f);
        float t = (x - edge) / 50;
        Color bark = mix(rgb(236, 226, 210), rgb(188, 172, 150), smoothstep(0.1f, 1.0f, t));
        float streak = 0.04f * std::sin(x * 0.9f + std::sin(y * 0.05f) * 3);
        return Color{bark.r + streak, bark.g + streak, bark.b + streak};
    }, 1, {420, 0, kSize, kSize});
}

void drawFigure(Canvas &c) {
    const Color skin = rgb(232, 182, 142), skinShade = rgb(204, 150, 112), hair = rgb(70, 44, 30);
    const Color suit = rgb(236, 92, 150), suitShade = rgb(198, 62, 120);
    // Shadow on the sand.
    c.fill(ellipse({398, 482}, 58, 9), rgb(170, 160, 140), 0.45f, {330, 466, 470, 500});
    // Far leg (behind), knee up.
    c.fill(capsule({418, 470}, {384, 420}, 11, 9), skinShade, 1, {360, 400, 440, 490});
    c.fill(capsule({384, 420}, {360, 474}, 9, 7), skinShade, 1, {340, 400, 400, 490});
    c.fill(ellipse({352, 478}, 12, 5), skinShade, 1, {336, 468, 370, 490});
    // Torso leaning back against the trunk; the swimsuit is a one-piece.
    Sdf torso = capsule({438, 462}, {450, 392}, 17, 14);
    c.fill(torso, [&](float x, float) { return mix(suit, suitShade, smoothstep(430, 462, x)); }, 1, {410, 370, 475, 485});
    // Shoulders and neck show skin above the suit's neckline.
    Sdf shoulders = intersect(capsule({446, 398}, {452, 372}, 14, 11), [](float x, float y) { return y - (392 - (x - 440) * 0.2f); });
    c.fill(shoulders, skin, 1, {425, 355, 475, 400});
    c.fill(capsule({451, 372}, {452, 360}, 5, 5), skin, 1, {440, 350, 465, 380});
    // Straps.
    c.fill(capsule({440, 398}, {446, 380}, 2.2f, 2.2f), suit, 1, {430, 372, 455, 404});
    // Head, tilted back a little, hair falling behind onto the trunk.
    c.fill(ellipse({459, 349}, 15, 17), hair, 1, {438, 326, 482, 384});
    c.fill(capsule({462, 352}, {466, 384}, 9, 6), hair, 1, {450, 340, 480, 394});
    c.fill(ellipse({447, 350}, 11, 13), skin, 1, {432, 334, 462, 366});
    c.fill(ellipse({452, 338}, 14, 8), hair, 1, {436, 326, 470, 350});
    c.fill(circle({440, 350}, 1.5f), rgb(60, 40, 30), 1, {434, 344, 446, 356});                   // eye
    c.fill(capsule({438, 359}, {442, 360}, 0.9f, 0.9f), rgb(190, 90, 90), 1, {432, 354, 448, 366});  // lips
    // Near leg: thigh forward, knee up, shin down to the sand.
    c.fill(capsule({432, 470}, {392, 436}, 14, 11), skin, 1, {370, 415, 455, 490});
    c.fill(capsule({392, 436}, {372, 478}, 10, 7), skin, 1, {355, 420, 410, 490});
    c.fill(ellipse({364, 482}, 13, 5), skin, 1, {346, 472, 382, 492});
    // Suit over the hip.
    // The suit's leg opening runs diagonally across the hip.
    Sdf hip = intersect(ellipse({440, 462}, 20, 16), [](float x, float y) { return (x - 426) * 0.8f - (y - 462) * 0.6f; });
    c.fill(hip, [&](float x, float) { return mix(suit, suitShade, smoothstep(430, 462, x)); }, 1, {415, 440, 465, 482});
    // Arm resting on the knee.
    c.fill(capsule({440, 400}, {420, 436}, 6.5f, 5.5f), skin, 1, {405, 390, 452, 448});
    c.fill(capsule({420, 436}, {394, 430}, 5.5f, 4.5f), skin, 1, {385, 420, 430, 446});
    c.fill(circle({390, 429}, 5), skin, 1, {380, 420, 400, 440});
}

Canvas beach() {
    Canvas c;
    drawSkyAndSea(c);
    const Vec sun{404, 66};
    c.fill(circle(sun, 70), rgb(255, 248, 214), [sun](float x, float y) { return 0.35f * std::pow(1 - length(Vec{x, y} - sun) / 70, 2.0f); },
           {330, 0, 480, 140});
    c.fill(circle(sun, 24), rgb(255, 252, 232), 1, {370, 30, 440, 100});
    drawCloud(c, {96, 78}, 1.0f);
    drawCloud(c, {318, 150}, 0.7f);
    drawCloud(c, {470, 232}, 0.45f);
    drawCloud(c, {36, 238}, 0.4f);
    drawSand(c);
    drawPalm(c);
    drawPaleTrunk(c);
    drawFigure(c);
    return c;
}

// ---- The face (resource 2001) ---------------------------------------------------------

Canvas face() {
    Canvas c;
    const Color ochre = rgb(191, 155, 79);
    // Arched eyebrows: the upper part of a circle, thicker in the middle.
    for (float cx : {172.0f, 340.0f})
        c.fill(arc({cx, 150}, 62, kPi * 1.18f, kPi * 1.82f, 9), ochre, 1, {(int)cx - 80, 70, (int)cx + 80, 150});
    // Eyes: filled circles.
    for (float cx : {176.0f, 336.0f}) c.fill(circle({cx, 214}, 30), ochre);
    // A wide smile: the lower part of a circle, and a dot beyond each end.
    const float a0 = kPi * 0.17f, a1 = kPi * 0.83f, r = 168;
    const Vec centre{256, 212};
    c.fill(arc(centre, r, a0, a1, 10), ochre);
    for (float a : {a0 - 0.13f, a1 + 0.13f})
        c.fill(circle({centre.x + r * std::cos(a), centre.y + r * std::sin(a)}, 13), ochre);
    return c;
}

}  // namespace

int main(int argc, char **argv) {
    std::string dir = argc > 1 ? argv[1] : "resources";
    bool ok = beach().save(dir + "/beach.bmp");
    ok = face().save(dir + "/face.bmp") && ok;
    return ok ? 0 : 1;
}
