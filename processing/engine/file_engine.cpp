// file_engine.cpp - the worker pool, the ordered window of results, and the measured number of
// reads in flight.
#include "processing/engine/file_engine.h"

#include <sched.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/blocking_calls.h"
#include "platform/descriptor_limit.h"

namespace quillmark {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);
// How often a worker blocked on a device is woken while the run waits for it to stop.
constexpr auto kWorkerWakeInterval = std::chrono::milliseconds(50);
constexpr auto kSamplePeriod = std::chrono::milliseconds(150);
// The first sample comes sooner: a run over files in the page cache may last a fraction of a
// second, and whether the cores are all busy shows at once (it ends at the first poll that finds
// them so, which is usually sooner still).
constexpr auto kFirstSamplePeriod = std::chrono::milliseconds(60);
// Opening a file costs about what reading this many bytes does, so a throughput sample weighs
// many small files and a few large ones alike.
constexpr std::uint64_t kBytesPerOpen = 16 * 1024;
constexpr unsigned kMeasuredStart = 4;
// Results that may wait for delivery. On trees of tiny files a short queue has the walk's thread
// and the workers take turns sleeping, a wake-up every few files; this many keeps them all busy
// for about a millisecond at a time, in well under a megabyte.
constexpr std::size_t kWindowCap = 1024;
// Each waiting file keeps its directory open: this many directories at most, far below the
// usual limit of 1,024 descriptors a process starts with; fewer when fewer are left.
constexpr std::size_t kMostDirectoriesHeld = 64;
// Whatever -j says, the reads in flight and the directories held never take more than this share
// of the descriptors left when the run starts: the walk, the output and the front end need some.
constexpr std::size_t kReadsPerFreeDescriptor = 2;
constexpr std::size_t kDirectoriesPerFreeDescriptor = 4;
// A file changed this recently may still be being written: timestamps are coarse (a clock tick,
// two seconds on some file systems), a write changes them as it begins, and one large write, or
// a writer the scheduler holds in the middle of one, takes a while. Such a file is read again
// once its last change is this old, and only two equal checksums describe it.
constexpr std::chrono::seconds kSettleTime{2};
// Slices of the wait for a file to settle, between which a cancel is heard.
constexpr auto kSettleSlice = std::chrono::milliseconds(20);

// The coarse clock is the one file times are taken from, and it costs a fraction of the fine one.
timespec RealTimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

// QUILLMARK_SETTLE_MS sets another settle time: longer for a file server whose times are
// coarser, 0 to read every file once (the test suite, whose files are all new).
std::chrono::nanoseconds SettleTimeFromEnvironment() {
    const char* text = std::getenv("QUILLMARK_SETTLE_MS");
    if (text == nullptr || *text == '\0') return kSettleTime;
    char* end = nullptr;
    const unsigned long long milliseconds = std::strtoull(text, &end, 10);
    if (*end != '\0') return kSettleTime;
    return std::chrono::milliseconds(milliseconds);
}

FileEngine::RealTime g_realTime = &RealTimeNow;
std::chrono::nanoseconds g_settleTime = SettleTimeFromEnvironment();

std::chrono::nanoseconds SinceEpoch(const timespec& time) {
    return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

bool IsOutOfDescriptors(int error) { return error == EMFILE || error == ENFILE; }

// The processors this process may run on (an affinity mask or a container may allow fewer than
// the machine has).
unsigned ProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

// CPU time used by every thread of the process.
std::chrono::nanoseconds ProcessCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace

FileEngine::FileEngine(ReadMode mode, ParallelChoice choice, ProgressMeter& meter, Deliver deliver)
    : m_mode(mode),
      m_choice(choice),
      // One read at a time is what -j 1 asks for: a large file is not split over the cores then.
      m_splitThreads(choice.jobs == 1 ? 1 : ProcessorCount()),
      m_meter(meter),
      m_deliver(std::move(deliver)),
      m_freeDescriptors(FreeDescriptors()),
      m_mostDirectoriesHeld(std::clamp<std::size_t>(
          m_freeDescriptors / kDirectoriesPerFreeDescriptor, 1, kMostDirectoriesHeld)),
      m_controller(ReadsAllowed(choice.jobs != 0 ? choice.jobs : kMeasuredStart),
                   ReadsAllowed(choice.jobs != 0 ? choice.jobs : choice.most), m_splitThreads),
      m_sampleStart(std::chrono::steady_clock::now()),
      m_lastBusyCheck(m_sampleStart),
      m_sampleCpu(ProcessCpuTime()) {
    m_progress.cancel = &m_cancel;
    // Results wait here until every earlier one is done; many times the reads in flight keeps
    // the workers busy behind one slow file without holding a tree's worth of results.
    const unsigned most = choice.jobs != 0 ? choice.jobs : choice.most;
    m_windowCap = std::max<std::size_t>(kWindowCap, std::size_t{most} * 8);
}

FileEngine::~FileEngine() {
    {
        std::unique_lock lock(m_mutex);
        m_shutdown = true;
        m_cancel = true;
    }
    m_workAvailable.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

void FileEngine::EnsureWorkers(std::unique_lock<std::mutex>&) {
    const unsigned wanted = m_controller.Limit();
    while (wanted > 1 && m_workers.size() < wanted) {
        try {
            m_workers.emplace_back([this] { WorkerLoop(); });
        } catch (const std::system_error&) {
            // As many workers as the system allows; with none, Submit works through the queue
            // itself.
            break;
        }
    }
}

void FileEngine::RetireWorkers(std::unique_lock<std::mutex>& lock) {
    // A worker still reading is left to finish first: joining it here would keep this thread
    // from hearing a cancel until a file of any size is read. At a limit of one no worker takes
    // a new file, so a later call finds them all idle.
    if (m_workers.empty() || m_active > 0) return;
    m_retiring = true;
    m_workAvailable.notify_all();
    std::vector<std::thread> leaving = std::move(m_workers);
    m_workers.clear();
    lock.unlock();
    for (std::thread& worker : leaving) worker.join();
    lock.lock();
    m_retiring = false;
}

void FileEngine::Process(Entry& entry, unsigned splitThreads) {
    FileOutcome& outcome = entry.outcome;
    const FileTask& task = entry.task;
    if (task.directory == nullptr) {
        outcome.result.error = task.openError;
        return;
    }
    int openError = 0;
    const std::optional<RegularFile> file = Open(task, openError);
    if (!file) {
        // An open given up because the work stopped while it waited.
        if (openError == EINTR) outcome.result.status = CrcStatus::Cancelled;
        outcome.result.error = openError;
        return;
    }
    outcome.opened = true;
    if (IsExcluded(file->Identity(), m_excluded)) {
        outcome.excluded = true;
        return;
    }
    entry.size = file->Size();
    if (task.requiredSize && *task.requiredSize != file->Size()) {
        outcome.sizeDiffers = true;
        outcome.result.size = file->Size();
        return;
    }
    const ReadMode mode = task.mode.value_or(m_mode);
    const std::chrono::nanoseconds sinceChange =
        SinceEpoch(g_realTime()) - SinceEpoch(file->ChangeTime());
    const bool recent = sinceChange < g_settleTime;
    const auto readBegan =
        recent ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
    outcome.result =
        m_table.ComputeFileCrc(*file, file->Size(), mode, entry.progress, splitThreads);
    if (!outcome.result.Readable() || !recent) return;
    // Changed within the settle time, or in the future (a clock that differs from the file
    // server's): a write may have been under way during the read. Once the change is old enough
    // (at most the settle time from now) for such a write to have ended, the bytes are read
    // again, counted only once in the run's progress, and must give the same checksum; a write
    // begun meanwhile shows in the file's times.
    const auto wait = sinceChange < std::chrono::nanoseconds(0)
                          ? g_settleTime
                          : std::min(g_settleTime - sinceChange, g_settleTime);
    if (!WaitUntil(readBegan + wait, entry)) {
        outcome.result.status = CrcStatus::Cancelled;
        return;
    }
    ReadProgress again;
    again.cancel = &m_cancel;
    again.poll = entry.progress.poll;
    const CrcResult second = m_table.ComputeFileCrc(*file, file->Size(), mode, again, splitThreads);
    if (second.status == CrcStatus::Cancelled) {
        outcome.result = second;
    } else if (!second.Readable() || second.crc != outcome.result.crc) {
        outcome.result = {CrcStatus::Changed, 0, file->Size()};
    }
}

bool FileEngine::WaitUntil(std::chrono::steady_clock::time_point deadline, Entry& entry) {
    for (;;) {
        if (m_cancel.load()) return false;
        // On the feeding thread the wait keeps the front end informed and hears its cancel.
        if (entry.progress.poll && !entry.progress.poll()) return false;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds(0)) return true;
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(left, kSettleSlice));
    }
}

std::optional<RegularFile> FileEngine::Open(const FileTask& task, int& error) {
    for (;;) {
        std::optional<RegularFile> file =
            RegularFile::OpenAt(task.directory->Descriptor(), task.name, &error, task.source);
        if (file || !IsOutOfDescriptors(error)) return file;
        // Out of descriptors: wait for a read in flight to give its own back, then try again.
        // With nothing else in flight there is nothing to wait for, and the error stands.
        std::unique_lock lock(m_mutex);
        if (m_active <= 1 || m_shutdown) return file;
        const std::uint64_t finished = m_filesDone;
        ++m_descriptorWaiters;
        m_readFinished.wait(lock,
                            [&] { return m_filesDone != finished || m_active <= 1 || m_shutdown; });
        --m_descriptorWaiters;
    }
}

unsigned FileEngine::ReadsAllowed(unsigned wanted) const {
    const std::size_t most = std::max<std::size_t>(m_freeDescriptors / kReadsPerFreeDescriptor, 1);
    return static_cast<unsigned>(std::min<std::size_t>(wanted, most));
}

void FileEngine::SetClockForTesting(RealTime now, std::chrono::nanoseconds settleTime) {
    g_realTime = now ? now : &RealTimeNow;
    g_settleTime = settleTime.count() > 0 ? settleTime : SettleTimeFromEnvironment();
}

FileOutcome FileEngine::ReadNow(const FileTask& task) {
    Entry entry;
    entry.task = task;
    entry.progress.total = &m_progress;
    entry.progress.cancel = &m_cancel;
    entry.progress.poll = [this, &entry] { return Report(&entry); };
    ++m_active;
    Process(entry, m_splitThreads);
    --m_active;
    return entry.outcome;
}

bool FileEngine::Report(const Entry* oldest) {
    ProgressSample sample;
    sample.bytesDone = m_progress.bytes.load();
    sample.filesDone = m_filesDelivered;
    sample.filesInProgress = m_active.load();
    if (oldest != nullptr) {
        if (oldest->task.directoryText) sample.directory = *oldest->task.directoryText;
        sample.name = oldest->task.name;
        sample.fileSize = oldest->size.load();
        sample.fileDone = oldest->progress.bytes.load(std::memory_order_relaxed);
    }
    return m_meter.Update(sample);
}

void FileEngine::WorkerLoop() {
    KeepInterruptAway();
    const StoppableCalls calls([this] { return m_cancel.load(); });
    std::unique_lock lock(m_mutex);
    for (;;) {
        // At a limit of one the walk's thread reads by itself.
        m_workAvailable.wait(lock, [&] {
            return m_shutdown || m_retiring ||
                   (m_firstUnstarted < m_window.size() && m_controller.Limit() > 1 &&
                    m_active < m_controller.Limit());
        });
        if (m_shutdown || m_retiring) return;
        Entry& entry = m_window[m_firstUnstarted++];
        ++m_active;
        // Splitting one file over every core pays only when nothing else keeps the cores busy.
        const unsigned split =
            m_active == 1 && m_firstUnstarted == m_window.size() ? m_splitThreads : 1;
        lock.unlock();
        Process(entry, split);
        lock.lock();
        entry.done = true;
        --m_active;
        ++m_filesDone;
        if (m_descriptorWaiters > 0) m_readFinished.notify_all();
        // The walk's thread waits for one chosen file (or, when stopping, for the last worker):
        // waking it for any other would cost a switch per file for nothing.
        const bool awaited = &entry == m_awaited || (m_awaited != nullptr && m_awaited->done &&
                                                     &entry == &m_window.front());
        if (awaited || m_active == 0) m_entryDone.notify_one();
    }
}

void FileEngine::Measure() {
    if (m_choice.jobs != 0) return;
    const unsigned before = m_controller.Limit();
    const auto now = std::chrono::steady_clock::now();
    const auto elapsed = now - m_sampleStart;
    const bool periodOver = elapsed >= (m_samples == 0 ? kFirstSamplePeriod : kSamplePeriod);
    // The run's first sample ends as soon as the cores show busy: the controller comes down to one
    // read per core then, and waiting out the period at a higher limit costs a large share of a
    // short run over files in the page cache. Later only whole periods count, as short bursts of
    // busy cores come on any device (a cold tree has them too).
    const bool mayEndEarly =
        m_samples == 0 && before > m_splitThreads && now - m_lastBusyCheck >= kPollInterval;
    if (!periodOver && !mayEndEarly) return;
    const std::chrono::nanoseconds cpu = ProcessCpuTime();
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const double busyCores = std::chrono::duration<double>(cpu - m_sampleCpu).count() / seconds;
    if (!periodOver) {
        m_lastBusyCheck = now;
        if (!m_controller.CoresSaturated(busyCores)) return;
    }
    ++m_samples;
    const std::uint64_t work = m_progress.bytes.load() + m_filesDone * kBytesPerOpen;
    m_controller.OnSample(static_cast<double>(work - m_sampleWork) / seconds, busyCores);
    m_sampleStart = now;
    m_sampleWork = work;
    m_sampleCpu = cpu;
    // More reads allowed: idle workers may take the queued files now.
    if (m_controller.Limit() > before) m_workAvailable.notify_all();
}

void FileEngine::Stop(std::unique_lock<std::mutex>& lock) {
    m_stopped = true;
    m_cancel = true;
    // Workers finish the buffer they are in; nothing of theirs is delivered. One blocked on a
    // device is woken until it gives up, unless the kernel holds it.
    while (!m_entryDone.wait_for(lock, kWorkerWakeInterval, [&] { return m_active == 0; })) {
        for (std::thread& worker : m_workers) WakeThread(worker.native_handle());
    }
    m_window.clear();
    m_firstUnstarted = 0;
    m_directoriesHeld = 0;
}

void FileEngine::DeliverReady(std::unique_lock<std::mutex>& lock, bool wait) {
    // One read at a time, or no worker to be had: the walk's own thread does the work, which
    // spares a hand-over per file (on trees of tiny files that costs more than it gains).
    const bool onThisThread = m_workers.empty() || m_controller.Limit() == 1;
    const bool readHere = onThisThread && m_active == 0 && m_firstUnstarted < m_window.size();
    if (readHere) {
        Entry& entry = m_window[m_firstUnstarted++];
        ++m_active;
        lock.unlock();
        // The walk's thread reads this file itself, so it keeps polling between buffers: progress
        // still reaches the front end and a cancel is heard, however long the file.
        entry.progress.poll = [this, &entry] { return Report(&entry); };
        // A cancel is heard before each file is opened, however small the files, and while a read
        // or an open waits on a device (m_feedingCalls).
        if (Report(&entry)) {
            Process(entry, m_splitThreads);
        } else {
            entry.outcome.result.status = CrcStatus::Cancelled;
        }
        entry.progress.poll = nullptr;
        lock.lock();
        entry.done = true;
        --m_active;
        ++m_filesDone;
        if (m_descriptorWaiters > 0) m_readFinished.notify_all();
    }
    if (wait && !m_window.empty() && !m_window.front().done) {
        // With the queue full, the walk's thread sleeps until half of it is done instead of
        // waking for every file: a wake-up per file costs more than a tiny file's read.
        const std::size_t half = std::max<std::size_t>(m_window.size() / 2, 1);
        m_awaited = WindowFull() ? &m_window[half - 1] : &m_window.front();
        m_entryDone.wait_for(lock, kPollInterval,
                             [&] { return m_window.front().done && m_awaited->done; });
        m_awaited = nullptr;
    }
    Measure();
    if (m_controller.Limit() == 1) RetireWorkers(lock);
    EnsureWorkers(lock);
    while (!m_stopped && !m_window.empty() && m_window.front().done) {
        const FileTask task = std::move(m_window.front().task);
        const FileOutcome outcome = m_window.front().outcome;
        m_window.pop_front();
        // The directory stays held while the next file is in it.
        if (m_window.empty() || m_window.front().task.directory != task.directory) {
            --m_directoriesHeld;
        }
        --m_firstUnstarted;
        lock.unlock();
        bool delivered = outcome.result.status != CrcStatus::Cancelled;
        if (delivered && !outcome.excluded) {
            ++m_filesDelivered;
            delivered = m_deliver(task, outcome);
        }
        lock.lock();
        if (!delivered) Stop(lock);
    }
    // A file read here was reported before its open, and the next one will be: a report between
    // them would double the cost of progress on a tree of tiny files.
    if (m_stopped || (readHere && !wait)) return;
    const Entry* oldest = m_window.empty() ? nullptr : &m_window.front();
    lock.unlock();
    const bool goOn = Report(oldest);
    lock.lock();
    if (!goOn) Stop(lock);
}

bool FileEngine::WindowFull() const {
    return m_window.size() >= m_windowCap || m_directoriesHeld >= m_mostDirectoriesHeld;
}

bool FileEngine::Submit(FileTask task) {
    if (m_choice.jobs == 1) return ReadInOrder(std::move(task));
    std::unique_lock lock(m_mutex);
    if (m_stopped) return false;
    EnsureWorkers(lock);
    const bool newDirectory = m_window.empty() || m_window.back().task.directory != task.directory;
    Entry& entry = m_window.emplace_back();
    entry.task = std::move(task);
    if (newDirectory) ++m_directoriesHeld;
    entry.progress.total = &m_progress;
    entry.progress.cancel = &m_cancel;
    // A worker is woken only when it may take the file: at a limit of one the walk's thread reads
    // it, and waking a worker that goes back to sleep costs a switch per file.
    if (m_controller.Limit() > 1 && m_active < m_controller.Limit()) m_workAvailable.notify_one();
    DeliverReady(lock, false);
    while (!m_stopped && WindowFull()) DeliverReady(lock, true);
    return !m_stopped;
}

bool FileEngine::ReadInOrder(FileTask task) {
    if (m_stopped) return false;
    Entry entry;
    entry.task = std::move(task);
    entry.progress.total = &m_progress;
    entry.progress.cancel = &m_cancel;
    entry.progress.poll = [this, &entry] { return Report(&entry); };
    ++m_active;
    // A cancel is heard before each file is opened, however small the files.
    if (Report(&entry)) {
        Process(entry, m_splitThreads);
    } else {
        entry.outcome.result.status = CrcStatus::Cancelled;
    }
    --m_active;
    const FileOutcome& outcome = entry.outcome;
    bool delivered = outcome.result.status != CrcStatus::Cancelled;
    if (delivered && !outcome.excluded) {
        ++m_filesDelivered;
        delivered = m_deliver(entry.task, outcome);
    }
    if (!delivered) {
        m_stopped = true;
        m_cancel = true;
    }
    return !m_stopped;
}

bool FileEngine::Drain() {
    std::unique_lock lock(m_mutex);
    while (!m_stopped && !m_window.empty()) DeliverReady(lock, true);
    if (m_stopped) return false;
    // The counts as they stand once every file is in, for whatever the front end shows next.
    lock.unlock();
    if (Report(nullptr)) return true;
    lock.lock();
    Stop(lock);
    return false;
}

}  // namespace quillmark
