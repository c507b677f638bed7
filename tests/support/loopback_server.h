#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

// A small HTTP server on 127.0.0.1 (any free port) in the test's own process, inside the sandbox's
// network: every request gets the same answer, written raw (status line, headers and body), after
// which the connection is closed, or reset when `reset` is set, as by a server that stopped.
class LoopbackServer {
public:
    explicit LoopbackServer(std::string answer, bool reset = false);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    // "http://127.0.0.1:port/winapp2.ini"
    std::string Url() const;
    int Requests() const { return m_requests; }

private:
    void Serve();
    void Answer(uintptr_t client);

    std::string m_answer;
    bool m_reset;
    uintptr_t m_listener = ~uintptr_t(0);  // a SOCKET
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

// An answer of status 200 with the body and its length.
std::string HttpAnswer(const std::string& body, const std::string& status = "200 OK");
