// The dialog that lists the devices answering a network search and lets the user pick one.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class QWidget;
class TfmPrincipal;

class TfmChooseOndix : public QDialog {
    Q_OBJECT
public:
    // `owner` is the main window whose selectedDevice the choice writes.
    explicit TfmChooseOndix(TfmPrincipal* owner);

    void UpdateIPList(const QString& address);      // appends one entry
    void lvIPsItemClick(QListWidgetItem* item);     // the clicked entry becomes the choice
    void lvIPsDblClick();                           // closes, keeping the choice
    void Button1Click();                            // "Fechar": first device, then close

    QWidget* pnTop = nullptr;
    QLabel* lbTitle = nullptr;
    QToolButton* Button1 = nullptr;
    QListWidget* lvIPs = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TfmPrincipal* owner_;
};
