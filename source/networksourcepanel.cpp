#include "networksourcepanel.h"

#include "bytelink.h"
#include "dialogs.h"
#include "listenscopebox.h"
#include "translation.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <utility>

NetworkSourcePanel::NetworkSourcePanel(const NetworkSourceWidgets &widgets, ByteLink &link,
                                       std::function<QString()> configure, Dialogs &dialogs,
                                       QWidget *dialogParent)
    : QObject(dialogParent)
    , m_widgets(widgets)
    , m_link(link)
    , m_configure(std::move(configure))
    , m_dialogs(dialogs)
    , m_dialogParent(dialogParent)
{
    if (m_widgets.scope)
        fillListenScopeBox(m_widgets.scope);
    connect(m_widgets.button, &QPushButton::clicked, this, &NetworkSourcePanel::onButtonClicked);
    connect(&m_link, &ByteLink::opened, this, &NetworkSourcePanel::onLinkOpened);
    connect(&m_link, &ByteLink::closed, this, &NetworkSourcePanel::onLinkClosed);
    connect(&m_link, &ByteLink::failed, this, &NetworkSourcePanel::onLinkFailed);
    connect(&m_link, &ByteLink::lost, this, &NetworkSourcePanel::onLinkLost);
    setState(State::Idle);
}

void NetworkSourcePanel::setFailureReport(FailureReport report)
{
    m_report = [this, report = std::move(report)](Failure failure, const QString &why) {
        report(what(failure), why);
    };
}

ListenScope NetworkSourcePanel::scope() const
{
    return listenScope(m_widgets.scope);
}

void NetworkSourcePanel::onButtonClicked()
{
    if (m_state != State::Idle) {
        // Closing a connection still being made reports nothing: the
        // source goes idle here.
        const bool wasOpen = m_state == State::Open;
        m_link.close();
        setState(State::Idle);
        emit stoppedByUser(wasOpen);
        return;
    }
    m_wasOpen = false;
    if (const QString problem = m_configure(); !problem.isEmpty()) {
        showError(Failure::NotStarted, problem);
        return;
    }
    // The link may report opened() before open() returns.
    setState(State::Opening);
    if (!m_link.open()) {
        setState(State::Idle);
        showError(Failure::NotStarted, m_link.errorString());
    }
}

void NetworkSourcePanel::onLinkOpened()
{
    if (m_state != State::Opening)
        return;
    m_wasOpen = true;
    setState(State::Open);
    emit opened();
}

void NetworkSourcePanel::onLinkClosed()
{
    const bool wasOpen = m_state == State::Open;
    setState(State::Idle);
    if (wasOpen)
        emit closed();
}

void NetworkSourcePanel::onLinkFailed(const QString &text)
{
    if (m_state == State::Opening)
        setState(State::Idle);
    showError(m_wasOpen ? Failure::Broke : Failure::NotOpened, text);
}

void NetworkSourcePanel::onLinkLost()
{
    showError(Failure::Lost, m_link.errorString());
}

void NetworkSourcePanel::setState(State state)
{
    const bool wasActive = isActive();
    m_state = state;
    for (QWidget *field : qAsConst(m_widgets.fields))
        field->setEnabled(state == State::Idle);
    if (m_widgets.scope)
        m_widgets.scope->setEnabled(state == State::Idle);
    if (m_widgets.address)
        m_widgets.address->setText(state == State::Open ? m_link.listenAddress() : QString());
    const bool opening = state == State::Opening && !m_widgets.openingText.isEmpty();
    m_widgets.button->setText(state == State::Idle ? m_widgets.openText
                              : opening            ? m_widgets.openingText
                                                   : m_widgets.closeText);
    if (wasActive != isActive())
        emit activeChanged();
}

void NetworkSourcePanel::showError(Failure failure, const QString &why)
{
    if (m_report) {
        m_report(failure, why);
        return;
    }
    m_dialogs.information(m_dialogParent, mainTr("出错啦！"),
                          mainTr("%1：\n%2").arg(what(failure), why));
}

QString NetworkSourcePanel::what(Failure failure) const
{
    const bool wasOpen = failure == Failure::Broke || failure == Failure::Lost;
    return wasOpen ? mainTr("连接已断开") : m_widgets.failureText;
}
