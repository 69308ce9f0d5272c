// Real HTTP servers on 127.0.0.1 for whole-transfer tests: nginx serving a
// folder, and tinyproxy forwarding every request to an upstream proxy. Each
// runs in the foreground as a child of the test, with its configuration,
// logs and scratch folders under a folder the test owns, on a free high port;
// it is stopped (and reaped) when the object goes, and killed by the kernel
// when the test process ends without stopping it.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class real_server {
public:
	real_server(real_server const&) = delete;
	real_server& operator=(real_server const&) = delete;
	~real_server();

	bool ok() const { return pid_ > 0; }
	std::string const& error() const { return error_; }  // why it did not start
	uint16_t port() const { return port_; }
	void stop();

protected:
	real_server() = default;
	// Writes the configuration for `port` (through `write_config`) and runs
	// `argv`; tries a few ports when one turns out to be taken.
	void start(std::vector<std::string> const& argv, std::string const& output);
	virtual void write_config(uint16_t port) = 0;

	std::string dir_;  // ends in "/"

private:
	pid_t pid_ = -1;
	uint16_t port_ = 0;
	std::string error_;
};

// nginx serving `root` (a folder ending in "/"); it also answers requests in
// absolute form, so the HTTP client can use it as its proxy.
class nginx_server : public real_server {
public:
	nginx_server(std::string const& work_dir, std::string const& root);
	// Name-based servers on the one port: each host name serves its own root.
	// A request is routed by the host of its absolute-form target (else its
	// Host header); a name not in the table is answered 404.
	struct host_root {
		std::string host;
		std::string root;  // ends in "/"
	};
	nginx_server(std::string const& work_dir, std::vector<host_root> const& hosts);
	std::string access_log() const;  // text of its access log; each line begins with the host

private:
	void write_config(uint16_t port) override;
	std::string servers(uint16_t port) const;  // the server blocks
	std::vector<host_root> hosts_;  // one with an empty host: that root for every name
};

// tinyproxy passing every request on to the HTTP proxy at 127.0.0.1:upstream.
class tinyproxy_server : public real_server {
public:
	tinyproxy_server(std::string const& work_dir, uint16_t upstream);
	std::string log() const;

private:
	void write_config(uint16_t port) override;
	uint16_t upstream_;
};

// Whether something takes TCP connections on 127.0.0.1:port.
bool accepts_connections(uint16_t port);

// Full path of a program looked up in PATH and the system folders; "" if none.
std::string find_program(std::string const& name);
