#include "link/serialPortUnit.h"

#include "link/usbFraming.h"

#include <QCoreApplication>
#include <QEvent>

#include <hidapi.h>

#include <algorithm>
#include <cstring>

TSerialPort::TSerialPort() = default;

TSerialPort::~TSerialPort()
{
    stopReader();
    connected = false;
    hid_exit();
}

void TSerialPort::stopReader()
{
    stopping_ = true;
    if (usbThread) {
        // A frame handed over just now waits for this (the owning) thread, which is busy
        // here: cut the connection and drop the pending hand-over so the reader goes on,
        // sees the stop flag and ends within one wait slice. A hand-over posted while the
        // connection was being cut is dropped on the next round.
        QObject::disconnect(usbThread, nullptr, this, nullptr);
        do
            QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
        while (!usbThread->wait(lengthWaitMs));
        delete usbThread;
        usbThread = nullptr;
    }
    if (handle) {
        hid_close(handle);
        handle = nullptr;
    }
    stopping_ = false;
}

void TSerialPort::connect(uint16_t vendorId, uint16_t productId, std::function<void(const QByteArray&)> receiveCallback)
{
    if (handle && connected)
        return;
    // A link whose device was unplugged: its reader has ended; close what is left of it.
    stopReader();
    handle = hid_open(vendorId, productId, L"");
    if (!handle) {
        connected = false;
        return;
    }
    reportSize = ondixusb::reportPayload;
    receiveCallback_ = std::move(receiveCallback);
    connected = true;
    usbThread = new TUSBThread(*this);
    QObject::connect(
        usbThread, &TUSBThread::signalReceive, this, &TSerialPort::deliverFrame, Qt::BlockingQueuedConnection);
    QObject::connect(usbThread, &TUSBThread::detached, this, &TSerialPort::linkLost, Qt::QueuedConnection);
    usbThread->start();
}

unsigned TSerialPort::WriteSerial(const uint8_t* frame, uint16_t length)
{
    if (!handle)
        return length;
    // A failed write shows up as a missing answer; the waiting operation times out. A
    // caller that awaits no answer (a typed line) learns it from the 0 returned.
    bool written = true;
    for (const auto& report : ondixusb::outputReports(frame, length))
        written = hid_write(handle, report.data(), report.size()) >= 0 && written;
    return written ? length : 0;
}

bool TSerialPort::readReport(uint8_t* report, int timeoutMs, int* result)
{
    *result = hid_read_timeout(handle, report, size_t(ondixusb::reportPayload), timeoutMs);
    return *result > 0;
}

TUsbReadResult TSerialPort::ReadSerial(uint8_t* buffer, uint16_t* length)
{
    uint8_t report[ondixusb::reportPayload];
    int got = 0;
    if (!readReport(report, lengthWaitMs, &got))
        return got < 0 ? TUsbReadResult::Detached : TUsbReadResult::Idle;
    if (got < 2)
        return TUsbReadResult::Idle;  // not a length report

    const size_t announced = size_t(report[0] | report[1] << 8);
    // A frame longer than the receive buffer is cut to it: its first bytes are kept, the
    // rest of its reports are read and thrown away, and the receiver sees a frame whose
    // own length fields announce more than arrived.
    const size_t kept = std::min(announced, size_t(receiveBufferSize));
    const int reports = ondixusb::inputDataReportCount(announced);
    size_t position = 0;
    for (int r = 0; r < reports; ++r) {
        if (stopping_)
            return TUsbReadResult::Dropped;
        if (!readReport(report, ondixusb::dataReportTimeoutMs, &got))
            return got < 0 ? TUsbReadResult::Detached : TUsbReadResult::Dropped;
        const int take = ondixusb::bytesFromReport(announced, position);
        if (got < take)
            return TUsbReadResult::Dropped;  // short report: the frame is incomplete
        if (position < kept)
            std::memcpy(buffer + position, report, std::min(size_t(take), kept - position));
        position += size_t(take);
    }
    const size_t filled = kept;
    *length = uint16_t(filled);
    return TUsbReadResult::Frame;
}

void TSerialPort::deliverFrame(const QByteArray& frame)
{
    if (receiveCallback_)
        receiveCallback_(frame);
}

TUSBThread::TUSBThread(TSerialPort& port) : port_(port) { }

void TUSBThread::run()
{
    while (!port_.stopping_) {
        const TUsbReadResult result = port_.ReadSerial(receiveBuffer_, &receivedLength_);
        if (result == TUsbReadResult::Detached) {
            // Reads keep failing once the device is gone: end here instead of spinning.
            port_.connected = false;
            emit detached();
            return;
        }
        if (result != TUsbReadResult::Frame)
            continue;
        // Waits until the window has taken the frame (or the link is being destroyed).
        emit signalReceive(QByteArray(reinterpret_cast<const char*>(receiveBuffer_), receivedLength_));
    }
}
