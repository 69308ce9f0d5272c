// GPU assembly programs (vertex and fragment) read from
// "Resources:shaders:", with a registry of every live program so that one
// remote command can reload them all while the program runs, and a cache of
// the program bound on each target.
#pragma once
#include <GL/gl.h>

#include <set>
#include <string>

extern GLenum const shader_types[2];  // 0 fragment, 1 vertex

class OGL_shader {
public:
	OGL_shader(int type, char const* name);
	~OGL_shader();
	OGL_shader(OGL_shader const&) = delete;
	OGL_shader& operator=(OGL_shader const&) = delete;

	void bind();
	static void unbind_shaders();
	void reload();
	static void reload_all_shaders();

	GLuint program_id;
	int type;
	std::string path;

	static std::set<OGL_shader*> shaders;
	static OGL_shader* current_shader[2];
};
