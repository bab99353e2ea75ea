#include "ciplineedit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace {

constexpr int kMaxFieldValue = 255;
constexpr int kMaxFieldDigits = 3;

// One field of the address: at most three digits, worth at most 255.
class OctetValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return Intermediate;
        if (input.size() > kMaxFieldDigits)
            return Invalid;
        for (const QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
        }
        return input.toInt() <= kMaxFieldValue ? Acceptable : Invalid;
    }
};

bool isOctet(const QString &text)
{
    QString copy = text;
    int position = 0;
    return OctetValidator().validate(copy, position) == QValidator::Acceptable;
}

} // namespace

CIPLineEdit::CIPLineEdit(QWidget *parent)
    : QFrame(parent)
{
    // Framed and filled like a line edit, with the fields borderless inside.
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    auto *validator = new OctetValidator(this);
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            auto *dot = new QLabel(QStringLiteral("."), this);
            dot->setBackgroundRole(QPalette::Base);
            layout->addWidget(dot);
        }
        QLineEdit *field = new QLineEdit(this);
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(kMaxFieldDigits);
        field->setValidator(validator);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, [this] { emit textChanged(text()); });
        layout->addWidget(field);
        m_fields[i] = field;
    }
    setFocusProxy(m_fields[0]);
}

QString CIPLineEdit::text() const
{
    QStringList parts;
    for (const QLineEdit *field : m_fields)
        parts << field->text();
    return parts.join(QLatin1Char('.'));
}

void CIPLineEdit::setText(const QString &address)
{
    const QStringList parts = address.split(QLatin1Char('.'));
    for (int i = 0; i < kFieldCount; ++i) {
        const QString part = i < parts.size() ? parts.at(i).trimmed() : QString();
        m_fields[i]->setText(isOctet(part) ? part : QString());
    }
}

bool CIPLineEdit::isComplete() const
{
    for (const QLineEdit *field : m_fields) {
        if (field->text().isEmpty())
            return false;
    }
    return true;
}

int CIPLineEdit::fieldIndex(QObject *object) const
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (m_fields[i] == object)
            return i;
    }
    return -1;
}

void CIPLineEdit::moveTo(int field, bool toEnd)
{
    if (field < 0 || field >= kFieldCount)
        return;
    QLineEdit *target = m_fields[field];
    target->setFocus();
    target->setCursorPosition(toEnd ? target->text().size() : 0);
}

bool CIPLineEdit::eventFilter(QObject *watched, QEvent *event)
{
    const int index = fieldIndex(watched);
    if (index < 0 || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);

    const auto *key = static_cast<QKeyEvent *>(event);
    const QLineEdit *field = m_fields[index];
    const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();
    const bool atEnd = field->cursorPosition() == field->text().size() && !field->hasSelectedText();
    switch (key->key()) {
    case Qt::Key_Period:
        if (index + 1 < kFieldCount) {
            moveTo(index + 1, false);
            m_fields[index + 1]->selectAll();
        }
        return true;
    case Qt::Key_Right:
        if (atEnd && index + 1 < kFieldCount) {
            moveTo(index + 1, false);
            return true;
        }
        break;
    case Qt::Key_Left:
        if (atStart && index > 0) {
            moveTo(index - 1, true);
            return true;
        }
        break;
    case Qt::Key_Backspace:
        if (atStart && index > 0) {
            moveTo(index - 1, true);
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}
