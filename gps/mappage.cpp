#include "mappage.h"

#include "translation.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#ifndef ZENTRIK_MAP_MODULE
#define ZENTRIK_MAP_MODULE "libzentrik_mapview.so"
#endif

namespace {

using CreateMapPage = MapPage *(*)(QWidget *);

// The web engine warns that it found no OpenGL context shared with the
// window. There is none by design: making one at the program's start would
// load the OpenGL driver into every run, needed or not, so the map draws
// without one. Only these two lines are dropped, while the map is set up.
QtMessageHandler g_previousHandler = nullptr;

void dropSharedContextWarnings(QtMsgType type, const QMessageLogContext &context,
                               const QString &message)
{
    if (message.contains(QLatin1String("AA_ShareOpenGLContexts"))
        || message.contains(QLatin1String("OpenGL context creation failed")))
        return;
    g_previousHandler(type, context, message);
}

class SharedContextWarningsDropped
{
public:
    SharedContextWarningsDropped() { g_previousHandler = qInstallMessageHandler(dropSharedContextWarnings); }
    ~SharedContextWarningsDropped() { qInstallMessageHandler(g_previousHandler); }
};

// Beside the program first, then where the build put it.
QStringList moduleCandidates()
{
    const QString built = QStringLiteral(ZENTRIK_MAP_MODULE);
    return {QCoreApplication::applicationDirPath() + QLatin1Char('/') + QFileInfo(built).fileName(),
            built};
}

} // namespace

MapPage *createMapPage(QWidget *parent, QString *error)
{
    const SharedContextWarningsDropped quiet;
    static CreateMapPage create = nullptr;
    if (!create) {
        QStringList problems;
        for (const QString &path : moduleCandidates()) {
            if (!QFileInfo::exists(path))
                continue;
            QLibrary module(path);
            create = reinterpret_cast<CreateMapPage>(module.resolve("zentrik_create_map_page"));
            if (create)
                break;
            problems.append(module.errorString());
        }
        if (!create) {
            *error = problems.isEmpty()
                ? mainTr("找不到地图模块%1").arg(QFileInfo(QStringLiteral(ZENTRIK_MAP_MODULE)).fileName())
                : problems.join(QLatin1Char('\n'));
            return nullptr;
        }
    }
    return create(parent);
}
