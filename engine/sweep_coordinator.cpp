#include "engine/sweep_coordinator.h"
#include "framework/trace.h"
#include <algorithm>
#include <atomic>
#include "engine/sweep_actions.h"
#include "engine/sweep_log.h"
#include "framework/wait.h"

namespace {
std::atomic<HWND> g_messageWindow{nullptr};
std::unique_ptr<CSweepCoordinator> g_coordinator;

struct CategoryStart {
    uint32_t bit;
    const char* startLine;
    const char* failure;
    const char* endLine;
};

// Indexed by category: 0 Windows, 1 Applications, 2 Internet.
const CategoryStart kCategories[3] = {
    {kSweepWindows, "Start a thread to clean up the history for Windows.",
     "Cannot generate a new worker thread for windows", "Finish the thread cleaning the history for Windows."},
    {kSweepApplications, "Start a thread to clean up the history for applications.",
     "Cannot generate a new worker thread for application", "Finish the thread cleaning the history for applications."},
    {kSweepInternet, "Start a thread to clean up the history for internet browser.",
     "Cannot generate a new worker thread for internet",
     "Finish the thread cleanning the history for the internet browser."},
};

void Post(WPARAM category, LPARAM status)
{
    HWND window = g_messageWindow;
    if (!window || !IsWindow(window)) return;
    if (!PostMessageA(window, kWorkerMessage, category, status)) TraceMessage("Cannot Post Message to Main Window\n");
}

// The coordinator's state must not be touched without its lock; its holders never wait long, so a
// timed-out take is simply tried again.
void TakeFully(const CGuardLock& lock)
{
    while (!lock.Lock()) {}
}

class FullHold {
public:
    explicit FullHold(const CGuardLock& lock) : m_lock(lock) { TakeFully(lock); }
    ~FullHold() { m_lock.Unlock(); }
    FullHold(const FullHold&) = delete;
    FullHold& operator=(const FullHold&) = delete;

private:
    const CGuardLock& m_lock;
};
}  // namespace

void SetWorkerMessageWindow(HWND window) { g_messageWindow = window; }

CSweepCoordinator::CSweepCoordinator(const CategoryProcedures& procedures)
    : m_procedures(procedures), m_wakeUp(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
    m_thread = CWinThread::Begin(CoordinatorProcedure, this, true);
}

CSweepCoordinator::~CSweepCoordinator()
{
    if (m_wakeUp) CloseHandle(m_wakeUp);
}

CSweepCoordinator* CSweepCoordinator::Instance() { return g_coordinator.get(); }

CSweepCoordinator* CSweepCoordinator::Start(const CategoryProcedures& procedures)
{
    g_coordinator = std::make_unique<CSweepCoordinator>(procedures);
    CSweepCoordinator* c = g_coordinator.get();
    FullHold hold(c->m_lock);
    ResetEvent(c->m_wakeUp);
    if (c->m_thread) c->m_thread->ResumeThread();
    return c;
}

void CSweepCoordinator::Terminate()
{
    CSweepCoordinator* c = g_coordinator.get();
    if (!c) return;
    {
        FullHold hold(c->m_lock);
        c->m_requests |= kRequestTerminate;
        SetEvent(c->m_wakeUp);
    }
    if (c->m_thread) WaitAnsweringSentMessages(c->m_thread->Handle(), INFINITE);
    g_coordinator.reset();
}

void CSweepCoordinator::RequestSweep(uint32_t bits)
{
    FullHold hold(m_lock);
    m_requests |= bits;
    m_stops &= ~bits;
    SetEvent(m_wakeUp);
}

void CSweepCoordinator::RequestStop(uint32_t bits)
{
    FullHold hold(m_lock);
    m_stops |= bits;
}

void CSweepCoordinator::ClearStop(uint32_t bits)
{
    FullHold hold(m_lock);
    m_stops &= ~bits;
}

bool CSweepCoordinator::IsCategoryRunning(int index) const
{
    FullHold hold(m_lock);
    return index >= 0 && index < 3 && m_workers[index] != nullptr;
}

bool CSweepCoordinator::IsAnyWorkerRunning() const
{
    FullHold hold(m_lock);
    return std::any_of(std::begin(m_workers), std::end(m_workers), [](const auto& w) { return w != nullptr; });
}

bool CSweepCoordinator::IsStopRequested(uint32_t bits) const
{
    return (m_stops.load() & bits) != 0;
}

UINT CSweepCoordinator::CoordinatorProcedure(void* self) { return static_cast<CSweepCoordinator*>(self)->Run(); }

void CSweepCoordinator::StartWorker(int index, std::vector<HANDLE>& waitList, const char* failure)
{
    if (!m_keptFolders) m_keptFolders.emplace();  // before the sweep's first change
    m_workers[index] = CWinThread::Begin(m_procedures[static_cast<size_t>(index)], this, true);
    if (!m_workers[index]) {
        TraceMessage("%s", failure);
        if (!IsAnyWorkerRunning()) m_keptFolders.reset();
        return;
    }
    waitList.push_back(m_workers[index]->Handle());
    m_workers[index]->ResumeThread();
}

bool CSweepCoordinator::ServeRequests(std::vector<HANDLE>& waitList)
{
    if (m_requests & kRequestTerminate) {
        m_requests &= ~kRequestTerminate;
        LogTimedLine("Working thread received a termination message.", kStatusLogOnly);
        if (!IsAnyWorkerRunning()) return false;
        m_terminating = 1;
        return true;
    }
    // Applications, Windows, Internet: the fixed order of the per-category requests.
    for (int index : {Category::Applications, Category::Windows, Category::Internet}) {
        const CategoryStart& category = kCategories[index];
        if (!(m_requests & category.bit)) continue;
        // A category still sweeping keeps its request until its worker has ended.
        if (m_workers[index]) continue;
        SetProgressTitle(Actions().Previewing() ? "Preview" : "Sweeping Progress");
        LogTimedLine(category.startLine, kStatusLogOnly);
        StartWorker(index, waitList, category.failure);
        m_requests &= ~category.bit;
        ResetEvent(m_wakeUp);
        Post(static_cast<WPARAM>(index), kWorkersStarted);
    }
    if (m_requests & kSweepAll) {
        TraceMessage("Start threads to clean up all historical records.\n");
        LogTimedLine("Start threads to clean up all historical records.", kStatusLogOnly);
        if (!m_workers[Category::Applications]) {
            LogTimedLine(kCategories[Category::Applications].startLine, kStatusLogOnly);
            StartWorker(Category::Applications, waitList, "Cannot generate a new worker thread application");
        }
        if (!m_workers[Category::Windows]) {
            LogLine("Start a thread to clean up the history for Windows.\n", kStatusLogOnly);
            StartWorker(Category::Windows, waitList, "Cannot generate a new worker thread windows");
        }
        if (!m_workers[Category::Internet]) {
            LogLine("Start a thread to clean up the history for internet browser.\n", kStatusLogOnly);
            StartWorker(Category::Internet, waitList, "Cannot generate a new worker thread for internet");
        }
        m_requests &= ~kSweepAll;
        ResetEvent(m_wakeUp);
        Post(kAllCategories, kWorkersStarted);
    }
    return true;
}

bool CSweepCoordinator::ServeWorkerEnd(std::vector<HANDLE>& waitList, size_t at)
{
    const HANDLE ended = waitList[at];
    bool found = false;
    for (int index : {Category::Windows, Category::Applications, Category::Internet}) {
        if (!m_workers[index] || m_workers[index]->Handle() != ended) continue;
        found = true;
        LogTimedLine(kCategories[index].endLine, kStatusLogOnly);
        m_workers[index].reset();
        if (!IsAnyWorkerRunning()) m_keptFolders.reset();
        m_stops &= ~kCategories[index].bit;
        Post(static_cast<WPARAM>(index), kWorkerEnded);
        if (m_requests & kCategories[index].bit) SetEvent(m_wakeUp);  // its waiting request comes next
        break;
    }
    if (!found) TraceMessage("Cannot find m_pWork by Thread-ID.\n");
    waitList.erase(waitList.begin() + static_cast<std::ptrdiff_t>(at));
    return !(m_terminating && !IsAnyWorkerRunning());
}

UINT CSweepCoordinator::Run()
{
    std::vector<HANDLE> waitList{m_wakeUp};
    TraceMessage("Working thread starts working.\n");
    for (;;) {
        const DWORD result =
            WaitForMultipleObjects(static_cast<DWORD>(waitList.size()), waitList.data(), FALSE, INFINITE);
        TakeFully(m_lock);
        bool goOn = true;
        if (result == WAIT_OBJECT_0)
            goOn = ServeRequests(waitList);
        else if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + waitList.size())
            goOn = ServeWorkerEnd(waitList, result - WAIT_OBJECT_0);
        else
            TraceMessage("Error:Don't know event\n");
        if (!goOn) {
            m_terminating = 0;
            m_lock.Unlock();
            break;
        }
        m_lock.Unlock();
    }
    TraceMessage("\nEnding working thread\n\n");
    return 0;
}
