#include "shell/hl_dialog.h"

#include <limits.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "platform/desktop_dialogs.h"

unsigned char ShowProgressMessage_phase = 0;

void EndianFlipShort(short* v)
{
	auto const u = static_cast<uint16_t>(*v);
	*v = static_cast<short>(static_cast<uint16_t>((u >> 8) | (u << 8)));
}

long EndianFlipLong(long* v)
{
	auto const u = static_cast<uint32_t>(*v);
	uint32_t const f = (u >> 24) | ((u >> 8) & 0xff00u) | ((u << 8) & 0xff0000u) | (u << 24);
	*v = static_cast<int32_t>(f);
	return *v;
}

namespace {

// The old dialogs took length-prefixed strings of at most 255 bytes; the cut
// never leaves half a UTF-8 character behind.
std::string cut_255(char const* text)
{
	std::string s = text ? text : "";
	if (s.size() <= 255) return s;
	size_t n = 255;
	// Back off over continuation bytes to the start of the cut character,
	// and drop it unless it ends exactly at the cut.
	size_t lead = n;
	while (lead > 0 && (static_cast<unsigned char>(s[lead - 1]) & 0xC0) == 0x80) --lead;
	if (lead > 0) {
		auto const c = static_cast<unsigned char>(s[lead - 1]);
		size_t const len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
		if (lead - 1 + len > n) n = lead - 1;
	}
	return s.substr(0, n);
}

bool is_folder(std::string const& path)
{
	struct stat st;
	return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Where each pref_key's chooser ended in this run, without a trailing '/'.
std::map<int, std::string>& last_folders()
{
	static std::map<int, std::string> folders;
	return folders;
}

std::string without_trailing_slash(std::string path)
{
	while (path.size() > 1 && path.back() == '/') path.pop_back();
	return path;
}

std::string folder_of(std::string const& path)
{
	size_t const slash = path.rfind('/');
	if (slash == std::string::npos) return "";
	if (slash == 0) return "/";
	return path.substr(0, slash);
}

}  // namespace

int DoUserAlert(char const* message)
{
	std::string const text = cut_255(message);
	int const hit = PLT_message_box({PLT_box_stop, text, {"OK"}});
	if (hit < 0) {
		// Not lost when there is no one to show it to.
		std::fprintf(stderr, "%s\n", text.c_str());
		std::fflush(stderr);
		return -1;
	}
	return 0;
}

int ConfirmMessage(char const* message, char const* yes, char const* no)
{
	return PLT_message_box({PLT_box_caution, cut_255(message), {cut_255(yes), cut_255(no)}}) == 0 ? 1 : 0;
}

int ShowProgressMessage(char const* message, float* progress)
{
	std::string const text = message ? message : "";
	if (!progress) return PLT_progress_show(text, PLT_progress_text, 0);
	++ShowProgressMessage_phase;
	float const p = *progress;
	if (p < 0 || p != p) return PLT_progress_show(text, PLT_progress_pulse, 0);
	int const permille = p >= 1.0f ? 1000 : static_cast<int>(p * 1000.0f);
	return PLT_progress_show(text, PLT_progress_bar, permille);
}

int GetFilePathFromUser(int mode, char const* message, char const* action, int pref_key, char const* start_folder,
                        char* io_path)
{
	if (mode < 0 || mode > 2 || !io_path) return 0;

	std::string folder;
	if (start_folder && is_folder(start_folder))
		folder = without_trailing_slash(start_folder);
	else {
		auto const last = last_folders().find(pref_key);
		if (last != last_folders().end() && is_folder(last->second)) folder = last->second;
	}
	std::string start;
	if (!folder.empty()) start = folder == "/" ? "/" : folder + "/";
	if (mode == PLT_choose_save) start += io_path;

	std::string chosen;
	(void)action;  // the desktop's chooser keeps its own accept label
	if (!PLT_choose_path(mode, message ? message : "", start, &chosen)) return 0;
	chosen = without_trailing_slash(chosen);
	if (chosen.size() + 1 > PATH_MAX) return 0;

	last_folders()[pref_key] = mode == PLT_choose_folder ? chosen : folder_of(chosen);
	std::memcpy(io_path, chosen.c_str(), chosen.size() + 1);
	return 1;
}
