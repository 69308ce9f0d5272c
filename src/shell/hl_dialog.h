// The desktop's own dialogs, for what the window's widgets cannot do: the
// file and folder chooser, a stop alert, a yes/no question and a progress
// window; and two in-place byte-order flips.
#pragma once

// Swaps the two bytes of *v.
void EndianFlipShort(short* v);
// Reverses the four bytes of the 32-bit value in *v (the upper half of a
// wider long is not part of it; the result is sign-extended); returns it.
long EndianFlipLong(long* v);

// A stop alert with the message (its first 255 characters) and an OK
// button; 0 once shown, -1 when it could not be.
int DoUserAlert(char const* message);

// A caution alert with yes as the default button and no as the cancel
// button (each text cut to 255 characters); 1 only when yes was pressed, so
// a box that cannot be shown answers no.
int ConfirmMessage(char const* message, char const* yes, char const* no);

// The run's one progress window, started on first use: the message, and with
// progress a bar at *progress (0..1; below 0 a bar that only shows activity).
// 0, or the errno of starting the window or of updating it.
int ShowProgressMessage(char const* message, float* progress);
// Grows by one at each call that draws the bar.
extern unsigned char ShowProgressMessage_phase;

// The desktop's chooser: mode 0 opens a file, 1 saves one (io_path holds the
// proposed name), 2 picks a folder. message is the window's title; action,
// the label of its accept button, cannot be given to the desktop's chooser. It starts in start_folder when that is an existing
// folder, else where the last chooser of the same pref_key in this run
// ended. Returns 1 with the chosen path in io_path (no trailing '/'), which
// must hold PATH_MAX bytes; a cancel, a failure, a missing chooser or a path
// that does not fit returns 0 and leaves io_path as it was.
int GetFilePathFromUser(int mode, char const* message, char const* action, int pref_key, char const* start_folder,
                        char* io_path);
