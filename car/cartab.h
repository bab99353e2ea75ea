#pragma once

#include "portenumerator.h"

#include <QWidget>

#include <memory>

class CcdView;
class Dialogs;
class ScopeView;
class SerialPortPanel;

namespace Ui {
class CarTab;
}

// The smart-car assistant: camera, linear CCD and oscilloscope views of the
// framed stream a car sends over its serial link.
class CarTab : public QWidget
{
    Q_OBJECT
public:
    CarTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~CarTab() override;

    SerialPortPanel *panel() const { return m_panel; }

private:
    std::unique_ptr<Ui::CarTab> ui;
    SerialPortPanel *m_panel = nullptr;
    CcdView *m_ccdView = nullptr;
    ScopeView *m_scopeView = nullptr;
};
