// The installer's preferences panel, window 2: every change takes effect at
// once in stg and the HTTP client's proxy settings.
#include "foundation/hl_string.h"
#include "foundation/http.h"
#include "graphics/oglp_draw.h"
#include "installer/utils.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"

void handle_prefs()
{
	VEDEZE_startwind(2);
	if (mnw.cur_win != 2) return;
	while (mnw.cur_win == 2 && !app_done) {
		OGL_plot_back_col();
		BTN_fillwin(1, 21);
		float out_x = 0, out_y = 0;
		BTN_subwin(0, 13, 10, 10, 480, 70, "Proxy (if you are behind a firewall with a Proxy)", &out_x, &out_y);
		BTN_subwin(0, 13, 10, 90, 480, 262, "General Preferences", &out_x, &out_y);

		int manual_streams = stg.stream_count != 0 ? 1 : 0;
		int os = stg.download_os - 1;  // the chooser counts from 0
		BTN_textlist(200, 310, &os, "Macintosh-Windows-Linux Generic x86-Linux Pentium 3-Linux Athlon XP",
		             "Operating System to download Skyrell for:|(Install and copy the entire Skyrell folder to "
		             "another computer if you like)");
		stg.download_os = os + 1;
		BTN_bool(30, 265, &stg.use_max_cpu,
		         "|run at full speed all the time, always totally saturating the CPU... typically leave this OFF, "
		         "since the installer does not need that much CPU to download stuff!",
		         0);
		BTN_bool(30, 230, &stg.rename_folder,
		         "|re-name the Skybase folder to the latest version number when done with the update... typically "
		         "leave this ON, so the installer can indicate the proper version number!",
		         0);
		BTN_bool(30, 190, &stg.always_ask_dir,
		         "|always ask you to pick your Skybase folder on startup... typically leave this OFF, since the "
		         "installer will remember your current Skyrell folder after the first use.",
		         0);
		BTN_bool(30, 150, &manual_streams,
		         "|manually set the number of download streams... typically leave this OFF, and the installer will "
		         "find the best number of streams for you.",
		         0);
		BTN_bool(30, 110, &stg.log_actions,
		         "|log installer actions... turn this on to output the installer file downloads and stuff to the "
		         "file log.txt.",
		         0);
		if (manual_streams)
			BTN_int_range(400, 150, &stg.stream_count, 1, 1, 4, "");  // 0 is raised to 1 here
		else
			stg.stream_count = 0;
		BTN_enterstring(85, 40, &http.proxy_host, 65, 0, "-proxy host");
		BTN_enterstring(85, 20, &http.proxy_port, 65, 1, "-proxy port");
		if (!http.proxy_port.empty()) http.proxy_port_int = str_to_int(http.proxy_port);
		VEDEZE_event_proc();
	}
}
