// The HTTP reply stream: status line, header block, and bodies framed by
// length, by chunks or by the server's close, fed to a transfer through a
// socket pair in pieces of the input's choosing. A transfer reported whole
// must have exactly its received bytes on disk, and once the server has
// closed, the transfer must end one way or the other.
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <memory>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "support.h"

namespace {

bool finished(down_class& d)
{
	return d.IsDone() || d.IsComplete() || d.error != 0 || !d.socket || d.socket->GetStatus() == 5;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static std::string const dest = fuzz_dir() + "reply.bin";
	if (size < 1) return 0;
	size_t const piece = data[0] == 0 ? size : data[0];  // 0: the whole reply at once
	data++;
	size--;

	int fds[2];
	if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) fuzz_fail("socketpair failed");
	int const server = fds[1];
	unlink(dest.c_str());

	// No server name resolves to nothing, which leaves a transfer without a
	// socket; the socket pair's end takes its place.
	app_path.clear();
	down_class d("", 80, "/f", false, {}, nullptr, 0, dest.c_str());
	d.error = 0;
	d.status_code = -1;
	d.socket = std::make_unique<RIVOSocket>(fds[0]);

	size_t sent = 0;
	while (sent < size && !finished(d)) {
		size_t const n = std::min(piece, size - sent);
		ssize_t const w = send(server, data + sent, n, MSG_NOSIGNAL);
		if (w <= 0) break;  // the transfer hung up
		sent += static_cast<size_t>(w);
		d.DoProcessing();
	}
	shutdown(server, SHUT_WR);
	for (int i = 0; i < 4 && !finished(d); i++) d.DoProcessing();
	if (!finished(d)) fuzz_fail("the server closed but the transfer runs on");

	bool const ok = d.status_code >= 200 && d.status_code <= 299 && d.IsComplete() && !d.IsErr();
	if (ok && d.close_file()) {
		struct stat st;
		if (stat(dest.c_str(), &st) != 0 || st.st_size != d.received)
			fuzz_fail("a transfer reported whole does not have its bytes on disk");
	}
	d.close_file();
	close(server);
	return 0;
}
