// Placeholder so that the window links before the USB link lands.
#include "app/mainUnit.h"
#include "link/serialPortUnit.h"

TSerialPort::TSerialPort() = default;
TSerialPort::~TSerialPort() = default;
void TSerialPort::connect(uint16_t, uint16_t, std::function<void(const QByteArray&)>) {}
unsigned TSerialPort::WriteSerial(const uint8_t*, uint16_t length) { return length; }
unsigned TSerialPort::ReadSerial(uint8_t*, uint16_t* length) { *length = 0; return 0; }

int TfmPrincipal::userConnect() { return -1; }
void TfmPrincipal::OnUSBReceive(const QByteArray&) {}
bool TfmPrincipal::genericUSB_CMD_CMD(unsigned char) { return false; }
