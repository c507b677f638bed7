#pragma once
#include <functional>

// Thrown between two entries of a walk or enumeration when the sweep on this thread was asked to
// stop. Not a std::exception, so that no cleaner's "the next folder is still tried" swallows it: it
// ends the whole category, which then adds no tallies.
struct SweepStopped {};

// While it lives, the sweep on this thread listens to `stopRequested`; without one, nothing stops it.
class SweepStopListener {
public:
    explicit SweepStopListener(std::function<bool()> stopRequested);
    ~SweepStopListener();
    SweepStopListener(const SweepStopListener&) = delete;
    SweepStopListener& operator=(const SweepStopListener&) = delete;

private:
    std::function<bool()> m_stopRequested;
    const SweepStopListener* m_outer;
    friend void StopIfRequested();
};

// Asked between entries: throws SweepStopped when this thread's sweep was asked to stop.
void StopIfRequested();
