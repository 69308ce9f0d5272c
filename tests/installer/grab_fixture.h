// Release sets for scheduler tests: files packed one per archive with
// file_to_zip into a server folder, their records in sim_info, and a fresh
// destination and temporary folder per test.
#pragma once
#include <gtest/gtest.h>

#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "foundation/io_zip.h"
#include "foundation/md5.h"
#include "foundation/xtim.h"
#include "installer/grab.h"
#include "installer/utils.h"
#include "support/logged_test.h"

// An archive with the given entries (name, bytes), written with minizip so
// that names file_to_zip would never write can be tested.
inline void make_zip(std::string const& path, std::vector<std::pair<std::string, std::string>> const& entries)
{
	zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
	ASSERT_NE(zf, nullptr);
	for (auto const& e : entries) {
		zip_fileinfo zi;
		std::memset(&zi, 0, sizeof zi);
		ASSERT_EQ(zipOpenNewFileInZip(zf, e.first.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
		                              Z_DEFAULT_COMPRESSION),
		          ZIP_OK);
		ASSERT_EQ(zipWriteInFileInZip(zf, e.second.data(), static_cast<unsigned>(e.second.size())), ZIP_OK);
		ASSERT_EQ(zipCloseFileInZip(zf), ZIP_OK);
	}
	ASSERT_EQ(zipClose(zf, nullptr), ZIP_OK);
}

struct grab_test : logged_test {
	std::string dest;    // the destination, ending in "/"
	std::string master;  // the files as released
	std::string www;     // the servers' root

	void SetUp() override
	{
		logged_test::SetUp();
		app_path = "";
		ogl_inited = 1;  // alerts reach the recorder with their four lines
		stg = stg_struct{};
		stg.download_os = 1;
		stg.rename_folder = 1;
		stg.grab_phase = GRAB_unwanted;
		stg.server_count = 0;
		dest = dir.path() + "Sky/";
		master = dir.path() + "master/";
		www = dir.path() + "www/";
		temp_path = dir.path() + "tmp/";
		for (auto const& d : {dest, master, www, temp_path})
			mkdir(d.c_str(), 0755);
		dest_dir_path = dest;
		install_name = "Not Yet Scanned";
		sim_info.clear();
		deleted_files.clear();
		this_install_has_exes = 0;
		xtim.run_time = 0.0f;
		next.finished = 0;
		reset_next();
		server_rand = [] { return 0; };  // tests that fail over choose their draws
		http.proxy_host.clear();
		http.proxy_port_int = 0;
		RIVOSocket::StartupNetworking(true);
	}
	void TearDown() override
	{
		abandon_transfers();
		ogl_inited = 0;
	}

	static void make_dirs_for(std::string const& path)
	{
		for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
			mkdir(path.substr(0, at).c_str(), 0755);
	}
	static void put(std::string const& path, std::string const& text)
	{
		make_dirs_for(path);
		write_text_file(path, text);
	}
	// The archive of listed path `name` holding `content`, under the server
	// folder `folder` of www (as a server serves it: folder + name + ".zip").
	void publish(std::string const& folder, std::string const& name, std::string const& content)
	{
		std::string const leaf = name.substr(name.rfind('/') + 1);
		std::string const src = master + folder + "/" + leaf;
		put(src, content);
		std::string const zip = www + folder + "/" + name + ".zip";
		make_dirs_for(zip);
		ASSERT_EQ(file_to_zip(src, zip), 0) << zip;
	}
	// A listed path to fetch, signed like `content`; its archive counts as
	// zip_kb kilobytes.
	file_version_struct& want(std::string const& name, std::string const& content, float zip_kb = 1.0f)
	{
		std::string const src = master + "sig";
		write_text_file(src, content);
		file_version_struct v{};
		v.flag = 0;
		v.platform = 0;
		v.version = 85008;
		v.zip_size = zip_kb;
		v.ext_size = static_cast<float>(content.size()) * 0.001f;
		EXPECT_EQ(calc_file_md5(src, v.sig_want), 0);
		v.sig_have = "NONE";
		v.name = name;
		v.get_it = 1;
		sim_info.push_back(file_history_struct{{v}});
		return sim_info.back().versions.back();
	}
	// The installed path of a listed path.
	std::string installed(std::string name) const { return dest + name.substr(name.find('/') + 1); }

	// Servers i = 0.. named "srv<i>.test" at "/<folder>/", all behind the
	// proxy on 127.0.0.1:port.
	void use_servers(uint16_t port, std::vector<std::string> const& folders)
	{
		http.proxy_host = "127.0.0.1";
		http.proxy_port_int = port;
		stg.server_count = static_cast<int>(folders.size());
		stg.server_index = 0;
		for (size_t i = 0; i < folders.size(); i++) {
			server_name[i] = "srv" + std::to_string(i) + ".test";
			server_path[i] = "/" + folders[i] + "/";
		}
	}

	// Calls grab_files as the frame loop would until it answers; `each`
	// runs after every call. -1 when it never answered within ten seconds.
	template <typename F>
	int run(F each)
	{
		// A cap only: a loaded machine (a parallel build) may take long; the
		// road's own clock is the test's.
		auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
		while (std::chrono::steady_clock::now() < until) {
			int const r = grab_files();
			each();
			if (r != 0)
				return r;
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		}
		return -1;
	}
	int run()
	{
		return run([] {});
	}

	std::string log_text()
	{
		xer.flush();
		return read_text_file(log);
	}
	static bool exists(std::string const& path)
	{
		struct stat st;
		return lstat(path.c_str(), &st) == 0;
	}
};

// The biased server draws land on the second of two servers, so a failover
// goes to the other server at once.
inline int draw_towards_second_server() { return 0x60000000; }  // r = 0.75
