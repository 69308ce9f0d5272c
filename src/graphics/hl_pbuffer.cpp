#include "graphics/hl_pbuffer.h"

#include <GL/glext.h>

#include <string>

#include "foundation/alert.h"
#include "graphics/OGL_extensions.h"
#include "graphics/tman.h"

skbuffer* SKBUFFER_cur = nullptr;

GLenum const attrib_argb[1] = {GL_NONE};
GLenum const attrib_argb_d[3] = {GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT24, GL_NONE};

namespace {

// Framebuffer entry points: the core names, else the older extension's,
// which take the same arguments and enumerants.
struct fbo_procs {
	PFNGLGENFRAMEBUFFERSPROC gen;
	PFNGLDELETEFRAMEBUFFERSPROC del;
	PFNGLBINDFRAMEBUFFERPROC bind;
	PFNGLFRAMEBUFFERTEXTURE2DPROC attach_tex;
	PFNGLCHECKFRAMEBUFFERSTATUSPROC status;
	PFNGLGENRENDERBUFFERSPROC gen_rb;
	PFNGLDELETERENDERBUFFERSPROC del_rb;
	PFNGLBINDRENDERBUFFERPROC bind_rb;
	PFNGLRENDERBUFFERSTORAGEPROC storage;
	PFNGLFRAMEBUFFERRENDERBUFFERPROC attach_rb;
};

template <typename T>
bool find_proc(T* out, char const* name)
{
	void* p = aglGetProcAddress(name);
	if (!p) p = aglGetProcAddress((std::string(name) + "EXT").c_str());
	*out = reinterpret_cast<T>(p);
	return p != nullptr;
}

// Null when the renderer lacks any of them.
fbo_procs const* procs()
{
	static fbo_procs f;
	static bool const ok = find_proc(&f.gen, "glGenFramebuffers") && find_proc(&f.del, "glDeleteFramebuffers") &&
	                       find_proc(&f.bind, "glBindFramebuffer") &&
	                       find_proc(&f.attach_tex, "glFramebufferTexture2D") &&
	                       find_proc(&f.status, "glCheckFramebufferStatus") &&
	                       find_proc(&f.gen_rb, "glGenRenderbuffers") &&
	                       find_proc(&f.del_rb, "glDeleteRenderbuffers") &&
	                       find_proc(&f.bind_rb, "glBindRenderbuffer") &&
	                       find_proc(&f.storage, "glRenderbufferStorage") &&
	                       find_proc(&f.attach_rb, "glFramebufferRenderbuffer");
	return ok ? &f : nullptr;
}

void misuse(char const* text, int line) { __VEDEZE_alert(0, text, "", "", "", 2, "hl_pbuffer", line); }

GLint current_framebuffer()
{
	GLint fb = 0;
	glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
	return fb;
}

// GL binds texture name 0 in place of a deleted one; the manager's cache
// must not claim otherwise.
void forget_bound(GLuint tex)
{
	for (int i = 0; i < tex_units_cached; ++i)
		if (tman.bound_tex[i] == static_cast<int>(tex)) tman.bound_tex[i] = -1;
}

}  // namespace

bool skbuffer_avail() { return glExt.pbuffer_avail != 0; }

skbuffer* skbuffer_create(int tex, int width, int height, int /*extra*/, bool depth)
{
	if (!glExt.pbuffer_avail) return nullptr;
	fbo_procs const* f = procs();
	if (!f) return nullptr;

	GLint const old_fb = current_framebuffer();
	GLint old_tex = 0;
	glGetIntegerv(GL_TEXTURE_BINDING_2D, &old_tex);

	// The texture gets an image of the buffer's size; the binding of the
	// current unit is put back so the texture manager's cache stays true.
	GLuint const name = static_cast<GLuint>(tex);
	glBindTexture(GL_TEXTURE_2D, name);
	glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
	glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
	glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
	glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(old_tex));

	GLuint fb = 0, rb = 0;
	f->gen(1, &fb);
	f->bind(GL_FRAMEBUFFER, fb);
	f->attach_tex(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, 0);

	GLenum const* formats = depth ? attrib_argb_d : attrib_argb;
	bool complete = false;
	if (formats[0] == GL_NONE) complete = f->status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
	for (; formats[0] != GL_NONE && !complete; ++formats) {
		if (!rb) f->gen_rb(1, &rb);
		f->bind_rb(GL_RENDERBUFFER, rb);
		f->storage(GL_RENDERBUFFER, formats[0], width, height);
		f->bind_rb(GL_RENDERBUFFER, 0);
		f->attach_rb(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb);
		complete = f->status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
	}

	f->bind(GL_FRAMEBUFFER, static_cast<GLuint>(old_fb));
	if (!complete) {
		// An unsupported format or size leaves its error behind; it is ours.
		while (glGetError() != GL_NO_ERROR) {
		}
		f->del(1, &fb);
		if (rb) f->del_rb(1, &rb);
		return nullptr;
	}
	skbuffer* p = new skbuffer();
	p->tex = name;
	p->ctx = fb;
	p->pbuf = rb;
	p->width = width;
	p->height = height;
	return p;
}

void skbuffer_destroy(skbuffer* p)
{
	if (!p) return;
	if (SKBUFFER_cur == p) misuse("Error: skbuffer_destroy called without skbuffer_draw_end called.", 128);
	if (current_framebuffer() == static_cast<GLint>(p->ctx))
		misuse("Error: destroying a pbuffer, but we are still using it as our context.", 130);
	glDeleteTextures(1, &p->tex);
	forget_bound(p->tex);
	fbo_procs const* f = procs();
	f->del(1, &p->ctx);
	if (p->pbuf) f->del_rb(1, &p->pbuf);
	delete p;
}

void skbuffer_draw_begin(skbuffer* p)
{
	if (SKBUFFER_cur == p) misuse("skbuffer_draw_begin called twice on the same pbuffer.", 140);
	if (SKBUFFER_cur) misuse("skbuffer_draw_begin called while darwing into another pbuffer.", 142);
	p->old_ctx.framebuffer = current_framebuffer();
	glGetIntegerv(GL_VIEWPORT, p->old_ctx.viewport);
	procs()->bind(GL_FRAMEBUFFER, p->ctx);
	glViewport(0, 0, p->width, p->height);
	SKBUFFER_cur = p;
}

void skbuffer_draw_end(skbuffer* p)
{
	if (!SKBUFFER_cur) misuse("skbuffer_draw_end while not drawing to a pbuffer.", 151);
	if (SKBUFFER_cur != p) misuse("skbuffer_draw_end called on the wrong pbuffer.", 153);
	procs()->bind(GL_FRAMEBUFFER, static_cast<GLuint>(p->old_ctx.framebuffer));
	GLint const* v = p->old_ctx.viewport;
	glViewport(v[0], v[1], v[2], v[3]);
	SKBUFFER_cur = nullptr;
}

void skbuffer_bind(skbuffer* p)
{
	if (SKBUFFER_cur == p) misuse("skbuffer_bind called while drawing to this pbuffer.", 161);
	if (SKBUFFER_cur) misuse("skbuffer_bind called while drawing to a pbuffer.", 163);
	glBindTexture(GL_TEXTURE_2D, p->tex);
	GLint unit = GL_TEXTURE0;
	glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
	unit -= GL_TEXTURE0;
	if (unit >= 0 && unit < tex_units_cached) tman.bound_tex[unit] = static_cast<int>(p->tex);
}
