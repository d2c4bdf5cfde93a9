#pragma once

// The way a damped spring released at 0 comes to rest at 1, for animations that settle instead
// of stopping on a fixed curve.
class SpringCurve {
public:
    // A spring of `stiffness` and `damping` carrying `mass`, released without velocity.
    SpringCurve(double stiffness, double damping, double mass = 1);
    // A spring described by the time of one free oscillation and how much of the critical
    // damping it has (1: no overshoot).
    static SpringCurve withResponse(double response, double dampingFraction);

    // Position at `seconds` after release: 0 at release, 1 at rest, above 1 while it overshoots.
    double value(double seconds) const;
    // When the spring is as good as at rest (within a thousandth of the way).
    double settlingDuration() const;

private:
    double omega_;  // undamped angular frequency
    double zeta_;   // damping ratio
    // Found by stepping through time once: animations ask for it on every frame.
    double settling_;
};
