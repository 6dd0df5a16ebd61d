// Circle flower (effect 8): the flower's growth state and its pen.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

struct FlowerPoint {
    int32_t x, y;
};

extern const int32_t FlowerBranches;

// Levels of circles below and including the top one.
inline constexpr int32_t FlowerDepth = 6;

// Every node of a frame turns through the same angles, so their sines and cosines are kept for
// the angle and branch count they were worked out for.
inline constexpr int32_t KeptTurns = 8;
struct FlowerTurns {
    uint32_t angleBits = 0;
    int32_t branches = 0; // 0: nothing kept yet
    double sine[KeptTurns] = {}, cosine[KeptTurns] = {};
};

struct CircleFlower {
    float size = 0.0f;    // the top circle's radius
    float growth = 0.0f;  // added to the size every tick
    float divisor = 0.0f; // a child's radius is its parent's divided by this
    float angle = 0.0f;
    int32_t spinFlag = 0; // flips at every trigger: the turning direction
    // One pen for the whole recursion: a leaf's line starts where the previous leaf's ended.
    FlowerPoint penFrom{0, 0};
    FlowerPoint penTo{0, 0};
    FlowerTurns turns;
};

// True when DrawCircle(cx, cy, radius) would plot no pixel inside the frame.
bool CircleMissesFrame(int32_t cx, int32_t cy, int32_t radius);

void DrawFlowerNode(CircleFlower& flower, const Canvas& canvas, int32_t cx, int32_t cy,
                    int32_t radius, const ColorTriple& colour, float angle, float divisor,
                    int32_t branches, int32_t depth);
int32_t DrawCircleFlower(CircleFlower& flower, const Canvas& canvas, int32_t trigger,
                         int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
