// What the log's system line reports: kernel release, processor family and
// speed, memory. Each reader gives false when the fact cannot be had.
#pragma once
#include <string>

// The first three numbers of the kernel release ("6.1.0-18-amd64" -> 6, 1, 0).
bool PLT_kernel_release(int out[3]);
bool PLT_parse_release(std::string const& release, int out[3]);
// "cpu family" and the whole part of "cpu MHz" of the first processor.
bool PLT_cpu_family(int* out);
bool PLT_cpu_mhz(int* out);
bool PLT_parse_cpuinfo_field(std::string const& cpuinfo, char const* key, int* out);
// Physical memory in MB.
bool PLT_ram_mb(long* out);
