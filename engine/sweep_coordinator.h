#pragma once
#include <windows.h>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>
#include "engine/protected_folders.h"
#include "framework/guard_lock.h"
#include "framework/win_thread.h"
#include "framework/messages.h"

// Category indices of queries and messages, and the request and stop bits.
namespace Category {
inline constexpr int Windows = 0;
inline constexpr int Applications = 1;
inline constexpr int Internet = 2;
}  // namespace Category
inline constexpr uint32_t kRequestTerminate = 0x01;
inline constexpr uint32_t kSweepAll = 0x04;
inline constexpr uint32_t kSweepWindows = 0x08;
inline constexpr uint32_t kSweepApplications = 0x10;
inline constexpr uint32_t kSweepInternet = 0x20;

// kWorkerMessage, posted to the main window: wParam the category (or all), lParam what happened.
inline constexpr WPARAM kAllCategories = 8;
inline constexpr LPARAM kWorkerEnded = 1;
inline constexpr LPARAM kWorkersStarted = 2;

// The category workers, indexed by category; the argument is the coordinator. The engine is given
// them: it does not know the cleaners.
using CategoryProcedure = UINT (*)(void*);
using CategoryProcedures = std::array<CategoryProcedure, 3>;

// The window that receives the worker messages (the hidden main window).
void SetWorkerMessageWindow(HWND window);

// One long-lived thread that starts a worker thread per requested category and reports their ends.
class CSweepCoordinator {
public:
    explicit CSweepCoordinator(const CategoryProcedures& procedures);
    virtual ~CSweepCoordinator();
    CSweepCoordinator(const CSweepCoordinator&) = delete;
    CSweepCoordinator& operator=(const CSweepCoordinator&) = delete;

    // Start-up: makes the coordinator and resumes its thread. Exit: terminate, wait, destroy.
    static CSweepCoordinator* Start(const CategoryProcedures& procedures);
    static void Terminate();
    static CSweepCoordinator* Instance();

    void RequestSweep(uint32_t bits);
    void RequestStop(uint32_t bits);
    void ClearStop(uint32_t bits);
    bool IsCategoryRunning(int index) const;
    bool IsAnyWorkerRunning() const;
    bool IsStopRequested(uint32_t bits) const;
    const CGuardLock& Lock() const { return m_lock; }

private:
    static UINT CoordinatorProcedure(void* self);
    UINT Run();
    bool ServeRequests(std::vector<HANDLE>& waitList);   // false: leave the loop
    bool ServeWorkerEnd(std::vector<HANDLE>& waitList, size_t index);
    void StartWorker(int index, std::vector<HANDLE>& waitList, const char* failure);

    CategoryProcedures m_procedures;
    std::unique_ptr<CWinThread> m_thread;
    HANDLE m_wakeUp;
    std::unique_ptr<CWinThread> m_workers[3];
    // Taken when the first worker of a sweep starts, given back when its last one has ended.
    std::optional<KeptFoldersHold> m_keptFolders;
    uint32_t m_requests = 0;
    // Read by every walk between its entries: a load, not a wait for the lock (a server call under Wine).
    std::atomic<uint32_t> m_stops{0};
    int m_terminating = 0;
    CGuardLock m_lock;
};
