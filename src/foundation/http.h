// Polled HTTP/1.1 downloads in numbered slots, directly or through a proxy.
#pragma once
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/rivo_socket.h"

class down_class {
public:
	std::unique_ptr<RIVOSocket> socket;  // null when the server name did not resolve
	std::vector<char> send_buffer;
	std::vector<char> recv_buffer;
	bool header_done = false;
	int status_code = 0;
	std::string status_text;
	std::map<std::string, std::string> reply_headers;
	std::FILE* file = nullptr;
	std::string dest_file_path;
	int error = 0;
	int content_length = -1;
	int received = 0;
	float last_activity = 0.0f;
};

class http_class {
public:
	std::string proxy_host;   // empty: no proxy
	std::string proxy_port;   // as the user typed it
	int proxy_port_int = 0;   // 0: no proxy
	std::unique_ptr<down_class> downloads[6];
};

extern http_class http;
extern std::vector<std::string> gProxyExclude;
