#include "support/stand_in_helpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/alert_recorder.h"

stand_in_helpers::stand_in_helpers(std::string const& folder) : folder_(folder), bin_(folder + "bin/")
{
	mkdir(bin_.c_str(), 0755);
	write_text_file(bin_ + "zenity",
	                "#!/bin/sh\n"
	                "d='" + folder_ + "'\n"
	                "n=$(cat \"$d/count\" 2>/dev/null || echo 0); n=$((n+1)); echo $n > \"$d/count\"\n"
	                "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$d/args$n\"\n"
	                "if [ \"$1\" = --progress ]; then trap '' TERM; cat > \"$d/input$n\"; exit 0; fi\n"
	                // As the system's helper does: its file chooser takes no
	                // label for the accept button and ends at once.
	                "for a in \"$@\"; do case \"$a\" in --ok-label*)\n"
	                "  echo '--ok-label is not supported for this dialog' >&2; exit 255;; esac; done\n"
	                "cat \"$d/reply\" 2>/dev/null\n"
	                "exit $(cat \"$d/status\" 2>/dev/null || echo 0)\n");
	chmod((bin_ + "zenity").c_str(), 0755);
	write_text_file(bin_ + "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + folder_ + "opened.txt'\n");
	chmod((bin_ + "xdg-open").c_str(), 0755);
	setenv("PATH", (bin_ + ":/usr/bin:/bin").c_str(), 1);
}

void stand_in_helpers::answer(std::string const& reply, int status)
{
	write_text_file(folder_ + "reply", reply);
	write_text_file(folder_ + "status", std::to_string(status) + "\n");
}

int stand_in_helpers::runs() const { return std::atoi(read_text_file(folder_ + "count").c_str()); }

std::string stand_in_helpers::args(int run) const { return read_text_file(folder_ + "args" + std::to_string(run)); }

std::string stand_in_helpers::input(int run) const { return read_text_file(folder_ + "input" + std::to_string(run)); }

std::string stand_in_helpers::input_once(int run, std::string const& expected) const
{
	for (int k = 0; k < 10000 && input(run) != expected; ++k) usleep(1000);
	return input(run);
}

std::string stand_in_helpers::opened() const { return read_text_file(folder_ + "opened.txt"); }

std::string text_once(std::string const& path, std::string const& expected)
{
	for (int k = 0; k < 10000 && read_text_file(path) != expected; ++k) usleep(1000);
	return read_text_file(path);
}
