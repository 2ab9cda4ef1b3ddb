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
bool isInProgress(int code);      // a non-blocking connect goes on in the background
bool isConnectionGone(int code);  // not connected, reset, bad descriptor, broken pipe

// The system's text for an error code.
std::string socketErrorText(int code);

int socketOpen(int family, int type, int protocol);
// Binds an IPv4 socket to INADDR_ANY and the port (host order).
int socketBindAny(int sock, unsigned short port);
int socketListen(int sock, int backlog);
// New connected socket, or -1; it takes the listening socket's blocking mode.
int socketAccept(int sock);
// Starts a connect; on a non-blocking socket -1 with an in-progress code
// means it goes on: socketConnectDone tells when it ends.
int socketConnect(int sock, const struct addrinfo *p_addr);
// Without waiting: 1 when the connect has ended, with 0 (connected) or its
// error code in *p_code; 0 while it goes on; -1 when the check failed.
int socketConnectDone(int sock, int *p_code);
// Closes a descriptor: 0 or -1.
int socketClose(int sock);
// Closes a descriptor at once, throwing away what it still holds to send
// (the peer sees a reset rather than a clean end): 0 or -1.
int socketAbort(int sock);

// getaddrinfo for IPv4 TCP; 0 or its non-zero result. freeAddresses frees it.
int resolveAddress(const char *host, const char *port, struct addrinfo **pp_result);
void freeAddresses(struct addrinfo *p_addr);
// The text for a non-zero resolveAddress result.
std::string resolveErrorText(int code);

// Non-blocking mode on or off: 0 or -1.
int socketSetNonBlocking(int sock, bool non_blocking);

// send that never waits and never raises SIGPIPE: bytes sent or -1.
int socketSend(int sock, const void *buffer, int bytes);
// Sends what the socket takes of bytes without waiting, retrying sends a
// signal broke. The bytes sent; the error code that stopped it (0: none) in
// *p_code.
int socketSendSome(int sock, const char *p, int bytes, int *p_code);
// recv that never waits, with MSG_PEEK when peek, retrying reads a signal
// broke: bytes read, 0 at end of stream, or -1.
int socketRecv(int sock, void *buffer, int bytes, bool peek);
// Bytes waiting to be read into *p_bytes: 0 or -1.
int socketBytesWaiting(int sock, int *p_bytes);
// Bytes the system holds that the peer has not acknowledged yet, into
// *p_bytes: 0 or -1.
int socketBytesUnacked(int sock, int *p_bytes);
// Reads and throws away, without waiting, up to max_bytes of what waits.
// The error code that stopped it (0: nothing more waits, the stream ended
// or max_bytes were read).
int socketDiscardInput(int sock, int max_bytes);
// Without waiting: 1 when the connection is down (reset or failed; the
// peer merely closing its end is not), with the pending error code in
// *p_code, or 0 when an earlier call took it; else 0.
int socketConnectionDown(int sock, int *p_code);
// Without waiting: 1 when the peer has closed its end or the connection
// failed (reset), with the pending error code, or 0, in *p_code; 0 when the
// connection is up; -1 when the check failed.
int socketPeerGone(int sock, int *p_code);

} // namespace platform
} // namespace vx
