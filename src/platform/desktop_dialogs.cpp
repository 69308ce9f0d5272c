#include "platform/desktop_dialogs.h"

#include <SDL.h>
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/process_spawn.h"
#include "platform/system_alert.h"

namespace {

char const* const window_title = "Installer/Updater";

PLT_message_box_fn box_hook = nullptr;

// Writes all of text to fd; a reader that has gone away is EPIPE, never the
// signal that would end the program.
int write_all(int fd, std::string const& text)
{
	sigset_t pipe_set, old_set;
	sigemptyset(&pipe_set);
	sigaddset(&pipe_set, SIGPIPE);
	sigset_t pending;
	sigpending(&pending);
	bool const was_pending = sigismember(&pending, SIGPIPE);
	pthread_sigmask(SIG_BLOCK, &pipe_set, &old_set);

	int err = 0;
	size_t done = 0;
	while (done < text.size()) {
		ssize_t const n = write(fd, text.data() + done, text.size() - done);
		if (n < 0) {
			if (errno == EINTR) continue;
			err = errno;
			break;
		}
		done += static_cast<size_t>(n);
	}
	if (err == EPIPE && !was_pending) {
		timespec const none = {0, 0};
		while (sigtimedwait(&pipe_set, nullptr, &none) < 0 && errno == EINTR) {
		}
	}
	pthread_sigmask(SIG_SETMASK, &old_set, nullptr);
	return err;
}

}  // namespace

// ---- message boxes ----------------------------------------------------------

void PLT_set_message_box(PLT_message_box_fn fn) { box_hook = fn; }

int PLT_message_box(PLT_message_box_request const& request)
{
	if (request.buttons.empty()) return -1;
	if (box_hook) return box_hook(request);
	if (!PLT_has_display()) return -1;

	std::vector<SDL_MessageBoxButtonData> buttons(request.buttons.size());
	int const last = static_cast<int>(request.buttons.size()) - 1;
	// SDL lays buttons out in the order given; the platform's order keeps the
	// default on the right.
	for (int k = 0; k <= last; ++k) {
		SDL_MessageBoxButtonData& b = buttons[last - k];
		b.flags = 0;
		if (k == 0) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
		if (k == last) b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
		b.buttonid = k;
		b.text = request.buttons[k].c_str();
	}
	SDL_MessageBoxData data = {};
	data.flags = request.kind == PLT_box_stop ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_WARNING;
	data.window = nullptr;
	data.title = window_title;
	data.message = request.text.c_str();
	data.numbuttons = static_cast<int>(buttons.size());
	data.buttons = buttons.data();
	data.colorScheme = nullptr;
	int hit = -1;
	if (SDL_ShowMessageBox(&data, &hit) != 0) return -1;
	return hit >= 0 && hit <= last ? hit : -1;
}

// ---- file and folder chooser ------------------------------------------------

int PLT_choose_path(int mode, std::string const& title, std::string const& filename, std::string* chosen)
{
	// No label for the accept button: the helper's chooser refuses one and
	// ends without showing anything.
	std::vector<std::string> args = {"zenity", "--file-selection"};
	if (mode == PLT_choose_save) args.push_back("--save");
	if (mode == PLT_choose_folder) args.push_back("--directory");
	args.push_back("--title=" + title);
	if (!filename.empty()) args.push_back("--filename=" + filename);

	pid_t child = -1;
	int from = -1;
	if (PLT_spawn_piped(args, true, &child, nullptr, &from) != 0) return 0;

	// A path is bounded; whatever more the helper prints is read and dropped
	// so that it never blocks on a full pipe.
	size_t const keep_max = 1 << 16;
	std::string out;
	char buf[4096];
	for (;;) {
		ssize_t const n = read(from, buf, sizeof buf);
		if (n < 0 && errno == EINTR) continue;
		if (n <= 0) break;
		if (out.size() < keep_max) out.append(buf, static_cast<size_t>(n));
	}
	close(from);
	int const status = PLT_reap(child);

	if (status != 0) return 0;
	if (!out.empty() && out.back() == '\n') out.pop_back();
	if (out.empty()) return 0;
	*chosen = out;
	return 1;
}

// ---- progress window --------------------------------------------------------

namespace {

struct progress_child {
	pid_t pid = -1;
	int fd = -1;
	bool pulsing = false;
};
progress_child progress;

int progress_start(bool pulse)
{
	static bool closes_at_exit = false;
	if (!closes_at_exit) {
		std::atexit(PLT_progress_close);
		closes_at_exit = true;
	}
	std::vector<std::string> args = {"zenity", "--progress", std::string("--title=") + window_title, "--no-cancel"};
	if (pulse) args.push_back("--pulsate");
	pid_t pid = -1;
	int fd = -1;
	int const err = PLT_spawn_piped(args, true, &pid, &fd, nullptr);
	if (err) return err;
	progress.pid = pid;
	progress.fd = fd;
	progress.pulsing = pulse;
	return 0;
}

// One line of text for the window: the helper reads its input line by line.
std::string one_line(std::string text)
{
	for (char& c : text)
		if (c == '\n' || c == '\r') c = ' ';
	return text;
}

}  // namespace

void PLT_progress_close()
{
	if (progress.pid < 0) return;
	close(progress.fd);
	// Without a cancel button the window would stay up at the end of its
	// input, waiting for a user.
	kill(progress.pid, SIGTERM);
	PLT_reap(progress.pid);
	progress = progress_child();
}

int PLT_progress_show(std::string const& text, int bar, int permille)
{
	bool const pulse = bar == PLT_progress_pulse;
	// The helper's bar cannot change its kind, so a change restarts it.
	if (progress.pid >= 0 && bar != PLT_progress_text && pulse != progress.pulsing) PLT_progress_close();
	if (progress.pid < 0) {
		int const err = progress_start(pulse);
		if (err) return err;
	}
	std::string update = "#" + one_line(text) + "\n";
	if (bar == PLT_progress_bar) update += std::to_string(permille / 10) + "\n";
	int const err = write_all(progress.fd, update);
	if (err) PLT_progress_close();
	return err;
}
