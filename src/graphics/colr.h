// The palette: the 100 numbered colours every 2-D drawing call picks from,
// the tint of the low numbers, a brightening ramp and the colour spectrum
// with its scale bar.
#pragma once

// Control colours of the rainbow spectrum: red, orange, yellow, green,
// blue, violet.
extern float const roygbv_rgb_loc[6][3];

class colr_class {
public:
	colr_class();
	~colr_class() {}

	// Entry col must be 0..99; anything else is a fatal misuse.
	void assign(int col, float r, float g, float b);
	void spectrum_init(int type);
	void spectrum_plotscale(float x, float y, float lo, float hi);
	void set_lites_for_interface();
	void set_lit_col(int col_type);

	// Entry col for reading, with the same misuse check as assign.
	float const* entry(int col) const;

	unsigned char gamma_ramp[256];
	float rgb[100][3];
	float tint[3];
	float scale_lo, scale_hi, scale_span;
	float spectrum[1000][3];
};

extern colr_class colr;

// Spectrum entry for the scale point of value v (lo, span as recorded by
// spectrum_plotscale); an undefined result gives 0.
int colr_scale_index(float v, float lo, float span);
