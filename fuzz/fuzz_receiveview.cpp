// The receive view: pieces appended, dropped, cleared and redrawn in any
// order. The first bytes choose the view (lines of HTML, a stream of plain
// text, or a stream into a plain edit with a block limit), its character
// limit and how much a redraw may add; then each byte is a redraw, a
// clearing or a piece of the given length. Whatever comes, a redrawn view
// shows exactly what its log keeps, as a fresh document built from those
// pieces would, and never more than the log's bound.
#include "fuzzcheck.h"
#include "netlog.h"
#include "receiveview.h"
#include "textcodec.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

enum class Variant { Lines, Stream, LimitedPlain };

// The document the view's pieces make when put in at once.
QString freshText(const LineLog &log, Variant variant)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    for (qint64 number = log.firstNumber(); number < log.endNumber(); ++number) {
        if (variant != Variant::Lines) {
            cursor.insertText(log.line(number));
            continue;
        }
        if (number > log.firstNumber())
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertHtml(log.line(number));
    }
    return document.toPlainText();
}

// `fresh` is what a fresh document shows of the log, made again only when
// the log may have changed since.
void checkShown(const ReceiveView &view, const QTextDocument &document, Variant variant,
                int blockLimit, QString &fresh, bool &logChanged)
{
    const LineLog &log = view.log();
    if (logChanged) {
        fresh = freshText(log, variant);
        logChanged = false;
    }
    const QString shown = document.toPlainText();
    if (variant == Variant::LimitedPlain) {
        check(fresh.endsWith(shown), "a limited view shows the end of what is kept");
        check(document.blockCount() <= blockLimit, "a limited view keeps its block limit");
    } else {
        check(shown == fresh, "the view shows what is kept, as a fresh document would");
    }
    const int separators = variant == Variant::Lines ? log.lineCount() : 0;
    check(document.characterCount() - 1 <= log.charCount() + separators,
          "the view holds no more than its log's bound");
}

} // namespace

// Font configuration keeps its caches until the process ends.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept for the whole run and never torn down: the views need it, and
    // what it holds stays reachable.
    static QApplication *app = new QApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const auto variant = Variant(data[0] % 3);
    const int limit = 16 + data[1] * 4;
    const int perRedraw = data[2] == 0 ? -1 : data[2];
    const int blockLimit = 2 + data[0] / 3 % 8;
    const auto kind = variant == Variant::Lines ? ReceiveView::Kind::Lines
                                                : ReceiveView::Kind::Stream;
    // Only the edit the view uses: building one costs more than most inputs.
    std::unique_ptr<QTextEdit> edit;
    std::unique_ptr<QPlainTextEdit> plain;
    std::unique_ptr<ReceiveView> view;
    if (variant == Variant::LimitedPlain) {
        plain = std::make_unique<QPlainTextEdit>();
        plain->setMaximumBlockCount(blockLimit);
        view = std::make_unique<ReceiveView>(plain.get(), kind, limit, nullptr);
    } else {
        edit = std::make_unique<QTextEdit>();
        view = std::make_unique<ReceiveView>(edit.get(), kind, limit, nullptr);
    }
    view->setCharsPerRedraw(perRedraw);
    const QTextDocument &document = plain ? *plain->document() : *edit->document();
    StreamTextDecoder decoder;
    QString fresh;
    bool logChanged = true;

    for (size_t at = 3; at < size;) {
        const uint8_t op = data[at++];
        if (op < 16) {
            // Every redraw a timer would run, then what is shown.
            do
                view->redrawNow();
            while (view->redrawPending());
            checkShown(*view, document, variant, blockLimit, fresh, logChanged);
        } else if (op < 20) {
            view->clear();
            logChanged = true;
        } else {
            logChanged = true;
            const size_t length = std::min<size_t>(op - 20, size - at);
            const QByteArray bytes(reinterpret_cast<const char *>(data + at), int(length));
            at += length;
            if (variant == Variant::Lines)
                view->append(NetLogLine::received(QStringLiteral("1.2.3.4:5"), QTime(1, 2, 3),
                                                  PayloadView::html(bytes, op % 2, &decoder)));
            else
                view->append(op % 2 ? decoder.decode(bytes)
                                    : QString::fromUtf16(reinterpret_cast<const char16_t *>(
                                                             bytes.constData()),
                                                         bytes.size() / 2));
        }
    }
    do
        view->redrawNow();
    while (view->redrawPending());
    checkShown(*view, document, variant, blockLimit, fresh, logChanged);
    return 0;
}
