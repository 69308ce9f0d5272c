// The install itself, as the main screen's frame drives it: its start at
// the install button, the scheduler on its own thread, and its stop.
#pragma once

// The install button's press: the agreement, the choice of files, the
// folders, then the install runs.
void start_install();
// Ends what runs: the scheduler's thread (joined), the transfers in flight
// and the scheduler's state.
void stop_transfers();
// Keeps the scheduler running on its own thread and raises its alerts; 1
// once the install has ended (then the thread is joined and the transfers
// dropped).
int run_scheduler();
