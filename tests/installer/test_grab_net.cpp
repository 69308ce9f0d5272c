// The download scheduler against real servers on loopback: nginx serving
// release sets through the proxy settings, and the scripted server for
// replies without a length, stalls and faults. The clock of xtim is held by
// the test, so rates and the stall limit depend on it alone.
//
// Index: helpers - stream count table - progress without a length -
// failover table - abandoning and running again.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "foundation/UTL_thread.h"
#include "foundation/hl_thread.h"
#include "grab_fixture.h"
#include "shell/app_callbacks.h"
#include "support/real_servers.h"
#include "support/script_server.h"

// The file choice links the question window and with it the frame loop; no
// frames run here.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

// ---- helpers ------------------------------------------------------------------

using GrabNetTest = grab_test;

std::string file_bytes(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	std::ostringstream s;
	s << in.rdbuf();
	return s.str();
}

int active_slots()
{
	int n = 0;
	for (int k = 0; k < 4; k++)
		n += next.active[k];
	return n;
}

int finished_paths()
{
	int n = 0;
	for (auto const& h : sim_info)
		n += h.versions.back().up_to_date;
	return n;
}

// The names in a folder, and below it, that a stopped install must never
// leave: archives and half-written files.
std::vector<std::string> leftovers(std::string const& folder)
{
	std::vector<std::string> out;
	DIR* d = opendir(folder.c_str());
	if (!d)
		return out;
	while (dirent const* e = readdir(d)) {
		std::string const name = e->d_name;
		if (name == "." || name == "..")
			continue;
		if (name.rfind(".new-", 0) == 0 || (name.size() > 4 && name.substr(name.size() - 4) == ".zip"))
			out.push_back(folder + name);
		if (e->d_type == DT_DIR)
			for (auto const& deeper : leftovers(folder + name + "/"))
				out.push_back(deeper);
	}
	closedir(d);
	return out;
}

// Holds every worker of the pool until opened, so that archives queue up.
struct pool_gate {
	std::atomic<int> open{0};
	std::vector<THREAD_call*> calls;
	static void* hold(void* arg)
	{
		auto* const gate = static_cast<pool_gate*>(arg);
		while (!gate->open.load())
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
		return nullptr;
	}
	pool_gate()
	{
		if (!THREAD_is_inited())
			THREAD_init();
		for (size_t i = 0; i < worker_threads.size(); i++)
			calls.push_back(THREAD_run_async(hold, this));
	}
	~pool_gate()
	{
		open = 1;
		for (THREAD_call* c : calls) {
			THREAD_is_done(c, -1);
			THREAD_cleanup(c);
		}
	}
};

// ---- stream count table -----------------------------------------------------------

TEST_F(GrabNetTest, StreamCountTable)
{
	nginx_server web(dir.path(), www);
	ASSERT_TRUE(web.ok()) << web.error();
	struct {
		char const* what;
		int stream_count;
		float clock;  // seconds since the start when transfers end: sets the rate
		bool slows;   // the clock jumps to 25 s once four slots are active
		int most;     // most slots ever active
		int last;     // slots active at the end
	} const cases[] = {
	    // Each archive counts 100 kB: within the first second that is 100 kB/s and more.
	    {"automatic, fast", 0, 0.0f, false, 4, 4},
	    // 800 kB over 1000 s stays below 50 kB/s.
	    {"automatic, slow", 0, 1000.0f, false, 2, 2},
	    {"automatic, fast then slow", 0, 0.0f, true, 4, 2},
	    {"one by hand", 1, 0.0f, false, 2, 1},
	    {"four by hand, slow", 4, 1000.0f, false, 4, 4},
	};
	for (int i = 0; i < 8; i++)
		publish("set", "All/Resources/f" + std::to_string(i), "content " + std::to_string(i));
	use_servers(web.port(), {"set"});
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		temp_dir fresh;
		dest_dir_path = dest = fresh.path();
		mkdir((dest + "Resources").c_str(), 0755);
		sim_info.clear();
		for (int i = 0; i < 8; i++)
			want("All/Resources/f" + std::to_string(i), "content " + std::to_string(i), 100.0f);
		stg.stream_count = c.stream_count;
		xtim.run_time = 0.0f;
		next.finished = 0;
		reset_next();
		xtim.run_time = c.clock;

		int most = active_slots(), done = 0, active = most;
		bool one_per_path = true, retired_after_first = false;
		int r = run([&] {
			int const now_done = finished_paths(), now_active = active_slots();
			// A slot is added only for a finished path, one each.
			if (now_active - active > now_done - done)
				one_per_path = false;
			if (done == 0 && now_done > 0 && now_active == 1)
				retired_after_first = true;
			most = std::max(most, now_active);
			// 800 kB over 25 s is slow, yet within the 30 s stall limit: a longer
			// jump would time out transfers still running and fetch them again.
			if (c.slows && now_active == 4)
				xtim.run_time = 25.0f;
			done = now_done;
			active = now_active;
		});
		EXPECT_EQ(r, 1);
		EXPECT_EQ(stg.install_error, 0);
		EXPECT_TRUE(one_per_path);
		EXPECT_EQ(most, c.most);
		EXPECT_EQ(active_slots(), c.last);
		if (c.stream_count == 1) {
			EXPECT_TRUE(retired_after_first);
		}
		for (int i = 0; i < 8; i++)
			EXPECT_EQ(read_text_file(installed("All/Resources/f" + std::to_string(i))),
			          "content " + std::to_string(i));
		EXPECT_FLOAT_EQ(next.kb_done, 800.0f);
		EXPECT_EQ(next.finished, 1);
		for (int k = 0; k < 4; k++)
			EXPECT_FALSE(exists(temp_path + std::to_string(k) + ".zip"));
	}
}

// ---- progress without a length ---------------------------------------------------------

TEST_F(GrabNetTest, ProgressOfARunningTransfer)
{
	struct {
		char const* what;
		std::string head;
		float progress;
		float in_flight;  // of an archive listed at 200 kB
	} const cases[] = {
	    {"no length", "HTTP/1.1 200 OK\r\n\r\n", -0.01f, 0.0f},
	    {"half of its length", "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n", 0.5f, 100.0f},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		script_reply stalled;
		stalled.steps.push_back({c.head + "0123456789", 0});
		stalled.end = script_end::stall;
		script_server srv(stalled);
		use_servers(srv.port(), {"set"});
		stg.stream_count = 1;
		sim_info.clear();
		want("All/a.bin", "whatever", 200.0f);
		next.finished = 0;
		reset_next();

		auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
		while (!(http.downloads[2] && http.downloads[2]->received == 10) && std::chrono::steady_clock::now() < until) {
			ASSERT_EQ(grab_files(), 0);
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		}
		ASSERT_TRUE(http.downloads[2]);
		ASSERT_EQ(grab_files(), 0);
		EXPECT_EQ(stg.grab_phase, 1);
		EXPECT_FLOAT_EQ(stg.grab_progress, c.progress);
		EXPECT_FLOAT_EQ(next.kb_in_flight, c.in_flight);
		EXPECT_EQ(crnt_file_path, "/set/All/a.bin.zip");
		EXPECT_EQ(crnt_file_name, "a.bin.zip");
		abandon_transfers();
		srv.stop();
	}
}

// ---- failover table -------------------------------------------------------------------------

// What the first server does with a request; the second serves the set.
enum class fault {
	none, not_found, reset_mid_body, short_body, slow_pieces, wrong_file, corrupt_zip, escaping_entry, extra_entries,
	too_large, endless, long_body, byte_by_byte, html_page, redirect
};

// Every bad reply or archive is a failed download: another server is tried,
// and nothing but the listed file is ever written.
TEST_F(GrabNetTest, FailoverTable)
{
	publish("good", "All/Resources/a.txt", "the right a");
	publish("wrong", "All/Resources/a.txt", "an old a");
	std::string const good = file_bytes(www + "good/All/Resources/a.txt.zip");
	std::string const wrong = file_bytes(www + "wrong/All/Resources/a.txt.zip");
	auto zip_bytes = [this](std::vector<std::pair<std::string, std::string>> const& entries) {
		make_zip(dir.path() + "made.zip", entries);
		return file_bytes(dir.path() + "made.zip");
	};
	std::string const escaping = zip_bytes({{"../a.txt", "escaped"}});
	// The right file, and beside it a listed file and the user's own.
	std::string const extra = zip_bytes({{"a.txt", "the right a"}, {"b.txt", "new b"}, {"mine.txt", "not yours"}});
	std::string const too_large = zip_bytes({{"a.txt", std::string(20000, 'a')}});
	auto ok_reply = [](std::string const& body) {
		return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
	};
	auto reply_for = [&](fault f) {
		script_reply r;
		switch (f) {
		case fault::none: return script_simple(ok_reply(good));
		case fault::not_found: return script_simple("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here.");
		case fault::reset_mid_body:
			return script_simple(ok_reply(good).substr(0, ok_reply(good).size() - 20), script_end::rst);
		case fault::short_body:
			return script_simple("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(good.size() + 10) +
			                     "\r\n\r\n" + good);
		case fault::slow_pieces: {
			std::string const all = ok_reply(good);
			for (size_t at = 0; at < all.size(); at += 7)
				r.steps.push_back({all.substr(at, 7), 1});
			return r;
		}
		case fault::wrong_file: return script_simple(ok_reply(wrong));
		case fault::corrupt_zip: return script_simple(ok_reply(std::string(good.size(), 'Z')));
		case fault::escaping_entry: return script_simple(ok_reply(escaping));
		case fault::extra_entries: return script_simple(ok_reply(extra));
		case fault::too_large: return script_simple(ok_reply(too_large));
		case fault::long_body: {
			// The length lies low; the rest of the archive follows later.
			std::string const head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(good.size() - 30) + "\r\n\r\n";
			r.steps.push_back({head + good.substr(0, good.size() - 30), 0});
			r.steps.push_back({good.substr(good.size() - 30), 50});
			return r;
		}
		case fault::byte_by_byte: {
			std::string const all = ok_reply(good);
			for (char c : all)
				r.steps.push_back({std::string(1, c), 0});
			return r;
		}
		case fault::html_page:
			return script_simple(ok_reply("<html><body><h1>Service unavailable</h1></body></html>\n"));
		case fault::redirect:
			return script_simple("HTTP/1.1 302 Found\r\nLocation: http://srv0.test/one/All/Resources/a.txt.zip\r\n"
			                     "Content-Length: 0\r\n\r\n");
		case fault::endless:
			// No length, and more than the archive's listed size and margin.
			r.steps.push_back({"HTTP/1.1 200 OK\r\n\r\n", 0});
			for (int i = 0; i < 40; i++)
				r.steps.push_back({std::string(4096, 'e'), 1});
			r.end = script_end::stall;
			return r;
		}
		return r;
	};

	struct {
		char const* what;
		fault first;
		fault second;
		bool completes;
	} const cases[] = {
	    {"good first server", fault::none, fault::none, true},
	    {"slow reply in pieces", fault::slow_pieces, fault::none, true},
	    {"404", fault::not_found, fault::none, true},
	    {"reset in the middle of the body", fault::reset_mid_body, fault::none, true},
	    {"body shorter than its length", fault::short_body, fault::none, true},
	    {"an archive of the wrong file", fault::wrong_file, fault::none, true},
	    {"a corrupt archive", fault::corrupt_zip, fault::none, true},
	    {"an entry leaving the destination", fault::escaping_entry, fault::none, true},
	    {"an archive holding other files too", fault::extra_entries, fault::none, true},
	    {"an archive expanding past its listed size", fault::too_large, fault::none, true},
	    {"an endless reply", fault::endless, fault::none, true},
	    {"a length lying low, the rest of the body later", fault::long_body, fault::none, true},
	    {"a reply byte by byte", fault::byte_by_byte, fault::none, true},
	    {"an HTML page with status 200", fault::html_page, fault::none, true},
	    {"a redirect", fault::redirect, fault::none, true},
	    {"every server redirects", fault::redirect, fault::redirect, false},
	    {"every server sends an HTML page", fault::html_page, fault::html_page, false},
	    {"every server bad", fault::not_found, fault::not_found, false},
	    {"every archive holding other files too", fault::extra_entries, fault::extra_entries, false},
	    {"every archive expanding past its listed size", fault::too_large, fault::too_large, false},
	    // Found by the pool's signature check, after the slot has moved on.
	    {"every archive of the wrong file", fault::wrong_file, fault::wrong_file, false},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		std::atomic<int> first_hits{0}, second_hits{0};
		script_server srv([&](std::string const& req) -> script_reply {
			bool const first = req.find("http://srv0.test/one/") != std::string::npos;
			++(first ? first_hits : second_hits);
			return reply_for(first ? c.first : c.second);
		});
		temp_dir fresh;
		dest_dir_path = dest = fresh.path() + "Sky/";
		put(dest + "Resources/b.txt", "the right b");
		put(dest + "Resources/mine.txt", "the user's");
		use_servers(srv.port(), {"one", "two"});
		stg.stream_count = 1;
		stg.install_error = 0;
		stg.stream_failed = 0;
		sim_info.clear();
		recorded_alerts().clear();
		log = open_test_log(dir);
		want("All/Resources/a.txt", "the right a");
		next.finished = 0;
		reset_next();
		server_rand = draw_towards_second_server;

		EXPECT_EQ(run(), 1);
		abandon_transfers();  // as the screen does at the end of every install
		EXPECT_EQ(next.finished, c.completes ? 1 : 0);
		EXPECT_EQ(stg.install_error, c.completes ? 0 : 1);
		EXPECT_EQ(stg.stream_failed, 0);
		EXPECT_EQ(sim_info[0].versions.back().up_to_date, c.completes ? 1 : 0);
		EXPECT_TRUE(recorded_alerts().empty());
		if (c.completes)
			EXPECT_EQ(read_text_file(dest + "Resources/a.txt"), "the right a");
		else if (c.first == fault::wrong_file)
			EXPECT_EQ(read_text_file(dest + "Resources/a.txt"), "an old a");  // checked once in place
		else
			EXPECT_FALSE(exists(dest + "Resources/a.txt"));
		EXPECT_EQ(read_text_file(dest + "Resources/b.txt"), "the right b");
		EXPECT_EQ(read_text_file(dest + "Resources/mine.txt"), "the user's");
		EXPECT_FALSE(exists(fresh.path() + "a.txt"));  // the escaping entry's target
		EXPECT_GT(first_hits.load(), 0);
		if (c.first == fault::none || c.first == fault::slow_pieces || c.first == fault::byte_by_byte) {
			EXPECT_EQ(second_hits.load(), 0);
		}
		if (!c.completes) {
			// 2 x server_count failed attempts, and the log names the path. The
			// idle second slot may have joined in with one more.
			int const hits = first_hits.load() + second_hits.load();
			EXPECT_TRUE(hits == 4 || hits == 5) << hits;
			EXPECT_NE(log_text().find("I could not download the file 'All/Resources/a.txt' in 4 tries, so I am "
			                          "stopping the installation.\n"),
			          std::string::npos);
		}
		for (int k = 0; k < 4; k++)
			EXPECT_FALSE(exists(temp_path + std::to_string(k) + ".zip")) << k;
		srv.stop();
	}
}

// ---- abandoning and running again ------------------------------------------------------------

TEST_F(GrabNetTest, AbandonThenInstallElsewhere)
{
	// The old install's server sends half of every archive and then stalls.
	script_reply stalled;
	stalled.steps.push_back({"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nPARTIAL", 0});
	stalled.end = script_end::stall;
	script_server old_srv(stalled);
	use_servers(old_srv.port(), {"old"});
	// The old destination holds files, one of them named like an archive.
	put(dest + "Resources/a.txt", "mine");
	put(dest + "Resources/a.txt.zip", "also mine");
	put(dest + "Resources/b.txt", "mine too");
	want("All/Resources/a.txt", "new a");
	want("All/Resources/b.txt", "new b");
	auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
	while (!(http.downloads[2] && http.downloads[2]->received == 7 && http.downloads[3] &&
	         http.downloads[3]->received == 7) &&
	       std::chrono::steady_clock::now() < until) {
		ASSERT_EQ(grab_files(), 0);
		std::this_thread::sleep_for(std::chrono::microseconds(200));
	}
	ASSERT_TRUE(exists(temp_path + "0.zip") && exists(temp_path + "1.zip"));

	abandon_transfers();
	for (int s = 2; s < 6; s++)
		EXPECT_FALSE(http.downloads[s]) << s;
	EXPECT_FALSE(exists(temp_path + "0.zip"));
	EXPECT_FALSE(exists(temp_path + "1.zip"));
	EXPECT_EQ(read_text_file(dest + "Resources/a.txt"), "mine");
	EXPECT_EQ(read_text_file(dest + "Resources/a.txt.zip"), "also mine");
	EXPECT_EQ(read_text_file(dest + "Resources/b.txt"), "mine too");

	// A new install to another destination from a working server.
	nginx_server web(dir.path(), www);
	ASSERT_TRUE(web.ok()) << web.error();
	publish("new", "All/Resources/a.txt", "new a");
	publish("new", "All/Resources/c.txt", "new c");
	std::string const old_dest = dest;
	dest_dir_path = dest = dir.path() + "Other/";
	mkdir(dest.c_str(), 0755);
	mkdir((dest + "Resources").c_str(), 0755);
	use_servers(web.port(), {"new"});
	sim_info.clear();
	want("All/Resources/a.txt", "new a");
	want("All/Resources/c.txt", "new c");
	reset_next();
	EXPECT_EQ(run(), 1);
	EXPECT_EQ(stg.install_error, 0);
	EXPECT_EQ(read_text_file(dest + "Resources/a.txt"), "new a");
	EXPECT_EQ(read_text_file(dest + "Resources/c.txt"), "new c");
	EXPECT_EQ(read_text_file(old_dest + "Resources/a.txt"), "mine");
	EXPECT_EQ(read_text_file(old_dest + "Resources/a.txt.zip"), "also mine");
	EXPECT_EQ(read_text_file(old_dest + "Resources/b.txt"), "mine too");
	EXPECT_EQ(old_srv.requests().size(), 2u);
	for (int k = 0; k < 4; k++)
		EXPECT_FALSE(exists(temp_path + std::to_string(k) + ".zip"));
}

// A stop while fetched archives wait for the pool: each job under way ends
// with its file whole, the others give up; no archive and no half-written
// file is left, and a new run installs everything.
TEST_F(GrabNetTest, StopWhileThePoolHoldsFiles)
{
	nginx_server web(dir.path(), www);
	ASSERT_TRUE(web.ok()) << web.error();
	std::vector<std::string> contents;
	for (int i = 0; i < 12; i++) {
		contents.push_back(std::string(20000 + 1000 * i, static_cast<char>('a' + i)));
		publish("set", "All/Data/d" + std::to_string(i) + ".dat", contents.back());
	}
	mkdir((dest + "Data").c_str(), 0755);
	use_servers(web.port(), {"set"});
	stg.stream_count = 4;
	auto list_release = [&] {
		sim_info.clear();
		for (int i = 0; i < 12; i++)
			want("All/Data/d" + std::to_string(i) + ".dat", contents[static_cast<size_t>(i)]);
	};
	list_release();
	reset_next();

	{
		pool_gate gate;
		// Every archive fetched: the slots have handed them all to the pool.
		auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
		while (std::chrono::steady_clock::now() < until) {
			ASSERT_EQ(grab_files(), 0);  // never the end while files wait
			bool idle = true;
			for (int k = 0; k < 4; k++)
				idle = idle && (!next.active[k] || next.file_index[k] >= 12);
			if (idle)
				break;
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		}
		EXPECT_FALSE(leftovers(temp_path).empty());  // the archives wait in the temporary folder
		// The gate opens while the stop waits: the queued jobs find it stopping.
		std::thread opener([&gate] {
			std::this_thread::sleep_for(std::chrono::milliseconds(50));
			gate.open = 1;
		});
		abandon_transfers();
		opener.join();
	}
	EXPECT_EQ(leftovers(temp_path), std::vector<std::string>{});
	EXPECT_EQ(leftovers(dest), std::vector<std::string>{});
	EXPECT_EQ(next.finished, 0);
	for (int i = 0; i < 12; i++) {
		std::string const path = installed("All/Data/d" + std::to_string(i) + ".dat");
		if (exists(path)) {
			EXPECT_EQ(read_text_file(path), contents[static_cast<size_t>(i)]) << path;
		}
	}

	list_release();
	reset_next();
	EXPECT_EQ(run(), 1);
	EXPECT_EQ(stg.install_error, 0);
	for (int i = 0; i < 12; i++)
		EXPECT_EQ(read_text_file(installed("All/Data/d" + std::to_string(i) + ".dat")), contents[static_cast<size_t>(i)]);
	EXPECT_EQ(leftovers(temp_path), std::vector<std::string>{});
	EXPECT_EQ(leftovers(dest), std::vector<std::string>{});
}

TEST_F(GrabNetTest, InterruptedRunConvergesWhenRunAgain)
{
	nginx_server web(dir.path(), www);
	ASSERT_TRUE(web.ok()) << web.error();
	std::vector<std::string> names;
	for (int i = 0; i < 10; i++) {
		names.push_back("All/Data/d" + std::to_string(i) + ".dat");
		publish("set", names.back(), std::string(3000 + 100 * i, static_cast<char>('a' + i)));
	}
	put(dest + "Data/d3.dat", "a modified file the user chose to replace");
	put(dest + "Data/old.dat", "no longer listed");
	use_servers(web.port(), {"set"});
	auto list_release = [&] {
		sim_info.clear();
		for (int i = 0; i < 10; i++)
			want(names[static_cast<size_t>(i)], std::string(3000 + 100 * i, static_cast<char>('a' + i)));
		file_version_struct& gone = want("All/Data/old.dat", "no longer listed");
		gone.get_it = 0;
		gone.del_it = 1;
		gone.sig_want = "GONE";
	};
	list_release();

	// The first run stops after three files, with transfers in flight.
	for (int calls = 0; finished_paths() < 3 && calls < 100000; calls++) {
		ASSERT_EQ(grab_files(), 0);
		std::this_thread::sleep_for(std::chrono::microseconds(200));
	}
	abandon_transfers();
	EXPECT_EQ(next.finished, 0);

	// The second run fetches what is not yet right on disk: the signatures
	// of the destination as the directory examination takes them, then the
	// file choice (the user replaces a modified file).
	list_release();
	int right = 0;
	for (auto& h : sim_info) {
		file_version_struct& v = h.versions.back();
		v.get_it = 0;
		v.del_it = 0;
		v.sig_have = "NONE";
		calc_file_md5(installed(v.name), v.sig_have);
		v.up_to_date = v.sig_have == v.sig_want;
		right += v.up_to_date;
	}
	choose_files_ask = [](std::string, int) { return 1; };
	ASSERT_EQ(choose_files(), 1);
	for (auto& h : sim_info) {
		file_version_struct const& v = h.versions.back();
		EXPECT_EQ(v.get_it + v.del_it, v.up_to_date ? 0 : 1) << v.name;
	}
	EXPECT_GE(right, 3);
	reset_next();
	EXPECT_EQ(run(), 1);
	EXPECT_EQ(stg.install_error, 0);
	for (int i = 0; i < 10; i++)
		EXPECT_EQ(read_text_file(installed(names[static_cast<size_t>(i)])),
		          std::string(3000 + 100 * i, static_cast<char>('a' + i)));
	EXPECT_FALSE(exists(dest + "Data/old.dat"));
	for (int k = 0; k < 4; k++)
		EXPECT_FALSE(exists(temp_path + std::to_string(k) + ".zip"));
}

}  // namespace
