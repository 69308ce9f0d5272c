#include "support/ins_drawing.h"

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/tman.h"
#include "support/gl_context.h"

void ins_drawing_reset(int w, int h)
{
	tman = tman_class();
	tman.reset_bind();
	tman_set_show_init(nullptr);
	colr = colr_class();
	ren.fade_alpha = 1.0f;
	ren.mono_mode = 0;
	mnw.tex_res = 5;
	mnw.col_res_use = 32;
	mnw.lay_scale = 1.0f;
	mnw.org_x = mnw.org_y = 0.0f;
	mnw.x_res_use = w;
	mnw.y_res_use = h;
}

void ins_gl_screen_start(gl_test_context& gl, int w, int h)
{
	gl.probe();
	gl.start_2d();
	ins_drawing_reset(w, h);
	mnw.window[0] = gl.window();
	mnw.context[0] = gl.surface().context;
}
