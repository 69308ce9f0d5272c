// Off-screen drawing into a texture: a framebuffer object of the one GL
// context whose colour image is an existing texture, so the result is drawn
// with as it stands, without a copy. Being in the same context, the render
// state and texture caches stay true while drawing off-screen. Only one
// buffer is drawn into at a time; a misuse of that protocol is fatal.
#pragma once
#include <GL/gl.h>

// What draw_begin replaces and draw_end puts back.
struct skbuffer_binding {
	GLint framebuffer;
	GLint viewport[4];
};

struct skbuffer {
	GLuint tex;                // the texture whose image is drawn into
	GLuint ctx;                // the framebuffer object
	GLuint pbuf;               // its depth renderbuffer, 0 without depth
	skbuffer_binding old_ctx;  // binding and viewport while drawing
	int width, height;
};

extern skbuffer* SKBUFFER_cur;  // the buffer being drawn into, null when none

// Depth formats to try, best first, ending in GL_NONE; the colour image is
// always RGBA.
extern GLenum const attrib_argb[1];    // without depth
extern GLenum const attrib_argb_d[3];  // with depth: 32 bits, else 24

// A buffer drawing into texture tex (width x height), or null when
// off-screen buffers are not available or a step fails (what was made so
// far is released). extra is not used.
skbuffer* skbuffer_create(int tex, int width, int height, int extra, bool depth);
bool skbuffer_avail();
// Deletes the buffer and the texture it was made for.
void skbuffer_destroy(skbuffer* p);
void skbuffer_draw_begin(skbuffer* p);
void skbuffer_draw_end(skbuffer* p);
// Binds the buffer's texture on the current texture unit.
void skbuffer_bind(skbuffer* p);
