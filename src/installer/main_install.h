// The install itself, as the main screen's frame drives it: its start at
// the install button, the scheduler's share of each frame, and its stop.
#pragma once

// The install button's press: the agreement, the choice of files, the
// folders, then the install runs.
void start_install();
// Ends what runs: the transfers in flight and the scheduler's state.
void stop_transfers();
// Runs the scheduler for up to `budget` seconds of this frame; 1 once the
// install has ended.
int run_scheduler(double budget);
