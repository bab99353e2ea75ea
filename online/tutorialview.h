#pragma once

#include <QUrl>

#include <functional>

class QWidget;

// Hands a link that leaves the maker's site to the system (its browser).
using OutsideLinkOpener = std::function<void(const QUrl &)>;
// Whether a link leaves the maker's site.
using LinkLeavesSite = std::function<bool(const QUrl &)>;

// A tutorial page showing `url`, in a web view of the web module
// (common/webmodule.h). Links within the maker's site open in the view
// itself, also those asking for a new window; links that lead elsewhere go
// to `openOutside`.
using CreateTutorialView = QWidget *(*)(const LinkLeavesSite &leavesSite,
                                        const OutsideLinkOpener &openOutside, const QUrl &url,
                                        QWidget *parent);
constexpr char kCreateTutorialView[] = "zentrik_create_tutorial_view";
