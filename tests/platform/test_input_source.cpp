// The input source seam: events in order, the mouse, flushing.
#include <gtest/gtest.h>

#include "platform/input_source.h"

TEST(InputSource, ScriptedEventsComeInOrderAndFlushEmptiesThem)
{
	PLT_event ev;
	int h = 5, v = 5;
	PLT_input_set_source(nullptr);
	EXPECT_FALSE(PLT_input_next(&ev));
	EXPECT_EQ(ev.what, 0);
	PLT_input_mouse(nullptr, &h, &v);
	EXPECT_EQ(h + v, 0);

	PLT_scripted_input script;
	PLT_input_set_source(&script);
	PLT_event down;
	down.what = 1;
	down.h = 30;
	PLT_event key;
	key.what = 3;
	key.message = 'a' | (0x00 << 8);
	script.push(down);
	script.push(key);
	script.set_mouse(30, 40);
	PLT_input_mouse(nullptr, &h, &v);
	EXPECT_EQ(h, 30);
	EXPECT_EQ(v, 40);
	ASSERT_TRUE(PLT_input_next(&ev));
	EXPECT_EQ(ev.what, 1);
	EXPECT_EQ(ev.h, 30);
	ASSERT_TRUE(PLT_input_next(&ev));
	EXPECT_EQ(ev.what, 3);
	EXPECT_EQ(ev.message & 0xFFu, static_cast<unsigned>('a'));
	EXPECT_FALSE(PLT_input_next(&ev));

	script.push(down);
	script.push(down);
	PLT_input_flush();
	EXPECT_EQ(script.pending(), 0u);
	PLT_input_set_source(nullptr);
}
