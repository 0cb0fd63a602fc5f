// The parent "window" a host hands to an editor's open request when it wants
// the editor drawn in memory instead of on an X display (oxel shot, tests).
// Plain C layout, shared by hosts and plug-ins; nothing here needs the
// toolkit.
//
// Selection, at every open request: the plug-in treats the open pointer as
// the address of this record when it is aligned for it and points at
// readable memory (checked by a probe that cannot fault) that holds the
// magic and version below; anything else is the host's X11 Window id, never
// dereferenced. So one process can open editors of both kinds at once, and
// a host picks the kind with the pointer it passes, nothing else. Each
// headless window has its own clock, started where the steady clock is at
// the open.
//
// Input script (one step a line, '#' starts a comment, coordinates in window
// pixels, MODS any of shift ctrl alt super):
//   press X Y [MODS] [button N]   button N (1 left, 2 middle, 3 right) goes down
//   release X Y [button N]        and up again
//   move X Y [MODS]               pointer motion, with MODS held (a
//                                 modifier pressed or let go mid-drag)
//   drag X1 Y1 X2 Y2 [MODS] [steps N]
//                                 left button down at X1 Y1, N motions
//                                 (default 8) to X2 Y2 20 ms apart, up there
//   click X Y [MODS]              press and release at once (a quick click)
//   wheel up|down X Y [MODS]      one wheel notch
//   key NAME [MODS]               key down and up: a character, or one of
//                                 left right up down return enter escape space
//                                 tab backspace delete home end pageup pagedown
//                                 insert f1..f12
//   menu I [J ...] | menu cancel  answers the open pop-up menu: entry I of
//                                 its first level (counted from 0, separators
//                                 and titles included), entry J of the
//                                 submenu there, ...; or dismisses it. While
//                                 a menu is open, keys and clicks also work
//                                 it as on a screen (window pixels)
//   wait MS                       MS milliseconds pass before the next step
// Steps between two waits arrive together; each wait lets the editor's
// clock move on (the clock of a headless editor only moves when the script
// waits, when the editor waits, and by idleStepMs at each host idle). A
// script that ends with a button held releases it at the end.
#pragma once

#include <stdint.h>

#define OXEL_HEADLESS_PARENT_MAGIC 0x6F786870u /* 'oxhp' */
#define OXEL_HEADLESS_PARENT_VERSION 1u

struct OxelHeadlessParent {
  uint32_t magic;    /* OXEL_HEADLESS_PARENT_MAGIC */
  uint32_t version;  /* OXEL_HEADLESS_PARENT_VERSION */
  /* Set by the host before the open request. */
  const char* script;  /* input script, or null */
  uint32_t idleStepMs; /* virtual time that passes before each host idle */
  uint32_t reserved;
  /* Written by the editor's window. pixels (0x00RRGGBB, `width` per row) is
     what the window has shown so far: drawing reaches it only when the window
     flushes, exactly as it reaches an X window. Valid until the close
     request; null while no window is open. */
  const uint32_t* pixels;
  int32_t width;
  int32_t height;
  uint32_t flushCount;   /* flushes that changed pixels */
  uint32_t scriptDone;   /* 1 once every step of the script has been delivered */
  uint32_t scriptError;  /* line number of the first step that could not be read, 0 if none */
  uint32_t openWindows;  /* windows currently open on this record */
};
