#pragma once

#include "navigation.h"

#include <QUrl>

#include <functional>

class QWidget;

// Hands a web page that leaves the maker's site to the system (its browser).
using OutsideLinkOpener = std::function<void(const QUrl &)>;
// Where a tutorial page may go (navigationVerdict() with the server base).
using NavigationJudge = std::function<NavigationVerdict(const QUrl &, bool byUserClick)>;

// A tutorial page showing `url`, in a web view of the web module
// (common/webmodule.h). Every navigation of the page, its frames and the
// windows it asks for goes through `judge`: pages of the maker's site open
// in the view itself, also those asking for a new window; pages elsewhere
// the user clicked go to `openOutside`; everything else is refused.
using CreateTutorialView = QWidget *(*)(const NavigationJudge &judge,
                                        const OutsideLinkOpener &openOutside, const QUrl &url,
                                        QWidget *parent);
constexpr char kCreateTutorialView[] = "zentrik_create_tutorial_view";
