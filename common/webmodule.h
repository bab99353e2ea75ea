#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The program's web views (the GPS map, the tutorial pages) live in a module
// of their own, libzentrik_web.so, loaded the first time one is needed.
// Linked into the program, the web engine would be loaded, relocated and set
// up (with an OpenGL context, and so the OpenGL driver) at every start,
// whether a web page is ever shown or not.
//
// Where the module is looked for, in order, for a program in programDir:
// beside it (the build tree), in the installed private library directory
// (<prefix>/lib/zentrik-assistant for <prefix>/bin), then the paths added
// with addWebModuleCandidate().
QStringList webModuleCandidates(const QString &programDir);

// One more place to look for the module, after the program's own: for
// programs built elsewhere than the program (tests, benchmarks), which are
// told where the build put it.
void addWebModuleCandidate(const QString &path);

// The function `name` that the module exports, the module loaded on first
// use from the first candidate that exists; nullptr, with the reason, when
// it cannot be had.
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
