// The relative path of a 1-degree scenery tile's file, in its 10 x 10-degree
// folder: "+40-130/+47-123.dsf".
#pragma once
#include <string>

// Latitude first. Always 19 characters: a field too narrow for its value
// writes "0" for the digit that does not fit.
void return_latlon_str_dsf(int lat, int lon, std::string* out);
