// in_flight_controller.h - how many files a run reads at once, found by watching its throughput.
#pragma once

namespace quillmark {

// A rotating disk reads fastest one file at a time, flash and network storage with many reads
// queued, and nothing the kernel reports tells them apart reliably. The controller climbs
// instead: it doubles the number of reads in flight while throughput rises, halves it when
// throughput falls, and from a plateau probes a step each way now and then, so it settles near
// the device's best and follows it when the work changes (large files, then small ones).
class InFlightController {
public:
    InFlightController(unsigned start, unsigned most);

    unsigned Limit() const { return m_limit; }
    // Throughput (any unit) measured with Limit() reads in flight over the last period.
    void OnSample(double throughput);

private:
    void Step(bool up);

    unsigned m_limit;
    unsigned m_most;
    double m_previous = -1;
    bool m_goingUp = true;
    int m_steadySamples = 0;
};

}  // namespace quillmark
