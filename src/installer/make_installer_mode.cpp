// Builder mode: one build run from the command line, in place of the
// installer's screens. Kept apart from the build itself, which tests link
// without the shell's start-up.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "installer/make_installer.h"
#include "shell/hl_init.h"

bool builder_wanted(int argc, char const* const* argv)
{
	for (int i = 1; i < argc; ++i)
		if (argv[i] && std::string(argv[i]) == "--build") return true;
	return false;
}

bool builder_parse(int argc, char const* const* argv, std::string const& cwd)
{
	std::string master = src_fold, previous = old_dir_path, output = dst_fold_base;
	auto absolute = [&cwd](std::string v) {
		if (v.empty() || v[0] != '/') v = cwd + (cwd.empty() || cwd.back() == '/' ? "" : "/") + v;
		return v;
	};
	auto folder = [&absolute](std::string v) {
		v = absolute(v);
		if (v.back() != '/') v += '/';
		return v;
	};
	bool build = false;
	for (int i = 1; i < argc; ++i) {
		std::string const arg = argv[i] ? argv[i] : "";
		if (arg == "--build" && !build) {
			build = true;
			continue;
		}
		bool const takes = arg == "--master" || arg == "--previous" || arg == "--output";
		if (!takes || i + 1 >= argc || !argv[i + 1] || !*argv[i + 1]) return false;
		std::string const value = argv[++i];
		if (arg == "--master") master = folder(value);
		else if (arg == "--previous") previous = absolute(value);
		else output = folder(value);
	}
	if (!build) return false;
	src_fold = master;
	old_dir_path = previous;
	dst_fold_base = output;
	return true;
}

int builder_main(int argc, char const* const* argv)
{
	char* here = getcwd(nullptr, 0);
	std::string const cwd = here ? here : "";
	free(here);
	if (!builder_parse(argc, argv, cwd)) {
		std::fprintf(stderr, "%s\n", kUsage);
		return 2;
	}
	builder_set_paths();
	// A file-size limit must fail the write, so that the half archive is
	// removed and the alert says why, rather than kill the run midway.
	signal(SIGXFSZ, SIG_IGN);

	VEDEZE_init(argc, argv);
	stls.text[STL_alert_button] = "OK";  // as for the installer: the checklist's button
	app_path.clear();
	// The builder's paths come from the listing, spelled as on disk; letter
	// case repair would fold two names that differ only in case into one.
	g_case_sensitive = 0;
	build_install();
	VEDEZE_finishup(0);
	return 0;
}
