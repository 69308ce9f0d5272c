#include "support/alert_recorder.h"

#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "foundation/alert.h"
#include "foundation/app_globals.h"

namespace {

std::vector<recorded_alert> alerts;

void record_window(int window, std::string const& m1, std::string const& m2,
                   std::string const& m3, std::string const& m4, std::string const& pos, int sev)
{
	alerts.push_back({window, m1, m2, m3, m4, pos, sev, "", ""});
}

void record_system(std::string const& text, std::string const& detail)
{
	alerts.push_back({0, "", "", "", "", "", -1, text, detail});
}

int remove_entry(char const* path, struct stat const*, int, struct FTW*)
{
	::remove(path);
	return 0;
}

void print_window(int, std::string const& m1, std::string const& m2, std::string const& m3,
                  std::string const& m4, std::string const& pos, int sev)
{
	std::fprintf(stderr, "%s|%s|%s|%s %s severity %d\n", m1.c_str(), m2.c_str(), m3.c_str(), m4.c_str(),
	             pos.c_str(), sev);
	std::fflush(stderr);
}

}  // namespace

void alert_printer_install()
{
	ogl_inited = 1;
	alert_set_window_display(print_window);
}

void alert_recorder_install()
{
	alerts.clear();
	alert_set_window_display(record_window);
	alert_set_system_display(record_system);
}

std::vector<recorded_alert>& recorded_alerts() { return alerts; }

temp_dir::temp_dir()
{
	char const* base = getenv("TMPDIR");
	std::string pattern = std::string(base && *base ? base : "/tmp") + "/skytest.XXXXXX";
	if (!mkdtemp(&pattern[0])) throw std::runtime_error("mkdtemp failed");
	path_ = pattern + "/";
}

temp_dir::~temp_dir() { nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS); }

std::string open_test_log(temp_dir const& dir)
{
	std::string const path = dir.path() + "Log.txt";
	if (xer.is_open()) xer.close();
	xer.clear();
	// A fresh stream's number format: one a test set (as start-up does) stays
	// with the test.
	xer.flags(std::ios::dec | std::ios::skipws);
	xer.precision(6);
	xer.fill(' ');
	xer.open(path, std::ios::out | std::ios::trunc);
	return path;
}

std::string read_text_file(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	std::ostringstream s;
	s << in.rdbuf();
	return s.str();
}

void write_text_file(std::string const& path, std::string const& text)
{
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	out << text;
}
