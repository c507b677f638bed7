#include "tests/support/run_program.h"

namespace {

struct Running {
    HANDLE read = nullptr;
    PROCESS_INFORMATION process{};
    bool started = false;
    std::string failure;  // why it did not start, given as its output
};

Running Start(std::string command)
{
    Running run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE write = nullptr;
    CreatePipe(&run.read, &write, &inherit, 0);
    SetHandleInformation(run.read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    run.started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                 &run.process);
    if (!run.started) run.failure = "could not start (error " + std::to_string(GetLastError()) + "): " + command + "\n";
    CloseHandle(write);
    return run;
}

void Drain(HANDLE read, std::string& output)
{
    DWORD available = 0;
    char buffer[4096];
    DWORD got = 0;
    while (PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr) && available &&
           ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got)
        output.append(buffer, got);
}

}  // namespace

std::vector<std::string> RunAllCapturing(const std::vector<std::string>& commands, std::vector<DWORD>& exitCodes)
{
    std::vector<Running> runs;
    for (const std::string& command : commands) runs.push_back(Start(command));
    std::vector<std::string> outputs(runs.size());
    exitCodes.assign(runs.size(), 99);
    // Read until the programs have ended, not until the pipes close: a process one started (Wine's
    // desktop, say) may hold a pipe open for good.
    const ULONGLONG end = GetTickCount64() + 120000;
    for (bool all = false; !all && GetTickCount64() < end;) {
        all = true;
        for (size_t i = 0; i < runs.size(); ++i) {
            if (!runs[i].started) continue;
            const bool ended = WaitForSingleObject(runs[i].process.hProcess, 10) == WAIT_OBJECT_0;
            Drain(runs[i].read, outputs[i]);
            all = all && ended;
        }
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        Drain(runs[i].read, outputs[i]);
        CloseHandle(runs[i].read);
        outputs[i] += runs[i].failure;
        if (!runs[i].started) continue;
        GetExitCodeProcess(runs[i].process.hProcess, &exitCodes[i]);
        CloseHandle(runs[i].process.hProcess);
        CloseHandle(runs[i].process.hThread);
    }
    return outputs;
}

std::string RunCapturing(const std::string& command, DWORD* exitCode)
{
    std::vector<DWORD> codes;
    std::string output = RunAllCapturing({command}, codes).front();
    *exitCode = codes.front();
    return output;
}

std::string RunWatching(const std::string& command, DWORD* exitCode, const std::function<void(const std::string&)>& seen)
{
    Running run = Start(command);
    std::string output = run.failure;
    *exitCode = 99;
    if (!run.started) return output;
    const ULONGLONG end = GetTickCount64() + 120000;
    while (WaitForSingleObject(run.process.hProcess, 5) == WAIT_TIMEOUT && GetTickCount64() < end) {
        const size_t before = output.size();
        Drain(run.read, output);
        if (output.size() != before) seen(output);
    }
    Drain(run.read, output);
    CloseHandle(run.read);
    GetExitCodeProcess(run.process.hProcess, exitCode);
    CloseHandle(run.process.hProcess);
    CloseHandle(run.process.hThread);
    return output;
}
