#pragma once

#include <QString>

// The web engine refuses to start as root with its sandbox on, and the
// program would exit at once. Run as root (euid 0), the sandbox is turned
// off for this process only, before the web engine starts, and the returned
// line says so; otherwise nothing changes and the line is empty. A sandbox
// setting the user made already is left alone.
QString relaxWebEngineSandboxForRoot(unsigned effectiveUserId);
