// Shared between the source files of unit acft; not for other units.
#pragma once

// Alerts of the unit name this source.
extern char const acft_source_name[];

// Engine type groups, as the has_this_engn kinds: 1 drives a propeller
// (0, 1, 2, 3, 7, 8), 2 has a manifold pressure (0, 1), 3 jet (4, 5),
// 4 rocket (6, 7).
bool acft_type_in_kind(int type, int kind);
