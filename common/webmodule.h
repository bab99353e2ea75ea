#pragma once

#include <QString>
#include <QtGlobal>

// The program's web views (the GPS map, the tutorial pages) live in a module
// of their own, libzentrik_web.so, loaded the first time one is needed.
// Linked into the program, the web engine would be loaded, relocated and set
// up (with an OpenGL context, and so the OpenGL driver) at every start,
// whether a web page is ever shown or not.
//
// The function `name` that the module exports, the module loaded on first
// use (beside the program, else where the build put it); nullptr, with the
// reason, when it cannot be had.
QFunctionPointer webModuleFunction(const char *name, QString *error);

// Held while the module is loaded and a view made: without an OpenGL
// context shared from the start the web engine composes in software, which
// its pages do not notice, and warns about it then. Only those warnings are
// dropped.
class WebModuleWarningsDropped
{
public:
    WebModuleWarningsDropped();
    ~WebModuleWarningsDropped();
    WebModuleWarningsDropped(const WebModuleWarningsDropped &) = delete;
    WebModuleWarningsDropped &operator=(const WebModuleWarningsDropped &) = delete;
};
