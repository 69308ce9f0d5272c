// The texture manager.
//
// Index: globals - records and placeholder - load_texture and its kin -
// reading (load_texture_io) - upload (load_texture_ogl) - binding and the
// environment table - unloading and use counts - counters - asynchronous
// loading.
#include "graphics/tman.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "graphics/OGL_extensions.h"
#include "graphics/oglp.h"

// ---- globals (the index before the manager that empties it) ---------------------

size_t tex_hash_fn::operator()(std::string const& s) const
{
	// Unsigned, so the wrap of long names is defined; the values are those
	// of the signed sum.
	uint32_t h = 0;
	for (char c : s) h = h * 5u + static_cast<uint32_t>(static_cast<int>(static_cast<signed char>(c)));
	return h;
}

std::unordered_map<std::string, int, tex_hash_fn> tex_hash(100);
tex_load_vars async_vars{};
tman_class tman;

namespace {

tman_show_init_fn show_init = nullptr;

void show(std::string const& message, float* fraction)
{
	if (show_init) show_init(message, fraction);
}

tex_struct free_record()
{
	return tex_struct{"un-inited", tex_type_free, 0, 0, 0, 0, 0, 0, 0, tex_load_unloaded, 0, tex_fail_fatal, -1};
}

constexpr int placeholder_side = 8;

bool is_power_of_two(float side)
{
	float v = side;
	while (v > 1.0f) v *= 0.5f;
	return std::fabs(v - 1.0f) < 0.0001f;
}

}  // namespace

void tman_set_show_init(tman_show_init_fn fn) { show_init = fn; }

// ---- records and placeholder -------------------------------------------------------

tman_class::tman_class()
    : first_async(0), loaded(0), total(0), scene_fail(0), plane_fail(0), instl_fail(0), async_job(nullptr),
      async_result(0), async_owner(nullptr), placeholder_made(false)
{
	tex_hash.clear();
	// The placeholder record exists from the start so that a failed load can
	// copy it and a waiting record can bind it; its GL texture is made on
	// first use in each context.
	texes.assign(tex_placeholder + 1, free_record());
	tex_struct& p = texes[tex_placeholder];
	p.name = "placeholder";
	p.load_type = tex_type_texture;
	p.tex_id = tex_placeholder;
	p.img_dx = p.img_dy = p.tex_dx = p.tex_dy = placeholder_side;
	p.format = GL_RGBA;
	p.load_time = tex_load_now;
	for (int i = 0; i < tex_units_cached; ++i) bound_tex[i] = bound_env[i] = -1;
}

void tman_class::make_placeholder()
{
	// A quiet grey check: visibly "not the picture", fully opaque.
	unsigned char px[placeholder_side * placeholder_side * 4];
	for (int y = 0; y < placeholder_side; ++y)
		for (int x = 0; x < placeholder_side; ++x) {
			unsigned char* p = px + (y * placeholder_side + x) * 4;
			p[0] = p[1] = p[2] = ((x / 4 + y / 4) & 1) ? 96 : 160;
			p[3] = 255;
		}
	GLint align;
	glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
	glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
	glBindTexture(GL_TEXTURE_2D, tex_placeholder);
	glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, placeholder_side, placeholder_side, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
	glPixelStorei(GL_UNPACK_ALIGNMENT, align);
	placeholder_made = true;
}

// ---- load_texture and its kin ------------------------------------------------------

int tman_class::load_texture(tex_fail_mode fail, int manual_ref, int flags, tex_load_time load_time,
                             std::string const& path)
{
	if (path.empty()) return 0;
	if (load_time < tex_load_now || load_time > tex_load_unloaded)
		tman_alert("Trying to create an invalid texture load_time!", path, load_time, __LINE__);
	if (manual_ref < 0 || manual_ref > tex_first_auto)
		tman_alert("Trying to bind too low or high a manual_ref!", path, manual_ref, __LINE__);

	int slot = manual_ref;
	if (manual_ref == 0) {
		auto const found = tex_hash.find(path);
		if (found != tex_hash.end()) {
			int const ref = found->second;
			if (texes[ref].load_time == tex_load_now) return ref;
			return load_texture_int(fail, tex_type_texture, ref, flags, path, false);
		}
		slot = -1;
		for (int i = static_cast<int>(texes.size()) - 1; i >= tex_first_auto; --i)
			if (texes[i].load_type == tex_type_free) {
				slot = i;
				break;
			}
		if (slot < 0) slot = texes.size() < tex_first_auto + 1 ? tex_first_auto : static_cast<int>(texes.size());
	}
	if (slot >= static_cast<int>(texes.size())) texes.resize(slot + 1, free_record());

	tex_struct& rec = texes[slot];
	auto const old = tex_hash.find(rec.name);
	if (old != tex_hash.end() && old->second == slot) tex_hash.erase(old);
	tex_hash.emplace(path, slot);

	if (rec.load_type == tex_type_free) {
		rec.name = path;
		rec.load_type = tex_type_texture;
		rec.load_time = tex_load_now;
		rec.tex_id = 0;
		rec.img_dx = rec.img_dy = rec.tex_dx = rec.tex_dy = 0;
		rec.use_count = -1;
		rec.flags = flags;
		rec.fail_mode = fail;
		rec.format = GL_RGBA;
		rec.vram = 0;
		++total;
	}
	int const result = load_texture_int(fail, tex_type_texture, slot, flags, path, true);
	if (!result && manual_ref) return 0;
	return slot;
}

int tman_class::load_bitmap(tex_fail_mode fail, int flag, int flags, std::string const& path)
{
	return load_texture_int(fail, flag ? tex_type_bitmap_over : tex_type_bitmap, 0, flags, path, true);
}

int tman_class::load_instrument(tex_fail_mode fail, int ref, int flags, std::string const& path, int kind)
{
	return load_texture_int(fail, kind ? tex_type_instrument : tex_type_instr_over, ref, flags, path, true);
}

int tman_class::load_texture_int(tex_fail_mode fail, int load_type, int ref, int flags, std::string const& path,
                                 bool announce)
{
	if (async_owner && path.compare(0, 13, "scratch_array") != 0) async_owner->force_finish();
	if (load_type < tex_type_bitmap_over || load_type > tex_type_texture)
		tman_alert("Trying to create an invalid texture load_type!", path, load_type, __LINE__);
	if (flags < 0 || flags >= tex_flag_limit)
		tman_alert("Trying to bind an invalid filter type!", path, flags, __LINE__);
	GLint max = 0;
	glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
	if (max > 0) maxtexdim = max;

	tex_load_vars vars{};
	vars.fail_mode = fail;
	vars.load_type = load_type;
	vars.ref = ref;
	vars.flags = flags;
	vars.announce = announce ? 1 : 0;
	vars.path = path;
	int const io = load_texture_io(&vars);
	return load_texture_ogl(&vars, io);
}

// ---- reading ----------------------------------------------------------------------------

int tman_class::load_texture_io(tex_load_vars* v)
{
	switch (v->flags & tex_flag_colour_mask) {
	case 1:
	case 7: v->format = GL_RGB, v->components = 3, v->keyed = 0; break;
	case 2: v->format = GL_RGBA, v->components = 4, v->keyed = 0; break;
	case 3: v->format = GL_ALPHA, v->components = 1, v->keyed = 0; break;
	case 4: v->format = GL_RGB, v->components = 3, v->keyed = 1; break;
	case 5: v->format = GL_RGBA, v->components = 4, v->keyed = 1; break;
	case 6: v->format = GL_DEPTH_COMPONENT, v->components = 1, v->keyed = 0; break;
	default:
		tman_alert("BAD color enum for tman - see tman for valid colors!  We cannot pass 0.", v->path,
		           v->flags & tex_flag_colour_mask, __LINE__);
		return 0;
	}
	int result = 0;
	if (load_buf_into_scratch(v->path, v->ref, v->load_type, v->flags, &v->img_dx, &v->img_dy, &v->tex_dx,
	                          &v->tex_dy)) {
		result = 1;
		v->pixels = scratch_array;
	} else if (load_png_into_scratch(v->path, v->ref, v->load_type, v->flags, v->components, v->keyed, &v->img_dx,
	                                 &v->img_dy, &v->tex_dx, &v->tex_dy)) {
		result = 2;
		v->pixels = scratch_array_temp;
	} else if (load_bmp_into_scratch(v->path, v->ref, v->load_type, v->flags, v->components, &v->img_dx,
	                                 &v->img_dy, &v->tex_dx, &v->tex_dy)) {
		result = 3;
		v->pixels = scratch_array_temp;
	}
	if (result && (v->flags & tex_flag_scratch)) v->pixels = scratch_array;
	return result;
}

// ---- upload --------------------------------------------------------------------------------

namespace {

// Transparent pixels take the mean colour of their opaque neighbours, so
// that filtering at a shape's edge does not pull in black.
void bleed_edges(unsigned char* px, int img_dx, int img_dy, int stride)
{
	for (int y = 0; y < img_dy; ++y) {
		for (int x = 0; x < img_dx; ++x) {
			unsigned char* p = px + (static_cast<size_t>(y) * stride + x) * 4;
			if (p[3] != 0) continue;
			int sum[3] = {0, 0, 0}, n = 0;
			for (int yy = y - 2; yy <= y + 2; ++yy) {
				if (yy < 0 || yy >= img_dy) continue;
				for (int xx = x - 2; xx <= x + 2; ++xx) {
					if (xx < 0 || xx >= img_dx) continue;
					unsigned char const* q = px + (static_cast<size_t>(yy) * stride + xx) * 4;
					if (q[3] == 0) continue;
					sum[0] += q[0];
					sum[1] += q[1];
					sum[2] += q[2];
					++n;
				}
			}
			if (!n) continue;
			for (int k = 0; k < 3; ++k) p[k] = static_cast<unsigned char>(sum[k] / n);
		}
	}
}

bool nearest_ref(int ref)
{
	switch (ref) {
	case 363:
	case 382:
	case 387:
	case 388:
	case 393:
	case 394: return true;
	case 389: return mnw.lay_scale < 1.01f;
	default: return false;
	}
}

}  // namespace

int tman_class::load_texture_ogl(tex_load_vars* v, int io_result)
{
	int const ref = v->ref;
	bool const texture = v->load_type == tex_type_texture;
	bool const in_table = ref >= 0 && ref < static_cast<int>(texes.size());

	if (!io_result) {
		if (texture && in_table) {
			tex_struct& rec = texes[ref];
			tex_struct const& p = texes[tex_placeholder];
			if (rec.vram > 0) --loaded;  // it counted as loaded until now
			if (rec.tex_id == static_cast<unsigned>(ref) && ref != tex_placeholder) {
				// The old picture's texture would otherwise be left behind.
				GLuint const name = static_cast<GLuint>(ref);
				glDeleteTextures(1, &name);
				for (int i = 0; i < tex_units_cached; ++i)
					if (bound_tex[i] == ref) bound_tex[i] = -1;
			}
			rec.load_type = p.load_type;
			rec.tex_id = p.tex_id;
			rec.img_dx = p.img_dx;
			rec.img_dy = p.img_dy;
			rec.tex_dx = p.tex_dx;
			rec.tex_dy = p.tex_dy;
			rec.format = p.format;
			rec.vram = 0;
			rec.load_time = tex_load_now;
		}
		int const mode = v->fail_mode;
		if (mode == tex_fail_silent) return 0;
		if (mode == tex_fail_scenery && scene_fail == 0) scene_fail = 1;
		if (mode == tex_fail_plane && plane_fail == 0) plane_fail = 1;
		if (mode == tex_fail_instrument && instl_fail == 0) instl_fail = 1;
		if (mode == tex_fail_fatal)
			__VEDEZE_alert(0, "Trying to load a texture that you do not have!",
			               "This smacks of a mis-installed copy of Skyrell!",
			               "Please get a new download of Skyrell from our web site. The missing file is:", v->path, 2,
			               "tman", __LINE__);
		{
			std::lock_guard<std::mutex> hold(xer_lock);
			xer << "WARNING: we are missing the texture: " << v->path << ".\n";
			xer.flush();
		}
		return 0;
	}

	if (ref == 0 && !texes.empty()) {
		texes[0].img_dx = static_cast<float>(v->img_dx);
		texes[0].img_dy = static_cast<float>(v->img_dy);
	}
	if (!texture) return 1;

	if (ref == 0 || !in_table) {
		char line[80];
		snprintf(line, sizeof(line), "ref=%6.0f, tex=%6.0f", static_cast<double>(ref), static_cast<double>(ref));
		__VEDEZE_alert(0, ref == 0 ? "Trying to bind a null ref!" : "Trying to bind a null tex!", line, "", "", 2,
		               "tman", __LINE__);
		return 0;
	}

	int format = v->format;
	if (v->keyed) format = v->components == 4 ? GL_RGBA : GL_RGB;
	if (v->components == 4 && io_result != 1) bleed_edges(v->pixels, v->img_dx, v->img_dy, v->tex_dx);

	bool const mip = (v->flags & tex_flag_mipmap) != 0;
	bool const nearest = nearest_ref(ref);
	GLint internal = format;
	if (format == GL_DEPTH_COMPONENT) internal = GL_DEPTH_COMPONENT24;
	if (mnw.col_res_use == 16) {
		if (format == GL_RGB) internal = GL_RGB5;
		if (ref == 380 && format == GL_RGBA) internal = GL_RGBA16;
	}

	tex_struct& rec = texes[ref];
	bool const sub_image = rec.load_time == tex_load_now && rec.load_type == v->load_type && rec.format == format &&
	                       rec.tex_dx == static_cast<float>(v->tex_dx) && rec.tex_dy == static_cast<float>(v->tex_dy) &&
	                       rec.tex_id == static_cast<unsigned>(ref) && (!mip || glExt.automini_avail);

	int vram = v->tex_dx * v->tex_dy * v->components;
	if (mip) vram = static_cast<int>(vram * 1.4f);
	if (rec.vram == 0) ++loaded;
	rec.name = v->path;
	rec.load_type = v->load_type;
	rec.load_time = tex_load_now;
	rec.tex_id = static_cast<unsigned>(ref);
	rec.img_dx = static_cast<float>(v->img_dx);
	rec.img_dy = static_cast<float>(v->img_dy);
	rec.tex_dx = static_cast<float>(v->tex_dx);
	rec.tex_dy = static_cast<float>(v->tex_dy);
	rec.format = format;
	rec.flags = v->flags;
	rec.vram = vram;

	if (v->announce && io_result != 1 && ref != 363 && ref != 367 && ref != 389 && ref != tex_placeholder)
		show("Loading bitmap " + v->path + ".", nullptr);

	if (!is_power_of_two(rec.tex_dx) || !is_power_of_two(rec.tex_dy))
		tman_alert("load_tex: Trying to read a texture that is not a power of 2!", v->path,
		           is_power_of_two(rec.tex_dx) ? rec.tex_dy : rec.tex_dx, __LINE__);
	check_dxy(v->tex_dx, v->path);
	check_dxy(v->tex_dy, v->path);

	// An in-memory image lies packed at its own width; the texture gets it at
	// its origin with the rest clear.
	unsigned char const* pixels = v->pixels;
	static std::vector<unsigned char> padded;
	if (io_result == 1 && (scratch_dx != v->tex_dx || scratch_dy != v->tex_dy)) {
		size_t const row = static_cast<size_t>(v->tex_dx) * v->components;
		size_t const src_row = static_cast<size_t>(scratch_dx) * v->components;
		padded.assign(row * v->tex_dy, 0);
		for (int y = 0; y < v->img_dy; ++y)
			memcpy(padded.data() + y * row, v->pixels + y * src_row, static_cast<size_t>(v->img_dx) * v->components);
		pixels = padded.data();
	}

	int const units = num_units;
	num_units = 1;
	if (units == 0) glEnable(GL_TEXTURE_2D);
	bind_ref(ref, 0, 0);
	if (units == 0) glDisable(GL_TEXTURE_2D);
	num_units = units;

	GLint align;
	glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
	glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // RGB rows of 1 or 2 pixels are not 4-byte multiples
	if (sub_image) {
		glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, v->tex_dx, v->tex_dy, format, GL_UNSIGNED_BYTE, pixels);
	} else if (glExt.automini_avail) {
		glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, mip ? GL_TRUE : GL_FALSE);
		glTexImage2D(GL_TEXTURE_2D, 0, internal, v->tex_dx, v->tex_dy, 0, format, GL_UNSIGNED_BYTE, pixels);
	} else if (mip) {
		gluBuild2DMipmaps(GL_TEXTURE_2D, internal, v->tex_dx, v->tex_dy, format, GL_UNSIGNED_BYTE, pixels);
	} else {
		glTexImage2D(GL_TEXTURE_2D, 0, internal, v->tex_dx, v->tex_dy, 0, format, GL_UNSIGNED_BYTE, pixels);
	}
	glPixelStorei(GL_UNPACK_ALIGNMENT, align);

	GLint wrap = GL_REPEAT;
	if (v->flags & tex_flag_clamp) wrap = glExt.tex_clamp_avail ? GL_CLAMP_TO_EDGE : GL_CLAMP;
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
	if (glExt.aniso_avail) glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, nearest ? GL_NEAREST : GL_LINEAR);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
	                nearest ? GL_NEAREST : mip ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
	return ref;
}

void tman_class::force_load_tex(int ref)
{
	if (ref <= 0 || ref >= static_cast<int>(texes.size())) return;
	tex_struct const& rec = texes[ref];
	if (rec.load_time == tex_load_now) return;
	std::string const name = rec.name;
	load_texture_int(rec.fail_mode, tex_type_texture, ref, rec.flags, name, true);
}

int tman_class::load_all_scenery_texes()
{
	int const size = static_cast<int>(texes.size());
	int waiting = 0;
	for (int i = first_async; i < size; ++i)
		if (texes[i].load_time == tex_load_async) ++waiting;
	int k = 0;
	for (int i = first_async; i < size; ++i) {
		if (texes[i].load_time != tex_load_async) continue;
		std::string const name = texes[i].name;
		if (waiting < 20 || k % 10 == 0) {
			float fraction = static_cast<float>(k) / static_cast<float>(waiting);
			show("Loading scenery texture " + name.substr(0, name.rfind('/') + 1) + ".", &fraction);
		}
		load_texture_int(texes[i].fail_mode, tex_type_texture, i, texes[i].flags, name, false);
		++k;
	}
	first_async = static_cast<int>(texes.size());
	return first_async;
}

// ---- binding and the environment table ------------------------------------------------

namespace {

struct combine_arg {
	GLenum source, operand;
};

struct combine_row {
	GLenum rgb;
	combine_arg rgb_args[3];
	GLenum alpha;
	combine_arg alpha_args[3];
	float alpha_scale;
	bool constant;
	float k[4];
};

constexpr GLenum T = GL_TEXTURE, P = GL_PREVIOUS, Q = GL_PRIMARY_COLOR, K = GL_CONSTANT;
constexpr GLenum C = GL_SRC_COLOR, A = GL_SRC_ALPHA, NA = GL_ONE_MINUS_SRC_ALPHA;
constexpr GLenum REPL = GL_REPLACE, MOD = GL_MODULATE, ADD = GL_ADD, SUB = GL_SUBTRACT, INTERP = GL_INTERPOLATE;

// Modes 1..21: colour and alpha functions with their arguments (an
// interpolation takes a, b and the factor f for a*f + b*(1-f)).
combine_row const combine_table[21] = {
    /* 1 */ {ADD, {{P, C}, {T, C}}, ADD, {{P, A}, {T, A}}, 1, false, {}},
    /* 2 */ {REPL, {{T, C}}, SUB, {{T, A}, {Q, A}}, 1, false, {}},
    /* 3 */ {REPL, {{T, C}}, SUB, {{T, NA}, {Q, A}}, 1, false, {}},
    /* 4 */ {INTERP, {{P, C}, {T, C}, {P, A}}, MOD, {{T, A}, {K, A}}, 1, true, {1, 1, 1, 0.9f}},
    /* 5 */ {INTERP, {{P, C}, {T, C}, {P, A}}, MOD, {{T, NA}, {K, A}}, 1, true, {1, 1, 1, 0.9f}},
    /* 6 */ {MOD, {{P, C}, {Q, C}}, REPL, {{K, A}}, 1, true, {1, 1, 1, 1}},
    /* 7 */ {MOD, {{P, C}, {Q, C}}, REPL, {{T, A}}, 1, false, {}},
    /* 8 */ {MOD, {{P, C}, {Q, C}}, SUB, {{T, A}, {P, A}}, 4, false, {}},
    /* 9 */ {MOD, {{P, C}, {T, C}}, REPL, {{T, A}}, 1, false, {}},
    /* 10 */ {REPL, {{P, C}}, SUB, {{T, A}, {P, A}}, 4, false, {}},
    /* 11 */ {REPL, {{P, C}}, MOD, {{P, NA}, {T, A}}, 1, false, {}},
    /* 12 */ {MOD, {{P, C}, {P, NA}}, REPL, {{K, A}}, 1, true, {1, 1, 1, 1}},
    /* 13 */ {REPL, {{P, C}}, REPL, {{P, A}}, 1, false, {}},
    /* 14 */ {REPL, {{P, C}}, REPL, {{K, A}}, 1, true, {1, 1, 1, 1}},
    /* 15 */ {MOD, {{P, C}, {T, C}}, REPL, {{K, A}}, 1, true, {1, 1, 1, 1}},
    /* 16 */ {REPL, {{T, A}}, REPL, {{K, A}}, 1, true, {1, 1, 1, 1}},
    /* 17 */ {INTERP, {{T, C}, {P, C}, {T, A}}, REPL, {{P, A}}, 1, false, {}},
    /* 18 */ {INTERP, {{T, C}, {P, C}, {P, A}}, REPL, {{P, A}}, 1, false, {}},
    /* 19 */ {MOD, {{P, C}, {T, A}}, REPL, {{P, A}}, 1, false, {}},
    /* 20 */ {INTERP, {{T, C}, {P, C}, {K, C}}, INTERP, {{T, A}, {P, A}, {K, A}}, 1, false, {}},
    /* 21 */ {INTERP, {{Q, C}, {K, C}, {T, C}}, REPL, {{T, A}}, 1, true, {0, 0, 0, 0}},
};

int argument_count(GLenum function)
{
	return function == GL_REPLACE ? 1 : function == GL_INTERPOLATE ? 3 : 2;
}

}  // namespace

void tman_class::set_env(int mode, int format)
{
	if (!glExt.combine_avail || mode < 1 || mode > 21 || (mode == 1 && format != GL_RGBA)) {
		// Mode 1 on a texture without alpha is the plain add.
		glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode == 1 && glExt.combine_avail ? GL_ADD : mode);
		return;
	}
	combine_row const& row = combine_table[mode - 1];
	static GLenum const rgb_source[3] = {GL_SOURCE0_RGB, GL_SOURCE1_RGB, GL_SOURCE2_RGB};
	static GLenum const rgb_operand[3] = {GL_OPERAND0_RGB, GL_OPERAND1_RGB, GL_OPERAND2_RGB};
	static GLenum const alpha_source[3] = {GL_SOURCE0_ALPHA, GL_SOURCE1_ALPHA, GL_SOURCE2_ALPHA};
	static GLenum const alpha_operand[3] = {GL_OPERAND0_ALPHA, GL_OPERAND1_ALPHA, GL_OPERAND2_ALPHA};
	glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
	glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, row.rgb);
	for (int i = 0; i < argument_count(row.rgb); ++i) {
		glTexEnvi(GL_TEXTURE_ENV, rgb_source[i], row.rgb_args[i].source);
		glTexEnvi(GL_TEXTURE_ENV, rgb_operand[i], row.rgb_args[i].operand);
	}
	glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, row.alpha);
	for (int i = 0; i < argument_count(row.alpha); ++i) {
		glTexEnvi(GL_TEXTURE_ENV, alpha_source[i], row.alpha_args[i].source);
		glTexEnvi(GL_TEXTURE_ENV, alpha_operand[i], row.alpha_args[i].operand);
	}
	glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, row.alpha_scale);
	if (row.constant) glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, row.k);
}

void tman_class::bind_ref(int ref, int unit, int mode)
{
	if (mode == 0) mode = GL_MODULATE;
	if (unit < 0 || unit >= ren.tex_units || unit >= tex_units_cached) return;

	// A reference beyond the table binds as no texture.
	bool const in_table = ref >= 0 && ref < static_cast<int>(texes.size());
	tex_struct const* rec = in_table ? &texes[ref] : nullptr;
	int tex = rec ? static_cast<int>(rec->tex_id) : 0;
	if (rec && ref != 0 && rec->load_time != tex_load_now) {
		if (rec->load_time != tex_load_async)
			__VEDEZE_alert(0, "missing non-scenery texture - how?", "", "", rec->name, 1, "tman", __LINE__);
		tex = tex_placeholder;
	}
	if (bound_tex[unit] == tex && bound_env[unit] == mode) return;

	if (unit > 0) glActiveTexture(GL_TEXTURE0 + unit);
	bool force = false;
	if (bound_tex[unit] != tex) {
		if (tex == tex_placeholder && !placeholder_made) make_placeholder();
		glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(tex));
		bound_tex[unit] = tex;
		if (mode == 1) force = true;  // mode 1 depends on the texture's format
	}
	if (mode != bound_env[unit] || force) {
		bound_env[unit] = mode;
		set_env(mode, rec ? rec->format : 0);
	}
	if (unit > 0) glActiveTexture(GL_TEXTURE0);
}

void tman_class::set_blend_level(int unit, float level)
{
	if (unit < 0 || unit >= ren.tex_units) return;
	float const colour[4] = {level, level, level, level};
	if (unit > 0) glActiveTexture(GL_TEXTURE0 + unit);
	glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
	if (unit > 0) glActiveTexture(GL_TEXTURE0);
}

void tman_class::reset_bind()
{
	for (int i = 0; i < tex_units_cached; ++i) bound_tex[i] = bound_env[i] = -1;
	placeholder_made = false;  // a new context has no textures yet
}

void tman_class::set_chroma_key(unsigned char rgba[4]) { memcpy(key_color, rgba, 4); }

// ---- unloading and use counts -------------------------------------------------------------

void tman_class::unload_texture(int ref)
{
	// The placeholder is the manager's own: failed and waiting records copy
	// and bind it for the whole run.
	if (ref < 0 || ref >= static_cast<int>(texes.size()) || ref == tex_placeholder) return;
	tex_struct& rec = texes[ref];
	if (rec.tex_id != 0 && rec.tex_id != tex_placeholder) {
		GLuint const name = rec.tex_id;
		glDeleteTextures(1, &name);
		// GL unbinds a deleted texture; the cache must not claim it is bound.
		for (int i = 0; i < tex_units_cached; ++i)
			if (bound_tex[i] == static_cast<int>(name)) bound_tex[i] = -1;
	}
	if (rec.load_time == tex_load_now && rec.vram != 0) --loaded;
	if (rec.load_type != tex_type_free) --total;
	auto const entry = tex_hash.find(rec.name);
	if (entry != tex_hash.end() && entry->second == ref) tex_hash.erase(entry);
	rec = free_record();
}

void tman_class::purge_unused_texes()
{
	for (int i = 0; i < static_cast<int>(texes.size()); ++i)
		if (texes[i].use_count == 0) unload_texture(i);
}

void tman_class::start_use_tex(int ref)
{
	if (ref < 0 || ref >= static_cast<int>(texes.size())) return;
	if (texes[ref].use_count == -1) texes[ref].use_count = 0;
	++texes[ref].use_count;
}

void tman_class::stop_use_tex(int ref)
{
	if (ref < 0 || ref >= static_cast<int>(texes.size())) return;
	--texes[ref].use_count;
}

// ---- counters -------------------------------------------------------------------------------

int tman_class::tot_vram() const
{
	int sum = mnw.x_res_use * mnw.y_res_use * mnw.col_res_use / 8;
	for (tex_struct const& t : texes) sum += t.vram;
	return sum;
}

int tman_class::num_remaining_async_texes() const
{
	int n = 0;
	for (int i = first_async; i < static_cast<int>(texes.size()); ++i)
		if (texes[i].load_time == tex_load_async) ++n;
	return n;
}

float tman_class::scale_rat() const { return tex_res_scale(mnw.tex_res); }

// ---- asynchronous loading ---------------------------------------------------------------------

int tman_class::load_scenery_async_register(tman_force_finish_obj* owner)
{
	for (int i = first_async; i < static_cast<int>(texes.size()); ++i) {
		if (texes[i].load_time != tex_load_async) continue;
		async_vars = tex_load_vars{};
		async_vars.fail_mode = texes[i].fail_mode;
		async_vars.load_type = tex_type_texture;
		async_vars.ref = i;
		async_vars.flags = texes[i].flags;
		async_vars.announce = 0;
		async_vars.path = texes[i].name;
		async_job = &async_vars;
		async_owner = owner;
		return 1;
	}
	first_async = static_cast<int>(texes.size());
	return 0;
}

void tman_class::load_scenery_async_work() { async_result = load_texture_io(async_job); }

void tman_class::load_scenery_async_finalize()
{
	if (async_owner) load_texture_ogl(async_job, async_result);
	async_owner = nullptr;
	async_job = nullptr;
}
