// GPU programs from a temporary "Resources/shaders/" on a real context:
// binding through the cache, reloading, the compile-error alert that lets
// the author fix the file, and the remote command.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "foundation/UTL_remote_cmd.h"
#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "graphics/OGL_extensions.h"
#include "graphics/OGL_shader.h"
#include "support/probed_gl_test.h"

namespace {

char const* const good_fp = "!!ARBfp1.0\nMOV result.color, fragment.color;\nEND\n";
char const* const other_fp = "!!ARBfp1.0\nMOV result.color, fragment.texcoord[0];\nEND\n";
char const* const good_vp = "!!ARBvp1.0\nMOV result.position, vertex.position;\nEND\n";
char const* const broken_fp = "!!ARBfp1.0\nMOVE result.color, fragment.color;\nEND\n";

// Counts the program binds that reach GL.
PFNGLBINDPROGRAMARBPROC real_bind = nullptr;
int bind_calls = 0;
void APIENTRY counting_bind(GLenum target, GLuint id)
{
	++bind_calls;
	real_bind(target, id);
}

// Submissions that the driver accepts but that leave an error without a
// position behind, as a driver may.
PFNGLPROGRAMSTRINGARBPROC real_string = nullptr;
int failing_submits = 0;
void APIENTRY flaky_string(GLenum target, GLenum format, GLsizei len, void const* text)
{
	real_string(target, format, len, text);
	if (failing_submits > 0) {
		--failing_submits;
		glEnable(0xBAD);  // GL_INVALID_ENUM
	}
}

struct seen_alert {
	std::string m1, m2, m3, m4, position;
	int severity;
	std::string gl_text;  // the driver's error text while the alert was up
	GLint gl_position;
};
std::vector<seen_alert> seen;
std::string fix_path, fix_text;  // what the author writes while the alert is up

void author_alert(int, std::string const& m1, std::string const& m2, std::string const& m3, std::string const& m4,
                  std::string const& position, int severity)
{
	char const* t = reinterpret_cast<char const*>(glGetString(GL_PROGRAM_ERROR_STRING_ARB));
	GLint p = -2;
	glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &p);
	seen.push_back({m1, m2, m3, m4, position, severity, t ? t : "", p});
	if (!fix_path.empty()) write_text_file(fix_path, fix_text);
}

struct ShaderTest : probed_gl_test<16, 16> {
	void SetUp() override
	{
		probed_gl_test::SetUp();
		ASSERT_TRUE(glExt.vshader_avail && glExt.fshader_avail);
		app_path = dir.path();
		mkdir((dir.path() + "Resources").c_str(), 0700);
		mkdir((dir.path() + "Resources/shaders").c_str(), 0700);
		seen.clear();
		fix_path.clear();
		ogl_inited = 1;
		alert_set_window_display(author_alert);
	}
	std::string file(char const* name) const { return dir.path() + "Resources/shaders/" + name; }
	void write(char const* name, char const* text) { write_text_file(file(name), text); }
};
using ShaderDeathTest = ShaderTest;

GLint binding(GLenum target)
{
	GLint id = -1;
	glExt.glGetProgramivARB(target, GL_PROGRAM_BINDING_ARB, &id);
	return id;
}

std::string program_text(OGL_shader const& s)
{
	GLenum const target = shader_types[s.type];
	GLint const old = binding(target);
	glExt.glBindProgramARB(target, s.program_id);
	GLint len = 0;
	glExt.glGetProgramivARB(target, GL_PROGRAM_LENGTH_ARB, &len);
	std::string text(static_cast<size_t>(len), '\0');
	glExt.glGetProgramStringARB(target, GL_PROGRAM_STRING_ARB, &text[0]);
	glExt.glBindProgramARB(target, static_cast<GLuint>(old));
	return text;
}

TEST_F(ShaderTest, BindingGoesThroughTheCache)
{
	write("f.txt", good_fp);
	write("v.txt", good_vp);
	OGL_shader f(0, "f.txt");
	auto* v = new OGL_shader(1, "v.txt");
	EXPECT_EQ(OGL_shader::shaders.size(), 2u);
	EXPECT_EQ(f.path, "Resources:shaders:f.txt");
	EXPECT_EQ(binding(GL_FRAGMENT_PROGRAM_ARB), 0);  // loading leaves nothing bound
	EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));

	real_bind = glExt.glBindProgramARB;
	glExt.glBindProgramARB = counting_bind;
	bind_calls = 0;
	f.bind();
	f.bind();
	EXPECT_EQ(bind_calls, 1);
	EXPECT_TRUE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
	EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
	v->bind();
	EXPECT_TRUE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
	EXPECT_TRUE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
	EXPECT_EQ(binding(GL_FRAGMENT_PROGRAM_ARB), static_cast<GLint>(f.program_id));
	EXPECT_EQ(binding(GL_VERTEX_PROGRAM_ARB), static_cast<GLint>(v->program_id));

	// Reloading keeps what each target had.
	OGL_shader::reload_all_shaders();
	EXPECT_EQ(binding(GL_FRAGMENT_PROGRAM_ARB), static_cast<GLint>(f.program_id));
	EXPECT_EQ(binding(GL_VERTEX_PROGRAM_ARB), static_cast<GLint>(v->program_id));

	OGL_shader::unbind_shaders();
	EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
	EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
	EXPECT_EQ(OGL_shader::current_shader[0], nullptr);
	EXPECT_EQ(OGL_shader::current_shader[1], nullptr);
	OGL_shader::reload_all_shaders();
	EXPECT_EQ(binding(GL_FRAGMENT_PROGRAM_ARB), 0);
	EXPECT_EQ(binding(GL_VERTEX_PROGRAM_ARB), 0);

	// Destroying the current vertex program switches off both targets.
	f.bind();
	v->bind();
	GLuint const vid = v->program_id;
	delete v;
	EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
	EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
	EXPECT_EQ(OGL_shader::current_shader[0], nullptr);
	EXPECT_FALSE(glExt.glIsProgramARB(vid));
	EXPECT_EQ(OGL_shader::shaders.count(&f), 1u);
	EXPECT_EQ(OGL_shader::shaders.size(), 1u);
	glExt.glBindProgramARB = real_bind;
	EXPECT_TRUE(seen.empty());
}

TEST_F(ShaderTest, CompileErrorIsShownAndTheFixedFileLoads)
{
	write("f.txt", broken_fp);
	fix_path = file("f.txt");
	fix_text = good_fp;
	OGL_shader f(0, "f.txt");
	ASSERT_EQ(seen.size(), 1u);
	seen_alert const& a = seen[0];
	EXPECT_EQ(a.m1, "There was an error with your fragment program");
	EXPECT_GT(a.gl_position, 0);
	EXPECT_EQ(a.m2, std::to_string(a.gl_position) + ".000000");  // GL's own position, "%f"
	EXPECT_EQ(stl_global, a.m2);
	EXPECT_EQ(a.m3, "");
	EXPECT_FALSE(a.gl_text.empty());
	EXPECT_EQ(a.m4, a.gl_text);
	EXPECT_EQ(a.position, "(OGL_shader line 89)");
	EXPECT_EQ(a.severity, 1);
	EXPECT_EQ(program_text(f), good_fp);
	EXPECT_NE(read_text_file(log).find("There was an error with your fragment program\n" + a.m2 + "\n"),
	          std::string::npos);
}

TEST_F(ShaderTest, ErrorsWithoutPositionAreRetriedQuietlyThenShown)
{
	write("f.txt", good_fp);
	real_string = glExt.glProgramStringARB;
	glExt.glProgramStringARB = flaky_string;
	struct row {
		int failures;
		size_t alerts;
	} const rows[] = {{3, 0}, {11, 1}};
	for (row const& r : rows) {
		seen.clear();
		failing_submits = r.failures;
		OGL_shader f(0, "f.txt");
		EXPECT_EQ(failing_submits, 0) << r.failures;
		ASSERT_EQ(seen.size(), r.alerts) << r.failures;
		if (r.alerts) {
			EXPECT_EQ(seen[0].m2, "-1.000000");
		}
		EXPECT_EQ(program_text(f), good_fp);
	}
	glExt.glProgramStringARB = real_string;
}

TEST_F(ShaderTest, AStaleErrorIsNotTakenForTheProgramsOwn)
{
	write("f.txt", good_fp);
	glEnable(0xBAD);  // someone else's error, still pending
	OGL_shader f(0, "f.txt");
	EXPECT_TRUE(seen.empty());
	EXPECT_EQ(program_text(f), good_fp);
}

TEST_F(ShaderTest, RemoteCommandReloadsEveryProgram)
{
	write("f.txt", good_fp);
	OGL_shader f(0, "f.txt");
	write("f.txt", other_fp);
	EXPECT_EQ(program_text(f), good_fp);
	int id = 0;
	for (UTL_remote_cmd* c = UTL_remote_cmd::cmd_list; c; c = c->next)
		if (std::string(c->name) == "Reload Pixel Shaders...") id = c->id;
	ASSERT_NE(id, 0);
	UTL_remote_cmd::invoke(nullptr, id);
	EXPECT_EQ(program_text(f), other_fp);
}

TEST_F(ShaderDeathTest, MissingFileEndsTheProgram)
{
	alert_printer_install();
	EXPECT_EXIT(OGL_shader(1, "nope.txt"), ::testing::ExitedWithCode(1),
	            "Unable to load shader\\|Resources:shaders:nope.txt\\|\\|You may need to reinstall Skyrell\\. "
	            "\\(OGL_shader line 75\\) severity 2");
}

}  // namespace
