#include "mappage.h"

#include "webmodule.h"

MapPage *createMapPage(QWidget *parent, QString *error)
{
    const WebModuleWarningsDropped quiet;
    const auto create = reinterpret_cast<CreateMapPage>(webModuleFunction(kCreateMapPage, error));
    return create ? create(parent) : nullptr;
}
