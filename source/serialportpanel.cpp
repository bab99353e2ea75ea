#include "serialportpanel.h"

#include "dialogs.h"
#include "translation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>

namespace {


const int kBaudRates[] = {1200,  2400,  4800,  9600,   14400,  19200,
                          38400, 56000, 57600, 115200, 128000, 256000};
const int kDefaultBaudIndex = 9;
const int kDataBits[] = {5, 6, 7, 8};
const int kDefaultDataBitsIndex = 3;

void fillWithNumbers(QComboBox *box, const int *first, const int *last, int defaultIndex)
{
    QSignalBlocker blocker(box);
    box->clear();
    for (const int *value = first; value != last; ++value)
        box->addItem(QString::number(*value), *value);
    box->setCurrentIndex(defaultIndex);
}

int selectedData(QComboBox *box, int index)
{
    return box->itemData(index).toInt();
}

void setEnabled(const QList<QWidget *> &widgets, bool enabled)
{
    for (QWidget *widget : widgets)
        widget->setEnabled(enabled);
}

} // namespace

SerialPortPanel::SerialPortPanel(const SerialPanelWidgets &widgets, SerialLink &link,
                                 Dialogs &dialogs, const PortListSource &portSource,
                                 QWidget *dialogParent)
    : QObject(dialogParent)
    , m_widgets(widgets)
    , m_dialogs(dialogs)
    , m_dialogParent(dialogParent)
    , m_link(link)
    , m_enumerator(portSource)
{
    connect(&m_link, &ByteLink::lost, this, &SerialPortPanel::onPortRemoved);
    connect(&m_enumerator, &PortEnumerator::deviceRemoved, this,
            &SerialPortPanel::onListedDeviceRemoved);

    fillSettingCombos();
    refreshPortList();
    connectWidgets();
    showState(false);
}

void SerialPortPanel::setEnabledWhileOpen(const QList<QWidget *> &widgets)
{
    m_enabledWhileOpen = widgets;
    showState(m_panelOpen);
}

void SerialPortPanel::setDisabledWhileOpen(const QList<QWidget *> &widgets)
{
    m_disabledWhileOpen = widgets;
    showState(m_panelOpen);
}

void SerialPortPanel::fillSettingCombos()
{
    fillWithNumbers(m_widgets.baudRateBox, std::begin(kBaudRates), std::end(kBaudRates),
                    kDefaultBaudIndex);
    fillWithNumbers(m_widgets.dataBitsBox, std::begin(kDataBits), std::end(kDataBits),
                    kDefaultDataBitsIndex);
    {
        QSignalBlocker blocker(m_widgets.parityBox);
        m_widgets.parityBox->clear();
        m_widgets.parityBox->addItem(mainTr("无"), int(SerialPort::NoParity));
        m_widgets.parityBox->addItem(mainTr("奇校验"), int(SerialPort::OddParity));
        m_widgets.parityBox->addItem(mainTr("偶校验"), int(SerialPort::EvenParity));
        m_widgets.parityBox->setCurrentIndex(0);
    }
    {
        QSignalBlocker blocker(m_widgets.stopBitsBox);
        m_widgets.stopBitsBox->clear();
        m_widgets.stopBitsBox->addItem(QStringLiteral("1"), int(SerialPort::OneStop));
        m_widgets.stopBitsBox->addItem(QStringLiteral("2"), int(SerialPort::TwoStop));
        m_widgets.stopBitsBox->setCurrentIndex(0);
    }
    m_link.port()->setBaudRate(selectedData(m_widgets.baudRateBox, kDefaultBaudIndex));
    m_link.port()->setDataBits(selectedData(m_widgets.dataBitsBox, kDefaultDataBitsIndex));
    m_link.port()->setParity(SerialPort::NoParity);
    m_link.port()->setStopBits(SerialPort::OneStop);
}

std::array<QComboBox *, 4> SerialPortPanel::settingCombos() const
{
    return {m_widgets.baudRateBox, m_widgets.dataBitsBox, m_widgets.parityBox,
            m_widgets.stopBitsBox};
}

SettingsRecord::SerialIndexes SerialPortPanel::serialIndexes() const
{
    SettingsRecord::SerialIndexes indexes{};
    const auto combos = settingCombos();
    for (size_t i = 0; i < combos.size(); ++i)
        indexes[i] = quint8(combos[i]->currentIndex());
    return indexes;
}

void SerialPortPanel::applySerialIndexes(const SettingsRecord::SerialIndexes &indexes)
{
    const auto combos = settingCombos();
    for (size_t i = 0; i < combos.size(); ++i) {
        if (indexes[i] < combos[i]->count())
            combos[i]->setCurrentIndex(indexes[i]);
    }
}

void SerialPortPanel::connectWidgets()
{
    QComboBox *portBox = m_widgets.portBox;
    connect(portBox, &QComboBox::editTextChanged, this, &SerialPortPanel::onPortNameChanged);
    const auto indexChanged = qOverload<int>(&QComboBox::currentIndexChanged);
    connect(portBox, indexChanged, this, [this] { onPortNameChanged(m_widgets.portBox->currentText()); });
    connect(m_widgets.baudRateBox, indexChanged, this, &SerialPortPanel::onBaudRateChanged);
    connect(m_widgets.dataBitsBox, indexChanged, this, &SerialPortPanel::onDataBitsChanged);
    connect(m_widgets.parityBox, indexChanged, this, &SerialPortPanel::onParityChanged);
    connect(m_widgets.stopBitsBox, indexChanged, this, &SerialPortPanel::onStopBitsChanged);
    connect(m_widgets.openCloseButton, &QPushButton::clicked, this,
            &SerialPortPanel::onOpenCloseButtonClicked);
    if (m_widgets.relinkCheck)
        connect(m_widgets.relinkCheck, &QCheckBox::toggled, this,
                &SerialPortPanel::linkStateChanged);
}

void SerialPortPanel::onPortNameChanged(const QString &)
{
    // A new name is taken at the next open; the old port must not stay open
    // under a name the panel no longer shows.
    if (m_panelOpen)
        close();
    updatePortToolTip();
}

void SerialPortPanel::onBaudRateChanged(int index)
{
    m_link.port()->setBaudRate(selectedData(m_widgets.baudRateBox, index));
}

void SerialPortPanel::onDataBitsChanged(int index)
{
    m_link.port()->setDataBits(selectedData(m_widgets.dataBitsBox, index));
}

void SerialPortPanel::onParityChanged(int index)
{
    m_link.port()->setParity(selectedData(m_widgets.parityBox, index));
}

void SerialPortPanel::onStopBitsChanged(int index)
{
    m_link.port()->setStopBits(selectedData(m_widgets.stopBitsBox, index));
}

void SerialPortPanel::onOpenCloseButtonClicked()
{
    if (m_panelOpen)
        close();
    else
        open();
}

void SerialPortPanel::open()
{
    const QString name = m_widgets.portBox->currentText();
    m_link.setPortName(name);
    if (m_link.open()) {
        m_lastPortName = m_link.portName();
        showState(true);
        emit opened();
        emit linkStateChanged();
        return;
    }
    if (silenced() && !name.isEmpty())
        return;
    if (name.isEmpty() && m_widgets.silenceCheck)
        showError(mainTr("打开端口失败：\n端口不存在;"));
    else
        showError(mainTr("打开端口失败，可能的原因：\n1.端口不存在;\n2.端口被占用;\n3.端口已卸载"));
}

void SerialPortPanel::close()
{
    m_portLost = false;
    m_link.close();
    showState(false);
    emit closed();
    emit linkStateChanged();
}

void SerialPortPanel::onPortRemoved()
{
    // Only the loss of this tab's own open port matters: another adapter
    // coming or going must not interrupt a working connection.
    if (!m_panelOpen)
        return;
    close();
    m_portLost = true;
    emit linkStateChanged();
    if (!silenced())
        showError(mainTr("端口已卸载！"));
}

void SerialPortPanel::onListedDeviceRemoved(const PortEntry &entry)
{
    if (m_panelOpen && systemLocationOf(entry.name) == systemLocationOf(m_link.portName()))
        onPortRemoved();
}

bool SerialPortPanel::reconnectionPending() const
{
    return !m_panelOpen && m_portLost && !m_lastPortName.isEmpty() && m_widgets.relinkCheck
        && m_widgets.relinkCheck->isChecked();
}

void SerialPortPanel::cancelReconnection()
{
    if (!m_portLost)
        return;
    m_portLost = false;
    emit linkStateChanged();
}

void SerialPortPanel::reconnectIfLost()
{
    if (!reconnectionPending())
        return;
    const int index = m_widgets.portBox->findText(m_lastPortName,
                                                  Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return;
    m_widgets.portBox->setCurrentIndex(index);
    // Opening keeps the lost flag, so a port that vanishes again is picked up
    // again; only the user's own close clears it.
    open();
}

void SerialPortPanel::refreshPortList()
{
    const QList<PortEntry> ports = m_enumerator.ports();
    QStringList names;
    for (const PortEntry &port : ports)
        names.append(port.name);
    if (names == m_listedNames)
        return;
    m_listedNames = names;

    QComboBox *box = m_widgets.portBox;
    const QString shown = box->currentText();
    {
        QSignalBlocker blocker(box);
        box->clear();
        for (const PortEntry &port : ports)
            box->addItem(port.name, port.friendlyName);
        if (!shown.isEmpty()) {
            box->setCurrentIndex(box->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive));
            // A typed path that is not listed (a pseudo-terminal, say) stays
            // in the edit rather than vanishing under the user's hands.
            if (box->currentIndex() < 0 && box->isEditable())
                box->setEditText(shown);
        }
    }
    updatePortToolTip();
}

void SerialPortPanel::updatePortToolTip()
{
    QComboBox *box = m_widgets.portBox;
    box->setToolTip(box->itemData(box->currentIndex()).toString());
}

void SerialPortPanel::showState(bool open)
{
    for (QComboBox *box : {m_widgets.portBox, m_widgets.baudRateBox, m_widgets.dataBitsBox,
                           m_widgets.parityBox, m_widgets.stopBitsBox})
        box->setEnabled(!open);
    setEnabled(m_enabledWhileOpen, open);
    setEnabled(m_disabledWhileOpen, !open);
    m_panelOpen = open;
    m_widgets.openCloseButton->setText(open ? mainTr("关闭串口") : mainTr("打开串口"));
}

bool SerialPortPanel::silenced() const
{
    return m_widgets.silenceCheck && m_widgets.silenceCheck->isChecked();
}

void SerialPortPanel::showError(const QString &text)
{
    m_dialogs.information(m_dialogParent, mainTr("出错啦！"), text);
}
