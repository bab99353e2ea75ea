// Linked into the programs the build runs from elsewhere than app/ (tests,
// benchmarks, the screenshot tour): before main(), the web module is looked
// for where the build put it too. The program itself never links this.
#include "webmodule.h"

#include <QtGlobal>

namespace {

void addBuiltWebModule()
{
    addWebModuleCandidate(QStringLiteral(ZENTRIK_WEB_MODULE));
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(addBuiltWebModule)
