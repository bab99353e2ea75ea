#include "webmodule.h"

#include "translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

#ifndef ZENTRIK_WEB_MODULE_FILE
#define ZENTRIK_WEB_MODULE_FILE "libzentrik_web.so"
#endif
#ifndef ZENTRIK_WEB_MODULE_INSTALL_DIR
#define ZENTRIK_WEB_MODULE_INSTALL_DIR "../lib/zentrik-assistant"
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

QString moduleFileName()
{
    return QStringLiteral(ZENTRIK_WEB_MODULE_FILE);
}

QStringList &addedCandidates()
{
    static QStringList candidates;
    return candidates;
}

} // namespace

QStringList webModuleCandidates(const QString &programDir)
{
    const QString installed = programDir + QLatin1Char('/')
        + QStringLiteral(ZENTRIK_WEB_MODULE_INSTALL_DIR) + QLatin1Char('/') + moduleFileName();
    return QStringList{programDir + QLatin1Char('/') + moduleFileName(),
                       QDir::cleanPath(installed)}
        + addedCandidates();
}

void addWebModuleCandidate(const QString &path)
{
    addedCandidates().append(path);
}

QFunctionPointer webModuleFunction(const char *name, QString *error)
{
    QStringList problems;
    for (const QString &path : webModuleCandidates(QCoreApplication::applicationDirPath())) {
        if (!QFileInfo::exists(path))
            continue;
        // Kept loaded: QLibrary unloads only when asked to.
        QLibrary module(path);
        if (QFunctionPointer function = module.resolve(name))
            return function;
        problems.append(module.errorString());
    }
    *error = problems.isEmpty()
        ? mainTr("找不到网页模块%1").arg(moduleFileName())
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
