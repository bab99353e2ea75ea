#pragma once

// The program's windows are plain raster windows: no OpenGL driver is loaded
// to open them, which alone would hold some 50 MB of memory from the start
// (a software driver on a machine without one). The web views of the map and
// the tutorials draw in software too (web/webviewrendering.h). Call before the
// application object is made.
void useRasterWindows();
