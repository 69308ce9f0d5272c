#include "graphics/oglp_draw.h"

#include <GL/gl.h>

#include "foundation/app_globals.h"
#include "graphics/oglp.h"
#include "graphics/oglp_font.h"
#include "graphics/tman.h"
#include "graphics/tman_image.h"

void OGL_2dquad(int ref, int col, float alpha,
                float x1, float y1, float s1, float t1,
                float x2, float y2, float s2, float t2,
                float x3, float y3, float s3, float t3,
                float x4, float y4, float s4, float t4,
                int units, int alpha_code)
{
	OGL_setstate(1, units, 3, alpha_code, 9, 11);
	if (ref > 0) tman.bind_ref(ref, 0, 0);
	OGL_set_colour(col, alpha);
	float const ox = mnw.org_x, oy = mnw.org_y;
	glBegin(GL_QUADS);
	glTexCoord2f(s1, t1);
	glVertex2f(x1 + ox, y1 + oy);
	glTexCoord2f(s2, t2);
	glVertex2f(x2 + ox, y2 + oy);
	glTexCoord2f(s3, t3);
	glVertex2f(x3 + ox, y3 + oy);
	glTexCoord2f(s4, t4);
	glVertex2f(x4 + ox, y4 + oy);
	glEnd();
}

void OGL_2dquad_d(int ref, int col, float alpha, float x, float y, float s, float t, float w, float h,
                  float ds, float dt, int alpha_code)
{
	OGL_2dquad(ref, col, alpha, x, y, s, t, x, y + h, s, t + dt, x + w, y + h, s + ds, t + dt, x + w, y,
	           s + ds, t, 1, alpha_code);
}

void OGL_plot_back_tex()
{
	if (mnw.cur_win == -1 && (mnw.lay_off_x > 0.0f || mnw.menu_dy > 0.0f)) OGL_plot_back_col();
	OGL_setstate(1, 1, 3, ren.fade_alpha > 0.99f ? 6 : 5, 9, 11);
	OGL_set_colour(0, 1.0f);
	tman.bind_ref(389, 0, 0);
	float const L = mnw.lay_off_x;
	glBegin(GL_QUADS);
	glTexCoord2f(0, 0);
	glVertex2f(L, 0);
	glTexCoord2f(0, 1);
	glVertex2f(L, 1024);
	glTexCoord2f(1, 1);
	glVertex2f(L + 1024, 1024);
	glTexCoord2f(1, 0);
	glVertex2f(L + 1024, 0);
	glEnd();
}

void OGL_make_back_tex()
{
	if (mnw.cur_win == -1)
		tman.load_bitmap(static_cast<tex_fail_mode>(4), 0, 2, "Resources:bitmaps:intro.png");
	OGL_setstate(1, 1, 3, 5, 9, 11);
	scratch_dx = scratch_dy = 1024;
	tman.load_texture(static_cast<tex_fail_mode>(4), 389, 514, static_cast<tex_load_time>(100),
	                  "scratch_array-t_tex_back");
}
