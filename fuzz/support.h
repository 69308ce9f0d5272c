// What every fuzz target shares: a private scratch folder, alerts that
// neither show a window nor end the process, and a run that treats a fatal
// alert as the reader's orderly refusal.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "foundation/exce.h"

// Thrown by the alert's finish in place of ending the program.
struct fatal_alert {};

// Sets up once: the scratch folder (ends in "/"), the log on /dev/null, the
// alert displays silenced and its finish throwing fatal_alert, and a PATH
// that holds no desktop helper. (This support also makes every fork fail,
// so nothing is ever started.)
std::string const& fuzz_dir();

// Writes the bytes to path whole; aborts when it cannot (not the reader's fault).
void fuzz_write(std::string const& path, uint8_t const* data, size_t size);

// Runs the reader; a fatal alert or a worker's alert exception is an
// accepted outcome, anything else escapes to libFuzzer.
template <class F>
void fuzz_guarded(F const& reader)
{
	try {
		reader();
	} catch (fatal_alert const&) {
	} catch (exce_class const&) {
	}
}

// A broken promise of the reader: reported as a crash with the reason.
[[noreturn]] void fuzz_fail(char const* why, std::string const& detail = std::string());

// Removes everything below folder (which ends in "/"), keeping folder.
void fuzz_clear(std::string const& folder);
