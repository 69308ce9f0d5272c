#include "graphics/OGL_shader.h"

#include <GL/glext.h>

#include <cstdio>
#include <mutex>

#include "foundation/UTL_remote_cmd.h"
#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/xmap.h"
#include "graphics/OGL_extensions.h"

GLenum const shader_types[2] = {GL_FRAGMENT_PROGRAM_ARB, GL_VERTEX_PROGRAM_ARB};

std::set<OGL_shader*> OGL_shader::shaders;
OGL_shader* OGL_shader::current_shader[2] = {nullptr, nullptr};

// After the registry, which it reloads.
static UTL_remote_cmd cmd_do_pick_tex("Reload Pixel Shaders...", OGL_shader::reload_all_shaders);

namespace {

// Errors without a position are retried quietly this often before the
// author is shown them; a driver that keeps failing so would hang us.
int const max_silent_retries = 10;

// A call through a missing entry point would jump to address 0.
void need_programs(int line)
{
	char const* missing = !glExt.glGenProgramsARB      ? "glGenProgramsARB"
	                      : !glExt.glDeleteProgramsARB ? "glDeleteProgramsARB"
	                      : !glExt.glBindProgramARB    ? "glBindProgramARB"
	                      : !glExt.glProgramStringARB  ? "glProgramStringARB"
	                      : !glExt.glGetProgramivARB   ? "glGetProgramivARB"
	                                                   : nullptr;
	if (missing) __VEDEZE_alert(0, "Missing OpenGL entry point", missing, "", "", 2, "OGL_shader", line);
}

void unable_to_load(std::string const& path)
{
	__VEDEZE_alert(0, "Unable to load shader", path, "", "You may need to reinstall Skyrell.", 2, "OGL_shader", 75);
}

}  // namespace

OGL_shader::OGL_shader(int type_, char const* name) : program_id(0), type(type_)
{
	if (type_ != 0 && type_ != 1)
		__VEDEZE_alert(0, "Bad shader type", name ? name : "", "", "", 2, "OGL_shader", __LINE__);
	need_programs(__LINE__);
	shaders.insert(this);
	glExt.glGenProgramsARB(1, &program_id);
	path = std::string("Resources:shaders:") + (name ? name : "");
	reload();
}

OGL_shader::~OGL_shader()
{
	if (current_shader[type] == this) unbind_shaders();
	glExt.glDeleteProgramsARB(1, &program_id);
	shaders.erase(this);
}

void OGL_shader::bind()
{
	if (current_shader[type] == this) return;
	glEnable(shader_types[type]);
	glExt.glBindProgramARB(shader_types[type], program_id);
	current_shader[type] = this;
}

void OGL_shader::unbind_shaders()
{
	for (int t = 0; t < 2; ++t) {
		if (!current_shader[t]) continue;
		glDisable(shader_types[t]);
		glExt.glBindProgramARB(shader_types[t], 0);
		current_shader[t] = nullptr;
	}
}

void OGL_shader::reload()
{
	need_programs(__LINE__);
	GLenum const target = shader_types[type];
	glExt.glBindProgramARB(target, program_id);

	xmap_class file(path);
	if (!file.begin) unable_to_load(path);
	for (int silent = 0;;) {
		// An error left by someone else would read as ours.
		while (glGetError() != GL_NO_ERROR) {
		}
		glExt.glProgramStringARB(target, GL_PROGRAM_FORMAT_ASCII_ARB, static_cast<GLsizei>(file.end - file.begin),
		                         file.begin);
		if (glGetError() == GL_NO_ERROR) break;

		GLint position = -1;
		glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
		if (position != -1 || ++silent > max_silent_retries) {
			silent = 0;
			char const* text = reinterpret_cast<char const*>(glGetString(GL_PROGRAM_ERROR_STRING_ARB));
			char number[64];
			std::snprintf(number, sizeof(number), "%f", static_cast<double>(static_cast<float>(position)));
			stl_global = number;
			__VEDEZE_alert(0, "There was an error with your fragment program", stl_global, "", text ? text : "", 1,
			               "OGL_shader", 89);
		}
		if (!file.retry(path)) unable_to_load(path);
	}

	GLint under = 1;
	glExt.glGetProgramivARB(target, GL_PROGRAM_UNDER_NATIVE_LIMITS_ARB, &under);
	if (under == 0) {
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "Warning: pixel shader " << path << " not under native limits.\n";
		xer.flush();
	}
	glExt.glBindProgramARB(target, current_shader[type] ? current_shader[type]->program_id : 0);
}

void OGL_shader::reload_all_shaders()
{
	for (OGL_shader* s : shaders) s->reload();
}
