#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class InfoTab;
}

// The information tab: tutorial pages listed by the maker's server.
class InfoTab : public QWidget
{
    Q_OBJECT
public:
    explicit InfoTab(QWidget *parent = nullptr);
    ~InfoTab() override;

private:
    std::unique_ptr<Ui::InfoTab> ui;
};
