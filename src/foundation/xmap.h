// The mapped-file scanner: a whole file mapped read-only with a cursor and
// small scanners over its bytes, and the framework data-file header that
// ouf_open writes and check_file verifies.
#pragma once
#include <string>

enum {
	xmap_type_binary = 10000,  // order mark, 4-byte version
	xmap_type_text = 10001,    // "I", version line, type word line
};

class xmap_class {
public:
	explicit xmap_class(std::string const& path = std::string());
	~xmap_class();
	xmap_class(xmap_class const&) = delete;
	xmap_class& operator=(xmap_class const&) = delete;

	// Maps app_path + path (normalised); begin, or null when nothing is mapped.
	char const* retry(std::string const& path);

	// Mode 0 maps and checks the header, mode 1 opens ouf on it; 1 on success.
	int io_file_open(int mode, std::string path, int* versions, int type);
	void io_file_close();

	// The accepted version of the header at the start, or 0.
	int check_file(int type, int* versions, char const* type_word, std::string* rest);

	char TXT_byt_scan();
	void TXT_prv_scan();
	int TXT_int_scan();
	unsigned int TXT_uin_scan();
	int TXT_int_scan_stop(char stop);
	double TXT_dob_scan();
	float TXT_flt_scan();
	double TXT_dob_scan_sci();
	void TXT_str_scan_space(std::string* out);
	void TXT_str_scan_comma(std::string* out);
	void TXT_str_scan_eoln(std::string* out);
	bool TXT_str_scan_match(char const* word, int allow_eol);

	int byte_swap;      // 1: the file's 4-byte words are big-endian
	std::string name;   // shown in the bad-type alert
	int io_mode;        // 0 read, 1 write
	char const* begin;  // null when nothing is mapped
	char const* cursor;
	char const* end;    // one past the last byte; never read
	int fd;             // -1 when none

private:
	void release();
	void skip_blanks();
	unsigned scan_digits(char stop, bool use_stop);
	int scan_signed(char stop, bool use_stop);
	double scan_decimal(bool sci);
	size_t mapped_length;  // what munmap must release, guard page included
};

// Opens ouf on app_path + name (extension in lower case) and writes the
// header; 1 on success, 0 after the write-failure alert. Anything there but
// a regular file is refused; the file is written beside and takes the old
// one's place when ouf is closed.
int ouf_open(std::string name, int type, int version, std::string header_text);
