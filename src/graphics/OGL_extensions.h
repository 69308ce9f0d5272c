// What the renderer can do: one flag per optional feature and the extension
// entry points called through pointers, filled once by the probe after the
// context is current. The rest of the graphics layer reads these flags
// instead of asking GL again.
#pragma once
#include <GL/gl.h>
#include <GL/glext.h>

#include <functional>

class UTL_cmdline;

// Entry points in the order of each extension's function list.
#define OGL_VBO_PROCS(X)                                              \
	X(PFNGLBINDBUFFERARBPROC, glBindBufferARB)                        \
	X(PFNGLDELETEBUFFERSARBPROC, glDeleteBuffersARB)                  \
	X(PFNGLGENBUFFERSARBPROC, glGenBuffersARB)                        \
	X(PFNGLISBUFFERARBPROC, glIsBufferARB)                            \
	X(PFNGLBUFFERDATAARBPROC, glBufferDataARB)                        \
	X(PFNGLBUFFERSUBDATAARBPROC, glBufferSubDataARB)                  \
	X(PFNGLGETBUFFERSUBDATAARBPROC, glGetBufferSubDataARB)            \
	X(PFNGLMAPBUFFERARBPROC, glMapBufferARB)                          \
	X(PFNGLUNMAPBUFFERARBPROC, glUnmapBufferARB)                      \
	X(PFNGLGETBUFFERPARAMETERIVARBPROC, glGetBufferParameterivARB)    \
	X(PFNGLGETBUFFERPOINTERVARBPROC, glGetBufferPointervARB)

#define OGL_PROGRAM_PROCS(X)                                                    \
	X(PFNGLVERTEXATTRIB1DARBPROC, glVertexAttrib1dARB)                          \
	X(PFNGLVERTEXATTRIB1DVARBPROC, glVertexAttrib1dvARB)                        \
	X(PFNGLVERTEXATTRIB1FARBPROC, glVertexAttrib1fARB)                          \
	X(PFNGLVERTEXATTRIB1FVARBPROC, glVertexAttrib1fvARB)                        \
	X(PFNGLVERTEXATTRIB1SARBPROC, glVertexAttrib1sARB)                          \
	X(PFNGLVERTEXATTRIB1SVARBPROC, glVertexAttrib1svARB)                        \
	X(PFNGLVERTEXATTRIB2DARBPROC, glVertexAttrib2dARB)                          \
	X(PFNGLVERTEXATTRIB2DVARBPROC, glVertexAttrib2dvARB)                        \
	X(PFNGLVERTEXATTRIB2FARBPROC, glVertexAttrib2fARB)                          \
	X(PFNGLVERTEXATTRIB2FVARBPROC, glVertexAttrib2fvARB)                        \
	X(PFNGLVERTEXATTRIB2SARBPROC, glVertexAttrib2sARB)                          \
	X(PFNGLVERTEXATTRIB2SVARBPROC, glVertexAttrib2svARB)                        \
	X(PFNGLVERTEXATTRIB3DARBPROC, glVertexAttrib3dARB)                          \
	X(PFNGLVERTEXATTRIB3DVARBPROC, glVertexAttrib3dvARB)                        \
	X(PFNGLVERTEXATTRIB3FARBPROC, glVertexAttrib3fARB)                          \
	X(PFNGLVERTEXATTRIB3FVARBPROC, glVertexAttrib3fvARB)                        \
	X(PFNGLVERTEXATTRIB3SARBPROC, glVertexAttrib3sARB)                          \
	X(PFNGLVERTEXATTRIB3SVARBPROC, glVertexAttrib3svARB)                        \
	X(PFNGLVERTEXATTRIB4NBVARBPROC, glVertexAttrib4NbvARB)                      \
	X(PFNGLVERTEXATTRIB4NIVARBPROC, glVertexAttrib4NivARB)                      \
	X(PFNGLVERTEXATTRIB4NSVARBPROC, glVertexAttrib4NsvARB)                      \
	X(PFNGLVERTEXATTRIB4NUBARBPROC, glVertexAttrib4NubARB)                      \
	X(PFNGLVERTEXATTRIB4NUBVARBPROC, glVertexAttrib4NubvARB)                    \
	X(PFNGLVERTEXATTRIB4NUIVARBPROC, glVertexAttrib4NuivARB)                    \
	X(PFNGLVERTEXATTRIB4NUSVARBPROC, glVertexAttrib4NusvARB)                    \
	X(PFNGLVERTEXATTRIB4BVARBPROC, glVertexAttrib4bvARB)                        \
	X(PFNGLVERTEXATTRIB4DARBPROC, glVertexAttrib4dARB)                          \
	X(PFNGLVERTEXATTRIB4DVARBPROC, glVertexAttrib4dvARB)                        \
	X(PFNGLVERTEXATTRIB4FARBPROC, glVertexAttrib4fARB)                          \
	X(PFNGLVERTEXATTRIB4FVARBPROC, glVertexAttrib4fvARB)                        \
	X(PFNGLVERTEXATTRIB4IVARBPROC, glVertexAttrib4ivARB)                        \
	X(PFNGLVERTEXATTRIB4SARBPROC, glVertexAttrib4sARB)                          \
	X(PFNGLVERTEXATTRIB4SVARBPROC, glVertexAttrib4svARB)                        \
	X(PFNGLVERTEXATTRIB4UBVARBPROC, glVertexAttrib4ubvARB)                      \
	X(PFNGLVERTEXATTRIB4UIVARBPROC, glVertexAttrib4uivARB)                      \
	X(PFNGLVERTEXATTRIB4USVARBPROC, glVertexAttrib4usvARB)                      \
	X(PFNGLVERTEXATTRIBPOINTERARBPROC, glVertexAttribPointerARB)                \
	X(PFNGLENABLEVERTEXATTRIBARRAYARBPROC, glEnableVertexAttribArrayARB)        \
	X(PFNGLDISABLEVERTEXATTRIBARRAYARBPROC, glDisableVertexAttribArrayARB)      \
	X(PFNGLPROGRAMSTRINGARBPROC, glProgramStringARB)                            \
	X(PFNGLBINDPROGRAMARBPROC, glBindProgramARB)                                \
	X(PFNGLDELETEPROGRAMSARBPROC, glDeleteProgramsARB)                          \
	X(PFNGLGENPROGRAMSARBPROC, glGenProgramsARB)                                \
	X(PFNGLPROGRAMENVPARAMETER4DARBPROC, glProgramEnvParameter4dARB)            \
	X(PFNGLPROGRAMENVPARAMETER4DVARBPROC, glProgramEnvParameter4dvARB)          \
	X(PFNGLPROGRAMENVPARAMETER4FARBPROC, glProgramEnvParameter4fARB)            \
	X(PFNGLPROGRAMENVPARAMETER4FVARBPROC, glProgramEnvParameter4fvARB)          \
	X(PFNGLPROGRAMLOCALPARAMETER4DARBPROC, glProgramLocalParameter4dARB)        \
	X(PFNGLPROGRAMLOCALPARAMETER4DVARBPROC, glProgramLocalParameter4dvARB)      \
	X(PFNGLPROGRAMLOCALPARAMETER4FARBPROC, glProgramLocalParameter4fARB)        \
	X(PFNGLPROGRAMLOCALPARAMETER4FVARBPROC, glProgramLocalParameter4fvARB)      \
	X(PFNGLGETPROGRAMENVPARAMETERDVARBPROC, glGetProgramEnvParameterdvARB)      \
	X(PFNGLGETPROGRAMENVPARAMETERFVARBPROC, glGetProgramEnvParameterfvARB)      \
	X(PFNGLGETPROGRAMLOCALPARAMETERDVARBPROC, glGetProgramLocalParameterdvARB)  \
	X(PFNGLGETPROGRAMLOCALPARAMETERFVARBPROC, glGetProgramLocalParameterfvARB)  \
	X(PFNGLGETPROGRAMIVARBPROC, glGetProgramivARB)                              \
	X(PFNGLGETPROGRAMSTRINGARBPROC, glGetProgramStringARB)                      \
	X(PFNGLGETVERTEXATTRIBDVARBPROC, glGetVertexAttribdvARB)                    \
	X(PFNGLGETVERTEXATTRIBFVARBPROC, glGetVertexAttribfvARB)                    \
	X(PFNGLGETVERTEXATTRIBIVARBPROC, glGetVertexAttribivARB)                    \
	X(PFNGLGETVERTEXATTRIBPOINTERVARBPROC, glGetVertexAttribPointervARB)        \
	X(PFNGLISPROGRAMARBPROC, glIsProgramARB)

#define OGL_QUERY_PROCS(X)                                      \
	X(PFNGLGENQUERIESARBPROC, glGenQueriesARB)                  \
	X(PFNGLDELETEQUERIESARBPROC, glDeleteQueriesARB)            \
	X(PFNGLISQUERYARBPROC, glIsQueryARB)                        \
	X(PFNGLBEGINQUERYARBPROC, glBeginQueryARB)                  \
	X(PFNGLENDQUERYARBPROC, glEndQueryARB)                      \
	X(PFNGLGETQUERYIVARBPROC, glGetQueryivARB)                  \
	X(PFNGLGETQUERYOBJECTIVARBPROC, glGetQueryObjectivARB)      \
	X(PFNGLGETQUERYOBJECTUIVARBPROC, glGetQueryObjectuivARB)

// Everything the probe decides from: the renderer's strings (null reads as
// empty), the command line, the system version when there is one, a lookup
// of entry points by name and the renderer's limits. The real probe fills it
// from the current context; tests give their own.
struct OGL_probe_facts {
	char const* vendor = nullptr;
	char const* renderer = nullptr;
	char const* version = nullptr;
	char const* extensions = nullptr;
	int has_sys_version = 0;  // Linux has none
	long sys_version = 0;     // e.g. 0x1039 for 10.3.9
	UTL_cmdline* options = nullptr;
	std::function<void*(char const* name)> lookup;
	// target 0: glGet of pname (GL_POINT_SIZE_RANGE gives its upper bound);
	// GL_VERTEX_PROGRAM_ARB or GL_FRAGMENT_PROGRAM_ARB: that program limit.
	std::function<float(GLenum target, GLenum pname)> limit;
};

class OGL_extensions {
public:
	OGL_extensions();

#define OGL_DECLARE_PROC(type, name) type name;
	OGL_VBO_PROCS(OGL_DECLARE_PROC)
	OGL_PROGRAM_PROCS(OGL_DECLARE_PROC)
	OGL_QUERY_PROCS(OGL_DECLARE_PROC)
#undef OGL_DECLARE_PROC

	int multitex_avail;
	int tex_clamp_avail;
	int add_env_avail;
	int combine_avail;
	int dis_fog_avail;
	int tex_comp_avail;
	int vbo_avail;
	int pbuffer_avail;
	int vshader_avail;
	int fshader_avail;
	int automini_avail;
	int aniso_avail;
	int fsaa_avail;
	int sprites_avail;
	int depth_tex_avail;
	int occlude_avail;

	// Loads the GL library into gBundleRefOpenGL; 0 on success.
	int init_entry_points();
	// The probe on the current context: fills the flags and ren, logs the
	// situation, refuses renderers without multitexturing.
	void init_extensions();
	// The same probe from given facts.
	void probe(OGL_probe_facts const& facts);
};

extern OGL_extensions glExt;
extern void* gBundleRefOpenGL;  // the GL library's handle

void* aglGetProcAddress(char const* name);

// Version number of a GL version string: major * 100 + minor * 10 ("1.5"
// 150, "4.5" 450); 100 when it cannot be read.
int OGL_version_number(char const* version);
