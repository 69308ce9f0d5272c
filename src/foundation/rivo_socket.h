// Non-blocking TCP connections, driven purely by polling: every operation
// first takes the connection's pending events, so no callback ever enters.
//
// Status values of GetStatus (callers compare the numbers):
//   1 idle, 2 connecting, 3 connected (the peer's orderly release still counts),
//   4 closed (disconnect or release received, or Disconnect called), 5 error.
#pragma once
#include <cstdint>

#include "foundation/io_utils.h"  // the framework error codes Connect records

class RIVOSocket {
public:
	struct ConnectionData {
		uint32_t local_host;
		uint16_t local_port;
		uint32_t remote_host;
		uint16_t remote_port;
	};

	// Networking needs no start-up of its own here; the flag stands for the
	// name-service provider that LookupAddress uses.
	static bool StartupNetworking(bool init);
	static void ShutdownNetworking(bool close);
	// First IPv4 address of a host name or dotted text, in host byte order;
	// 0 on failure. Blocks until the resolver answers.
	static unsigned long LookupAddress(char const* name);

	// A new unconnected socket bound to `port` (0: any). `bind_host` (host
	// byte order, 0: any address) lets a listener stay on one interface.
	RIVOSocket(unsigned short port, bool listen, unsigned long bind_host = 0);
	// Takes over an already connected descriptor.
	explicit RIVOSocket(int connected_fd);
	virtual ~RIVOSocket();
	RIVOSocket(RIVOSocket const&) = delete;
	RIVOSocket& operator=(RIVOSocket const&) = delete;

	void Connect(unsigned long host, unsigned short port);
	int GetStatus();
	int Descriptor() const { return fd; }  // -1 when there is none
	int GetOSError() const { return os_error; }
	bool ReceivedRelease();
	// Bytes read (> 0); -1 the peer has released, -2 not connected,
	// -3 nothing received yet, -4 failure (recorded in the OS error).
	long ReadData(void* buf, long len);
	// Bytes accepted (0 under flow control), or -1.
	long WriteData(void const* buf, long len);
	void Disconnect();  // abortive
	void Release();     // orderly close of the sending side
	RIVOSocket* Accept();
	void GetAddresses(ConnectionData* out) const;
	void MopupEvents();

private:
	// Connection states, numbered as the status table's endpoint states.
	enum {
		st_uninit = 0,
		st_idle = 2,
		st_out_con = 3,
		st_in_con = 4,
		st_data = 5,
		st_out_rel = 6,
		st_in_rel = 7,
	};

	void take_disconnect();
	void take_release();
	// Files a failed send or receive: resets become a disconnect, anything
	// else goes to the OS error. Answers true when it was a disconnect.
	bool take_io_error(int err);

	int fd = -1;        // the endpoint; -1 when it could not be made or was aborted
	int state = st_uninit;
	bool listening = false;
	uint32_t local_host = 0;
	uint16_t local_port = 0;
	uint32_t remote_host = 0;
	uint16_t remote_port = 0;
	bool is_closed = false;
	int32_t os_error = 0;
	bool has_pending = false;
};
