#pragma once

#include <QFrame>

#include <array>

class QLineEdit;

// An IPv4 address typed into four fields that look like one line edit.
// Each field takes digits only, up to 255; '.' moves to the next field, and
// the left and right arrows cross into the neighbouring field at a field's
// edge.
class CIPLineEdit : public QFrame
{
    Q_OBJECT
public:
    explicit CIPLineEdit(QWidget *parent = nullptr);

    // The dotted address as the fields hold it, "192.168.1.10"; an empty
    // field stays empty ("192.168..").
    QString text() const;
    // Fills the fields from a dotted address; a part that is no number from
    // 0 to 255 leaves its field empty.
    void setText(const QString &address);

    // Whether every field holds a number.
    bool isComplete() const;

signals:
    void textChanged(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static constexpr int kFieldCount = 4;

    int fieldIndex(QObject *object) const;
    void moveTo(int field, bool toEnd);

    std::array<QLineEdit *, kFieldCount> m_fields{};
};
