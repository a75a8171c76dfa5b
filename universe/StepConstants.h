#pragma once

// Constants shared by the literal step and the fast step, so the two cannot drift apart.
// Free of includes: the pair kernels, built once per instruction set, use them too.
namespace StepConstants {

// A very slight damping of every velocity per step.
constexpr double Damping = 0.999999999999;
// Coincident particles would divide by zero; the floor also caps the pull at short range.
constexpr double LeastSquaredDistance = 0.00001;
// At most 1 - 0.994 of a pair's relative velocity is exchanged by friction per step.
constexpr double LeastFrictionShare = 0.994;
// Softens the pressure term at zero distance.
constexpr double PressureShield = 0.1;

} // namespace StepConstants
