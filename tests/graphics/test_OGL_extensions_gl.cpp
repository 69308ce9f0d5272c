// The capability probe on Mesa's software renderer.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <sstream>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/OGL_extensions.h"
#include "support/gl_context.h"
#include "support/logged_test.h"

namespace {

std::vector<std::string> lines_of(std::string const& text)
{
	std::vector<std::string> out;
	std::istringstream in(text);
	for (std::string line; std::getline(in, line);) out.push_back(line);
	return out;
}

std::string gl_string(GLenum which) { return reinterpret_cast<char const*>(glGetString(which)); }

using RealProbe = logged_test;

}  // namespace

TEST_F(RealProbe, SoftwareRendererPassesWithoutAlert)
{
	gl_test_context gl;
	ASSERT_TRUE(gl.ok()) << gl.error();
	ASSERT_EQ(glExt.init_entry_points(), 0);
	xer << std::fixed;
	gl.probe();
	EXPECT_TRUE(recorded_alerts().empty());

	std::vector<std::string> const got = lines_of(read_text_file(log));
	ASSERT_EQ(got.size(), 25u) << read_text_file(log);
	GLint units = 0, size = 0;
	glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
	glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
	std::vector<std::string> const want_prefix = {
	    "OpenGL Situation :",
	    "OpenGL Vendor    :" + gl_string(GL_VENDOR),
	    "OpenGL Render    :" + gl_string(GL_RENDERER),
	    "OpenGL Version   :" + gl_string(GL_VERSION),
	    "OpenGL Extensions:" + gl_string(GL_EXTENSIONS),
	    "tex_clamp_avail=1", "add_env_avail  =1", "combine_avail  =1", "dis_fog_avail  =", "tex_comp_avail =1",
	    "vbo_avail      =1", "pbuffer_avail  =0", "vshader_avail  =1 (", "fshader_avail  =1 (",
	    "automini_avail =1", "aniso_avail    =", "fsaa_avail     =1", "sprites_avail  =1", "depth_tex_avail=1",
	    "occlude_avail  =1",
	    "max tex units    :" + std::to_string(units) + " (", "max iso filtering:",
	    "max texture size :" + std::to_string(size), "max pbuffer_avail:0", "max point size   :",
	};
	for (size_t i = 0; i < want_prefix.size(); ++i)
		EXPECT_EQ(got[i].rfind(want_prefix[i], 0), 0u) << "line " << i << ": " << got[i];

	EXPECT_EQ(ren.tex_units, units);
	EXPECT_GT(ren.tex_units, 1);
	EXPECT_STREQ(ren.gl_renderer, gl_string(GL_RENDERER).c_str());
	EXPECT_EQ(glExt.multitex_avail, 1);
	EXPECT_GE(OGL_version_number(ren.gl_version), 210);
	// The looked-up entry points are live: a buffer made through them is a buffer.
	ASSERT_NE(glExt.glGenBuffersARB, nullptr);
	GLuint buffer = 0;
	glExt.glGenBuffersARB(1, &buffer);
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
	EXPECT_EQ(glExt.glIsBufferARB(buffer), GL_TRUE);
	glExt.glDeleteBuffersARB(1, &buffer);
	EXPECT_NE(glExt.glGetQueryObjectuivARB, nullptr);
}

TEST_F(RealProbe, OldVersionWithoutBufferExtensionHasNoBuffers)
{
	setenv("MESA_GL_VERSION_OVERRIDE", "1.4", 1);
	setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_vertex_buffer_object", 1);
	// Only this test's context: the next test's is the renderer's own.
	struct unset_overrides {
		~unset_overrides()
		{
			unsetenv("MESA_GL_VERSION_OVERRIDE");
			unsetenv("MESA_EXTENSION_OVERRIDE");
		}
	} const unset_after;
	gl_test_context gl;
	ASSERT_TRUE(gl.ok()) << gl.error();
	ASSERT_EQ(gl_string(GL_VERSION).rfind("1.4", 0), 0u) << gl_string(GL_VERSION);
	glExt = OGL_extensions();  // no entry point left from an earlier probe
	gl.probe();
	EXPECT_EQ(glExt.vbo_avail, 0);
	EXPECT_EQ(glExt.glBindBufferARB, nullptr);
	EXPECT_NE(read_text_file(log).find("\nvbo_avail      =0\n"), std::string::npos) << read_text_file(log);
	EXPECT_TRUE(recorded_alerts().empty());
}
