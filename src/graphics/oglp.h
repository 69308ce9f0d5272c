// The layer between the drawing code and GL's global state: the render-state
// cache, the viewport and projection, the 1024 x 768 layout of the window,
// blending, scissor, polygon-offset and specular helpers, a few immediate
// 3-D primitives, and the start-up GL state.
#pragma once

// Texture units that OGL_setstate last enabled, after clamping.
extern int num_units;

// Applies a whole render state, calling GL only for what differs from the
// cached state. Codes: fog 0 on, else off; texture units to enable from unit
// 0; lighting 2 on, else off; alpha 4 none, 5 blend, 6 alpha test, 7 both;
// depth test 8 on, else off; depth writes 10 on, else off.
void OGL_setstate(int fog, int tex_units, int lighting, int alpha, int depth_test, int depth_write);

// Mode 2: the whole window in pixels (orthographic); mode 3: a frustum
// scaled by near. Sets the GL viewport and loads the camera's matrices.
void OGL_viewport(int mode, float left, float vx1, float bottom, float vy1, float right, float vx2, float top,
                  float vy2, float near, float far, float zoom);
void OGL_pix_specs(int unused);
void OGL_glow_colors();
void OGL_nrml_colors();
void OGL_scissors(float x, float y, float w, float h);
void OGL_scissors_end();
void OGL_poly_offset(int n);
void OGL_setspec(float s);
void OGL_3dline(float x1, float y1, float z1, float x2, float y2, float z2);
void OGL_3dquad(float const* p1, float const* p2, float const* p3, float const* p4);
void OGL_3dquad_st(float const* p1, float const* p2, float const* p3, float const* p4, float s1, float t1, float s2,
                   float t2);
void OGL_cube(float x, float y, float z, float w, float h, float d, float s1, float s2, float t1, float t2,
              float heading);
void OGL_disc(float x, float y, float z, float r);
void OGL_printer();

// The GL state the program starts from, set once the context is current
// (multisample > 0 enables multisampling); the render-state cache is read
// afresh from it at the next OGL_setstate.
void OGL_init_state(int multisample);

class oglp_class {
public:
	float glyph_scale = 1.0f;  // drawn glyph size multiplier, when above 1
	~oglp_class() {}
};

extern oglp_class oglp;
