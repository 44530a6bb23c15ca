#include "link/clock.h"

#include <ctime>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace pk {

void RealClock::busyWait(std::chrono::nanoseconds d) {
    // A deadline spin is never short, unlike a counted loop, whose length drifts
    // with frequency scaling; being late only stretches a static serial protocol.
    const auto end = std::chrono::steady_clock::now() + d;
    while (std::chrono::steady_clock::now() < end) {
#if defined(__x86_64__) || defined(__i386__)
        _mm_pause();
#endif
    }
}

void RealClock::sleepMs(int ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

void RealClock::sleepFor(std::chrono::nanoseconds d) {
    if (d.count() > 0) {
        std::this_thread::sleep_for(d);
    }
}

std::chrono::nanoseconds RealClock::monotonic() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

std::int64_t RealClock::timeOfDayMs() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm local{};
    localtime_r(&ts.tv_sec, &local);
    return ((local.tm_hour * 60LL + local.tm_min) * 60LL + local.tm_sec) * 1000LL +
           ts.tv_nsec / 1000000;
}

void VirtualClock::busyWait(std::chrono::nanoseconds d) {
    if (d.count() > 0) {
        now_ += d;
        busyWaited_ += d;
    }
}

void VirtualClock::sleepMs(int ms) {
    ++sleepCount_;
    if (ms > 0) {
        now_ += std::chrono::milliseconds(ms);
        slept_ += std::chrono::milliseconds(ms);
    }
}

void VirtualClock::sleepFor(std::chrono::nanoseconds d) {
    ++sleepCount_;
    if (d.count() > 0) {
        now_ += d;
        slept_ += d;
    }
}

std::int64_t VirtualClock::timeOfDayMs() const {
    constexpr std::int64_t day = 24LL * 3600 * 1000;
    return (startTimeOfDayMs_ +
            std::chrono::duration_cast<std::chrono::milliseconds>(now_).count()) %
           day;
}

}  // namespace pk
