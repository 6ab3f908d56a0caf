// in_flight_controller.cpp - hill climbing on measured throughput.
#include "processing/in_flight_controller.h"

#include <algorithm>

namespace quillmark {

namespace {

// Changes smaller than this are noise: the page cache, other processes, file sizes.
constexpr double kSignificant = 0.10;
// Samples on a plateau before the controller probes again; each probe that ends where it
// began doubles the wait, up to the most, since a probe the wrong way costs throughput.
constexpr int kProbeAfter = 6;
constexpr int kProbeAfterMost = 48;
// The share of the cores in use at which they count as all busy (the rest is measuring error
// and the odd wait).
constexpr double kSaturated = 0.85;

}  // namespace

InFlightController::InFlightController(unsigned start, unsigned most, unsigned cores)
    : m_limit(std::clamp(start, 1u, std::max(most, 1u))),
      m_most(std::max(most, 1u)),
      m_cores(cores),
      m_probeAfter(kProbeAfter) {}

void InFlightController::Step(bool up) {
    m_goingUp = up;
    if (up && m_saturated && m_limit >= m_cores) return;
    m_limit = up ? std::min(m_limit * 2, m_most) : std::max(m_limit / 2, 1u);
}

void InFlightController::OnSample(double throughput, double busyCores) {
    m_saturated = m_cores != 0 && busyCores >= kSaturated * m_cores;
    if (m_saturated && m_limit > m_cores) {
        // Busy cores, not the device, set the pace: back to one read per core.
        m_previous = throughput;
        m_steadySamples = 0;
        m_goingUp = false;
        m_limit = std::max(m_cores, 1u);
        return;
    }
    if (m_previous < 0) {
        m_previous = throughput;
        Step(m_goingUp);
        return;
    }
    const double previous = m_previous;
    m_previous = throughput;
    if (throughput > previous * (1 + kSignificant)) {
        // The last step helped: take another the same way.
        m_steadySamples = 0;
        Step(m_goingUp);
    } else if (throughput < previous * (1 - kSignificant)) {
        // It hurt: go back, and keep going that way while that helps.
        m_steadySamples = 0;
        Step(!m_goingUp);
    } else if (++m_steadySamples >= m_probeAfter) {
        m_probeAfter =
            m_limit == m_probedFrom ? std::min(m_probeAfter * 2, kProbeAfterMost) : kProbeAfter;
        m_probedFrom = m_limit;
        m_steadySamples = 0;
        Step(!m_goingUp);
    }
}

}  // namespace quillmark
