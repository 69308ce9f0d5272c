// Non-blocking TCP connections on POSIX sockets.
//
// Index: networking start-up and name lookup - construction - events
// (MopupEvents) - status - connect - read and write - disconnect, release,
// accept.
//
// The connection's state is kept as a number of its own (idle, connecting,
// data transfer, release sent, release received) and advanced only when an
// operation looks at pending events, so callers see the same progression
// whatever the kernel did in between.
#include "foundation/rivo_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool sSvcRef = false;  // name service open

// Errors with which the peer or the network ended the connection: the same
// as a received disconnect, not a failure of this endpoint.
bool is_disconnect_errno(int err)
{
	switch (err) {
	case ECONNREFUSED:
	case ECONNRESET:
	case ECONNABORTED:
	case EPIPE:
	case ETIMEDOUT:
	case ENETUNREACH:
	case EHOSTUNREACH:
	case ENETRESET:
		return true;
	default:
		return false;
	}
}

void read_address(int fd, bool peer, uint32_t& host, uint16_t& port)
{
	sockaddr_in sa{};
	socklen_t len = sizeof(sa);
	int r = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &len)
	             : getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
	if (r == 0 && sa.sin_family == AF_INET) {
		host = ntohl(sa.sin_addr.s_addr);
		port = ntohs(sa.sin_port);
	}
}

}  // namespace

// ---- networking start-up and name lookup -------------------------------

bool RIVOSocket::StartupNetworking(bool)
{
	sSvcRef = true;
	return true;
}

void RIVOSocket::ShutdownNetworking(bool)
{
	sSvcRef = false;
}

unsigned long RIVOSocket::LookupAddress(char const* name)
{
	if (!sSvcRef || name == nullptr || name[0] == 0)
		return 0;
	addrinfo hints{};
	hints.ai_family = AF_INET;
	hints.ai_socktype = SOCK_STREAM;
	addrinfo* res = nullptr;
	if (getaddrinfo(name, nullptr, &hints, &res) != 0 || res == nullptr)
		return 0;
	unsigned long host = 0;
	for (addrinfo* ai = res; ai; ai = ai->ai_next) {
		if (ai->ai_family == AF_INET && ai->ai_addrlen >= sizeof(sockaddr_in)) {
			host = ntohl(reinterpret_cast<sockaddr_in const*>(ai->ai_addr)->sin_addr.s_addr);
			break;
		}
	}
	freeaddrinfo(res);
	return host;
}

// ---- construction ---------------------------------------------------------

RIVOSocket::RIVOSocket(unsigned short port, bool listen, unsigned long bind_host)
{
	fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
	if (fd < 0) {
		os_error = errno;
		return;
	}
	int on = 1;
	(void)setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));

	sockaddr_in sa{};
	sa.sin_family = AF_INET;
	sa.sin_port = htons(port);
	sa.sin_addr.s_addr = htonl(static_cast<uint32_t>(bind_host));
	if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 ||
	    (listen && ::listen(fd, 1) != 0)) {
		os_error = errno;
		close(fd);
		fd = -1;
		return;
	}
	read_address(fd, false, local_host, local_port);
	listening = listen;
	state = st_idle;
}

RIVOSocket::RIVOSocket(int connected_fd) : fd(connected_fd)
{
	if (fd < 0)
		return;
	int fl = fcntl(fd, F_GETFL);
	if (fl >= 0)
		(void)fcntl(fd, F_SETFL, fl | O_NONBLOCK);
	read_address(fd, false, local_host, local_port);
	read_address(fd, true, remote_host, remote_port);
	state = st_data;
}

RIVOSocket::~RIVOSocket()
{
	if (fd >= 0)
		close(fd);
}

// ---- events -----------------------------------------------------------------

void RIVOSocket::take_disconnect()
{
	is_closed = true;
	state = st_idle;
}

void RIVOSocket::take_release()
{
	is_closed = true;
	state = (state == st_out_rel) ? st_idle : st_in_rel;
}

bool RIVOSocket::take_io_error(int err)
{
	if (is_disconnect_errno(err)) {
		take_disconnect();
		return true;
	}
	os_error = err;
	return false;
}

void RIVOSocket::MopupEvents()
{
	if (fd < 0)
		return;
	switch (state) {
	case st_idle:
		if (listening && !has_pending) {
			pollfd p{fd, POLLIN, 0};
			if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN))
				has_pending = true;
		}
		break;
	case st_out_con: {
		pollfd p{fd, POLLOUT, 0};
		if (poll(&p, 1, 0) <= 0 || p.revents == 0)
			break;
		int err = 0;
		socklen_t len = sizeof(err);
		if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
			err = errno;
		if (err == 0)
			state = st_data;
		else
			take_io_error(err);
		break;
	}
	case st_data:
	case st_out_rel: {
		// Unread data hides a release behind it, as it should: the release
		// is only taken once everything before it has been read.
		char c;
		ssize_t n = recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
		if (n == 0)
			take_release();
		else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
			take_io_error(errno);
		break;
	}
	case st_in_rel: {
		// Nothing more can be read; only a reset can still arrive.
		pollfd p{fd, 0, 0};
		if (poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP))) {
			int err = 0;
			socklen_t len = sizeof(err);
			(void)getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
			take_disconnect();
		}
		break;
	}
	default:
		break;
	}
}

// ---- status -------------------------------------------------------------------

int RIVOSocket::GetStatus()
{
	if (os_error != 0)
		return 5;
	MopupEvents();
	switch (state) {
	case st_idle:
		return is_closed ? 4 : 1;
	case st_out_con:
	case st_in_con:
		return 2;
	case st_data:
	case st_out_rel:
	case st_in_rel:
		return 3;
	default:
		return 5;
	}
}

bool RIVOSocket::ReceivedRelease()
{
	MopupEvents();
	return state == st_in_rel;
}

void RIVOSocket::GetAddresses(ConnectionData* out) const
{
	if (out == nullptr)
		return;
	out->local_host = local_host;
	out->local_port = local_port;
	out->remote_host = remote_host;
	out->remote_port = remote_port;
}

// ---- connect ------------------------------------------------------------------

void RIVOSocket::Connect(unsigned long host, unsigned short port)
{
	if (is_closed) {
		os_error = kErrNetReconnect;  // Connect on a socket already closed
		return;
	}
	remote_host = static_cast<uint32_t>(host);
	remote_port = port;
	if (state != st_idle || listening) {
		if (state != st_out_con)
			os_error = kErrNetBadState;
		return;
	}
	sockaddr_in sa{};
	sa.sin_family = AF_INET;
	sa.sin_port = htons(port);
	sa.sin_addr.s_addr = htonl(remote_host);
	if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == 0) {
		state = st_data;
		return;
	}
	int err = errno;
	if (err == EINPROGRESS || err == EINTR || err == EALREADY)
		state = st_out_con;
	else if (err == EISCONN)
		state = st_data;
	else
		take_io_error(err);
}

// ---- read and write -------------------------------------------------------------

long RIVOSocket::ReadData(void* buf, long len)
{
	for (;;) {
		MopupEvents();
		if (state == st_in_rel)
			return -1;
		if (state != st_data && state != st_out_rel)
			return -2;
		if (buf == nullptr || len <= 0)
			return -3;
		ssize_t n = recv(fd, buf, static_cast<size_t>(len), MSG_DONTWAIT);
		if (n > 0)
			return static_cast<long>(n);
		if (n == 0) {
			take_release();
			continue;
		}
		int err = errno;
		if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR)
			return -3;
		if (take_io_error(err))
			continue;
		return -4;
	}
}

long RIVOSocket::WriteData(void const* buf, long len)
{
	if (state != st_data && state != st_in_rel)
		return -1;
	if (buf == nullptr || len <= 0)
		return 0;
	for (;;) {
		// MSG_NOSIGNAL: a write to a reset connection must not end the process.
		ssize_t n = send(fd, buf, static_cast<size_t>(len), MSG_DONTWAIT | MSG_NOSIGNAL);
		if (n >= 0)
			return static_cast<long>(n);
		int err = errno;
		if (err == EAGAIN || err == EWOULDBLOCK)
			return 0;
		if (err == EINTR)
			continue;
		if (take_io_error(err)) {
			MopupEvents();
			if (state == st_data || state == st_in_rel)
				continue;
		}
		return -1;
	}
}

// ---- disconnect, release, accept ---------------------------------------------------

void RIVOSocket::Disconnect()
{
	if (is_closed)
		return;
	is_closed = true;
	remote_host = 0;
	remote_port = 0;
	if (fd < 0)
		return;
	if (state == st_out_con || state == st_data || state == st_out_rel || state == st_in_rel) {
		// An abortive close: a zero linger time makes close() send a reset.
		linger lg{1, 0};
		(void)setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof(lg));
		if (close(fd) != 0 && errno != EINTR)
			os_error = errno;
		fd = -1;
		state = st_idle;
	}
}

void RIVOSocket::Release()
{
	MopupEvents();
	if (state != st_data && state != st_in_rel)
		return;
	if (shutdown(fd, SHUT_WR) != 0) {
		take_io_error(errno);
		return;
	}
	state = (state == st_in_rel) ? st_idle : st_out_rel;
}

RIVOSocket* RIVOSocket::Accept()
{
	if (fd < 0 || !listening)
		return nullptr;
	for (;;) {
		MopupEvents();
		if (!has_pending)
			return nullptr;
		int nfd = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
		if (nfd >= 0) {
			has_pending = false;
			return new RIVOSocket(nfd);
		}
		// A connection reset while queued is gone; look again next time.
		has_pending = false;
		if (errno == EINTR)
			continue;
		return nullptr;
	}
}
