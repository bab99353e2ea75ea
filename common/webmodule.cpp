#include "webmodule.h"

#include "translation.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

#ifndef ZENTRIK_WEB_MODULE
#define ZENTRIK_WEB_MODULE "libzentrik_web.so"
#endif

namespace {

QtMessageHandler g_previousHandler = nullptr;

void dropSharedContextWarnings(QtMsgType type, const QMessageLogContext &context,
                               const QString &message)
{
    if (message.contains(QLatin1String("AA_ShareOpenGLContexts"))
        || message.contains(QLatin1String("OpenGL context creation failed")))
        return;
    g_previousHandler(type, context, message);
}

QStringList moduleCandidates()
{
    const QString built = QStringLiteral(ZENTRIK_WEB_MODULE);
    return {QCoreApplication::applicationDirPath() + QLatin1Char('/') + QFileInfo(built).fileName(),
            built};
}

} // namespace

QFunctionPointer webModuleFunction(const char *name, QString *error)
{
    QStringList problems;
    for (const QString &path : moduleCandidates()) {
        if (!QFileInfo::exists(path))
            continue;
        // Kept loaded: QLibrary unloads only when asked to.
        QLibrary module(path);
        if (QFunctionPointer function = module.resolve(name))
            return function;
        problems.append(module.errorString());
    }
    *error = problems.isEmpty()
        ? mainTr("找不到网页模块%1").arg(QFileInfo(QStringLiteral(ZENTRIK_WEB_MODULE)).fileName())
        : problems.join(QLatin1Char('\n'));
    return nullptr;
}

WebModuleWarningsDropped::WebModuleWarningsDropped()
{
    g_previousHandler = qInstallMessageHandler(dropSharedContextWarnings);
}

WebModuleWarningsDropped::~WebModuleWarningsDropped()
{
    qInstallMessageHandler(g_previousHandler);
}
