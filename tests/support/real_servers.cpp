#include "support/real_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/alert_recorder.h"

namespace {

// A port that was free a moment ago; the server may still lose it to a race,
// which start() answers by trying another.
uint16_t free_port()
{
	int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
	if (fd < 0)
		return 0;
	sockaddr_in sa{};
	sa.sin_family = AF_INET;
	sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	socklen_t len = sizeof(sa);
	uint16_t port = 0;
	if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == 0 &&
	    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
		port = ntohs(sa.sin_port);
	close(fd);
	return port;
}

pid_t spawn(std::vector<std::string> const& argv, std::string const& output)
{
	std::vector<char*> args;
	for (auto const& a : argv)
		args.push_back(const_cast<char*>(a.c_str()));
	args.push_back(nullptr);
	pid_t const parent = getpid();
	pid_t pid = fork();
	if (pid == 0) {
		// The server dies with the test process, however that ends (a crash,
		// a time limit), so no run leaves one behind.
		if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
			_exit(127);
		int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
		if (fd >= 0) {
			dup2(fd, 1);
			dup2(fd, 2);
		}
		int null_in = open("/dev/null", O_RDONLY);
		if (null_in >= 0)
			dup2(null_in, 0);
		execv(args[0], args.data());
		_exit(127);
	}
	return pid;
}

}  // namespace

bool accepts_connections(uint16_t port)
{
	int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
	if (fd < 0)
		return false;
	sockaddr_in sa{};
	sa.sin_family = AF_INET;
	sa.sin_port = htons(port);
	sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	bool ok = connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == 0;
	close(fd);
	return ok;
}

std::string find_program(std::string const& name)
{
	std::string dirs = getenv("PATH") ? getenv("PATH") : "";
	dirs += ":/usr/sbin:/sbin:/usr/bin:/bin";
	size_t start = 0;
	while (start <= dirs.size()) {
		size_t end = dirs.find(':', start);
		if (end == std::string::npos)
			end = dirs.size();
		std::string path = dirs.substr(start, end - start) + "/" + name;
		if (end > start && access(path.c_str(), X_OK) == 0)
			return path;
		start = end + 1;
	}
	return "";
}

real_server::~real_server() { stop(); }

void real_server::start(std::vector<std::string> const& argv, std::string const& output)
{
	if (argv.empty() || argv[0].empty()) {
		error_ = "program not found";
		return;
	}
	for (int attempt = 0; attempt < 3 && pid_ <= 0; attempt++) {
		port_ = free_port();
		write_config(port_);
		pid_t pid = spawn(argv, output);
		if (pid < 0) {
			error_ = "fork failed";
			return;
		}
		// Generous: a loaded machine (a parallel build) can take seconds to start one.
		auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
		bool exited = false;
		while (std::chrono::steady_clock::now() < until) {
			if (waitpid(pid, nullptr, WNOHANG) == pid) {
				exited = true;
				break;
			}
			if (accepts_connections(port_)) {
				pid_ = pid;
				return;
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(10));
		}
		if (!exited) {
			kill(pid, SIGKILL);
			waitpid(pid, nullptr, 0);
		}
		error_ = argv[0] + " did not start; its output: " + read_text_file(output);
	}
}

void real_server::stop()
{
	if (pid_ <= 0)
		return;
	kill(pid_, SIGTERM);
	auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
	while (waitpid(pid_, nullptr, WNOHANG) != pid_) {
		if (std::chrono::steady_clock::now() > until) {
			kill(pid_, SIGKILL);
			waitpid(pid_, nullptr, 0);
			break;
		}
		std::this_thread::sleep_for(std::chrono::milliseconds(10));
	}
	pid_ = -1;
}

// ---- nginx ---------------------------------------------------------------------

nginx_server::nginx_server(std::string const& work_dir, std::string const& root)
    : nginx_server(work_dir, std::vector<host_root>{{"", root}})
{
}

nginx_server::nginx_server(std::string const& work_dir, std::vector<host_root> const& hosts) : hosts_(hosts)
{
	dir_ = work_dir + "nginx/";
	mkdir(dir_.c_str(), 0700);
	std::string const conf = dir_ + "nginx.conf";
	start({find_program("nginx"), "-p", dir_, "-c", conf, "-e", dir_ + "error.log"}, dir_ + "output.txt");
}

void nginx_server::write_config(uint16_t port)
{
	// No master process and no daemon: the test's child is the server, and
	// it never changes user, so it runs as root or as anyone else alike.
	write_text_file(dir_ + "nginx.conf",
	                "daemon off;\n"
	                "master_process off;\n"
	                "worker_processes 1;\n"
	                "pid " + dir_ + "nginx.pid;\n"
	                "error_log " + dir_ + "error.log;\n"
	                "events { worker_connections 64; }\n"
	                "http {\n"
	                "  client_body_temp_path " + dir_ + "body;\n"
	                "  proxy_temp_path " + dir_ + "proxy;\n"
	                "  fastcgi_temp_path " + dir_ + "fastcgi;\n"
	                "  uwsgi_temp_path " + dir_ + "uwsgi;\n"
	                "  scgi_temp_path " + dir_ + "scgi;\n"
	                "  default_type application/octet-stream;\n"
	                // The combined format with the routed host first.
	                "  log_format by_host '$host $remote_addr - $remote_user [$time_local] \"$request\" $status '\n"
	                "                     '$body_bytes_sent \"$http_referer\" \"$http_user_agent\"';\n"
	                "  access_log " + dir_ + "access.log by_host;\n" + servers(port) + "}\n");
}

std::string nginx_server::servers(uint16_t port) const
{
	std::string const listen = "    listen 127.0.0.1:" + std::to_string(port);
	std::string text;
	bool named = false;
	for (host_root const& h : hosts_) {
		if (h.host.empty()) {
			text += "  server {\n" + listen + ";\n    root " + h.root + ";\n  }\n";
			continue;
		}
		named = true;
		text += "  server {\n" + listen + ";\n    server_name " + h.host + ";\n    root " + h.root + ";\n  }\n";
	}
	// With names, an unknown one must not fall through to the first server.
	if (named) text = "  server {\n" + listen + " default_server;\n    return 404;\n  }\n" + text;
	return text;
}

std::string nginx_server::access_log() const { return read_text_file(dir_ + "access.log"); }

// ---- tinyproxy -----------------------------------------------------------------

tinyproxy_server::tinyproxy_server(std::string const& work_dir, uint16_t upstream) : upstream_(upstream)
{
	dir_ = work_dir + "tinyproxy/";
	mkdir(dir_.c_str(), 0700);
	start({find_program("tinyproxy"), "-d", "-c", dir_ + "tinyproxy.conf"}, dir_ + "output.txt");
}

void tinyproxy_server::write_config(uint16_t port)
{
	write_text_file(dir_ + "tinyproxy.conf",
	                "Port " + std::to_string(port) + "\n"
	                "Listen 127.0.0.1\n"
	                "Timeout 30\n"
	                "MaxClients 8\n"
	                "Allow 127.0.0.1\n"
	                "LogFile \"" + dir_ + "tinyproxy.log\"\n"
	                "LogLevel Info\n"
	                "Upstream http 127.0.0.1:" + std::to_string(upstream_) + "\n");
}

std::string tinyproxy_server::log() const { return read_text_file(dir_ + "tinyproxy.log"); }
