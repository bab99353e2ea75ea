#pragma once

#include <QUrl>

// Where a tutorial page may go. Shared by the tutorials tab and the web
// module that shows the pages, which links nothing else of ours.
enum class NavigationVerdict {
    OpenInView,    // a page of the maker's site
    OpenInBrowser, // a web page elsewhere, chosen by the user's click
    Refuse,
};

// The verdict for a page that asks to show `url`: any navigation of a page
// or one of its frames, or a new window. `byUserClick` is true only for a
// link the user clicked in the page itself (or a window opened by that
// click); redirects, scripts, forms and frames never reach the browser.
// Schemes other than http and https are refused.
NavigationVerdict navigationVerdict(const QUrl &url, bool byUserClick, const QUrl &serverBase);
