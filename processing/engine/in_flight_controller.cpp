// in_flight_controller.cpp - hill climbing on measured throughput.
#include "processing/engine/in_flight_controller.h"

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
    // Never above one read per core while the cores are busy; above it already, a moment's
    // burst does not hold the limit down.
    if (up && m_limit >= m_cores && (m_saturated || (m_busyNow && m_limit == m_cores))) return;
    m_limit = up ? std::min(m_limit * 2, m_most) : std::max(m_limit / 2, 1u);
}

bool InFlightController::CoresSaturated(double busyCores) const {
    return m_cores != 0 && busyCores >= kSaturated * m_cores;
}

void InFlightController::OnSample(double throughput, double busyCores) {
    m_busyNow = CoresSaturated(busyCores);
    m_saturatedSamples = m_busyNow ? m_saturatedSamples + 1 : 0;
    ++m_samples;
    // Cold reads keep the cores busy in bursts as well (on a virtual machine each read costs
    // processor time of its own): after the first sample, which decides whether the run starts
    // in the page cache, busy cores count only two samples in a row.
    m_saturated = m_saturatedSamples >= (m_samples == 1 ? 1 : 2);
    if (m_saturated && m_limit > m_cores) {
        // Busy cores, not the device, set the pace: back to one read per core. The next sample
        // is the new reference, not a verdict on the drop: a rise then shows only that the cores
        // were right, not that fewer reads still would be better.
        m_previous = -1;
        m_steadySamples = 0;
        m_goingUp = false;
        m_limit = std::max(m_cores, 1u);
        m_afterCoreCap = true;
        return;
    }
    if (m_previous < 0) {
        m_previous = throughput;
        if (!m_afterCoreCap) Step(m_goingUp);
        m_afterCoreCap = false;
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
