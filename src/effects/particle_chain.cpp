// Particle chain (effect 3): particles born at the fractal trail's head fly ever faster away from
// the centre as growing white circles, linked in slot order by an amber chain.
#include "effects/particle_chain.h"

#include "raster/raster.h"

namespace orv {

namespace {
constexpr ColorTriple White{255, 255, 255};
constexpr ColorTriple Amber{255, 192, 0};
constexpr int32_t Free = -1;
constexpr int32_t BirthRadius = 32;

// The motion is defined on 32-bit integers; wrapping keeps that result for ages so large that
// the products leave 32 bits, without signed overflow.
int32_t Wrap32(int64_t v) {
    return static_cast<int32_t>(v);
}

// Ages a live slot by elapsed one-tick steps. Counting on in 32 bits, a count that has wrapped
// round to negative values would reach -1, the free mark, and stop there.
void AgeParticle(int32_t& age, int32_t elapsed) {
    const uint32_t ticksToFree = static_cast<uint32_t>(Free) - static_cast<uint32_t>(age);
    age = ticksToFree <= static_cast<uint32_t>(elapsed) ? Free : Wrap32(int64_t{age} + elapsed);
}
} // namespace

void InitParticleChain(ParticleChain& chain) {
    for (int32_t& age : chain.age) age = Free;
}

int32_t DrawParticleChain(ParticleChain& chain, TrailHead& head, const Canvas& canvas,
                          Random& random, int32_t trigger, int32_t elapsed, int32_t /*note*/,
                          int32_t /*volume*/) {
    // No particle is born on the centre lines, where it would never move off them.
    if (head.x == FrameCentreX) head.x = FrameCentreX + 1;
    if (head.y == FrameCentreY) head.y = FrameCentreY - 1;

    if (trigger != 0) {
        const int32_t first = rand(random) % ParticleCount;
        for (int32_t k = 0; k < ParticleCount; ++k) {
            const int32_t slot = (first + k) % ParticleCount;
            if (chain.age[slot] != Free) continue;
            chain.x[slot] = head.x;
            chain.y[slot] = head.y;
            chain.age[slot] = 0;
            DrawCircle(canvas, head.x, head.y, BirthRadius, White);
            break;
        }
    }

    if (elapsed >= 1) {
        for (int32_t& age : chain.age)
            if (age != Free) AgeParticle(age, elapsed);
    }

    // Once per frame the offset from the centre grows by (256 + age) / 256, truncated.
    for (int32_t i = 0; i < ParticleCount; ++i) {
        if (chain.age[i] == Free) continue;
        const int32_t f = Wrap32(int64_t{chain.age[i]} + 256);
        const int32_t nx =
            Wrap32(int64_t{Wrap32(int64_t{chain.x[i]} - FrameCentreX)} * f) / 256 + FrameCentreX;
        const int32_t ny =
            Wrap32(int64_t{Wrap32(int64_t{chain.y[i]} - FrameCentreY)} * f) / 256 + FrameCentreY;
        if (nx < 0 || nx >= FrameWidth || ny < 0 || ny >= FrameHeight) {
            chain.age[i] = Free;
        } else {
            chain.x[i] = nx;
            chain.y[i] = ny;
        }
    }

    int32_t previous = Free;
    for (int32_t i = 0; i < ParticleCount; ++i) {
        if (chain.age[i] == Free) continue;
        DrawCircle(canvas, chain.x[i], chain.y[i], chain.age[i] / 8 + 4, White);
        if (previous != Free)
            DrawLine(canvas, chain.x[previous], chain.y[previous], chain.x[i], chain.y[i], Amber);
        previous = i;
    }
    return 1;
}

} // namespace orv
