#include "engine/sweep_stop.h"

namespace {
thread_local const SweepStopListener* t_listener = nullptr;
}  // namespace

SweepStopListener::SweepStopListener(std::function<bool()> stopRequested)
    : m_stopRequested(std::move(stopRequested)), m_outer(t_listener)
{
    t_listener = this;
}

SweepStopListener::~SweepStopListener() { t_listener = m_outer; }

void StopIfRequested()
{
    if (t_listener && t_listener->m_stopRequested && t_listener->m_stopRequested()) throw SweepStopped{};
}
