#include "engine/sweep_events.h"
#include <mutex>

namespace {

std::mutex g_lock;
std::function<void(const SweepEvent&)> g_sink;
SweepOutcome g_outcome;

}  // namespace

void SetSweepEventSink(std::function<void(const SweepEvent&)> sink)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_sink = std::move(sink);
}

void EmitSweepEvent(const SweepEvent& event)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (event.type == SweepEvent::Type::Refused) ++g_outcome.refused;
    if (event.type == SweepEvent::Type::Item && event.result == SweepEvent::Result::Left) ++g_outcome.left;
    if (g_sink) g_sink(event);
}

SweepOutcome SweepOutcomeSoFar()
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_outcome;
}

void ResetSweepOutcome()
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_outcome = {};
}

void NoteLeft(int statusId, const char* action, const std::string& target, const char* why)
{
    SweepEvent event;
    event.type = SweepEvent::Type::Item;
    event.statusId = statusId;
    event.action = action;
    event.target = target;
    event.result = SweepEvent::Result::Left;
    event.text = why;
    EmitSweepEvent(event);
}
