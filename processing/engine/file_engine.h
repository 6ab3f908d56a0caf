// file_engine.h - the one place files are opened, read and checksummed: files of a walk or of a
// listing, read by a pool of workers (or, one at a time, by the calling thread) and handed back
// strictly in the order they were fed.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "checksum/crc_table.h"
#include "checksum/read_progress.h"
#include "platform/blocking_calls.h"
#include "platform/regular_file.h"
#include "processing/engine/file_task.h"
#include "processing/engine/in_flight_controller.h"
#include "processing/progress_meter.h"

namespace quillmark {

// How many reads a run keeps in flight: a fixed number, or 0 for the measured choice.
struct ParallelChoice {
    unsigned jobs = 0;
    unsigned most = 16;  // the ceiling of the measured choice
};

class FileEngine {
public:
    // Called on the feeding thread for each finished file, in feeding order; false stops the run
    // (a failed write). Nothing more is delivered after it returns false.
    using Deliver = std::function<bool(const FileTask&, const FileOutcome&)>;

    // Progress and cancel requests go through meter, on the feeding thread only. At jobs 1 the
    // feeding thread reads every file itself.
    FileEngine(ReadMode mode, ParallelChoice choice, ProgressMeter& meter, Deliver deliver);
    FileEngine(const FileEngine&) = delete;
    FileEngine& operator=(const FileEngine&) = delete;
    // Stops every worker within one read buffer and joins them; undelivered results are dropped.
    ~FileEngine();

    // A file never checksummed (the run's own output): before the first Submit.
    void Exclude(const FileIdentity& identity) { m_excluded.push_back(identity); }
    // Queues one file, first delivering what is ready, and waiting while the queue is full.
    // False once the run has stopped (cancelled or a delivery failed): nothing is queued then.
    bool Submit(FileTask task);
    // Delivers every queued file, waiting for the last one: a message that follows then stands
    // after all the results that came before it. False when the run stopped meanwhile.
    bool Drain();
    // One file read at once on the calling thread, outside the order: for a second look from
    // inside Deliver (a listed name found under another letter case).
    FileOutcome ReadNow(const FileTask& task);

    bool Stopped() const { return m_stopped; }
    // The real-time clock a file's change time is compared with, and how long ago a change must
    // lie for the file to be read once: a test's own, or null and 0 for the program's.
    using RealTime = timespec (*)();
    static void SetClockForTesting(RealTime now, std::chrono::nanoseconds settleTime);
    std::uint64_t BytesRead() const { return m_progress.bytes.load(); }

private:
    struct Entry {
        FileTask task;
        // Its own count of bytes read (counted into the run's as well) and its size once open,
        // read by the feeding thread for the progress of the oldest file.
        ReadProgress progress;
        std::atomic<std::uint64_t> size{0};
        FileOutcome outcome;
        bool done = false;
    };

    // -j 1: the feeding thread reads each file as it is fed and delivers it at once, with none of
    // the window's bookkeeping (no worker ever runs).
    bool ReadInOrder(FileTask task);
    void WorkerLoop();
    void Process(Entry& entry, unsigned splitThreads);
    std::optional<RegularFile> Open(const FileTask& task, int& error);
    // Waits (in slices that hear a cancel) until deadline; false when the run stopped meanwhile.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline, Entry& entry);
    // wanted, or fewer when the descriptors left could not hold that many reads.
    unsigned ReadsAllowed(unsigned wanted) const;
    bool Report(const Entry* oldest);
    void EnsureWorkers(std::unique_lock<std::mutex>& lock);
    // Joins the idle workers once one read at a time is the choice: in a process of one thread
    // the kernel skips the reference counting and locking that every open, read and close
    // otherwise costs, which on trees of tiny files is more than the workers gain.
    void RetireWorkers(std::unique_lock<std::mutex>& lock);
    // Delivers finished entries at the front; waits up to one poll interval for the front one
    // when wait is set. Called with the lock held; releases it while delivering.
    void DeliverReady(std::unique_lock<std::mutex>& lock, bool wait);
    void Stop(std::unique_lock<std::mutex>& lock);
    void Measure();
    // The feeding thread waits while this holds: so many results wait already, or they hold open
    // so many directories.
    bool WindowFull() const;

    const CrcTable m_table;
    const ReadMode m_mode;
    std::vector<FileIdentity> m_excluded;
    const ParallelChoice m_choice;
    const unsigned m_splitThreads;
    ProgressMeter& m_meter;
    Deliver m_deliver;

    std::atomic<bool> m_cancel{false};
    ReadProgress m_progress;

    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_entryDone;
    std::condition_variable m_readFinished;  // for reads waiting for a descriptor
    unsigned m_descriptorWaiters = 0;
    std::deque<Entry> m_window;  // undelivered files in feeding order; references stay valid
    std::size_t m_firstUnstarted = 0;
    const Entry* m_awaited = nullptr;   // the file the feeding thread is waiting for, if any
    std::atomic<unsigned> m_active{0};  // reads under way; counted under the lock
    bool m_shutdown = false;
    bool m_retiring = false;
    bool m_stopped = false;
    std::size_t m_windowCap;
    std::size_t m_directoriesHeld = 0;  // distinct directories of the files in the window
    std::uint64_t m_filesDelivered = 0;

    const std::size_t m_freeDescriptors;  // when the engine was made
    const std::size_t m_mostDirectoriesHeld;
    InFlightController m_controller;
    std::chrono::steady_clock::time_point m_sampleStart;
    std::chrono::steady_clock::time_point m_lastBusyCheck;  // within the first sample
    std::chrono::nanoseconds m_sampleCpu;
    unsigned m_samples = 0;
    std::uint64_t m_sampleWork = 0;
    std::uint64_t m_filesDone = 0;

    std::vector<std::thread> m_workers;
    // Reads and opens on the feeding thread (which makes and ends the engine) give up once a
    // cancel is heard: Ctrl+C interrupts that thread's call.
    const StoppableCalls m_feedingCalls{[this] { return m_cancel.load() || !m_meter.Poll(); }};
};

}  // namespace quillmark
