// The texture manager: every GL texture of the program, by integer
// reference. A reference is also the GL texture name (nothing else calls
// glGenTextures); 1..3372 and 3374 are slots chosen by the caller, 3373 is
// the placeholder, and paths loaded without a slot get 3374 and above.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "graphics/tman_image.h"

enum tex_fail_mode : int {
	tex_fail_silent = 0,
	tex_fail_scenery = 1,
	tex_fail_plane = 2,
	tex_fail_instrument = 3,
	tex_fail_fatal = 4,
	tex_fail_log = 5,  // and above: only the log line
};

enum tex_load_time : int {
	tex_load_now = 100,     // loaded, or given up on
	tex_load_async = 101,   // waiting for the asynchronous loader
	tex_load_unloaded = 102,
};

enum {
	tex_placeholder = 3373,
	tex_first_auto = 3374,
	tex_units_cached = 6,
};

struct tex_struct {
	std::string name;
	int load_type;
	unsigned int tex_id;
	float img_dx, img_dy;
	float tex_dx, tex_dy;
	int vram;
	int format;
	tex_load_time load_time;
	int flags;
	tex_fail_mode fail_mode;
	int use_count;
};

// One load, from the reader to the upload; also the asynchronous job.
struct tex_load_vars {
	int fail_mode;
	int load_type;
	int ref;
	int flags;
	int announce;
	int format;
	unsigned char components;
	int keyed;
	int img_dx, img_dy, tex_dx, tex_dy;
	std::string path;
	unsigned char* pixels;
};

// Supplied by the user of asynchronous loading: brings the job in flight to
// its end before a synchronous file load takes the shared buffers.
class tman_force_finish_obj {
public:
	virtual void force_finish() = 0;
	virtual ~tman_force_finish_obj() = default;
};

class tman_class {
public:
	tman_class();

	int load_texture(tex_fail_mode fail, int manual_ref, int flags, tex_load_time load_time,
	                 std::string const& path);
	int load_bitmap(tex_fail_mode fail, int flag, int flags, std::string const& path);
	int load_instrument(tex_fail_mode fail, int ref, int flags, std::string const& path, int kind);
	int load_texture_int(tex_fail_mode fail, int load_type, int ref, int flags, std::string const& path,
	                     bool announce);
	int load_texture_io(tex_load_vars* vars);
	int load_texture_ogl(tex_load_vars* vars, int io_result);
	void force_load_tex(int ref);
	int load_all_scenery_texes();

	void bind_ref(int ref, int unit, int mode);
	void reset_bind();
	void set_blend_level(int unit, float level);
	void set_chroma_key(unsigned char rgba[4]);

	void unload_texture(int ref);
	void purge_unused_texes();
	void start_use_tex(int ref);
	void stop_use_tex(int ref);

	int total_texes() const { return total; }
	int loaded_texes() const { return loaded; }
	int tot_vram() const;
	int num_remaining_async_texes() const;
	float scale_rat() const;

	bool has_scene_load_fail() const { return scene_fail == 1; }
	bool has_plane_load_fail() const { return plane_fail == 1; }
	bool has_instl_load_fail() const { return instl_fail == 1; }
	void mute_scene_load_fail() { scene_fail = 2; }
	void mute_plane_load_fail() { plane_fail = 2; }
	void mute_instl_load_fail() { instl_fail = 2; }
	void reset_scene_load_fail() { scene_fail = 0; }
	void reset_plane_load_fail() { plane_fail = 0; }
	void reset_instl_load_fail() { instl_fail = 0; }

	int load_scenery_async_register(tman_force_finish_obj* owner);
	void load_scenery_async_work();
	void load_scenery_async_finalize();

	int first_async;
	int loaded;
	int total;
	std::vector<tex_struct> texes;
	int bound_tex[tex_units_cached];
	int bound_env[tex_units_cached];
	int scene_fail, plane_fail, instl_fail;
	tex_load_vars* async_job;
	int async_result;
	tman_force_finish_obj* async_owner;

private:
	void make_placeholder();
	void set_env(int mode, int format);
	bool placeholder_made;
};

// The path index: h = h * 5 + c over the signed characters, from 0.
struct tex_hash_fn {
	size_t operator()(std::string const& s) const;
};
extern std::unordered_map<std::string, int, tex_hash_fn> tex_hash;
extern tex_load_vars async_vars;
extern tman_class tman;

// The start-up screen's progress line, registered by the shell; a null
// fraction lets the screen count calls instead.
using tman_show_init_fn = void (*)(std::string const& message, float* fraction);
void tman_set_show_init(tman_show_init_fn fn);
