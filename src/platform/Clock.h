// Time as the port session and a sequence run see it: a monotonic clock in nanoseconds and
// timers on it. An arrival, the end of a write and a step's deadline are all read off the
// one clock, so they compare. Tests put a clock in that they move by hand.
#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

class ClockTimer {
public:
  virtual ~ClockTimer() = default;
  // Calls back once at this time, never before it; starting again moves the call.
  virtual void startAt(qint64 ns) = 0;
  virtual void stop() = 0;
  virtual bool isActive() const = 0;
};

class Clock {
public:
  virtual ~Clock() = default;
  virtual qint64 nowNs() const = 0;
  virtual std::unique_ptr<ClockTimer> makeTimer(std::function<void()> fire) = 0;
};

// The machine's steady clock, with Qt's precise timers on the calling thread's event loop.
Clock &SteadyClock();
qint64 SteadyNs();

constexpr qint64 kNsPerMs = 1000000;
// A stretch of nanoseconds in whole milliseconds, rounded down.
constexpr qint64 WholeMs(qint64 ns) { return ns / kNsPerMs; }
