// The capability probe decided from given strings, options, system version,
// entry-point lookup and limits, without a GL context.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "foundation/UTL_cmdline.h"
#include "foundation/app_globals.h"
#include "graphics/OGL_extensions.h"
#include "platform/gl_window.h"
#include "support/logged_test.h"

namespace {

struct ProbeTest : logged_test {
	std::vector<std::string> looked_up;
	std::set<std::string> missing;
	UTL_cmdline options;

	std::string run(char const* version, char const* extensions, char const* vendor = "Vendor",
	                char const* renderer = "Renderer", long sys_version = -1)
	{
		static int dummy;
		OGL_probe_facts f;
		f.vendor = vendor;
		f.renderer = renderer;
		f.version = version;
		f.extensions = extensions;
		f.has_sys_version = sys_version >= 0;
		f.sys_version = sys_version;
		f.options = &options;
		f.lookup = [this](char const* name) -> void* {
			looked_up.push_back(name);
			return missing.count(name) ? nullptr : &dummy;
		};
		f.limit = [](GLenum target, GLenum pname) -> float {
			if (target == GL_FRAGMENT_PROGRAM_ARB) {
				if (pname == GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB) return 1;
				if (pname == GL_MAX_PROGRAM_NATIVE_ALU_INSTRUCTIONS_ARB) return 2;
				if (pname == GL_MAX_PROGRAM_NATIVE_TEX_INSTRUCTIONS_ARB) return 3;
				if (pname == GL_MAX_PROGRAM_NATIVE_TEX_INDIRECTIONS_ARB) return 4;
			}
			if (target == GL_VERTEX_PROGRAM_ARB && pname == GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB) return 5;
			if (target != 0) return -1;
			switch (pname) {
			case GL_MAX_TEXTURE_UNITS_ARB: return 4;
			case GL_MAX_TEXTURE_IMAGE_UNITS_ARB: return 16;
			case GL_MAX_TEXTURE_COORDS_ARB: return 8;
			case GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT: return 16;
			case GL_MAX_TEXTURE_SIZE: return 2048;
			case GL_POINT_SIZE_RANGE: return 64;
			}
			return -1;
		};
		glExt = OGL_extensions();
		glExt.probe(f);
		return read_text_file(log);
	}
	int count(std::string const& prefix) const
	{
		int n = 0;
		for (auto const& s : looked_up) n += s.rfind(prefix, 0) == 0;
		return n;
	}
};

std::string const all_ext =
    "GL_ARB_multitexture GL_ARB_vertex_buffer_object GL_ARB_vertex_program GL_ARB_fragment_program "
    "GL_ARB_occlusion_query GL_EXT_texture_filter_anisotropic GL_ARB_point_sprite";

}  // namespace

TEST(OglVersionNumber, RanksMajorAndMinor)
{
	struct {
		char const* text;
		int number;
	} const cases[] = {
	    {"1.1", 110}, {"1.2.1", 120}, {"1.3", 130}, {"1.4", 140}, {"1.5 ATI", 150}, {"2.0", 200},
	    {"2.1 Mesa", 210}, {"4.5 (Compatibility Profile) Mesa 22.3.6", 450}, {"10.2", 1020},
	    {"", 100}, {nullptr, 100}, {"abc", 100}, {"1.", 100}, {"1x5", 100}, {".5", 100},
	};
	for (auto const& c : cases) EXPECT_EQ(OGL_version_number(c.text), c.number) << (c.text ? c.text : "(null)");
}

TEST_F(ProbeTest, SituationBlockByteForByte)
{
	xer << std::fixed;  // as start-up sets it
	std::string const text = run("2.1 Mesa", all_ext.c_str());
	EXPECT_EQ(text,
	          "OpenGL Situation :\n"
	          "OpenGL Vendor    :Vendor\n"
	          "OpenGL Render    :Renderer\n"
	          "OpenGL Version   :2.1 Mesa\n"
	          "OpenGL Extensions:" + all_ext + "\n"
	          "tex_clamp_avail=1\n"
	          "add_env_avail  =1\n"
	          "combine_avail  =1\n"
	          "dis_fog_avail  =0\n"
	          "tex_comp_avail =1\n"
	          "vbo_avail      =1\n"
	          "pbuffer_avail  =0\n"
	          "vshader_avail  =1 (5)\n"
	          "fshader_avail  =1 (1/2/3/4)\n"
	          "automini_avail =1\n"
	          "aniso_avail    =1\n"
	          "fsaa_avail     =1\n"
	          "sprites_avail  =1\n"
	          "depth_tex_avail=1\n"
	          "occlude_avail  =1\n"
	          "max tex units    :4 (16/8)\n"
	          "max iso filtering:16.000000\n"
	          "max texture size :2048\n"
	          "max pbuffer_avail:0\n"
	          "max point size   :64.000000\n");
	EXPECT_EQ(count("glBindBuffer") + count("glVertexAttrib1dARB") + count("glGenQueries"), 3);
	EXPECT_EQ(looked_up.size(), 81u);
	EXPECT_EQ(ren.tex_units, 4);
	EXPECT_EQ(ren.tex_image_units, 16);
	EXPECT_EQ(ren.tex_coord_sets, 8);
	EXPECT_FLOAT_EQ(ren.max_aniso, 16.0f);
	EXPECT_NE(glExt.glGetQueryObjectuivARB, nullptr);
	EXPECT_TRUE(recorded_alerts().empty());
}

// One row per edge of the decision: what the inputs give in a flag and a line.
TEST_F(ProbeTest, DecisionTable)
{
	struct row {
		char const* what;
		char const* version;
		char const* ext;
		char const* vendor;
		long sys_version;
		char const* option;
		char const* missing;
		int OGL_extensions::*flag;
		int value;
		char const* log_has;  // a whole line the log must hold ("" for none)
		int lookups;          // names looked up
	};
	row const rows[] = {
	    {"1.5 counts as 150", "1.5", "", "V", -1, nullptr, nullptr, &OGL_extensions::vbo_avail, 1, "vbo_avail      =1\n", 11},
	    {"1.4 without the name", "1.4", "GL_ARB_multitexture", "V", -1, nullptr, nullptr, &OGL_extensions::vbo_avail, 0,
	     "vbo_avail      =0\n", 0},
	    {"1.4 with the name", "1.4", "GL_ARB_multitexture GL_ARB_vertex_buffer_object", "V", -1, nullptr, nullptr,
	     &OGL_extensions::vbo_avail, 1, "", 11},
	    {"ATI on 10.3", "2.0", "", "ATI Technologies Inc.", 0x1039, nullptr, nullptr, &OGL_extensions::sprites_avail, 0,
	     "Disabling point sprites for ATI on OS X 10.3.\n", 11},
	    {"ATI on 10.3 asked to keep", "2.0", "", "ATI Technologies Inc.", 0x1039, "--use_sprites", nullptr,
	     &OGL_extensions::sprites_avail, 1, "sprites_avail  =1\n", 11},
	    {"ATI on 10.4", "2.0", "", "ATI Technologies Inc.", 0x1040, nullptr, nullptr, &OGL_extensions::sprites_avail, 1,
	     "", 11},
	    {"ATI with no system version", "2.0", "", "ATI Technologies Inc.", -1, nullptr, nullptr,
	     &OGL_extensions::sprites_avail, 1, "", 11},
	    {"other maker on 10.3", "2.0", "", "NVIDIA Corporation", 0x1039, nullptr, nullptr,
	     &OGL_extensions::sprites_avail, 1, "", 11},
	    {"--no_sprites", "2.0", "", "V", -1, "--no_sprites", nullptr, &OGL_extensions::sprites_avail, 0,
	     "sprites_avail  =0\n", 11},
	    {"--no_vbos after the lookup", "2.0", "", "V", -1, "--no_vbos", nullptr, &OGL_extensions::vbo_avail, 0,
	     "vbo_avail      =0\n", 11},
	    {"fragment without vertex programs", "2.0", "GL_ARB_fragment_program", "V", -1, nullptr, nullptr,
	     &OGL_extensions::fshader_avail, 0, "fshader_avail  =0 (0/0/0/0)\n", 11},
	    {"one buffer function missing", "2.0", "", "V", -1, nullptr, "glMapBufferARB", &OGL_extensions::vbo_avail, 0,
	     "WARNING: extension missing proc glMapBufferARB\n", 11},
	    {"one program function missing", "2.0", "GL_ARB_vertex_program GL_ARB_fragment_program", "V", -1, nullptr,
	     "glIsProgramARB", &OGL_extensions::fshader_avail, 0, "vshader_avail  =0 (0)\n", 73},
	    {"one query function missing", "2.0", "GL_ARB_occlusion_query", "V", -1, nullptr, "glEndQueryARB",
	     &OGL_extensions::occlude_avail, 0, "occlude_avail  =0\n", 19},
	    {"no fog distance without the name", "2.0", "", "V", -1, nullptr, nullptr, &OGL_extensions::dis_fog_avail, 0, "", 11},
	    {"edge clamp by the SGIS name", "1.1", "GL_ARB_multitexture GL_SGIS_texture_edge_clamp", "V", -1, nullptr,
	     nullptr, &OGL_extensions::tex_clamp_avail, 1, "", 0},
	    {"multitexture by version", "1.3", "", "V", -1, nullptr, nullptr, &OGL_extensions::multitex_avail, 1, "", 0},
	    {"Mesa 4.5 compatibility", "4.5 (Compatibility Profile) Mesa 22.3.6", "", "Mesa", -1, nullptr, nullptr,
	     &OGL_extensions::depth_tex_avail, 1, "automini_avail =1\n", 11},
	};
	for (auto const& r : rows) {
		SCOPED_TRACE(r.what);
		log = open_test_log(dir);
		looked_up.clear();
		missing.clear();
		if (r.missing) missing.insert(r.missing);
		options.options.clear();
		// As the program's command line gives it, after a destination.
		if (r.option) {
			char const* const argv[] = {"skyrell-installer", "-path", "/some/copy/", r.option};
			options.init_unix(4, argv);
		}
		std::string const text = run(r.version, r.ext, r.vendor, "Renderer", r.sys_version);
		EXPECT_EQ(glExt.*r.flag, r.value);
		if (*r.log_has) {
			EXPECT_NE(("\n" + text).find(std::string("\n") + r.log_has), std::string::npos) << text;
		}
		EXPECT_EQ(text.find("Disabling point sprites") != std::string::npos,
		          std::string(r.log_has).rfind("Disabling", 0) == 0);
		// A missing function is named once and its group is still looked up whole.
		size_t warnings = 0;
		for (size_t at = text.find("WARNING:"); at != std::string::npos; at = text.find("WARNING:", at + 1)) ++warnings;
		EXPECT_EQ(warnings, r.missing ? 1u : 0u);
		EXPECT_EQ(static_cast<int>(looked_up.size()), r.lookups);
		EXPECT_TRUE(recorded_alerts().empty());
	}
}

TEST_F(ProbeTest, NullStringsReadAsEmpty)
{
	run("2.0", nullptr, nullptr, nullptr);
	std::string const text = read_text_file(log);
	EXPECT_NE(text.find("OpenGL Vendor    :\nOpenGL Render    :\n"), std::string::npos) << text;
	EXPECT_NE(text.find("OpenGL Extensions:\n"), std::string::npos);
	EXPECT_STREQ(ren.gl_extensions, "");
}

TEST_F(ProbeTest, GenericRendererWarnsAndGoesOn)
{
	ogl_inited = 1;
	struct {
		char const* renderer;
		bool warns;
	} const cases[] = {
	    {"GDI Generic", true}, {"GENERIC", true}, {"a generic one", true}, {"Mesa GLX Indirect", true},
	    {"llvmpipe (LLVM 15.0.6, 256 bits)", false}, {"Software Rasterizer", false},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.renderer);
		recorded_alerts().clear();
		run("2.0", "", "V", c.renderer);
		if (!c.warns) {
			EXPECT_TRUE(recorded_alerts().empty());
			continue;
		}
		ASSERT_EQ(recorded_alerts().size(), 1u);
		recorded_alert const& a = recorded_alerts()[0];
		EXPECT_EQ(a.severity, 1);
		EXPECT_EQ(a.position, "(OGL_extensions line 394)");
		EXPECT_EQ(a.msg1, "I can not find a 3-D accelerator card that can handle OpenGL that has correctly installed drivers.");
		EXPECT_EQ(a.msg2, "I will still let you run the simulator, but the frame rate will NOT allow for a good simulation.");
		EXPECT_EQ(a.msg3,
		          "For you to fly realistically, you must use Skyrell version Heritage, or get a 3-D accelerator card "
		          "that can handle OpenGL.");
		EXPECT_FALSE(a.msg4.empty());
	}
}

using ProbeDeathTest = ProbeTest;

TEST_F(ProbeDeathTest, NoMultitexturingEndsTheProgram)
{
	ogl_inited = 1;
	// "1.2" without the extension name; and an unreadable version even with it.
	struct {
		char const* version;
		char const* ext;
	} const cases[] = {{"1.2", "GL_EXT_texture_edge_clamp"}, {"X.Y", "GL_ARB_multitexture"}};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.version);
		log = open_test_log(dir);
		EXPECT_EXIT(run(c.version, c.ext), ::testing::ExitedWithCode(1), "");
		std::string const text = read_text_file(log);
		std::string const tail =
		    "max point size   :64\n"
		    "Your graphics hardware cannot support Skyrell. Skyrell requires a graphics card with 16 MB of VRAM and "
		    "multitexuring.\n"
		    "First, try updating your graphics drivers.\n"
		    "If this does not help, check your graphics card specifications.\n";
		EXPECT_NE(text.find(tail), std::string::npos) << text;
		EXPECT_NE(text.find("\n(OGL_extensions line 383)\n"), std::string::npos) << text;
		EXPECT_EQ(text.rfind("OpenGL Situation :\n", 0), 0u);
	}
}

TEST_F(ProbeDeathTest, NoGlLibraryIsFatal)
{
	ogl_inited = 1;
	EXPECT_EXIT(
	    {
		    PLT_gl_set_library_name("libno-such-gl-library.so.9");
		    glExt.init_entry_points();
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "Could not find the OpenGL framework\n\n\n\n(OGL_extensions line 59)\n");
}

TEST_F(ProbeTest, GlLibraryLoads)
{
	EXPECT_EQ(glExt.init_entry_points(), 0);
	EXPECT_NE(gBundleRefOpenGL, nullptr);
	EXPECT_TRUE(recorded_alerts().empty());
}
