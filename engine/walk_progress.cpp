#include "engine/walk_progress.h"
#include <windows.h>
#include "engine/sweep_log.h"

namespace {
thread_local WalkProgressScope* t_scope = nullptr;
constexpr unsigned long long kQuietMs = 1000;   // a step shorter than this shows nothing
constexpr unsigned long long kEveryMs = 250;    // at most four updates a second
constexpr size_t kCheckEvery = 64;              // entries between two looks at the clock
}  // namespace

WalkProgressScope::WalkProgressScope(int barId, int statusId, unsigned from, unsigned to)
    : m_bar(barId), m_status(statusId), m_from(from), m_to(to < from ? from : to), m_shown(from),
      m_start(GetTickCount64()), m_outer(t_scope)
{
    t_scope = this;
}

WalkProgressScope::~WalkProgressScope() { t_scope = m_outer; }

void WalkProgressScope::Show(const std::string& folder)
{
    const unsigned long long now = GetTickCount64();
    if (now - m_start < kQuietMs || now - m_lastShown < kEveryMs) return;
    m_lastShown = now;
    const size_t found = m_found < m_handled ? m_handled : m_found;
    const unsigned percent = m_from + static_cast<unsigned>((m_to - m_from) * static_cast<double>(m_handled) / (found ? found : 1));
    if (percent > m_shown) {
        m_shown = percent;
        SetSweepProgress(m_bar, percent);
    }
    ShowSweepStatus(m_status, FormatLine("Sweeping %s: %zu of %zu entries found so far.", folder.c_str(), m_handled, found));
}

void WalkFound(size_t entries)
{
    if (t_scope) t_scope->m_found += entries;
}

void WalkHandled(const std::string& folder)
{
    if (!t_scope) return;
    if (++t_scope->m_handled % kCheckEvery == 0) t_scope->Show(folder);
}
