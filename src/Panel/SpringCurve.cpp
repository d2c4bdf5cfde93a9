#include "Panel/SpringCurve.h"

#include <cmath>
#include <numbers>

SpringCurve::SpringCurve(double stiffness, double damping, double mass)
    : omega_(std::sqrt(stiffness / mass)), zeta_(damping / (2 * std::sqrt(stiffness * mass))) {
    // The slowest decaying part bounds the distance from rest from above.
    const double decay =
        zeta_ <= 1 ? zeta_ * omega_ : zeta_ * omega_ - omega_ * std::sqrt(zeta_ * zeta_ - 1);
    double t = 0;
    const double step = 0.001;
    while (t < 10) {
        const double bound = std::exp(-decay * t) * (1 + omega_ * t);
        if (bound < 0.001)
            break;
        t += step;
    }
    settling_ = t;
}

SpringCurve SpringCurve::withResponse(double response, double dampingFraction) {
    const double omega = 2 * std::numbers::pi / response;
    return SpringCurve(omega * omega, 2 * dampingFraction * omega);
}

double SpringCurve::value(double seconds) const {
    if (seconds <= 0)
        return 0;
    const double t = seconds;
    if (zeta_ < 1) {
        const double damped = omega_ * std::sqrt(1 - zeta_ * zeta_);
        return 1 - std::exp(-zeta_ * omega_ * t) *
                       (std::cos(damped * t) + zeta_ * omega_ / damped * std::sin(damped * t));
    }
    if (zeta_ == 1)
        return 1 - std::exp(-omega_ * t) * (1 + omega_ * t);
    const double root = omega_ * std::sqrt(zeta_ * zeta_ - 1);
    const double r1 = -zeta_ * omega_ + root;
    const double r2 = -zeta_ * omega_ - root;
    return 1 - (r2 * std::exp(r1 * t) - r1 * std::exp(r2 * t)) / (r2 - r1);
}

double SpringCurve::settlingDuration() const {
    return settling_;
}
