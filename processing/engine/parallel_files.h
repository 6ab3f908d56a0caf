// parallel_files.h - files of a walk opened, read and checksummed by a pool of workers, their
// results handed back strictly in the order the walk gave them.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "checksum/crc_table.h"
#include "checksum/split_crc.h"
#include "platform/directory_handle.h"
#include "platform/regular_file.h"
#include "processing/engine/in_flight_controller.h"

namespace quillmark {

// A file of the walk: a name in an open directory, and the directory's text as printed.
struct FileTask {
    std::shared_ptr<const DirectoryHandle> directory;
    std::shared_ptr<const std::string> directoryText;
    std::string name;
};

struct FileOutcome {
    CrcResult result;
    bool excluded = false;  // the run's own output: reported by nobody
};

// How many reads a run keeps in flight: a fixed number, or 0 for the measured choice.
struct ParallelChoice {
    unsigned jobs = 0;
    unsigned most = 16;  // the ceiling of the measured choice
};

class ParallelFiles {
public:
    // Called on the walk's thread for each finished file, in walk order; false stops the run
    // (a failed write). Nothing more is delivered after it returns false.
    using Deliver = std::function<bool(const FileTask&, const FileOutcome&)>;
    // Called on the walk's thread at least every poll interval while it waits, with the bytes
    // read so far and the oldest unfinished file; false is a cancel request.
    // For the oldest file also its size (0 until it is open) and the bytes read of it.
    using Poll = std::function<bool(std::uint64_t bytesRead, const FileTask* oldest,
                                    std::uint64_t oldestSize, std::uint64_t oldestDone)>;

    ParallelFiles(ReadMode mode, std::vector<FileIdentity> excluded, ParallelChoice choice,
                  Deliver deliver, Poll poll);
    ParallelFiles(const ParallelFiles&) = delete;
    ParallelFiles& operator=(const ParallelFiles&) = delete;
    // Stops every worker within one read buffer and joins them; undelivered results are dropped.
    ~ParallelFiles();

    // Queues one file, first delivering what is ready, and waiting while the queue is full.
    // False once the run has stopped (cancelled or a delivery failed): nothing is queued then.
    bool Submit(FileTask task);
    // Delivers every queued file, waiting for the last one: a message that follows then stands
    // after all the results that came before it. False when the run stopped meanwhile.
    bool Drain();

    bool Stopped() const { return m_stopped; }
    bool Cancelled() const { return m_cancelledByUser; }
    std::uint64_t BytesRead() const { return m_progress.bytes.load(); }
    unsigned InFlightLimit() const;

private:
    struct Entry {
        FileTask task;
        // Its own count of bytes read (counted into the run's as well) and its size once open,
        // read by the walk's thread for the progress of the oldest file.
        std::unique_ptr<SharedReadProgress> progress;
        std::atomic<std::uint64_t> size{0};
        FileOutcome outcome;
        bool started = false;
        bool done = false;
    };

    void WorkerLoop();
    void Process(Entry& entry, unsigned splitThreads);
    void EnsureWorkers(std::unique_lock<std::mutex>& lock);
    // Joins the idle workers once one read at a time is the choice: in a process of one thread
    // the kernel skips the reference counting and locking that every open, read and close
    // otherwise costs, which on trees of tiny files is more than the workers gain.
    void RetireWorkers(std::unique_lock<std::mutex>& lock);
    // Delivers finished entries at the front; waits up to one poll interval for the front one
    // when wait is set. Called with the lock held; releases it while delivering.
    void DeliverReady(std::unique_lock<std::mutex>& lock, bool wait);
    void Stop(std::unique_lock<std::mutex>& lock, bool byUser);
    void Measure();
    // The walk's thread waits while this holds: so many results wait already, or they hold open
    // so many directories.
    bool WindowFull() const;

    const CrcTable m_table;
    const ReadMode m_mode;
    const std::vector<FileIdentity> m_excluded;
    const ParallelChoice m_choice;
    const unsigned m_splitThreads;
    Deliver m_deliver;
    Poll m_poll;

    std::atomic<bool> m_cancel{false};
    SharedReadProgress m_progress;

    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_entryDone;
    std::deque<Entry> m_window;  // undelivered files in walk order; references stay valid
    std::size_t m_firstUnstarted = 0;
    const Entry* m_awaited = nullptr;  // the file the walk's thread is waiting for, if any
    unsigned m_active = 0;
    bool m_shutdown = false;
    bool m_retiring = false;
    bool m_stopped = false;
    bool m_cancelledByUser = false;
    std::size_t m_windowCap;
    std::size_t m_directoriesHeld = 0;  // distinct directories of the files in the window

    InFlightController m_controller;
    std::chrono::steady_clock::time_point m_sampleStart;
    std::chrono::steady_clock::time_point m_lastBusyCheck;  // within the first sample
    std::chrono::nanoseconds m_sampleCpu;
    unsigned m_samples = 0;
    std::uint64_t m_sampleWork = 0;
    std::uint64_t m_filesDone = 0;

    std::vector<std::thread> m_workers;
};

}  // namespace quillmark
