#pragma once
#include <QtGlobal>
#include <functional>

// Steps at deadlines on Clock::monotonicNs instead of waits: the real one
// fires precise single-shot timers from the calling thread's event loop;
// tests install one whose steps they fire by hand.
class StepScheduler
{
public:
    using Step = std::function<void()>;
    virtual ~StepScheduler() = default;
    // Runs step once from the event loop when the clock reaches deadlineNs
    // (soon, when it already has). Returns a handle for cancel().
    virtual quint64 schedule(qint64 deadlineNs, Step step);
    // The step will not run; nothing happens for one that ran or is unknown.
    virtual void cancel(quint64 id);

    static StepScheduler &instance();
    // Installs a scheduler (not owned); nullptr restores the real one.
    static void install(StepScheduler *scheduler);
};

// One pending step of its owner at a time: a new start replaces it, and it
// never runs after stop() or the owner's end.
class StepTimer
{
public:
    explicit StepTimer(StepScheduler::Step onStep) : m_onStep(std::move(onStep)) {}
    ~StepTimer() { stop(); }
    StepTimer(const StepTimer &) = delete;
    StepTimer &operator=(const StepTimer &) = delete;

    void startAt(qint64 deadlineNs);
    void stop();
    bool isActive() const { return m_id != 0; }

private:
    StepScheduler::Step m_onStep;
    StepScheduler *m_scheduler = nullptr;   // the one the pending step went to
    quint64 m_id = 0;
};
