// Vertex data packing on a real context: offsets and bytes of the packed
// block, the buffer object's usage and contents, mapping, the bind caches
// with their counters, and misuse.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "foundation/UTL_stat.h"
#include "graphics/OGL_chunkybuffer.h"
#include "graphics/OGL_extensions.h"
#include "support/probed_gl_test.h"

namespace {

struct ChunkyTest : probed_gl_test<16, 16> {
	void SetUp() override
	{
		probed_gl_test::SetUp();
		ASSERT_TRUE(glExt.vbo_avail);
	}
};
using ChunkyDeathTest = ChunkyTest;

// The counter's value, 0 before it exists.
float counter(char const* name)
{
	for (UTL_stat* s = UTL_stat::waiting; s; s = s->next)
		if (std::string(s->name) == name) return *s->value;
	for (UTL_stat* s : UTL_stat::all_stats()[stat_render])
		if (std::string(s->name) == name) return *s->value;
	return 0.0f;
}

// n bytes that differ from those of any other seed at most positions.
std::vector<unsigned char> pattern(size_t n, int seed)
{
	std::vector<unsigned char> v(n);
	for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 7 + seed * 31 + i / 251);
	return v;
}

// Subregions of the given sizes, written in pieces of up to 300 bytes; the
// bytes of all of them back to back.
std::vector<unsigned char> fill(OGL_chunkybuffer& b, std::vector<size_t> const& sizes)
{
	std::vector<unsigned char> all;
	int seed = 0;
	for (size_t n : sizes) {
		OGL_chunkybuffer::subregion* s = b.new_subregion();
		std::vector<unsigned char> bytes = pattern(n, ++seed);
		for (size_t at = 0; at < n; at += 300) b.append(s, bytes.data() + at, std::min<size_t>(300, n - at));
		all.insert(all.end(), bytes.begin(), bytes.end());
	}
	return all;
}

std::vector<unsigned char> buffer_bytes(GLuint vbo, size_t n)
{
	std::vector<unsigned char> out(n);
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, vbo);
	glExt.glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, static_cast<GLsizeiptrARB>(n), out.data());
	return out;
}

GLint get_int(GLenum pname)
{
	GLint v = -1;
	glGetIntegerv(pname, &v);
	return v;
}

TEST_F(ChunkyTest, SubregionsPackBackToBackInOrder)
{
	OGL_chunkybuffer b;
	std::vector<unsigned char> const all = fill(b, {10, 2000, 0});
	OGL_chunkybuffer::subregion* s[3] = {b.first_sub, b.first_sub->next, b.first_sub->next->next};
	EXPECT_EQ(b.last_sub, s[2]);
	// The second spans two chunks.
	ASSERT_NE(s[1]->first_chunk->next, nullptr);
	EXPECT_EQ(s[1]->first_chunk->free_bytes, 0u);
	EXPECT_EQ(s[1]->first_chunk->next->free_bytes, 1024u - 976u);
	EXPECT_EQ(s[1]->first_chunk->next->next, nullptr);

	b.calc_offsets();
	EXPECT_EQ(s[0]->offset, 0u);
	EXPECT_EQ(s[1]->offset, 10u);
	EXPECT_EQ(s[2]->offset, 2010u);
	EXPECT_EQ(b.total_size, 2010u);

	b.finalize_mem();
	ASSERT_NE(b.mem, nullptr);
	EXPECT_EQ(b.total_size, 2010u);
	EXPECT_EQ(std::memcmp(b.mem, all.data(), all.size()), 0);
	for (auto* sub : s) EXPECT_EQ(sub->first_chunk, nullptr);
	EXPECT_EQ(s[2]->offset, 2010u);  // the records stay with their offsets

	void* const block = b.mem;
	b.map();  // no buffer object: nothing happens
	b.unmap();
	EXPECT_EQ(b.mem, block);
}

TEST_F(ChunkyTest, EmptyBuffersPackToNothing)
{
	OGL_chunkybuffer in_mem, in_vbo;
	in_mem.finalize_mem();
	EXPECT_EQ(in_mem.total_size, 0u);
	in_vbo.finalize_vbo(1);
	EXPECT_EQ(in_vbo.total_size, 0u);
	EXPECT_NE(in_vbo.vbo, 0u);
	EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ChunkyTest, BufferObjectHoldsTheBytesWithItsUsage)
{
	struct row {
		int static_data;
		GLint usage;
	} const rows[] = {{1, GL_STATIC_DRAW_ARB}, {0, GL_STREAM_DRAW_ARB}};
	for (row const& r : rows) {
		OGL_chunkybuffer b;
		std::vector<unsigned char> const all = fill(b, {3, 1024, 1500, 1});
		float const binds = counter("num_xdl_bind");
		b.finalize_vbo(r.static_data);
		EXPECT_EQ(counter("num_xdl_bind"), binds + 1);
		EXPECT_EQ(get_int(GL_ARRAY_BUFFER_BINDING_ARB), static_cast<GLint>(b.vbo));  // stays bound
		EXPECT_EQ(b.mem, nullptr);
		GLint usage = 0, size = 0;
		glExt.glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_USAGE_ARB, &usage);
		glExt.glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
		EXPECT_EQ(usage, r.usage);
		EXPECT_EQ(size, 3 + 1024 + 1500 + 1);

		OGL_bind_vbo(b.vbo);  // already bound: no bind, no count
		EXPECT_EQ(counter("num_xdl_bind"), binds + 1);
		EXPECT_EQ(buffer_bytes(b.vbo, all.size()), all);
		OGL_bind_vbo(0);
	}
}

TEST_F(ChunkyTest, MappedBufferIsRewrittenInPlace)
{
	OGL_chunkybuffer b;
	std::vector<unsigned char> all = fill(b, {100, 50});
	b.finalize_vbo(0);
	b.map();
	ASSERT_NE(b.mem, nullptr);
	std::vector<unsigned char> const second = pattern(50, 9);
	std::memcpy(static_cast<unsigned char*>(b.mem) + b.last_sub->offset, second.data(), 50);
	std::memcpy(all.data() + 100, second.data(), 50);
	float const binds = counter("num_xdl_bind");
	b.unmap();
	EXPECT_EQ(b.mem, nullptr);
	EXPECT_EQ(get_int(GL_ARRAY_BUFFER_BINDING_ARB), 0);  // unmapping unbinds, counted
	EXPECT_EQ(counter("num_xdl_bind"), binds + 1);
	EXPECT_EQ(buffer_bytes(b.vbo, all.size()), all);
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);

	// Mapping again maps the same object with the same size.
	b.map();
	ASSERT_NE(b.mem, nullptr);
	b.unmap();
	EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ChunkyTest, BindCachesCountRealBinds)
{
	GLuint names[2];
	glExt.glGenBuffersARB(2, names);
	unsigned long const a = names[0], b = names[1];
	struct row {
		void (*bind)(unsigned long const&);
		char const* counter;
		GLenum binding;
	} const rows[] = {
	    {OGL_bind_vbo, "num_xdl_bind", GL_ARRAY_BUFFER_BINDING_ARB},
	    {OGL_bind_vbo_ind, "num_xdl_bind_ind", GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB},
	};
	for (row const& r : rows) {
		float const start = counter(r.counter);
		r.bind(a);
		r.bind(a);
		EXPECT_EQ(counter(r.counter), start + 1) << r.counter;
		r.bind(b);
		r.bind(a);
		r.bind(b);
		EXPECT_EQ(counter(r.counter), start + 4) << r.counter;
		EXPECT_EQ(get_int(r.binding), static_cast<GLint>(b));
		r.bind(0);  // unbinding counts like any bind
		EXPECT_EQ(counter(r.counter), start + 5) << r.counter;
		EXPECT_EQ(get_int(r.binding), 0);
	}
	glExt.glDeleteBuffersARB(2, names);
}

TEST_F(ChunkyTest, DestroyingUnbindsBothTargets)
{
	auto* b = new OGL_chunkybuffer;
	fill(*b, {40});
	b->finalize_vbo(1);
	GLuint const vbo = b->vbo;
	unsigned long const ind = vbo;
	OGL_bind_vbo_ind(ind);
	delete b;
	EXPECT_EQ(get_int(GL_ARRAY_BUFFER_BINDING_ARB), 0);
	EXPECT_EQ(get_int(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB), 0);
	EXPECT_FALSE(glExt.glIsBufferARB(vbo));
	// The cache knows the target is empty: binding 0 is no bind.
	float const start = counter("num_xdl_bind");
	OGL_bind_vbo(0);
	EXPECT_EQ(counter("num_xdl_bind"), start);
}

TEST_F(ChunkyDeathTest, MisuseEndsTheProgram)
{
	alert_printer_install();
	struct row {
		char const* what;
		std::function<void()> steps;
		char const* alert;
	} const rows[] = {
	    {"append after packing",
	     [] {
		     OGL_chunkybuffer b;
		     OGL_chunkybuffer::subregion* s = b.new_subregion();
		     b.finalize_mem();
		     b.append(s, "abc", 3);
	     },
	     "Bytes were appended to a packed vertex buffer\\..*OGL_chunkybuffer line [0-9]+.*severity 2"},
	    {"packing twice",
	     [] {
		     OGL_chunkybuffer b;
		     b.finalize_vbo(1);
		     b.finalize_mem();
	     },
	     "A vertex buffer was packed twice\\..*severity 2"},
	    {"destroying while mapped",
	     [] {
		     OGL_chunkybuffer b;
		     b.append(b.new_subregion(), "abcd", 4);
		     b.finalize_vbo(1);
		     b.map();
	     },
	     "A vertex buffer was destroyed while mapped\\..*severity 2"},
	    {"no buffer entry points",
	     [] {
		     glExt.glGenBuffersARB = nullptr;
		     OGL_chunkybuffer b;
		     b.finalize_vbo(1);
	     },
	     "Missing OpenGL entry point\\|glGenBuffersARB\\|.*severity 2"},
	};
	for (row const& r : rows) {
		EXPECT_EXIT(
		    {
			    r.steps();
			    std::exit(0);
		    },
		    ::testing::ExitedWithCode(1), r.alert)
		    << r.what;
	}
}

}  // namespace
