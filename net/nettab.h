#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class NetTab;
}

// The network assistant: a TCP server, a TCP client and a UDP endpoint.
class NetTab : public QWidget
{
    Q_OBJECT
public:
    explicit NetTab(QWidget *parent = nullptr);
    ~NetTab() override;

private:
    std::unique_ptr<Ui::NetTab> ui;
};
