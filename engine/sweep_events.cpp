#include "engine/sweep_events.h"
#include <mutex>
#include "engine/sweep_log.h"

namespace {

std::mutex g_lock;
std::function<void(const SweepEvent&)> g_sink;
SweepOutcome g_outcome;

// The line without its indent and line end, as a note's text.
std::string Trimmed(const std::string& line)
{
    const size_t first = line.find_first_not_of(' ');
    const size_t last = line.find_last_not_of("\r\n");
    return first == std::string::npos || last < first ? std::string() : line.substr(first, last - first + 1);
}

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

void LogLeft(int statusId, const char* action, const std::string& target, const char* why)
{
    LogLine(FormatLine("  Left: %s (%s).\n", target.c_str(), why).c_str(), kStatusLogOnly);
    NoteLeft(statusId, action, target, why);
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

void LogNote(const std::string& line)
{
    LogLine(line.c_str(), kStatusLogOnly);
    SweepEvent event;
    event.text = Trimmed(line);
    EmitSweepEvent(event);
}
