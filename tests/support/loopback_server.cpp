#include <winsock2.h>
#include "tests/support/loopback_server.h"
#include <gtest/gtest.h>
#include <ws2tcpip.h>
#include <algorithm>

LoopbackServer::LoopbackServer(std::string answer, bool reset) : m_answer(std::move(answer)), m_reset(reset)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (m_listener == INVALID_SOCKET || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 4) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ADD_FAILURE() << "no loopback server: WSA error " << WSAGetLastError();
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer()
{
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_listener != INVALID_SOCKET) closesocket(m_listener);
    WSACleanup();
}

std::string LoopbackServer::Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/winapp2.ini"; }

void LoopbackServer::Serve()
{
    // Waits in short steps, so that the destructor need not close the socket under a blocked accept.
    while (!m_stop) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_listener, &ready);
        timeval step{0, 100 * 1000};
        if (select(0, &ready, nullptr, nullptr, &step) != 1) continue;
        const SOCKET client = accept(m_listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        ++m_requests;
        Answer(client);
    }
}

void LoopbackServer::Answer(uintptr_t client)
{
    const DWORD patience = 10000;  // ms: a client that neither asks nor hangs up is given up
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&patience), sizeof patience);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, got);
    }
    for (size_t at = 0; at < m_answer.size();) {
        const int part = static_cast<int>(std::min<size_t>(m_answer.size() - at, 1 << 16));
        const int sent = send(client, m_answer.data() + at, part, 0);
        if (sent <= 0) break;  // the client gave up, as it should on an answer too large
        at += static_cast<size_t>(sent);
    }
    if (m_reset) {
        linger abort{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    } else {
        shutdown(client, SD_SEND);
        // The client reads to the end before the socket goes, so that nothing unread turns the close into a reset.
        while (recv(client, buffer, sizeof buffer, 0) > 0) {
        }
    }
    closesocket(client);
}

std::string HttpAnswer(const std::string& body, const std::string& status)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}
