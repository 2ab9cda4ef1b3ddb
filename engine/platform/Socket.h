#pragma once
// The engine's socket layer: BSD sockets over POSIX. Error codes are errno
// values; every call leaves its code for socketError().

#include <string>

struct addrinfo;

namespace vx {
namespace platform {

// Library start and stop; nothing to do here, always 0.
int socketStartup();
int socketCleanup();

// The error code of the last failed socket call (errno).
int socketError();

// Error classes.
bool isWouldBlock(int code);      // no data / no room on a non-blocking socket
bool isInterrupted(int code);     // a signal broke the call
bool isConnectionGone(int code);  // not connected, reset, bad descriptor, broken pipe

// The system's text for an error code.
std::string socketErrorText(int code);

int socketOpen(int family, int type, int protocol);
// Binds an IPv4 socket to INADDR_ANY and the port (host order).
int socketBindAny(int sock, unsigned short port);
int socketListen(int sock, int backlog);
// New connected socket, or -1; it takes the listening socket's blocking mode.
int socketAccept(int sock);
int socketConnect(int sock, const struct addrinfo *p_addr);
// Closes a descriptor: 0 or -1.
int socketClose(int sock);

// getaddrinfo for IPv4 TCP; 0 or its non-zero result. freeAddresses frees it.
int resolveAddress(const char *host, const char *port, struct addrinfo **pp_result);
void freeAddresses(struct addrinfo *p_addr);
// The text for a non-zero resolveAddress result.
std::string resolveErrorText(int code);

// Non-blocking mode on or off: 0 or -1.
int socketSetNonBlocking(int sock, bool non_blocking);

// send with MSG_NOSIGNAL: bytes sent or -1.
int socketSend(int sock, const void *buffer, int bytes);
// recv, with MSG_PEEK when peek: bytes read, 0 at end of stream, or -1.
int socketRecv(int sock, void *buffer, int bytes, bool peek);
// Bytes waiting to be read into *p_bytes: 0 or -1.
int socketBytesWaiting(int sock, int *p_bytes);
// Without waiting: 1 when the peer has closed its end or the connection
// failed (reset), with the pending error code, or 0, in *p_code; 0 when the
// connection is up; -1 when the check failed.
int socketPeerGone(int sock, int *p_code);

} // namespace platform
} // namespace vx
