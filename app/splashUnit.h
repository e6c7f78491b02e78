// The start-up window: the logo, the program name and version, shown for two seconds.
#pragma once

#include <QDialog>

class QLabel;
class QTimer;

class TfmSplash : public QDialog {
    Q_OBJECT
public:
    explicit TfmSplash(QWidget* parent = nullptr);

    void Timer1Timer();  // stops Timer1 and closes the splash

    QLabel* lbLoading = nullptr;  // "Inicializando OndixSetup..."
    QLabel* lbVersion = nullptr;  // "Versão 2.0"
    QTimer* Timer1 = nullptr;  // 2000 ms, started when the splash appears

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
