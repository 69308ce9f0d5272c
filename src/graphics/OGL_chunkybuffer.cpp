#include "graphics/OGL_chunkybuffer.h"

#include <GL/glext.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/UTL_stat.h"
#include "foundation/alert.h"
#include "graphics/OGL_extensions.h"

namespace {

// What the two targets hold, as far as the bind calls know; every bind of
// these targets in the program goes through them.
unsigned long last_vbo = 0;
unsigned long last_vbo_ind = 0;

void count_bind()
{
	static UTL_stat num_xdl_group_bind("num_xdl_bind", stat_render, 0.0f);
	*num_xdl_group_bind.value += 1.0f;
}

void count_bind_ind()
{
	static UTL_stat num_xdl_group_bind_ind("num_xdl_bind_ind", stat_render, 0.0f);
	*num_xdl_group_bind_ind.value += 1.0f;
}

void misuse(char const* text, int line)
{
	__VEDEZE_alert(0, text, "", "", "", 2, "OGL_chunkybuffer", line);
}

// A call through a missing entry point would jump to address 0.
void need(void const* proc, char const* name, int line)
{
	if (!proc) __VEDEZE_alert(0, "Missing OpenGL entry point", name, "", "", 2, "OGL_chunkybuffer", line);
}

OGL_chunkybuffer::chunk* new_chunk()
{
	auto* c = static_cast<OGL_chunkybuffer::chunk*>(std::malloc(sizeof(OGL_chunkybuffer::chunk)));
	if (!c) misuse("Out of memory for vertex data.", __LINE__);
	c->next = nullptr;
	c->free_bytes = sizeof(c->data);
	return c;
}

std::uint32_t used(OGL_chunkybuffer::chunk const* c)
{
	return static_cast<std::uint32_t>(sizeof(c->data)) - c->free_bytes;
}

void bind_if_changed(GLenum target, unsigned long vbo, unsigned long* last, void (*count)())
{
	if (vbo == *last) return;
	need(reinterpret_cast<void const*>(glExt.glBindBufferARB), "glBindBufferARB", __LINE__);
	count();
	glExt.glBindBufferARB(target, static_cast<GLuint>(vbo));
	*last = vbo;
}

}  // namespace

void OGL_bind_vbo(unsigned long const& vbo) { bind_if_changed(GL_ARRAY_BUFFER_ARB, vbo, &last_vbo, count_bind); }

void OGL_bind_vbo_ind(unsigned long const& vbo)
{
	bind_if_changed(GL_ELEMENT_ARRAY_BUFFER_ARB, vbo, &last_vbo_ind, count_bind_ind);
}

OGL_chunkybuffer::OGL_chunkybuffer()
    : mem(nullptr), vbo(0), total_size(0), first_sub(nullptr), last_sub(nullptr), finalized(0)
{
}

OGL_chunkybuffer::subregion* OGL_chunkybuffer::new_subregion()
{
	if (finalized) misuse("A subregion was added to a packed vertex buffer.", __LINE__);
	auto* s = static_cast<subregion*>(std::malloc(sizeof(subregion)));
	if (!s) misuse("Out of memory for vertex data.", __LINE__);
	s->next = nullptr;
	s->first_chunk = s->cur_chunk = new_chunk();
	s->write_ptr = s->cur_chunk->data;
	s->offset = 0;
	if (last_sub)
		last_sub->next = s;
	else
		first_sub = s;
	last_sub = s;
	return s;
}

void OGL_chunkybuffer::append(subregion* s, void const* data, std::size_t bytes)
{
	if (!s) misuse("Bytes were appended to no subregion.", __LINE__);
	if (finalized || !s->cur_chunk) misuse("Bytes were appended to a packed vertex buffer.", __LINE__);
	auto const* src = static_cast<unsigned char const*>(data);
	while (bytes > 0) {
		chunk* c = s->cur_chunk;
		if (c->free_bytes == 0) {
			c->next = new_chunk();
			s->cur_chunk = c = c->next;
			s->write_ptr = c->data;
		}
		std::size_t const n = bytes < c->free_bytes ? bytes : c->free_bytes;
		std::memcpy(s->write_ptr, src, n);
		s->write_ptr += n;
		c->free_bytes -= static_cast<std::uint32_t>(n);
		src += n;
		bytes -= n;
	}
}

void OGL_chunkybuffer::calc_offsets()
{
	total_size = 0;
	for (subregion* s = first_sub; s; s = s->next) {
		s->offset = total_size;
		for (chunk* c = s->first_chunk; c; c = c->next) total_size += used(c);
	}
}

void OGL_chunkybuffer::free_chunks(subregion* s)
{
	for (chunk* c = s->first_chunk; c;) {
		chunk* next = c->next;
		std::free(c);
		c = next;
	}
	s->first_chunk = s->cur_chunk = nullptr;
	s->write_ptr = nullptr;
}

void OGL_chunkybuffer::finalize_mem()
{
	if (finalized) misuse("A vertex buffer was packed twice.", __LINE__);
	calc_offsets();
	mem = std::malloc(total_size ? total_size : 1);
	if (!mem) misuse("Out of memory for vertex data.", __LINE__);
	auto* dst = static_cast<unsigned char*>(mem);
	for (subregion* s = first_sub; s; s = s->next) {
		for (chunk* c = s->first_chunk; c; c = c->next) {
			std::memcpy(dst, c->data, used(c));
			dst += used(c);
		}
		free_chunks(s);
	}
	finalized = 1;
}

void OGL_chunkybuffer::finalize_vbo(int static_data)
{
	if (finalized) misuse("A vertex buffer was packed twice.", __LINE__);
	need(reinterpret_cast<void const*>(glExt.glGenBuffersARB), "glGenBuffersARB", __LINE__);
	need(reinterpret_cast<void const*>(glExt.glBufferDataARB), "glBufferDataARB", __LINE__);
	need(reinterpret_cast<void const*>(glExt.glBufferSubDataARB), "glBufferSubDataARB", __LINE__);
	calc_offsets();
	glExt.glGenBuffersARB(1, &vbo);
	OGL_bind_vbo(vbo);
	glExt.glBufferDataARB(GL_ARRAY_BUFFER_ARB, total_size, nullptr,
	                      static_data ? GL_STATIC_DRAW_ARB : GL_STREAM_DRAW_ARB);
	mem = nullptr;
	std::uint32_t offset = 0;
	for (subregion* s = first_sub; s; s = s->next) {
		for (chunk* c = s->first_chunk; c; c = c->next) {
			glExt.glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, offset, used(c), c->data);
			offset += used(c);
		}
		free_chunks(s);
	}
	finalized = 1;
}

void OGL_chunkybuffer::map()
{
	if (!vbo) return;
	need(reinterpret_cast<void const*>(glExt.glMapBufferARB), "glMapBufferARB", __LINE__);
	OGL_bind_vbo(vbo);
	mem = glExt.glMapBufferARB(GL_ARRAY_BUFFER_ARB, GL_WRITE_ONLY_ARB);
	if (!mem) __VEDEZE_alert(0, "Could not map a vertex buffer.", "", "", "", 2, "OGL_chunkybuffer", __LINE__);
}

void OGL_chunkybuffer::unmap()
{
	if (!vbo) return;
	need(reinterpret_cast<void const*>(glExt.glUnmapBufferARB), "glUnmapBufferARB", __LINE__);
	OGL_bind_vbo(vbo);
	glExt.glUnmapBufferARB(GL_ARRAY_BUFFER_ARB);
	if (last_vbo != 0) OGL_bind_vbo(0);
	mem = nullptr;
}

OGL_chunkybuffer::~OGL_chunkybuffer()
{
	if (vbo) {
		if (mem) misuse("A vertex buffer was destroyed while mapped.", __LINE__);
		need(reinterpret_cast<void const*>(glExt.glDeleteBuffersARB), "glDeleteBuffersARB", __LINE__);
		if (last_vbo != 0) OGL_bind_vbo(0);
		if (last_vbo_ind != 0) OGL_bind_vbo_ind(0);
		glExt.glDeleteBuffersARB(1, &vbo);
	}
	std::free(mem);
	for (subregion* s = first_sub; s;) {
		subregion* next = s->next;
		free_chunks(s);
		std::free(s);
		s = next;
	}
}
