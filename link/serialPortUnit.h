// The USB link: TSerialPort drives the Ondix as a HID device through hidapi and owns the
// reader thread TUSBThread, which reassembles frames and hands them to the window.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>

struct hid_device_;
typedef struct hid_device_ hid_device;

class TUSBThread;

class TSerialPort : public QObject {
    Q_OBJECT
public:
    TSerialPort();
    ~TSerialPort() override;  // stops the reader, closes the device, hid_exit

    // Opens the device and starts the reader; frames go to `receiver`'s slot through a
    // blocking queued connection.
    void connect(uint16_t vendorId, uint16_t productId,
                 std::function<void(const QByteArray&)> receiveCallback);
    unsigned WriteSerial(const uint8_t* frame, uint16_t length);
    unsigned ReadSerial(uint8_t* buffer, uint16_t* length);

    hid_device* handle = nullptr;
    std::atomic<bool> connected{false};
    TUSBThread* usbThread = nullptr;
    uint32_t reportSize = 0;
};
