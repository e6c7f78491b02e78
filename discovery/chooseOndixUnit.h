// The dialog that lists the devices answering a network search and lets the user pick one.
#pragma once

#include <QDialog>
#include <QStringList>

#include <cstdint>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class QWidget;

class TfmChooseOndix : public QDialog {
    Q_OBJECT
public:
    // The choice is written to `selection` (the index into the devices found).
    TfmChooseOndix(QWidget* parent, int32_t& selection);

    void UpdateIPList(const QString& address);  // appends one entry
    void lvIPsItemClick(QListWidgetItem* item);  // the clicked entry becomes the choice
    void lvIPsDblClick();  // closes, keeping the choice
    void Button1Click();  // "Fechar": first device, then close
    void cancel();  // closes with no device chosen

    QWidget* pnTop = nullptr;
    QLabel* lbTitle = nullptr;
    QToolButton* Button1 = nullptr;
    QListWidget* lvIPs = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Return chooses the highlighted device, Escape closes with none chosen.
    void keyPressEvent(QKeyEvent* event) override;

private:
    int32_t& selection_;
};
