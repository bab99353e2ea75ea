#include "webenginesandbox.h"

#include <QByteArray>
#include <QtGlobal>

namespace {
const char kSandboxVariable[] = "QTWEBENGINE_DISABLE_SANDBOX";
}

QString relaxWebEngineSandboxForRoot(unsigned effectiveUserId)
{
    if (effectiveUserId != 0 || qEnvironmentVariableIsSet(kSandboxVariable))
        return {};
    qputenv(kSandboxVariable, QByteArrayLiteral("1"));
    return QStringLiteral("zentrik-assistant: running as root, so the map's web engine runs "
                          "without its sandbox. Start the program as a normal user to keep it.");
}
