// Placeholder fake hidapi: no device on the cable.
#include <hidapi.h>
extern "C" {
int hid_init(void) { return 0; }
int hid_exit(void) { return 0; }
hid_device* hid_open(unsigned short, unsigned short, const wchar_t*) { return nullptr; }
int hid_write(hid_device*, const unsigned char*, size_t) { return -1; }
int hid_read(hid_device*, unsigned char*, size_t) { return -1; }
int hid_read_timeout(hid_device*, unsigned char*, size_t, int) { return -1; }
void hid_close(hid_device*) {}
}
