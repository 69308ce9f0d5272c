// Stand-ins for the desktop helpers, first on PATH, so that the real
// spawning code runs and no dialog waits for a user. Each run of the
// stand-in chooser records its arguments (one a line) in argsN and, for the
// progress window, its input in inputN; it prints the file "reply" and ends
// with the status in the file "status". The stand-in browser appends each
// address it is given to "opened.txt".
#pragma once
#include <string>

class stand_in_helpers {
public:
	// Writes the stand-ins into folder + "bin/" and puts that folder first on
	// PATH, followed by the system's folders only.
	explicit stand_in_helpers(std::string const& folder);

	std::string const& bin() const { return bin_; }
	void answer(std::string const& reply, int status);
	int runs() const;
	std::string args(int run) const;
	std::string input(int run) const;
	// The progress helper reads its input in its own time: waits (up to ten
	// seconds) until run's input is expected, and returns what it is.
	std::string input_once(int run, std::string const& expected) const;
	std::string opened() const;

private:
	std::string folder_, bin_;
};

// The browser helper runs aside: the text of the file at path once it is
// expected (ten seconds at most), else what it is then.
std::string text_once(std::string const& path, std::string const& expected);
