// The server list from the maker's host: its fetch, its reading, and the
// draws that pick a download server from it.
//
// Index: draws - retry pauses - read_server_list - server_list_step.
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "foundation/hl_string.h"
#include "foundation/http.h"
#include "foundation/xmap.h"
#include "foundation/xtim.h"
#include "installer/utils.h"
#include "shell/hl_about.h"

// ---- draws ------------------------------------------------------------------------

server_rand_fn server_rand = std::rand;

int biased_server_index(double r, int count)
{
	double const p = r > 0.0 ? std::pow(r, 1.3) : 0.0;
	int const index = static_cast<int>(count * p);
	return index > count - 1 ? (count > 0 ? count - 1 : 0) : (index < 0 ? 0 : index);
}

void draw_biased_server()
{
	// 2^-31: rand() up to RAND_MAX gives 0 <= r < 1.
	stg.server_index = biased_server_index(server_rand() * 4.656613e-10, stg.server_count);
}

void draw_any_server()
{
	stg.server_index = stg.server_count > 1 ? server_rand() % stg.server_count : 0;
}

// ---- retry pauses -----------------------------------------------------------------

retry_pause server_list_pause;

bool retry_pause::holds()
{
	if (waiting && xtim.run_time < next_try) return true;
	waiting = false;
	return false;
}

void retry_pause::start(float seconds)
{
	next_try = xtim.run_time + seconds;
	waiting = true;
}

void clear_retry_pauses()
{
	server_list_pause = retry_pause();
	directory_pause = retry_pause();
}

// ---- read_server_list -----------------------------------------------------------

namespace {

bool has_any(std::string const& text, char const* chars) { return text.find_first_of(chars) != std::string::npos; }

void warn(std::string const& what, std::string const& a, std::string const& b)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "WARNING: " << what << a << " " << b << "\n";
	xer.flush();
}

}  // namespace

int read_server_list(std::string const& path)
{
	std::string file = path;
	set_dir_chars(file);
	xmap_class map(file);
	int versions[] = {820, 0};
	if (!map.begin || !map.check_file(xmap_type_text, versions, "SERVERS", nullptr)) {
		new_format(file);
		return 0;
	}
	stg.server_count = 0;
	while (map.cursor < map.end) {
		std::string word;
		map.TXT_str_scan_space(&word);
		if (word == "ENDOFLIST") break;
		if (word == "BETA") {
			std::string name;
			map.TXT_str_scan_eoln(&name);
			// The name becomes a folder name on the servers and, after an
			// update, the destination's own: it must be one plain component.
			if (name.empty() || name == "." || name == ".." || has_any(name, "/\\:"))
				warn("a version name that is no folder name was passed over: ", name, "");
			else
				install_name = name;
			continue;
		}
		if (word != "SERVER") {
			map.TXT_str_scan_eoln(nullptr);
			continue;
		}
		std::string host, folder, desc;
		map.TXT_str_scan_eoln(&host);
		map.TXT_str_scan_eoln(&folder);
		map.TXT_str_scan_eoln(&desc);
		// The HTTP client ends the program on a host with a separator or a
		// folder without a leading one; such an entry names no server.
		if (host.empty() || has_any(host, " \t/\\:") || folder.empty() || folder[0] != '/') {
			warn("a server entry without a usable host or folder was passed over: ", host, folder);
			continue;
		}
		if (stg.server_count >= kMaxServers) continue;
		server_name[stg.server_count] = host;
		server_path[stg.server_count] = folder + install_name + "/";
		server_desc[stg.server_count] = desc;
		++stg.server_count;
	}
	return 1;
}

// ---- server_list_step ---------------------------------------------------------------

void server_list_step()
{
	if (server_list_pause.holds()) return;
	std::string const local = temp_path + "serverlist.txt";
	int const answer = http.net_check(0, maker_host, "/serverlist.txt", local, kServerListCap);
	if (answer == 2) {
		// A refused connection fails at once; without a pause every frame
		// would try again and log the failure.
		server_list_pause.start(kServerListRetry);
		return;
	}
	if (answer != 1) return;
	if (read_server_list(local)) draw_biased_server();
}
