// The window's face of learning a whole remote: the installer names the remote, lists its
// keys (typed, or from a template: TV, receiver, air conditioner by mode, fan and
// temperature), and the dialog asks for each key twice, in large text, with the countdown
// of the single learning; a list shows what became of each key. Repetir, Pular and Parar
// answer when a press brought nothing or the two presses differ. Every control is off while
// a learning waits for the Ondix.
#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <memory>

#include "device/deviceApi.h"
#include "device/remoteLearning.h"
#include "library/siteLibrary.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TRemoteLearningDialog : public QDialog {
    Q_OBJECT
public:
    // Learns over the session's route when "Iniciar" is pressed (the network unit found,
    // else the cable) and files each code in `library` with `unitMac` (empty when not
    // known); `filed` runs after each code is filed.
    TRemoteLearningDialog(TDeviceSession& session, TExchange& exchange, TSiteLibrary& library, QString unitMac,
        std::function<void()> filed, QWidget* parent = nullptr);
    ~TRemoteLearningDialog() override;

    // The dialog run modally (through TDialogs, so tests can script it).
    static void learnRemote(QWidget* parent, TDeviceSession& session, TExchange& exchange, TSiteLibrary& library,
        const QString& unitMac, std::function<void()> filed);

    // ---- controls ------------------------------------------------------------------
    QLineEdit* edRemoteName = nullptr;
    QRadioButton* rbRemoteIR = nullptr;
    QRadioButton* rbRemoteRF = nullptr;
    QComboBox* cbKeyTemplate = nullptr;  // "Digitadas", "TV", "Receptor", "Ar-condicionado"
    QGroupBox* gbAirConditioner = nullptr;
    std::array<QCheckBox*, 5> ckModes {};  // ckModeFrio ... ckModeAuto
    std::array<QCheckBox*, 4> ckFans {};  // ckFanAuto ... ckFanAlta
    QSpinBox* sbTemperatureFrom = nullptr;
    QSpinBox* sbTemperatureTo = nullptr;
    QPlainTextEdit* mmKeys = nullptr;  // one key per line
    QPushButton* bbStartRemote = nullptr;  // "Iniciar"
    QLabel* lbCurrentKey = nullptr;  // "Pressione a tecla "Volume +" (1ª vez)"
    QLabel* lbCountdown = nullptr;
    QLabel* lbLearningStatus = nullptr;  // refusals, problems, the end
    QListWidget* lwRemoteKeys = nullptr;  // one row a key with its status
    QPushButton* bbRedoKey = nullptr;  // "Repetir"
    QPushButton* bbSkipKey = nullptr;  // "Pular"
    QPushButton* bbStopRemote = nullptr;  // "Parar"
    QPushButton* bbCloseRemote = nullptr;  // "Fechar"

    void bbStartRemoteClick();
    void bbRedoKeyClick();
    void bbSkipKeyClick();
    void bbStopRemoteClick();

    // The learning under way or done; null before the first start.
    const ondixdevice::TRemoteLearning* learning() const { return learning_.get(); }

public slots:
    void reject() override;  // refused while a learning waits

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void templateChanged();
    void fillAirConditionerKeys();
    void runLearning();
    void showKey(int key);
    void showChoice();
    void setSetupEnabled(bool enabled);

    TDeviceSession& session_;
    ondixdevice::TDeviceApi api_;
    TSiteLibrary& library_;
    QString unitMac_;
    std::function<void()> filed_;
    std::unique_ptr<ondixdevice::TRemoteLearning> learning_;
    bool waiting_ = false;  // a learning waits for the Ondix
};
