#include "graphics/OGL_extensions.h"

#include <cstring>
#include <mutex>
#include <sstream>

#include "foundation/UTL_cmdline.h"
#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "platform/gl_window.h"

OGL_extensions glExt;
void* gBundleRefOpenGL = nullptr;

namespace {

bool has(char const* text, char const* word) { return std::strstr(text, word) != nullptr; }

char const* or_empty(char const* s) { return s ? s : ""; }

void log_text(std::string const& text)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << text;
	xer.flush();
}

}  // namespace

OGL_extensions::OGL_extensions()
{
#define OGL_CLEAR_PROC(type, name) name = nullptr;
	OGL_VBO_PROCS(OGL_CLEAR_PROC)
	OGL_PROGRAM_PROCS(OGL_CLEAR_PROC)
	OGL_QUERY_PROCS(OGL_CLEAR_PROC)
#undef OGL_CLEAR_PROC
	multitex_avail = tex_clamp_avail = add_env_avail = combine_avail = dis_fog_avail = 0;
	tex_comp_avail = vbo_avail = pbuffer_avail = vshader_avail = fshader_avail = 0;
	automini_avail = aniso_avail = fsaa_avail = sprites_avail = depth_tex_avail = occlude_avail = 0;
}

void* aglGetProcAddress(char const* name) { return PLT_gl_proc(name); }

int OGL_version_number(char const* version)
{
	char const* v = or_empty(version);
	if (v[0] < '0' || v[0] > '9') return 100;
	int major = 0;
	while (*v >= '0' && *v <= '9' && major < 1000) major = major * 10 + (*v++ - '0');
	if (*v != '.' || v[1] < '0' || v[1] > '9') return 100;
	return major * 100 + (v[1] - '0') * 10;
}

int OGL_extensions::init_entry_points()
{
	gBundleRefOpenGL = PLT_gl_library();
	if (!gBundleRefOpenGL) {
		__VEDEZE_alert(0, "Could not find the OpenGL framework", "", "", "", 2, "OGL_extensions", 59);
		return -43;
	}
	return 0;
}

void OGL_extensions::probe(OGL_probe_facts const& in)
{
	std::ostringstream log;
	log.flags(xer.flags());
	log.precision(xer.precision());

	// 1. strings and version
	ren.gl_vendor = or_empty(in.vendor);
	ren.gl_renderer = or_empty(in.renderer);
	ren.gl_version = or_empty(in.version);
	ren.gl_extensions = or_empty(in.extensions);
	char const* ext = ren.gl_extensions;
	int const version = OGL_version_number(ren.gl_version);

	// 2. flags
	multitex_avail = version >= 130 || has(ext, "GL_ARB_multitexture");
	tex_clamp_avail = version >= 120 || has(ext, "GL_EXT_texture_edge_clamp") ||
	                  has(ext, "GL_SGIS_texture_edge_clamp");
	add_env_avail = version >= 130 || has(ext, "GL_ARB_texture_env_add") || has(ext, "GL_EXT_texture_env_add");
	combine_avail = version >= 130 || has(ext, "GL_ARB_texture_env_combine") ||
	                has(ext, "GL_EXT_texture_env_combine");
	dis_fog_avail = has(ext, "GL_NV_fog_distance");
	tex_comp_avail = version >= 130 || has(ext, "GL_ARB_texture_compression");
	vbo_avail = version >= 150 || has(ext, "GL_ARB_vertex_buffer_object");
	vshader_avail = has(ext, "GL_ARB_vertex_program");
	fshader_avail = has(ext, "GL_ARB_fragment_program");
	automini_avail = version >= 140 || has(ext, "GL_SGIS_generate_mipmap");
	aniso_avail = has(ext, "GL_EXT_texture_filter_anisotropic");
	fsaa_avail = version >= 130 || has(ext, "GL_ARB_multisample");
	sprites_avail = version >= 200 || has(ext, "GL_ARB_point_sprite");
	depth_tex_avail = version >= 140 || has(ext, "GL_ARB_depth_texture");
	occlude_avail = has(ext, "GL_ARB_occlusion_query");

	// 3. point sprites misdrawn by one maker's driver on an old system
	if (sprites_avail && in.has_sys_version && in.sys_version < 0x1040 &&
	    has(ren.gl_vendor, "ATI Technologies") && !(in.options && in.options->has_option("--use_sprites"))) {
		log << "Disabling point sprites for ATI on OS X 10.3.\n";
		sprites_avail = 0;
	}

	// 4. limits
	auto limit = [&](GLenum target, GLenum pname) { return in.limit ? in.limit(target, pname) : 0.0f; };
	ren.max_aniso = 1.0f;
	ren.tex_units = 0;
	ren.tex_units = static_cast<int>(limit(0, GL_MAX_TEXTURE_UNITS_ARB));
	ren.tex_image_units = fshader_avail ? static_cast<int>(limit(0, GL_MAX_TEXTURE_IMAGE_UNITS_ARB)) : ren.tex_units;
	ren.tex_coord_sets = vshader_avail ? static_cast<int>(limit(0, GL_MAX_TEXTURE_COORDS_ARB)) : ren.tex_units;
	if (aniso_avail) ren.max_aniso = limit(0, GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT);
	int const max_tex_size = static_cast<int>(limit(0, GL_MAX_TEXTURE_SIZE));
	float const max_point = limit(0, GL_POINT_SIZE_RANGE);

	// 5. entry points; a missing one switches its feature off
	auto find = [&](char const* name, int* flag) -> void* {
		void* p = in.lookup ? in.lookup(name) : nullptr;
		if (!p) {
			log << "WARNING: extension missing proc " << name << "\n";
			*flag = 0;
		}
		return p;
	};
#define OGL_FIND_PROC(type, name) name = reinterpret_cast<type>(find(#name, flag));
	if (vbo_avail) {
		int* flag = &vbo_avail;
		OGL_VBO_PROCS(OGL_FIND_PROC)
	}
	if (vshader_avail) {
		int* flag = &vshader_avail;
		OGL_PROGRAM_PROCS(OGL_FIND_PROC)
	}
	if (occlude_avail) {
		int* flag = &occlude_avail;
		OGL_QUERY_PROCS(OGL_FIND_PROC)
	}
#undef OGL_FIND_PROC

	// 6. fragment programs need vertex programs
	if (fshader_avail && !vshader_avail) fshader_avail = 0;

	// 7. program limits, for the log
	int f_inst = 0, f_alu = 0, f_tex = 0, f_ind = 0, v_inst = 0;
	if (fshader_avail) {
		f_inst = static_cast<int>(limit(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB));
		f_alu = static_cast<int>(limit(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ALU_INSTRUCTIONS_ARB));
		f_tex = static_cast<int>(limit(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INSTRUCTIONS_ARB));
		f_ind = static_cast<int>(limit(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INDIRECTIONS_ARB));
	}
	if (vshader_avail)
		v_inst = static_cast<int>(limit(GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB));

	// 8. options
	if (in.options && in.options->has_option("--no_vbos")) vbo_avail = 0;
	if (in.options && in.options->has_option("--no_sprites")) sprites_avail = 0;

	// 9. the situation block
	log << "OpenGL Situation :\n"
	    << "OpenGL Vendor    :" << ren.gl_vendor << "\n"
	    << "OpenGL Render    :" << ren.gl_renderer << "\n"
	    << "OpenGL Version   :" << ren.gl_version << "\n"
	    << "OpenGL Extensions:" << ren.gl_extensions << "\n"
	    << "tex_clamp_avail=" << tex_clamp_avail << "\n"
	    << "add_env_avail  =" << add_env_avail << "\n"
	    << "combine_avail  =" << combine_avail << "\n"
	    << "dis_fog_avail  =" << dis_fog_avail << "\n"
	    << "tex_comp_avail =" << tex_comp_avail << "\n"
	    << "vbo_avail      =" << vbo_avail << "\n"
	    << "pbuffer_avail  =" << pbuffer_avail << "\n"
	    << "vshader_avail  =" << vshader_avail << " (" << v_inst << ")\n"
	    << "fshader_avail  =" << fshader_avail << " (" << f_inst << "/" << f_alu << "/" << f_tex << "/" << f_ind
	    << ")\n"
	    << "automini_avail =" << automini_avail << "\n"
	    << "aniso_avail    =" << aniso_avail << "\n"
	    << "fsaa_avail     =" << fsaa_avail << "\n"
	    << "sprites_avail  =" << sprites_avail << "\n"
	    << "depth_tex_avail=" << depth_tex_avail << "\n"
	    << "occlude_avail  =" << occlude_avail << "\n"
	    << "max tex units    :" << ren.tex_units << " (" << ren.tex_image_units << "/" << ren.tex_coord_sets << ")\n"
	    << "max iso filtering:" << ren.max_aniso << "\n"
	    << "max texture size :" << max_tex_size << "\n"
	    << "max pbuffer_avail:" << pbuffer_avail << "\n"
	    << "max point size   :" << max_point << "\n";
	log_text(log.str());

	// 10. the interface cannot be drawn without multitexturing
	if (!(multitex_avail && version >= 110))
		__VEDEZE_alert(0,
		               "Your graphics hardware cannot support Skyrell. Skyrell requires a graphics card with 16 MB "
		               "of VRAM and multitexuring.",
		               "First, try updating your graphics drivers.",
		               "If this does not help, check your graphics card specifications.",
		               "If you need help, please send your Log.txt file to Kestrin Research technical support.", 2,
		               "OGL_extensions", 383);

	// 11. software renderers only warn
	char const* r = ren.gl_renderer;
	if (has(r, "GENERIC") || has(r, "Generic") || has(r, "generic") || has(r, "Mesa GLX Indirect"))
		__VEDEZE_alert(0, "I can not find a 3-D accelerator card that can handle OpenGL that has correctly installed drivers.",
		               "I will still let you run the simulator, but the frame rate will NOT allow for a good simulation.",
		               "For you to fly realistically, you must use Skyrell version Heritage, or get a 3-D accelerator card "
		               "that can handle OpenGL.",
		               "The Kestrin Research web site lists the video cards known to work with Skyrell.", 1,
		               "OGL_extensions", 394);
}

void OGL_extensions::init_extensions()
{
	OGL_probe_facts f;
	f.vendor = reinterpret_cast<char const*>(glGetString(GL_VENDOR));
	f.renderer = reinterpret_cast<char const*>(glGetString(GL_RENDERER));
	f.version = reinterpret_cast<char const*>(glGetString(GL_VERSION));
	f.extensions = reinterpret_cast<char const*>(glGetString(GL_EXTENSIONS));
	f.options = &cmdline;
	f.lookup = [](char const* name) { return aglGetProcAddress(name); };
	f.limit = [this](GLenum target, GLenum pname) -> float {
		if (target == 0) {
			if (pname == GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT || pname == GL_POINT_SIZE_RANGE) {
				GLfloat v[2] = {0, 0};
				glGetFloatv(pname, v);
				return pname == GL_POINT_SIZE_RANGE ? v[1] : v[0];
			}
			GLint v = 0;
			glGetIntegerv(pname, &v);
			return static_cast<float>(v);
		}
		GLint v = 0;
		if (glGetProgramivARB) glGetProgramivARB(target, pname, &v);
		return static_cast<float>(v);
	};
	probe(f);
}
