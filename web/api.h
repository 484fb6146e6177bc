// The core as the browser's shell sees it: plain C functions over the program's one state,
// exported from the WebAssembly module. Every text is UTF-8, returned as a pointer into the
// module's memory that stays valid until the next call of the same function.
//
// The picture is the drawing of the window: 793 x 553 pixels, the window colour where nothing is
// drawn; the controls (list, buttons, panels, speed bar, labels) are the shell's own elements,
// placed from tt_state_json().
#pragma once

#include <cstdint>

extern "C" {

// Builds the program's state (the idle screen, nothing drawn yet). Call once, first.
void tt_init();

// One timer tick (the shell's timer calls it every tt_state_json().interval ms while playing).
void tt_tick();

// A choice in the scene list followed by a click on « Démarrer l'Animation » (0 to 6), or a new
// run of the laboratory (7).
void tt_select(int item);

// A click on the comment button that is showing (B1 to B4; the laboratory's page in scene 7).
void tt_comments();

// The speed bar's position (20 to 200: the timer period in ms).
void tt_set_speed(int position);

// Going about in a lesson: the frame (1 to 159) shown as the lesson draws it, the last frame,
// one frame back, and the scene started again.
void tt_goto(int frame);
void tt_end();
void tt_step_back();
void tt_restart();

// A laboratory setting, NAME=VALUE as on the desktop's command line (--set); returns "" when
// taken, else the French message saying why not (nothing changed).
const char* tt_set(const char* setting);

// The picture as RGBA bytes (793 * 553 * 4), and the rectangle that changed since the last call
// of tt_take_dirty (x, y, width, height in the 4 ints; width 0: nothing changed).
const std::uint8_t* tt_picture_rgba();
void tt_take_dirty(int* rect4);

// Everything the shell shows besides the picture, as one JSON object:
// { "scene": -1..7, "sceneName": "...", "frame": k, "frames": 159 or 0, "interval": ms,
//   "controls": [ { "name": "ListBox1", "kind": "list"|"button"|"label"|"page"|"scrollbar",
//                   "x":..,"y":..,"w":..,"h":.., "visible": bool, "enabled": bool,
//                   "text": "...", "items": [...], "selected": i, "font": {...},
//                   "colour": "#rrggbb", "page": serial, "value": .., "min": .., "max": .. } ...],
//   "messages": [ "..." ],          // to show to the user, once
//   "lab": { "settings": [...], "running": bool } }
const char* tt_state_json();

// The commentary page shown in a page control ("RichEdit1" or "RichEdit2") as an HTML fragment.
const char* tt_page_html(const char* control);

// The laboratory's run: CSV (as --csv) and conclusions (JSON, as --results); "" without a run.
const char* tt_csv();
const char* tt_results_json();
}
