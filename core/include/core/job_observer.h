// How a long job reports to whoever shows it, in the spirit of K3b's job
// signals (percent, sub-percent, status text, info message, finished): the
// job never creates widgets and never draws; the Output page, the terminal
// of verosa-cli and the tests implement the observer, and drive the same job.
//
//   job-wide percent  ───────────────────────────────▶ 0 … 100, never back
//   sub-percent       ──▶ 0…100 ──▶ 0…100 ──▶ 0…100     the part in hand
//   status            "Create temp audio file", "Converting:  song.mp3", …
//   message           a line that stays (information, warning, error)
//   finished(bool)    once, at the end of a job that has started
//
// A job that runs on its caller's (user-interface) thread talks to a JobHost:
// besides observing, the host lets the job's long steps hand it the events
// waiting in the thread's queue, during which the user may cancel. A job that
// runs as a step of another (the audio conversion inside the output job)
// gets a host from its parent, which maps the sub-job's percent into its own.
#pragma once

#include <string>

namespace core {

enum class JobMessageKind { Info, Warning, Error };

class JobObserver {
 public:
  virtual ~JobObserver() = default;

  // The whole job's progress, 0..100. It never goes back while the job
  // runs; a job that completes reports 100 before Finished(true). A job at
  // rest (before it starts, after it has finished) may report 0 with an
  // empty status: the display is idle again.
  virtual void Percent(int percent) = 0;
  // The progress of the part in hand (a step, the file being converted, the
  // chapter being authored), 0..100; it starts again with every part.
  virtual void SubPercent(int percent) { (void)percent; }
  // One line saying what the job is doing now; empty clears it.
  virtual void Status(const std::string& text) = 0;
  // A line of its own that stays (a warning the job goes on after, a note).
  virtual void Message(const std::string& text, JobMessageKind kind) {
    (void)text;
    (void)kind;
  }
  // The job has ended: true when it did what it was for, false when it
  // failed or was cancelled (the job says which). Called once per job that
  // has started; a job refused before it starts reports nothing.
  virtual void Finished(bool success) { (void)success; }
};

class JobHost : public JobObserver {
 public:
  // Handles the events waiting in the thread's queue without waiting for
  // more. The job calls it at every step of its long work.
  virtual void ProcessEvents() = 0;
  // True once the user wants the job to stop (asked after ProcessEvents).
  // The job stops at its next check without asking again.
  virtual bool Cancelled() const { return false; }
};

}  // namespace core
