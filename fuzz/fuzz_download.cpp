// The decisions of a download (how much to read, which redirect to follow)
// and of a tutorial page (where an address may open), fed arbitrary input.
#include "downloadrules.h"
#include "fuzzcheck.h"
#include "navigation.h"
#include "onlinesite.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <cstdint>
#include <cstring>

namespace {

// A transfer bounded by the first four bytes (all 0xFF: no bound), the
// rest giving, two bytes each, how much the reply has at each read.
void checkReads(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return;
    quint32 bound = 0;
    std::memcpy(&bound, bytes.constData(), sizeof bound);
    const qint64 maxBytes = bound == 0xFFFFFFFFu ? -1 : qint64(bound % (1u << 20));
    qint64 received = 0;
    qint64 offered = 0;
    for (int i = 4; i + 1 < bytes.size(); i += 2) {
        const qint64 available = (quint8(bytes.at(i)) << 8 | quint8(bytes.at(i + 1))) * 4;
        offered += available;
        qint64 left = available;
        while (left > 0) {
            const qint64 count = bytesToRead(left, received, maxBytes);
            check(count > 0 && count <= left, "every read takes some of what is there");
            received += count;
            left -= count;
            if (maxBytes >= 0 && received > maxBytes) {
                check(received == maxBytes + 1, "never more than one byte past the bound");
                check(offered > maxBytes, "refused only past the bound");
                return;
            }
        }
    }
    check(received == offered, "all of a bounded transfer is taken");
    check(bytesToRead(0, received, maxBytes) == 0, "nothing read from nothing");
}

// Lines: the address asked for, a redirect's target, a page's address.
void checkAddresses(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    const QUrl asked = QUrl::fromEncoded(lines.value(0));
    const QUrl target = asked.resolved(QUrl::fromEncoded(lines.value(1)));
    if (isRedirectAllowed(asked, target)) {
        check(target.scheme() == asked.scheme(), "a redirect keeps its scheme");
        check(target.scheme() == "http" || target.scheme() == "https", "redirects only to the web");
        check(!target.host().isEmpty(), "a redirect names a host");
    }
    const QUrl base("https://www.zentrik.example/software/assistant/");
    const QUrl page = QUrl::fromEncoded(lines.value(2));
    for (const bool click : {false, true}) {
        const NavigationVerdict verdict = navigationVerdict(page, click, base);
        const bool web = page.scheme() == "http" || page.scheme() == "https";
        if (verdict == NavigationVerdict::OpenInView)
            check(web && !leavesMakersSite(page, base), "only the site's pages in the view");
        if (verdict == NavigationVerdict::OpenInBrowser)
            check(web && click, "the browser only for a web page clicked");
        if (!web)
            check(verdict == NavigationVerdict::Refuse, "other schemes refused");
    }
    const qint64 length = lines.value(3).toLongLong();
    const qint64 total = progressTotal(-1, length);
    check(total == -1 || (total > 0 && total == length), "a total is known or -1");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    checkReads(bytes);
    checkAddresses(bytes);
    return 0;
}
