// Expansion of fetched archives, deletion of unwanted files with the removal
// of emptied folders, and the renaming at the end, on real files in a
// temporary folder (no transfer is needed for any of them).
//
// Index: helpers - expansion table - log lines - paths without transfer -
// deletion and clean-up table - renaming table - a path without a file.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "grab_fixture.h"

namespace {

// ---- helpers ----------------------------------------------------------------

int mode_of(std::string const& path)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

// The installer's action lines of a log, in order.
std::string action_lines(std::string const& log)
{
	std::string out;
	size_t at = 0;
	while (at < log.size()) {
		size_t end = log.find('\n', at);
		end = end == std::string::npos ? log.size() : end + 1;
		std::string const line = log.substr(at, end - at);
		for (char const* lead : {"EXPANDING", "CHMODING", "DELETING", "now we want", "cleanup:"})
			if (line.rfind(lead, 0) == 0)
				out += line;
		at = end;
	}
	return out;
}

using ExtractTest = grab_test;
using GrabEndTest = grab_test;

// ---- expansion table ------------------------------------------------------------

TEST_F(ExtractTest, ExtractAndDeleteFileTable)
{
	enum outcome { ok, bad_archive, alerted };
	struct {
		char const* what;
		std::vector<std::pair<std::string, std::string>> entries;
		char const* folder;  // made below the destination before expanding ("" none)
		char const* dest;    // installed path below the destination
		float ext_kb;        // the listed size
		outcome result;
		int mode;            // of the installed file when ok
	} const cases[] = {
	    {"plain file", {{"notes.txt", "body"}}, "Instructions/", "Instructions/notes.txt", 0, ok, 0644},
	    {"bundle program", {{"x", "body"}}, "Sky.app/Contents/MacOS/", "Sky.app/Contents/MacOS/x", 0, ok, 0755},
	    {"a file named MacOS elsewhere", {{"MacOS", "body"}}, "Resources/Contents/", "Resources/Contents/MacOS", 0, ok,
	     0644},
	    {"one kilobyte past the listed size", {{"f.dat", std::string(3000, 'f')}}, "Data/", "Data/f.dat", 2, ok, 0644},
	    {"one byte more", {{"f.dat", std::string(3001, 'f')}}, "Data/", "Data/f.dat", 2, bad_archive, 0},
	    {"another file beside it", {{"notes.txt", "body"}, {"planted", "planted"}}, "Instructions/",
	     "Instructions/notes.txt", 0, bad_archive, 0},
	    {"a folder before it", {{"Deep/", ""}, {"notes.txt", "body"}}, "Instructions/", "Instructions/notes.txt", 0,
	     bad_archive, 0},
	    {"another name", {{"x", "body"}}, "Instructions/", "Instructions/notes.txt", 0, bad_archive, 0},
	    {"entry leaving its folder", {{"../x", "body"}}, "Resources/", "Resources/x", 0, bad_archive, 0},
	    {"missing folder", {{"notes.txt", "body"}}, "", "Gone/notes.txt", 0, alerted, 0},
	    // "ln" is a link to a folder outside the destination.
	    {"folder reached through a link", {{"x", "body"}}, "", "ln/x", 0, alerted, 0},
	};
	umask(022);
	put(dir.path() + "outside/.keep", "k");
	ASSERT_EQ(symlink((dir.path() + "outside").c_str(), (dest + "ln").c_str()), 0);
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		recorded_alerts().clear();
		stg.install_error = 0;
		if (*c.folder)
			put(dest + c.dest, "old");
		std::string const zip = temp_path + "0.zip";
		make_zip(zip, c.entries);

		int const r = extract_and_delete_file(zip, dest + c.dest, c.ext_kb);

		EXPECT_FALSE(exists(zip));  // deleted whatever happened
		EXPECT_FALSE(exists(dest + "x"));
		EXPECT_FALSE(exists(dir.path() + "outside/x"));
		if (*c.folder) {
			EXPECT_FALSE(exists(dest + c.folder + "planted"));
			EXPECT_FALSE(exists(dest + c.folder + "Deep"));
		}
		EXPECT_EQ(r == 0, c.result == ok) << r;
		EXPECT_EQ(stg.install_error, c.result == alerted ? 1 : 0);
		if (c.result == ok) {
			EXPECT_TRUE(recorded_alerts().empty());
			EXPECT_EQ(read_text_file(dest + c.dest), c.entries[0].second);
			EXPECT_EQ(mode_of(dest + c.dest), c.mode);
		} else if (c.result == bad_archive) {
			EXPECT_EQ(r, kErrZipRead);
			EXPECT_TRUE(recorded_alerts().empty());
			EXPECT_EQ(read_text_file(dest + c.dest), "old");
		} else {
			ASSERT_EQ(recorded_alerts().size(), 1u);
			auto const& a = recorded_alerts()[0];
			EXPECT_EQ(a.severity, 1);
			EXPECT_EQ(a.msg1, "The installer cannot extract a file.");
			EXPECT_EQ(a.msg2.rfind("Error:", 0), 0u);
			EXPECT_NE(a.msg2.substr(6, 1), " ");
			EXPECT_EQ(a.msg3, "Compressed File:" + zip);
			EXPECT_EQ(a.msg4, "Destination:" + dest + c.dest);
			EXPECT_FALSE(exists(dest + c.dest));
		}
	}
	// The error survives later good archives.
	stg.install_error = 1;
	make_zip(temp_path + "1.zip", {{"notes.txt", "fine"}});
	EXPECT_EQ(extract_and_delete_file(temp_path + "1.zip", dest + "Instructions/notes.txt", 1), 0);
	EXPECT_EQ(stg.install_error, 1);
}

// The archive names the file as the release lists it; a file on disk in
// other letter case does not make the archive bad.
TEST_F(ExtractTest, TheListedSpellingWhateverTheCaseOnDisk)
{
	g_case_sensitive = 1;
	put(dest + "Case/NOTES.TXT", "old");
	make_zip(temp_path + "0.zip", {{"notes.txt", "new"}});
	EXPECT_EQ(extract_and_delete_file(temp_path + "0.zip", dest + "Case/notes.txt", 1), 0);
	g_case_sensitive = 0;
	std::vector<std::string> names;
	if (DIR* d = opendir((dest + "Case").c_str())) {
		while (dirent* e = readdir(d))
			if (e->d_name[0] != '.') names.push_back(e->d_name);
		closedir(d);
	}
	ASSERT_EQ(names.size(), 1u);
	EXPECT_EQ(read_text_file(dest + "Case/" + names[0]), "new");
	EXPECT_EQ(stg.install_error, 0);
}

// An archive that cannot be written out leaves the installed file as it
// was, and no half-written file beside it.
TEST_F(ExtractTest, FailedWritesKeepWhatIsInstalled)
{
	struct {
		char const* what;
		bool folder_there;  // a folder stands at the installed path
		bool disk_full;     // writes stop after 16 KiB (the rest of this process)
	} const cases[] = {
	    {"a folder where the file goes", true, false},
	    {"a full disk", false, true},
	};
	std::string const big(64 * 1024, 'n');
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		recorded_alerts().clear();
		stg.install_error = 0;
		std::string const folder = dest + "Data/";
		ASSERT_EQ(system(("rm -rf '" + folder + "'").c_str()), 0);
		put(folder + (c.folder_there ? "f.dat/inner" : "f.dat"), "old");
		std::string const zip = temp_path + "0.zip";
		make_zip(zip, {{"f.dat", big}});
		if (c.disk_full) {
			signal(SIGXFSZ, SIG_IGN);
			rlimit lim{16 * 1024, 16 * 1024};
			ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
		}

		extract_and_delete_file(zip, folder + "f.dat", 65);

		EXPECT_EQ(stg.install_error, 1);
		ASSERT_EQ(recorded_alerts().size(), 1u);
		EXPECT_EQ(recorded_alerts()[0].msg1, "The installer cannot extract a file.");
		EXPECT_EQ(read_text_file(folder + (c.folder_there ? "f.dat/inner" : "f.dat")), "old");
		std::vector<std::string> names;
		if (DIR* d = opendir(folder.c_str())) {
			while (dirent* e = readdir(d))
				if (e->d_name[0] != '.' || std::strncmp(e->d_name, ".new", 4) == 0)
					names.push_back(e->d_name);
			closedir(d);
		}
		EXPECT_EQ(names, std::vector<std::string>{"f.dat"});
		EXPECT_FALSE(exists(zip));
	}
}

// ---- log lines -----------------------------------------------------------------------

TEST_F(ExtractTest, ActionLinesOnlyWhenAsked)
{
	for (int log_actions : {1, 0}) {
		SCOPED_TRACE(log_actions);
		log = open_test_log(dir);
		stg.log_actions = log_actions;
		put(dest + "Sky.app/Contents/MacOS/.keep", "k");
		make_zip(temp_path + "2.zip", {{"x", "program"}});
		make_zip(temp_path + "3.zip", {{"y", "lost"}});
		extract_and_delete_file(temp_path + "2.zip", dest + "Sky.app/Contents/MacOS/x", 1);
		extract_and_delete_file(temp_path + "3.zip", dest + "Nowhere/y", 1);
		std::string const want =
		    log_actions ? "EXPANDING file " + dest + "Sky.app/Contents/MacOS/x, with result=0.\n"
		                  "CHMODING  file " + dest + "Sky.app/Contents/MacOS/x, with result=0.\n"
		                  "DELETING  file " + temp_path + "2.zip, with result=0.\n"
		                  "EXPANDING file " + dest + "Nowhere/y, with result=2.\n"
		                  "CHMODING  file " + dest + "Nowhere/y, with result=0.\n"
		                  "DELETING  file " + temp_path + "3.zip, with result=0.\n"
		                : "";
		EXPECT_EQ(action_lines(log_text()), want);
	}
}

// ---- paths without transfer ------------------------------------------------------------

TEST_F(GrabEndTest, PathsNeedingNoTransferFinishAtOnce)
{
	// No server is configured: any transfer would fail.
	struct {
		int up_to_date;
		int phase;
	} const cases[] = {{1, 2}, {0, 3}};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.phase);
		sim_info.clear();
		next.finished = 0;
		reset_next();
		file_version_struct& v = want("All/Resources/a.txt", "a");
		v.get_it = 0;
		v.up_to_date = c.up_to_date;
		EXPECT_EQ(run(), 1);
		EXPECT_EQ(stg.grab_phase, c.phase);
		EXPECT_EQ(next.finished, 1);
		EXPECT_EQ(crnt_file_name, "a.txt.zip");
		EXPECT_FALSE(http.downloads[2] || http.downloads[3]);
	}
}

// ---- deletion and clean-up table ---------------------------------------------------------

TEST_F(GrabEndTest, DeletionAndCleanupTable)
{
	struct {
		char const* what;
		std::vector<std::string> tree;    // files below the destination before the install
		std::vector<std::string> gone;    // listed paths to delete
		std::vector<std::string> remain;  // what is left below the destination, files and folders
		std::string cleanup;              // cleanup log lines, folders relative to the destination
		std::vector<std::string> done;    // listed as gone, deleted by an earlier install cut short
	} const cases[] = {
	    {"deepest folder first",
	     {"a/b/c/f1", "a/b/f2", "k/keep"},
	     {"All/a/b/c/f1", "All/a/b/f2"},
	     {"k/", "k/keep"},
	     "a/b/c/=0 a/b/=0 a/=0 ",
	     {}},
	    {"a folder still holding an entry stays",
	     {"a/b/f1", "a/keep"},
	     {"All/a/b/f1"},
	     {"a/", "a/keep"},
	     "a/b/=0 ",
	     {}},
	    {"a hidden entry keeps its folder",
	     {"a/b/f1", "a/b/.hidden"},
	     {"All/a/b/f1"},
	     {"a/", "a/b/", "a/b/.hidden"},
	     "a/b/=39 ",
	     {}},
	    {"a half-written file a killed run left goes with its folder",
	     {"a/b/f1", "a/b/.new-1073741822-5"},
	     {"All/a/b/f1"},
	     {},
	     "a/b/=0 a/=0 ",
	     {}},
	    {"a file at the top leaves no folder",
	     {"readme", "x/y"},
	     {"All/readme"},
	     {"x/", "x/y"},
	     "",
	     {}},
	    // The earlier run emptied "old/" and was killed before its clean-up;
	    // a folder that is not there is not cleaned.
	    {"folders emptied by an install cut short",
	     {"n/f2", "k/keep"},
	     {"All/n/f2"},
	     {"k/", "k/keep"},
	     "old/deep/=0 old/=0 n/=0 ",
	     {"All/old/deep/f1", "All/missing/f3"}},
	    // Deleted now or never there: the folders every install makes stay.
	    {"the working folders stay, whatever the gone lines name",
	     {"Output/logbooks/old log", "Resources/preferences/old.prf"},
	     {"All/Output/logbooks/old log", "All/Resources/preferences/old.prf"},
	     {"Output/", "Output/FMS plans/", "Output/logbooks/", "Resources/", "Resources/preferences/"},
	     "",
	     {"All/Output/FMS plans/never.fms"}},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		temp_dir fresh;
		dest_dir_path = fresh.path();
		dest = fresh.path();
		log = open_test_log(dir);
		stg.log_actions = 1;
		sim_info.clear();
		deleted_files.clear();
		next.finished = 0;
		reset_next();
		for (auto const& f : c.tree)
			put(dest + f, "old " + f);
		for (auto const& g : c.done) {
			if (g.find("missing/") == std::string::npos) make_dirs_for(dest + g.substr(4));
			file_version_struct& v = want(g, "x");
			v.get_it = 0;
			v.sig_want = "GONE";
			v.sig_have = "NONE";
		}
		for (auto const& g : c.gone) {
			file_version_struct& v = want(g, "x");
			v.get_it = 0;
			v.del_it = 1;
			v.sig_want = "GONE";
		}

		EXPECT_EQ(run(), 1);

		std::vector<std::string> left;
		std::function<void(std::string const&)> walk = [&](std::string const& rel) {
			DIR* d = opendir((dest + rel).c_str());
			ASSERT_NE(d, nullptr);
			while (dirent* e = readdir(d)) {
				std::string const name = e->d_name;
				if (name == "." || name == "..")
					continue;
				bool const folder = e->d_type == DT_DIR;
				left.push_back(rel + name + (folder ? "/" : ""));
				if (folder)
					walk(rel + name + "/");
			}
			closedir(d);
		};
		walk("");
		std::sort(left.begin(), left.end());
		EXPECT_EQ(left, c.remain);

		std::string cleanup;
		std::string const lines = action_lines(log_text());
		for (size_t at = lines.find("cleanup: DELETING  file "); at != std::string::npos;
		     at = lines.find("cleanup: DELETING  file ", at + 1)) {
			size_t const a = at + 24 + dest.size();
			size_t const comma = lines.find(", with result=", a);
			cleanup += lines.substr(a, comma - a) + "=" +
			           lines.substr(comma + 14, lines.find(".\n", comma) - comma - 14) + " ";
		}
		EXPECT_EQ(cleanup, c.cleanup);
		for (auto const& g : c.gone)
			EXPECT_NE(lines.find("now we want to nuke a file: DELETING  file " + installed(g) + ", with result=0.\n"),
			          std::string::npos)
			    << g;
	}
}

TEST_F(GrabEndTest, DeletionNeverLeavesTheDestination)
{
	// A folder of the destination that is a link to elsewhere, and a listed
	// path that climbs out: both name a real file outside.
	std::string const outside = dir.path() + "outside/";
	put(outside + "f", "precious");
	put(dir.path() + "g", "precious too");
	ASSERT_EQ(symlink(outside.c_str(), (dest + "ln").c_str()), 0);
	put(dest + "a/h", "h");
	for (char const* name : {"All/ln/f", "All/../g", "All/a/../../g"}) {
		file_version_struct& v = want(name, "x");
		v.get_it = 0;
		v.del_it = 1;
	}
	EXPECT_EQ(run(), 1);
	EXPECT_EQ(read_text_file(outside + "f"), "precious");
	EXPECT_EQ(read_text_file(dir.path() + "g"), "precious too");
	EXPECT_TRUE(exists(dest + "ln"));
	EXPECT_EQ(read_text_file(dest + "a/h"), "h");
	EXPECT_TRUE(deleted_files.empty());
	EXPECT_NE(log_text().find("WARNING: I am not deleting " + dest + "ln/f because it is not inside the destination.\n"),
	          std::string::npos);
}

// ---- renaming table ------------------------------------------------------------------------

TEST_F(GrabEndTest, RenamingAtTheEndTable)
{
	struct {
		char const* what;
		int has_exes, rename;
		char const* name;
		char const* beside;  // something already standing beside the destination
		bool dest_gone;      // the destination vanished, so the rename fails
		bool renamed;
	} const cases[] = {
	    {"both set", 1, 1, "Skyrell 8.50", "", false, true},
	    {"no platform files", 0, 1, "Skyrell 8.50", "", false, false},
	    {"renaming off", 1, 0, "Skyrell 8.50", "", false, false},
	    {"neither", 0, 0, "Skyrell 8.50", "", false, false},
	    {"failed rename", 1, 1, "Skyrell 8.50", "", true, false},
	    {"empty name", 1, 1, "", "", false, false},
	    {"slash", 1, 1, "a/b", "", false, false},
	    {"colon", 1, 1, "a:b", "", false, false},
	    {"backslash", 1, 1, "a\\b", "", false, false},
	    {"dot", 1, 1, ".", "", false, false},
	    {"dot dot", 1, 1, "..", "", false, false},
	    {"an empty folder of that name", 1, 1, "Skyrell 8.50", "Skyrell 8.50/", false, false},
	    {"a file of that name", 1, 1, "Skyrell 8.50", "Skyrell 8.50", false, false},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		temp_dir fresh;
		std::string const old_dest = fresh.path() + "Sky/";
		mkdir(old_dest.c_str(), 0755);
		put(old_dest + "Resources/r", "r");
		if (*c.beside) {
			std::string const b = fresh.path() + c.beside;
			if (b.back() == '/')
				mkdir(b.c_str(), 0755);
			else
				put(b, "b");
		}
		if (c.dest_gone)
			std::rename(old_dest.c_str(), (fresh.path() + "moved").c_str());
		dest_dir_path = old_dest;
		this_install_has_exes = c.has_exes;
		stg.rename_folder = c.rename;
		install_name = c.name;
		sim_info.clear();
		next.finished = 0;
		reset_next();

		EXPECT_EQ(grab_files(), 1);  // nothing listed: done on the first call
		EXPECT_EQ(next.finished, 1);
		std::string const renamed = fresh.path() + c.name + "/";
		if (c.renamed) {
			EXPECT_EQ(dest_dir_path, renamed);
			EXPECT_EQ(read_text_file(renamed + "Resources/r"), "r");
			EXPECT_FALSE(exists(old_dest));
		} else {
			EXPECT_EQ(dest_dir_path, old_dest);
			if (!c.dest_gone) {
				EXPECT_EQ(read_text_file(old_dest + "Resources/r"), "r");
			}
		}
	}
}

// ---- a path without a file -------------------------------------------------------------------

TEST_F(GrabEndTest, ListedPathWithoutFileIsFatal)
{
	want("All/Resources/", "x");
	EXPECT_EXIT(grab_files(), ::testing::ExitedWithCode(1), "");
	std::string const text = log_text();
	EXPECT_NE(text.find("I am working through the list and found a path that has no file!\n"
	                    "This is impossible to download or delete!\nIt is:\nAll/Resources/\n"),
	          std::string::npos);
}

}  // namespace
