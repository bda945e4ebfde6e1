#pragma once

// A blocking HTTP/1.1 client over plain sockets, enough to send the receiver well-formed and
// malformed requests and read its replies.

#include <QtGlobal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace vireo::test::http {

inline int Connect(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One HTTP reply as read off a connection.
struct Reply {
    int Status = 0;                       // 0 when the connection closed before a reply
    std::map<std::string, std::string> Headers; // lower-case names
    std::string Body;
};

// Reads one reply (a "100 Continue" skipped); stops at the end of its body or of the connection.
inline Reply ReadReply(int fd)
{
    std::string data;
    char chunk[65536];
    Reply reply;
    for (;;) {
        const size_t headEnd = data.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
            if (data.compare(0, 12, "HTTP/1.1 100") == 0) {
                data.erase(0, headEnd + 4);
                continue;
            }
            reply.Status = std::atoi(data.c_str() + 9);
            std::istringstream lines(data.substr(0, headEnd));
            std::string line;
            while (std::getline(lines, line)) {
                const size_t colon = line.find(':');
                if (colon == std::string::npos)
                    continue;
                std::string name = line.substr(0, colon);
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                if (!value.empty() && value.back() == '\r')
                    value.pop_back();
                reply.Headers[name] = value;
            }
            const size_t length = std::stoul(reply.Headers.count("content-length") ? reply.Headers["content-length"] : "0");
            if (data.size() >= headEnd + 4 + length) {
                reply.Body = data.substr(headEnd + 4, length);
                return reply;
            }
        }
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return Reply{};
        data.append(chunk, static_cast<size_t>(n));
    }
}

inline std::string Request(const std::string& body, const std::string& contentType = "application/x-protobuf",
                    const std::string& extraHeaders = "", const std::string& path = "/v1/logs")
{
    return "POST " + path + " HTTP/1.1\r\nHost: x\r\nContent-Type: " + contentType
        + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

inline bool SendAll(int fd, const std::string& data)
{
    for (size_t sent = 0; sent < data.size();) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

inline Reply Exchange(quint16 port, const std::string& request)
{
    const int fd = Connect(port);
    SendAll(fd, request);
    Reply reply = ReadReply(fd);
    ::close(fd);
    return reply;
}

} // namespace vireo::test::http
