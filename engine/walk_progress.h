#pragma once
#include <cstddef>
#include <string>

// A long walk's progress, shown while it runs: the category's bar moves through the part its step
// owns (entries handled of entries found so far), and its status line says where the walk is. Short
// steps show nothing: the first second of a step passes in silence.
class WalkProgressScope {
public:
    // The step's part of the bar, from `from` to `to` percent, and the status line it writes.
    WalkProgressScope(int barId, int statusId, unsigned from, unsigned to);
    ~WalkProgressScope();
    WalkProgressScope(const WalkProgressScope&) = delete;
    WalkProgressScope& operator=(const WalkProgressScope&) = delete;

private:
    friend void WalkFound(size_t entries);
    friend void WalkHandled(const std::string& folder);
    void Show(const std::string& folder);

    int m_bar;
    int m_status;
    unsigned m_from;
    unsigned m_to;
    unsigned m_shown;  // the bar never goes back within a step
    size_t m_found = 0;
    size_t m_handled = 0;
    unsigned long long m_start;
    unsigned long long m_lastShown = 0;
    WalkProgressScope* m_outer;
};

// A walk listed a folder of `entries`; and handled one entry of `folder`. Without a scope on this
// thread (a preview's count, a test), nothing.
void WalkFound(size_t entries);
void WalkHandled(const std::string& folder);
