#pragma once
// The one seam for time. Line timing needs busy waits of tens of microseconds
// (far below the scheduler's resolution), chip cycles need millisecond sleeps,
// and the speed measurement needs the time of day. A virtual clock lets the
// simulator run a whole burn without waiting and check every wait the chip needs.

#include <chrono>
#include <cstdint>

namespace pk {

class Clock {
  public:
    virtual ~Clock() = default;
    // Spins for at least d without giving up the processor.
    virtual void busyWait(std::chrono::nanoseconds d) = 0;
    // Sleeps the thread for at least ms milliseconds.
    virtual void sleepMs(int ms) = 0;
    // Sleeps for at least d, which need not be whole milliseconds.
    virtual void sleepFor(std::chrono::nanoseconds d) = 0;
    // Monotonic time since an arbitrary origin.
    virtual std::chrono::nanoseconds monotonic() const = 0;
    // Local time of day in milliseconds since midnight.
    virtual std::int64_t timeOfDayMs() const = 0;
};

// The machine's clocks: steady_clock deadline spin, sleep_for, local time.
class RealClock : public Clock {
  public:
    void busyWait(std::chrono::nanoseconds d) override;
    void sleepMs(int ms) override;
    void sleepFor(std::chrono::nanoseconds d) override;
    std::chrono::nanoseconds monotonic() const override;
    std::int64_t timeOfDayMs() const override;
};

// Time that only moves when someone waits (or when a simulated bus access
// charges it). Tests never really sleep.
class VirtualClock : public Clock {
  public:
    explicit VirtualClock(std::int64_t startTimeOfDayMs = 12 * 3600 * 1000)
        : startTimeOfDayMs_(startTimeOfDayMs) {}

    void busyWait(std::chrono::nanoseconds d) override;
    void sleepMs(int ms) override;
    void sleepFor(std::chrono::nanoseconds d) override;
    std::chrono::nanoseconds monotonic() const override { return now_; }
    std::int64_t timeOfDayMs() const override;

    // Moves time forward without counting it as a wait.
    void advance(std::chrono::nanoseconds d) { now_ += d; }

    // Totals of what was waited, so tests can compare with what a sequence needs.
    std::chrono::nanoseconds busyWaited() const { return busyWaited_; }
    std::chrono::nanoseconds slept() const { return slept_; }
    std::int64_t sleepCount() const { return sleepCount_; }

  private:
    std::int64_t startTimeOfDayMs_;
    std::chrono::nanoseconds now_{0};
    std::chrono::nanoseconds busyWaited_{0};
    std::chrono::nanoseconds slept_{0};
    std::int64_t sleepCount_ = 0;
};

}  // namespace pk
