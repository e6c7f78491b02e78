// The dialog that guides the user through adding an RTS remote: a picture of the back of
// a remote with its PROG button marked, the instruction, and the button that adds it.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

class TfmRemoteProg : public QDialog {
    Q_OBJECT
public:
    explicit TfmRemoteProg(QWidget* parent = nullptr);

    bool isTube = false;  // true: a Tube remote is added; false: Somfy
    // What "Adicionar" does in the main window, given isTube; set by the RTS screen. False:
    // refused (the device is busy), and the dialog stays open.
    std::function<bool(bool isTube)> onAdd;

    // "Adicionar": the main window adds the remote, then the dialog closes. While another
    // operation waits for the device the window disables the button.
    void Button1Click();

    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;  // "Adicionar"

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// Created hidden with the main window and kept for its lifetime.
extern TfmRemoteProg* fmRemoteProg;
