// The folder tree of an install, and the panel shown while the directory
// file is scanned and the destination examined.
//
// Index: make_dir_error - make_dirs - dir_progress_bar.
#include <mutex>
#include <set>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "installer/utils.h"
#include "shell/butn.h"

// ---- make_dir_error ---------------------------------------------------------------

void make_dir_error(std::string path, int err)
{
	__VEDEZE_alert(0,
	               "I am unable to install or update Skyrell. An error occurred while creating new folders. Make "
	               "sure you are installing to a directory that you have access to!",
	               "Error: " + error_str(err), "Install Location: " + dest_dir_path, "Install Path:" + path, 1,
	               "utils", __LINE__);
}

// ---- make_dirs ------------------------------------------------------------------

namespace {

// Creates one folder; false (after the alert) when that failed.
bool make_one(std::string const& path)
{
	int const err = make_folder(path);
	if (!show_make_dir_err(err)) return true;
	make_dir_error(path, err);
	return false;
}

// Whether a path below the destination is reached through a link there
// (an archive may have restored one): nothing is made or moved through it.
bool through_link(std::string const& path)
{
	std::string root = dest_dir_path;
	std::string full = path;
	set_dir_chars(root);
	set_dir_chars(full);
	if (root.empty() || unsafe_target(root.back() == '/' ? root : root + '/', full) == nullptr) return false;
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "WARNING: I am not touching " << full << " because it is not inside the destination.\n";
	xer.flush();
	return true;
}

// Moves a real folder out of the way of the link an archive will restore.
void move_aside(std::string const& folder, std::string const& entry)
{
	std::string const full = folder + entry;
	if (is_sim_link(full.c_str(), nullptr) || through_link(full)) return;
	rename_file(folder, entry, "_" + entry);  // a missing entry fails quietly
}

}  // namespace

void make_dirs()
{
	// The destination chain, outermost first.
	std::string const dest = dest_dir_path.empty() ? dest_dir_path : dest_dir_path.substr(0, dest_dir_path.size() - 1);
	size_t const first = dest.find('/');
	bool chain_ok = true;
	if (first != std::string::npos)
		for (size_t s = dest.find('/', first + 1); chain_ok && s != std::string::npos; s = dest.find('/', s + 1))
			chain_ok = make_one(dest.substr(0, s));
	if (chain_ok && !dest.empty()) make_one(dest);

	// Every folder a wanted file needs; byte order puts parents first.
	std::set<std::string> folders;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		std::vector<file_version_struct> const& versions = sim_info[i].versions;
		if (versions.empty()) continue;
		int const last = static_cast<int>(versions.size()) - 1;
		file_version_struct const& v = versions[last];
		if (v.sig_want == "GONE" || !want_this_f(static_cast<int>(i), last, v.flag)) continue;
		size_t const slash = v.name.find('/');
		if (slash == std::string::npos) continue;
		std::string rest = v.name.substr(slash + 1);
		for (size_t cut = rest.rfind('/'); cut != std::string::npos; cut = rest.rfind('/')) {
			rest.resize(cut);
			if (!rest.empty()) folders.insert(rest);
		}
	}
	for (std::string const& folder : folders)
		if (!through_link(dest_dir_path + folder) && !make_one(dest_dir_path + folder)) break;

	static char const* const fixed[] = {"Output",          "Output:FMS plans", "Output:logbooks",
	                                    "Output:movies",   "Output:situations", "Resources:preferences"};
	for (char const* folder : fixed)
		if (!through_link(dest_dir_path + folder)) make_one(dest_dir_path + folder);

	static char const* const bundles[] = {"Resources:plugins:SKPM.framework:",
	                                      "Resources:plugins:SKWidgets.framework:"};
	for (char const* bundle : bundles) move_aside(dest_dir_path + bundle + "Versions:", "Current");
	for (char const* bundle : bundles) move_aside(dest_dir_path + bundle, "Resources");
}

// ---- dir_progress_bar ------------------------------------------------------------

float dir_progress_fraction(float lo, float cur, float hi)
{
	if (lo == hi) return 0.52f;
	float const f = 0.04f + 0.96f * (cur - lo) / (hi - lo);
	return f < 0.04f ? 0.04f : (f > 1.0f ? 1.0f : f);
}

void dir_progress_bar(float lo, float cur, float hi, int mode, std::string title, std::string detail)
{
	std::string const status = mode == 0   ? "Currently SCANNING the directory text file."
	                           : mode == 1 ? "Currently EXAMINING the hard disk."
	                                       : "";
	OGL_2dquad(365, 48, 1.0f, 0, 0, 0, 0, 0, 768, 0, 0.75f, 1024, 768, 1, 0.75f, 1024, 0, 1, 0, 1, 5);
	float const x0 = (static_cast<float>(mnw.x_res_use) - 512.0f) * 0.5f;
	float const y0 = (static_cast<float>(mnw.y_res_use) - 138.0f) * 0.5f;
	float const fraction = dir_progress_fraction(lo, cur, hi);
	float const left = x0 + 30.0f, right = x0 + 512.0f - 30.0f;
	float const fill = left + fraction * (right - left);
	BTN_frame2(15, x0 + 20.0f, y0 + 20.0f, 472.0f, 98.0f, "");
	BTN_frame1(4, (left + right) * 0.5f, y0 + 35.0f, right - left, 0);
	BTN_frame1(5, (left + fill) * 0.5f, y0 + 35.0f, fill - left, 0);
	OGL_string(48, x0 + 32.0f, y0 + 100.0f, title, 462.0f, 100);
	OGL_string(48, x0 + 32.0f, y0 + 80.0f, status, 462.0f, 100);
	OGL_string(48, x0 + 32.0f, y0 + 60.0f, detail, 462.0f, 100);
	OGL_sbuf();
}
