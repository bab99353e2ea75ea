#include "serialportpanel.h"

#include "dialogs.h"
#include "translation.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QMainWindow>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTextDocument>

namespace {

// The first twelve are the ones the settings file knows by index.
const int kBaudRates[] = {1200,   2400,   4800,   9600,    14400,   19200,  38400,
                          56000,  57600,  115200, 128000,  256000,  230400, 460800,
                          921600, 1000000, 1500000, 2000000, 3000000};
const int kIndexedBaudRates = 12;
const int kDefaultBaudIndex = 9;
// A typed rate above this is a typing slip, not an adapter.
const int kMaxBaudRate = 16000000;
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

// The item's text stays the port name, which the edit shows and which opens;
// the open list shows the longer line kept under this role.
const int kListTextRole = Qt::UserRole + 1;

class PortListDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString text = index.data(kListTextRole).toString();
        if (!text.isEmpty())
            option->text = text;
    }
};

QString portToolTip(const PortEntry &port)
{
    QStringList lines;
    if (!port.friendlyName.isEmpty())
        lines << port.friendlyName;
    if (!port.manufacturer.isEmpty())
        lines << mainTr("制造商：%1").arg(port.manufacturer);
    if (!port.serialNumber.isEmpty())
        lines << mainTr("序列号：%1").arg(port.serialNumber);
    // The texts come from the device: markup in them is shown, never obeyed.
    const QString text = lines.join(QLatin1Char('\n'));
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text) : text;
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
    m_widgets.portBox->setItemDelegate(new PortListDelegate(m_widgets.portBox));
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
    // Any rate the system takes can be typed; Enter must not add it to the
    // list, whose indexes the settings file keeps.
    m_widgets.baudRateBox->setEditable(true);
    m_widgets.baudRateBox->setInsertPolicy(QComboBox::NoInsert);
    if (m_widgets.flowBox) {
        QSignalBlocker blocker(m_widgets.flowBox);
        m_widgets.flowBox->clear();
        m_widgets.flowBox->addItem(mainTr("无"), int(SerialPort::NoFlowControl));
        m_widgets.flowBox->addItem(mainTr("硬件"), int(SerialPort::HardwareFlowControl));
        m_widgets.flowBox->addItem(mainTr("软件"), int(SerialPort::SoftwareFlowControl));
        m_widgets.flowBox->setCurrentIndex(0);
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
    const int rateIndex = m_widgets.baudRateBox->findData(baudRate());
    indexes[0] = quint8(rateIndex >= 0 && rateIndex < kIndexedBaudRates ? rateIndex
                                                                        : kDefaultBaudIndex);
    return indexes;
}

void SerialPortPanel::applySerialIndexes(const SettingsRecord::SerialIndexes &indexes)
{
    const auto combos = settingCombos();
    for (size_t i = 0; i < combos.size(); ++i) {
        if (indexes[i] < combos[i]->count())
            combos[i]->setCurrentIndex(indexes[i]);
    }
    if (m_keptBaudRate > 0)
        showBaudRate(m_keptBaudRate);
    m_keptBaudRate = 0;
}

int SerialPortPanel::baudRate() const
{
    bool ok = false;
    const int rate = m_widgets.baudRateBox->currentText().trimmed().toInt(&ok);
    return ok && rate > 0 && rate <= kMaxBaudRate ? rate : 0;
}

void SerialPortPanel::showBaudRate(int rate)
{
    QComboBox *box = m_widgets.baudRateBox;
    const int index = box->findData(rate);
    if (index >= 0)
        box->setCurrentIndex(index);
    else
        box->setEditText(QString::number(rate));
    m_link.port()->setBaudRate(rate);
}

void SerialPortPanel::saveBaudRate(QSettings &settings, const QString &key) const
{
    const int rate = baudRate();
    const int index = m_widgets.baudRateBox->findData(rate);
    if (rate == 0 || (index >= 0 && index < kIndexedBaudRates))
        settings.remove(key);
    else
        settings.setValue(key, rate);
}

void SerialPortPanel::loadBaudRate(const QSettings &settings, const QString &key)
{
    bool ok = false;
    const int rate = settings.value(key).toInt(&ok);
    m_keptBaudRate = ok && rate > 0 && rate <= kMaxBaudRate ? rate : 0;
    if (m_keptBaudRate > 0)
        showBaudRate(m_keptBaudRate);
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
    if (m_widgets.flowBox)
        connect(m_widgets.flowBox, indexChanged, this, &SerialPortPanel::onFlowControlChanged);
    if (m_widgets.dtrCheck)
        connect(m_widgets.dtrCheck, &QCheckBox::toggled, this, &SerialPortPanel::onDtrToggled);
    if (m_widgets.rtsCheck)
        connect(m_widgets.rtsCheck, &QCheckBox::toggled, this, &SerialPortPanel::onRtsToggled);
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

void SerialPortPanel::onFlowControlChanged(int index)
{
    const int flow = selectedData(m_widgets.flowBox, index);
    // Hardware flow control drives RTS itself.
    if (m_widgets.rtsCheck)
        m_widgets.rtsCheck->setEnabled(flow != SerialPort::HardwareFlowControl);
    if (!m_link.port()->setFlowControl(flow))
        showError(mainTr("串口不接受这种流控：\n%1").arg(m_link.errorString()));
}

void SerialPortPanel::onDtrToggled(bool set)
{
    if (m_panelOpen && !m_link.port()->setDataTerminalReady(set))
        showLineRefused(QStringLiteral("DTR"));
}

void SerialPortPanel::onRtsToggled(bool set)
{
    if (m_panelOpen && !m_link.port()->setRequestToSend(set))
        showLineRefused(QStringLiteral("RTS"));
}

// An unchecked box leaves its line as opening the port set it.
void SerialPortPanel::applyLinesAtOpen()
{
    if (m_widgets.dtrCheck && m_widgets.dtrCheck->isChecked()
        && !m_link.port()->setDataTerminalReady(true))
        showLineRefused(QStringLiteral("DTR"));
    if (m_widgets.rtsCheck && m_widgets.rtsCheck->isChecked() && m_widgets.rtsCheck->isEnabled()
        && !m_link.port()->setRequestToSend(true))
        showLineRefused(QStringLiteral("RTS"));
}

void SerialPortPanel::showLineRefused(const QString &line)
{
    showError(mainTr("无法设置 %1 信号（此端口可能没有该信号线）：\n%2")
                  .arg(line, m_link.errorString()));
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
    const int rate = baudRate();
    if (rate == 0) {
        showError(mainTr("波特率“%1”无效：请输入 1 到 %2 之间的整数。")
                      .arg(m_widgets.baudRateBox->currentText().left(20),
                           QString::number(kMaxBaudRate)));
        return;
    }
    m_link.port()->setBaudRate(rate);
    m_link.setPortName(name);
    if (m_link.open()) {
        m_lastPortName = m_link.portName();
        m_openedDevice = listedEntry(m_lastPortName);
        showState(true);
        applyLinesAtOpen();
        emit opened();
        emit linkStateChanged();
        return;
    }
    showOpenFailure(name, rate);
}

void SerialPortPanel::showOpenFailure(const QString &name, int rate)
{
    if (silenced() && !name.isEmpty())
        return;
    if (m_link.port()->settingRefused())
        showError(mainTr("端口不接受波特率 %1 或其他设置，端口未打开：\n%2")
                      .arg(QString::number(rate), m_link.errorString()));
    else if (name.isEmpty() && m_widgets.silenceCheck)
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
    const QString lostName = m_lastPortName;
    const QString name = reopenName();
    const int index = m_widgets.portBox->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    // A rate half typed while the port was away waits for the user.
    if (index < 0 || baudRate() == 0)
        return;
    m_widgets.portBox->setCurrentIndex(index);
    // Opening keeps the lost flag, so a port that vanishes again is picked up
    // again; only the user's own close clears it.
    open();
    if (m_panelOpen && name != lostName)
        showNotice(mainTr("设备以新名称 %2 重新出现（原为 %1），已重新打开。").arg(lostName, name));
}

// The lost port's own name if it is listed again, else the name under which
// the same adapter came back, else nothing.
QString SerialPortPanel::reopenName() const
{
    const QList<PortEntry> &ports = m_enumerator.lastPorts();
    for (const PortEntry &port : ports) {
        if (port.name == m_lastPortName)
            return port.name;
    }
    for (const PortEntry &port : ports) {
        if (m_openedDevice.sameDevice(port))
            return port.name;
    }
    return QString();
}

PortEntry SerialPortPanel::listedEntry(const QString &name) const
{
    const QString location = systemLocationOf(name);
    for (const PortEntry &port : m_enumerator.lastPorts()) {
        if (systemLocationOf(port.name) == location)
            return port;
    }
    return PortEntry{};
}

void SerialPortPanel::showNotice(const QString &text)
{
    emit notice(text);
    auto *window = m_dialogParent ? qobject_cast<QMainWindow *>(m_dialogParent->window()) : nullptr;
    if (window)
        window->statusBar()->showMessage(text);
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
        for (const PortEntry &port : ports) {
            box->addItem(port.name, port.friendlyName);
            const int row = box->count() - 1;
            box->setItemData(row, port.listText(), kListTextRole);
            box->setItemData(row, portToolTip(port), Qt::ToolTipRole);
        }
        // The open list is as wide as its longest line, not as the box.
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0)
                                     + box->view()->frameWidth() * 2);
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
    box->setToolTip(box->itemData(box->currentIndex(), Qt::ToolTipRole).toString());
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
