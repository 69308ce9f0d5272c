// What the shell calls in the application: the per-frame update, menu and
// key callbacks, and the loading of the built-in images. The application
// defines them; test programs define small versions of their own.
#pragma once

void APP_update();
void APP_handlemenu(int code);
void APP_handlekey(int kind, int value);  // 0 char, 1 navigation key, 2 Control letter, 3 function key
void recall_ins_texes();
