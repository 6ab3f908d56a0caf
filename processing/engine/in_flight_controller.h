// in_flight_controller.h - how many files a run reads at once, found by watching its throughput.
#pragma once

namespace quillmark {

// A rotating disk reads fastest one file at a time, flash and network storage with many reads
// queued, and nothing the kernel reports tells them apart reliably. The controller climbs
// instead: it doubles the number of reads in flight while throughput rises, halves it when
// throughput falls, and from a plateau probes a step each way now and then (less often while the
// probes find nothing better), so it settles near the device's best and follows it when the work
// changes (large files, then small ones).
// When every core is already busy the work is not waiting on the device (the files are in the
// page cache), so more reads in flight than cores only add switching, whatever a noisy sample
// says: the limit then stays at or below the number of cores.
class InFlightController {
public:
    // cores: the processors the run may use; 0 when unknown (no ceiling from busy cores).
    InFlightController(unsigned start, unsigned most, unsigned cores = 0);

    unsigned Limit() const { return m_limit; }
    // Throughput (any unit) measured with Limit() reads in flight over the last period, and how
    // many cores the process kept busy meanwhile (CPU time over wall time; 0 when unknown).
    void OnSample(double throughput, double busyCores = 0);
    // Whether that many busy cores count as every core busy.
    bool CoresSaturated(double busyCores) const;

private:
    void Step(bool up);

    unsigned m_limit;
    unsigned m_most;
    unsigned m_cores;
    bool m_busyNow = false;       // every core busy over the last sample
    bool m_saturated = false;     // every core busy, and not for a moment only
    bool m_afterCoreCap = false;  // the limit just came down to one read per core
    int m_saturatedSamples = 0;   // samples in a row with every core busy
    int m_samples = 0;
    double m_previous = -1;
    bool m_goingUp = true;
    int m_steadySamples = 0;
    int m_probeAfter;
    unsigned m_probedFrom = 0;  // the limit the last probe started from
};

}  // namespace quillmark
