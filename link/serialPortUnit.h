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

// What one call of ReadSerial ended with.
enum class TUsbReadResult {
    Frame,  // a whole frame is in the buffer, its length stored
    Idle,  // no length report within one wait slice (the reader checks its stop flag)
    Dropped,  // a frame was announced but left incomplete
    Detached,  // the device is gone: reads fail
};

class TSerialPort : public QObject {
    Q_OBJECT
public:
    static constexpr int receiveBufferSize = 10000;
    static constexpr int lengthWaitMs = 100;  // one wait slice for the length report

    TSerialPort();
    ~TSerialPort() override;  // stops the reader, closes the device, hid_exit

    // Opens the device and starts the reader; each frame goes to `receiveCallback` on the
    // thread that owns this object, through a blocking queued connection. Does nothing
    // while the link is open; after the device was unplugged it closes what is left of the
    // old link and opens the cable again.
    void connect(uint16_t vendorId, uint16_t productId, std::function<void(const QByteArray&)> receiveCallback);
    // Returns `length`, or 0 when a report could not be written (the device is gone).
    unsigned WriteSerial(const uint8_t* frame, uint16_t length);
    // Reads one frame into `buffer` (receiveBufferSize bytes). Called only by the reader.
    TUsbReadResult ReadSerial(uint8_t* buffer, uint16_t* length);

    hid_device* handle = nullptr;
    std::atomic<bool> connected {false};
    TUSBThread* usbThread = nullptr;
    uint32_t reportSize = 0;

signals:
    // The device went away: the reader has ended and `connected` is false.
    void linkLost();

private slots:
    void deliverFrame(const QByteArray& frame);

private:
    bool readReport(uint8_t* report, int timeoutMs, int* result);
    void stopReader();
    std::function<void(const QByteArray&)> receiveCallback_;
    std::atomic<bool> stopping_ {false};
    friend class TUSBThread;
};

class TUSBThread : public QThread {
    Q_OBJECT
public:
    explicit TUSBThread(TSerialPort& port);

signals:
    void signalReceive(const QByteArray& frame);
    void detached();  // reads failed: the device is gone and the reader ends

protected:
    void run() override;

private:
    TSerialPort& port_;
    uint8_t receiveBuffer_[TSerialPort::receiveBufferSize] = {};
    uint16_t receivedLength_ = 0;
};
